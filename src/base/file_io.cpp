#include "base/file_io.h"

#include <cstdio>

namespace rubo {

namespace {

bool writeAll(std::FILE* f, const std::string& bytes) {
    return bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
}

} // namespace

bool readWholeFile(const std::string& path, std::string& contents) {
    contents.clear();
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    long size = std::fseek(f, 0, SEEK_END) == 0 ? std::ftell(f) : -1;
    std::rewind(f);
    // Read straight into the string; a file that grows meanwhile is read on.
    std::size_t have = 0;
    std::size_t want = size > 0 ? static_cast<std::size_t>(size) + 1 : 65536;
    bool ok = true;
    for (;;) {
        contents.resize(have + want);
        std::size_t n = std::fread(&contents[have], 1, want, f);
        have += n;
        if (n < want) {
            ok = !std::ferror(f);
            break;
        }
    }
    contents.resize(ok ? have : 0);
    std::fclose(f);
    return ok;
}

bool replaceFileContents(const std::string& path, const std::string& contents,
                         const TempFileEdit& edit) {
    const std::string temp = path + ".new";
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f)
        return false;
    bool ok = writeAll(f, contents);
    ok = (std::fclose(f) == 0) && ok;
    if (ok && edit)
        ok = edit(temp);
    if (ok)
        ok = platform::replaceFile(temp, path);
    if (!ok)
        std::remove(temp.c_str());
    return ok;
}

bool fileExists(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f)
        std::fclose(f);
    return f != nullptr;
}

bool writeWholeFile(const std::string& path, const std::string& contents) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = writeAll(f, contents);
    return (std::fclose(f) == 0) && ok;
}

bool appendToFile(const std::string& path, const std::string& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "ab");
    if (!f)
        return false;
    bool ok = writeAll(f, bytes);
    return (std::fclose(f) == 0) && ok;
}

bool truncateFile(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    return f && std::fclose(f) == 0;
}

} // namespace rubo
