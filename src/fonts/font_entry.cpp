#include "fonts/font_entry.h"

#include <cstring>

#include "frame/path_join.h"

namespace qnd {
namespace {

constexpr char kFontsFolder[] = "FONTS\\";
constexpr char kResourceExtension[] = ".FOT";

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Where the file name of `key` begins: after its last separator, else after a leading drive.
const char* FileNameStart(const char* key) {
  const char* start = key;
  if (IsAsciiLetter(key[0]) && key[1] == ':') start = key + 2;
  for (const char* p = key; *p; ++p) {
    if (IsSeparator(*p)) start = p + 1;
  }
  return start;
}

// The FONTS directory joined with the first `chars` characters of `file`, then `suffix`.
bool BuildPath(const FontsDirStr& dir, const char* file, std::size_t chars, const char* suffix,
               PathStr& path) {
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

FontResult PlanFont(const char* key, const char* value, const char* windows_dir, FontKind kind,
                    FontPlan& plan) {
  if (!*value) return FontResult::EmptyValue;
  if (std::strlen(key) > kFontKeyChars) return FontResult::KeyTooLong;
  const FontKeyParts parts = SplitFontKey(key);
  if (parts.file_chars == 0) return FontResult::NoFileName;
  plan.kind = kind;
  plan.resource_path.clear();
  if (!plan.font_file.assign(parts.file, parts.file_chars)) return FontResult::FileNameTooLong;
  if (!MakeFontsDir(windows_dir, plan.fonts_dir)) return FontResult::NoFontsDir;
  if (!BuildPath(plan.fonts_dir, parts.file, parts.file_chars, "", plan.font_path)) {
    return FontResult::PathTooLong;
  }
  if (kind == FontKind::TrueType &&
      !BuildPath(plan.fonts_dir, parts.file, parts.name_chars, kResourceExtension,
                 plan.resource_path)) {
    return FontResult::PathTooLong;
  }
  return FontResult::Ok;
}

FontResult PlanSubstitute(const char* /*key*/, const char* value) {
  return *value ? FontResult::Ok : FontResult::EmptyValue;
}

}  // namespace qnd
