#include "frame/folder_codes.h"

namespace qnd {
namespace {

// Shell folder identifiers (CSIDL_*), spelt out so that this table needs no platform header.
constexpr int kDesktop = 0, kPrograms = 2, kPersonal = 5, kStartup = 7, kRecent = 8, kSendTo = 9,
              kStartMenu = 11, kFonts = 20, kTemplates = 21;

constexpr FolderEntry kNone = {FolderSource::Unassigned, 0};
[[nodiscard]] constexpr FolderEntry Shell(std::uint8_t csidl) {
  return {FolderSource::ShellFolder, csidl};
}

// Codes "1" to "9", indexed from "1".
constexpr FolderEntry kDigitCodes[] = {
    {FolderSource::WindowsDir, 0},  // 1
    {FolderSource::SystemDir, 0},   // 2
    {FolderSource::SystemDir, 0},   // 3: the same as 2
    kNone,                          // 4: the `$4` directory of a registry script, not a folder
    Shell(kDesktop),                // 5
    Shell(kStartMenu),              // 6
    Shell(kPrograms),               // 7
    Shell(kStartup),                // 8
    Shell(kFonts),                  // 9
};

// Codes "A" to "F" (and "a" to "f"), indexed from "A".
constexpr FolderEntry kLetterCodes[] = {
    Shell(kPersonal),                 // A
    {FolderSource::ProgramFiles, 0},  // B
    Shell(kSendTo),                   // C
    Shell(kTemplates),                // D
    Shell(kRecent),                   // E
    {FolderSource::TempDir, 0},       // F
};

}  // namespace

FolderEntry LookupFolderCode(int code) {
  const signed char c = static_cast<signed char>(code & 0xFF);
  // One unsigned comparison rejects "0", everything below it and every byte from 0x80 up.
  if (static_cast<unsigned>(c - '1') > static_cast<unsigned>('f' - '1')) return kNone;
  if (c <= '9') return kDigitCodes[c - '1'];
  if (c >= 'A' && c <= 'F') return kLetterCodes[c - 'A'];
  if (c >= 'a' && c <= 'f') return kLetterCodes[c - 'a'];
  return kNone;
}

}  // namespace qnd
