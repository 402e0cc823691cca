#pragma once

#include "win32_api.h"

#include <climits>

// Records errno as the Win32 error the caller would see on Windows; returns FALSE.
BOOL fail_with_errno(int error);
BOOL fail_with(DWORD error);

// A Win32 path converted for the system; false (with the error set) when it
// cannot be.
bool posix_path_of(LPCSTR windows_path, char (&out)[PATH_MAX]);
