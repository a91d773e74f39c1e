#include "frame/profile_text.h"

#include "frame/handles.h"

namespace qnd {

bool ReadProfileFile(const std::string& file, PathStr& full, PathStr& dir, std::string& text) {
  const DWORD n = GetFullPathNameA(file.c_str(), kPathChars, full.data(), nullptr);
  if (n == 0 || n >= kPathChars) return false;
  full.adopt();
  dir = full;
  const char* slash = std::strrchr(dir.c_str(), '\\');
  if (slash) dir.truncate(static_cast<std::size_t>(slash - dir.c_str()) + 1);
  UniqueFile in(CreateFileA(full.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr));
  if (!in) return false;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(in.get(), buffer, sizeof buffer, &got, nullptr) && got) text.append(buffer, got);
  return true;
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
