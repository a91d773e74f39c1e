// What the registry script code asks of the platform: the name lists of a script file, read
// through the profile reader, the walks of DoReg and UndoReg over them, and the lookups its
// macros need.
#pragma once

#include <cstdlib>
#include <memory>

#include "regscript/script_entry.h"
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

// The section that lists what reversal removes.
constexpr char kRemovalList[] = "UNINSTALL";

// One entry of a script as a walk meets it.
struct ScriptEntry {
  const char* section;  // the section's name as listed
  const char* name;     // the entry's name as listed
  const char* data;     // its data as read (cut beyond kEntryDataChars - 1 characters)
  unsigned length;      // the reader's count of the data's characters
  bool found;           // false: no entry of that name can be found again (see ReadEntryData)
};

enum class WalkEnd {
  Done,      // every entry was visited
  Stopped,   // a visit returned false: the walk ended there
  NoMemory,  // no memory for a name list: the file was not read (further)
};

// Calls `visit(const ScriptEntry&)` for every entry of the entry list of `section` of `script`,
// in file order, until a visit returns false.
template <typename Visit>
WalkEnd WalkSection(const char* script, const char* section, Visit&& visit) {
  NameList entries;
  if (!entries.Read(script, section)) return WalkEnd::NoMemory;
  for (const char* entry = entries.First(); entry; entry = entries.Next(entry)) {
    char data[kEntryDataChars];
    unsigned length = 0;
    const bool found = ReadEntryData(script, section, entry, data, kEntryDataChars, &length);
    if (!visit(ScriptEntry{section, entry, data, length, found})) return WalkEnd::Stopped;
  }
  return WalkEnd::Done;
}

// The walk of DoReg: every entry of every key section of `script` (a section whose name begins
// with a root name), sections and entries in file order, until a visit returns false.
template <typename Visit>
WalkEnd WalkKeySections(const char* script, Visit&& visit) {
  NameList sections;
  if (!sections.Read(script, nullptr)) return WalkEnd::NoMemory;
  for (const char* section = sections.First(); section; section = sections.Next(section)) {
    std::uint32_t root = 0;
    const char* sub = nullptr;
    if (!ParseRootKey(section, &root, &sub)) continue;
    const WalkEnd end = WalkSection(script, section, visit);
    if (end != WalkEnd::Done) return end;
  }
  return WalkEnd::Done;
}

// The walk of UndoReg: every entry of the "UNINSTALL" list, in file order.
template <typename Visit>
WalkEnd WalkRemovalList(const char* script, Visit&& visit) {
  return WalkSection(script, kRemovalList, visit);
}

}  // namespace qnd
