#include "virtual_drive_client.h"

#include <windows.h>

namespace rubo::test {

int driveControl(const std::string& args) {
    std::string line = "vdrivectl.exe " + args;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi))
        return -1;
    CloseHandle(pi.hThread);
    DWORD code = 255;
    if (WaitForSingleObject(pi.hProcess, 30000) == WAIT_OBJECT_0)
        GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    return static_cast<int>(code);
}

} // namespace rubo::test
