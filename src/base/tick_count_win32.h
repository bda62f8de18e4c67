#pragma once

// GetTickCount64 for Windows XP, which lacks it. The static thread runtime of
// MinGW-w64 (libwinpthread) calls it through its import pointer; this file's
// .cpp defines that pointer, and the link pulls it in ahead of libkernel32
// (src/CMakeLists.txt), so rubo.exe does not import the function and starts
// on XP.

#include <windows.h>

#include <atomic>

namespace rubo {

using TickCount32Function = DWORD(WINAPI*)();
using TickCount64Function = ULONGLONG(WINAPI*)();

// A 32-bit millisecond counter carried on past its wrap after 49.7 days: each
// reading adds the time since the last one given (modulo 2^32), so the count
// is right as long as two readings are less than 49.7 days apart. Safe to
// call from any thread; starts at the first reading.
class TickCounter64 {
public:
    explicit constexpr TickCounter64(TickCount32Function read) : read_(read) {}
    ULONGLONG now();

private:
    TickCount32Function read_;
    std::atomic<ULONGLONG> last_{0};
};

// The system's GetTickCount64 where kernel32 has it (Vista and later),
// otherwise GetTickCount carried on by a TickCounter64.
ULONGLONG WINAPI tickCount64();

} // namespace rubo
