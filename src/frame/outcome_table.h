// Tables indexed by an outcome enum (a result or a refusal): each row names its enumerator, and
// the table is checked at compile time to hold one row per enumerator, in the enum's order, so
// that a new outcome fails the build until every wording of it exists.
// Portable: no platform headers.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace qnd {

// True when `rows` has one row per enumerator below `count` (the enum's last, Count), row i
// naming enumerator i through `member`.
template <typename Row, std::size_t N, typename Enum>
constexpr bool RowsInOrder(const Row (&rows)[N], Enum Row::*member, Enum count) {
  if (N != static_cast<std::size_t>(count)) return false;
  for (std::size_t i = 0; i < N; ++i) {
    if (static_cast<std::size_t>(rows[i].*member) != i) return false;
  }
  return true;
}

// One column of such a table as the image keeps it: its texts one after another, each with its
// terminator, and where each row's text begins. No pointer is stored: the column costs its texts
// and two bytes a row, and the image no relocation.
template <std::size_t Chars, std::size_t Rows>
struct PackedTexts {
  char chars[Chars];
  std::uint16_t at[Rows];

  [[nodiscard]] constexpr const char* operator[](std::size_t row) const { return chars + at[row]; }
};

// The characters that the texts of column `member` of `rows` take, terminators included.
template <typename Row, std::size_t N>
constexpr std::size_t TextChars(const Row (&rows)[N], const char* Row::*member) {
  std::size_t chars = 0;
  for (const Row& row : rows) {
    for (const char* text = row.*member; *text != '\0'; ++text) ++chars;
    ++chars;
  }
  return chars;
}

// Column `member` of the table `rows` packed (PackedTexts), as the compiler builds it.
template <const auto& rows, auto member>
constexpr auto PackTexts() {
  constexpr std::size_t rows_n = sizeof rows / sizeof rows[0];
  static_assert(TextChars(rows, member) <= 0xFFFF, "an offset is two bytes");
  PackedTexts<TextChars(rows, member), rows_n> packed{};
  std::size_t next = 0;
  for (std::size_t i = 0; i < rows_n; ++i) {
    packed.at[i] = static_cast<std::uint16_t>(next);
    const char* text = rows[i].*member;
    do {
      packed.chars[next++] = *text;
    } while (*text++ != '\0');
  }
  return packed;
}

// Column `member` of the table `rows` alone, for a column of small values (a byte's enum).
template <const auto& rows, auto member>
constexpr auto PackColumn() {
  constexpr std::size_t rows_n = sizeof rows / sizeof rows[0];
  std::array<std::remove_cvref_t<decltype(rows[0].*member)>, rows_n> column{};
  for (std::size_t i = 0; i < rows_n; ++i) column[i] = rows[i].*member;
  return column;
}

}  // namespace qnd
