#pragma once

// One owner for every kind of Win32 handle: movable, not copyable, closed
// when it goes out of scope or is replaced.

#include <windows.h>

#include <utility>

namespace rubo {

// What a handle owner needs to know of its handle type (the traits):
//   using Type = ...;                  the handle type
//   static Type none();                the value an empty owner holds
//   static bool isNone(Type handle);   true for every value that is no handle
//   void close(Type handle) const;     frees a handle that is not none
// The traits object may hold state (the window of a DC, a close function);
// it moves with the handle.
template <typename Traits> class UniqueAny : private Traits {
public:
    using Type = typename Traits::Type;

    UniqueAny() noexcept : handle_(Traits::none()) {}
    explicit UniqueAny(Type handle) noexcept : handle_(handle) {}
    UniqueAny(Type handle, const Traits& traits) noexcept : Traits(traits), handle_(handle) {}
    ~UniqueAny() { reset(); }

    UniqueAny(UniqueAny&& other) noexcept
        : Traits(static_cast<Traits&&>(other)), handle_(other.release()) {}
    UniqueAny& operator=(UniqueAny&& other) noexcept {
        if (this != &other) {
            reset(other.release());
            static_cast<Traits&>(*this) = static_cast<Traits&&>(other);
        }
        return *this;
    }
    UniqueAny(const UniqueAny&) = delete;
    UniqueAny& operator=(const UniqueAny&) = delete;

    Type get() const noexcept { return handle_; }
    bool valid() const noexcept { return !Traits::isNone(handle_); }
    explicit operator bool() const noexcept { return valid(); }

    // Closes the handle held (if any) and takes `handle`.
    void reset(Type handle = Traits::none()) noexcept {
        const Type old = std::exchange(handle_, handle);
        if (!Traits::isNone(old))
            Traits::close(old);
    }
    // Gives the handle up without closing it.
    Type release() noexcept { return std::exchange(handle_, Traits::none()); }
    // For functions that return a handle through a pointer: closes the one
    // held first.
    Type* put() noexcept {
        reset();
        return &handle_;
    }

    const Traits& traits() const noexcept { return *this; }

private:
    Type handle_;
};

// The values that count as no handle.
struct NullIsNone {
    template <typename T> static bool isNone(T handle) { return handle == T{}; }
};
struct NullOrInvalidIsNone {
    static bool isNone(HANDLE handle) {
        return handle == nullptr || handle == INVALID_HANDLE_VALUE;
    }
};

// Traits of a handle freed by one function.
template <typename T, auto Close, typename None = NullIsNone> struct CloseWith {
    using Type = T;
    static T none() { return T{}; }
    static bool isNone(T handle) { return None::isNone(handle); }
    void close(T handle) const { Close(handle); }
};

template <typename T, auto Close, typename None = NullIsNone>
using UniqueResource = UniqueAny<CloseWith<T, Close, None>>;

// Kernel objects: files, events, mutexes, semaphores, threads, mappings.
using UniqueHandle = UniqueResource<HANDLE, &CloseHandle, NullOrInvalidIsNone>;
// GDI objects.
template <typename T = HGDIOBJ> using UniqueGdiObject = UniqueResource<T, &DeleteObject>;
using UniqueFont = UniqueGdiObject<HFONT>;
using UniqueBitmap = UniqueGdiObject<HBITMAP>;
using UniqueBrush = UniqueGdiObject<HBRUSH>;
using UniqueIcon = UniqueResource<HICON, &DestroyIcon>;
using UniqueCursor = UniqueResource<HCURSOR, &DestroyCursor>;
// A memory DC (CreateCompatibleDC, CreateDC).
using UniqueDc = UniqueResource<HDC, &DeleteDC>;
using UniqueMenu = UniqueResource<HMENU, &DestroyMenu>;
// Global memory (GlobalAlloc); released once the clipboard has taken it.
using UniqueGlobal = UniqueResource<HGLOBAL, &GlobalFree>;
using UniqueModule = UniqueResource<HMODULE, &FreeLibrary>;
using UniqueMappedView = UniqueResource<void*, &UnmapViewOfFile>;
using UniqueRegKey = UniqueResource<HKEY, &RegCloseKey>;
using UniqueSid = UniqueResource<PSID, &FreeSid>;

// A DC from GetDC, given back to its window.
struct WindowDcTraits {
    using Type = HDC;
    static HDC none() { return nullptr; }
    static bool isNone(HDC dc) { return dc == nullptr; }
    void close(HDC dc) const { ReleaseDC(window, dc); }
    HWND window = nullptr;
};
using UniqueWindowDc = UniqueAny<WindowDcTraits>;

} // namespace rubo
