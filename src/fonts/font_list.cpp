// Font lists: Internal007 and its steps. The font files already lie in the FONTS directory;
// these functions make them known to the system and to the Windows profile.
#include "fonts/font_list.h"

#include "frame/files.h"
#include "frame/profile.h"
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

// Makes the font of `plan` known to the system. Nothing is touched unless the font file is
// there: an entry that names no font of its own must not unload or replace another program's
// font or ".FOT" file of the same name. A raster font is removed first, so that a second run
// does not load it twice (the result is of no interest: it may not be loaded); a TrueType
// font's ".FOT" file is rebuilt.
FontResult LoadFont(const FontPlan& plan) {
  if (!FileExistsQuiet(plan.font_path.c_str())) return FontResult::NoFontFile;
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

// Tells every top-level window that the fonts changed. Its result is of no interest.
void BroadcastFontChange() {
  DWORD_PTR answer = 0;
  SendMessageTimeoutA(HWND_BROADCAST, WM_FONTCHANGE, 0, 0, SMTO_ABORTIFHUNG, kBroadcastMillis,
                      &answer);
}

}  // namespace

void ReadFontListValue(const char* list, const char* section, const char* key,
                       char (&value)[kFontValueChars]) {
  GetPrivateProfileStringA(section, key, "", value, kFontValueChars, list);
}

const char* FontSectionName(FontKind kind) {
  return kind == FontKind::TrueType ? "TrueTypes" : "Fonts";
}

FontResult PlanFontEntry(const char* key, const char* value, FontKind kind, FontPlan& plan) {
  char windows[kFontsDirBytes];
  const UINT n = GetWindowsDirectoryA(windows, kFontsDirBytes);
  if (n == 0 || n >= kFontsDirBytes) return FontResult::NoFontsDir;
  return PlanFont(key, value, windows, kind, plan);
}

FontResult InstallFont(const char* key, const char* value, FontKind kind) {
  FontPlan plan;
  FontResult result = PlanFontEntry(key, value, kind, plan);
  if (result == FontResult::Ok) result = LoadFont(plan);
  if (result != FontResult::Ok) return result;
  // Reversed: the description is the profile's key, the list's key (as written) its value.
  // A font not recorded there is gone after the next restart: that is a failure.
  if (!WriteProfileStringA(kFontsProfileSection, value, key)) return FontResult::ProfileNotWritten;
  BroadcastFontChange();
  return FontResult::Ok;
}

FontResult InstallFontSection(const char* list, FontKind kind) {
  const char* section = FontSectionName(kind);
  NameList keys;
  if (!keys.Read(list, section)) return FontResult::NoMemory;
  for (const char* key = keys.First(); key; key = keys.Next(key)) {
    char value[kFontValueChars];
    ReadFontListValue(list, section, key, value);
    const FontResult result = InstallFont(key, value, kind);
    if (result != FontResult::Ok) return result;
  }
  return FontResult::Ok;
}

FontResult CopyFontSubstitutes(const char* list) {
  NameList keys;
  if (!keys.Read(list, kSubstitutesSection)) return FontResult::NoMemory;
  for (const char* key = keys.First(); key; key = keys.Next(key)) {
    char value[kFontValueChars];
    ReadFontListValue(list, kSubstitutesSection, key, value);
    const FontResult result = PlanSubstitute(key, value);
    if (result != FontResult::Ok) return result;
    if (!WriteProfileStringA(kSubstitutesSection, key, value)) {
      return FontResult::ProfileNotWritten;
    }
  }
  return FontResult::Ok;
}

}  // namespace qnd

// Internal007(list, skipFonts): with skipFonts 0 installs the fonts of sections "Fonts" and
// "TrueTypes" of font list `list`, then copies its section "FontSubstitutes" into the Windows
// profile; with skipFonts non-zero only copies the substitutes. 1 when every step succeeded
// (also for a missing list or sections); 0 at the first failure, with what came before kept,
// and for a null list (the profile reader would read WIN.INI instead).
extern "C" int __stdcall Internal007(const char* list, int skipFonts) {
  using namespace qnd;
  if (!list) return 0;
  if (!skipFonts) {
    if (InstallFontSection(list, FontKind::Raster) != FontResult::Ok) return 0;
    if (InstallFontSection(list, FontKind::TrueType) != FontResult::Ok) return 0;
  }
  return CopyFontSubstitutes(list) == FontResult::Ok ? 1 : 0;
}
