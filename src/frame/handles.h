// Owners of the handles the library opens (UniqueHandle): each closes its handle when it goes
// out of scope, and leaves the thread's last-error value as it was, so that an owner going out
// of scope between a failing call and the code that reads its error changes nothing. The
// predefined registry roots are never owned: a RootKey refers to one.
#pragma once

#include <cstdint>

#include "frame/unique_handle.h"
#include "frame/win.h"

namespace qnd {

// The close functions of the owners below, each keeping the last-error value.
void CloseKey(HKEY key);
void CloseObject(HANDLE object);
void CloseFind(HANDLE find);

struct KeyTraits {
  static HKEY Invalid() { return nullptr; }
  static void Close(HKEY h) { CloseKey(h); }
};
struct FileTraits {
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { CloseObject(h); }
};
struct FindTraits {
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { CloseFind(h); }
};
// A kernel object that CreateMutexA, CreateEventA... give: null when there is none.
struct ObjectTraits {
  static HANDLE Invalid() { return nullptr; }
  static void Close(HANDLE h) { CloseObject(h); }
};

using UniqueKey = UniqueHandle<HKEY, KeyTraits>;
using UniqueFile = UniqueHandle<HANDLE, FileTraits>;
using UniqueFind = UniqueHandle<HANDLE, FindTraits>;
using UniqueObject = UniqueHandle<HANDLE, ObjectTraits>;

// A predefined root key (HKEY_CLASSES_ROOT, HKEY_CURRENT_USER...) by its value (0x80000000...),
// as registry scripts name them. The platform keeps these keys open: a RootKey only refers to
// one, and nothing closes it.
class RootKey {
 public:
  explicit RootKey(std::uint32_t value) : value_(value) {}
  [[nodiscard]] std::uint32_t value() const { return value_; }
  [[nodiscard]] HKEY get() const {
    return reinterpret_cast<HKEY>(  // NOLINT(performance-no-int-to-ptr): the platform's values
        static_cast<ULONG_PTR>(value_));
  }

 private:
  std::uint32_t value_;
};

// RegCreateKeyA of key path `path` below `root`, every missing level created: the key, owned,
// with the platform's status in `*status`. An empty path names the root itself, which the
// platform then hands back as it is: the owner gives that up, holds nothing, and the key to
// work on is the root.
[[nodiscard]] UniqueKey CreateKeyBelow(RootKey root, const char* path, LONG* status);

}  // namespace qnd
