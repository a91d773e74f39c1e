// The checker's "office" command (office_check.h). Every step uses the library's own
// inspection: IsOfficeAppPresent, LocateStartupDir, FindOldAddInValue, SurveyOpenSlots...
#include "check/office_check.h"

#include <string>

#include "frame/files.h"
#include "office/office_files.h"
#include "office/office_install.h"
#include "office/office_registry.h"

namespace qnd {
namespace {

constexpr char kWhere[] = "office";

// "OPEN", "OPEN1"... for a slot; "(none)" for kNoSlot.
std::string SlotName(int slot) {
  OpenName name;
  return OpenValueName(slot, name) ? name.c_str() : "(none)";
}

bool DirectoryExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The directory that holds directory `dir` (which ends in a backslash), with its backslash.
std::string ParentOf(const std::string& dir) {
  const std::size_t last = dir.find_last_of('\\', dir.size() >= 2 ? dir.size() - 2 : 0);
  return last == std::string::npos ? std::string() : dir.substr(0, last + 1);
}

class OfficeCheck {
 public:
  OfficeCheck(const OfficeOptions& options, Report& report) : options_(options), report_(report) {}

  void Applications();
  void OldTemplate();
  int OldAddIn();
  void Excel(int old_slot);
  void Word();
  void Shared();
  bool AnyPresent() const {
    return IsOfficeAppPresent(kExcelComponent) || IsOfficeAppPresent(kWordComponent);
  }

 private:
  void Say(const std::string& text) { report_.Line(kWhere, 0, text); }
  void Find(FindingId id, std::initializer_list<std::string> args) {
    report_.Finding(id, kWhere, 0, args);
  }
  void ListSlots(HKEY excel, const OpenSlotSurvey& survey, int old_slot, int ours);
  void SourceFile(int code, const char* file, bool copied);

  const OfficeOptions& options_;
  Report& report_;
};

// The applications present and running; a running one fails the call.
void OfficeCheck::Applications() {
  for (const OfficeComponent& c : kOfficeComponents) {
    const bool present = IsOfficeAppPresent(c.code);
    Say(Format("%s: %s (HKEY_CURRENT_USER\\%s), %s", c.application,
               present ? "present" : "not present", c.presence_key,
               IsOfficeAppRunning(c.code) ? "counts as running" : "not running"));
  }
  if (WindowClassOpen(kWordWindow)) Find(FindingId::WordRunning, {kWordWindow});
  if (WindowClassOpen(kExcelWindow)) Find(FindingId::ExcelRunning, {kExcelWindow});
}

// Step 1: the older Word template.
void OfficeCheck::OldTemplate() {
  PathStr path;
  switch (LocateOldWordTemplate(path)) {
    case OfficeResult::Ok: break;
    case OfficeResult::Failed:
      Find(FindingId::OldTemplatePathTooLong, {std::to_string(kPathChars - 1)});
      return;
    default: Say("older Word template: no start-up directory to look in"); return;
  }
  if (!FileExistsQuiet(path.c_str())) {
    Say(std::string("older Word template ") + path.c_str() + ": not there");
    return;
  }
  Say(std::string("older Word template ") + path.c_str() + ": there, would be deleted");
  if (GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY) {
    Find(FindingId::OldTemplateReadOnly, {path.c_str()});
  }
}

// Step 2: the older Excel add-in value. Gives its slot, or kNoSlot.
int OfficeCheck::OldAddIn() {
  UniqueKey excel;
  if (!OpenUserKey(kExcelOptionsKey, excel)) {
    Say("older Excel add-in value: no options key of Excel to look in");
    return kNoSlot;
  }
  const int slot = FindOldAddInValue(excel.get());
  const std::string mark = std::string(" names \"") + kOldAddInMark + "\"";
  Say(slot == kNoSlot ? "older Excel add-in value: none of " + SlotName(0) + " to " +
                            SlotName(kOldAddInSlots - 1) + mark
                      : "older Excel add-in value: " + SlotName(slot) + mark +
                            ", would be deleted");
  return slot;
}

// Every add-in value, "OPEN" to OPEN100: free ones as ranges, the others with what they hold.
void OfficeCheck::ListSlots(HKEY excel, const OpenSlotSurvey& survey, int old_slot, int ours) {
  Say(std::string("Excel's add-in values (HKEY_CURRENT_USER\\") + kExcelOptionsKey + "):");
  for (int i = 0; i < kOpenSlots; ++i) {
    if (survey.state[i] == SlotState::Missing) {
      int last = i;
      while (last + 1 < kOpenSlots && survey.state[last + 1] == SlotState::Missing) ++last;
      Say("  " + SlotName(i) + (last > i ? " to " + SlotName(last) : "") + ": free");
      i = last;
      continue;
    }
    AddInText text;
    ReadAddInValue(excel, i, text);
    std::string line = "  " + SlotName(i) + ": ";
    switch (survey.state[i]) {
      case SlotState::Taken: line += std::string("taken: ") + text.c_str(); break;
      case SlotState::Empty: line += "empty (no data), counts as taken"; break;
      case SlotState::TooLong: line += "too long to read (over 1024 bytes), counts as taken"; break;
      default: line += "cannot be read, counts as taken"; break;
    }
    if (i == old_slot) line += " (the older add-in)";
    if (i == ours) line += " (this add-in)";
    Say(line);
  }
}

// Step 3 for Excel: the add-in value and the slot it would be written to.
void OfficeCheck::Excel(int old_slot) {
  if (!IsOfficeAppPresent(kExcelComponent)) return;
  UniqueKey excel;
  if (!OpenUserKey(kExcelOptionsKey, excel)) {
    Find(FindingId::NoExcelOptions, {kExcelOptionsKey});
    return;
  }
  OpenSlotSurvey survey;
  SurveyOpenSlots(excel.get(), survey);
  const int ours = FindAddInValue(excel.get());
  ListSlots(excel.get(), survey, old_slot, ours);
  const bool installed = IsComponentInPlace(kExcelComponent);
  if (installed) {
    Say("the add-in is installed (" + SlotName(ours) +
        " and the support library): its value "
        "would be deleted and written anew");
  } else if (ours != kNoSlot) {
    Find(FindingId::SecondAddInValue, {SlotName(ours), kExcelAddIn});
  }
  // What steps 2 and 3 free before the free-slot search runs.
  if (old_slot != kNoSlot) survey.state[old_slot] = SlotState::Missing;
  if (installed && ours != kNoSlot) survey.state[ours] = SlotState::Missing;
  const int slot = ChooseFreeSlot(survey);
  if (slot == kNoSlot) {
    Find(FindingId::NoFreeSlot, {SlotName(0), SlotName(kOpenSlots - 1)});
    return;
  }
  PathStr value;
  const bool built = options_.source_dir && BuildAddInValue(options_.source_dir, value);
  Say("the add-in would be written to " + SlotName(slot) + ": " +
      (built ? std::string(value.c_str())
             : std::string("\"SOURCE\\") + kExcelAddIn + "\" (SOURCE: the folder given)"));
}

// Step 3 for Word: the start-up directory and the template.
void OfficeCheck::Word() {
  if (!IsOfficeAppPresent(kWordComponent)) return;
  StartupDir startup;
  switch (LocateStartupDir(startup)) {
    case OfficeResult::Ok: break;
    case OfficeResult::NoStartupPath:
      Find(FindingId::NoStartupPath, {kStartupPathValue, std::to_string(kLongPathChars)});
      return;
    default:
      Find(FindingId::StartupPathTooLong, {kWordTemplate, std::to_string(kLongPathChars - 1)});
      return;
  }
  const std::string dir = startup.dir.c_str();
  if (startup.exists) {
    Say("Word's start-up directory " + dir + ": exists");
  } else if (DirectoryExists(ParentOf(dir))) {
    Say("Word's start-up directory " + dir + ": missing; its last level would be created");
  } else {
    Find(FindingId::StartupDirNotCreated, {dir});
  }
  const char* path = startup.template_path.c_str();
  Say(std::string("Word template ") + path +
      (IsComponentInPlace(kWordComponent) ? ": installed, would be deleted and copied anew"
       : FileExistsQuiet(path) ? ": there (the support library is not), would be copied over"
                               : ": would be copied there"));
}

// The component file `file` in the source directory; `copied` ones fail the call when missing.
void OfficeCheck::SourceFile(int code, const char* file, bool copied) {
  LongPathStr path;
  if (!SourcesFit(code, options_.source_dir) || !BuildSourcePath(options_.source_dir, file, path)) {
    Find(FindingId::SourcePathsTooLong, {options_.source_dir});
  } else if (FileExistsQuiet(path.c_str())) {
    Say(std::string("component file ") + path.c_str() + ": there");
  } else if (copied) {
    Find(FindingId::ComponentFileMissing, {path.c_str()});
  } else {
    Find(FindingId::AddInFileMissing, {path.c_str()});
  }
}

// Step 3 for both: the support library, the marker, the component files.
void OfficeCheck::Shared() {
  LongPathStr library;
  if (!SupportLibraryPath(library)) {
    Find(FindingId::NoSystemDirectory, {});
  } else {
    Say(std::string("support library ") + library.c_str() +
        (FileExistsQuiet(library.c_str()) ? ": there, would be copied over"
                                          : ": not there, would be copied"));
  }
  Say(std::string("first-call marker: \"FirstCall\" = \"Y\" would be written in "
                  "HKEY_CURRENT_USER\\") +
      kMarkerKey);
  if (!options_.source_dir) {
    Say("component files: from the folder given to InstallOfficeSupport (--source DIR checks "
        "them)");
    return;
  }
  int present = 0;
  for (const OfficeComponent& c : kOfficeComponents) {
    if (!IsOfficeAppPresent(c.code)) continue;
    SourceFile(c.code, c.file, c.code == kWordComponent);  // the add-in is not copied
    present = c.code;
  }
  SourceFile(present, kSupportLibrary, true);
}

}  // namespace

int CheckOffice(const OfficeOptions& options, Report& report) {
  report.Heading("office: what InstallOfficeSupport would find and do for this user");
  OfficeCheck check(options, report);
  check.Applications();
  check.OldTemplate();
  const int old_slot = check.OldAddIn();
  if (check.AnyPresent()) {
    check.Excel(old_slot);
    check.Word();
    check.Shared();
  } else {
    report.Line(kWhere, 0,
                "neither Office 7.0 application is present: nothing would be "
                "installed");
  }
  report.Summary();
  return report.ExitStatus();
}

}  // namespace qnd
