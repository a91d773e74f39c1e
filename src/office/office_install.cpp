// The Office applications, their components, the three phases and the export
// InstallOfficeSupport (office_install.h).
#include "office/office_install.h"

#include "frame/files.h"
#include "office/office_files.h"
#include "office/office_registry.h"

namespace qnd {
namespace {

// A present component: its paths checked, an installed one removed, then installed anew.
bool ReinstallComponent(int code, const char* source_dir) {
  if (!SourcesFit(code, source_dir)) return false;
  // A removal that fails is followed by the install anyway: it copies over the file or writes
  // a further value.
  if (IsComponentInstalled(code)) RemoveComponent(code);
  return !IsOfficeAppRunning(code) && InstallComponent(code, source_dir) == OfficeResult::Ok;
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

bool IsComponentInstalled(int code) {
  OfficeResult own;
  switch (code) {
    case kExcelComponent: own = ExcelAddInOp(ComponentMode::Check); break;
    case kWordComponent: own = WordTemplateOp(ComponentMode::Check, nullptr); break;
    default: return false;
  }
  return own == OfficeResult::Ok &&
         SupportLibraryOp(ComponentMode::Check, nullptr) == OfficeResult::Ok;
}

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
// `source_dir` (null: the directory of the host program's executable). 1 when all three phases
// succeeded; 0 at the first failing phase (the later ones do not run, nothing is undone).
extern "C" int __stdcall InstallOfficeSupport(const char* source_dir) {
  using namespace qnd;
  if (!RemoveOldWordTemplate() || !RemoveOldExcelAddIn()) return 0;
  return InstallComponents(source_dir) ? 1 : 0;
}
