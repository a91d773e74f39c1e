// The ASCII character rules that the text rules share: letter case, blanks, hexadecimal digits.
// Bytes from 0x80 up are no ASCII characters: each rule leaves them as they are.
// Portable: no platform headers.
#pragma once

#include <cstddef>

namespace qnd {

// `c` in upper case when it is a letter "a" to "z"; any other byte as it is.
[[nodiscard]] constexpr char AsciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// True for a letter "A" to "Z" or "a" to "z".
[[nodiscard]] constexpr bool IsAsciiLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// True for a blank within a line: a space or a tab.
[[nodiscard]] constexpr bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// True for a control character: 0x01 to 0x1F and 0x7F (the terminator is none).
[[nodiscard]] constexpr bool IsControl(char c) {
  const auto u = static_cast<unsigned char>(c);
  return (u >= 0x01 && u < 0x20) || u == 0x7F;
}

// True for white space as the C library's number readers skip it: a space, a tab, a line feed,
// a vertical tab, a form feed or a carriage return.
[[nodiscard]] constexpr bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The value of hexadecimal digit `c` ("0" to "9", "a" to "f", "A" to "F"), or -1 for any other
// character.
[[nodiscard]] constexpr int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The digits of a number in the bases up to 16, as the library writes them: lower case.
inline constexpr char kDigits[] = "0123456789abcdef";

// Writes `c` into `shown` as the trace and the checker show it in a line of text, and gives how
// many characters that takes: `c` as it stands when it is printable ASCII or a byte from 0x80 up
// (the ANSI code page's); a control character escaped, so that no text can end a line or make
// one of its own: "\n", "\r", "\t", else "\x" and two hexadecimal digits.
inline std::size_t ShowChar(char c, char (&shown)[4]) {
  const auto u = static_cast<unsigned char>(c);
  shown[0] = c;
  if (u >= 0x20 && u != 0x7F) return 1;
  const char named = c == '\n' ? 'n' : c == '\r' ? 'r' : c == '\t' ? 't' : '\0';
  shown[0] = '\\';
  shown[1] = named ? named : 'x';
  if (named) return 2;
  shown[2] = kDigits[u >> 4];
  shown[3] = kDigits[u & 15];
  return 4;
}

}  // namespace qnd
