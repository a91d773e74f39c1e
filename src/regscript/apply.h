// Applying registry scripts: the writing of one entry. The exports DoReg and RegisterQuindo
// (qndsetup.h) walk a whole script with it.
#pragma once

#include "frame/trace.h"
#include "regscript/script_io.h"

namespace qnd {

// Writes the value of entry `entry_name` = `data` of key section `section_name`. True when it
// was written, or when the section names no root key (skipped as a success); false when a macro
// fails, a text is over its 511 characters, or the registry refuses the key or the value. The
// trace gets the key it created, the value, or why the entry failed, and the directories of
// `record` its macros read.
[[nodiscard]] bool ApplyEntry(const char* section_name, const char* entry_name, const char* data,
                              PathRecord& record, Trace& trace);

}  // namespace qnd
