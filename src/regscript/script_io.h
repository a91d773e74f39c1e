// What the registry script code asks of the platform: the name lists of a script file, read
// through the profile reader, and the lookups its macros need.
#pragma once

#include <cstdlib>
#include <memory>

#include "regscript/text_rules.h"

namespace qnd {

// The platform's folder codes (GetFolder) and short path names (GetShortPathNameA).
const MacroLookups& PlatformLookups();

// The product's own script: "QUINDO.SRG" in the installation directory `directory`. Sets `dir`
// to the directory ending in a backslash (the "$0" directory) and `script` to the file's path.
// False for a null or empty directory, or one too long for the path to fit 260 characters.
bool ProductScript(const char* directory, PathStr& dir, PathStr& script);

// A list of names read from a profile file: all section names, or all entry names of one
// section, in file order, at most 32768 characters with their terminators (names beyond are
// not seen, and neither is a name that the list's end would cut short). Taken from the heap,
// released with the object.
class NameList {
 public:
  static constexpr unsigned kChars = 32768;

  // Reads the list; `section` null reads the section names. False when no memory could be
  // had: the file is then not read.
  bool Read(const char* file, const char* section);

  // Walks the names: for (const char* n = list.First(); n; n = list.Next(n)).
  const char* First() const { return count_ ? names_.get() : nullptr; }
  const char* Next(const char* name) const;

 private:
  struct Free {
    void operator()(char* p) const { std::free(p); }
  };
  // From malloc, not operator new: a failing nothrow new still throws inside the C++ runtime,
  // and unwinding needs the very memory that is missing.
  std::unique_ptr<char[], Free> names_;
  std::size_t count_ = 0;  // characters of the whole names, with their terminators
};

// Reads the data of entry `entry` of `section` of profile file `file` into `data`, a buffer
// of `chars` characters (the reader cuts longer data to chars - 1); `*length` gets its length.
// False when the file holds no entry of that name: a listed name that cannot be found again,
// such as one the reader could not give back as it is written. Empty data is found data.
bool ReadEntryData(const char* file, const char* section, const char* entry, char* data,
                   unsigned chars, unsigned* length);

}  // namespace qnd
