// Which family of Windows runs the library. The few places where Windows 95, 98 and ME behave
// otherwise than the NT family (NT 4.0, 2000 to 11) decide by it; docs/platforms.md lists each
// with its source.
#pragma once

#include "frame/win.h"

namespace qnd {

// True on Windows 95, 98 and ME: GetVersion sets its high bit there and clears it on the NT
// family.
[[nodiscard]] inline bool OnWindows9x() { return (GetVersion() & 0x80000000UL) != 0; }

}  // namespace qnd
