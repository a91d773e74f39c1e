// What one entry of a font list will do, worked out without touching the system: the file
// name a font key names, the FONTS directory and the paths built in it, and the limits every
// entry must keep. The DLL installs what the plan says; a tool can show it.
// Portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "frame/fixed_str.h"
#include "frame/outcome_table.h"

namespace qnd {

constexpr std::size_t kFontKeyChars = 259;   // a key of the "Fonts" or "TrueTypes" section
constexpr std::size_t kFontFileChars = 255;  // its file name with extension
constexpr std::size_t kFontsDirBytes = 256;  // the FONTS directory with its terminator

using FontsDirStr = FixedStr<kFontsDirBytes>;
using FontFileStr = FixedStr<kFontFileChars + 1>;

enum class FontKind { Raster, TrueType };

// What installing one entry (or copying one substitute) came to. Ok is the only success.
enum class FontResult {
  Ok,
  EmptyValue,           // the key's value reads as no characters
  BadDescription,       // the description would not come back from WIN.INI as one entry
  ResourceKey,          // a TrueType key that names a ".FOT" file: the file the entry rebuilds
  KeyTooLong,           // the key has more than 259 characters
  NoFileName,           // the key ends in its drive or directory part: it names no file
  FileNameTooLong,      // file name with extension over 255 characters
  NoFontsDir,           // no Windows directory, or the FONTS directory does not fit 256 bytes
  PathTooLong,          // the font path or the resource path over 259 characters
  NoFontFile,           // the font file is not in the FONTS directory, or is a directory
  ResourceIsDirectory,  // a directory stands where the ".FOT" file goes
  ResourceFileFailed,   // the ".FOT" file could not be created
  NotAdded,             // the system added no font from the file
  ProfileNotWritten,    // the Windows profile refused the entry
  NoMemory,             // no memory for a section's list of keys
  Count
};

// The file a result is about.
enum class FontResultFile : std::uint8_t { None, Font, Resource };

// How each result is told in the trace: the rule it names, and the file it is about (the
// checker's words and finding: fonts_check.cpp). One row per result, in the enum's order: a new
// one fails the build until it has them.
struct FontResultWords {
  FontResult result;
  const char* trace;
  FontResultFile file;
};
inline constexpr FontResultWords kFontResultWords[] = {
    {FontResult::Ok, "done", FontResultFile::None},
    {FontResult::EmptyValue, "the value is empty", FontResultFile::None},
    {FontResult::BadDescription,
     "the description is blank, holds \"=\" or a control character, or begins with \"[\" or "
     "\";\"",
     FontResultFile::None},
    {FontResult::ResourceKey, "a TrueType key names a .FOT file", FontResultFile::None},
    {FontResult::KeyTooLong, "the key is over 259 characters", FontResultFile::None},
    {FontResult::NoFileName, "the key names no file", FontResultFile::None},
    {FontResult::FileNameTooLong, "the file name is over 255 characters", FontResultFile::None},
    {FontResult::NoFontsDir, "the FONTS directory does not fit 255 characters",
     FontResultFile::None},
    {FontResult::PathTooLong, "the font or .FOT path is over 259 characters", FontResultFile::None},
    {FontResult::NoFontFile, "the font file is not in the FONTS directory", FontResultFile::Font},
    {FontResult::ResourceIsDirectory, "a directory stands where the .FOT file goes",
     FontResultFile::Resource},
    {FontResult::ResourceFileFailed, ".FOT file not built", FontResultFile::Resource},
    {FontResult::NotAdded, "no font added", FontResultFile::Font},
    {FontResult::ProfileNotWritten, "WIN.INI refuses it", FontResultFile::None},
    {FontResult::NoMemory, "no memory for the keys of a section", FontResultFile::None},
};
static_assert(RowsInOrder(kFontResultWords, &FontResultWords::result, FontResult::Count),
              "one row per result, in the enum's order");

// The table's columns as the image keeps them (outcome_table.h).
inline constexpr auto kFontResultRules = PackTexts<kFontResultWords, &FontResultWords::trace>();
inline constexpr auto kFontResultFiles = PackColumn<kFontResultWords, &FontResultWords::file>();

// The rule that a result of planning an entry names, in a few words (the trace shows it).
[[nodiscard]] constexpr const char* FontResultRule(FontResult result) {
  return kFontResultRules[static_cast<std::size_t>(result)];
}

// The file that a result is about.
[[nodiscard]] constexpr FontResultFile FontResultFileOf(FontResult result) {
  return kFontResultFiles[static_cast<std::size_t>(result)];
}

// A font key split into its file name: what follows any drive ("D:") and directory part, the
// directory part ending at the last backslash or forward slash. The extension runs from the
// last dot of the file name on, the dot included; a name without a dot has none.
struct FontKeyParts {
  const char* file = nullptr;  // inside the key
  std::size_t name_chars = 0;  // characters before the extension
  std::size_t file_chars = 0;  // characters of name and extension
};
[[nodiscard]] FontKeyParts SplitFontKey(const char* key);

// The FONTS directory: `windows_dir`, a backslash unless it already ends in one, then
// "FONTS\". False when it does not fit 256 bytes (`dir` is then unspecified).
[[nodiscard]] bool MakeFontsDir(const char* windows_dir, FontsDirStr& dir);

// The files one font entry works on.
struct FontPlan {
  FontKind kind = FontKind::Raster;
  FontsDirStr fonts_dir;        // ends in "FONTS\"
  FontFileStr font_file;        // file name with extension, without directory
  PathStr font_path;            // FONTS directory + font file: the raster font, the TrueType font
  PathStr resource_path;        // FONTS directory + file name + ".FOT" (TrueType only, else empty)
  bool resource_there = false;  // a ".FOT" file is there now: replaced once the new one is built
};

// True when `text` can be written as the key of a WIN.INI entry and found again as that one
// entry: not empty or only spaces, no "=" (it would end the key), no control character (0x01
// to 0x1F, 0x7F: a line break ends the line, and the profile writer may drop the others), and
// not beginning, after spaces, with "[" (a section header) or ";" (a comment).
[[nodiscard]] bool IsProfileKeySafe(const char* text);

// True when the file name of `parts` names a ".FOT" file (in any case, trailing dots and blanks
// dropped as the file system drops them).
[[nodiscard]] bool NamesResourceFile(const FontKeyParts& parts);

// Works out entry `key` = `value` of the section of `kind`, with `windows_dir` the Windows
// directory. Ok, or the reason the entry fails before anything is touched for it: an empty
// value, a description (the value) that IsProfileKeySafe refuses, a key, file name, FONTS
// directory or path beyond its limit (nothing is ever cut), a key that names no file, a
// TrueType key that names a ".FOT" file. A raster entry needs its font path to fit; a TrueType
// entry its resource path and the font path, the font file being looked for in the FONTS
// directory.
[[nodiscard]] FontResult PlanFont(const char* key, const char* value, const char* windows_dir,
                                  FontKind kind, FontPlan& plan);

// Entry `key` = `value` of section "FontSubstitutes", whose key is copied into WIN.INI: Ok,
// EmptyValue, or BadDescription for a key that IsProfileKeySafe refuses (the value may hold
// "=": it ends no key).
[[nodiscard]] FontResult PlanSubstitute(const char* key, const char* value);

}  // namespace qnd
