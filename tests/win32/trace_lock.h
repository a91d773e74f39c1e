// The name of the trace's lock, as the tests and the benchmark know it: without GoogleTest, so
// that the benchmark can take it too.
#pragma once
#include <windows.h>

#include <cstdio>
#include <string>

namespace bench {

// The name of the lock of the trace's log `path`, as the library names it from the file's
// identity (the file must be there).
inline std::string TraceLockName(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  BY_HANDLE_FILE_INFORMATION identity = {};
  GetFileInformationByHandle(file, &identity);
  CloseHandle(file);
  char name[64];
  std::snprintf(name, sizeof name, "qndsetup.trace.%08lx.%08lx%08lx", identity.dwVolumeSerialNumber,
                identity.nFileIndexHigh, identity.nFileIndexLow);
  return name;
}

}  // namespace bench
