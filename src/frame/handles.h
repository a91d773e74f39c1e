// Owners of the handles the library opens: each closes its handle when it goes out of scope,
// so every path releases everything. The predefined registry roots are never wrapped.
#pragma once

#include "frame/win.h"

namespace qnd {

template <typename H, typename Traits>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(H h) : h_(h) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  H get() const { return h_; }
  explicit operator bool() const { return h_ != Traits::Invalid(); }

  // For an out-parameter: releases what is held and hands out the slot.
  H* put() {
    reset();
    return &h_;
  }

  void reset(H h = Traits::Invalid()) {
    if (h_ != Traits::Invalid()) Traits::Close(h_);
    h_ = h;
  }

 private:
  H h_ = Traits::Invalid();
};

struct KeyTraits {
  static HKEY Invalid() { return nullptr; }
  static void Close(HKEY h) { RegCloseKey(h); }
};
struct FileTraits {
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { CloseHandle(h); }
};
struct FindTraits {
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { FindClose(h); }
};

using UniqueKey = UniqueHandle<HKEY, KeyTraits>;
using UniqueFile = UniqueHandle<HANDLE, FileTraits>;
using UniqueFind = UniqueHandle<HANDLE, FindTraits>;

// The platform's handle of a predefined root key from its numeric value (0x80000000...).
inline HKEY RootKeyHandle(unsigned long value) {
  return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(value));
}

}  // namespace qnd
