#include "frame/profile_text.h"

#include <memory>

#include "frame/handles.h"
#include "frame/path_join.h"
#include "frame/profile.h"
#include "frame/profile_names.h"

namespace qnd {
namespace {

// A name list is read with this much room to see what lies beyond the library's list.
constexpr DWORD kWholeListChars = 1u << 20;

}  // namespace

bool ReadProfileFile(const std::string& file, PathStr& full, PathStr& dir, std::string& text) {
  const auto made = [&file](char* to, unsigned room) {
    return GetFullPathNameA(file.c_str(), room, to, nullptr);
  };
  if (file.empty() || !FillSized(full, made)) return false;
  dir = full;
  (void)CutAfterLastBackslash(dir);  // a full path has one: the profile reader's paths do
  UniqueFile in(CreateFileA(full.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr));
  if (!in) return false;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(in.get(), buffer, sizeof buffer, &got, nullptr) && got) text.append(buffer, got);
  return true;
}

std::string BareNameNote(const std::string& file, const char* reader) {
  PathStr windows;
  if (!IsBareName(file.c_str()) || !ProfileFilePath(file.c_str(), windows)) return "";
  return std::string("note: ") + reader + " given the bare name \"" + file +
         "\" reads the Windows directory's file " + windows.c_str() +
         ", not this one; give it a full path";
}

NameListUse MeasureNameList(const char* path, const char* section) {
  NameListUse use;
  std::unique_ptr<char[]> names(new char[kWholeListChars]);
  const DWORD n =
      GetPrivateProfileStringA(section, nullptr, "", names.get(), kWholeListChars, path);
  use.chars = n;
  const std::size_t kept = WholeNamesLength(names.get(), n, NameList::kChars);
  if (kept < n) use.first_unseen = names.get() + kept;
  return use;
}

std::string AnsiToUtf8(const std::string& text) {
  if (text.empty()) return text;
  const int n = static_cast<int>(text.size());
  const int wide = MultiByteToWideChar(CP_ACP, 0, text.data(), n, nullptr, 0);
  std::unique_ptr<wchar_t[]> units(new wchar_t[static_cast<std::size_t>(wide) + 1]);
  (void)MultiByteToWideChar(CP_ACP, 0, text.data(), n, units.get(), wide);  // measured: it fits
  const int bytes =
      WideCharToMultiByte(CP_UTF8, 0, units.get(), wide, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(bytes), '\0');
  (void)WideCharToMultiByte(CP_UTF8, 0, units.get(), wide, out.data(), bytes, nullptr, nullptr);
  return out;  // measured above: it fits
}

NameFold PlatformFold() {
  NameFold fold;
  for (int c = 0; c < 256; ++c) {
    char letter = static_cast<char>(c);
    CharUpperBuffA(&letter, 1);
    fold.upper[c] = static_cast<unsigned char>(letter);
  }
  return fold;
}

}  // namespace qnd
