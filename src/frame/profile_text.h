// Profile files read whole, for the tools that show where each entry stands: the raw text of a
// file and the letter case by which the platform's reader compares names. Built into the tools
// only; the DLL reads profile files through frame/profile.h alone.
#pragma once

#include <string>

#include "frame/fixed_str.h"
#include "frame/name_fold.h"

namespace qnd {

// What became of reading a profile file whole: read, not there at all (the reader then finds
// no section in it), or there but not readable.
enum class FileRead { Read, Missing, Unreadable };

// Reads profile file `file` whole into `text`, as a command-line tool reads a file argument: a
// relative path, a bare name included, from the current directory. `full` gets its full path,
// the one to hand the reader, and `dir` its directory, ending in a backslash.
[[nodiscard]] FileRead ReadProfileFile(const std::string& file, PathStr& full, PathStr& dir,
                                       std::string& text);

// True when `file` is a bare name, which an export given that name reads from the Windows
// directory instead (ProfileFilePath); `windows` then gets that file.
[[nodiscard]] bool BareNameElsewhere(const std::string& file, PathStr& windows);

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

// This system's case mapping of the ANSI code page (CharUpperBuffA), as file names take it.
[[nodiscard]] NameFold PlatformFold();

// The letter case by which the profile reader compares the section and entry names of a file
// whose bytes are `text`, asked of the reader itself: a scratch profile file of the temporary
// directory lists one entry per character, each character of `text` is looked up, and the data
// that comes back names the first entry that the reader takes for the same name. Each character
// maps to that first one; a character that `text` lacks, which no name of the file holds, to
// itself (each lookup costs the reader a reading of the file: asking of all of them made every
// check wait). The file is deleted at once. Folds nothing when the file cannot be made (the names
// then count as different unless their bytes are the same).
[[nodiscard]] NameFold ReaderFold(const std::string& text);

// The letter case by which the registry compares key and value names: each character of the
// ANSI code page upcased in UTF-16 by the platform's own rule (RtlUpcaseUnicodeChar), as the
// registry compares them.
[[nodiscard]] NameFold RegistryFold();

}  // namespace qnd
