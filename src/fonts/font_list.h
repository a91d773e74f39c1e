// Font lists: installing the raster and TrueType fonts a font list file names, recording them
// in the Windows profile, and merging its font substitutes (Internal007). The walk over a list
// and the plan of each entry are the ones Internal007 carries out and a checker shows.
#pragma once

#include "fonts/font_entry.h"
#include "frame/profile.h"
#include "frame/trace.h"

namespace qnd {

// The section of the Windows profile that records the fonts.
inline constexpr char kFontsProfileSection[] = "Fonts";

// A section of a font list, in the order Internal007 works them.
struct FontListSection {
  const char* name;
  bool fonts;  // a section of fonts of `kind`; else the substitutes
  FontKind kind;
};
constexpr FontListSection kFontListSections[] = {
    {"Fonts", true, FontKind::Raster},
    {"TrueTypes", true, FontKind::TrueType},
    {"FontSubstitutes", false, FontKind::Raster},  // copied into the profile section of that name
};

// One entry of a font list as the walk meets it.
struct FontListEntry {
  const FontListSection* section;
  const char* key;
  const char* value;  // as read (cut beyond 1023 characters); "" for a key not found again
};

// Calls `visit(const FontListEntry&)` for every entry of font list file `path` (a full path:
// ProfileFilePath) in the order Internal007 works them: the sections of kFontListSections in
// their order, only the substitutes when `skip_fonts`, each section's entries in file order
// as far as the reader's name list holds them whole (NameList). Stops when a visit returns
// false.
template <typename Visit>
[[nodiscard]] WalkEnd WalkFontList(const char* path, bool skip_fonts, Visit&& visit) {
  for (const FontListSection& section : kFontListSections) {
    if (skip_fonts && section.fonts) continue;
    const WalkEnd end = WalkSection(path, section.name, [&](const ProfileEntry& entry) {
      return visit(FontListEntry{&section, entry.name, entry.found ? entry.data : ""});
    });
    if (end != WalkEnd::Done) return end;
  }
  return WalkEnd::Done;
}

// What Internal007 would do with `entry`, or why it fails before touching anything for it:
// PlanFont with this system's Windows directory, then the tests of the FONTS directory (the
// font file is there as a file; no directory stands where a ".FOT" goes), for a font;
// PlanSubstitute for a substitute. Touches nothing.
[[nodiscard]] FontResult PlanFontListEntry(const FontListEntry& entry, FontPlan& plan);

// The file `result` is about in `plan` (its table row's), or "".
[[nodiscard]] const char* ResultFile(FontResult result, const FontPlan& plan);

// Carries out `entry` as planned. A font: loaded (through a ".FOT" file rebuilt in the FONTS
// directory for a TrueType font, built under a fresh name first and put in place of the old
// one only once built), recorded as entry description = key of profile section "Fonts", and
// every top-level window told. A substitute: copied into the profile. Nothing is touched when
// the plan refuses the entry; a ".FOT" that cannot be built leaves the old one as it was. The
// trace gets every step, and why the entry failed.
[[nodiscard]] FontResult InstallFontListEntry(const FontListEntry& entry, Trace& trace);

}  // namespace qnd
