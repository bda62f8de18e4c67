#include "settings/profile_api.h"

#include "base/file_io.h"
#include "settings/ini_lines.h"

namespace rubo {

std::string LineProfileApi::getString(const std::string& section, const std::string& key,
                                      const std::string& defaultValue, const std::string& path) {
    thread_local std::string contents;
    std::string value = defaultValue;
    if (readWholeFile(path, contents))
        ini::findValue(contents, section, key, value);
    if (value.size() > kProfileBufferSize - 1)
        value.resize(kProfileBufferSize - 1);
    return value;
}

bool LineProfileApi::writeString(const std::string& section, const std::string& key,
                                 const char* value, const std::string& path) {
    // Like the platform's profile functions this rewrites the file in place;
    // the settings file only hands it private copies.
    thread_local std::string contents;
    thread_local std::string output;
    readWholeFile(path, contents);
    ini::applyWrite(contents, section, key, value ? value : "", output);
    return writeWholeFile(path, output);
}

bool LineProfileApi::writeStringInText(const std::string& section, const std::string& key,
                                       const char* value, std::string& text) {
    thread_local std::string output;
    ini::applyWrite(text, section, key, value ? value : "", output);
    text.swap(output);
    return true;
}

bool LineProfileApi::keepsOtherLines(std::string_view, std::string_view, std::string_view,
                                     bool) const {
    // The writer ends every line in CR LF and touches no other line.
    return true;
}

} // namespace rubo
