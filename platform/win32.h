// The one door to the outside world: the Win32 subset that Quendle's code is written against.
// On Windows it is the system itself; elsewhere platform/posix supplies the same declarations.
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <commdlg.h>
#else
#include "posix/win32_subset.h"
#endif
