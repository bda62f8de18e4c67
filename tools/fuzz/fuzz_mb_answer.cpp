// libFuzzer entry point for the reader of MusicBrainz disc id answers and
// what is made of a release: the medium choice, the menu line and the record.
#include "musicbrainz/mb_answer.h"
#include "musicbrainz/mb_record.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string body(reinterpret_cast<const char*>(data), size);
    rubo::MbAnswer answer;
    std::string error;
    if (!rubo::readMbAnswer(body, answer, error)) {
        if (error.empty())
            std::abort();
        return 0;
    }
    const rubo::Windows1252CodePage codePage;
    rubo::DiscInfo disc;
    disc.trackList.trackCount = 3;
    disc.trackList.entryForStore(3);
    answer.releases.push_back(answer.stub);
    for (const rubo::MbRelease& release : answer.releases) {
        bool exact = false;
        const int medium = rubo::chooseMedium(release, "id", 3, exact);
        if (medium < 0)
            continue;
        const rubo::MbMedium& m = release.media.at(static_cast<std::size_t>(medium));
        const std::string line = rubo::mbMenuLine(release, m, codePage);
        rubo::DiscInfo copy = disc;
        rubo::applyMbRelease(release, m, codePage, copy);
        if (line.find('\n') != std::string::npos || rubo::discTextBreaksLines(copy))
            std::abort();
    }
    return 0;
}
