// The plan of InstallOfficeSupport, worked out without changing anything (office_plan.h).
#include "office/office_plan.h"

#include <cstring>

#include "frame/files.h"
#include "frame/path_join.h"
#include "office/office_files.h"
#include "office/office_install.h"
#include "office/office_registry.h"

namespace qnd {
namespace {

void AddStop(OfficePlan& plan, OfficeFault fault, StepScope scope,
             const OfficeComponent* component = nullptr) {
  AddStep(plan, StepKind::Stop, scope, component).fault = fault;
}

// The windows that phases 1 and 2 look for: Word's of any version, then Excel's.
constexpr const char* kWordWindows[2] = {kWordWindow, nullptr};
constexpr const char* kExcelWindows[2] = {kExcelWindow, nullptr};

// A look for the windows of `application` when the step runs: it fails when one of `windows`
// is open then. The failure foreseen, when the plan foresees, is a window open now.
void AddLook(OfficePlan& plan, const char* application, const char* const (&windows)[2],
             StepScope scope, const OfficeComponent* component) {
  OfficeStep& step = AddStep(plan, StepKind::LookForWindows, scope, component);
  step.path = application;
  for (std::size_t i = 0; i < 2; ++i) {
    step.windows[i] = windows[i];
    if (!windows[i] || !plan.foresee || step.fault != OfficeFault::None ||
        !WindowClassOpen(windows[i])) {
      continue;
    }
    step.fault = std::strcmp(windows[i], kWordWindow) == 0 ? OfficeFault::WordRunning
                                                           : OfficeFault::ExcelRunning;
  }
}

// A given source directory made absolute from the current directory into `absolute` (1023
// characters at most); null when that fails or does not fit. An absolute one stays as it is.
[[nodiscard]] const char* AbsoluteSourceDir(const char* source_dir, LongPathStr& absolute) {
  if (IsAbsolutePath(source_dir)) return source_dir;
  const auto made = [source_dir](char* to, unsigned room) {
    return GetFullPathNameA(source_dir, room, to, nullptr);
  };
  return FillSized(absolute, made) && IsAbsolutePath(absolute.c_str()) ? absolute.c_str() : nullptr;
}

// The source directory; a relative one that cannot be made absolute ends the call at once.
void PlanSource(const char* source_dir, OfficePlan& plan) {
  if (!plan.sources_known) {
    plan.source_dir = source_dir;
  } else if (!source_dir) {
    if (DefaultSourceDir(plan.source_buffer)) plan.source_dir = plan.source_buffer.c_str();
  } else {
    plan.source_dir = AbsoluteSourceDir(source_dir, plan.source_buffer);
    if (!plan.source_dir) AddStop(plan, OfficeFault::SourceNotAbsolute, StepScope::Call);
  }
}

// Phase 1: the older Word template, deleted when it is there.
void PlanOldTemplate(OfficePlan& plan) {
  AddLook(plan, "Word", kWordWindows, StepScope::Call, nullptr);
  plan.old_template_found = LocateOldWordTemplate(plan.old_template);
  if (plan.old_template_found == OfficeResult::Failed) {
    AddStop(plan, OfficeFault::OldTemplatePathTooLong, StepScope::Call);
  }
  const char* path = plan.old_template.c_str();
  plan.old_template_there = plan.old_template_found == OfficeResult::Ok && FileExistsQuiet(path);
  if (!plan.old_template_there) return;
  OfficeStep& step = AddStep(plan, StepKind::DeleteOldTemplate, StepScope::Call, nullptr);
  step.path = path;
  if (QuietAttributes(path) & FILE_ATTRIBUTE_READONLY) {
    step.fault = OfficeFault::OldTemplateReadOnly;
  }
}

// Phase 2: Excel's add-in values, and the older add-in's deleted.
void PlanOldAddIn(OfficePlan& plan) {
  AddLook(plan, "Excel", kExcelWindows, StepScope::Call, nullptr);
  const UniqueKey excel = OpenUserKey(kExcelOptionsKey);
  plan.excel_options = static_cast<bool>(excel);
  if (!plan.excel_options) return;
  SurveyOpenSlots(excel.get(), plan.slots, plan.seen);
  plan.old_slot = FindOldAddInValue(excel.get());
  if (plan.old_slot == kNoSlot) return;
  AddStep(plan, StepKind::DeleteOldAddIn, StepScope::Call, nullptr).slot = plan.old_slot;
}

// The support library: its place, and its file in the source directory.
void PlanLibrary(OfficePlan& plan) {
  if (!SupportLibraryPath(plan.library)) plan.library.clear();
  plan.library_found = !plan.library.empty() && FileExistsQuiet(plan.library.c_str());
  plan.library_there = plan.library_found;
  if (!BuildSourcePath(plan.source_dir, kSupportLibrary, plan.library_source)) {
    plan.library_source.clear();
  }
  plan.library_source_there = !plan.sources_known || FileExistsQuiet(plan.library_source.c_str());
}

// The first free slot once phase 2 has deleted the older add-in's value and the removal of
// an installed add-in its own.
[[nodiscard]] int SlotAfterRemovals(const OfficePlan& plan, const ComponentPlan& c) {
  OpenSlotSurvey survey = plan.slots;
  if (plan.old_slot != kNoSlot) survey.state[plan.old_slot] = SlotState::Missing;
  if (c.installed) survey.state[c.own_slot] = SlotState::Missing;
  return ChooseFreeSlot(survey);
}

// The installation of the component's own part: its add-in value, or its file copied.
void PlanInstallation(OfficePlan& plan, const ComponentPlan& c) {
  OfficeStep& step = AddStep(plan, c.component->installation, StepScope::Component, c.component);
  if (step.kind == StepKind::WriteAddInValue) {
    step.path = c.value.c_str();
    step.slot = SlotAfterRemovals(plan, c);
    if (!plan.excel_options) step.fault = OfficeFault::NoExcelOptions;
    else if (step.slot == kNoSlot) step.fault = OfficeFault::NoFreeSlot;
  } else {
    step.from = c.own_source.c_str();
    step.path = c.own_path;
    if (!c.own_source_there) step.fault = OfficeFault::SourceFileMissing;
  }
}

// The support library copied: the component's last step.
void PlanLibraryCopy(OfficePlan& plan, const OfficeComponent& component) {
  OfficeStep& step = AddStep(plan, StepKind::Copy, StepScope::Component, &component);
  step.from = plan.library_source.c_str();
  step.path = plan.library.c_str();
  if (plan.library.empty()) step.fault = OfficeFault::NoSystemDirectory;
  else if (!plan.library_source_there) step.fault = OfficeFault::SourceFileMissing;
}

// Phase 3 for one component: what is there, then, when it is present, its steps in order.
void PlanComponent(const OfficeComponent& component, OfficePlan& plan, ComponentPlan& c) {
  c.component = &component;
  c.running = plan.foresee && IsOfficeAppRunning(component);  // then phase 1 or 2 stops the call
  c.present = IsOfficeAppPresent(component);
  if (!c.present) return;
  const int first = plan.step_count;
  c.sources_fit = BuildSourcePath(plan.source_dir, component.file, c.own_source) &&
                  !plan.library_source.empty();
  c.own_source_there = !plan.sources_known || FileExistsQuiet(c.own_source.c_str());
  component.find(plan, c);
  if (!c.sources_fit) {
    AddStop(plan, OfficeFault::SourcePathsTooLong, StepScope::Component, &component);
  }
  c.installed = c.own_in_place && plan.library_there;
  // Its application must not be running when its installed part is removed, nor when it is
  // installed: each is asked when it comes.
  if (c.installed) {
    AddLook(plan, component.application, component.window_classes, StepScope::Removal, &component);
    OfficeStep& removal = AddStep(plan, component.removal, StepScope::Nothing, &component);
    removal.path = c.own_path;
    removal.slot = c.own_slot;
  }
  AddLook(plan, component.application, component.window_classes, StepScope::Component, &component);
  PlanInstallation(plan, c);
  AddStep(plan, StepKind::WriteMarker, StepScope::Component, &component);
  PlanLibraryCopy(plan, component);
  // A component that goes through copies the support library for the next one.
  bool through = true;
  for (int i = first; i < plan.step_count; ++i) {
    through &= plan.steps[i].fault == OfficeFault::None;
  }
  plan.library_there |= through;
}

}  // namespace

void PlanOfficeSupport(const char* source_dir, bool sources_known, OfficePlan& plan) {
  plan.sources_known = sources_known;
  PlanSource(source_dir, plan);
  PlanOldTemplate(plan);
  PlanOldAddIn(plan);
  PlanLibrary(plan);
  int i = 0;
  for (const OfficeComponent& component : kOfficeComponents) {
    PlanComponent(component, plan, plan.components[i++]);
  }
}

}  // namespace qnd
