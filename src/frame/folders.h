// Folder codes resolved to directories on this machine: GetFolder, and the library's own use of
// it for the macros of registry scripts.
#pragma once

#include "frame/trace.h"

namespace qnd {

// GetFolder's work: the directory of the folder code in the low 8 bits of `code` into `dir`, as
// GetFolder gives it. False for an unassigned code or when the platform cannot give the
// directory; the trace says which.
[[nodiscard]] bool FolderPath(int code, PathStr& dir, Trace& trace);

}  // namespace qnd
