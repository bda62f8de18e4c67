#include "rubo_process_win32.h"

#include "res/resource.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

namespace rubo::test {

namespace {

constexpr DWORD kTextTimeoutMs = 2000;

struct FindWindowData {
    DWORD processId;
    bool wantMain;
    bool hiddenToo;
    HWND found;
};

BOOL CALLBACK findProcessWindow(HWND window, LPARAM param) {
    auto* data = reinterpret_cast<FindWindowData*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != data->processId || (!data->hiddenToo && !IsWindowVisible(window)))
        return TRUE;
    char className[32] = {};
    GetClassNameA(window, className, sizeof className);
    if (std::string(className) != "#32770")
        return TRUE;
    const bool isMain = GetDlgItem(window, IDC_DISPLAY) != nullptr;
    if (isMain == data->wantMain) {
        data->found = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

bool waitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 15, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

RuboProcess::RuboProcess(const std::string& exe, const std::string& directory,
                         const std::string& args)
    : directory_(directory) {
    const std::string target = file("rubo.exe");
    if (!CopyFileA(exe.c_str(), target.c_str(), FALSE))
        return;
    std::string line = "\"" + target + "\"" + (args.empty() ? "" : " " + args);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    startTick_ = GetTickCount();
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        directory_.c_str(), &si, &pi))
        return;
    CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    processId_ = pi.dwProcessId;
}

RuboProcess::~RuboProcess() {
    if (!process_)
        return;
    if (WaitForSingleObject(process_, 0) != WAIT_OBJECT_0) {
        HWND main = mainWindow();
        if (main)
            PostMessageA(main, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(process_, 10000) != WAIT_OBJECT_0)
            TerminateProcess(process_, 1);
    }
    CloseHandle(process_);
}

HWND RuboProcess::mainWindow() const {
    FindWindowData data{processId_, true, false, nullptr};
    EnumWindows(findProcessWindow, reinterpret_cast<LPARAM>(&data));
    return data.found;
}

HWND RuboProcess::control(int id) const {
    FindWindowData data{processId_, true, true, nullptr};
    EnumWindows(findProcessWindow, reinterpret_cast<LPARAM>(&data));
    return data.found ? GetDlgItem(data.found, id) : nullptr;
}

HWND RuboProcess::otherWindow() const {
    FindWindowData data{processId_, false, false, nullptr};
    EnumWindows(findProcessWindow, reinterpret_cast<LPARAM>(&data));
    return data.found;
}

std::string RuboProcess::windowText(HWND window) {
    char text[1024] = {};
    DWORD_PTR copied = 0;
    if (!window ||
        !SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                             SMTO_ABORTIFHUNG, kTextTimeoutMs, &copied))
        return std::string();
    return std::string(text, copied < sizeof text ? copied : sizeof text - 1);
}

std::string RuboProcess::displayText() const {
    return windowText(control(IDC_DISPLAY));
}

bool RuboProcess::click(int id, bool post) {
    HWND button = nullptr;
    if (!waitUntil(
            [&] {
                button = control(id);
                return button && IsWindowEnabled(button);
            },
            10000))
        return false;
    if (post)
        return PostMessageA(button, BM_CLICK, 0, 0) != 0;
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(button, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 5000, &result) != 0;
}

bool RuboProcess::exited(DWORD timeoutMs) {
    return process_ && WaitForSingleObject(process_, timeoutMs) == WAIT_OBJECT_0;
}

DWORD RuboProcess::exitCode() const {
    DWORD code = STILL_ACTIVE;
    if (process_)
        GetExitCodeProcess(process_, &code);
    return code;
}

void RuboProcess::kill() {
    if (process_)
        TerminateProcess(process_, 1);
}

std::string RuboProcess::readFile(const std::string& name) const {
    std::ifstream in(file(name), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void screenshot(HWND window, const std::string& name) {
    char folder[MAX_PATH] = {};
    if (!window || !GetEnvironmentVariableA("RUBO_E2E_SHOTS", folder, sizeof folder))
        return;
    RECT r{};
    GetWindowRect(window, &r);
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    if (width <= 0 || height <= 0)
        return;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && bits) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
        GdiFlush();
        const DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) & ~3u);
        const DWORD size = stride * static_cast<DWORD>(height);
        BITMAPFILEHEADER header{};
        header.bfType = 0x4D42;
        header.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
        header.bfSize = header.bfOffBits + size;
        std::ofstream out(std::string(folder) + "\\" + name + ".bmp", std::ios::binary);
        out.write(reinterpret_cast<const char*>(&header), sizeof header);
        out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof(BITMAPINFOHEADER));
        out.write(static_cast<const char*>(bits), size);
        SelectObject(memory, old);
    }
    if (bitmap)
        DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

} // namespace rubo::test
