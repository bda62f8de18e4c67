// The Windows side of tools/bench/idle-bench, which measures the CPU time of
// rubo.exe at rest under Wine against a floor program:
//   idle_bench floor            the floor: a window with a 100 ms timer that
//                               redraws its text once a second, until closed
//   idle_bench wait TEXT [S]    waits up to S seconds (60) until rubo.exe's
//                               display shows TEXT; exit code 1 when not
//   idle_bench close            closes rubo.exe's main window or the floor
//   idle_bench park             puts the mouse pointer in the screen's
//                               bottom-right corner, away from both windows
#include "res/resource.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr char kFloorClass[] = "RuboIdleBenchFloor";
constexpr UINT_PTR kTimerId = 1;
constexpr UINT kTickMs = 100;
constexpr int kTicksPerRedraw = 10;
constexpr DWORD kPollMs = 100;
constexpr int kDefaultWaitSeconds = 60;
constexpr int kTextSize = 1024;

int ticks = 0;
char floorText[64] = "0:00";

LRESULT CALLBACK floorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_TIMER:
        if (++ticks % kTicksPerRedraw == 0) {
            const int seconds = ticks / kTicksPerRedraw;
            std::snprintf(floorText, sizeof floorText, "%d:%02d", seconds / 60, seconds % 60);
            InvalidateRect(window, nullptr, TRUE);
        }
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT client;
        GetClientRect(window, &client);
        DrawTextA(dc, floorText, -1, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

int runFloor() {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = floorProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kFloorClass;
    if (!RegisterClassA(&windowClass))
        return 1;
    HWND window = CreateWindowExA(0, kFloorClass, "Idle floor", WS_OVERLAPPEDWINDOW, 100, 100, 440,
                                  160, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (!window)
        return 1;
    ShowWindow(window, SW_SHOWNORMAL);
    SetTimer(window, kTimerId, kTickMs, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}

BOOL CALLBACK findRubo(HWND window, LPARAM param) {
    if (GetDlgItem(window, IDC_DISPLAY) != nullptr) {
        *reinterpret_cast<HWND*>(param) = window;
        return FALSE;
    }
    return TRUE;
}

HWND ruboWindow() {
    HWND found = nullptr;
    EnumWindows(findRubo, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::string displayText() {
    HWND window = ruboWindow();
    if (!window)
        return std::string();
    char text[kTextSize] = {};
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(GetDlgItem(window, IDC_DISPLAY), WM_GETTEXT, sizeof text,
                             reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 1000, &copied))
        return std::string();
    return text;
}

int waitForText(const char* wanted, int seconds) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < static_cast<DWORD>(seconds) * 1000) {
        if (displayText().find(wanted) != std::string::npos)
            return 0;
        Sleep(kPollMs);
    }
    std::printf("idle_bench: the display never showed \"%s\"; it shows \"%s\"\n", wanted,
                displayText().c_str());
    return 1;
}

int closeWindow() {
    HWND window = ruboWindow();
    if (!window)
        window = FindWindowA(kFloorClass, nullptr);
    if (!window)
        return 1;
    PostMessageA(window, WM_CLOSE, 0, 0);
    return 0;
}

int parkPointer() {
    return SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1) ? 0
                                                                                              : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "floor") == 0)
        return runFloor();
    if (argc >= 3 && std::strcmp(argv[1], "wait") == 0)
        return waitForText(argv[2], argc > 3 ? std::atoi(argv[3]) : kDefaultWaitSeconds);
    if (argc >= 2 && std::strcmp(argv[1], "close") == 0)
        return closeWindow();
    if (argc >= 2 && std::strcmp(argv[1], "park") == 0)
        return parkPointer();
    std::printf("usage: idle_bench floor | wait TEXT [SECONDS] | close | park\n");
    return 2;
}
