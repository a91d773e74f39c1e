// Profile (INI) files as the platform's profile reader gives them: the name lists of a file, the
// data of one entry, and the walk over one section. Every area reads its files through these,
// and so does the checker, so that both see exactly the same names and data.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <type_traits>

#include "frame/fixed_str.h"
#include "frame/trace.h"
#include "frame/unique_handle.h"

namespace qnd {

// True when `name` is a bare name, without drive or directory (no "\", "/" or drive colon):
// the profile reader looks for it in the Windows directory.
[[nodiscard]] bool IsBareName(const char* name);

// The file the profile reader reads for `name`, into `path`: a bare name (IsBareName) lies in
// the Windows directory; any other is made full from the current directory. False when the
// path does not fit 259 characters.
[[nodiscard]] bool ProfileFilePath(const char* name, PathStr& path);

// Whether the profile reader can read file `name`, whose full path (ProfileFilePath) is put in
// `path`. The reader reads a file that it cannot open as an empty one, so an export that must
// not take a file it cannot read for an empty one asks this first.
enum class ProfileFile : std::uint8_t {
  Readable,
  Missing,      // nothing is there: read as empty
  Unreadable,   // it is there but does not open for reading as the reader opens it (held
                // without sharing, a directory); `*error` is the platform's code
  PathTooLong,  // the full path does not fit 259 characters
};
[[nodiscard]] ProfileFile TestProfileFile(const char* name, PathStr& path, unsigned long* error);

// For an export that reads profile file `name`, its `what` ("script", "font list"): true, with
// the full path in `path`, when the file can be read or is not there (read as empty); false,
// and the trace says why, when it is there but cannot be read, or its path does not fit.
[[nodiscard]] bool ProfileFileToRead(const char* what, const char* name, PathStr& path,
                                     Trace& trace);

// The data of an entry is read into this many characters, its terminator included (the reader
// cuts longer data to one less).
constexpr unsigned kProfileValueChars = 1024;

// A list of names read from a profile file: all section names, or all entry names of one
// section, in file order, at most 32768 characters with their terminators (names beyond are
// not seen, and neither is a name that the list's end would cut short). Taken from the heap,
// released with the object.
class NameList {
 public:
  static constexpr unsigned kChars = 32768;

  // Reads the list; `section` null reads the section names. False when no memory could be
  // had: the file is then not read.
  [[nodiscard]] bool Read(const char* file, const char* section);

  // Walks the names: for (const char* n = list.First(); n; n = list.Next(n)).
  [[nodiscard]] const char* First() const { return count_ ? names_.get() : nullptr; }
  [[nodiscard]] const char* Next(const char* name) const;

 private:
  struct HeapBlock {
    static char* Invalid() { return nullptr; }
    static void Close(char* p) { std::free(p); }
  };
  // From malloc, not operator new: a failing nothrow new still throws inside the C++ runtime,
  // and unwinding needs the very memory that is missing.
  UniqueHandle<char*, HeapBlock> names_;
  std::size_t count_ = 0;  // characters of the whole names, with their terminators
};

// Reads the data of entry `entry` of `section` of profile file `file` into `data`, a buffer
// of `chars` characters (the reader cuts longer data to chars - 1); `*length` gets its length.
// False when the file holds no entry of that name: a listed name that cannot be found again,
// such as one the reader could not give back as it is written. Empty data is found data.
[[nodiscard]] bool ReadEntryData(const char* file, const char* section, const char* entry,
                                 char* data, unsigned chars, unsigned* length);

// One entry of a profile file as a walk meets it.
struct ProfileEntry {
  const char* section;  // the section's name as listed
  const char* name;     // the entry's name as listed
  const char* data;     // its data as read (cut beyond kProfileValueChars - 1 characters)
  unsigned length;      // the reader's count of the data's characters
  bool found;           // false: no entry of that name can be found again (see ReadEntryData)
};

enum class WalkEnd {
  Done,      // every entry was visited
  Stopped,   // a visit returned false: the walk ended there
  NoMemory,  // no memory for a name list: the file was not read (further)
};

// What a walk calls for each entry: a callable of `bool(const ProfileEntry&)`, borrowed for the
// length of the walk, so that one walk's code serves every caller.
class EntryVisit {
 public:
  template <typename Visit>
  requires(!std::is_same_v<std::remove_cvref_t<Visit>, EntryVisit>)
      EntryVisit(Visit&& visit)  // NOLINT(bugprone-forwarding-reference-overload): not a copy
      : visit_(&visit), call_([](const void* v, const ProfileEntry& entry) -> bool {
          return (*static_cast<const std::remove_reference_t<Visit>*>(v))(entry);
        }) {}

  bool operator()(const ProfileEntry& entry) const { return call_(visit_, entry); }

 private:
  const void* visit_;
  bool (*call_)(const void* visit, const ProfileEntry& entry);
};

// Calls `visit` for every entry of the entry list of `section` of `file`, in file order, until a
// visit returns false.
[[nodiscard]] WalkEnd WalkSection(const char* file, const char* section, EntryVisit visit);

}  // namespace qnd
