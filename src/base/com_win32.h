#pragma once

// COM on the handle owner: one reference to an interface, released when
// its owner goes, and the apartment a thread holds while it uses COM.

#include "base/unique_handle_win32.h"

#include <objbase.h>

namespace rubo {

template <typename T> struct ComReleaseTraits {
    using Type = T*;
    static T* none() { return nullptr; }
    static bool isNone(T* object) { return object == nullptr; }
    void close(T* object) const { object->Release(); }
};

template <typename T> class ComPtr : public UniqueAny<ComReleaseTraits<T>> {
public:
    using UniqueAny<ComReleaseTraits<T>>::UniqueAny;

    T* operator->() const noexcept { return this->get(); }
    // For the void** of CoCreateInstance and QueryInterface: releases the
    // one held first.
    void** putVoid() noexcept { return reinterpret_cast<void**>(this->put()); }
};

// COM for the calling thread (a single-threaded apartment) while the guard
// lives. A thread already in the other apartment kind can use in-process
// objects too; it is left as it is.
class ComApartment {
public:
    ComApartment() {
        const HRESULT result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        owned_ = SUCCEEDED(result);
        usable_ = owned_ || result == RPC_E_CHANGED_MODE;
    }
    ~ComApartment() {
        if (owned_)
            CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    bool usable() const { return usable_; }

private:
    bool owned_ = false;
    bool usable_ = false;
};

} // namespace rubo
