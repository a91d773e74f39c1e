// The checker's "script" command: explain (what DoReg writes, in order, and where it stops),
// lint (the traps of the format) and coverage (what an install followed by the uninstall
// leaves behind, and what the uninstall removes that the script never wrote). Only reads.
#pragma once

#include <string>

#include "check/report.h"

namespace qnd {

struct ScriptOptions {
  std::string file;            // as given; findings name it so
  const char* dir0 = nullptr;  // null: the script's own directory, as RegisterQuindo gives it
  const char* dir4 = nullptr;  // null: none, as RegisterQuindo gives it
};

// Runs the three checks on the script and reports them. kExitErrors when the file cannot be
// read; else the report's exit status.
[[nodiscard]] int CheckScript(const ScriptOptions& options, Report& report);

}  // namespace qnd
