// The owner of one handle: it closes the handle when it goes out of scope, so every path
// releases everything, and it hands the handle on when it is moved. Portable: the handle's
// invalid value and its close function come from `Traits` (frame/handles.h has the platform's),
// so the owner itself is unit-tested natively.
#pragma once

namespace qnd {

// Traits: `static H Invalid()`, the value that holds nothing, and `static void Close(H)`.
template <typename H, typename Traits>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(H h) : h_(h) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  // Moving hands the handle over: the owner moved from holds nothing; the one moved to closes
  // what it held first.
  UniqueHandle(UniqueHandle&& other) noexcept : h_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    reset(other.release());
    return *this;
  }

  [[nodiscard]] H get() const { return h_; }
  explicit operator bool() const { return h_ != Traits::Invalid(); }

  // For an out-parameter: closes what is held and hands out the slot.
  [[nodiscard]] H* put() {
    reset();
    return &h_;
  }

  // Gives the handle up without closing it: whoever takes it owns it, or it was never ours.
  [[nodiscard]] H release() {
    const H h = h_;
    h_ = Traits::Invalid();
    return h;
  }

  // Closes what is held, if anything, and holds `h`.
  void reset(H h = Traits::Invalid()) {
    const H old = h_;
    h_ = h;
    if (old != Traits::Invalid()) Traits::Close(old);
  }

 private:
  H h_ = Traits::Invalid();
};

}  // namespace qnd
