// Font lists: installing the raster and TrueType fonts a font list file names, recording them
// in the Windows profile, and merging its font substitutes (Internal007 and its steps).
#pragma once

#include "fonts/font_entry.h"
#include "frame/trace.h"

namespace qnd {

// The section of the Windows profile that records the fonts, and the one of the font list and
// of the profile that holds the substitutes.
constexpr char kFontsProfileSection[] = "Fonts";
constexpr char kSubstitutesSection[] = "FontSubstitutes";

// A value of a font list is read into this many characters, its terminator included.
constexpr unsigned kFontValueChars = 1024;

// Reads the value of `key` in `section` of font list `list` as the installation reads it: cut by
// the reader at 1023 characters, empty for a key that is not there.
void ReadFontListValue(const char* list, const char* section, const char* key,
                       char (&value)[kFontValueChars]);

// The section of a font list that holds fonts of `kind`: "Fonts" or "TrueTypes".
const char* FontSectionName(FontKind kind);

// PlanFont with this system's Windows directory: what InstallFont would do with the entry,
// or why it would fail before touching anything. Touches nothing itself.
FontResult PlanFontEntry(const char* key, const char* value, FontKind kind, FontPlan& plan);

// Installs every font of the section of `kind` of font list `list`, in file order, and stops at
// the first that fails, with its result. Ok for a missing file or section. The trace gets every
// step and why an entry failed.
FontResult InstallFontSection(const char* list, FontKind kind, Trace& trace);

// Installs one font whose file lies in the FONTS directory: key = the file name as the list
// writes it (a drive or directory part is ignored), value = its description. Loads it (through
// a ".FOT" file rebuilt in the FONTS directory for a TrueType font), records it as entry
// description = key of profile section "Fonts", and tells every top-level window. Touches
// nothing when PlanFontEntry refuses the entry or the font file is not there (NoFontFile); a
// ".FOT" file that cannot be built leaves the old one as it was (ResourceFileFailed).
FontResult InstallFont(const char* key, const char* value, FontKind kind, Trace& trace);

// Copies every entry of section "FontSubstitutes" of `list`, unchanged and in file order, into
// the profile section of that name; stops at the first that fails. Ok for none.
FontResult CopyFontSubstitutes(const char* list, Trace& trace);

}  // namespace qnd
