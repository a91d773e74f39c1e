// Font lists: Internal007 and its steps. The font files already lie in the FONTS directory;
// these functions make them known to the system and to the Windows profile.
#include "fonts/font_list.h"

#include "frame/files.h"
#include "frame/win.h"

namespace qnd {
namespace {

// A window that does not answer a broadcast within this time is given up, so that one hung
// application cannot hold setup for ever; windows that answer are waited for.
constexpr UINT kBroadcastMillis = 5000;

// Builds the ".FOT" file of `plan` under a fresh name in the FONTS directory, and only once it
// is built puts it in place of the old one, which is unloaded first (a loaded file cannot be
// replaced everywhere). Until then nothing is touched: when the build or the replacement fails,
// the fresh file is removed and the old one stays as it was, loaded if it was.
FontResult RebuildResourceFile(const FontPlan& plan) {
  char fresh[MAX_PATH];
  if (!GetTempFileNameA(plan.fonts_dir.c_str(), "fot", 0, fresh)) {
    return FontResult::ResourceFileFailed;
  }
  DeleteFileA(fresh);  // the name is reserved; the build refuses a file that exists
  if (!CreateScalableFontResourceA(0, fresh, plan.font_file.c_str(), plan.fonts_dir.c_str())) {
    DeleteFileA(fresh);
    return FontResult::ResourceFileFailed;
  }
  const char* resource = plan.resource_path.c_str();
  const bool was_loaded = RemoveFontResourceA(resource) > 0;
  if (!MoveFileExA(fresh, resource, MOVEFILE_REPLACE_EXISTING)) {
    DeleteFileA(fresh);
    if (was_loaded) AddFontResourceA(resource);
    return FontResult::ResourceFileFailed;
  }
  return FontResult::Ok;
}

// Tells every top-level window that the fonts changed. Its result is of no interest.
void BroadcastFontChange() {
  DWORD_PTR answer = 0;
  SendMessageTimeoutA(HWND_BROADCAST, WM_FONTCHANGE, 0, 0, SMTO_ABORTIFHUNG, kBroadcastMillis,
                      &answer);
}

// Makes the font of `plan`, whose files PlanFontListEntry tested, known to the system. A raster
// font is removed first, so that a second run does not load it twice (the result is of no
// interest: it may not be loaded); a TrueType font's ".FOT" file is rebuilt.
FontResult LoadFont(const FontPlan& plan) {
  const char* loaded = plan.font_path.c_str();
  if (plan.kind == FontKind::TrueType) {
    loaded = plan.resource_path.c_str();
    const FontResult built = RebuildResourceFile(plan);
    if (built != FontResult::Ok) return built;
  } else {
    RemoveFontResourceA(loaded);
  }
  return AddFontResourceA(loaded) > 0 ? FontResult::Ok : FontResult::NotAdded;
}

// The tests of the FONTS directory made before anything is touched: an entry that names no
// font file of its own must not unload or replace another program's font or ".FOT" file of
// the same name.
FontResult TestFontFiles(FontPlan& plan) {
  if (!FileExistsQuiet(plan.font_path.c_str())) return FontResult::NoFontFile;
  if (plan.kind != FontKind::TrueType) return FontResult::Ok;
  const DWORD resource = QuietAttributes(plan.resource_path.c_str());
  plan.resource_there = resource != INVALID_FILE_ATTRIBUTES;
  return plan.resource_there && (resource & FILE_ATTRIBUTE_DIRECTORY)
             ? FontResult::ResourceIsDirectory
             : FontResult::Ok;
}

// Loads and records a planned font.
FontResult InstallFont(const char* key, const char* value, const FontPlan& plan) {
  const FontResult loaded = LoadFont(plan);
  if (loaded != FontResult::Ok) return loaded;
  // Reversed: the description is the profile's key, the list's key (as written) its value.
  // A font not recorded there is gone after the next restart: that is a failure.
  if (!WriteProfileStringA(kFontsProfileSection, value, key)) return FontResult::ProfileNotWritten;
  BroadcastFontChange();
  return FontResult::Ok;
}

}  // namespace

FontResult PlanFontListEntry(const FontListEntry& entry, FontPlan& plan) {
  if (!entry.section->fonts) return PlanSubstitute(entry.key, entry.value);
  char windows[kFontsDirBytes];
  const UINT n = GetWindowsDirectoryA(windows, kFontsDirBytes);
  if (n == 0 || n >= kFontsDirBytes) return FontResult::NoFontsDir;
  const FontResult planned = PlanFont(entry.key, entry.value, windows, entry.section->kind, plan);
  return planned == FontResult::Ok ? TestFontFiles(plan) : planned;
}

FontResult InstallFontListEntry(const FontListEntry& entry) {
  FontPlan plan;
  const FontResult planned = PlanFontListEntry(entry, plan);
  if (planned != FontResult::Ok) return planned;
  if (entry.section->fonts) return InstallFont(entry.key, entry.value, plan);
  return WriteProfileStringA(entry.section->name, entry.key, entry.value)
             ? FontResult::Ok
             : FontResult::ProfileNotWritten;
}

}  // namespace qnd

// Internal007(list, skipFonts): with skipFonts 0 installs the fonts of sections "Fonts" and
// "TrueTypes" of font list `list`, then copies its section "FontSubstitutes" into the Windows
// profile; with skipFonts non-zero only copies the substitutes. The list is the file the
// profile reader finds for `list` (a bare name in the Windows directory). 1 when every step
// succeeded (also for a missing list or sections); 0 at the first failure, with what came
// before kept, for a null list (the profile reader would read WIN.INI instead) and for one
// whose path does not fit 259 characters.
extern "C" int __stdcall Internal007(const char* list, int skipFonts) {
  using namespace qnd;
  PathStr path;
  if (!list || !ProfileFilePath(list, path)) return 0;
  const WalkEnd end = WalkFontList(path.c_str(), skipFonts != 0, [](const FontListEntry& entry) {
    return InstallFontListEntry(entry) == FontResult::Ok;
  });
  return end == WalkEnd::Done ? 1 : 0;
}
