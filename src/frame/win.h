// The platform headers of the library, and the unbounded string functions it may not use.
// Include this instead of <windows.h>, after any other system header.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdio>  // read before the names are poisoned: <string>, <memory> and their kin read it
#include <cstring>

#include "qndsetup.h"

// Every copy goes through FixedStr; these cannot say when they overrun.
#if defined(__GNUC__)
#pragma GCC poison strcpy strcat sprintf lstrcpyA lstrcatA
#endif
