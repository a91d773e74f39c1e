// GetFolder: folder codes to directories, asked of the platform afresh on every call.
#include <shlobj.h>

#include "frame/fixed_str.h"
#include "frame/folder_codes.h"
#include "frame/folders.h"
#include "frame/handles.h"

namespace qnd {
namespace {

// Shell folder `csidl` into `buffer` (260 characters). False when the folder cannot be located
// or has no file-system path. The item identifier list is released on every path.
bool ShellFolderPath(int csidl, char* buffer, Trace& trace) {
  LPITEMIDLIST list = nullptr;
  const HRESULT located = SHGetSpecialFolderLocation(nullptr, csidl, &list);
  if (FAILED(located)) {
    trace.Refusal(CallError{"SHGetSpecialFolderLocation", static_cast<DWORD>(located)},
                  "shell folder 0x%04x cannot be located", csidl);
    return false;
  }
  const BOOL ok = SHGetPathFromIDListA(list, buffer);
  ILFree(list);
  if (!ok) {
    trace.Refusal("shell folder 0x%04x has no file-system path (SHGetPathFromIDListA)", csidl);
  }
  return ok != FALSE;
}

// "ProgramFilesDir" as stored, into `buffer` (260 characters). The registry type is not
// examined and nothing is expanded. Data stored without a terminator gets one; data that
// leaves no room for it counts as too long.
bool ProgramFilesPath(char* buffer, Trace& trace) {
  constexpr char kKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
  UniqueKey key;
  const char* call = "RegOpenKeyA";
  LONG status = RegOpenKeyA(HKEY_LOCAL_MACHINE, kKey, key.put());
  DWORD bytes = kPathChars;
  if (status == ERROR_SUCCESS) {
    call = "RegQueryValueExA";
    status = RegQueryValueExA(key.get(), "ProgramFilesDir", nullptr, nullptr,
                              reinterpret_cast<BYTE*>(buffer), &bytes);
  }
  if (status != ERROR_SUCCESS) {
    trace.Refusal(CallError{call, static_cast<DWORD>(status)},
                  "\"ProgramFilesDir\" of \"HKEY_LOCAL_MACHINE\\\\%s\" cannot be read", kKey);
    return false;
  }
  if (bytes == 0 || buffer[bytes - 1] != '\0') {
    if (bytes >= kPathChars) {
      trace.Refusal("\"ProgramFilesDir\" leaves no room for its terminator");
      return false;
    }
    buffer[bytes] = '\0';
  }
  return true;
}

// The temporary directory into `buffer` (260 characters), without one trailing backslash.
// A directory that does not fit (the platform then gives the size it needs) is a failure:
// the buffer was not written.
bool TempPath(char* buffer, Trace& trace) {
  const DWORD n = GetTempPathA(kPathChars, buffer);
  if (n == 0) {
    trace.Refusal(LastError{"GetTempPathA"}, "the temporary directory cannot be had");
    return false;
  }
  if (n >= kPathChars) {
    trace.Refusal("the temporary directory is over 259 characters");
    return false;
  }
  if (buffer[n - 1] == '\\') buffer[n - 1] = '\0';
  return true;
}

}  // namespace

bool FolderPath(int code, char* buffer, Trace& trace) {
  const FolderEntry entry = LookupFolderCode(code);
  switch (entry.source) {
    case FolderSource::WindowsDir: GetWindowsDirectoryA(buffer, kPathChars); return true;
    case FolderSource::SystemDir: GetSystemDirectoryA(buffer, kPathChars); return true;
    case FolderSource::ShellFolder: return ShellFolderPath(entry.csidl, buffer, trace);
    case FolderSource::ProgramFiles: return ProgramFilesPath(buffer, trace);
    case FolderSource::TempDir: return TempPath(buffer, trace);
    case FolderSource::Unassigned: break;
  }
  trace.Refusal("no folder code");
  return false;
}

}  // namespace qnd

// GetFolder(code, buffer): writes the directory of the folder code in the low 8 bits of `code`
// into `buffer`, a path buffer of 260 characters. 1 when written; 0 for an unassigned code
// (buffer untouched) or when the platform cannot give the directory.
extern "C" int __stdcall GetFolder(int code, char* buffer) {
  using namespace qnd;
  Trace trace("GetFolder", {TraceArg::Code(code), buffer});
  return trace.Return(FolderPath(code, buffer, trace) ? 1 : 0, buffer);
}
