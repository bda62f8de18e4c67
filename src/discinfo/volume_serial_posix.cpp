#include "discinfo/disc_store.h"

#include <sys/statvfs.h>

namespace rubo {

namespace {

// The file-system id of the mounted medium the path lies on.
class PosixVolumeSerialSource : public VolumeSerialSource {
public:
    bool volumeSerial(const std::string& drive, std::uint32_t& serial) override {
        struct statvfs info {};
        if (drive.empty() || statvfs(drive.c_str(), &info) != 0)
            return false;
        serial = static_cast<std::uint32_t>(info.f_fsid);
        return true;
    }
};

} // namespace

VolumeSerialSource& systemVolumeSerialSource() {
    static PosixVolumeSerialSource source;
    return source;
}

} // namespace rubo
