// Tables indexed by an outcome enum (a result or a refusal): each row names its enumerator, and
// the table is checked at compile time to hold one row per enumerator, in the enum's order, so
// that a new outcome fails the build until every wording of it exists.
// Portable: no platform headers.
#pragma once

#include <cstddef>

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

}  // namespace qnd
