#include "settings/file_io.h"

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
    bool ok = true;
    if (std::fseek(f, 0, SEEK_END) == 0) {
        long size = std::ftell(f);
        if (size > 0)
            contents.reserve(static_cast<std::size_t>(size));
        std::rewind(f);
    }
    char chunk[65536];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        contents.append(chunk, n);
    if (std::ferror(f)) {
        contents.clear();
        ok = false;
    }
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
    if (ok) {
        // Durable before it takes the old file's place.
        f = std::fopen(temp.c_str(), "r+b");
        ok = f && platform::commitFile(f);
        ok = f && (std::fclose(f) == 0) && ok;
    }
    if (ok)
        ok = platform::replaceFile(temp, path);
    if (!ok)
        std::remove(temp.c_str());
    return ok;
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
