#include "frame/profile.h"

#include "frame/files.h"
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

bool NameList::Read(const char* file, const char* section) {
  // Two characters more than the list holds: a name that ends inside the list is then never
  // the one the reader cuts, whatever terminators it writes after a cut one.
  constexpr unsigned kReadChars = kChars + 2;
  names_.reset(static_cast<char*>(std::malloc(kReadChars)));
  if (!names_) return false;
  const DWORD n = GetPrivateProfileStringA(section, nullptr, "", names_.get(), kReadChars, file);
  count_ = WholeNamesLength(names_.get(), n, kChars);
  names_[count_] = '\0';
  names_[count_ + 1] = '\0';
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

}  // namespace qnd
