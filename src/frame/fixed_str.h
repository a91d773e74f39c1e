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

  [[nodiscard]] const char* c_str() const { return text_; }
  [[nodiscard]] char* data() { return text_; }
  [[nodiscard]] std::size_t size() const { return size_; }
  [[nodiscard]] bool empty() const { return size_ == 0; }
  [[nodiscard]] char back() const { return size_ ? text_[size_ - 1] : '\0'; }

  void clear() {
    size_ = 0;
    text_[0] = '\0';
  }

  // Replaces the text by the first `n` characters of `s`; false when they do not fit.
  [[nodiscard]] bool assign(const char* s, std::size_t n) {
    if (n > kCapacity) return false;
    std::memmove(text_, s, n);
    size_ = n;
    text_[n] = '\0';
    return true;
  }
  [[nodiscard]] bool assign(const char* s) { return assign(s, std::strlen(s)); }

  [[nodiscard]] bool append(const char* s, std::size_t n) {
    if (n > kCapacity - size_) return false;
    std::memmove(text_ + size_, s, n);
    size_ += n;
    text_[size_] = '\0';
    return true;
  }
  [[nodiscard]] bool append(const char* s) { return append(s, std::strlen(s)); }
  [[nodiscard]] bool push_back(char c) { return append(&c, 1); }

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

// Fills `text` from a sized platform call, one that writes a text into a buffer and gives its
// length: `call(buffer, room)` gets the text's buffer and its room in characters, the terminator
// included, and gives the length it wrote without the terminator; a length of `room` or more
// when the text does not fit (the room it needs, or a cut text); 0 when it fails. False, with
// `text` empty, on 0 or on a length that does not fit; `*length`, when given, gets the length
// the call gave, so a caller can tell the two apart.
template <std::size_t N, typename Call>
[[nodiscard]] bool FillSized(FixedStr<N>& text, Call&& call, std::size_t* length = nullptr) {
  const std::size_t n = call(text.data(), static_cast<unsigned>(N));
  if (length) *length = n;
  if (n == 0 || n >= N) {
    text.clear();
    return false;
  }
  text.adopt();
  return true;
}

}  // namespace qnd
