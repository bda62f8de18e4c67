#include <doctest.h>

#include "app/options/options_sheet_model.h"
#include "base/text_format.h"
#include "settings/profile_api.h"
#include "settings/settings_file.h"
#include "support/test_support.h"

#include <set>
#include <string>
#include <vector>

using namespace rubo;
using namespace rubo::test;

namespace {

// The option table's row of a page value's field.
const OptionKey* optionRow(const PageValue& value) {
    std::size_t count = 0;
    const OptionKey* rows = optionKeys(count);
    for (std::size_t i = 0; i < count; ++i)
        if (value.intField ? rows[i].intField == value.intField
                           : rows[i].stringField == value.stringField)
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
    if (value.intField)
        options.*value.intField = value.control == PageControl::Port ? 1000 + seed : 7000 + seed;
    else
        options.*value.stringField = formatText("text %d", seed);
}

// A main window's values: options, its drives and the current one.
struct Owner {
    Options options = defaultOptions(0x00C0C0C0);
    std::string letters = "DEF";
    int driveIndex = 1;
    OptionsSheetOwner view() { return OptionsSheetOwner{options, letters, driveIndex}; }
};

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
        const OptionKey* row = optionRow(value);
        REQUIRE(row != nullptr);
        CAPTURE(row->key);
        CHECK(seen.insert(row->key).second);
        CHECK(row->read);
        if (value.control == PageControl::Radio) {
            CHECK(value.choices[0].value != value.choices[1].value);
            CHECK(value.choices[1].value != value.choices[2].value);
            CHECK(value.choices[0].value != value.choices[2].value);
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
        CAPTURE(optionRow(value)->key);
        if (value.control == PageControl::Port)
            CHECK(sheet.*value.portText == std::to_string(owner.options.*value.intField));
        else if (value.control == PageControl::DriveList)
            continue;
        else if (value.intField)
            CHECK(sheet.options.*value.intField == owner.options.*value.intField);
        else
            CHECK(sheet.options.*value.stringField == owner.options.*value.stringField);
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

    acceptOptionsSheet(edited, owner.view());
    CHECK(optionsText(owner.options) == optionsText(expected));
    CHECK(owner.driveIndex == 2);
}

TEST_CASE("what OK changed: another drive, the font or a colour") {
    SUBCASE("nothing changed") {
        Owner owner;
        const Options before = owner.options;
        OptionsSheetOwner view = owner.view();
        const OptionsOkChanges changes = acceptOptionsSheet(copyIntoSheet(view), view);
        CHECK_FALSE(changes.drive);
        CHECK_FALSE(changes.font);
        CHECK(owner.driveIndex == 1);
        Options expected = before;
        expected.cdromDrive = "E:";
        CHECK(optionsText(owner.options) == optionsText(expected));
    }
    SUBCASE("another drive and another font") {
        Owner owner;
        OptionsSheetOwner view = owner.view();
        OptionsSheetValues sheet = copyIntoSheet(view);
        sheet.driveEntry = "D:";
        sheet.options.fontName = "Courier";
        const OptionsOkChanges changes = acceptOptionsSheet(sheet, view);
        CHECK(changes.drive);
        CHECK(changes.font);
        CHECK(owner.driveIndex == 0);
        CHECK(owner.options.fontName == "Courier");
    }
    SUBCASE("each font value alone changes the font") {
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
            const OptionsOkChanges changes = acceptOptionsSheet(sheet, view);
            CHECK(changes.font);
            CHECK_FALSE(changes.drive);
        }
    }
    SUBCASE("a drive entry not in the list is the first drive; no drives, no change") {
        Owner owner;
        OptionsSheetOwner view = owner.view();
        OptionsSheetValues sheet = copyIntoSheet(view);
        sheet.driveEntry = "Q:";
        CHECK(acceptOptionsSheet(sheet, view).drive);
        CHECK(owner.driveIndex == 0);
        CHECK(owner.options.cdromDrive == "D:");

        Owner none;
        none.letters.clear();
        none.driveIndex = 0;
        none.options.cdromDrive = "G:";
        OptionsSheetOwner noneView = none.view();
        OptionsSheetValues noneSheet = copyIntoSheet(noneView);
        CHECK(noneSheet.driveEntry.empty());
        CHECK_FALSE(acceptOptionsSheet(noneSheet, noneView).drive);
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
        int Options::*refused; // null: accepted
    };
    const auto custom = &Options::cddbCustomPort;
    const auto proxy = &Options::proxyPort;
    const Case cases[] = {
        {"custom server chosen, its port empty", 2, 0, "", "", custom},
        {"custom server chosen, its port 0", 2, 0, "0", "", custom},
        {"custom server not chosen, its port empty", 1, 0, "", "", nullptr},
        {"custom server not chosen, its port out of range", 3, 0, "70000", "", custom},
        {"proxy on, its port empty", 1, 1, "80", "", proxy},
        {"proxy on, its port not a number", 1, 1, "80", "proxy", proxy},
        {"proxy off, its port empty", 1, 0, "80", "", nullptr},
        {"proxy off, its port out of range", 1, 0, "80", "65536", proxy},
        {"both bad: the freedb server's first", 2, 1, "x", "y", custom},
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
        REQUIRE(refusal.has_value() == (c.refused != nullptr));
        if (c.refused) {
            CHECK(refusal->page == OptionsPage::Freedb);
            CHECK(refusal->field == c.refused);
            CHECK(refusal->message ==
                  (c.refused == proxy
                       ? "The port of the proxy server must be a number from 1 to 65535."
                       : "The port of the custom freedb server must be a number from 1 to "
                         "65535."));
        }
        // OK without the page's check (the page never shown): a port that does
        // not read keeps its stored value, and every other edit is taken.
        const OptionsOkChanges changes = acceptOptionsSheet(sheet, view);
        CHECK((changes.drive && changes.font));
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
    OptionsSheetOwner view = owner.view();
    owner.options.proxyPort = 0; // as read without a ProxyPort line
    OptionsSheetValues sheet = copyIntoSheet(view);
    sheet.options.proxyEnabled = 1;
    sheet.options.logging = 1;
    sheet.options.volumeTypes['F'] = 4106;
    sheet.options.cddbEmailAddress = "me@example.org";
    acceptOptionsSheet(sheet, view);
    saveOptions(file, owner.options, owner.letters);
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
