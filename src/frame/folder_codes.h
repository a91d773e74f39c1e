// The folder-code table: which directory each one-character folder code names.
// Portable: the Windows side (folders.cpp) turns an entry into a directory.
#pragma once

#include <cstdint>

namespace qnd {

// One byte each, as is the shell folder identifier: the table stays small.
enum class FolderSource : std::uint8_t {
  Unassigned,
  WindowsDir,    // GetWindowsDirectoryA
  SystemDir,     // GetSystemDirectoryA
  ShellFolder,   // SHGetSpecialFolderLocation with `csidl`
  ProgramFiles,  // "ProgramFilesDir" under HKLM
  TempDir,       // GetTempPathA, one trailing backslash removed
};

struct FolderEntry {
  FolderSource source;
  std::uint8_t csidl;  // shell folder identifier (CSIDL_*, all below 256), for ShellFolder only
};

// The entry for a folder code, taken from the low 8 bits of `code` as a signed character.
// "0", "4", every character outside "1".."f" and every byte from 0x80 up are Unassigned.
[[nodiscard]] FolderEntry LookupFolderCode(int code);

}  // namespace qnd
