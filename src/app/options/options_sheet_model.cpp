#include "app/options/options_sheet_model.h"

#include "base/text_format.h"
#include "freedb/freedb_operations.h"

#include <cstring>

namespace rubo {

namespace {

constexpr int kCddbSiteMain = 1;
constexpr const char kCddbCustomPortKey[] = "CddbCustomPort";
constexpr const char kProxyPortKey[] = "ProxyPort";
constexpr const char kCustomPortRefusal[] =
    "The port of the custom freedb server must be a number from 1 to 65535.";
constexpr const char kProxyPortRefusal[] =
    "The port of the proxy server must be a number from 1 to 65535.";

#define RUBO_PAGE_VALUE(page, key, control)                                                        \
    { OptionsPage::page, key, PageControl::control, {0, 0, 0}, nullptr }
#define RUBO_PAGE_RADIO(page, key, a, b, c)                                                        \
    { OptionsPage::page, key, PageControl::Radio, {a, b, c}, nullptr }
#define RUBO_PAGE_PORT(page, key, text)                                                            \
    { OptionsPage::page, key, PageControl::Port, {0, 0, 0}, &OptionsSheetValues::text }

const PageValue kPageValues[] = {
    RUBO_PAGE_VALUE(Options, "CdromDrive", DriveList),
    RUBO_PAGE_VALUE(Options, "ShowModeDisc", ListIndex),
    RUBO_PAGE_VALUE(Options, "ShowModeTrack", ListIndex),
    RUBO_PAGE_VALUE(Options, "CdPlayerIni", Text),

    RUBO_PAGE_VALUE(MoreOptions, "AlwaysOnTop", Check),
    RUBO_PAGE_VALUE(MoreOptions, "ShowToolTips", Check),
    RUBO_PAGE_RADIO(MoreOptions, "EscapeKey", kEscapeIgnored, kEscapeCloses, kEscapeToTiny),
    RUBO_PAGE_VALUE(MoreOptions, "StopOnClose", Check),
    RUBO_PAGE_VALUE(MoreOptions, "RememberPos", Check),
    RUBO_PAGE_VALUE(MoreOptions, "StartTiny", Check),
    RUBO_PAGE_VALUE(MoreOptions, "DetectMultiSession", Check),
    RUBO_PAGE_VALUE(MoreOptions, "ClipboardTracknrs", Check),
    RUBO_PAGE_VALUE(MoreOptions, "MinimizeToTray", Check),
    RUBO_PAGE_VALUE(MoreOptions, "AutoPlay", Check),
    RUBO_PAGE_VALUE(MoreOptions, "IniCompatibility", Check),

    RUBO_PAGE_VALUE(FontColor, "FontName", Held),
    RUBO_PAGE_VALUE(FontColor, "FontSize", Held),
    RUBO_PAGE_VALUE(FontColor, "CharSet", Held),
    RUBO_PAGE_VALUE(FontColor, "FrontColor", Held),
    RUBO_PAGE_VALUE(FontColor, "BackColor", Held),

    // Buttons in the page's order: the main server, the mirror list, custom.
    RUBO_PAGE_RADIO(Freedb, "CddbSite", kCddbSiteMain, kCddbSiteMirror, kCddbSiteCustom),
    RUBO_PAGE_VALUE(Freedb, "CddbMirrorSite", Held),
    RUBO_PAGE_VALUE(Freedb, "CddbMirrorPort", Held),
    RUBO_PAGE_VALUE(Freedb, "CddbCustomSite", Text),
    RUBO_PAGE_PORT(Freedb, kCddbCustomPortKey, cddbCustomPortText),
    RUBO_PAGE_RADIO(Freedb, "CddbProtocol", 3, 4, 5),
    RUBO_PAGE_VALUE(Freedb, "ProxyEnabled", Check),
    RUBO_PAGE_VALUE(Freedb, "ProxyAddress", Text),
    RUBO_PAGE_PORT(Freedb, kProxyPortKey, proxyPortText),
    RUBO_PAGE_VALUE(Freedb, "CddbEmailAddress", Text),

    RUBO_PAGE_VALUE(Develop, "ShowStatus", Check),
    RUBO_PAGE_VALUE(Develop, "Logging", Check),
    RUBO_PAGE_VALUE(Develop, "CdTextLog", Check),
    RUBO_PAGE_VALUE(Develop, "SessionLog", Check),
    RUBO_PAGE_VALUE(Develop, "CddbTestSubmit", Check),
    RUBO_PAGE_VALUE(Develop, "CddbLog", Check),
    RUBO_PAGE_VALUE(Develop, "CddbHack", Check),
};

#undef RUBO_PAGE_VALUE
#undef RUBO_PAGE_RADIO
#undef RUBO_PAGE_PORT

void copyValue(const PageValue& value, const Options& from, Options& to) {
    const OptionKey* row = optionKeyNamed(value.key);
    if (!row)
        return;
    if (row->intField)
        to.*row->intField = from.*row->intField;
    else
        to.*row->stringField = from.*row->stringField;
}

std::string driveEntryOf(const std::string& letters, int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= letters.size())
        return std::string();
    return formatText("%c:", letters[static_cast<std::size_t>(index)]);
}

// The entry's first character in the drive list; 0 when it is not there.
int driveIndexOf(const std::string& letters, const std::string& entry) {
    if (entry.empty())
        return 0;
    const std::size_t at = letters.find(entry[0]);
    return at == std::string::npos ? 0 : static_cast<int>(at);
}

bool portInUse(const PageValue& value, const Options& page) {
    if (std::strcmp(value.key, kProxyPortKey) == 0)
        return page.proxyEnabled != 0;
    return page.cddbSite == kCddbSiteCustom;
}

bool sameFont(const Options& a, const Options& b) {
    return a.fontName == b.fontName && a.fontSize == b.fontSize && a.charSet == b.charSet &&
           a.frontColor == b.frontColor && a.backColor == b.backColor;
}

} // namespace

std::vector<OptionsPage> optionsSheetPages(const Options& options, bool fanMark) {
    std::vector<OptionsPage> pages = {OptionsPage::Options, OptionsPage::MoreOptions,
                                      OptionsPage::FontColor, OptionsPage::Freedb,
                                      OptionsPage::Database};
    if (options.developMode != 0)
        pages.push_back(OptionsPage::Develop);
    if (fanMark)
        pages.push_back(OptionsPage::Egg);
    return pages;
}

const PageValue* pageValues(std::size_t& count) {
    count = sizeof kPageValues / sizeof kPageValues[0];
    return kPageValues;
}

OptionsSheetValues copyIntoSheet(const OptionsSheetOwner& owner) {
    OptionsSheetValues sheet;
    for (const PageValue& value : kPageValues) {
        copyValue(value, owner.options, sheet.options);
        if (value.control == PageControl::Port) {
            const OptionKey* row = optionKeyNamed(value.key);
            if (row && row->intField)
                sheet.*value.portText = portText(owner.options.*row->intField);
        }
    }
    sheet.options.volumeTypes = owner.options.volumeTypes;
    sheet.driveLetters = owner.driveLetters;
    sheet.driveEntry = driveEntryOf(owner.driveLetters, owner.driveIndex);
    return sheet;
}

bool readPortText(std::string_view text, int& port) {
    if (text.empty())
        return false;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
        if (value > kMaxTcpPort)
            return false;
    }
    if (!isUsablePort(value))
        return false;
    port = value;
    return true;
}

std::string portText(int port) {
    return isUsablePort(port) ? std::to_string(port) : std::string();
}

std::optional<PortRefusal> checkPorts(const OptionsSheetValues& sheet) {
    for (const PageValue& value : kPageValues) {
        if (value.control != PageControl::Port)
            continue;
        const std::string& text = sheet.*value.portText;
        int port = 0;
        if (readPortText(text, port) || (text.empty() && !portInUse(value, sheet.options)))
            continue;
        const bool proxy = std::strcmp(value.key, kProxyPortKey) == 0;
        return PortRefusal{value.page, value.key, proxy ? kProxyPortRefusal : kCustomPortRefusal};
    }
    return std::nullopt;
}

void acceptOptionsSheet(const OptionsSheetValues& sheet, const OptionsSheetOwner& owner,
                        OptionsOkTarget& target) {
    const Options before = owner.options;
    for (const PageValue& value : kPageValues) {
        if (value.control == PageControl::DriveList)
            continue;
        if (value.control != PageControl::Port) {
            copyValue(value, sheet.options, owner.options);
            continue;
        }
        const OptionKey* row = optionKeyNamed(value.key);
        int port = 0;
        if (row && row->intField && readPortText(sheet.*value.portText, port))
            owner.options.*row->intField = port;
    }
    owner.options.volumeTypes = sheet.options.volumeTypes;

    const int newDrive = driveIndexOf(owner.driveLetters, sheet.driveEntry);
    const bool driveChanged = newDrive != owner.driveIndex;
    owner.driveIndex = newDrive;
    if (!owner.driveLetters.empty())
        owner.options.cdromDrive = driveEntryOf(owner.driveLetters, newDrive);

    for (OptionsOkStep step : kOptionsOkSteps) {
        switch (step) {
        case OptionsOkStep::ChangeDrive:
            if (driveChanged)
                target.changeDrive();
            break;
        case OptionsOkStep::VolumeControl:
            target.rebuildVolumeControl();
            break;
        case OptionsOkStep::Flags:
            target.applyFlags();
            break;
        case OptionsOkStep::DisplayFont:
            if (!sameFont(before, owner.options))
                target.rebuildDisplayFont();
            break;
        case OptionsOkStep::Freedb:
            target.applyFreedb();
            break;
        case OptionsOkStep::LogSwitches:
            target.applyLogSwitches();
            break;
        case OptionsOkStep::WriteSettings:
            target.writeSettings();
            break;
        }
    }
}

} // namespace rubo
