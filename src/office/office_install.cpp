// The Office applications, the steps of an installation, and the export InstallOfficeSupport
// (office_install.h).
#include "office/office_install.h"

#include "frame/path_join.h"
#include "frame/trace.h"
#include "office/office_registry.h"

namespace qnd {
namespace {

// Copies component file `from` over `to`. False when the copy fails or there is no `to`.
[[nodiscard]] bool CopyComponentFile(const char* from, const char* to) {
  return *to && CopyFileA(from, to, FALSE);
}

// Traces a step the plan foresees to fail: why the call gives 0, or, for the removal of an
// installed part, that the installation follows anyway.
void TraceFault(const OfficeStep& step, Trace& trace) {
  const char* component = step.component ? step.component->application : "the call";
  if (step.scope == StepScope::Nothing) {
    trace.Step("%s: %s; installed anew all the same", component, OfficeFaultRule(step.fault));
  } else {
    trace.Refusal("%s: %s \"%s\"", component, OfficeFaultRule(step.fault), step.path);
  }
}

// Traces the outcome of a registry step, `what` done by `function`, on value `name` of
// HKEY_CURRENT_USER\`key`, with `data` when one is set (the root's name is an argument of the
// format: the two lines hold it once).
[[nodiscard]] bool TraceValue(Trace& trace, const OfficeStep& step, LONG status,
                              const char* function, const char* what, const char* key,
                              const char* name, const char* data) {
  if (status == ERROR_SUCCESS) {
    const char* root = "HKEY_CURRENT_USER";
    if (*data) {
      trace.Step("value %s \"%s\\\\%s\" \"%s\" = REG_SZ \"%s\"", what, root, key, name, data);
    } else {
      trace.Step("value %s \"%s\\\\%s\" \"%s\"", what, root, key, name);
    }
  } else if (step.scope == StepScope::Nothing) {
    trace.Step(CallError{function, static_cast<DWORD>(status)}, "value \"%s\" of \"%s\" stays",
               name, key);
  } else {
    trace.Refusal(CallError{function, static_cast<DWORD>(status)}, "value \"%s\" of \"%s\" not %s",
                  name, key, what);
  }
  return status == ERROR_SUCCESS;
}

// Traces the outcome of a file step on `path`: `done` by `function`, a `noun` (file, directory)
// that is `verb` (deleted, created, copied).
[[nodiscard]] bool TraceFile(Trace& trace, const OfficeStep& step, bool done, const char* function,
                             const char* noun, const char* verb) {
  if (done) {
    if (*step.from) {
      trace.Step("%s %s \"%s\" from \"%s\"", noun, verb, step.path, step.from);
    } else {
      trace.Step("%s %s \"%s\"", noun, verb, step.path);
    }
  } else if (step.scope == StepScope::Nothing) {
    trace.Step(LastError{function}, "%s \"%s\" stays", noun, step.path);
  } else {
    trace.Refusal(LastError{function}, "%s \"%s\" not %s", noun, step.path, verb);
  }
  return done;
}

// Looks for the windows of `step` now: false, with why in the trace, when one is open.
[[nodiscard]] bool LookForWindows(const OfficeStep& step, Trace& trace) {
  for (const char* window_class : step.windows) {
    if (!window_class || !WindowClassOpen(window_class)) continue;
    if (step.scope == StepScope::Removal) {  // the removal it guards is not made
      trace.Step("%s counts as running: a window of class \"%s\" is open", step.path, window_class);
    } else {
      trace.Refusal("%s counts as running: a window of class \"%s\" is open", step.path,
                    window_class);
    }
    return false;
  }
  return true;
}

}  // namespace

bool WindowClassOpen(const char* window_class) {
  return FindWindowA(window_class, nullptr) != nullptr;
}

bool IsOfficeAppPresent(const OfficeComponent& component) {
  return static_cast<bool>(OpenUserKey(component.presence_key));
}

bool IsOfficeAppRunning(const OfficeComponent& component) {
  for (const char* window_class : component.window_classes) {
    if (window_class && WindowClassOpen(window_class)) return true;
  }
  return false;
}

bool DefaultSourceDir(LongPathStr& dir) {
  const auto read = [](char* to, unsigned room) { return GetModuleFileNameA(nullptr, to, room); };
  return FillSized(dir, read) && CutAtLastBackslash(dir);
}

bool CarryOutStep(const OfficeStep& step, Trace& trace) {
  OpenName name;
  (void)OpenValueName(step.slot, name);  // a value step names its slot; others have none: ""
  switch (step.kind) {
    case StepKind::LookForWindows: return LookForWindows(step, trace);
    case StepKind::DeleteOldTemplate:
    case StepKind::DeleteTemplate:
      return TraceFile(trace, step, DeleteFileA(step.path), "DeleteFileA", "file", "deleted");
    case StepKind::DeleteOldAddIn:
    case StepKind::DeleteAddInValue:
      return TraceValue(trace, step, DeleteAddInValue(step.slot), "RegDeleteValueA", "deleted",
                        kExcelOptionsKey, name.c_str(), "");
    case StepKind::CreateStartupDir:
      return TraceFile(trace, step, CreateDirectoryA(step.path, nullptr), "CreateDirectoryA",
                       "directory", "created");
    case StepKind::WriteAddInValue: {
      const LONG status = WriteAddInValue(step.path, name);
      return TraceValue(trace, step, status, "RegSetValueExA", "set", kExcelOptionsKey,
                        name.c_str(), step.path);
    }
    case StepKind::Copy:
      return TraceFile(trace, step, CopyComponentFile(step.from, step.path), "CopyFileA", "file",
                       "copied");
    case StepKind::WriteMarker:
      return TraceValue(trace, step, WriteFirstCallMarker(), "RegSetValueExA", "set", kMarkerKey,
                        kMarkerValue, kMarkerData);
    case StepKind::Stop: return false;
  }
  return false;
}

}  // namespace qnd

// InstallOfficeSupport: see qndsetup.h.
extern "C" int __stdcall InstallOfficeSupport(const char* source_dir) {
  using namespace qnd;
  Trace trace("InstallOfficeSupport", {source_dir});
  OfficePlan plan;
  PlanOfficeSupport(source_dir, true, plan);
  if (plan.full) trace.Refusal("the plan does not fit its %d steps", kMaxOfficeSteps);
  return trace.Return(RunOfficePlan(plan, [&trace](const OfficeStep& step) {
    // A look asks when it comes, whatever the plan saw.
    if (step.fault == OfficeFault::None || step.kind == StepKind::LookForWindows) {
      return CarryOutStep(step, trace);
    }
    TraceFault(step, trace);
    return false;
  }));
}
