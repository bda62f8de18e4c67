#include "settings/profile_api.h"

#include "settings/file_io.h"
#include "settings/ini_lines.h"

namespace rubo {

std::string LineProfileApi::getString(const std::string& section, const std::string& key,
                                      const std::string& defaultValue, const std::string& path) {
    std::string contents;
    std::string value = defaultValue;
    if (readWholeFile(path, contents))
        ini::findValue(contents, section, key, value);
    if (value.size() > kProfileBufferSize - 1)
        value.resize(kProfileBufferSize - 1);
    return value;
}

bool LineProfileApi::writeString(const std::string& section, const std::string& key,
                                 const char* value, const std::string& path) {
    std::string contents;
    readWholeFile(path, contents);
    return replaceFileContents(path, ini::applyWrite(contents, section, key, value ? value : ""));
}

} // namespace rubo
