#include "app/edit_info/edit_info_model.h"

#include "base/system_info.h"
#include "base/text_format.h"
#include "discinfo/disc_store.h"

#include <algorithm>

namespace rubo {

namespace {

std::string escaped(std::string text) {
    EscapeInfoText(text);
    return text;
}

std::string unescaped(std::string text) {
    UnescapeInfoText(text);
    return text;
}

std::string yearText(int year) {
    return formatText("%d", year);
}

} // namespace

EditButtonStates editButtonStates(int freedbState, const EditInfoInputs& inputs) {
    EditButtonStates states;
    if (freedbState == kFreedbStateUnknown)
        states.saveSubmit = false;
    if (!inputs.liveDisc) {
        states.cdText = false;
        states.freedb = false;
        states.ruboIni = false;
        states.cdPlayerIni = false;
    }
    if (!inputs.cdText)
        states.cdText = false;
    if (!inputs.owner) {
        states.cdPlayerIni = false;
        states.freedb = false;
        states.saveSubmit = false;
    } else if (!inputs.cdPlayerIniSet) {
        states.cdPlayerIni = false;
    }
    return states;
}

bool parseYearField(const std::string& text, int& year) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        year = 0;
        return true;
    }
    const std::size_t last = text.find_last_not_of(' ');
    const std::string digits = text.substr(first, last - first + 1);
    if (digits.size() > static_cast<std::size_t>(kYearMaxDigits))
        return false;
    int value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    year = value;
    return true;
}

EditInfoModel::EditInfoModel(const DiscInfo& source, const EditInfoInputs& inputs)
    : source_(source), inputs_(inputs), working_(source) {}

void EditInfoModel::begin() {
    working_ = source_;
    current_ = 1;
}

int EditInfoModel::trackCount() const {
    // Tracks without an entry in the array have nothing to show.
    const int entries = working_.trackList.entryCount() - 1;
    return std::max(0, std::min(working_.trackList.trackCount, entries));
}

TrackEntry* EditInfoModel::currentEntry() {
    return current_ <= trackCount() ? working_.trackList.entry(current_) : nullptr;
}

const TrackEntry* EditInfoModel::currentEntry() const {
    return current_ <= trackCount() ? working_.trackList.entry(current_) : nullptr;
}

EditFields EditInfoModel::fieldsFromWorking() const {
    EditFields fields;
    fields.artist = working_.artist;
    fields.title = working_.title;
    fields.category = working_.category;
    fields.genre = working_.genre;
    fields.year = yearText(working_.year);
    fields.extended = unescaped(working_.extendedDisc);
    return fields;
}

std::string EditInfoModel::discIdLine() const {
    return formatText(kDiscIdLineFormat, static_cast<unsigned>(working_.discId));
}

std::string EditInfoModel::freedbLine() const {
    switch (working_.freedbState) {
    case kFreedbStateFound:
        return formatText(kFreedbFoundLineFormat, working_.freedbRevision);
    case kFreedbStateNotFound:
        return kFreedbNotFoundLine;
    default:
        return kFreedbUnknownLine;
    }
}

std::vector<std::string> EditInfoModel::titleLines() const {
    std::vector<std::string> lines;
    for (int n = 1; n <= trackCount(); ++n)
        lines.push_back(
            formatText(kTrackLineFormat, n, working_.trackList.entry(n)->title.c_str()));
    return lines;
}

std::vector<std::string> EditInfoModel::extendedLines() const {
    std::vector<std::string> lines;
    for (int n = 1; n <= trackCount(); ++n)
        lines.push_back(
            formatText(kTrackLineFormat, n, working_.trackList.entry(n)->extended.c_str()));
    return lines;
}

std::string EditInfoModel::trackLabel() const {
    return formatText(kTrackLabelFormat, current_);
}

std::string EditInfoModel::titleField() const {
    const TrackEntry* entry = currentEntry();
    if (!entry || IsDefaultTrackTitle(entry->title))
        return std::string();
    return entry->title;
}

std::string EditInfoModel::extendedField() const {
    const TrackEntry* entry = currentEntry();
    return entry ? unescaped(entry->extended) : std::string();
}

void EditInfoModel::selectTrack(int index) {
    if (index >= 0 && index < trackCount())
        current_ = index + 1;
}

void EditInfoModel::stepForward() {
    if (current_ < trackCount())
        ++current_;
}

void EditInfoModel::updateTitle(const std::string& field) {
    if (TrackEntry* entry = currentEntry())
        entry->title = field;
    stepForward();
}

void EditInfoModel::updateExtended(const std::string& field) {
    if (TrackEntry* entry = currentEntry())
        entry->extended = escaped(field);
    stepForward();
}

void EditInfoModel::clear(EditFields& fields) {
    for (int n = 1; n <= trackCount(); ++n) {
        TrackEntry* entry = working_.trackList.entry(n);
        entry->title = formatText(kTrackTitleFormat, n);
        entry->extended.clear();
    }
    if (working_.freedbState == kFreedbStateFound)
        working_.freedbState = kFreedbStateNotFound;
    fields.artist = kUnknownText;
    fields.title = kUnknownText;
    fields.category = kDefaultCategory;
    fields.extended.clear();
    fields.year = yearText(0);
    fields.genre.clear();
}

bool EditInfoModel::importCdText(EditFields& fields) {
    const DiscInfo* cdText = inputs_.cdText;
    if (!cdText || !cdText->valid)
        return false;
    fields.artist = cdText->artist;
    fields.title = cdText->title;
    for (int n = 1; n <= trackCount(); ++n) {
        if (const TrackEntry* from = cdText->trackList.entry(n))
            working_.trackList.entry(n)->title = from->title;
    }
    return true;
}

bool EditInfoModel::importRuboIni(SettingsFile& settings, EditFields& fields) {
    DiscInfo read = working_;
    if (!readRuboIniEntry(settings, read))
        return false;
    fields.artist = read.artist;
    fields.title = read.title;
    fields.category = read.category;
    // A name the category list lacks shows no selection and is read back
    // from the working copy.
    working_.category = read.category;
    for (int n = 1; n <= trackCount(); ++n)
        working_.trackList.entry(n)->title = read.trackList.entry(n)->title;
    fields.year = yearText(read.year);
    fields.genre = read.genre;
    // Shown in edit form like every other path into the field.
    fields.extended = unescaped(read.extendedDisc);
    return true;
}

bool EditInfoModel::importCdPlayerIni(ProfileApi& profile, VolumeSerialSource& serials,
                                      const std::string& cdPlayerIni, const std::string& drive,
                                      EditFields& fields) {
    DiscInfo read = working_;
    if (!readCdPlayerIniEntry(profile, serials, read, cdPlayerIni, drive))
        return false;
    fields.artist = read.artist;
    fields.title = read.title;
    for (int n = 1; n <= trackCount(); ++n)
        working_.trackList.entry(n)->title = read.trackList.entry(n)->title;
    return true;
}

CollectResult EditInfoModel::collect(const EditFields& fields) {
    int year = 0;
    if (!parseYearField(fields.year, year))
        return CollectResult::BadYear;
    if (!sameDisc(source_, working_))
        return CollectResult::DiscGone;
    const std::string extended = escaped(fields.extended);
    bool changed = fields.artist != source_.artist || fields.title != source_.title ||
                   year != source_.year || fields.genre != source_.genre ||
                   fields.category != source_.category || extended != source_.extendedDisc;
    for (int n = 1; n <= trackCount() && !changed; ++n) {
        const TrackEntry& mine = *working_.trackList.entry(n);
        const TrackEntry* theirs = source_.trackList.entry(n);
        changed = !theirs || mine.title != theirs->title || mine.extended != theirs->extended;
    }
    if (changed)
        working_.modified = 1;
    if (source_.modified)
        working_.origin = OriginEdit;
    working_.artist = fields.artist;
    working_.title = fields.title;
    working_.year = year;
    working_.genre = fields.genre;
    working_.category = fields.category;
    working_.extendedDisc = extended;
    flattenDiscText(working_);
    return CollectResult::Stored;
}

} // namespace rubo
