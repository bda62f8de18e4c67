#include "settings/file_io.h"

#include <cstdio>

namespace rubo::platform {

bool replaceFile(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

} // namespace rubo::platform
