#include "drive/scsi_ports.h"

namespace rubo {

namespace {

// No pass-through interface here: every command fails.
class NoSptiPort : public SptiPort {
public:
    bool execute(const std::string&, bool, const Cdb&, void*, std::uint32_t) override {
        return false;
    }
};

// No ASPI library here.
class NoAspiPort : public AspiPort {
public:
    bool loaded() const override { return false; }
    std::uint32_t supportInfo() override { return 0; }
    int inquireHostAdapter(int, std::uint8_t&) override { return 0; }
    int deviceType(int, int, int, std::uint8_t&) override { return 0; }
    int execute(const AspiDrive&, const Cdb&, void*, std::uint32_t) override { return 0; }
};

} // namespace

std::unique_ptr<SptiPort> systemSptiPort() {
    return std::make_unique<NoSptiPort>();
}

std::unique_ptr<AspiPort> loadSystemAspiPort() {
    return std::make_unique<NoAspiPort>();
}

} // namespace rubo
