#include "base/system_info.h"

#include "base/text_format.h"

namespace rubo {

const char* const kAudioCdPlayKey = "AudioCD\\shell\\play\\command";
const char* const kCdaFilePlayKey = "cdafile\\shell\\play\\command";

namespace {

OsKind ntSixKind(unsigned long minor) {
    switch (minor) {
    case 0:
        return kOsWindowsVista;
    case 1:
        return kOsWindows7;
    case 2:
        return kOsWindows8;
    case 3:
        return kOsWindows81;
    default:
        return kOsNtVariant;
    }
}

} // namespace

OsKind osKindFromVersion(unsigned long platformId, unsigned long major, unsigned long minor,
                         unsigned long build) {
    switch (platformId) {
    case kPlatformWin32s:
        return kOsWin32s;
    case kPlatformWindows:
        switch (minor) {
        case 0:
            return kOsWindows95;
        case 10:
            return kOsWindows98;
        case 90:
            return kOsWindowsMe;
        default:
            return kOsWindows95Variant;
        }
    case kPlatformNt:
        switch (major) {
        case 3:
            return minor < 50 ? kOsNt3Variant : kOsNt35;
        case 4:
            return kOsNt4;
        case 5:
            switch (minor) {
            case 0:
                return kOsWindows2000;
            case 1:
                return kOsWindowsXp;
            case 2:
                return kOsWindowsDotNet;
            default:
                return kOsWindows2000Variant;
            }
        case 6:
            return ntSixKind(minor);
        case 10:
            if (minor != 0)
                return kOsNtVariant;
            return build >= kFirstWindows11Build ? kOsWindows11 : kOsWindows10;
        default:
            return kOsNtVariant;
        }
    default:
        return kOsUnknown;
    }
}

std::string osKindName(OsKind kind) {
    static const char* const names[] = {
        "Windows 32s",
        "Windows 95 variant",
        "Windows 95",
        "Windows 98",
        "Windows ME",
        "Windows NT variant",
        "Windows NT 3 variant",
        "Windows 3.5",
        "Windows 4",
        "Windows 2000 variant",
        "Windows 2000",
        "Windows XP",
        "Windows .NET",
        "Windows Vista",
        "Windows 7",
        "Windows 8",
        "Windows 8.1",
        "Windows 10",
        "Windows 11",
    };
    constexpr int count = static_cast<int>(sizeof(names) / sizeof(names[0]));
    if (kind < 0 || kind >= count)
        return "Unknown Windows version";
    return names[kind];
}

void ReplaceAll(std::string& text, const std::string& pattern, const std::string& replacement) {
    if (pattern.empty())
        return;
    std::string result;
    std::string::size_type from = 0;
    for (;;) {
        std::string::size_type at = text.find(pattern, from);
        if (at == std::string::npos)
            break;
        result.append(text, from, at - from);
        result += replacement;
        from = at + pattern.size();
    }
    if (from == 0)
        return;
    result.append(text, from, std::string::npos);
    text.swap(result);
}

void EscapeInfoText(std::string& text) {
    ReplaceAll(text, "\\", "\\\\");
    ReplaceAll(text, "\t", "\\t");
    ReplaceAll(text, "\n", "\\n");
    ReplaceAll(text, "\r", "");
}

void UnescapeInfoText(std::string& text) {
    // One pass from the left, so that an escaped backslash followed by "n" or
    // "t" (a typed "C:\new") comes back as typed.
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (text[i] == '\\' && next == 'n') {
            out += "\r\n";
            ++i;
        } else if (text[i] == '\\' && next == 't') {
            out += '\t';
            ++i;
        } else if (text[i] == '\\' && next == '\\') {
            out += '\\';
            ++i;
        } else {
            out += text[i];
        }
    }
    text = std::move(out);
}

std::string EscapeAmpersands(const std::string& text) {
    std::string result = text;
    ReplaceAll(result, "&", "&&");
    return result;
}

bool IsDefaultTrackTitle(const std::string& title) {
    static const char prefix[] = "track ";
    constexpr std::string::size_type prefixLength = sizeof(prefix) - 1;
    if (title.size() <= prefixLength)
        return false;
    for (std::string::size_type i = 0; i < prefixLength; ++i) {
        char c = title[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i])
            return false;
    }
    char digit = title[prefixLength];
    return digit >= '0' && digit <= '9';
}

std::string defaultPlayerCommand(const std::string& modulePath) {
    return formatText("\"%s\" \"%%l\"", modulePath.c_str());
}

void registerAsDefaultPlayer(Registry& registry, const std::string& modulePath,
                             const std::string& subKey, bool overwrite) {
    registry.writeString(RegistryRoot::ClassesRoot, subKey, "", defaultPlayerCommand(modulePath),
                         overwrite);
}

void installAsDefaultPlayer(Registry& registry, const std::string& modulePath) {
    registerAsDefaultPlayer(registry, modulePath, kAudioCdPlayKey, true);
    registerAsDefaultPlayer(registry, modulePath, kCdaFilePlayKey, true);
}

void uninstallAsDefaultPlayer(Registry& registry) {
    registry.writeString(RegistryRoot::ClassesRoot, kAudioCdPlayKey, "", "", true);
    registry.writeString(RegistryRoot::ClassesRoot, kCdaFilePlayKey, "", "", true);
}

std::string installationStateText(Registry& registry, const std::string& modulePath) {
    std::string audioCd = registry.readString(RegistryRoot::ClassesRoot, kAudioCdPlayKey, "", "");
    std::string cdaFile = registry.readString(RegistryRoot::ClassesRoot, kCdaFilePlayKey, "", "");
    auto bothContain = [&](const std::string& part) {
        return audioCd.find(part) != std::string::npos && cdaFile.find(part) != std::string::npos;
    };
    // An unknown (empty) path would match everything.
    if (!modulePath.empty() && bothContain(modulePath))
        return kThisCopyInstalledText;
    if (bothContain("rubo.exe"))
        return "RUBO is installed as the default CD player";
    return "RUBO is NOT installed as the default CD player";
}

} // namespace rubo
