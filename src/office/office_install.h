// The Office applications, their components, and the three phases of InstallOfficeSupport
// (qndsetup.h): the older Word template removed, the older Excel add-in value removed, then each
// present application's component installed anew. The Is... functions only read.
#pragma once

#include "office/office_rules.h"

namespace qnd {

// True when a top-level window of class `window_class` exists.
bool WindowClassOpen(const char* window_class);

// True when the application of component `code` is there (its presence key opens). False for a
// code outside the table.
bool IsOfficeAppPresent(int code);

// True when a window of any of the component's classes is open. False for a code outside the
// table.
bool IsOfficeAppRunning(int code);

// True when the component's own part (the add-in value, or the template) and the support
// library are both in place. False for a code outside the table. The Word template's check
// creates Word's missing start-up directory (WordTemplateOp).
bool IsComponentInstalled(int code);

// IsComponentInstalled that only reads: nothing is created.
bool IsComponentInPlace(int code);

// The directory of the executable of the process that loaded the library (without trailing
// backslash), into `dir`. False when its file name does not fit 1024 bytes.
bool DefaultSourceDir(LongPathStr& dir);

// Installs component `code` from `source_dir` (null: DefaultSourceDir): its own part, then the
// support library. AppRunning while the application runs (nothing done); Failed for a code
// outside the table or when no default directory can be had; else what RegisterExcelAddIn or
// WordTemplateOp(Install) gives, and then SupportLibraryOp(Install).
OfficeResult InstallComponent(int code, const char* source_dir);

// Removes the component's own part (the support library stays). AppRunning while the
// application runs; else what ExcelAddInOp(Remove) or WordTemplateOp(Remove) gives; Ok for a
// code outside the table.
OfficeResult RemoveComponent(int code);

// Phase 1: deletes "QND_WW7.DOT" from Word's start-up directory. False while a window of class
// "OpusApp" is open (nothing done), when the template's path does not fit 259 characters, or
// when the template exists and cannot be deleted; true otherwise (no Word options, no
// start-up path, no template: nothing to remove).
bool RemoveOldWordTemplate();

// Phase 2: deletes the first of "OPEN" to OPEN98 that names "QND_XL7" (FindOldAddInValue).
// False while a window of class "XLMAIN" is open (nothing done) or when that value cannot be
// deleted; true otherwise.
bool RemoveOldExcelAddIn();

// Phase 3: for Excel, then Word, when present: the component is checked (IsComponentInstalled),
// then its source paths (a component whose paths do not fit, or whose default directory cannot
// be had, fails with nothing removed or written), an installed component is removed, then
// installed. True when every present component was installed; a failing one does not stop the
// next.
bool InstallComponents(const char* source_dir);

}  // namespace qnd
