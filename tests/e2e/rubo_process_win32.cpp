#include "rubo_process_win32.h"

#include "res/resource.h"

#include <fstream>

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
    if (!exe.empty() && !CopyFileA(exe.c_str(), target.c_str(), FALSE)) {
        copyError_ = "CopyFileA " + exe + " failed: error " + std::to_string(GetLastError());
        return;
    }
    startTick_ = GetTickCount();
    process_.emplace(
        ChildProcess::Command{"\"" + target + "\"" + (args.empty() ? "" : " " + args), directory_});
}

RuboProcess::~RuboProcess() {
    // Closed as a user would; ended by force when that takes over 10 s.
    if (started() && !exited(0)) {
        HWND main = mainWindow();
        if (main)
            PostMessageA(main, WM_CLOSE, 0, 0);
        exited(10000);
    }
}

std::string RuboProcess::startError() const {
    return process_ ? process_->startError() : copyError_;
}

HWND RuboProcess::findWindow(bool wantMain, bool hiddenToo) const {
    if (!started())
        return nullptr;
    FindWindowData data{static_cast<DWORD>(process_->id()), wantMain, hiddenToo, nullptr};
    EnumWindows(findProcessWindow, reinterpret_cast<LPARAM>(&data));
    return data.found;
}

HWND RuboProcess::mainWindow() const {
    return findWindow(true, false);
}

HWND RuboProcess::control(int id) const {
    HWND main = findWindow(true, true);
    return main ? GetDlgItem(main, id) : nullptr;
}

HWND RuboProcess::otherWindow() const {
    return findWindow(false, false);
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
    return started() && process_->waitFor(std::chrono::milliseconds(timeoutMs));
}

int RuboProcess::exitCode() {
    return started() ? process_->wait() : -1;
}

// Read as a well-behaved reader does, sharing every right: a read that
// lets no one delete would make RUBO's replacement of the file fail.
std::string RuboProcess::readFile(const std::string& name) const {
    HANDLE file = CreateFileA(this->file(name).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::string();
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

void screenshot(HWND window, const std::string& name, HWND alsoShown) {
    const std::string folder = environmentText("RUBO_E2E_SHOTS");
    if (!window || folder.empty())
        return;
    RECT r{};
    GetWindowRect(window, &r);
    RECT other{};
    if (alsoShown && GetWindowRect(alsoShown, &other))
        UnionRect(&r, &r, &other);
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    if (width <= 0 || height <= 0)
        return;
    // The window's pending paints (its owner paints only when its queue is
    // empty), done before the screen is read.
    RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
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
        std::ofstream out(folder + "\\" + name + ".bmp", std::ios::binary);
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
