#include "app/options/options_sheet_model.h"

#include "base/text_format.h"
#include "freedb/freedb_operations.h"
#include "res/resource.h"

namespace rubo {

namespace {

constexpr int kCddbSiteMain = 1;
constexpr const char kCustomPortRefusal[] =
    "The port of the custom freedb server must be a number from 1 to 65535.";
constexpr const char kProxyPortRefusal[] =
    "The port of the proxy server must be a number from 1 to 65535.";

using P = OptionsPage;
using C = PageControl;

// A row by its kind: each takes the field and the control its kind needs.
constexpr PageValue shown(P page, C control, int Options::*field, int id) {
    return {page, control, field, nullptr, id, {}, nullptr};
}
constexpr PageValue text(P page, std::string Options::*field, int id) {
    return {page, C::Text, nullptr, field, id, {}, nullptr};
}
constexpr PageValue port(P page, int Options::*field, std::string OptionsSheetValues::*typed,
                         int id) {
    return {page, C::Port, field, nullptr, id, {}, typed};
}
constexpr PageValue radio(P page, int Options::*field, RadioChoice a, RadioChoice b,
                          RadioChoice c) {
    return {page, C::Radio, field, nullptr, 0, {a, b, c}, nullptr};
}
constexpr PageValue held(P page, int Options::*field) {
    return {page, C::Held, field, nullptr, 0, {}, nullptr};
}
constexpr PageValue held(P page, std::string Options::*field) {
    return {page, C::Held, nullptr, field, 0, {}, nullptr};
}
constexpr PageValue driveList(P page, std::string Options::*field) {
    return {page, C::DriveList, nullptr, field, 0, {}, nullptr};
}

constexpr PageValue kPageValues[] = {
    driveList(P::Options, &Options::cdromDrive),
    shown(P::Options, C::ListIndex, &Options::showModeDisc, IDC_OPT_TIME_DISC),
    shown(P::Options, C::ListIndex, &Options::showModeTrack, IDC_OPT_TIME_TRACK),
    text(P::Options, &Options::cdPlayerIni, IDC_OPT_CDPLAYER_INI),

    shown(P::MoreOptions, C::Check, &Options::alwaysOnTop, IDC_OPT_ALWAYS_ON_TOP),
    shown(P::MoreOptions, C::Check, &Options::showToolTips, IDC_OPT_SHOW_TOOLTIPS),
    radio(P::MoreOptions, &Options::escapeKey, {kEscapeIgnored, IDC_OPT_ESCAPE_NONE},
          {kEscapeCloses, IDC_OPT_ESCAPE_EXIT}, {kEscapeToTiny, IDC_OPT_ESCAPE_TINY}),
    shown(P::MoreOptions, C::Check, &Options::stopOnClose, IDC_OPT_STOP_ON_CLOSE),
    shown(P::MoreOptions, C::Check, &Options::rememberPos, IDC_OPT_REMEMBER_POS),
    shown(P::MoreOptions, C::Check, &Options::startTiny, IDC_OPT_START_TINY),
    shown(P::MoreOptions, C::Check, &Options::detectMultiSession, IDC_OPT_SINGLE_SESSION),
    shown(P::MoreOptions, C::Check, &Options::clipboardTracknrs, IDC_OPT_CLIPBOARD_NRS),
    shown(P::MoreOptions, C::Check, &Options::minimizeToTray, IDC_OPT_MINIMIZE_TRAY),
    shown(P::MoreOptions, C::Check, &Options::autoPlay, IDC_OPT_AUTOPLAY),
    shown(P::MoreOptions, C::Check, &Options::iniCompatibility, IDC_OPT_INI_COMPAT),
    shown(P::MoreOptions, C::Check, &Options::globalMediaKeys, IDC_OPT_GLOBAL_MEDIA_KEYS),

    held(P::FontColor, &Options::fontName),
    held(P::FontColor, &Options::fontSize),
    held(P::FontColor, &Options::charSet),
    held(P::FontColor, &Options::frontColor),
    held(P::FontColor, &Options::backColor),

    // Buttons in the page's order: the main server, the mirror list, custom.
    radio(P::Freedb, &Options::cddbSite, {kCddbSiteMain, IDC_OPT_SITE_MAIN},
          {kCddbSiteMirror, IDC_OPT_SITE_MIRROR}, {kCddbSiteCustom, IDC_OPT_SITE_CUSTOM}),
    held(P::Freedb, &Options::cddbMirrorSite),
    held(P::Freedb, &Options::cddbMirrorPort),
    text(P::Freedb, &Options::cddbCustomSite, IDC_OPT_CUSTOM_SITE),
    port(P::Freedb, &Options::cddbCustomPort, &OptionsSheetValues::cddbCustomPortText,
         IDC_OPT_CUSTOM_PORT),
    radio(P::Freedb, &Options::cddbProtocol, {3, IDC_OPT_PROTOCOL_3}, {4, IDC_OPT_PROTOCOL_4},
          {5, IDC_OPT_PROTOCOL_5}),
    shown(P::Freedb, C::Check, &Options::proxyEnabled, IDC_OPT_PROXY),
    text(P::Freedb, &Options::proxyAddress, IDC_OPT_PROXY_ADDRESS),
    port(P::Freedb, &Options::proxyPort, &OptionsSheetValues::proxyPortText, IDC_OPT_PROXY_PORT),
    text(P::Freedb, &Options::cddbEmailAddress, IDC_OPT_EMAIL),
    shown(P::Freedb, C::Check, &Options::musicBrainzFirst, IDC_OPT_MB_FIRST),
    shown(P::Freedb, C::Check, &Options::lookupNewDiscs, IDC_OPT_LOOKUP_NEW),

    shown(P::Develop, C::Check, &Options::showStatus, IDC_OPT_SHOW_STATUS),
    shown(P::Develop, C::Check, &Options::logging, IDC_OPT_LOGGING),
    shown(P::Develop, C::Check, &Options::cdTextLog, IDC_OPT_CDTEXT_LOG),
    shown(P::Develop, C::Check, &Options::sessionLog, IDC_OPT_SESSION_LOG),
    shown(P::Develop, C::Check, &Options::cddbTestSubmit, IDC_OPT_TEST_SUBMIT),
    shown(P::Develop, C::Check, &Options::cddbLog, IDC_OPT_CDDB_LOG),
    shown(P::Develop, C::Check, &Options::cddbHack, IDC_OPT_CDDB_HACK),
};

void copyValue(const PageValue& value, const Options& from, Options& to) {
    if (value.intField)
        to.*value.intField = from.*value.intField;
    else
        to.*value.stringField = from.*value.stringField;
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
    if (value.intField == &Options::proxyPort)
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
        if (value.control == PageControl::Port)
            sheet.*value.portText = portText(owner.options.*value.intField);
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
        const bool proxy = value.intField == &Options::proxyPort;
        return PortRefusal{value.page, value.intField,
                           proxy ? kProxyPortRefusal : kCustomPortRefusal};
    }
    return std::nullopt;
}

OptionsOkChanges acceptOptionsSheet(const OptionsSheetValues& sheet,
                                    const OptionsSheetOwner& owner) {
    const Options before = owner.options;
    for (const PageValue& value : kPageValues) {
        if (value.control == PageControl::DriveList)
            continue;
        int port = 0;
        if (value.control != PageControl::Port)
            copyValue(value, sheet.options, owner.options);
        else if (readPortText(sheet.*value.portText, port))
            owner.options.*value.intField = port;
    }
    owner.options.volumeTypes = sheet.options.volumeTypes;

    OptionsOkChanges changes;
    const int newDrive = driveIndexOf(owner.driveLetters, sheet.driveEntry);
    changes.drive = newDrive != owner.driveIndex;
    owner.driveIndex = newDrive;
    if (!owner.driveLetters.empty())
        owner.options.cdromDrive = driveEntryOf(owner.driveLetters, newDrive);
    changes.font = !sameFont(before, owner.options);
    return changes;
}

} // namespace rubo
