// Quiet tests of files and directories, shared by every area and by the checker: no box for a
// missing disk or an unreadable file comes up while a path is tested.
#pragma once

#include "frame/win.h"

namespace qnd {

// Holds the quiet error mode (no critical-error or open-file boxes) for its lifetime. The
// calling thread's own mode is used where the system has one (SetThreadErrorMode, looked up at
// run time), so calls on two threads cannot leave the process's mode changed; elsewhere the
// process's mode is set and restored.
class QuietErrorMode {
 public:
  QuietErrorMode();
  ~QuietErrorMode();
  QuietErrorMode(const QuietErrorMode&) = delete;
  QuietErrorMode& operator=(const QuietErrorMode&) = delete;

 private:
  typedef BOOL(WINAPI* SetThreadMode)(DWORD, LPDWORD);
  SetThreadMode set_thread_ = nullptr;
  DWORD previous_ = 0;
};

// The attributes of `path` (INVALID_FILE_ATTRIBUTES when it does not exist), read quietly.
DWORD QuietAttributes(const char* path);

// True when `path` names an existing file (not a directory), tested quietly. Works for every
// path the platform takes (up to 259 characters).
bool FileExistsQuiet(const char* path);

// True when `path` names an existing directory, tested quietly.
bool IsDirectory(const char* path);

}  // namespace qnd
