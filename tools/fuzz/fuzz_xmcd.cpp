// libFuzzer entry point for the xmcd record parser, folding and body builder.

#include "freedb/xmcd_record.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    // The first byte picks the protocol level and the CDDB hack; the rest is the body.
    const int level = 3 + (data[0] & 3);
    const bool hack = (data[0] & 4) != 0;
    const std::string body(reinterpret_cast<const char*>(data) + 1, size - 1);

    rubo::XmcdRecord record;
    std::string errorText;
    if (!rubo::parseXmcd(body, level, hack, record, errorText)) {
        // Empty only for a body whose text ends at once (the server text is copied as "%s").
        if (errorText.empty() && !body.empty() && body[0] != '\0')
            std::abort();
        return 0;
    }
    if (record.frameOffsets.size() > static_cast<size_t>(rubo::kXmcdMaxTracks) ||
        record.trackTitles.size() > static_cast<size_t>(rubo::kXmcdMaxTracks) ||
        record.extendedTracks.size() > static_cast<size_t>(rubo::kXmcdMaxTracks))
        std::abort();

    for (const std::string& title : record.trackTitles) {
        std::string folded = rubo::foldXmcdLine("TTITLE0=" + title);
        if (folded.size() < 2 || folded.compare(folded.size() - 2, 2, "\r\n") != 0)
            std::abort();
    }
    std::string submitBody = rubo::buildSubmitBody(record, level, hack);
    if (submitBody.size() < 10 || submitBody.compare(submitBody.size() - 10, 10, "PLAYORDER=") != 0)
        std::abort();
    rubo::buildSubmitHeaders("", record.discId, "a@b", "", false, submitBody.size());

    // The written body parses again behind a status line.
    rubo::XmcdRecord again;
    rubo::parseXmcd("210 misc 0 x\r\n" + submitBody, level, hack, again, errorText);
    return 0;
}
