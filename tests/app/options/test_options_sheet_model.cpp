#include <doctest.h>

#include "app/options/options_sheet_model.h"
#include "base/text_format.h"
#include "settings/profile_api.h"
#include "settings/settings_file.h"
#include "support/test_support.h"

#include <cstring>
#include <set>
#include <string>
#include <vector>

using namespace rubo;
using namespace rubo::test;

namespace {

const OptionKey* optionRow(const char* key) {
    std::size_t count = 0;
    const OptionKey* rows = optionKeys(count);
    for (std::size_t i = 0; i < count; ++i)
        if (std::strcmp(rows[i].key, key) == 0)
            return &rows[i];
    return nullptr;
}

std::vector<PageValue> rows() {
    std::size_t count = 0;
    const PageValue* values = pageValues(count);
    return std::vector<PageValue>(values, values + count);
}

// Every option of the table and every drive's volume type, one line each.
std::string optionsText(const Options& options) {
    std::string text;
    std::size_t count = 0;
    const OptionKey* keys = optionKeys(count);
    for (std::size_t i = 0; i < count; ++i) {
        text += keys[i].key;
        text += '=';
        text += keys[i].intField ? std::to_string(options.*keys[i].intField)
                                 : options.*keys[i].stringField;
        text += '\n';
    }
    for (const auto& [letter, type] : options.volumeTypes)
        text += formatText("VolumeType%c=%d\n", letter, type);
    return text;
}

// A value for a row that no default has and that each port field accepts.
void setRow(Options& options, const PageValue& value, int seed) {
    const OptionKey* row = optionRow(value.key);
    REQUIRE(row != nullptr);
    if (row->intField)
        options.*row->intField = value.control == PageControl::Port ? 1000 + seed : 7000 + seed;
    else
        options.*row->stringField = formatText("text %d of %s", seed, value.key);
}

struct Recorder : OptionsOkTarget {
    explicit Recorder(const OptionsSheetOwner& owner) : owner(owner) {}
    void changeDrive() override {
        steps.push_back(OptionsOkStep::ChangeDrive);
        driveSeen = owner.driveIndex;
    }
    void rebuildVolumeControl() override { steps.push_back(OptionsOkStep::VolumeControl); }
    void applyFlags() override { steps.push_back(OptionsOkStep::Flags); }
    void rebuildDisplayFont() override {
        steps.push_back(OptionsOkStep::DisplayFont);
        fontSeen = owner.options.fontName;
    }
    void applyFreedb() override { steps.push_back(OptionsOkStep::Freedb); }
    void applyLogSwitches() override { steps.push_back(OptionsOkStep::LogSwitches); }
    void writeSettings() override { steps.push_back(OptionsOkStep::WriteSettings); }

    const OptionsSheetOwner& owner;
    std::vector<OptionsOkStep> steps;
    int driveSeen = -1;
    std::string fontSeen;
};

// A main window's values: options, its drives and the current one.
struct Owner {
    Options options = defaultOptions(0x00C0C0C0);
    std::string letters = "DEF";
    int driveIndex = 1;
    OptionsSheetOwner view() { return OptionsSheetOwner{options, letters, driveIndex}; }
};

const std::vector<OptionsOkStep> kAlwaysSteps = {OptionsOkStep::VolumeControl, OptionsOkStep::Flags,
                                                 OptionsOkStep::Freedb, OptionsOkStep::LogSwitches,
                                                 OptionsOkStep::WriteSettings};

} // namespace

TEST_CASE("the options sheet's pages: Develop with DevelopMode, the last one with the fan mark") {
    using P = OptionsPage;
    Options options;
    const std::vector<P> five = {P::Options, P::MoreOptions, P::FontColor, P::Freedb, P::Database};
    CHECK(optionsSheetPages(options, false) == five);
    std::vector<P> withEgg = five;
    withEgg.push_back(P::Egg);
    CHECK(optionsSheetPages(options, true) == withEgg);
    options.developMode = 1;
    std::vector<P> six = five;
    six.push_back(P::Develop);
    CHECK(optionsSheetPages(options, false) == six);
    six.push_back(P::Egg);
    CHECK(optionsSheetPages(options, true) == six);
}

TEST_CASE("the page values stand on the option table") {
    std::set<std::string> seen;
    for (const PageValue& value : rows()) {
        CAPTURE(value.key);
        const OptionKey* row = optionRow(value.key);
        REQUIRE(row != nullptr);
        CHECK(seen.insert(value.key).second);
        CHECK(row->read);
        const bool stringControl =
            value.control == PageControl::Text || value.control == PageControl::DriveList;
        if (value.control != PageControl::Held)
            CHECK((row->stringField != nullptr) == stringControl);
        CHECK((value.control == PageControl::Port) == (value.portText != nullptr));
        if (value.control == PageControl::Radio) {
            CHECK(value.choices[0] != value.choices[1]);
            CHECK(value.choices[1] != value.choices[2]);
            CHECK(value.choices[0] != value.choices[2]);
        }
        CHECK((value.page == OptionsPage::Develop) == (row->written == OptionWritten::Developer));
    }
    // Every option the sheet stores is on a page; only EscapeTiny, which
    // nothing reads, is not.
    std::size_t count = 0;
    const OptionKey* keys = optionKeys(count);
    for (std::size_t i = 0; i < count; ++i) {
        CAPTURE(keys[i].key);
        const bool stored = keys[i].written == OptionWritten::WithOptions ||
                            keys[i].written == OptionWritten::Developer;
        CHECK(seen.count(keys[i].key) == (stored && keys[i].read ? 1u : 0u));
    }
}

TEST_CASE("every page value goes into the sheet and back on OK; nothing else changes") {
    Owner owner;
    int seed = 0;
    for (const PageValue& value : rows())
        if (value.control != PageControl::DriveList)
            setRow(owner.options, value, ++seed);
    owner.options.volumeTypes = {{'D', 4101}, {'E', 4106}, {'F', 4097}};
    owner.options.developMode = 1;
    owner.options.showTinyHelp = 0;
    owner.options.aspiDrives = "D:1:0:0";
    owner.options.cddbHackSite = "cddb.example.org";
    owner.options.escapeTiny = 5;

    const OptionsSheetValues sheet = copyIntoSheet(owner.view());
    CHECK(sheet.driveLetters == "DEF");
    CHECK(sheet.driveEntry == "E:");
    CHECK(sheet.options.volumeTypes == owner.options.volumeTypes);
    for (const PageValue& value : rows()) {
        CAPTURE(value.key);
        const OptionKey* row = optionRow(value.key);
        if (value.control == PageControl::Port)
            CHECK(sheet.*value.portText == std::to_string(owner.options.*row->intField));
        else if (value.control == PageControl::DriveList)
            continue;
        else if (row->intField)
            CHECK(sheet.options.*row->intField == owner.options.*row->intField);
        else
            CHECK(sheet.options.*row->stringField == owner.options.*row->stringField);
    }

    // Every value edited on the pages comes back.
    OptionsSheetValues edited = sheet;
    Options expected = owner.options;
    seed = 100;
    for (const PageValue& value : rows()) {
        if (value.control == PageControl::DriveList)
            continue;
        setRow(edited.options, value, ++seed);
        setRow(expected, value, seed);
        if (value.control == PageControl::Port)
            edited.*value.portText = std::to_string(1000 + seed);
    }
    edited.options.volumeTypes['E'] = 4105;
    expected.volumeTypes['E'] = 4105;
    edited.driveEntry = "F:";
    expected.cdromDrive = "F:";
    // What the sheet's copy holds beyond the page values is never taken.
    edited.options.developMode = 0;
    edited.options.showTinyHelp = 1;
    edited.options.aspiDrives.clear();
    edited.options.cddbHackSite.clear();
    edited.options.escapeTiny = 0;

    OptionsSheetOwner view = owner.view();
    Recorder recorder(view);
    acceptOptionsSheet(edited, view, recorder);
    CHECK(optionsText(owner.options) == optionsText(expected));
    CHECK(owner.driveIndex == 2);
}

TEST_CASE("OK's steps: their order, the drive change and the font only when they changed") {
    SUBCASE("nothing changed: no drive change, no new font, the other steps in order") {
        Owner owner;
        const Options before = owner.options;
        OptionsSheetOwner view = owner.view();
        Recorder recorder(view);
        acceptOptionsSheet(copyIntoSheet(view), view, recorder);
        CHECK(recorder.steps == kAlwaysSteps);
        CHECK(owner.driveIndex == 1);
        Options expected = before;
        expected.cdromDrive = "E:";
        CHECK(optionsText(owner.options) == optionsText(expected));
    }
    SUBCASE("another drive and another font: every step, in the table's order, on new values") {
        Owner owner;
        OptionsSheetOwner view = owner.view();
        OptionsSheetValues sheet = copyIntoSheet(view);
        sheet.driveEntry = "D:";
        sheet.options.fontName = "Courier";
        Recorder recorder(view);
        acceptOptionsSheet(sheet, view, recorder);
        const std::vector<OptionsOkStep> all = {
            OptionsOkStep::ChangeDrive,  OptionsOkStep::VolumeControl, OptionsOkStep::Flags,
            OptionsOkStep::DisplayFont,  OptionsOkStep::Freedb,        OptionsOkStep::LogSwitches,
            OptionsOkStep::WriteSettings};
        CHECK(recorder.steps == all);
        CHECK(recorder.driveSeen == 0);
        CHECK(recorder.fontSeen == "Courier");
    }
    SUBCASE("each font value alone rebuilds the font") {
        for (int field = 0; field < 5; ++field) {
            CAPTURE(field);
            Owner owner;
            OptionsSheetOwner view = owner.view();
            OptionsSheetValues sheet = copyIntoSheet(view);
            Options& o = sheet.options;
            switch (field) {
            case 0:
                o.fontName += "x";
                break;
            case 1:
                o.fontSize += 1;
                break;
            case 2:
                o.charSet += 1;
                break;
            case 3:
                o.frontColor += 1;
                break;
            default:
                o.backColor += 1;
                break;
            }
            Recorder recorder(view);
            acceptOptionsSheet(sheet, view, recorder);
            CHECK(recorder.steps.size() == kAlwaysSteps.size() + 1);
            CHECK(recorder.steps[2] == OptionsOkStep::DisplayFont);
        }
    }
    SUBCASE("a drive entry not in the list is the first drive; no drives, no change") {
        Owner owner;
        OptionsSheetOwner view = owner.view();
        OptionsSheetValues sheet = copyIntoSheet(view);
        sheet.driveEntry = "Q:";
        Recorder recorder(view);
        acceptOptionsSheet(sheet, view, recorder);
        CHECK(owner.driveIndex == 0);
        CHECK(owner.options.cdromDrive == "D:");
        CHECK(recorder.steps.front() == OptionsOkStep::ChangeDrive);

        Owner none;
        none.letters.clear();
        none.driveIndex = 0;
        none.options.cdromDrive = "G:";
        OptionsSheetOwner noneView = none.view();
        OptionsSheetValues noneSheet = copyIntoSheet(noneView);
        CHECK(noneSheet.driveEntry.empty());
        Recorder noneRecorder(noneView);
        acceptOptionsSheet(noneSheet, noneView, noneRecorder);
        CHECK(noneRecorder.steps == kAlwaysSteps);
        CHECK(none.options.cdromDrive == "G:");
    }
}

TEST_CASE("port fields: 1 to 65535 only") {
    int port = -1;
    for (const char* good : {"1", "80", "8080", "65535", "00080"}) {
        CAPTURE(good);
        CHECK(readPortText(good, port));
        CHECK(port == std::stoi(good));
    }
    port = -1;
    for (const char* bad :
         {"", "0", "65536", "99999999999", "-1", "+80", " 80", "80 ", "8O", "1e3"}) {
        CAPTURE(bad);
        CHECK_FALSE(readPortText(bad, port));
    }
    CHECK(port == -1);
    CHECK(portText(80) == "80");
    CHECK(portText(65535) == "65535");
    CHECK(portText(0).empty());
    CHECK(portText(65536).empty());
    CHECK(portText(-80).empty());
}

TEST_CASE("a bad port: the freedb page refuses it naming the field; OK keeps the stored one") {
    struct Case {
        const char* name;
        int cddbSite;
        int proxyEnabled;
        const char* customPort;
        const char* proxyPort;
        const char* refusedKey; // null: accepted
    };
    const Case cases[] = {
        {"custom server chosen, its port empty", 2, 0, "", "", "CddbCustomPort"},
        {"custom server chosen, its port 0", 2, 0, "0", "", "CddbCustomPort"},
        {"custom server not chosen, its port empty", 1, 0, "", "", nullptr},
        {"custom server not chosen, its port out of range", 3, 0, "70000", "", "CddbCustomPort"},
        {"proxy on, its port empty", 1, 1, "80", "", "ProxyPort"},
        {"proxy on, its port not a number", 1, 1, "80", "proxy", "ProxyPort"},
        {"proxy off, its port empty", 1, 0, "80", "", nullptr},
        {"proxy off, its port out of range", 1, 0, "80", "65536", "ProxyPort"},
        {"both bad: the freedb server's first", 2, 1, "x", "y", "CddbCustomPort"},
        {"both good", 2, 1, "8880", "3128", nullptr},
    };
    for (const Case& c : cases) {
        CAPTURE(c.name);
        Owner owner;
        owner.options.cddbCustomPort = 81;
        owner.options.proxyPort = 0;
        OptionsSheetOwner view = owner.view();
        OptionsSheetValues sheet = copyIntoSheet(view);
        CHECK(sheet.cddbCustomPortText == "81");
        CHECK(sheet.proxyPortText.empty());
        sheet.options.cddbSite = c.cddbSite;
        sheet.options.proxyEnabled = c.proxyEnabled;
        sheet.options.fontName = "Changed";
        sheet.driveEntry = "F:";
        sheet.cddbCustomPortText = c.customPort;
        sheet.proxyPortText = c.proxyPort;
        const auto refusal = checkPorts(sheet);
        REQUIRE(refusal.has_value() == (c.refusedKey != nullptr));
        if (c.refusedKey) {
            CHECK(refusal->page == OptionsPage::Freedb);
            CHECK(std::string(refusal->key) == c.refusedKey);
            const bool proxy = std::string(c.refusedKey) == "ProxyPort";
            CHECK(refusal->message ==
                  (proxy ? "The port of the proxy server must be a number from 1 to 65535."
                         : "The port of the custom freedb server must be a number from 1 to "
                           "65535."));
        }
        // OK without the page's check (the page never shown): a port that does
        // not read keeps its stored value, and every other edit is taken.
        Recorder recorder(view);
        acceptOptionsSheet(sheet, view, recorder);
        CHECK(recorder.steps.size() == kAlwaysSteps.size() + 2);
        CHECK(owner.options.fontName == "Changed");
        CHECK(owner.driveIndex == 2);
        int customPort = 0;
        CHECK(owner.options.cddbCustomPort ==
              (readPortText(c.customPort, customPort) ? customPort : 81));
        int proxyPort = 0;
        CHECK(owner.options.proxyPort == (readPortText(c.proxyPort, proxyPort) ? proxyPort : 0));
    }
}

TEST_CASE("OK writes the sheet's values to the settings file, a stored bad port kept") {
    ScratchDir dir;
    SettingsFile file(dir.file("RUBO.ini"), systemProfileApi());
    Owner owner;
    owner.options.developMode = 1;
    owner.options.volumeTypes = {{'D', 4101}, {'E', 4101}, {'F', 4101}};
    saveOptions(file, owner.options, owner.letters);
    writeOption(file, &Options::developMode, 1);

    struct Writer : Recorder {
        Writer(const OptionsSheetOwner& owner, SettingsFile& file, const std::string& letters)
            : Recorder(owner), file(file), letters(letters) {}
        void writeSettings() override { saveOptions(file, owner.options, letters); }
        SettingsFile& file;
        const std::string& letters;
    };
    OptionsSheetOwner view = owner.view();
    Writer writer(view, file, owner.letters);
    owner.options.proxyPort = 0; // as read without a ProxyPort line
    OptionsSheetValues sheet = copyIntoSheet(view);
    sheet.options.proxyEnabled = 1;
    sheet.options.logging = 1;
    sheet.options.volumeTypes['F'] = 4106;
    sheet.options.cddbEmailAddress = "me@example.org";
    acceptOptionsSheet(sheet, view, writer);
    Options loaded;
    loadOptions(file, loaded, 0x00C0C0C0, owner.letters);
    CHECK(optionsText(loaded) == optionsText(owner.options));
    CHECK(loaded.proxyEnabled == 1);
    CHECK(loaded.proxyPort == 0);
    CHECK(loaded.logging == 1);
    CHECK(loaded.volumeTypes['F'] == 4106);
    CHECK(loaded.cddbEmailAddress == "me@example.org");
    CHECK(loaded.cdromDrive == "E:");
}
