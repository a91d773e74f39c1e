// libFuzzer target over the font list rules. The input is split at NUL bytes into a font key,
// its value and a Windows directory; the input's length picks the font kind. The split must
// stay inside the key, the plan inside its buffers, and a plan must succeed exactly when every
// limit and rule holds, with paths built of the pieces the split gave.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <string>

#include "fonts/font_entry.h"

namespace {

using namespace qnd;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

// The split: a file name without separators, an extension that is its last dot onwards.
void CheckSplit(const std::string& key, const FontKeyParts& parts) {
  Check(parts.file >= key.c_str() && parts.file + parts.file_chars == key.c_str() + key.size());
  Check(parts.name_chars <= parts.file_chars);
  const std::string file(parts.file, parts.file_chars);
  Check(file.find_first_of("\\/") == std::string::npos);
  const size_t dot = file.rfind('.');
  Check(dot == std::string::npos ? parts.name_chars == file.size() : parts.name_chars == dot);
}

// Whether the description comes back from WIN.INI as one entry: worked out apart from the
// code under test.
bool SafeDescription(const std::string& value) {
  const size_t first = value.find_first_not_of(' ');
  const bool control = std::any_of(value.begin(), value.end(), [](char c) {
    return (static_cast<unsigned char>(c) < 0x20 && c != '\0') || c == 0x7F;
  });
  return first != std::string::npos && value[first] != '[' && value[first] != ';' &&
         value.find('=') == std::string::npos && !control;
}

// Whether a TrueType key names a ".FOT" file: its file name ends so, trailing dots and blanks
// dropped, in any case.
bool NamesFot(const FontKeyParts& parts) {
  std::string file(parts.file, parts.file_chars);
  file.erase(file.find_last_not_of(". \t") + 1);
  for (char& c : file) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return file.size() >= 4 && file.compare(file.size() - 4, 4, ".FOT") == 0;
}

// Whether every limit and rule holds, worked out apart from the code under test.
bool WithinLimits(const std::string& key, const std::string& value, const std::string& windows,
                  const FontKeyParts& parts, FontKind kind) {
  const size_t dir = windows.size() + (!windows.empty() && windows.back() == '\\' ? 0 : 1) + 6;
  return !value.empty() && SafeDescription(value) && key.size() <= 259 && parts.file_chars > 0 &&
         !(kind == FontKind::TrueType && NamesFot(parts)) && parts.file_chars <= 255 &&
         windows.size() <= 255 && dir <= 255 && dir + parts.file_chars <= 259 &&
         (kind == FontKind::Raster || dir + parts.name_chars + 4 <= 259);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  std::string parts[3];
  size_t k = 0;
  for (size_t i = 0; i < size && k < 3; ++i) {
    if (bytes[i] == 0) {
      ++k;
    } else {
      parts[k] += static_cast<char>(bytes[i]);
    }
  }
  const std::string &key = parts[0], &value = parts[1], &windows = parts[2];
  const FontKind kind = size % 2 ? FontKind::TrueType : FontKind::Raster;

  const FontKeyParts split = SplitFontKey(key.c_str());
  CheckSplit(key, split);

  FontPlan plan;
  const FontResult result = PlanFont(key.c_str(), value.c_str(), windows.c_str(), kind, plan);
  Check((result == FontResult::Ok) == WithinLimits(key, value, windows, split, kind));
  if (result != FontResult::Ok) return 0;

  const std::string dir = plan.fonts_dir.c_str(), file(split.file, split.file_chars);
  Check(dir.size() >= 6 && dir.compare(dir.size() - 6, 6, "FONTS\\") == 0);
  Check(file == plan.font_file.c_str());
  Check(dir + file == plan.font_path.c_str());
  const std::string resource =
      kind == FontKind::TrueType ? dir + file.substr(0, split.name_chars) + ".FOT" : "";
  Check(resource == plan.resource_path.c_str());
  return 0;
}
