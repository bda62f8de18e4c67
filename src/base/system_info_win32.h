#pragma once

// The operating-system kind from the version call that reports the true
// version whatever the program's manifest says.

#include "base/system_info.h"

#include <windows.h>

namespace rubo {

// RtlGetVersion of ntdll: 0 (STATUS_SUCCESS) when the record was filled.
using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW* info);

// The system's RtlGetVersion, null where ntdll lacks it.
RtlGetVersionFunction systemRtlGetVersion();

// The kind from `rtlGetVersion`; from GetVersionExA when it is null or fails.
OsKind readOsKind(RtlGetVersionFunction rtlGetVersion);

} // namespace rubo
