#include "settings/file_io.h"

#include <cstdio>
#include <unistd.h>

namespace rubo::platform {

bool commitFile(std::FILE* file) {
    return ::fsync(::fileno(file)) == 0;
}

bool replaceFile(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

} // namespace rubo::platform
