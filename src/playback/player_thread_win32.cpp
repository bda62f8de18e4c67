#include "playback/player_thread.h"

#include "base/unique_handle_win32.h"

#include <windows.h>

namespace rubo {

struct PlayerRunner::Thread {
    UniqueHandle handle;
};

namespace {

DWORD WINAPI playerThreadEntry(LPVOID argument) {
    static_cast<PlayerRunner*>(argument)->run();
    return 0;
}

} // namespace

PlayerRunner::ThreadPtr startPlayerThread(PlayerRunner& runner) {
    PlayerRunner::ThreadPtr thread(new PlayerRunner::Thread);
    DWORD id = 0;
    thread->handle.reset(CreateThread(nullptr, 0, playerThreadEntry, &runner, 0, &id));
    if (!thread->handle)
        return nullptr;
    return thread;
}

// The worker enables the window's controls, which sends messages to the
// window's thread; so a wait on that thread must keep handling sent
// messages or both threads would block each other until the time-out.
bool waitPlayerThread(PlayerRunner::Thread& thread, std::uint32_t ms) {
    HANDLE handle = thread.handle.get();
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD elapsed = GetTickCount() - start;
        const DWORD left = elapsed >= ms ? 0 : ms - elapsed;
        const DWORD result = MsgWaitForMultipleObjects(1, &handle, FALSE, left, QS_SENDMESSAGE);
        if (result == WAIT_OBJECT_0)
            return true;
        if (result != WAIT_OBJECT_0 + 1)
            return false;
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

void killPlayerThread(PlayerRunner::Thread& thread) {
    TerminateThread(thread.handle.get(), 1);
}

void PlayerRunner::ThreadDeleter::operator()(Thread* thread) const {
    delete thread;
}

} // namespace rubo
