#include "musicbrainz/ansi_text.h"

namespace rubo {

const AnsiCodePage& systemAnsiCodePage() {
    static const Windows1252CodePage codePage;
    return codePage;
}

} // namespace rubo
