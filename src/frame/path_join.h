// Joining a directory and a name. Portable: no platform headers.
#pragma once

#include "frame/fixed_str.h"

namespace qnd {

// Appends `name` to the directory in `dir` with exactly one backslash at the seam: one is put
// between them only when `dir` does not already end in one (an empty `dir` gets one too).
// False, with `dir` unchanged, when the result does not fit.
template <std::size_t N>
bool JoinPath(FixedStr<N>& dir, const char* name) {
  const std::size_t before = dir.size();
  if (dir.back() != '\\' && !dir.push_back('\\')) return false;
  if (dir.append(name)) return true;
  dir.truncate(before);
  return false;
}

// Appends a backslash and `name` in every case, also after a trailing backslash (the platform's
// file services accept the doubled one). False, with `dir` unchanged, when it does not fit.
template <std::size_t N>
bool JoinPathAlways(FixedStr<N>& dir, const char* name) {
  const std::size_t before = dir.size();
  if (dir.push_back('\\') && dir.append(name)) return true;
  dir.truncate(before);
  return false;
}

// Ends the directory in `dir` with a backslash unless it already ends in one.
template <std::size_t N>
bool EndWithBackslash(FixedStr<N>& dir) {
  return dir.back() == '\\' || dir.push_back('\\');
}

}  // namespace qnd
