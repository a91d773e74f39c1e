// The Office applications as the plan sees them, and InstallOfficeSupport (qndsetup.h), which
// carries out the plan (office_plan.h) step by step: each step one change to the machine.
#pragma once

#include "frame/trace.h"
#include "office/office_plan.h"

namespace qnd {

// True when a top-level window of class `window_class` exists.
[[nodiscard]] bool WindowClassOpen(const char* window_class);

// True when the component's application is there: its presence key opens.
[[nodiscard]] bool IsOfficeAppPresent(const OfficeComponent& component);

// True when a window of any of the component's classes is open.
[[nodiscard]] bool IsOfficeAppRunning(const OfficeComponent& component);

// The directory of the executable of the process that loaded the library (without trailing
// backslash), into `dir`. False when its file name does not fit 1024 bytes.
[[nodiscard]] bool DefaultSourceDir(LongPathStr& dir);

// Carries out one step of a plan: true when the change was made. A Stop fails. Each change, or
// why it failed, goes into `trace`.
[[nodiscard]] bool CarryOutStep(const OfficeStep& step, Trace& trace);

}  // namespace qnd
