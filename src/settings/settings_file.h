#pragma once

#include "base/cross_process_lock.h"
#include "base/file_io.h"
#include "settings/ini_lines.h"
#include "settings/profile_api.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

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
    ~SettingsFile();
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

    // Makes several writes one change that replaces the file on commit(), so
    // a crash before then leaves the file as it was. Writes to one section
    // are made on that section's lines in memory when the profile functions
    // leave the rest of the file as it is; otherwise they go to a working
    // copy of the file. Holds the lock meanwhile; without commit() the
    // change is dropped. Not nested.
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
    struct PendingChange;
    struct Change;

    void acquire();
    void release();
    // The file every access goes to: the working copy during a transaction.
    const std::string& activePath() const { return workingPath_.empty() ? path_ : workingPath_; }
    // The file as read under the lock with the blocks of `section`, read
    // again when the file's stamp differs; false when there is no file.
    bool snapshotOf(const std::string& path, const std::string& section);
    // Whether the snapshot's section reads as the profile functions read it.
    bool profileReadable() const;
    // A change of a transaction made on the section's lines in memory, or
    // on a working copy when that is not sure to give the same file.
    void changeInMemory(const Change& change);
    // Brings the section's lines back into memory; false when the
    // transaction went over to a working copy instead.
    bool settleInMemory();
    // Leaves the in-memory transaction for a working copy with every change
    // so far made again there.
    void fallBack();
    bool commitInMemory();

    std::string path_;
    std::string workingPath_;
    bool workingOk_ = true;
    ProfileApi& profile_;
    std::atomic<bool> ownIniFormat_{false};
    std::recursive_mutex mutex_;
    int depth_ = 0;
    // File contents, reused under the lock so that big files are not
    // allocated anew for every access.
    std::string buffer_;
    std::string output_;
    // The file as last read, with the blocks of one section: checked against
    // the file's stamp at the first read under the lock, and dropped when
    // the lock is let go unless the file had settled (see FileStamp).
    struct Snapshot {
        bool valid = false;
        bool checked = false;
        std::string path;
        FileStamp stamp;
        std::string contents;
        bool sectionKnown = false;
        std::string section;
        std::vector<ini::Block> blocks;
        bool profileHeaderBefore = false;
        // The profile functions read the section as ini::findProfileValue()
        // does: 1 yes, 0 no, -1 not known yet.
        int profileReadable = -1;
    } snapshot_;
    std::unique_ptr<PendingChange> pending_;
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
};

// The standard decimal conversion: leading blanks, a sign and digits; 0 when
// there are none; clamped to the int range.
int parseLeadingInt(const std::string& text);

// The folder of the running program, with its trailing separator.
std::string programDirectory();

} // namespace rubo
