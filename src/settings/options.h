#pragma once

#include "settings/settings_file.h"

#include <cstddef>
#include <map>
#include <string>

namespace rubo {

inline constexpr const char kOptionsSection[] = "Options";
inline constexpr const char kPositionSection[] = "POSITION";
inline constexpr const char kPositionSmallSection[] = "POSITION_SMALL";
inline constexpr const char kServersSection[] = "Servers";

// The mixer's compact-disc source line (MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC),
// the volume type of a drive without its own.
constexpr int kVolumeTypeCd = 0x1005;

// What Escape does in the main window (EscapeKey).
constexpr int kEscapeIgnored = 0;
constexpr int kEscapeCloses = 1;
constexpr int kEscapeToTiny = 2;

// The order of play (PlayMode); other values read as kPlayModeNormal.
constexpr int kPlayModeNormal = 0;
constexpr int kPlayModeShuffle = 1;
constexpr int kPlayModeRepeatDisc = 2;
constexpr int kPlayModeRepeatTrack = 3;
constexpr int kPlayModeProgram = 4; // the disc's stored PLAYORDER

// The MusicBrainz server unless MusicBrainzServer names another (http:// for a mirror).
inline constexpr const char kDefaultMusicBrainzServer[] = "https://musicbrainz.org";

// The CDDB server the freedb fallback asks unless CddbHackSite names another.
inline constexpr const char kDefaultCddbHost[] = "freedb.dbpoweramp.com";

// Every option of section "Options".
struct Options {
    int alwaysOnTop = 0;
    int showToolTips = 1;
    int escapeKey = kEscapeIgnored;
    int escapeTiny = 0;
    int stopOnClose = 0;
    int startTiny = 0;
    int detectMultiSession = 0;
    int rememberPos = 0;
    int showTinyHelp = 1;
    int clipboardTracknrs = 1;
    int minimizeToTray = 0;
    int autoPlay = 0;
    int iniCompatibility = 0;
    std::string fontName = "MS Sans Serif";
    int fontSize = 8;
    int charSet = 1;
    int frontColor = 0;
    int backColor = 0;
    std::string cdPlayerIni;
    int showModeDisc = 2;
    int showModeTrack = 1;
    std::string cdromDrive;
    std::string aspiDrives;
    int cddbSite = 1;
    std::string cddbCustomSite;
    std::string cddbMirrorSite;
    int cddbCustomPort = 80;
    int cddbMirrorPort = 80;
    int cddbProtocol = 4;
    std::string cddbEmailAddress;
    int proxyEnabled = 0;
    std::string proxyAddress;
    int proxyPort = 0;
    int developMode = 0;
    int showStatus = 0;
    int logging = 0;
    int cdTextLog = 0;
    int sessionLog = 0;
    int cddbTestSubmit = 0;
    int cddbHack = 0;
    int cddbLog = 0;
    // The CDDB server of the fallback; only set by hand.
    std::string cddbHackSite = kDefaultCddbHost;
    int cddbHackPort = 80;
    std::string musicBrainzServer = kDefaultMusicBrainzServer;
    int musicBrainzFirst = 1; // ask MusicBrainz before freedb
    int lookupNewDiscs = 1;   // look a disc no source knows up by itself
    int playMode = kPlayModeNormal;
    int globalMediaKeys = 1; // the media keys as system-wide hot keys
    // Mixer line type per CD drive letter ("VolumeType%c").
    std::map<char, int> volumeTypes;
};

// When a key is stored.
enum class OptionWritten {
    WithOptions, // with every acceptance of the options and at the first start
    Developer,   // the same, but only while DevelopMode is on
    Elsewhere,   // by the code that owns it (Tiny mode, the drive map)
    Never,
};

// One row of the option table; exactly one of the two fields is set.
struct OptionKey {
    const char* key;
    int Options::*intField;
    std::string Options::*stringField;
    OptionWritten written;
    bool read; // false for a key that is written but never read
};

// The option table in file order.
const OptionKey* optionKeys(std::size_t& count);

// Defaults of every option; the background colour is the system colour of
// button faces, which the caller supplies.
Options defaultOptions(int buttonFaceColor);

std::string volumeTypeKey(char driveLetter);

// Reads every option; CddbSite is read first with -1. Returns true for a
// first start (no settings file or no CddbSite key); CddbSite is then 1.
bool loadOptions(SettingsFile& file, Options& options, int buttonFaceColor,
                 const std::string& cdDriveLetters);

// Writes the options stored with the options sheet (and the developer ones
// while DevelopMode is on), plus the volume type of every CD drive.
// Writes every option as one change; false when the file could not be
// replaced (it is then as it was).
bool saveOptions(SettingsFile& file, const Options& options, const std::string& cdDriveLetters);

// Writes one option under its table key, for the options written by the
// code that owns them (OptionWritten::Elsewhere); `field` names its row.
void writeOption(SettingsFile& file, int Options::*field, int value);
void writeOption(SettingsFile& file, std::string Options::*field, const std::string& value);

// A saved window rectangle.
struct WindowRect {
    int top = 0;
    int left = 0;
    int bottom = 0;
    int right = 0;
    bool allSet() const { return top != 0 && left != 0 && bottom != 0 && right != 0; }
};

WindowRect readWindowRect(SettingsFile& file, const char* section);
void writeWindowRect(SettingsFile& file, const char* section, const WindowRect& rect);

} // namespace rubo
