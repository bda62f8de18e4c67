#include "playback/player_thread.h"

#include <windows.h>

namespace rubo {

struct PlayerRunner::Thread {
    HANDLE handle = nullptr;
    ~Thread() {
        if (handle)
            CloseHandle(handle);
    }
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
    thread->handle = CreateThread(nullptr, 0, playerThreadEntry, &runner, 0, &id);
    if (!thread->handle)
        return nullptr;
    return thread;
}

bool waitPlayerThread(PlayerRunner::Thread& thread, std::uint32_t ms) {
    return WaitForSingleObject(thread.handle, ms) == WAIT_OBJECT_0;
}

void killPlayerThread(PlayerRunner::Thread& thread) {
    TerminateThread(thread.handle, 0);
}

void PlayerRunner::ThreadDeleter::operator()(Thread* thread) const {
    delete thread;
}

} // namespace rubo
