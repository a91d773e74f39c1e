// GetFolder: folder codes to directories, asked of the platform afresh on every call.
#include <shlobj.h>

#include "frame/files.h"
#include "frame/fixed_str.h"
#include "frame/folder_codes.h"
#include "frame/folders.h"
#include "frame/handles.h"

namespace qnd {
namespace {

// Gives `list` back to the shell's allocator, which made it. Through SHGetMalloc, which every
// shell has: ILFree is exported by name only from shell32 5.0 on (Windows 2000 and ME).
void FreeItemList(LPITEMIDLIST list) {
  IMalloc* shell_malloc = nullptr;
  if (FAILED(SHGetMalloc(&shell_malloc))) return;  // it cannot fail: the shell's own allocator
  shell_malloc->Free(list);
  shell_malloc->Release();
}

// Shell folder `csidl` into `dir`. False when the folder cannot be located or has no
// file-system path. The item identifier list is released on every path.
[[nodiscard]] bool ShellFolderPath(int csidl, PathStr& dir, Trace& trace) {
  LPITEMIDLIST list = nullptr;
  const HRESULT located = SHGetSpecialFolderLocation(nullptr, csidl, &list);
  if (FAILED(located)) {
    trace.Refusal(CallError{"SHGetSpecialFolderLocation", static_cast<DWORD>(located)},
                  "shell folder 0x%04x cannot be located", csidl);
    return false;
  }
  const BOOL ok = SHGetPathFromIDListA(list, dir.data());  // a path buffer's 260 characters
  dir.adopt();
  FreeItemList(list);
  if (!ok) {
    trace.Refusal("shell folder 0x%04x has no file-system path", csidl);
  }
  return ok != FALSE;
}

// "ProgramFilesDir" as stored, into `dir`. The registry type is not examined and nothing is
// expanded. Data stored without a terminator gets one; data that leaves no room for it counts
// as too long.
[[nodiscard]] bool ProgramFilesPath(PathStr& dir, Trace& trace) {
  constexpr char kKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
  constexpr char kValue[] = "ProgramFilesDir";
  UniqueKey key;
  const char* call = "RegOpenKeyA";
  LONG status = RegOpenKeyA(HKEY_LOCAL_MACHINE, kKey, key.put());
  DWORD bytes = kPathChars;
  if (status == ERROR_SUCCESS) {
    call = "RegQueryValueExA";
    status = RegQueryValueExA(key.get(), kValue, nullptr, nullptr,
                              reinterpret_cast<BYTE*>(dir.data()), &bytes);
  }
  if (status != ERROR_SUCCESS) {
    dir.clear();  // whatever the query left there
    trace.Refusal(CallError{call, static_cast<DWORD>(status)},
                  "\"%s\" of \"HKEY_LOCAL_MACHINE\\\\%s\" cannot be read", kValue, kKey);
    return false;
  }
  if (bytes == 0 || dir.data()[bytes - 1] != '\0') {
    if (bytes >= kPathChars) {
      dir.clear();
      trace.Refusal("\"%s\" leaves no room for its terminator", kValue);
      return false;
    }
    dir.data()[bytes] = '\0';
  }
  dir.adopt();
  return true;
}

// The temporary directory into `dir`, without one trailing backslash. A directory that does not
// fit (the platform then gives the size it needs) is a failure.
[[nodiscard]] bool TempPath(PathStr& dir, Trace& trace) {
  const auto read = [](char* to, unsigned room) { return GetTempPathA(room, to); };
  std::size_t n = 0;
  if (!FillSized(dir, read, &n)) {
    if (n == 0) {
      trace.Refusal(LastError{"GetTempPathA"}, "the temporary directory cannot be had");
    } else {
      trace.Refusal("the temporary directory is over 259 characters");
    }
    return false;
  }
  if (dir.back() == '\\') dir.truncate(dir.size() - 1);
  return true;
}

}  // namespace

bool FolderPath(int code, PathStr& dir, Trace& trace) {
  const FolderEntry entry = LookupFolderCode(code);
  switch (entry.source) {
    case FolderSource::WindowsDir:
      (void)WindowsDirectory(dir);  // GetFolder's 1, whatever the call says: it cannot fail here
      return true;
    case FolderSource::SystemDir:
      (void)SystemDirectory(dir);  // the same
      return true;
    case FolderSource::ShellFolder: return ShellFolderPath(entry.csidl, dir, trace);
    case FolderSource::ProgramFiles: return ProgramFilesPath(dir, trace);
    case FolderSource::TempDir: return TempPath(dir, trace);
    case FolderSource::Unassigned: break;
  }
  trace.Refusal("no folder code");
  return false;
}

}  // namespace qnd

// GetFolder: see qndsetup.h.
extern "C" int __stdcall GetFolder(int code, char* buffer) {
  using namespace qnd;
  Trace trace("GetFolder", {TraceArg::Code(code), buffer});
  PathStr dir;
  if (!FolderPath(code, dir, trace)) return trace.Return(0);
  std::memcpy(buffer, dir.c_str(), dir.size() + 1);  // at most 260 bytes
  return trace.Return(1, buffer);
}
