#include "sim/file_read.h"

#include <fstream>

namespace rubo::vdrive {

ReadStatus readFileBounded(const std::string& path, std::size_t maxBytes,
                           std::vector<unsigned char>& bytes) {
    bytes.clear();
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return ReadStatus::CannotOpen;
    std::vector<unsigned char> data;
    char chunk[4096];
    while (in) {
        in.read(chunk, sizeof chunk);
        std::streamsize got = in.gcount();
        if (got <= 0)
            break;
        if (data.size() + static_cast<std::size_t>(got) > maxBytes)
            return ReadStatus::TooLarge;
        data.insert(data.end(), chunk, chunk + got);
    }
    if (in.bad())
        return ReadStatus::CannotOpen;
    bytes.swap(data);
    return ReadStatus::Ok;
}

} // namespace rubo::vdrive
