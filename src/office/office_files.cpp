// The files of the Office 95 add-ins (office_files.h).
#include "office/office_files.h"

#include "frame/files.h"
#include "frame/path_join.h"
#include "office/office_registry.h"

namespace qnd {
namespace {

// "Startup-Path" of Word's options key, read into `Bytes` bytes. NoWordOptions, NoStartupPath
// (missing, unreadable, too long for the read, empty, or relative: no directory to work in, as
// a relative one would be the installer's current directory), else Ok.
template <std::size_t Bytes>
OfficeResult ReadStartupPath(FixedStr<Bytes + 1>& value) {
  UniqueKey options;
  if (!OpenUserKey(kWordOptionsKey, options)) return OfficeResult::NoWordOptions;
  if (ReadValueText<Bytes>(options.get(), kStartupPathValue, value) != SlotState::Taken ||
      !IsAbsolutePath(value.c_str())) {
    return OfficeResult::NoStartupPath;
  }
  return OfficeResult::Ok;
}

// Creates the start-up directory when it does not exist: its last level only (a missing parent
// is not created). Ok when it exists afterwards, else StartupDirNotCreated.
OfficeResult EnsureStartupDir(const StartupDir& startup) {
  if (startup.exists) return OfficeResult::Ok;
  LongPathStr dir = startup.dir;
  dir.truncate(dir.size() - 1);  // without its trailing backslash
  return CreateDirectoryA(dir.c_str(), nullptr) ? OfficeResult::Ok
                                                : OfficeResult::StartupDirNotCreated;
}

// WordTemplateOp(Install) once the template is located and its directory is there.
OfficeResult InstallTemplate(const StartupDir& startup, const char* source_dir) {
  LongPathStr source;
  if (!BuildSourcePath(source_dir, kWordTemplate, source) ||
      !CopyFileA(source.c_str(), startup.template_path.c_str(), FALSE)) {
    return OfficeResult::CopyFailed;
  }
  return WriteFirstCallMarker() ? OfficeResult::Ok : OfficeResult::Failed;
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

OfficeResult FindWordTemplate() {
  StartupDir startup;
  const OfficeResult located = LocateStartupDir(startup);
  if (located != OfficeResult::Ok) return located;
  return FileExistsQuiet(startup.template_path.c_str()) ? OfficeResult::Ok
                                                        : OfficeResult::NotFound;
}

OfficeResult WordTemplateOp(ComponentMode mode, const char* source_dir) {
  StartupDir startup;
  OfficeResult located = LocateStartupDir(startup);
  if (located == OfficeResult::Ok) located = EnsureStartupDir(startup);
  if (located != OfficeResult::Ok) return located;
  const char* path = startup.template_path.c_str();
  switch (mode) {
    case ComponentMode::Check:
      return FileExistsQuiet(path) ? OfficeResult::Ok : OfficeResult::NotFound;
    case ComponentMode::Install:
      return InstallTemplate(startup, source_dir);
    case ComponentMode::Remove:
      return DeleteFileA(path) ? OfficeResult::Ok : OfficeResult::NotFound;
    default:
      return OfficeResult::Failed;
  }
}

bool SupportLibraryPath(LongPathStr& path) {
  const UINT n = GetSystemDirectoryA(path.data(), kLongPathChars);
  if (n == 0 || n >= kLongPathChars) return false;
  path.adopt();
  return JoinPathAlways(path, kSupportLibrary);
}

OfficeResult SupportLibraryOp(ComponentMode mode, const char* source_dir) {
  LongPathStr target, source;
  if (!SupportLibraryPath(target)) return OfficeResult::Failed;
  switch (mode) {
    case ComponentMode::Check:
      return FileExistsQuiet(target.c_str()) ? OfficeResult::Ok : OfficeResult::NotFound;
    case ComponentMode::Install:
      if (!BuildSourcePath(source_dir, kSupportLibrary, source) ||
          !CopyFileA(source.c_str(), target.c_str(), FALSE)) {
        return OfficeResult::CopyFailed;
      }
      return OfficeResult::Ok;
    default:
      return OfficeResult::Failed;
  }
}

}  // namespace qnd
