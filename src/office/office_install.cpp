// The Office applications, the steps of an installation, and the export InstallOfficeSupport
// (office_install.h).
#include "office/office_install.h"

#include "frame/trace.h"
#include "office/office_registry.h"

namespace qnd {
namespace {

// Copies component file `from` over `to`. False when the copy fails or there is no `to`.
bool CopyComponentFile(const char* from, const char* to) {
  return *to && CopyFileA(from, to, FALSE);
}

}  // namespace

bool WindowClassOpen(const char* window_class) {
  return FindWindowA(window_class, nullptr) != nullptr;
}

bool IsOfficeAppPresent(const OfficeComponent& component) {
  UniqueKey key;
  return OpenUserKey(component.presence_key, key);
}

bool IsOfficeAppRunning(const OfficeComponent& component) {
  for (const char* window_class : component.window_classes) {
    if (window_class && WindowClassOpen(window_class)) return true;
  }
  return false;
}

bool DefaultSourceDir(LongPathStr& dir) {
  const DWORD n = GetModuleFileNameA(nullptr, dir.data(), kLongPathChars);
  if (n == 0 || n >= kLongPathChars) return false;
  dir.adopt();
  return CutAtLastBackslash(dir);
}

bool CarryOutStep(const OfficeStep& step) {
  switch (step.kind) {
    case StepKind::DeleteOldTemplate:
    case StepKind::DeleteTemplate: return DeleteFileA(step.path);
    case StepKind::DeleteOldAddIn:
    case StepKind::DeleteAddInValue: return DeleteAddInValue(step.slot);
    case StepKind::CreateStartupDir: return CreateDirectoryA(step.path, nullptr);
    case StepKind::WriteAddInValue: return WriteAddInValue(step.path);
    case StepKind::Copy: return CopyComponentFile(step.from, step.path);
    case StepKind::WriteMarker: return WriteFirstCallMarker();
    default: return false;  // a stop
  }
}

}  // namespace qnd

// InstallOfficeSupport(source_dir): removes the older Word template, then the older Excel
// add-in value, then installs the component of each present Office application from
// `source_dir` (null: the directory of the host program's executable; relative: made absolute
// from the current directory first, 0 before anything changes when that fails or does not fit
// 1023 characters). Works out the plan first and carries it out in its order; a step the plan
// foresees to fail is not tried. 1 when all three phases succeeded; 0 at the first failing
// phase (the later ones do not run, nothing is undone).
extern "C" int __stdcall InstallOfficeSupport(const char* source_dir) {
  using namespace qnd;
  Trace trace("InstallOfficeSupport", {source_dir});
  OfficePlan plan;
  PlanOfficeSupport(source_dir, true, plan);
  return trace.Return(RunOfficePlan(plan, [](const OfficeStep& step) {
    return step.fault == OfficeFault::None && CarryOutStep(step);
  }));
}
