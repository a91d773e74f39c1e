// Paths: joining a directory and a name, and cutting a path at its last backslash.
// Portable: no platform headers.
#pragma once

#include <cstring>

#include "frame/fixed_str.h"

namespace qnd {

// Appends `name` to the directory in `dir` with exactly one backslash at the seam: one is put
// between them only when `dir` does not already end in one (an empty `dir` gets one too).
// False, with `dir` unchanged, when the result does not fit.
template <std::size_t N>
[[nodiscard]] bool JoinPath(FixedStr<N>& dir, const char* name) {
  const std::size_t before = dir.size();
  if (dir.back() != '\\' && !dir.push_back('\\')) return false;
  if (dir.append(name)) return true;
  dir.truncate(before);
  return false;
}

// Appends a backslash and `name` in every case, also after a trailing backslash (the platform's
// file services accept the doubled one). False, with `dir` unchanged, when it does not fit.
template <std::size_t N>
[[nodiscard]] bool JoinPathAlways(FixedStr<N>& dir, const char* name) {
  const std::size_t before = dir.size();
  if (dir.push_back('\\') && dir.append(name)) return true;
  dir.truncate(before);
  return false;
}

// Ends the directory in `dir` with a backslash unless it already ends in one.
template <std::size_t N>
[[nodiscard]] bool EndWithBackslash(FixedStr<N>& dir) {
  return dir.back() == '\\' || dir.push_back('\\');
}

// True for a character that separates the levels of a path: a backslash, or a slash, which the
// platform's file services take for one.
[[nodiscard]] constexpr bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }

// The last level of `path`: what follows its last backslash; the whole path when it has none.
[[nodiscard]] inline const char* LastLevel(const char* path) {
  const char* last = std::strrchr(path, '\\');
  return last ? last + 1 : path;
}

// Cuts `path` just after its last backslash, which stays: the directory of a file's path, with
// its backslash. False, with `path` unchanged, when it has none.
template <std::size_t N>
[[nodiscard]] bool CutAfterLastBackslash(FixedStr<N>& path) {
  const char* level = LastLevel(path.c_str());
  if (level == path.c_str()) return false;
  path.truncate(static_cast<std::size_t>(level - path.c_str()));
  return true;
}

// Cuts `path` at its last backslash, which goes too: the directory of a file's path, without
// its backslash. False, with `path` unchanged, when it has none.
template <std::size_t N>
[[nodiscard]] bool CutAtLastBackslash(FixedStr<N>& path) {
  if (!CutAfterLastBackslash(path)) return false;
  path.truncate(path.size() - 1);
  return true;
}

}  // namespace qnd
