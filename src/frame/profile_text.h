// Profile files read whole, for the tools that show where each entry stands: the raw text of a
// file and the letter case by which the platform's reader compares names. Built into the tools
// only; the DLL reads profile files through frame/profile.h alone.
#pragma once

#include <string>

#include "frame/fixed_str.h"
#include "frame/name_fold.h"

namespace qnd {

// Reads profile file `file` whole into `text`: the file the profile reader reads for that name
// (ProfileFilePath: a bare name lies in the Windows directory). `full` gets its full path, the
// one to hand the reader, and `dir` its directory, ending in a backslash. False when it cannot
// be read.
[[nodiscard]] bool ReadProfileFile(const std::string& file, PathStr& full, PathStr& dir,
                                   std::string& text);

// How much room one name list of a profile file takes as the reader gives it whole: `chars`,
// the names with their terminators, and the first name beyond the library's list
// (NameList::kChars), "" when all fit.
struct NameListUse {
  std::size_t chars = 0;
  std::string first_unseen;
};

// Reads the name list of `section` (null: the section names) of profile file `path` with room
// for all of it.
[[nodiscard]] NameListUse MeasureNameList(const char* path, const char* section);

// This system's case mapping of the ANSI code page, as the registry and the reader apply it.
[[nodiscard]] NameFold PlatformFold();

}  // namespace qnd
