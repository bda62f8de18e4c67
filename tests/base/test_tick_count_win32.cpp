#include <doctest.h>

#include "base/tick_count_win32.h"

#include <windows.h>

using namespace rubo;

namespace {

// A clock that moves on one millisecond at every reading. At one reading it
// lets the counter be read in between, as another thread may.
DWORD fakeTicks = 0;
DWORD interruptAt = 0;
TickCounter64* interrupting = nullptr;

DWORD WINAPI readFakeTicks() {
    const DWORD reading = fakeTicks++;
    if (reading == interruptAt && interrupting)
        interrupting->now();
    return reading;
}

DWORD WINAPI readSystemTicks() {
    return GetTickCount();
}

} // namespace

TEST_CASE("a 32-bit tick count carried on past its wrap, also with a reading in between") {
    const DWORD start = 0xFFFFFFF0u;
    fakeTicks = start;
    interruptAt = start + 8;
    TickCounter64 counter(readFakeTicks);
    interrupting = &counter;
    ULONGLONG previous = 0;
    bool rising = true;
    for (int i = 0; i < 32; ++i) {
        const ULONGLONG now = counter.now();
        rising = rising && now > previous;
        previous = now;
    }
    interrupting = nullptr;
    CHECK(rising);
    // The last reading, past the wrap once.
    CHECK(previous == start + static_cast<ULONGLONG>(static_cast<DWORD>(fakeTicks - start)) - 1);
}

TEST_CASE("GetTickCount64 for the thread runtime: the system's, or GetTickCount carried on") {
    void* const found =
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetTickCount64"));
    REQUIRE(found != nullptr); // as on Vista and later
    const auto system = reinterpret_cast<TickCount64Function>(found);
    TickCounter64 onXp(readSystemTicks);
    const ULONGLONG before = system();
    const ULONGLONG given = tickCount64();
    const ULONGLONG carried = onXp.now();
    const ULONGLONG after = system();
    CHECK(before <= given);
    CHECK(given <= after);
    // Counted from its first reading: the system's count modulo 2^32.
    CHECK(static_cast<DWORD>(carried - before) <= static_cast<DWORD>(after - before));
}
