// The files of the Office 95 add-ins: Word's start-up directory and its template, the older
// template, and the support library in the system directory. Everything here only reads; the
// installation's changes are the steps of office_install.cpp.
#pragma once

#include "office/office_plan.h"

namespace qnd {

// Reads Word's start-up directory and builds the template's path; changes nothing.
// NoWordOptions, NoStartupPath (missing, unreadable, empty, or no usable directory:
// IsUsableStartupPath), Failed when the paths do not fit 1023 characters, else Ok.
[[nodiscard]] OfficeResult LocateStartupDir(StartupDir& startup);

// The path of the older template "QND_WW7.DOT" in the start-up directory that "Startup-Path"
// gives through a 260-byte read; changes nothing. NoWordOptions or NoStartupPath (as
// LocateStartupDir) when there is no such directory to look in; Failed when the path does not
// fit 259 characters; else Ok.
[[nodiscard]] OfficeResult LocateOldWordTemplate(PathStr& path);

// The path of "QND_OF7.DLL" in the system directory. False when the system directory cannot
// be had in 1024 bytes.
[[nodiscard]] bool SupportLibraryPath(LongPathStr& path);

}  // namespace qnd
