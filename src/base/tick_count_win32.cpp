#include "base/tick_count_win32.h"

namespace rubo {

ULONGLONG TickCounter64::now() {
    ULONGLONG last = last_.load();
    for (;;) {
        // Read after the last value given was seen, so never before the
        // reading it holds: the step from that reading is the time passed.
        const DWORD step = read_() - static_cast<DWORD>(last);
        if (last_.compare_exchange_weak(last, last + step))
            return last + step;
    }
}

namespace {

// A function of this file, not kernel32's import, so that the counter below
// is set before any constructor runs.
DWORD WINAPI systemTickCount() {
    return GetTickCount();
}

TickCounter64 xpTickCounter(systemTickCount);

ULONGLONG WINAPI xpTickCount64() {
    return xpTickCounter.now();
}

TickCount64Function resolveTickCount64() {
    // kernel32 is in every process; no reference is taken.
    HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    void* const system =
        kernel32 ? reinterpret_cast<void*>(GetProcAddress(kernel32, "GetTickCount64")) : nullptr;
    return system ? reinterpret_cast<TickCount64Function>(system) : xpTickCount64;
}

// Found at the first call; threads racing there find the same function.
std::atomic<TickCount64Function> resolvedTickCount64{nullptr};

} // namespace

ULONGLONG WINAPI tickCount64() {
    TickCount64Function function = resolvedTickCount64.load(std::memory_order_acquire);
    if (!function) {
        function = resolveTickCount64();
        resolvedTickCount64.store(function, std::memory_order_release);
    }
    return function();
}

} // namespace rubo

// The import pointer libwinpthread calls GetTickCount64 through, under the
// import library's name for it (on i686 with the stdcall decoration).
extern "C" {
#ifdef _WIN64
rubo::TickCount64Function
    ruboImportedTickCount64 __asm__("__imp_GetTickCount64") = rubo::tickCount64;
#else
rubo::TickCount64Function
    ruboImportedTickCount64 __asm__("__imp__GetTickCount64@0") = rubo::tickCount64;
#endif
}
