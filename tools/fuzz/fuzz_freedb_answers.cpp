// libFuzzer entry point for the parsers of freedb answers: the HTTP framing
// of a received answer, sites lines, match lines and the stat block. The
// first byte picks the receive mode and how the answer is cut into chunks.
#include "freedb/freedb_client.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

void frame(const std::string& answer, rubo::ReceiveMode mode, std::size_t chunk) {
    rubo::ResponseBuffer buffer(rubo::kFreedbTerminator, rubo::kFreedbGrowStep, mode, 1u << 16);
    std::size_t pos = 0;
    while (pos < answer.size()) {
        int room = buffer.room();
        if (room < 0)
            std::abort();
        std::size_t n =
            std::min<std::size_t>({chunk, answer.size() - pos, static_cast<std::size_t>(room)});
        if (n > 0)
            std::memcpy(buffer.writePosition(), answer.data() + pos, n);
        pos += n;
        if (buffer.accept(static_cast<int>(n)) != rubo::ResponseBuffer::Step::More)
            break;
    }
    if (buffer.used() > buffer.capacity())
        std::abort();
    (void)buffer.finish();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const auto mode = static_cast<rubo::ReceiveMode>(data[0] % 3);
    const std::size_t chunk = 1 + (data[0] >> 2) * 97;
    const std::string answer(reinterpret_cast<const char*>(data) + 1, size - 1);

    frame(answer, mode, chunk);

    const std::string body = rubo::httpBody(answer);
    (void)rubo::freedbResponseCode(body);
    (void)rubo::textAfterStatusLine(body);
    const std::vector<std::string> lines = rubo::answerLines(body);
    for (const std::string& line : lines) {
        rubo::FreedbSite site;
        if (rubo::parseSiteLine(line, site) && (site.port < 0 || site.port > 65535))
            std::abort();
        rubo::FreedbMatch match;
        rubo::parseMatchLine(line, match);
    }
    rubo::FreedbServerStatus status;
    (void)rubo::parseStatusLines(lines, status);
    return 0;
}
