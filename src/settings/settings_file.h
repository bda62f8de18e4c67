#pragma once

#include "settings/cross_process_lock.h"
#include "settings/profile_api.h"

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

namespace rubo {

// Name of the settings file in the program directory.
#ifdef _WIN32
inline constexpr const char kSettingsFileName[] = ".\\RUBO.ini";
#else
inline constexpr const char kSettingsFileName[] = "./RUBO.ini";
#endif

// The directory part of a program path up to and including its last path
// separator; the current directory when the path has none.
std::string programDirectoryOf(const std::string& modulePath);

// The settings file "RUBO.ini": values by section and key, in the profile
// mode or in the program's own line mode (ownIniFormat). Every
// read-modify-write holds a lock shared by the threads of this process and
// by other processes on the same file, and every change replaces the file
// in one step, so a crash leaves the old file or the new one.
class SettingsFile {
public:
    SettingsFile(std::string path, ProfileApi& profile);
    SettingsFile(const SettingsFile&) = delete;
    SettingsFile& operator=(const SettingsFile&) = delete;

    const std::string& path() const { return path_; }
    void setOwnIniFormat(bool on) { ownIniFormat_ = on; }

    std::string getString(const std::string& section, const std::string& key,
                          const std::string& defaultValue);
    int getInt(const std::string& section, const std::string& key, int defaultValue);
    void writeString(const std::string& section, const std::string& key, const std::string& value);
    void writeInt(const std::string& section, const std::string& key, int value);
    void clearSection(const std::string& section);

    // Makes several writes one change: they go to a working copy that
    // replaces the file on commit(), so a crash before then leaves the file
    // as it was. Holds the lock meanwhile; without commit() the copy is
    // dropped. Not nested.
    class Transaction;

    // Holds the file's lock for a change made of several writes. Recursive.
    class Lock {
    public:
        explicit Lock(SettingsFile& file);
        ~Lock();
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

    private:
        SettingsFile& file_;
    };

private:
    void acquire();
    void release();
    // The file every access goes to: the working copy during a transaction.
    const std::string& activePath() const { return workingPath_.empty() ? path_ : workingPath_; }

    std::string path_;
    std::string workingPath_;
    ProfileApi& profile_;
    std::atomic<bool> ownIniFormat_{false};
    std::recursive_mutex mutex_;
    int depth_ = 0;
    // File contents, reused under the lock so that big files are not
    // allocated anew for every access.
    std::string buffer_;
    std::string output_;
    CrossProcessLock processLock_;
};

class SettingsFile::Transaction {
public:
    explicit Transaction(SettingsFile& file);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // Replaces the file with the working copy; false (file untouched) when
    // the copy could not be made or moved.
    bool commit();

private:
    SettingsFile& file_;
    Lock lock_;
    bool ok_ = true;
};

// The standard decimal conversion: leading blanks, a sign and digits; 0 when
// there are none; clamped to the int range.
int parseLeadingInt(const std::string& text);

// The folder of the running program, with its trailing separator.
std::string programDirectory();

} // namespace rubo
