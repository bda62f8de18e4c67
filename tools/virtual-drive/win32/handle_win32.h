#pragma once

// Owners of Win32 handles. Include after <windows.h>.
#ifndef _WINDOWS_
#error "include <windows.h> first"
#endif

#include <utility>

namespace rubo::vdrive::win32 {

// A kernel handle closed with CloseHandle; both null and
// INVALID_HANDLE_VALUE count as no handle.
class Handle {
public:
    Handle() = default;
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() { reset(); }
    Handle(Handle&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
    Handle& operator=(Handle&& o) noexcept {
        if (this != &o) {
            reset();
            h_ = std::exchange(o.h_, nullptr);
        }
        return *this;
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    bool valid() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return h_; }
    void reset(HANDLE h = nullptr) {
        if (valid())
            CloseHandle(h_);
        h_ = h;
    }

private:
    HANDLE h_ = nullptr;
};

// A view of a file mapping.
class MappedView {
public:
    MappedView() = default;
    explicit MappedView(void* p) : p_(p) {}
    ~MappedView() { reset(); }
    MappedView(MappedView&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    MappedView& operator=(MappedView&& o) noexcept {
        if (this != &o) {
            reset();
            p_ = std::exchange(o.p_, nullptr);
        }
        return *this;
    }
    MappedView(const MappedView&) = delete;
    MappedView& operator=(const MappedView&) = delete;

    void* get() const { return p_; }
    void reset() {
        if (p_)
            UnmapViewOfFile(p_);
        p_ = nullptr;
    }

private:
    void* p_ = nullptr;
};

// A loaded module.
class Library {
public:
    explicit Library(HMODULE m = nullptr) : m_(m) {}
    ~Library() {
        if (m_)
            FreeLibrary(m_);
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    HMODULE get() const { return m_; }

private:
    HMODULE m_ = nullptr;
};

} // namespace rubo::vdrive::win32
