// The one seam between the program and its platform: the program calls the
// Win32 names; on Windows they come from the system, elsewhere from our layer.
#pragma once

#if defined(_WIN32)
#include <windows.h>
#else
#include "posix/win32_api.h"
#endif
