// The handle owners' close functions, and the keys below a root (handles.h).
#include "frame/handles.h"

namespace qnd {
namespace {

// Calls `close` on `h` and puts the thread's last-error value back as it found it.
template <typename Close, typename H>
void CloseKeepingLastError(Close close, H h) {
  const DWORD error = GetLastError();
  (void)close(h);  // a handle that does not close has nothing more to give back
  SetLastError(error);
}

}  // namespace

void CloseKey(HKEY key) { CloseKeepingLastError(RegCloseKey, key); }
void CloseObject(HANDLE object) { CloseKeepingLastError(CloseHandle, object); }
void CloseFind(HANDLE find) { CloseKeepingLastError(FindClose, find); }

UniqueKey CreateKeyBelow(RootKey root, const char* path, LONG* status) {
  UniqueKey key;
  *status = RegCreateKeyA(root.get(), path, key.put());
  if (key.get() == root.get()) (void)key.release();  // the root stays the platform's, open
  return key;
}

}  // namespace qnd
