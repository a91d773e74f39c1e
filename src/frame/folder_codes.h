// The folder-code table: which directory each one-character folder code names.
// Portable: the Windows side (folders.cpp) turns an entry into a directory.
#pragma once

namespace qnd {

enum class FolderSource {
  Unassigned,
  WindowsDir,    // GetWindowsDirectoryA
  SystemDir,     // GetSystemDirectoryA
  ShellFolder,   // SHGetSpecialFolderLocation with `csidl`
  ProgramFiles,  // "ProgramFilesDir" under HKLM
  TempDir,       // GetTempPathA, one trailing backslash removed
};

struct FolderEntry {
  FolderSource source;
  int csidl;  // shell folder identifier, for ShellFolder only
};

// The entry for a folder code, taken from the low 8 bits of `code` as a signed character.
// "0", "4", every character outside "1".."f" and every byte from 0x80 up are Unassigned.
[[nodiscard]] FolderEntry LookupFolderCode(int code);

}  // namespace qnd
