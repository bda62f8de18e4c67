#include "base/system_info_win32.h"

#include "base/unique_handle_win32.h"

#include <windows.h>

#include <cstring>

namespace rubo {

namespace {

constexpr DWORD kModulePathChars = 500;
constexpr DWORD kUserNameChars = 499;
constexpr DWORD kErrorTextChars = 1000;
constexpr DWORD kTokenGroupsBytes = 1024;
constexpr DWORD kRegistryValueBytes = 1024;

OsKind versionExKind() {
    OSVERSIONINFOA info;
    std::memset(&info, 0, sizeof(info));
    info.dwOSVersionInfoSize = sizeof(info);
#if defined(_MSC_VER)
#pragma warning(push)
#pragma warning(disable : 4996)
#elif defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
    BOOL ok = GetVersionExA(&info);
#if defined(_MSC_VER)
#pragma warning(pop)
#elif defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
    if (!ok)
        return kOsUnknown;
    return osKindFromVersion(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion,
                             info.dwBuildNumber);
}

} // namespace

RtlGetVersionFunction systemRtlGetVersion() {
    // ntdll is in every process; no reference is taken.
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    if (!ntdll)
        return nullptr;
    return reinterpret_cast<RtlGetVersionFunction>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")));
}

OsKind readOsKind(RtlGetVersionFunction rtlGetVersion) {
    if (rtlGetVersion) {
        OSVERSIONINFOW info;
        std::memset(&info, 0, sizeof(info));
        info.dwOSVersionInfoSize = sizeof(info);
        if (rtlGetVersion(&info) == 0)
            return osKindFromVersion(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion,
                                     info.dwBuildNumber);
    }
    return versionExKind();
}

namespace {

class Win32SystemInfo : public SystemInfo {
public:
    std::string modulePath() const override {
        char buffer[kModulePathChars];
        DWORD length = GetModuleFileNameA(nullptr, buffer, kModulePathChars);
        if (length == 0 || length > kModulePathChars)
            return std::string();
        return std::string(buffer, length);
    }

    OsKind osKind() const override { return readOsKind(systemRtlGetVersion()); }

    std::string userName() const override {
        char buffer[kUserNameChars];
        DWORD size = kUserNameChars;
        if (!GetUserNameA(buffer, &size))
            return "?";
        std::size_t length = 0;
        while (length < kUserNameChars && buffer[length] != '\0')
            ++length;
        return std::string(buffer, length);
    }

    bool isAdministrator() const override {
        UniqueHandle token;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_READ, token.put()))
            return false;
        alignas(TOKEN_GROUPS) BYTE buffer[kTokenGroupsBytes];
        DWORD returned = 0;
        BOOL ok = GetTokenInformation(token.get(), TokenGroups, buffer, sizeof(buffer), &returned);
        token.reset();
        if (!ok)
            return false;

        SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
        UniqueSid administrators;
        if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                      DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                      administrators.put()))
            return false;

        const TOKEN_GROUPS* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer);
        for (DWORD i = 0; i < groups->GroupCount; ++i) {
            if (EqualSid(administrators.get(), groups->Groups[i].Sid))
                return true;
        }
        return false;
    }

    std::string lastErrorText() const override {
        DWORD code = GetLastError();
        char buffer[kErrorTextChars];
        DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                      buffer, kErrorTextChars, nullptr);
        if (length == 0 || length >= kErrorTextChars)
            return std::string();
        return std::string(buffer, length);
    }
};

HKEY rootKey(RegistryRoot root) {
    switch (root) {
    case RegistryRoot::ClassesRoot:
        return HKEY_CLASSES_ROOT;
    case RegistryRoot::CurrentUser:
        return HKEY_CURRENT_USER;
    case RegistryRoot::LocalMachine:
        return HKEY_LOCAL_MACHINE;
    }
    return HKEY_CLASSES_ROOT;
}

void setStringValue(HKEY key, const std::string& valueName, const std::string& text) {
    RegSetValueExA(key, valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
}

class Win32Registry : public Registry {
public:
    std::string readString(RegistryRoot root, const std::string& subKey,
                           const std::string& valueName, const std::string& defaultText) override {
        UniqueRegKey key;
        if (RegOpenKeyExA(rootKey(root), subKey.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS)
            return defaultText;
        BYTE buffer[kRegistryValueBytes];
        DWORD type = 0;
        DWORD size = sizeof(buffer);
        if (RegQueryValueExA(key.get(), valueName.c_str(), nullptr, &type, buffer, &size) !=
            ERROR_SUCCESS)
            return defaultText;
        if ((type != REG_SZ && type != REG_EXPAND_SZ) || size > sizeof(buffer))
            return defaultText;
        // The stored data need not end in a terminator.
        const char* text = reinterpret_cast<const char*>(buffer);
        std::size_t length = 0;
        while (length < size && text[length] != '\0')
            ++length;
        return std::string(text, length);
    }

    void writeString(RegistryRoot root, const std::string& subKey, const std::string& valueName,
                     const std::string& text, bool overwrite) override {
        UniqueRegKey key;
        if (RegOpenKeyExA(rootKey(root), subKey.c_str(), 0, KEY_ALL_ACCESS, key.put()) ==
            ERROR_SUCCESS) {
            if (overwrite)
                setStringValue(key.get(), valueName, text);
            return;
        }
        char emptyClass[] = "";
        UniqueRegKey created;
        if (RegCreateKeyExA(rootKey(root), subKey.c_str(), 0, emptyClass, REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, created.put(), nullptr) != ERROR_SUCCESS)
            return;
        setStringValue(created.get(), valueName, text);
    }
};

Win32SystemInfo win32SystemInfo;
Win32Registry win32Registry;

} // namespace

SystemInfo& systemInfo() {
    return win32SystemInfo;
}

Registry& systemRegistry() {
    return win32Registry;
}

} // namespace rubo
