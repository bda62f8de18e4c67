#include <doctest.h>

#include "app/edit_info/edit_info_model.h"
#include "discinfo/disc_store_fakes.h"
#include "settings/profile_api.h"

#include <string>
#include <vector>

using namespace rubo;

using namespace rubo::test;

namespace {

DiscInfo knownDisc() {
    DiscInfo disc = makeDisc(3, 0x2A0B3C03);
    disc.artist = "Band";
    disc.title = "Album";
    disc.category = "rock";
    disc.genre = "Garage";
    disc.year = 1999;
    disc.extendedDisc = "liner\\nnotes";
    disc.trackList.tracks[1].title = "One";
    disc.trackList.tracks[2].title = "track 7";
    disc.trackList.tracks[3].title = "Three";
    disc.trackList.tracks[3].extended = "x\\ty";
    disc.freedbState = kFreedbStateFound;
    disc.freedbRevision = 4;
    disc.modified = 0;
    disc.origin = OriginFreedb;
    return disc;
}

EditInfoInputs liveInputs(const DiscInfo* cdText) {
    EditInfoInputs inputs;
    inputs.cdText = cdText;
    inputs.liveDisc = true;
    inputs.owner = true;
    inputs.cdPlayerIniSet = true;
    return inputs;
}

std::string states(const EditButtonStates& s) {
    std::string out;
    out += s.saveSubmit ? 'S' : '-';
    out += s.cdText ? 'C' : '-';
    out += s.ruboIni ? 'R' : '-';
    out += s.cdPlayerIni ? 'P' : '-';
    out += s.freedb ? 'F' : '-';
    return out;
}

} // namespace

TEST_CASE("enable rules: each rule in its order, a disabled button stays disabled") {
    const DiscInfo cdText = knownDisc();
    struct Row {
        int state;
        const DiscInfo* cdText;
        bool live, owner, cdPlayerIniSet;
        const char* expected; // Save && Submit, CD Text, RUBO.INI, CDPLAYER.INI, freedb
    } rows[] = {
        {kFreedbStateFound, &cdText, true, true, true, "SCRPF"},
        {kFreedbStateNotFound, &cdText, true, true, true, "SCRPF"},
        {kFreedbStateUnknown, &cdText, true, true, true, "-CRPF"},
        {kFreedbStateFound, nullptr, true, true, true, "S-RPF"},
        {kFreedbStateFound, &cdText, false, true, true, "S----"},
        {kFreedbStateFound, &cdText, true, false, true, "-CR--"},
        {kFreedbStateFound, &cdText, true, true, false, "SCR-F"},
        {kFreedbStateUnknown, nullptr, false, false, false, "-----"},
    };
    for (const Row& row : rows) {
        EditInfoInputs inputs;
        inputs.cdText = row.cdText;
        inputs.liveDisc = row.live;
        inputs.owner = row.owner;
        inputs.cdPlayerIniSet = row.cdPlayerIniSet;
        CAPTURE(row.expected);
        CHECK(states(editButtonStates(row.state, inputs)) == row.expected);
    }
}

TEST_CASE("the year field: empty is 0, four digits at most, nothing but digits") {
    int year = -1;
    CHECK(parseYearField("", year));
    CHECK(year == 0);
    CHECK(parseYearField(" 2003 ", year));
    CHECK(year == 2003);
    CHECK(parseYearField("0", year));
    CHECK(year == 0);
    for (const char* bad : {"19a9", "-1", "12345", "20 03", "+200", "x"}) {
        year = 7;
        CAPTURE(bad);
        CHECK_FALSE(parseYearField(bad, year));
        CHECK(year == 7);
    }
}

TEST_CASE("a session: first paint, default title, Update to the end, change marks, collect") {
    DiscInfo source = knownDisc();
    EditInfoModel model(source, liveInputs(nullptr));
    model.begin();
    CHECK(model.discIdLine() == "Disc ID: 2A0B3C03");
    CHECK(model.freedbLine() == "Disc in freedb database: YES  (revision=4)");
    CHECK(model.titleLines() == std::vector<std::string>{"1\tOne", "2\ttrack 7", "3\tThree"});
    CHECK(model.extendedLines() == std::vector<std::string>{"1\t", "2\t", "3\tx\\ty"});
    EditFields fields = model.fieldsFromWorking();
    CHECK(fields.extended == "liner\r\nnotes");
    CHECK(fields.year == "1999");
    CHECK(model.trackLabel() == "Track 1");
    CHECK(model.titleField() == "One");

    // "track 7" is a default title: an empty field, stored empty by Update.
    model.selectTrack(1);
    CHECK(model.trackLabel() == "Track 2");
    CHECK(model.titleField().empty());
    model.updateTitle(model.titleField());
    CHECK(model.working().trackList.tracks[2].title.empty());
    CHECK(model.currentTrack() == 3);
    CHECK(model.extendedField() == "x\ty");
    // The last track stays current after its Update.
    model.updateExtended("a\r\nb\tc\\d");
    CHECK(model.currentTrack() == 3);
    CHECK(model.working().trackList.tracks[3].extended == "a\\nb\\tc\\\\d");
    CHECK(model.extendedField() == "a\r\nb\tc\\d");
    model.selectTrack(3); // outside the list: ignored
    CHECK(model.currentTrack() == 3);

    // Nothing collected reaches the working copy while the year is wrong.
    fields.year = "20x3";
    fields.artist = "Other";
    CHECK(model.collect(fields) == CollectResult::BadYear);
    CHECK(model.working().artist == "Band");
    CHECK(model.working().modified == 0);

    fields.year = "2003";
    CHECK(model.collect(fields) == CollectResult::Stored);
    CHECK(model.working().artist == "Other");
    CHECK(model.working().year == 2003);
    CHECK(model.working().extendedDisc == "liner\\nnotes");
    CHECK(model.working().modified == 1);
    // The source carried no modified mark: the origin stays.
    CHECK(model.working().origin == OriginFreedb);
    CHECK(source.artist == "Band");
}

TEST_CASE("collect: each field alone marks a change, byte-wise; no change marks nothing") {
    const DiscInfo source = knownDisc();
    struct Change {
        const char* name;
        void (*apply)(EditFields&, DiscInfo&);
    } changes[] = {
        {"artist case", [](EditFields& f, DiscInfo&) { f.artist = "band"; }},
        {"title", [](EditFields& f, DiscInfo&) { f.title += " "; }},
        {"year", [](EditFields& f, DiscInfo&) { f.year = "2000"; }},
        {"genre", [](EditFields& f, DiscInfo&) { f.genre = "garage"; }},
        {"category", [](EditFields& f, DiscInfo&) { f.category = "jazz"; }},
        {"extended", [](EditFields& f, DiscInfo&) { f.extended = "liner\nnotes "; }},
        {"track title", [](EditFields&, DiscInfo& w) { w.trackList.tracks[3].title = "three"; }},
        {"track extended", [](EditFields&, DiscInfo& w) { w.trackList.tracks[1].extended = "e"; }},
    };
    for (const Change& change : changes) {
        CAPTURE(change.name);
        EditInfoModel model(source, liveInputs(nullptr));
        model.begin();
        EditFields fields = model.fieldsFromWorking();
        change.apply(fields, model.working());
        REQUIRE(model.collect(fields) == CollectResult::Stored);
        CHECK(model.working().modified == 1);
    }
    EditInfoModel same(source, liveInputs(nullptr));
    same.begin();
    REQUIRE(same.collect(same.fieldsFromWorking()) == CollectResult::Stored);
    CHECK(same.working().modified == 0);
    CHECK(same.working().extendedDisc == source.extendedDisc);

    // A source with the modified mark makes the origin "Edit".
    DiscInfo edited = source;
    edited.modified = 1;
    EditInfoModel mark(edited, liveInputs(nullptr));
    mark.begin();
    REQUIRE(mark.collect(mark.fieldsFromWorking()) == CollectResult::Stored);
    CHECK(mark.working().origin == OriginEdit);
}

TEST_CASE("collect fails when the disc in the drive changed while the dialog was open") {
    DiscInfo source = knownDisc();
    EditInfoModel model(source, liveInputs(nullptr));
    model.begin();
    EditFields fields = model.fieldsFromWorking();
    fields.artist = "Changed";
    resetDiscInfo(source); // the display took over an emptied record
    CHECK(model.collect(fields) == CollectResult::DiscGone);
    CHECK(model.working().artist == "Band");
}

TEST_CASE("clear: default titles, state 2 becomes 3, the fields' defaults") {
    DiscInfo source = knownDisc();
    EditInfoModel model(source, liveInputs(nullptr));
    model.begin();
    EditFields fields = model.fieldsFromWorking();
    model.clear(fields);
    CHECK(trackTexts(model.working()) == "Track 1;Track 2;Track 3;");
    CHECK(model.working().freedbState == kFreedbStateNotFound);
    CHECK(model.freedbLine() == "Disc in freedb database: NO");
    CHECK(fields.artist == "?");
    CHECK(fields.title == "?");
    CHECK(fields.category == "misc");
    CHECK(fields.year == "0");
    CHECK(fields.genre.empty());
    CHECK(fields.extended.empty());

    source.freedbState = kFreedbStateUnknown;
    EditInfoModel unknown(source, liveInputs(nullptr));
    unknown.begin();
    unknown.clear(fields);
    CHECK(unknown.working().freedbState == kFreedbStateUnknown);
    CHECK(unknown.freedbLine() == "Disc in freedb database: UNKNOWN");
}

TEST_CASE("imports: CD-TEXT, RUBO.ini and cdplayer.ini take only their parts") {
    const DiscInfo source = knownDisc();

    SUBCASE("CD-TEXT with fewer entries than tracks, then none given") {
        DiscInfo cdText = makeDisc(2, 0);
        cdText.valid = true;
        cdText.artist = "Text Artist";
        cdText.title = "Text Title";
        cdText.trackList.tracks[1].title = "T1";
        cdText.trackList.tracks[2].title = "T2";
        EditInfoModel model(source, liveInputs(&cdText));
        model.begin();
        EditFields fields = model.fieldsFromWorking();
        REQUIRE(model.importCdText(fields));
        CHECK(fields.artist == "Text Artist");
        CHECK(fields.title == "Text Title");
        CHECK(fields.category == "rock");
        CHECK(fields.year == "1999");
        CHECK(trackTexts(model.working()) == "T1;T2;Three{x\\ty};");
        CHECK(model.working().freedbState == kFreedbStateFound);

        EditInfoModel without(source, liveInputs(nullptr));
        without.begin();
        EditFields untouched = without.fieldsFromWorking();
        CHECK_FALSE(without.importCdText(untouched));
        CHECK(untouched.artist == "Band");
    }

    SUBCASE("RUBO.ini by the disc id; a disc it lacks changes nothing") {
        ScratchDir dir;
        LineProfileApi profile;
        SettingsFile settings(dir.file("RUBO.ini"), profile);
        DiscInfo stored = source;
        stored.artist = "Stored";
        stored.title = "Saved";
        stored.category = "electronic"; // not in the category list
        stored.genre = "Acoustic";
        stored.year = 1971;
        stored.extendedDisc = "a\\nb";
        stored.trackList.tracks[2].title = "Second";
        stored.trackList.tracks[2].extended = "kept out";
        saveDiscInfo(settings, stored);

        EditInfoModel model(source, liveInputs(nullptr));
        model.begin();
        EditFields fields = model.fieldsFromWorking();
        REQUIRE(model.importRuboIni(settings, fields));
        CHECK(fields.artist == "Stored");
        CHECK(fields.title == "Saved");
        CHECK(fields.category == "electronic");
        // The list selects no such name; the dialog reads it back from here.
        CHECK(model.fieldsFromWorking().category == "electronic");
        CHECK(fields.genre == "Acoustic");
        CHECK(fields.year == "1971");
        CHECK(fields.extended == "a\r\nb");
        CHECK(trackTexts(model.working()) == "One;Second;Three{x\\ty};");

        DiscInfo other = source;
        other.discId = 0x11111111;
        EditInfoModel missing(other, liveInputs(nullptr));
        missing.begin();
        EditFields before = missing.fieldsFromWorking();
        EditFields after = before;
        CHECK_FALSE(missing.importRuboIni(settings, after));
        CHECK(after.artist == before.artist);
        CHECK(trackTexts(missing.working()) == trackTexts(other));
    }

    SUBCASE("cdplayer.ini of the owner's drive: artist, title and titles only") {
        ScratchDir dir;
        const std::string path = dir.file("cdplayer.ini");
        writeBytes(path, "[1234abcd]\r\nartist=Old\r\ntitle=Player\r\n0=p1\r\n1=p2\r\n");
        LineProfileApi profile;
        FakeSerials serials;
        serials.serial = 0x1234ABCD;
        EditInfoModel model(source, liveInputs(nullptr));
        model.begin();
        EditFields fields = model.fieldsFromWorking();
        REQUIRE(model.importCdPlayerIni(profile, serials, path, "E:", fields));
        CHECK(serials.asked == std::vector<std::string>{"E:"});
        CHECK(fields.artist == "Old");
        CHECK(fields.title == "Player");
        CHECK(fields.genre == "Garage");
        CHECK(trackTexts(model.working()) == "p1;p2;Three{x\\ty};");
        serials.serial = 1;
        CHECK_FALSE(model.importCdPlayerIni(profile, serials, path, "E:", fields));
    }
}
