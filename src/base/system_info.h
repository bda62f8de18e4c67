#pragma once

#include <string>

namespace rubo {

// Platform ids as the Windows version information reports them.
constexpr unsigned long kPlatformWin32s = 0;
constexpr unsigned long kPlatformWindows = 1;
constexpr unsigned long kPlatformNt = 2;

// Operating-system kind: an ordinal that callers compare.
using OsKind = int;

constexpr OsKind kOsUnknown = -1;
constexpr OsKind kOsWin32s = 0;
constexpr OsKind kOsWindows95Variant = 1;
constexpr OsKind kOsWindows95 = 2;
constexpr OsKind kOsWindows98 = 3;
constexpr OsKind kOsWindowsMe = 4;
constexpr OsKind kOsNtVariant = 5;
constexpr OsKind kOsNt3Variant = 6;
constexpr OsKind kOsNt35 = 7;
constexpr OsKind kOsNt4 = 8;
constexpr OsKind kOsWindows2000Variant = 9;
constexpr OsKind kOsWindows2000 = 10;
constexpr OsKind kOsWindowsXp = 11;
constexpr OsKind kOsWindowsDotNet = 12;
constexpr OsKind kOsWindowsVista = 13;
constexpr OsKind kOsWindows7 = 14;
constexpr OsKind kOsWindows8 = 15;
constexpr OsKind kOsWindows81 = 16;
constexpr OsKind kOsWindows10 = 17;
constexpr OsKind kOsWindows11 = 18;

// Windows 11 still reports version 10.0; its builds start here.
constexpr unsigned long kFirstWindows11Build = 22000;

// The build number tells Windows 11 from Windows 10; 0 when unknown.
OsKind osKindFromVersion(unsigned long platformId, unsigned long major, unsigned long minor,
                         unsigned long build = 0);

// Display name of a kind; kinds outside the table give the unknown name.
std::string osKindName(OsKind kind);

// Replaces every occurrence from left to right; replaced text is not
// scanned again. An empty pattern leaves the text unchanged.
void ReplaceAll(std::string& text, const std::string& pattern, const std::string& replacement);

// Multi-line info text: edit form (CR LF, TAB) to stored form and back.
void EscapeInfoText(std::string& text);
void UnescapeInfoText(std::string& text);

// Doubles every "&" for menu item texts.
std::string EscapeAmpersands(const std::string& text);

// True for "Track " (any case) followed by a decimal digit.
bool IsDefaultTrackTitle(const std::string& title);

enum class RegistryRoot { ClassesRoot, CurrentUser, LocalMachine };

// String values in the registry. Failures are silent: a read gives the
// default text, a write does nothing.
class Registry {
public:
    virtual ~Registry() = default;

    // An empty value name means the key's default value.
    virtual std::string readString(RegistryRoot root, const std::string& subKey,
                                   const std::string& valueName,
                                   const std::string& defaultText) = 0;

    // Creates the key when it cannot be opened and writes the value; writes
    // into an existing key only when overwrite is set.
    virtual void writeString(RegistryRoot root, const std::string& subKey,
                             const std::string& valueName, const std::string& text,
                             bool overwrite) = 0;
};

// Class keys whose default value holds the play command.
extern const char* const kAudioCdPlayKey;
extern const char* const kCdaFilePlayKey;

// The play command for a program path: the quoted path and the quoted "%l".
std::string defaultPlayerCommand(const std::string& modulePath);

void registerAsDefaultPlayer(Registry& registry, const std::string& modulePath,
                             const std::string& subKey, bool overwrite);
void installAsDefaultPlayer(Registry& registry, const std::string& modulePath);
void uninstallAsDefaultPlayer(Registry& registry);

inline constexpr const char kThisCopyInstalledText[] =
    "This copy of RUBO is installed as the default CD player";

// One of three texts saying whether RUBO, or this copy, is the default player.
std::string installationStateText(Registry& registry, const std::string& modulePath);

// Facts about the running machine. Each call works on its own data.
class SystemInfo {
public:
    virtual ~SystemInfo() = default;

    // Full path of the program, empty when unknown.
    virtual std::string modulePath() const = 0;
    virtual OsKind osKind() const = 0;
    std::string osName() const { return osKindName(osKind()); }
    // The logged-on user's name, or "?".
    virtual std::string userName() const = 0;
    virtual bool isAdministrator() const = 0;
    // Message text for the calling thread's last system error.
    virtual std::string lastErrorText() const = 0;
};

// The process's platform implementation.
SystemInfo& systemInfo();

#ifdef _WIN32
// The Windows registry.
Registry& systemRegistry();
#endif

} // namespace rubo
