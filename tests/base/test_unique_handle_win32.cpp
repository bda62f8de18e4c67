#include <doctest.h>

#include "base/unique_handle_win32.h"

#include <cstdint>
#include <utility>
#include <vector>

using namespace rubo;

namespace {

std::vector<HANDLE> closedHandles;

BOOL WINAPI recordClose(HANDLE handle) {
    closedHandles.push_back(handle);
    return TRUE;
}

// The same rules as UniqueHandle, with the closes recorded.
using RecordedHandle = UniqueResource<HANDLE, &recordClose, NullOrInvalidIsNone>;

HANDLE fakeHandle(std::uintptr_t value) {
    return reinterpret_cast<HANDLE>(value);
}

bool isOpen(HANDLE handle) {
    DWORD flags = 0;
    return GetHandleInformation(handle, &flags) != 0;
}

} // namespace

TEST_CASE("a handle owner closes each handle once and counts INVALID_HANDLE_VALUE as none") {
    closedHandles.clear();
    {
        RecordedHandle none(INVALID_HANDLE_VALUE);
        CHECK_FALSE(none.valid());
        CHECK_FALSE(static_cast<bool>(none));

        RecordedHandle first(fakeHandle(0x10));
        RecordedHandle moved(std::move(first));
        CHECK(first.get() == nullptr);
        CHECK(moved.get() == fakeHandle(0x10));
        CHECK(closedHandles.empty());

        RecordedHandle target(fakeHandle(0x20));
        target = std::move(moved);
        CHECK(moved.get() == nullptr);
        REQUIRE(closedHandles.size() == 1);
        CHECK(closedHandles[0] == fakeHandle(0x20));

        target.reset(fakeHandle(0x30));
        REQUIRE(closedHandles.size() == 2);
        CHECK(closedHandles[1] == fakeHandle(0x10));
        CHECK(target.release() == fakeHandle(0x30));
        CHECK_FALSE(target.valid());
    }
    // The emptied owners and the one holding INVALID_HANDLE_VALUE closed nothing.
    CHECK(closedHandles.size() == 2);

    UniqueHandle event(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    REQUIRE(event.valid());
    const HANDLE old = event.get();
    event.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    CHECK_FALSE(isOpen(old));
    CHECK(isOpen(event.get()));
}
