#include "frame/profile_text.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "frame/handles.h"
#include "frame/path_join.h"
#include "frame/profile.h"
#include "frame/profile_names.h"

namespace qnd {
namespace {

// A name list is read with this much room to see what lies beyond the library's list.
constexpr DWORD kWholeListChars = 1u << 20;

// The characters the reader's case is asked about: every one that can stand inside a name.
// Control characters end or split a line, and "=" ends the name.
[[nodiscard]] constexpr bool Probed(int c) { return c >= 0x20 && c != '='; }

// The name that asks about character `c`: framed, so that blanks are not dropped at its ends.
[[nodiscard]] std::string ProbeName(int c) { return std::string("k") + static_cast<char>(c) + "k"; }

// `fold` with each character mapped to the first one that `same` takes for it.
template <typename Same>
void FoldByFirst(NameFold& fold, Same same) {
  for (int c = 0; c < 256; ++c) {
    fold.upper[c] = static_cast<unsigned char>(c);
    for (int first = 0; first < c; ++first) {
      if (same(first, c)) {
        fold.upper[c] = static_cast<unsigned char>(first);
        break;
      }
    }
  }
}

}  // namespace

FileRead ReadProfileFile(const std::string& file, PathStr& full, PathStr& dir, std::string& text) {
  const auto made = [&file](char* to, unsigned room) {
    return GetFullPathNameA(file.c_str(), room, to, nullptr);
  };
  if (file.empty() || !FillSized(full, made)) return FileRead::Unreadable;
  dir = full;
  (void)CutAfterLastBackslash(dir);  // a full path has one: the profile reader's paths do
  UniqueFile in(CreateFileA(full.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr));
  if (!in) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? FileRead::Missing
                                                                          : FileRead::Unreadable;
  }
  char buffer[4096];
  DWORD got = 0;
  BOOL read = FALSE;
  while ((read = ReadFile(in.get(), buffer, sizeof buffer, &got, nullptr)) && got) {
    text.append(buffer, got);
  }
  return read ? FileRead::Read : FileRead::Unreadable;
}

bool BareNameElsewhere(const std::string& file, PathStr& windows) {
  return IsBareName(file.c_str()) && ProfileFilePath(file.c_str(), windows);
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

NameFold ReaderFold(const std::string& text) {
  bool asked[256] = {};
  for (const char c : text) asked[static_cast<unsigned char>(c)] = true;
  NameFold fold;
  for (int c = 0; c < 256; ++c) fold.upper[c] = static_cast<unsigned char>(c);
  char dir[MAX_PATH], path[MAX_PATH];
  const DWORD n = GetTempPathA(MAX_PATH, dir);
  if (!n || n >= MAX_PATH || !GetTempFileNameA(dir, "qnd", 0, path)) return fold;
  std::string probes = "[case]\r\n";
  char data[8];
  for (int c = 0; c < 256; ++c) {
    if (!Probed(c)) continue;
    (void)std::snprintf(data, sizeof data, "%d", c);  // fits: at most three digits
    probes += ProbeName(c) + "=" + data + "\r\n";
  }
  {
    UniqueFile out(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    if (!out || !WriteFile(out.get(), probes.data(), static_cast<DWORD>(probes.size()), &written,
                           nullptr)) {
      (void)DeleteFileA(path);  // our own scratch file; nothing to tell if it stays
      return fold;
    }
  }
  for (int c = 0; c < 256; ++c) {
    if (!Probed(c) || !asked[c]) continue;
    char found[8] = "";
    (void)GetPrivateProfileStringA("case", ProbeName(c).c_str(), "", found, sizeof found, path);
    const long first = std::strtol(found, nullptr, 10);
    if (first > 0 && first < c) fold.upper[c] = fold.upper[first];
  }
  (void)DeleteFileA(path);  // our own scratch file; nothing to tell if it stays
  return fold;
}

NameFold RegistryFold() {
  typedef WCHAR(WINAPI * UpcaseFn)(WCHAR);
  static const UpcaseFn upcase = reinterpret_cast<UpcaseFn>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlUpcaseUnicodeChar")));
  WCHAR upper[256];
  for (int c = 0; c < 256; ++c) {
    const char byte = static_cast<char>(c);
    WCHAR wide = 0;
    if (MultiByteToWideChar(CP_ACP, 0, &byte, 1, &wide, 1) != 1) wide = static_cast<WCHAR>(c);
    upper[c] = upcase ? upcase(wide) : wide;
  }
  NameFold fold;
  FoldByFirst(fold, [&](int a, int b) { return upper[a] == upper[b]; });
  return fold;
}

}  // namespace qnd
