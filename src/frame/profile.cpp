#include "frame/profile.h"

#include "frame/files.h"
#include "frame/handles.h"
#include "frame/path_join.h"
#include "frame/profile_names.h"
#include "frame/win.h"

namespace qnd {
namespace {

// The reader hands back its default for an entry that is not there. No data can be this text:
// the reader gives data of one line, and this holds a line break.
constexpr char kNoEntry[] = "?\n?";

}  // namespace

bool IsBareName(const char* name) {
  return !std::strpbrk(name, "\\/") && !(name[0] && name[1] == ':');
}

bool ProfileFilePath(const char* name, PathStr& path) {
  if (!IsBareName(name)) {
    return FillSized(path, [name](char* to, unsigned room) {
      return GetFullPathNameA(name, room, to, nullptr);
    });
  }
  return WindowsDirectory(path) && JoinPath(path, name);
}

ProfileFile TestProfileFile(const char* name, PathStr& path, unsigned long* error) {
  if (!ProfileFilePath(name, path)) return ProfileFile::PathTooLong;
  if (QuietAttributes(path.c_str()) == INVALID_FILE_ATTRIBUTES) return ProfileFile::Missing;
  const QuietErrorMode quiet;
  // Opened as the reader opens it: for reading, sharing reading and writing.
  const UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file) return ProfileFile::Readable;
  *error = GetLastError();
  return ProfileFile::Unreadable;
}

bool ProfileFileToRead(const char* what, const char* name, PathStr& path, Trace& trace) {
  unsigned long error = 0;
  switch (TestProfileFile(name, path, &error)) {
    case ProfileFile::Readable:
    case ProfileFile::Missing: return true;
    case ProfileFile::Unreadable:
      trace.Refusal(CallError{"CreateFileA", error}, "the %s \"%s\" is there but cannot be read",
                    what, path.c_str());
      return false;
    case ProfileFile::PathTooLong:
      trace.Refusal("the full path of the %s \"%s\" is over 259 characters", what, name);
      return false;
  }
  return false;
}

bool NameList::Read(const char* file, const char* section) {
  // Two characters more than the list holds: a name that ends inside the list is then never
  // the one the reader cuts, whatever terminators it writes after a cut one.
  constexpr unsigned kReadChars = kChars + 2;
  names_.reset(static_cast<char*>(std::malloc(kReadChars)));
  if (!names_) return false;
  const DWORD n = GetPrivateProfileStringA(section, nullptr, "", names_.get(), kReadChars, file);
  char* names = names_.get();
  count_ = WholeNamesLength(names, n, kChars);
  names[count_] = '\0';
  names[count_ + 1] = '\0';
  return true;
}

const char* NameList::Next(const char* name) const {
  const char* next = name + std::strlen(name) + 1;
  return next < names_.get() + count_ ? next : nullptr;
}

bool ReadEntryData(const char* file, const char* section, const char* entry, char* data,
                   unsigned chars, unsigned* length) {
  const DWORD n = GetPrivateProfileStringA(section, entry, kNoEntry, data, chars, file);
  *length = n;
  return !(n == sizeof kNoEntry - 1 && std::memcmp(data, kNoEntry, sizeof kNoEntry) == 0);
}

WalkEnd WalkSection(const char* file, const char* section, EntryVisit visit) {
  NameList entries;
  if (!entries.Read(file, section)) return WalkEnd::NoMemory;
  for (const char* entry = entries.First(); entry; entry = entries.Next(entry)) {
    char data[kProfileValueChars];
    unsigned length = 0;
    const bool found = ReadEntryData(file, section, entry, data, kProfileValueChars, &length);
    if (!visit(ProfileEntry{section, entry, data, length, found})) return WalkEnd::Stopped;
  }
  return WalkEnd::Done;
}

}  // namespace qnd
