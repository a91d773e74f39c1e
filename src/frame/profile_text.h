// Profile files read whole, for the tools that show where each entry stands: the raw text of a
// file and the letter case by which the platform's reader compares names. Built into the tools
// only; the DLL reads profile files through frame/profile.h alone.
#pragma once

#include <string>

#include "frame/fixed_str.h"
#include "frame/name_fold.h"

namespace qnd {

// Reads profile file `file` whole into `text`, as a command-line tool reads a file argument: a
// relative path, a bare name included, from the current directory. `full` gets its full path,
// the one to hand the reader, and `dir` its directory, ending in a backslash. False when it
// cannot be read.
[[nodiscard]] bool ReadProfileFile(const std::string& file, PathStr& full, PathStr& dir,
                                   std::string& text);

// For a bare name `file`, which export `reader` given that name reads from the Windows
// directory instead (ProfileFilePath): a note that says so and names that file; else "".
[[nodiscard]] std::string BareNameNote(const std::string& file, const char* reader);

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

// `text` of the ANSI code page in UTF-8 (for the tools' machine-readable output).
[[nodiscard]] std::string AnsiToUtf8(const std::string& text);

// This system's case mapping of the ANSI code page, as the registry and the reader apply it.
[[nodiscard]] NameFold PlatformFold();

}  // namespace qnd
