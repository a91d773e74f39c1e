// GetFolder: folder codes to directories, asked of the platform afresh on every call.
#include <shlobj.h>

#include "frame/fixed_str.h"
#include "frame/folder_codes.h"
#include "frame/handles.h"

namespace qnd {
namespace {

// Shell folder `csidl` into `buffer` (260 characters). False when the folder cannot be located
// or has no file-system path. The item identifier list is released on every path.
bool ShellFolderPath(int csidl, char* buffer) {
  LPITEMIDLIST list = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &list))) return false;
  const BOOL ok = SHGetPathFromIDListA(list, buffer);
  ILFree(list);
  return ok != FALSE;
}

// "ProgramFilesDir" as stored, into `buffer` (260 characters). The registry type is not
// examined and nothing is expanded. Data stored without a terminator gets one; data that
// leaves no room for it counts as too long.
bool ProgramFilesPath(char* buffer) {
  UniqueKey key;
  if (RegOpenKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", key.put()) !=
      ERROR_SUCCESS) {
    return false;
  }
  DWORD bytes = kPathChars;
  if (RegQueryValueExA(key.get(), "ProgramFilesDir", nullptr, nullptr,
                       reinterpret_cast<BYTE*>(buffer), &bytes) != ERROR_SUCCESS) {
    return false;
  }
  if (bytes == 0 || buffer[bytes - 1] != '\0') {
    if (bytes >= kPathChars) return false;
    buffer[bytes] = '\0';
  }
  return true;
}

// The temporary directory into `buffer` (260 characters), without one trailing backslash.
// A directory that does not fit (the platform then gives the size it needs) is a failure:
// the buffer was not written.
bool TempPath(char* buffer) {
  const DWORD n = GetTempPathA(kPathChars, buffer);
  if (n == 0 || n >= kPathChars) return false;
  if (buffer[n - 1] == '\\') buffer[n - 1] = '\0';
  return true;
}

}  // namespace
}  // namespace qnd

// GetFolder(code, buffer): writes the directory of the folder code in the low 8 bits of `code`
// into `buffer`, a path buffer of 260 characters. 1 when written; 0 for an unassigned code
// (buffer untouched) or when the platform cannot give the directory.
extern "C" int __stdcall GetFolder(int code, char* buffer) {
  using namespace qnd;
  const FolderEntry entry = LookupFolderCode(code);
  switch (entry.source) {
    case FolderSource::WindowsDir:
      GetWindowsDirectoryA(buffer, kPathChars);
      return 1;
    case FolderSource::SystemDir:
      GetSystemDirectoryA(buffer, kPathChars);
      return 1;
    case FolderSource::ShellFolder:
      return ShellFolderPath(entry.csidl, buffer) ? 1 : 0;
    case FolderSource::ProgramFiles:
      return ProgramFilesPath(buffer) ? 1 : 0;
    case FolderSource::TempDir:
      return TempPath(buffer) ? 1 : 0;
    case FolderSource::Unassigned:
      break;
  }
  return 0;
}
