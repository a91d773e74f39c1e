// Font lists: installing the raster and TrueType fonts a font list file names, recording them
// in the Windows profile, and merging its font substitutes (Internal007 and its steps).
#pragma once

#include "fonts/font_entry.h"

namespace qnd {

// The section of a font list that holds fonts of `kind`: "Fonts" or "TrueTypes".
const char* FontSectionName(FontKind kind);

// PlanFont with this system's Windows directory: what InstallFont would do with the entry,
// or why it would fail before touching anything. Touches nothing itself.
FontResult PlanFontEntry(const char* key, const char* value, FontKind kind, FontPlan& plan);

// Installs every font of the section of `kind` of font list `list`, in file order, and stops at
// the first that fails, with its result. Ok for a missing file or section.
FontResult InstallFontSection(const char* list, FontKind kind);

// Installs one font whose file lies in the FONTS directory: key = the file name as the list
// writes it (a drive or directory part is ignored), value = its description. Loads it (through
// a ".FOT" file rebuilt in the FONTS directory for a TrueType font), records it as entry
// description = key of profile section "Fonts", and tells every top-level window.
FontResult InstallFont(const char* key, const char* value, FontKind kind);

// Copies every entry of section "FontSubstitutes" of `list`, unchanged and in file order, into
// the profile section of that name; stops at the first that fails. Ok for none.
FontResult CopyFontSubstitutes(const char* list);

}  // namespace qnd
