// Fixed-capacity strings for the library's 260-, 512- and 1024-character buffers.
//
// FixedStr<N> holds at most N - 1 characters and its terminator, all inside the object.
// Every operation that could grow the text beyond that fails and returns false, leaving the
// text exactly as it was: nothing is cut and nothing is written past the buffer.
// Portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstring>

namespace qnd {

constexpr std::size_t kPathChars = 260;  // a path buffer with its terminator (MAX_PATH)

template <std::size_t N>
class FixedStr {
  static_assert(N >= 1, "room for the terminator");

 public:
  static constexpr std::size_t kCapacity = N - 1;  // characters, without the terminator

  FixedStr() { text_[0] = '\0'; }

  const char* c_str() const { return text_; }
  char* data() { return text_; }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  char back() const { return size_ ? text_[size_ - 1] : '\0'; }

  void clear() {
    size_ = 0;
    text_[0] = '\0';
  }

  // Replaces the text by the first `n` characters of `s`; false when they do not fit.
  bool assign(const char* s, std::size_t n) {
    if (n > kCapacity) return false;
    std::memmove(text_, s, n);
    size_ = n;
    text_[n] = '\0';
    return true;
  }
  bool assign(const char* s) { return assign(s, std::strlen(s)); }

  bool append(const char* s, std::size_t n) {
    if (n > kCapacity - size_) return false;
    std::memmove(text_ + size_, s, n);
    size_ += n;
    text_[size_] = '\0';
    return true;
  }
  bool append(const char* s) { return append(s, std::strlen(s)); }
  bool push_back(char c) { return append(&c, 1); }

  // Drops the text from position n on (n <= size()).
  void truncate(std::size_t n) {
    if (n < size_) {
      size_ = n;
      text_[n] = '\0';
    }
  }

  // After the platform wrote into data() directly: takes the text up to its terminator, and
  // puts one at the last position if the writer left none.
  void adopt() {
    text_[kCapacity] = '\0';
    size_ = std::strlen(text_);
  }

 private:
  char text_[N];
  std::size_t size_ = 0;
};

using PathStr = FixedStr<kPathChars>;

}  // namespace qnd
