// The checker's "office" command (office_check.h): the plan of InstallOfficeSupport
// (PlanOfficeSupport) printed, its steps gone through as the library goes through them
// (RunOfficePlan), each with the failure the plan foresees.
#include "check/office_check.h"

#include <string>
#include <vector>

#include "check/machine_registry.h"
#include "frame/profile_text.h"
#include "office/office_plan.h"
#include "office/office_registry.h"

namespace qnd {
namespace {

constexpr char kWhere[] = "office";
constexpr char kUnknownSource[] = "SOURCE";  // stands for the directory when none is given

// The finding of each failure the plan foresees (FindingId::Count: none), one row per failure,
// in the enum's order: a new one fails the build until it has its finding.
struct OfficeFaultFinding {
  OfficeFault fault;
  FindingId finding;
};
constexpr OfficeFaultFinding kOfficeFaultFindings[] = {
    {OfficeFault::None, FindingId::Count},
    {OfficeFault::SourceNotAbsolute, FindingId::SourceNotAbsolute},
    {OfficeFault::WordRunning, FindingId::WordRunning},
    {OfficeFault::OldTemplatePathTooLong, FindingId::OldTemplatePathTooLong},
    {OfficeFault::OldTemplateReadOnly, FindingId::OldTemplateReadOnly},
    {OfficeFault::ExcelRunning, FindingId::ExcelRunning},
    {OfficeFault::NoStartupPath, FindingId::NoStartupPath},
    {OfficeFault::StartupPathTooLong, FindingId::StartupPathTooLong},
    {OfficeFault::StartupDirNotCreated, FindingId::StartupDirNotCreated},
    {OfficeFault::SourcePathsTooLong, FindingId::SourcePathsTooLong},
    {OfficeFault::NoExcelOptions, FindingId::NoExcelOptions},
    {OfficeFault::NoFreeSlot, FindingId::NoFreeSlot},
    {OfficeFault::SourceFileMissing, FindingId::ComponentFileMissing},
    {OfficeFault::NoSystemDirectory, FindingId::NoSystemDirectory},
};
static_assert(RowsInOrder(kOfficeFaultFindings, &OfficeFaultFinding::fault, OfficeFault::Count),
              "one row per failure, in the enum's order");

// "OPEN", "OPEN1"... for a slot; "(none)" for kNoSlot.
[[nodiscard]] std::string SlotName(int slot) {
  OpenName name;
  return OpenValueName(slot, name) ? name.c_str() : "(none)";
}

// `path` without trailing separators, every "/" a "\", in the platform's letter case.
[[nodiscard]] std::string FoldedDir(std::string path, const NameFold& fold) {
  for (char& c : path) c = c == '/' ? '\\' : c;
  while (!path.empty() && path.back() == '\\') path.pop_back();
  return fold.Fold(path);
}

// Each add-in value as the plan read it: its text ("" for one it found no text in), and its
// type and data, shown as the plan reads it.
struct SlotTexts {
  UniqueKey excel = OpenUserKey(kExcelOptionsKey);
  std::vector<std::string> text = std::vector<std::string>(kOpenSlots);
  std::vector<std::string> shown = std::vector<std::string>(kOpenSlots);
};

void KeepText(void* texts, int slot, const char* text) {
  SlotTexts& seen = *static_cast<SlotTexts*>(texts);
  const auto i = static_cast<std::size_t>(slot);
  seen.text[i] = text;
  seen.shown[i] = seen.excel ? ShowValue(seen.excel.get(), SlotName(slot).c_str()) : "";
  if (seen.shown[i].empty()) seen.shown[i] = Quoted(text);
}

class OfficeCheck {
 public:
  OfficeCheck(const OfficePlan& plan, const SlotTexts& texts, const OfficeOptions& options,
              Report& report)
      : plan_(plan), texts_(texts), options_(options), report_(report), fold_(PlatformFold()) {}

  void Found();
  void Steps();

 private:
  void Say(const std::string& text) { report_.Line(kWhere, 0, text); }
  void Find(FindingId id, std::initializer_list<std::string> args) {
    report_.Finding(id, kWhere, 0, args);
  }
  void Applications();
  void OldParts();
  void Slots();
  void Components();
  [[nodiscard]] bool Step(int n, const OfficeStep& step);
  [[nodiscard]] static std::string Describe(const OfficeStep& step);
  void Foreseen(const OfficeStep& step);
  void Outside(int slot);

  const OfficePlan& plan_;
  const SlotTexts& texts_;
  const OfficeOptions& options_;
  Report& report_;
  const NameFold fold_;
};

// What the plan found, before its steps.
void OfficeCheck::Found() {
  if (plan_.sources_known && plan_.source_dir) {
    Say(std::string("source directory: ") + plan_.source_dir);
  } else if (!plan_.sources_known) {
    Say(std::string("component files: from the folder given to InstallOfficeSupport, shown as ") +
        kUnknownSource + " (--source DIR checks them)");
  }
  Applications();
  OldParts();
  if (plan_.excel_options) Slots();
  Components();
}

void OfficeCheck::Applications() {
  for (const ComponentPlan& c : plan_.components) {
    Say(Format("%s: %s (HKEY_CURRENT_USER\\%s), %s", c.component->application,
               c.present ? "present" : "not present", c.component->presence_key,
               c.running ? "counts as running" : "not running"));
  }
}

// What phases 1 and 2 look at.
void OfficeCheck::OldParts() {
  const char* path = plan_.old_template.c_str();
  if (plan_.old_template_found != OfficeResult::Ok) {
    Say("older Word template: no start-up directory to look in");
  } else {
    Say(std::string("older Word template ") + path +
        (plan_.old_template_there ? ": there" : ": not there"));
  }
  const std::string mark = std::string(" names \"") + kOldAddInMark + "\"";
  if (!plan_.excel_options) {
    Say("older Excel add-in value: no options key of Excel to look in");
  } else if (plan_.old_slot == kNoSlot) {
    Say("older Excel add-in value: none of " + SlotName(0) + " to " + SlotName(kOldAddInSlots - 1) +
        mark);
  } else {
    Say("older Excel add-in value: " + SlotName(plan_.old_slot) + mark);
  }
}

// Every add-in value, "OPEN" to OPEN100, as phase 2 finds them: free ones as ranges, the others
// with what they hold.
void OfficeCheck::Slots() {
  Say(std::string("Excel's add-in values (HKEY_CURRENT_USER\\") + kExcelOptionsKey + "):");
  int ours = kNoSlot;
  for (const ComponentPlan& c : plan_.components) ours = c.own_slot != kNoSlot ? c.own_slot : ours;
  for (int i = 0; i < kOpenSlots; ++i) {
    const SlotState state = plan_.slots.state[i];
    if (state == SlotState::Missing) {
      int last = i;
      while (last + 1 < kOpenSlots && plan_.slots.state[last + 1] == SlotState::Missing) ++last;
      Say("  " + SlotName(i) + (last > i ? " to " + SlotName(last) : "") + ": free");
      i = last;
      continue;
    }
    std::string line = "  " + SlotName(i) + ": ";
    switch (state) {
      case SlotState::Taken:  // its type and data, read with the plan's read
        line += "taken: " + texts_.shown[static_cast<std::size_t>(i)];
        break;
      case SlotState::Empty: line += "empty (no data), counts as taken"; break;
      case SlotState::TooLong:
        line += Format("too long to read (over %u bytes), counts as taken",
                       static_cast<unsigned>(kLongPathChars));
        break;
      case SlotState::Unreadable: line += "cannot be read, counts as taken"; break;
      case SlotState::Missing: break;  // listed as free above
    }
    if (i == plan_.old_slot) line += " (the older add-in)";
    if (i == ours) line += " (this add-in)";
    Say(line);
  }
}

// What phase 3 finds of each present component.
void OfficeCheck::Components() {
  for (const ComponentPlan& c : plan_.components) {
    if (!c.present) continue;
    const std::string app = c.component->application;
    if (c.startup.dir.size()) {
      Say("Word's start-up directory " + std::string(c.startup.dir.c_str()) +
          (c.startup.exists ? ": exists" : ": missing"));
    }
    Say(app + (c.installed ? ": installed, removed and installed anew" : ": not installed"));
    if (c.own_slot != kNoSlot && !c.installed) {
      Find(FindingId::SecondAddInValue, {SlotName(c.own_slot), kExcelAddIn});
    }
    if (plan_.sources_known && c.sources_fit && !c.own_source_there &&
        c.component->installation != StepKind::Copy) {
      Find(FindingId::AddInFileMissing, {c.own_source.c_str()});  // a copied one fails its step
    }
  }
  if (!plan_.library.empty()) {
    Say(std::string("support library ") + plan_.library.c_str() +
        (plan_.library_found ? ": there" : ": not there"));
  }
}

// The step in words.
std::string OfficeCheck::Describe(const OfficeStep& step) {
  const std::string path = step.path;
  switch (step.kind) {
    case StepKind::LookForWindows: {
      std::string look =
          path + " must not be running here: no window of class \"" + step.windows[0] + "\"";
      if (step.windows[1]) look += std::string(" or \"") + step.windows[1] + "\"";
      return look + (step.scope == StepScope::Removal ? " (else its installed part stays)" : "");
    }
    case StepKind::DeleteOldTemplate: return "deletes the older Word template " + path;
    case StepKind::DeleteOldAddIn: return "deletes the older add-in value " + SlotName(step.slot);
    case StepKind::CreateStartupDir:
      return "creates Word's start-up directory " + path + " (its last level)";
    case StepKind::DeleteAddInValue:
      return "deletes the installed add-in value " + SlotName(step.slot);
    case StepKind::DeleteTemplate: return "deletes the installed template " + path;
    case StepKind::WriteAddInValue: return "writes " + path + " into " + SlotName(step.slot);
    case StepKind::Copy: return std::string("copies ") + step.from + " to " + path;
    case StepKind::WriteMarker:
      return std::string("writes \"") + kMarkerValue + "\" = \"" + kMarkerData +
             "\" in HKEY_CURRENT_USER\\" + kMarkerKey;
    case StepKind::Stop: break;
  }
  return "stops";
}

// The finding of a failure the plan foresees for `step`, filled with what it names.
void OfficeCheck::Foreseen(const OfficeStep& step) {
  const std::string long_chars = std::to_string(kLongPathChars - 1);
  const std::string source = plan_.source_dir ? plan_.source_dir : "";
  const FindingId id = kOfficeFaultFindings[static_cast<int>(step.fault)].finding;
  switch (step.fault) {
    case OfficeFault::None:
    case OfficeFault::Count: return;
    case OfficeFault::SourceNotAbsolute:
      return Find(id, {options_.source_dir ? options_.source_dir : "", long_chars});
    case OfficeFault::WordRunning: return Find(id, {kWordWindow});
    case OfficeFault::OldTemplatePathTooLong: return Find(id, {std::to_string(kPathChars - 1)});
    case OfficeFault::OldTemplateReadOnly: return Find(id, {step.path});
    case OfficeFault::ExcelRunning: return Find(id, {kExcelWindow});
    case OfficeFault::NoStartupPath:
      return Find(id, {kStartupPathValue, std::to_string(kLongPathChars)});
    case OfficeFault::StartupPathTooLong: return Find(id, {kWordTemplate, long_chars});
    case OfficeFault::StartupDirNotCreated: {
      bool file = false;
      for (const ComponentPlan& c : plan_.components) {
        file |= c.component == step.component && c.dir_state == StartupDirState::FileInTheWay;
      }
      return Find(id, {step.path, file ? "a file of that name is in the way"
                                       : "the folder that would hold it is missing"});
    }
    case OfficeFault::SourcePathsTooLong: return Find(id, {source});
    case OfficeFault::NoExcelOptions: return Find(id, {kExcelOptionsKey});
    case OfficeFault::NoFreeSlot: return Find(id, {SlotName(0), SlotName(kOpenSlots - 1)});
    case OfficeFault::SourceFileMissing: return Find(id, {step.from});
    case OfficeFault::NoSystemDirectory: return Find(id, {});
  }
}

// Warns when the value in `slot`, which the installation deletes, names a file outside the
// source directory.
void OfficeCheck::Outside(int slot) {
  if (!options_.source_dir || !plan_.source_dir) return;
  LongPathStr dir;
  if (slot == kNoSlot || plan_.slots.state[slot] != SlotState::Taken ||
      !AddInDirectory(texts_.text[static_cast<std::size_t>(slot)].c_str(), dir) ||
      FoldedDir(dir.c_str(), fold_) == FoldedDir(plan_.source_dir, fold_)) {
    return;
  }
  Find(FindingId::ForeignValueDeleted, {SlotName(slot), dir.c_str()});
}

// One step as the library goes through it: its line, or its foreseen failure. True when it is
// foreseen to succeed.
bool OfficeCheck::Step(int n, const OfficeStep& step) {
  if (step.fault != OfficeFault::None) {
    Foreseen(step);
    return false;
  }
  const std::string who = step.component ? Format(" (%s)", step.component->application) : "";
  Say(Format("step %d%s: ", n, who.c_str()) + Describe(step));
  if (step.kind == StepKind::DeleteOldAddIn || step.kind == StepKind::DeleteAddInValue) {
    Outside(step.slot);
  }
  return true;
}

// The steps in the library's order, up to where it stops; the result it foresees.
void OfficeCheck::Steps() {
  if (plan_.full) {
    Say(Format("the plan does not fit its %d steps: InstallOfficeSupport changes nothing",
               kMaxOfficeSteps));
  }
  int n = 0;
  const int result = RunOfficePlan(plan_, [&](const OfficeStep& step) { return Step(++n, step); });
  Say(Format("InstallOfficeSupport gives %d", result));
}

}  // namespace

int CheckOffice(const OfficeOptions& options, Report& report) {
  report.Heading("office: what InstallOfficeSupport would find and do for this user");
  OfficePlan plan;
  plan.foresee = true;
  SlotTexts texts;
  plan.seen = {KeepText, &texts};
  const bool known = options.source_dir != nullptr;
  PlanOfficeSupport(known ? options.source_dir : kUnknownSource, known, plan);
  OfficeCheck check(plan, texts, options, report);
  check.Found();
  check.Steps();
  report.Summary();
  return report.ExitStatus();
}

}  // namespace qnd
