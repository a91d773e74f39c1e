// The Office applications, their components, the three phases and the export
// InstallOfficeSupport (office_install.h).
#include "office/office_install.h"

#include "frame/files.h"
#include "frame/trace.h"
#include "office/office_files.h"
#include "office/office_registry.h"

namespace qnd {
namespace {

// A present component: checked, its paths checked, an installed one removed, then installed
// anew.
bool ReinstallComponent(int code, const char* source_dir) {
  const bool installed = IsComponentInstalled(code);
  if (!SourcesFit(code, source_dir)) return false;
  // A removal that fails is followed by the install anyway: it copies over the file or writes
  // a further value.
  if (installed) RemoveComponent(code);
  return !IsOfficeAppRunning(code) && InstallComponent(code, source_dir) == OfficeResult::Ok;
}

// The component's own part and the support library, both in place. `look_only`: nothing is
// created (the Word template's check otherwise creates its missing start-up directory).
bool ComponentInPlace(int code, bool look_only) {
  OfficeResult own;
  switch (code) {
    case kExcelComponent: own = ExcelAddInOp(ComponentMode::Check); break;
    case kWordComponent:
      own = look_only ? FindWordTemplate() : WordTemplateOp(ComponentMode::Check, nullptr);
      break;
    default: return false;
  }
  return own == OfficeResult::Ok &&
         SupportLibraryOp(ComponentMode::Check, nullptr) == OfficeResult::Ok;
}

// `source_dir` as an absolute directory: itself when it is one, else made absolute from the
// current directory into `absolute`. Null when that fails or does not fit 1023 characters.
const char* AbsoluteSourceDir(const char* source_dir, LongPathStr& absolute) {
  if (IsAbsolutePath(source_dir)) return source_dir;
  const DWORD n = GetFullPathNameA(source_dir, kLongPathChars, absolute.data(), nullptr);
  if (n == 0 || n >= kLongPathChars) return nullptr;
  absolute.adopt();
  return IsAbsolutePath(absolute.c_str()) ? absolute.c_str() : nullptr;
}

}  // namespace

bool WindowClassOpen(const char* window_class) {
  return FindWindowA(window_class, nullptr) != nullptr;
}

bool IsOfficeAppPresent(int code) {
  const OfficeComponent* component = FindComponent(code);
  UniqueKey key;
  return component && OpenUserKey(component->presence_key, key);
}

bool IsOfficeAppRunning(int code) {
  const OfficeComponent* component = FindComponent(code);
  if (!component) return false;
  for (const char* window_class : component->window_classes) {
    if (window_class && WindowClassOpen(window_class)) return true;
  }
  return false;
}

bool IsComponentInstalled(int code) { return ComponentInPlace(code, false); }

bool IsComponentInPlace(int code) { return ComponentInPlace(code, true); }

bool DefaultSourceDir(LongPathStr& dir) {
  const DWORD n = GetModuleFileNameA(nullptr, dir.data(), kLongPathChars);
  if (n == 0 || n >= kLongPathChars) return false;
  dir.adopt();
  return CutAtLastBackslash(dir);
}

OfficeResult InstallComponent(int code, const char* source_dir) {
  if (IsOfficeAppRunning(code)) return OfficeResult::AppRunning;
  LongPathStr default_dir;
  if (!source_dir) {
    if (!DefaultSourceDir(default_dir)) return OfficeResult::Failed;
    source_dir = default_dir.c_str();
  }
  OfficeResult own;
  switch (code) {
    case kExcelComponent: own = RegisterExcelAddIn(source_dir); break;
    case kWordComponent: own = WordTemplateOp(ComponentMode::Install, source_dir); break;
    default: return OfficeResult::Failed;
  }
  if (own != OfficeResult::Ok) return own;
  return SupportLibraryOp(ComponentMode::Install, source_dir);
}

OfficeResult RemoveComponent(int code) {
  if (IsOfficeAppRunning(code)) return OfficeResult::AppRunning;
  switch (code) {
    case kExcelComponent: return ExcelAddInOp(ComponentMode::Remove);
    case kWordComponent: return WordTemplateOp(ComponentMode::Remove, nullptr);
    default: return OfficeResult::Ok;
  }
}

bool RemoveOldWordTemplate() {
  if (WindowClassOpen(kWordWindow)) return false;
  PathStr path;
  switch (LocateOldWordTemplate(path)) {
    case OfficeResult::Ok: break;
    case OfficeResult::Failed: return false;
    default: return true;  // no start-up directory: nothing to remove
  }
  return !FileExistsQuiet(path.c_str()) || DeleteFileA(path.c_str());
}

bool RemoveOldExcelAddIn() {
  if (WindowClassOpen(kExcelWindow)) return false;
  UniqueKey excel;
  if (!OpenUserKey(kExcelOptionsKey, excel)) return true;
  OpenName name;
  if (!OpenValueName(FindOldAddInValue(excel.get()), name)) return true;
  return RegDeleteValueA(excel.get(), name.c_str()) == ERROR_SUCCESS;
}

bool InstallComponents(const char* source_dir) {
  LongPathStr default_dir;
  if (!source_dir && DefaultSourceDir(default_dir)) source_dir = default_dir.c_str();
  bool all = true;
  for (const OfficeComponent& component : kOfficeComponents) {
    if (!IsOfficeAppPresent(component.code)) continue;
    if (!ReinstallComponent(component.code, source_dir)) all = false;
  }
  return all;
}

}  // namespace qnd

// InstallOfficeSupport(source_dir): removes the older Word template, then the older Excel
// add-in value, then installs the component of each present Office application from
// `source_dir` (null: the directory of the host program's executable; relative: made absolute
// from the current directory first, 0 before anything changes when that fails or does not fit
// 1023 characters). 1 when all three phases succeeded; 0 at the first failing phase (the later
// ones do not run, nothing is undone).
extern "C" int __stdcall InstallOfficeSupport(const char* source_dir) {
  using namespace qnd;
  Trace trace("InstallOfficeSupport", {source_dir});
  LongPathStr absolute;
  if (source_dir) {
    source_dir = AbsoluteSourceDir(source_dir, absolute);
    if (!source_dir) return trace.Return(0);
  }
  if (!RemoveOldWordTemplate() || !RemoveOldExcelAddIn()) return trace.Return(0);
  return trace.Return(InstallComponents(source_dir) ? 1 : 0);
}
