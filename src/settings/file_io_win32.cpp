#include "settings/file_io.h"

#include <windows.h>

#include <cstdio>

namespace rubo::platform {

bool replaceFile(const std::string& from, const std::string& to) {
    return MoveFileExA(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

} // namespace rubo::platform
