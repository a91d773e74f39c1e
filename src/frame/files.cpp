#include "frame/files.h"

namespace qnd {
namespace {

// No box for a missing disk or an unreadable file while a file is tested.
constexpr UINT kQuietErrorMode = SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX;

}  // namespace

QuietErrorMode::QuietErrorMode() {
  FARPROC proc = GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetThreadErrorMode");
  set_thread_ = reinterpret_cast<SetThreadMode>(reinterpret_cast<void (*)()>(proc));
  if (!set_thread_ || !set_thread_(kQuietErrorMode, &previous_)) {
    set_thread_ = nullptr;
    previous_ = SetErrorMode(kQuietErrorMode);
  }
}

QuietErrorMode::~QuietErrorMode() {
  if (set_thread_) {
    set_thread_(previous_, nullptr);
  } else {
    SetErrorMode(previous_);
  }
}

DWORD QuietAttributes(const char* path) {
  const QuietErrorMode quiet;
  return GetFileAttributesA(path);
}

bool FileExistsQuiet(const char* path) {
  const DWORD attributes = QuietAttributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !IsDirectoryAttributes(attributes);
}

bool IsDirectory(const char* path) { return IsDirectoryAttributes(QuietAttributes(path)); }

}  // namespace qnd
