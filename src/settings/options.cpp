#include "settings/options.h"

#include "base/text_format.h"

namespace rubo {

namespace {

constexpr const char kCddbSiteKey[] = "CddbSite";
constexpr int kFirstStartMarker = -1;

#define RUBO_INT_OPTION(key, field, written)                                                       \
    { key, &Options::field, nullptr, written, true }
#define RUBO_STR_OPTION(key, field, written)                                                       \
    { key, nullptr, &Options::field, written, true }

const OptionKey kOptionKeys[] = {
    RUBO_INT_OPTION("AlwaysOnTop", alwaysOnTop, OptionWritten::WithOptions),
    RUBO_INT_OPTION("ShowToolTips", showToolTips, OptionWritten::WithOptions),
    RUBO_INT_OPTION("EscapeKey", escapeKey, OptionWritten::WithOptions),
    {"EscapeTiny", &Options::escapeTiny, nullptr, OptionWritten::WithOptions, false},
    RUBO_INT_OPTION("StopOnClose", stopOnClose, OptionWritten::WithOptions),
    RUBO_INT_OPTION("StartTiny", startTiny, OptionWritten::WithOptions),
    RUBO_INT_OPTION("DetectMultiSession", detectMultiSession, OptionWritten::WithOptions),
    RUBO_INT_OPTION("RememberPos", rememberPos, OptionWritten::WithOptions),
    RUBO_INT_OPTION("ShowTinyHelp", showTinyHelp, OptionWritten::Elsewhere),
    RUBO_INT_OPTION("ClipboardTracknrs", clipboardTracknrs, OptionWritten::WithOptions),
    RUBO_INT_OPTION("MinimizeToTray", minimizeToTray, OptionWritten::WithOptions),
    RUBO_INT_OPTION("AutoPlay", autoPlay, OptionWritten::WithOptions),
    RUBO_INT_OPTION("IniCompatibility", iniCompatibility, OptionWritten::WithOptions),
    RUBO_STR_OPTION("FontName", fontName, OptionWritten::WithOptions),
    RUBO_INT_OPTION("FontSize", fontSize, OptionWritten::WithOptions),
    RUBO_INT_OPTION("CharSet", charSet, OptionWritten::WithOptions),
    RUBO_INT_OPTION("FrontColor", frontColor, OptionWritten::WithOptions),
    RUBO_INT_OPTION("BackColor", backColor, OptionWritten::WithOptions),
    RUBO_STR_OPTION("CdPlayerIni", cdPlayerIni, OptionWritten::WithOptions),
    RUBO_INT_OPTION("ShowModeDisc", showModeDisc, OptionWritten::WithOptions),
    RUBO_INT_OPTION("ShowModeTrack", showModeTrack, OptionWritten::WithOptions),
    RUBO_STR_OPTION("CdromDrive", cdromDrive, OptionWritten::WithOptions),
    RUBO_STR_OPTION("AspiDrives", aspiDrives, OptionWritten::Elsewhere),
    RUBO_INT_OPTION(kCddbSiteKey, cddbSite, OptionWritten::WithOptions),
    RUBO_STR_OPTION("CddbCustomSite", cddbCustomSite, OptionWritten::WithOptions),
    RUBO_STR_OPTION("CddbMirrorSite", cddbMirrorSite, OptionWritten::WithOptions),
    RUBO_INT_OPTION("CddbCustomPort", cddbCustomPort, OptionWritten::WithOptions),
    RUBO_INT_OPTION("CddbMirrorPort", cddbMirrorPort, OptionWritten::WithOptions),
    RUBO_INT_OPTION("CddbProtocol", cddbProtocol, OptionWritten::WithOptions),
    RUBO_STR_OPTION("CddbEmailAddress", cddbEmailAddress, OptionWritten::WithOptions),
    RUBO_INT_OPTION("ProxyEnabled", proxyEnabled, OptionWritten::WithOptions),
    RUBO_STR_OPTION("ProxyAddress", proxyAddress, OptionWritten::WithOptions),
    RUBO_INT_OPTION("ProxyPort", proxyPort, OptionWritten::WithOptions),
    RUBO_INT_OPTION("DevelopMode", developMode, OptionWritten::Never),
    RUBO_INT_OPTION("ShowStatus", showStatus, OptionWritten::Developer),
    RUBO_INT_OPTION("Logging", logging, OptionWritten::Developer),
    RUBO_INT_OPTION("CdTextLog", cdTextLog, OptionWritten::Developer),
    RUBO_INT_OPTION("SessionLog", sessionLog, OptionWritten::Developer),
    RUBO_INT_OPTION("CddbTestSubmit", cddbTestSubmit, OptionWritten::Developer),
    RUBO_INT_OPTION("CddbHack", cddbHack, OptionWritten::Developer),
    RUBO_INT_OPTION("CddbLog", cddbLog, OptionWritten::Developer),
    RUBO_STR_OPTION("CddbHackSite", cddbHackSite, OptionWritten::Never),
    RUBO_INT_OPTION("CddbHackPort", cddbHackPort, OptionWritten::Never),
    // The server is set by hand (a mirror); the freedb page shows the others.
    RUBO_STR_OPTION("MusicBrainzServer", musicBrainzServer, OptionWritten::Never),
    RUBO_INT_OPTION("MusicBrainzFirst", musicBrainzFirst, OptionWritten::WithOptions),
    RUBO_INT_OPTION("LookupNewDiscs", lookupNewDiscs, OptionWritten::WithOptions),
    RUBO_INT_OPTION("PlayMode", playMode, OptionWritten::Elsewhere),
    RUBO_INT_OPTION("GlobalMediaKeys", globalMediaKeys, OptionWritten::WithOptions),
};

#undef RUBO_INT_OPTION
#undef RUBO_STR_OPTION

// The table row of a field; null for one outside the table.
const OptionKey* rowOf(int Options::*field) {
    for (const OptionKey& k : kOptionKeys)
        if (k.intField == field)
            return &k;
    return nullptr;
}

const OptionKey* rowOf(std::string Options::*field) {
    for (const OptionKey& k : kOptionKeys)
        if (k.stringField == field)
            return &k;
    return nullptr;
}

bool isWritten(const OptionKey& k, const Options& options) {
    return k.written == OptionWritten::WithOptions ||
           (k.written == OptionWritten::Developer && options.developMode != 0);
}

} // namespace

const OptionKey* optionKeys(std::size_t& count) {
    count = sizeof kOptionKeys / sizeof kOptionKeys[0];
    return kOptionKeys;
}

Options defaultOptions(int buttonFaceColor) {
    Options options;
    options.backColor = buttonFaceColor;
    return options;
}

std::string volumeTypeKey(char driveLetter) {
    return formatText("VolumeType%c", driveLetter);
}

bool loadOptions(SettingsFile& file, Options& options, int buttonFaceColor,
                 const std::string& cdDriveLetters) {
    SettingsFile::Lock lock(file);
    options = defaultOptions(buttonFaceColor);
    const bool firstStart =
        file.getInt(kOptionsSection, kCddbSiteKey, kFirstStartMarker) == kFirstStartMarker;
    for (const OptionKey& k : kOptionKeys) {
        if (!k.read)
            continue;
        if (k.intField)
            options.*k.intField = file.getInt(kOptionsSection, k.key, options.*k.intField);
        else
            options.*k.stringField = file.getString(kOptionsSection, k.key, options.*k.stringField);
    }
    if (options.playMode < kPlayModeNormal || options.playMode > kPlayModeProgram)
        options.playMode = kPlayModeNormal;
    for (char letter : cdDriveLetters)
        options.volumeTypes[letter] =
            file.getInt(kOptionsSection, volumeTypeKey(letter), kVolumeTypeCd);
    return firstStart;
}

bool saveOptions(SettingsFile& file, const Options& options, const std::string& cdDriveLetters) {
    SettingsFile::Transaction change(file);
    for (const OptionKey& k : kOptionKeys) {
        if (!isWritten(k, options))
            continue;
        if (k.intField)
            file.writeInt(kOptionsSection, k.key, options.*k.intField);
        else
            file.writeString(kOptionsSection, k.key, options.*k.stringField);
    }
    for (char letter : cdDriveLetters) {
        auto it = options.volumeTypes.find(letter);
        file.writeInt(kOptionsSection, volumeTypeKey(letter),
                      it == options.volumeTypes.end() ? kVolumeTypeCd : it->second);
    }
    return change.commit();
}

void writeOption(SettingsFile& file, int Options::*field, int value) {
    if (const OptionKey* row = rowOf(field))
        file.writeInt(kOptionsSection, row->key, value);
}

void writeOption(SettingsFile& file, std::string Options::*field, const std::string& value) {
    if (const OptionKey* row = rowOf(field))
        file.writeString(kOptionsSection, row->key, value);
}

WindowRect readWindowRect(SettingsFile& file, const char* section) {
    SettingsFile::Lock lock(file);
    WindowRect r;
    r.top = file.getInt(section, "Top", 0);
    r.left = file.getInt(section, "Left", 0);
    r.bottom = file.getInt(section, "Bottom", 0);
    r.right = file.getInt(section, "Right", 0);
    return r;
}

void writeWindowRect(SettingsFile& file, const char* section, const WindowRect& rect) {
    SettingsFile::Lock lock(file);
    file.writeInt(section, "Top", rect.top);
    file.writeInt(section, "Left", rect.left);
    file.writeInt(section, "Bottom", rect.bottom);
    file.writeInt(section, "Right", rect.right);
}

} // namespace rubo
