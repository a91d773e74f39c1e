#include "fonts/font_entry.h"

#include <cstring>

#include "frame/ascii.h"
#include "frame/path_join.h"

namespace qnd {
namespace {

constexpr char kFontsFolder[] = "FONTS\\";
constexpr char kResourceExtension[] = ".FOT";

// Where the file name of `key` begins: after its last separator, else after a leading drive.
[[nodiscard]] const char* FileNameStart(const char* key) {
  const char* start = key;
  if (IsAsciiLetter(key[0]) && key[1] == ':') start = key + 2;
  for (const char* p = key; *p; ++p) {
    if (IsPathSeparator(*p)) start = p + 1;
  }
  return start;
}

// The FONTS directory joined with the first `chars` characters of `file`, then `suffix`.
[[nodiscard]] bool BuildPath(const FontsDirStr& dir, const char* file, std::size_t chars,
                             const char* suffix, PathStr& path) {
  return path.assign(dir.c_str()) && path.append(file, chars) && path.append(suffix);
}

}  // namespace

FontKeyParts SplitFontKey(const char* key) {
  FontKeyParts parts;
  parts.file = FileNameStart(key);
  parts.file_chars = std::strlen(parts.file);
  const char* dot = std::strrchr(parts.file, '.');
  parts.name_chars = dot ? static_cast<std::size_t>(dot - parts.file) : parts.file_chars;
  return parts;
}

bool MakeFontsDir(const char* windows_dir, FontsDirStr& dir) {
  return dir.assign(windows_dir) && EndWithBackslash(dir) && dir.append(kFontsFolder);
}

bool IsProfileKeySafe(const char* text) {
  while (*text == ' ') ++text;
  if (!*text || *text == '[' || *text == ';') return false;
  for (; *text; ++text) {
    // A control character can be dropped by the profile writer, and what follows it then
    // begins the key: a "[" or ";" there makes a section or a comment of it.
    if (*text == '=' || IsControl(*text)) return false;
  }
  return true;
}

bool NamesResourceFile(const FontKeyParts& parts) {
  std::size_t n = parts.file_chars;
  while (n > 0 && (parts.file[n - 1] == '.' || IsBlank(parts.file[n - 1]))) --n;
  const std::size_t ext = sizeof kResourceExtension - 1;
  if (n < ext) return false;
  for (std::size_t i = 0; i < ext; ++i) {
    if (AsciiUpper(parts.file[n - ext + i]) != kResourceExtension[i]) return false;
  }
  return true;
}

FontResult PlanFont(const char* key, const char* value, const char* windows_dir, FontKind kind,
                    FontPlan& plan) {
  if (!*value) return FontResult::EmptyValue;
  if (!IsProfileKeySafe(value)) return FontResult::BadDescription;
  if (std::strlen(key) > kFontKeyChars) return FontResult::KeyTooLong;
  const FontKeyParts parts = SplitFontKey(key);
  if (parts.file_chars == 0) return FontResult::NoFileName;
  // Building its resource file would delete the very file the key names.
  if (kind == FontKind::TrueType && NamesResourceFile(parts)) return FontResult::ResourceKey;
  plan.kind = kind;
  plan.resource_path.clear();
  if (!plan.font_file.assign(parts.file, parts.file_chars)) return FontResult::FileNameTooLong;
  if (!MakeFontsDir(windows_dir, plan.fonts_dir)) return FontResult::NoFontsDir;
  if (!BuildPath(plan.fonts_dir, parts.file, parts.file_chars, "", plan.font_path)) {
    return FontResult::PathTooLong;
  }
  if (kind == FontKind::TrueType && !BuildPath(plan.fonts_dir, parts.file, parts.name_chars,
                                               kResourceExtension, plan.resource_path)) {
    return FontResult::PathTooLong;
  }
  return FontResult::Ok;
}

FontResult PlanSubstitute(const char* key, const char* value) {
  if (!*value) return FontResult::EmptyValue;
  return IsProfileKeySafe(key) ? FontResult::Ok : FontResult::BadDescription;
}

}  // namespace qnd
