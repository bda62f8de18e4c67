#include "discinfo/disc_model.h"

#include "base/text_format.h"

namespace rubo {

TrackEntry* TrackList::entry(int index) {
    if (index < 0 || index >= entryCount())
        return nullptr;
    return &tracks[static_cast<std::size_t>(index)];
}

const TrackEntry* TrackList::entry(int index) const {
    if (index < 0 || index >= entryCount())
        return nullptr;
    return &tracks[static_cast<std::size_t>(index)];
}

TrackEntry* TrackList::entryForStore(int index) {
    if (index < 0 || index > kMaxIndex)
        return nullptr;
    if (index >= entryCount())
        tracks.resize(static_cast<std::size_t>(index) + 1);
    return &tracks[static_cast<std::size_t>(index)];
}

bool TrackList::store(int index, const TrackEntry& value) {
    TrackEntry* slot = entryForStore(index);
    if (slot == nullptr)
        return false;
    *slot = value;
    return true;
}

void TrackList::clear() {
    tracks.clear();
    leadOut = 0;
    trackCount = 0;
}

int msfToFrames(PackedMsf msf) {
    return (msfMinutes(msf) * kSecondsPerMinute + msfSeconds(msf)) * kFramesPerSecond +
           msfFrames(msf);
}

PackedMsf framesToMsf(int frames) {
    if (frames < 0)
        frames = 0;
    return makeMsf(frames / kFramesPerMinute, (frames / kFramesPerSecond) % kSecondsPerMinute,
                   frames % kFramesPerSecond);
}

int tmsfToFrames(PackedTmsf tmsf) {
    return (tmsfMinutes(tmsf) * kSecondsPerMinute + tmsfSeconds(tmsf)) * kFramesPerSecond +
           tmsfFrames(tmsf);
}

int tocAddressToFrames(const unsigned char* address) {
    if (address == nullptr)
        return 0;
    return (address[1] * kSecondsPerMinute + address[2]) * kFramesPerSecond + address[3];
}

int deviceLeadOut(PackedMsf lastStart, PackedMsf lastLength) {
    return msfToFrames(lastStart) + msfToFrames(lastLength) + 1;
}

namespace {

// Whole seconds of a start address, the frames ignored.
int startSeconds(const TrackList& list, int track) {
    const TrackEntry* e = list.entry(track);
    if (e == nullptr)
        return 0;
    return msfMinutes(e->start) * kSecondsPerMinute + msfSeconds(e->start);
}

std::uint32_t digitSum(int value) {
    std::uint32_t sum = 0;
    for (std::uint32_t v = static_cast<std::uint32_t>(value); v > 0; v /= 10)
        sum += v % 10;
    return sum;
}

} // namespace

DiscId computeDiscId(const TrackList& list) {
    const int n = list.trackCount;
    if (n <= 0)
        return 0;
    std::uint32_t sum = 0;
    for (int k = 1; k <= n; ++k)
        sum += digitSum(startSeconds(list, k));
    // Both terms are small enough that the int subtraction cannot overflow;
    // a negative result wraps when converted to unsigned.
    const int t = list.leadOut / kFramesPerSecond - startSeconds(list, 1);
    return ((sum % 255u) << 24) | (static_cast<std::uint32_t>(t) << 8) |
           static_cast<std::uint32_t>(n);
}

std::string discIdText(DiscId id) {
    return formatBounded(kMessageMaxChars, "%X", static_cast<unsigned int>(id));
}

std::string performerTitle(const std::string& performer, const std::string& title) {
    return performer + kTrackPerformerSeparator + title;
}

void setDefaultTitles(TrackList& list) {
    for (int i = 1; i <= list.trackCount; ++i) {
        TrackEntry* e = list.entry(i);
        if (e == nullptr)
            break;
        e->title = formatBounded(kMessageMaxChars, kTrackTitleFormat, i);
        e->extended.clear();
    }
}

void resetDiscInfo(DiscInfo& info) {
    info = DiscInfo{};
}

void clearDiscText(DiscInfo& info) {
    info.artist = kUnknownText;
    info.title = kUnknownText;
    info.category = kDefaultCategory;
    info.genre.clear();
    info.year = 0;
    info.extendedDisc.clear();
    info.playOrder.clear();
    setDefaultTitles(info.trackList);
}

namespace {

// Visits each text of the record (also of a const one), telling whether it
// is extended data; true when some visit returned true.
template <typename Info, typename Visit> bool eachTextField(Info& info, Visit visit) {
    bool any = false;
    for (auto* name : {&info.artist, &info.title, &info.genre, &info.category})
        any |= visit(*name, false);
    any |= visit(info.extendedDisc, true);
    for (auto& entry : info.trackList.tracks) {
        any |= visit(entry.title, false);
        any |= visit(entry.extended, true);
    }
    return any;
}

} // namespace

bool flattenDiscText(DiscInfo& info) {
    return eachTextField(info, [](std::string& text, bool extended) {
        if (!breaksLines(text))
            return false;
        text = oneLineText(text, extended ? kEscapedLineBreak : " ");
        return true;
    });
}

bool discTextBreaksLines(const DiscInfo& info) {
    return eachTextField(info, [](const std::string& text, bool) { return breaksLines(text); });
}

bool sameDisc(const DiscInfo& a, const DiscInfo& b) {
    const TrackList& one = a.trackList;
    const TrackList& two = b.trackList;
    if (a.discId != b.discId || one.trackCount != two.trackCount || one.leadOut != two.leadOut)
        return false;
    for (int k = 1; k <= one.trackCount; ++k) {
        const TrackEntry* x = one.entry(k);
        const TrackEntry* y = two.entry(k);
        if (!x || !y || x->start != y->start || x->audio != y->audio)
            return false;
    }
    return true;
}

void findFirstAudioTrack(DiscInfo& info) {
    info.firstAudioTrack = 0;
    for (int k = 1; k <= info.trackList.trackCount; ++k) {
        info.firstAudioTrack = static_cast<std::uint8_t>(k);
        const TrackEntry* e = info.trackList.entry(k);
        if (e != nullptr && e->audio != 0) {
            info.hasAudio = true;
            return;
        }
    }
}

const char* originName(DiscOrigin origin) {
    switch (origin) {
    case OriginUnknown:
        return kOriginNameUnknown;
    case OriginEdit:
        return kOriginNameEdit;
    case OriginCdText:
        return kOriginNameCdText;
    case OriginFreedb:
        return kOriginNameFreedb;
    case OriginCdPlayerIni:
        return kOriginNameCdPlayerIni;
    case OriginRuboIni:
        return kOriginNameRuboIni;
    case OriginMusicBrainz:
        return kOriginNameMusicBrainz;
    }
    return kUnknownText;
}

} // namespace rubo
