// The files of the Office 95 add-ins (office_files.h).
#include "office/office_files.h"

#include "frame/files.h"
#include "frame/path_join.h"
#include "office/office_registry.h"

namespace qnd {
namespace {

// "Startup-Path" of Word's options key, read into `Bytes` bytes. NoWordOptions, NoStartupPath
// (missing, unreadable, too long for the read, empty, or no usable directory: a relative one
// would be the installer's current directory, and a last level ending in a dot or a blank
// would be made under another name), else Ok.
template <std::size_t Bytes>
[[nodiscard]] OfficeResult ReadStartupPath(FixedStr<Bytes + 1>& value) {
  const UniqueKey options = OpenUserKey(kWordOptionsKey);
  if (!options) return OfficeResult::NoWordOptions;
  if (ReadValueText<Bytes>(options.get(), kStartupPathValue, value) != SlotState::Taken ||
      !IsUsableStartupPath(value.c_str())) {
    return OfficeResult::NoStartupPath;
  }
  return OfficeResult::Ok;
}

// Why the missing start-up directory of `startup` cannot be created (its last level only: a
// missing parent is not created), or Ok when it can.
[[nodiscard]] StartupDirState StartupDirFate(const StartupDir& startup) {
  LongPathStr dir = startup.dir;
  dir.truncate(dir.size() - 1);  // without its trailing backslash
  if (QuietAttributes(dir.c_str()) != INVALID_FILE_ATTRIBUTES) return StartupDirState::FileInTheWay;
  return CutAfterLastBackslash(dir) && IsDirectory(dir.c_str()) ? StartupDirState::Ok
                                                                : StartupDirState::NoParent;
}

}  // namespace

OfficeResult LocateStartupDir(StartupDir& startup) {
  FixedStr<kLongPathChars + 1> value;
  const OfficeResult read = ReadStartupPath<kLongPathChars>(value);
  if (read != OfficeResult::Ok) return read;
  if (!startup.dir.assign(value.c_str()) || !EndWithBackslash(startup.dir)) {
    return OfficeResult::Failed;
  }
  startup.template_path = startup.dir;
  if (!startup.template_path.append(kWordTemplate)) return OfficeResult::Failed;
  startup.exists = IsDirectory(startup.dir.c_str());
  return OfficeResult::Ok;
}

OfficeResult LocateOldWordTemplate(PathStr& path) {
  FixedStr<kPathChars + 1> value;
  const OfficeResult read = ReadStartupPath<kPathChars>(value);
  if (read != OfficeResult::Ok) return read;
  if (!path.assign(value.c_str()) || !EndWithBackslash(path) || !path.append(kOldWordTemplate)) {
    return OfficeResult::Failed;
  }
  return OfficeResult::Ok;
}

void FindTemplate(OfficePlan& plan, ComponentPlan& c) {
  StartupDir& startup = c.startup;
  const OfficeResult located = LocateStartupDir(startup);
  if (located != OfficeResult::Ok) {
    AddStep(plan, StepKind::Stop, StepScope::Component, c.component).fault =
        located == OfficeResult::Failed ? OfficeFault::StartupPathTooLong
                                        : OfficeFault::NoStartupPath;
    return;
  }
  c.own_path = startup.template_path.c_str();
  c.own_in_place = FileExistsQuiet(c.own_path);
  if (startup.exists) return;
  c.dir_state = StartupDirFate(startup);
  OfficeStep& made = AddStep(plan, StepKind::CreateStartupDir, StepScope::Component, c.component);
  made.path = startup.dir.c_str();
  if (c.dir_state != StartupDirState::Ok) made.fault = OfficeFault::StartupDirNotCreated;
}

bool SupportLibraryPath(LongPathStr& path) {
  return SystemDirectory(path) && JoinPathAlways(path, kSupportLibrary);
}

}  // namespace qnd
