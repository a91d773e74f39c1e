// Font lists: Internal007 and its steps. The font files already lie in the FONTS directory;
// these functions make them known to the system and to the Windows profile.
#include "fonts/font_list.h"

#include "frame/files.h"
#include "frame/trace.h"
#include "frame/win.h"

namespace qnd {
namespace {

// A window that does not answer a broadcast within this time is given up, so that one hung
// application cannot hold setup for ever; windows that answer are waited for.
constexpr UINT kBroadcastMillis = 5000;

// Deletes the fresh ".FOT" file of a build that went no further.
void DeleteFresh(const char* fresh, Trace& trace) {
  if (DeleteFileA(fresh)) trace.Step(".FOT file deleted \"%s\"", fresh);
}

// A free name for a file in the FONTS directory of `plan` into `name` (a path buffer): the
// platform makes the file to reserve the name, and it is deleted again, for the callers' own
// calls refuse a file that exists.
[[nodiscard]] bool FreeName(const FontPlan& plan, const char* prefix, char* name, Trace& trace) {
  if (!GetTempFileNameA(plan.fonts_dir.c_str(), prefix, 0, name)) {
    trace.Refusal(LastError{"GetTempFileNameA"}, "no free file name in \"%s\"",
                  plan.fonts_dir.c_str());
    return false;
  }
  DeleteFileA(name);
  return true;
}

// Puts `fresh` in place of `resource` where MoveFileExA is not implemented (Windows 95, 98 and
// ME), with what those systems have: the old file moved aside to a backup name, the fresh one
// moved into place, then the backup deleted. When the fresh file cannot go into place the
// backup is moved back; an old file that cannot be moved back stays under the backup name, so
// another program's ".FOT" is never lost. False when `fresh` is not in place.
[[nodiscard]] bool ReplaceByRenames(const FontPlan& plan, const char* fresh, const char* resource,
                                    Trace& trace) {
  if (QuietAttributes(resource) == INVALID_FILE_ATTRIBUTES) {
    if (MoveFileA(fresh, resource)) return true;
    trace.Refusal(LastError{"MoveFileA"}, "the .FOT file \"%s\" cannot be put in place", resource);
    return false;
  }
  char backup[MAX_PATH];
  if (!FreeName(plan, "fob", backup, trace)) return false;
  if (!MoveFileA(resource, backup)) {
    trace.Refusal(LastError{"MoveFileA"}, "the .FOT file \"%s\" cannot be replaced", resource);
    return false;
  }
  trace.Step(".FOT file moved aside \"%s\" to \"%s\"", resource, backup);
  if (MoveFileA(fresh, resource)) {
    if (DeleteFileA(backup)) trace.Step(".FOT file deleted \"%s\"", backup);
    return true;
  }
  trace.Refusal(LastError{"MoveFileA"}, "the .FOT file \"%s\" cannot be put in place", resource);
  if (MoveFileA(backup, resource)) {
    trace.Step(".FOT file moved back \"%s\"", resource);
  } else {
    trace.Refusal(LastError{"MoveFileA"}, "the old .FOT file stays as \"%s\"", backup);
  }
  return false;
}

// Puts `fresh` in place of `resource`, replacing it if it is there. False, the trace saying
// why, when `fresh` is not in place; `resource` then is as it was.
[[nodiscard]] bool ReplaceResourceFile(const FontPlan& plan, const char* fresh,
                                       const char* resource, Trace& trace) {
  if (MoveFileExA(fresh, resource, MOVEFILE_REPLACE_EXISTING)) return true;
  if (GetLastError() == ERROR_CALL_NOT_IMPLEMENTED) {
    trace.Step(LastError{"MoveFileExA"}, "replaced by renames instead");
    return ReplaceByRenames(plan, fresh, resource, trace);
  }
  trace.Refusal(LastError{"MoveFileExA"}, "the .FOT file \"%s\" cannot be replaced", resource);
  return false;
}

// Builds the ".FOT" file of `plan` under a fresh name in the FONTS directory, and only once it
// is built puts it in place of the old one, which is unloaded first (a loaded file cannot be
// replaced everywhere). Until then nothing is touched: when the build or the replacement fails,
// the fresh file is removed and the old one stays as it was, loaded if it was.
[[nodiscard]] FontResult RebuildResourceFile(const FontPlan& plan, Trace& trace) {
  char fresh[MAX_PATH];
  if (!FreeName(plan, "fot", fresh, trace)) return FontResult::ResourceFileFailed;
  if (!CreateScalableFontResourceA(0, fresh, plan.font_file.c_str(), plan.fonts_dir.c_str())) {
    trace.Refusal(LastError{"CreateScalableFontResourceA"}, "no .FOT file built from \"%s\"",
                  plan.font_path.c_str());
    DeleteFresh(fresh, trace);
    return FontResult::ResourceFileFailed;
  }
  const char* resource = plan.resource_path.c_str();
  const bool was_loaded = RemoveFontResourceA(resource) > 0;
  if (was_loaded) trace.Step("font resource removed \"%s\"", resource);
  if (!ReplaceResourceFile(plan, fresh, resource, trace)) {
    DeleteFresh(fresh, trace);
    if (was_loaded && AddFontResourceA(resource) > 0) {
      trace.Step("font resource added \"%s\"", resource);
    }
    return FontResult::ResourceFileFailed;
  }
  trace.Step(".FOT file built \"%s\" from \"%s\"", resource, plan.font_file.c_str());
  return FontResult::Ok;
}

// Tells every top-level window that the fonts changed. Its result is of no interest.
void BroadcastFontChange(Trace& trace) {
  DWORD_PTR answer = 0;
  SendMessageTimeoutA(HWND_BROADCAST, WM_FONTCHANGE, 0, 0, SMTO_ABORTIFHUNG, kBroadcastMillis,
                      &answer);
  trace.Step("WM_FONTCHANGE sent to every top-level window");
}

// Makes the font of `plan`, whose files PlanFontListEntry tested, known to the system. A raster
// font is removed first, so that a second run does not load it twice (the result is of no
// interest: it may not be loaded); a TrueType font's ".FOT" file is rebuilt.
[[nodiscard]] FontResult LoadFont(const FontPlan& plan, Trace& trace) {
  const char* loaded = plan.font_path.c_str();
  if (plan.kind == FontKind::TrueType) {
    loaded = plan.resource_path.c_str();
    const FontResult built = RebuildResourceFile(plan, trace);
    if (built != FontResult::Ok) return built;
  } else if (RemoveFontResourceA(loaded) > 0) {
    trace.Step("font resource removed \"%s\"", loaded);
  }
  if (AddFontResourceA(loaded) > 0) {
    trace.Step("font resource added \"%s\"", loaded);
    return FontResult::Ok;
  }
  trace.Refusal(LastError{"AddFontResourceA"}, "no font added from \"%s\"", loaded);
  return FontResult::NotAdded;
}

// Writes entry `key` = `value` of section `section` of the Windows profile. False when the
// profile refused it; the trace says which.
[[nodiscard]] bool WriteWinIni(const char* section, const char* key, const char* value,
                               Trace& trace) {
  if (!WriteProfileStringA(section, key, value)) {
    trace.Refusal(LastError{"WriteProfileStringA"}, "WIN.INI [%s] \"%s\" cannot be written",
                  section, key);
    return false;
  }
  trace.Step("profile entry written: WIN.INI [%s] \"%s\" = \"%s\"", section, key, value);
  return true;
}

// Why the plan refused `entry`, with the file concerned where the rule is about one.
void RefuseFontEntry(const FontListEntry& entry, FontResult result, const FontPlan& plan,
                     Trace& trace) {
  const char* file = ResultFile(result, plan);
  if (*file) {
    trace.Refusal("entry \"%s\" = \"%s\" of [%s]: %s: \"%s\"", entry.key, entry.value,
                  entry.section->name, FontResultRule(result), file);
  } else {
    trace.Refusal("entry \"%s\" = \"%s\" of [%s]: %s", entry.key, entry.value, entry.section->name,
                  FontResultRule(result));
  }
}

// The tests of the FONTS directory made before anything is touched: an entry that names no
// font file of its own must not unload or replace another program's font or ".FOT" file of
// the same name.
[[nodiscard]] FontResult TestFontFiles(FontPlan& plan) {
  if (!FileExistsQuiet(plan.font_path.c_str())) return FontResult::NoFontFile;
  if (plan.kind != FontKind::TrueType) return FontResult::Ok;
  const DWORD resource = QuietAttributes(plan.resource_path.c_str());
  plan.resource_there = resource != INVALID_FILE_ATTRIBUTES;
  return IsDirectoryAttributes(resource) ? FontResult::ResourceIsDirectory : FontResult::Ok;
}

// Loads and records a planned font.
[[nodiscard]] FontResult InstallFont(const char* key, const char* value, const FontPlan& plan,
                                     Trace& trace) {
  const FontResult loaded = LoadFont(plan, trace);
  if (loaded != FontResult::Ok) return loaded;
  // Reversed: the description is the profile's key, the list's key (as written) its value.
  // A font not recorded there is gone after the next restart: that is a failure.
  // NOLINTNEXTLINE(readability-suspicious-call-argument): reversed on purpose, as said above
  if (!WriteWinIni(kFontsProfileSection, value, key, trace)) return FontResult::ProfileNotWritten;
  BroadcastFontChange(trace);
  return FontResult::Ok;
}

}  // namespace

FontResult PlanFontListEntry(const FontListEntry& entry, FontPlan& plan) {
  if (!entry.section->fonts) return PlanSubstitute(entry.key, entry.value);
  FixedStr<kFontsDirBytes> windows;
  if (!WindowsDirectory(windows)) return FontResult::NoFontsDir;
  const FontResult planned =
      PlanFont(entry.key, entry.value, windows.c_str(), entry.section->kind, plan);
  return planned == FontResult::Ok ? TestFontFiles(plan) : planned;
}

const char* ResultFile(FontResult result, const FontPlan& plan) {
  switch (FontResultFileOf(result)) {
    case FontResultFile::None: return "";
    case FontResultFile::Font: return plan.font_path.c_str();
    case FontResultFile::Resource: return plan.resource_path.c_str();
  }
  return "";
}

FontResult InstallFontListEntry(const FontListEntry& entry, Trace& trace) {
  FontPlan plan;
  const FontResult planned = PlanFontListEntry(entry, plan);
  if (planned != FontResult::Ok) {
    RefuseFontEntry(entry, planned, plan, trace);
    return planned;
  }
  if (entry.section->fonts) return InstallFont(entry.key, entry.value, plan, trace);
  return WriteWinIni(entry.section->name, entry.key, entry.value, trace)
             ? FontResult::Ok
             : FontResult::ProfileNotWritten;
}

}  // namespace qnd

// Internal007: see qndsetup.h.
extern "C" int __stdcall Internal007(const char* list, int skipFonts) {
  using namespace qnd;
  Trace trace("Internal007", {list, skipFonts});
  if (!list) {  // the reader would read WIN.INI instead
    trace.Refusal("no font list");
    return trace.Return(0);
  }
  PathStr path;
  if (!ProfileFileToRead("font list", list, path, trace)) return trace.Return(0);
  const WalkEnd end = WalkFontList(path.c_str(), skipFonts != 0, [&trace](const FontListEntry& e) {
    return InstallFontListEntry(e, trace) == FontResult::Ok;
  });
  if (end == WalkEnd::NoMemory) trace.Refusal("%s", FontResultRule(FontResult::NoMemory));
  return trace.Return(end == WalkEnd::Done ? 1 : 0);
}
