// Quiet tests of files and directories, shared by every area and by the checker: no box for a
// missing disk or an unreadable file comes up while a path is tested. And the Windows and
// system directories.
#pragma once

#include "frame/fixed_str.h"
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
[[nodiscard]] DWORD QuietAttributes(const char* path);

// True when `attributes`, as QuietAttributes gives them, are those of an existing directory.
[[nodiscard]] constexpr bool IsDirectoryAttributes(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// True when `path` names an existing file (not a directory), tested quietly. Works for every
// path the platform takes (up to 259 characters).
[[nodiscard]] bool FileExistsQuiet(const char* path);

// True when `path` names an existing directory, tested quietly.
[[nodiscard]] bool IsDirectory(const char* path);

// The Windows directory into `dir`, as the platform gives it. False, with `dir` empty, when it
// cannot be had or does not fit.
template <std::size_t N>
[[nodiscard]] bool WindowsDirectory(FixedStr<N>& dir) {
  return FillSized(dir, [](char* to, unsigned room) { return GetWindowsDirectoryA(to, room); });
}

// The system directory into `dir`, as the platform gives it. False, with `dir` empty, when it
// cannot be had or does not fit.
template <std::size_t N>
[[nodiscard]] bool SystemDirectory(FixedStr<N>& dir) {
  return FillSized(dir, [](char* to, unsigned room) { return GetSystemDirectoryA(to, room); });
}

}  // namespace qnd
