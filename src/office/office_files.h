// The files of the Office 95 add-ins: Word's start-up directory and its template, the older
// template, and the support library in the system directory. The Locate functions and the
// Check modes only read: a checker reports with them what an installation would do.
#pragma once

#include "office/office_rules.h"

namespace qnd {

// Word's start-up directory as "Startup-Path" gives it (1024-byte read).
struct StartupDir {
  LongPathStr dir;            // ends in a backslash
  LongPathStr template_path;  // dir followed by "QND_OF7.DOT"
  bool exists = false;        // dir is an existing directory
};

// Reads Word's start-up directory and builds the template's path; changes nothing.
// NoWordOptions, NoStartupPath (missing, unreadable, empty or relative value), Failed when the
// paths do not fit 1023 characters, else Ok.
OfficeResult LocateStartupDir(StartupDir& startup);

// The path of the older template "QND_WW7.DOT" in the start-up directory that "Startup-Path"
// gives through a 260-byte read; changes nothing. NoWordOptions or NoStartupPath (as
// LocateStartupDir) when there is no such directory to look in; Failed when the path does not
// fit 259 characters; else Ok.
OfficeResult LocateOldWordTemplate(PathStr& path);

// Ok when Word's start-up template is there, NotFound when it is not, else LocateStartupDir's
// result. Read-only: a missing start-up directory is not created.
OfficeResult FindWordTemplate();

// Word's start-up template. Every mode locates it first (LocateStartupDir's results), then
// creates the start-up directory, its last level only, when it is missing (so even a check
// does): StartupDirNotCreated when it cannot be.
//   Check:   Ok when the template is there, else NotFound.
//   Install: copies `source_dir`\"QND_OF7.DOT" over it, then writes the first-call marker.
//            CopyFailed when the source path does not fit or the copy fails; Failed when the
//            marker cannot be written; else Ok.
//   Remove:  deletes it: Ok, or NotFound when it could not be deleted.
// Failed for another mode.
OfficeResult WordTemplateOp(ComponentMode mode, const char* source_dir);

// The path of "QND_OF7.DLL" in the system directory. False when the system directory cannot
// be had in 1024 bytes.
bool SupportLibraryPath(LongPathStr& path);

// The support library in the system directory.
//   Check:   Ok when it is there, else NotFound.
//   Install: copies `source_dir`\"QND_OF7.DLL" over it: Ok, or CopyFailed (also when the source
//            path does not fit).
// Failed when the system directory cannot be had, or for another mode.
OfficeResult SupportLibraryOp(ComponentMode mode, const char* source_dir);

}  // namespace qnd
