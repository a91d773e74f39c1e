// Folder codes resolved to directories on this machine: GetFolder, and the library's own use of
// it for the macros of registry scripts.
#pragma once

#include "frame/trace.h"

namespace qnd {

// GetFolder's work: the directory of the folder code in the low 8 bits of `code` into `buffer`
// (260 characters). False for an unassigned code (buffer untouched) or when the platform cannot
// give the directory; the trace says which.
bool FolderPath(int code, char* buffer, Trace& trace);

}  // namespace qnd
