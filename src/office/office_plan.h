// The plan of InstallOfficeSupport: what it finds for the current user and the changes it makes,
// in order, each with the failure foreseen for it. PlanOfficeSupport works it out without
// changing anything; InstallOfficeSupport carries it out step by step, and qndcheck prints it.
// Portable: no platform headers (PlanOfficeSupport itself is the platform side's).
#pragma once

#include "frame/outcome_table.h"
#include "office/office_rules.h"

namespace qnd {

// The first failure foreseen for a step.
enum class OfficeFault : std::uint8_t {
  None,
  SourceNotAbsolute,       // the source directory cannot be made absolute in 1023 characters
  WordRunning,             // a window of class "OpusApp" is open
  OldTemplatePathTooLong,  // the older template's path does not fit 259 characters
  OldTemplateReadOnly,     // the older template is read-only: its deletion fails
  ExcelRunning,            // a window of class "XLMAIN" is open
  NoStartupPath,           // "Startup-Path" cannot be read, or names no usable directory
  StartupPathTooLong,      // the start-up directory with the template's name does not fit
  StartupDirNotCreated,    // the start-up directory is missing and cannot be created
  SourcePathsTooLong,      // the paths built from the source directory do not fit, or none
  NoExcelOptions,          // Excel's options key cannot be opened
  NoFreeSlot,              // every add-in value, "OPEN" to OPEN100, is taken
  SourceFileMissing,       // the file to copy is not in the source directory
  NoSystemDirectory,       // the system directory cannot be had
  Count
};

// How each failure is told in the trace: the rule it breaks (the checker's finding of each:
// office_check.cpp). One row per failure, in the enum's order: a new one fails the build until
// it has its words.
struct OfficeFaultWords {
  OfficeFault fault;
  const char* trace;
};
inline constexpr OfficeFaultWords kOfficeFaultWords[] = {
    {OfficeFault::None, "no failure"},
    {OfficeFault::SourceNotAbsolute,
     "the source directory cannot be made absolute in 1023 characters"},
    {OfficeFault::WordRunning, "a Word window is open"},
    {OfficeFault::OldTemplatePathTooLong, "the older template's path does not fit 259 characters"},
    {OfficeFault::OldTemplateReadOnly, "the older template is read-only"},
    {OfficeFault::ExcelRunning, "an Excel window is open"},
    {OfficeFault::NoStartupPath,
     "Word's \"Startup-Path\" cannot be read or names no usable directory"},
    {OfficeFault::StartupPathTooLong,
     "Word's start-up directory with the template's name does not fit 1023 characters"},
    {OfficeFault::StartupDirNotCreated,
     "Word's start-up directory is missing and cannot be created"},
    {OfficeFault::SourcePathsTooLong, "the paths built from the source directory do not fit"},
    {OfficeFault::NoExcelOptions, "Excel's options key cannot be opened"},
    {OfficeFault::NoFreeSlot, "every add-in value, OPEN to OPEN100, is taken"},
    {OfficeFault::SourceFileMissing, "the file to copy is not in the source directory"},
    {OfficeFault::NoSystemDirectory, "the system directory cannot be had"},
};
static_assert(RowsInOrder(kOfficeFaultWords, &OfficeFaultWords::fault, OfficeFault::Count),
              "one row per failure, in the enum's order");

// The table's words as the image keeps them (outcome_table.h).
inline constexpr auto kOfficeFaultRules = PackTexts<kOfficeFaultWords, &OfficeFaultWords::trace>();

// The rule that a failure breaks, in a few words (the trace shows it).
[[nodiscard]] constexpr const char* OfficeFaultRule(OfficeFault fault) {
  return kOfficeFaultRules[static_cast<std::size_t>(fault)];
}

// What a failed step stops.
enum class StepScope : std::uint8_t {
  Call,       // the whole call: it gives 0 at once
  Component,  // the rest of its component; the call goes on, and gives 0 at its end
  Nothing,    // nothing: the removal of an installed part, which the installation follows anyway
  Removal,    // the removal of the installed part that follows it, which is not made
};

// A step as AddStep makes it; the plan's rows past its last step are never read.
struct OfficeStep {
  StepKind kind;
  StepScope scope;
  OfficeFault fault;                 // the failure foreseen; None: it succeeds
  const OfficeComponent* component;  // null for the phases before the components
  const char* path;        // the file or directory worked on; the text of an add-in value;
                           // the application a look is for
  const char* from;        // the file a copy takes
  int slot;                // the add-in value worked on (as foreseen, for one written)
  const char* windows[2];  // the classes a look looks for (null: none)
};

// Word's start-up directory as "Startup-Path" gives it (1024-byte read).
struct StartupDir {
  LongPathStr dir;            // ends in a backslash
  LongPathStr template_path;  // dir followed by "QND_OF7.DOT"
  bool exists = false;        // dir is an existing directory
};

// Why Word's start-up directory is missing and cannot be made, or Ok.
enum class StartupDirState : std::uint8_t { Ok, NoParent, FileInTheWay };

// What phase 3 finds for one component.
struct ComponentPlan {
  const OfficeComponent* component = nullptr;
  bool present = false;       // skipped when not
  bool running = false;       // a window of its classes is open now (when the plan foresees)
  bool own_in_place = false;  // its own part: the add-in value, or the template
  bool installed = false;     // own part and support library in place: removed, then installed
  bool sources_fit = true;    // the paths built from the source directory fit
  LongPathStr own_source;     // its own file in the source directory
  bool own_source_there = true;
  const char* own_path = "";  // Word: the template's place
  // Excel: the value that names the add-in after phase 2, and the one written.
  int own_slot = kNoSlot;
  PathStr value;
  // Word: the start-up directory, and why it cannot be made.
  StartupDir startup;
  StartupDirState dir_state = StartupDirState::Ok;
};

constexpr int kMaxOfficeSteps = 24;  // the phases take 6 steps at most, a component 8

// Where a checker that shows the plan gets the text of each add-in value the plan reads, as it
// reads it. The library's own plan tells no one.
struct OfficeSeen {
  void (*add_in_value)(void* context, int slot, const char* text) = nullptr;
  void* context = nullptr;
};

struct OfficePlan {
  OfficePlan() = default;
  OfficePlan(const OfficePlan&) = delete;  // the steps point into it
  OfficePlan& operator=(const OfficePlan&) = delete;

  // The source directory as the components use it: absolute, or the directory of the host
  // program; null when there is none. When not `sources_known` (a checker given none), it is
  // a name to show, and the source files are not looked at: they count as there.
  const char* source_dir = nullptr;
  LongPathStr source_buffer;
  // Set by a checker before planning: the windows open now are looked for too, to foresee the
  // looks' failures. The library's own plan looks for a window only when a look runs.
  bool foresee = false;
  OfficeSeen seen;
  bool sources_known = true;
  // Phase 1: the older template, where it is looked for.
  OfficeResult old_template_found = OfficeResult::NoWordOptions;  // Ok: `old_template` is set
  PathStr old_template;
  bool old_template_there = false;
  // Phase 2: Excel's add-in values as it finds them, and the older add-in's.
  bool excel_options = false;  // the options key opens
  OpenSlotSurvey slots = {};
  int old_slot = kNoSlot;
  // Phase 3: the support library's place in the system directory ("" when there is none),
  // whether it is there now, and whether it will be there for the next component.
  LongPathStr library;
  LongPathStr library_source;
  bool library_found = false;
  bool library_there = false;
  bool library_source_there = true;
  ComponentPlan components[sizeof kOfficeComponents / sizeof kOfficeComponents[0]];

  OfficeStep steps[kMaxOfficeSteps];
  int step_count = 0;
  bool full = false;  // a step did not fit: the plan fails as a whole
  OfficeStep spare;   // where a step that does not fit is made, outside the plan
};

// Works out what InstallOfficeSupport(`source_dir`) will do for the current user: null is the
// directory of the host program. With `sources_known` false, as a checker given no directory,
// the source files are not looked at. Changes nothing.
void PlanOfficeSupport(const char* source_dir, bool sources_known, OfficePlan& plan);

// Adds a step to the plan (for the planning code, office_plan.cpp and the components' `find`).
// When the plan is full it is marked so, and the step is made outside it: no step is ever
// written over.
inline OfficeStep& AddStep(OfficePlan& plan, StepKind kind, StepScope scope,
                           const OfficeComponent* component) {
  OfficeStep& step = plan.step_count < kMaxOfficeSteps ? plan.steps[plan.step_count++] : plan.spare;
  plan.full |= &step == &plan.spare;
  step = {kind, scope, OfficeFault::None, component, "", "", kNoSlot, {}};
  return step;
}

// Goes through the steps of `plan` in order, as InstallOfficeSupport carries them out:
// `run(step)` gives whether a step succeeded. A failed step ends the call, skips the rest of its
// component (the call then gives 0 at its end), skips the removal that follows it, or is of no
// consequence, as its scope says. Gives the call's result, 1 or 0; a full plan gives 0 without
// a step.
template <typename Run>
[[nodiscard]] int RunOfficePlan(const OfficePlan& plan, Run&& run) {
  if (plan.full) return 0;  // what it would do is not known
  bool all = true;
  const OfficeComponent* failed = nullptr;
  for (int i = 0; i < plan.step_count; ++i) {
    const OfficeStep& step = plan.steps[i];
    if (step.component && step.component == failed) continue;
    if (run(step) || step.scope == StepScope::Nothing) continue;
    if (step.scope == StepScope::Call) return 0;
    if (step.scope == StepScope::Removal) {
      ++i;  // the removal it guards is not made
      continue;
    }
    all = false;
    failed = step.component;
  }
  return all ? 1 : 0;
}

}  // namespace qnd
