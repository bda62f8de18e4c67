#include "discinfo/disc_store.h"

#include <windows.h>

namespace rubo {

namespace {

class Win32VolumeSerialSource : public VolumeSerialSource {
public:
    bool volumeSerial(const std::string& drive, std::uint32_t& serial) override {
        std::string root = drive;
        if (root.empty() || root.back() != '\\')
            root += '\\';
        DWORD number = 0;
        if (!GetVolumeInformationA(root.c_str(), nullptr, 0, &number, nullptr, nullptr, nullptr, 0))
            return false;
        serial = static_cast<std::uint32_t>(number);
        return true;
    }
};

} // namespace

VolumeSerialSource& systemVolumeSerialSource() {
    static Win32VolumeSerialSource source;
    return source;
}

} // namespace rubo
