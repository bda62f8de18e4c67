#include "support/test_support.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

namespace rubo::test {

std::string sharedTestData(const std::string& relative) {
    fs::path p = fs::path(RUBO_TESTDATA_DIR) / relative;
    std::error_code ec;
    return fs::exists(p, ec) ? p.string() : std::string();
}

std::string readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void writeBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string crlf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += "\r\n";
        else
            out += c;
    }
    return out;
}

std::string iniSections(int count, int first, const std::string& entry) {
    std::string out;
    for (int i = 0; i < count; ++i)
        out += "[" + std::to_string(first + i) + "]\r\n" + entry + "\r\n\r\n";
    return out;
}

std::string environmentText(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds timeout,
                std::chrono::milliseconds interval) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(interval);
    }
    return true;
}

ScratchDir::ScratchDir() {
    static std::atomic<unsigned> counter{0};
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    std::ostringstream name;
    name << "rubo-test-" << stamp << "-" << counter++;
    path_ = fs::temp_directory_path() / name.str();
    fs::create_directories(path_);
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

static std::map<std::string, ChildRole>& roles() {
    static std::map<std::string, ChildRole> r;
    return r;
}

bool registerChildRole(const char* name, ChildRole role) {
    roles()[name] = std::move(role);
    return true;
}

bool runChildRole(int argc, char** argv, int& result) {
    if (argc < 3 || std::strcmp(argv[1], "--child-role") != 0)
        return false;
    auto it = roles().find(argv[2]);
    result = it == roles().end() ? 99 : it->second(argc - 3, argv + 3);
    return true;
}

} // namespace rubo::test
