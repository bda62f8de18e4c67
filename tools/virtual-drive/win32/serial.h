#pragma once

#include <cstdint>
#include <string>

namespace rubo::vdrive::win32 {

// "1234-ABCD" or "1234ABCD" (hex) to a volume serial number.
inline bool parseSerial(const std::string& text, std::uint32_t& serial) {
    std::uint32_t value = 0;
    int digits = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '-' && i == 4 && text.size() == 9)
            continue;
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return false;
        if (++digits > 8)
            return false;
        value = (value << 4) | static_cast<std::uint32_t>(d);
    }
    if (digits == 0)
        return false;
    serial = value;
    return true;
}

} // namespace rubo::vdrive::win32
