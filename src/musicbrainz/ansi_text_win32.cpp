#include "musicbrainz/ansi_text.h"

#include <windows.h>

namespace rubo {

namespace {

constexpr UINT kUtf8CodePage = 65001;

void appendUtf16(std::wstring& out, char32_t c) {
    if (c < 0x10000) {
        out.push_back(static_cast<wchar_t>(c));
        return;
    }
    c -= 0x10000;
    out.push_back(static_cast<wchar_t>(0xD800 + (c >> 10)));
    out.push_back(static_cast<wchar_t>(0xDC00 + (c & 0x3FF)));
}

class SystemCodePage : public AnsiCodePage {
public:
    std::string encode(const std::u32string& text) const override {
        std::wstring wide;
        wide.reserve(text.size());
        for (char32_t c : text)
            appendUtf16(wide, c);
        if (wide.empty())
            return std::string();
        // A UTF-8 ANSI code page takes neither the flag nor a default character.
        const bool utf8 = GetACP() == kUtf8CodePage;
        const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
        const char unmappable[] = {kUnmappableCharacter, '\0'};
        const char* fallback = utf8 ? nullptr : unmappable;
        const int wideLength = static_cast<int>(wide.size());
        const int size = WideCharToMultiByte(CP_ACP, flags, wide.data(), wideLength, nullptr, 0,
                                             fallback, nullptr);
        if (size <= 0)
            return std::string(text.size(), kUnmappableCharacter);
        std::string out(static_cast<std::size_t>(size), '\0');
        const int written = WideCharToMultiByte(CP_ACP, flags, wide.data(), wideLength, &out[0],
                                                size, fallback, nullptr);
        if (written <= 0)
            return std::string(text.size(), kUnmappableCharacter);
        out.resize(static_cast<std::size_t>(written));
        return out;
    }
};

} // namespace

const AnsiCodePage& systemAnsiCodePage() {
    static const SystemCodePage codePage;
    return codePage;
}

} // namespace rubo
