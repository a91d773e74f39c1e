// The checker's "office" command: what InstallOfficeSupport would find and do for the current
// user, found with the library's own read-only inspection, without doing any of it.
#pragma once

#include "check/report.h"

namespace qnd {

struct OfficeOptions {
  const char* source_dir = nullptr;  // the folder of the component files; null: not checked
};

// Reports the Office 7.0 applications, their components, Word's start-up directory, Excel's
// add-in values and what the installation would remove and write. The report's exit status.
[[nodiscard]] int CheckOffice(const OfficeOptions& options, Report& report);

}  // namespace qnd
