// The checker's "fonts" command (fonts_check.h).
#include "check/fonts_check.h"

#include <map>

#include "check/script_lint.h"
#include "fonts/font_list.h"
#include "frame/files.h"
#include "frame/handles.h"
#include "frame/profile.h"
#include "frame/profile_text.h"

namespace qnd {
namespace {

// Why a font entry fails, in words.
std::string DescribeFontResult(FontResult result) {
  switch (result) {
    case FontResult::EmptyValue: return "the entry has no value, and every entry needs one";
    case FontResult::BadDescription:
      return "the WIN.INI key it writes is blank, holds \"=\" or a line break, or begins with "
             "\"[\" or \";\"";
    case FontResult::ResourceKey:
      return "the key names a .FOT file, which a TrueType entry rebuilds";
    case FontResult::KeyTooLong:
      return "the key is over " + std::to_string(kFontKeyChars) + " characters";
    case FontResult::NoFileName: return "the key ends in its directory part: it names no file";
    case FontResult::FileNameTooLong:
      return "the file name is over " + std::to_string(kFontFileChars) + " characters";
    case FontResult::NoFontsDir:
      return "the FONTS directory does not fit " + std::to_string(kFontsDirBytes - 1) +
             " characters here";
    case FontResult::PathTooLong:
      return "the FONTS directory with the file name (or with the name and \".FOT\") is over " +
             std::to_string(kPathChars - 1) + " characters";
    default: return "no memory for the list of keys";
  }
}

// True when the first bytes of file `path` are those of a font of `kind`: a raster font
// library (.FON) is an executable, a TrueType font begins with its version or its tag.
bool LooksLikeFont(const char* path, FontKind kind) {
  UniqueFile in(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr));
  unsigned char head[4] = {};
  DWORD got = 0;
  if (!in || !ReadFile(in.get(), head, sizeof head, &got, nullptr) || got < 2) return false;
  if (kind == FontKind::Raster) return head[0] == 'M' && head[1] == 'Z';
  static const unsigned char kTags[][4] = {
      {0, 1, 0, 0}, {'t', 'r', 'u', 'e'}, {'t', 't', 'c', 'f'}};
  for (const auto& tag : kTags) {
    if (got == 4 && std::memcmp(head, tag, 4) == 0) return true;
  }
  return false;
}

// What a profile entry of WIN.INI holds now ("" for none).
std::string ProfileValue(const char* section, const std::string& key) {
  char value[kFontValueChars];
  GetProfileStringA(section, key.c_str(), "", value, kFontValueChars);
  return value;
}

class FontsCheck {
 public:
  FontsCheck(const std::string& file, const char* path, const ScriptLines& lines,
             const NameFold& fold, Report& report)
      : file_(file), path_(path), lines_(lines), fold_(fold), report_(report) {}

  // Every entry of section "Fonts" or "TrueTypes", in the order Internal007 works them.
  void Section(FontKind kind);
  // Every entry of section "FontSubstitutes", and what WIN.INI holds for it now.
  void Substitutes();
  // The result, when no entry failed.
  void End();

 private:
  void Entry(FontKind kind, const char* key, const char* value, int line, bool repeated);
  void Repeats(const FontPlan& plan, const char* value, int line);
  void Files(const FontPlan& plan, int line);
  void Stop(int line, const std::string& why);
  bool Place(const char* section, const char* key, int* line);
  void Find(FindingId id, int line, std::initializer_list<std::string> args) {
    report_.Finding(id, file_, line, args);
  }
  void Say(int line, const std::string& text) {
    if (!stopped_) report_.Line(file_, line, text);
  }

  const std::string& file_;
  const char* path_;
  const ScriptLines& lines_;
  const NameFold& fold_;
  Report& report_;
  bool stopped_ = false;                     // Internal007 stopped at an earlier entry
  std::map<std::string, int> seen_;          // folded key of this section -> its count
  std::map<std::string, int> files_;         // folded font file -> the line installing it
  std::map<std::string, int> descriptions_;  // folded description -> the line recording it
};

// The line of `key` in `section`, counting its repeats; warns of a repeated key and gives true
// for it.
bool FontsCheck::Place(const char* section, const char* key, int* line) {
  const int nth = seen_[fold_.Fold(key)]++;
  *line = lines_.EntryLine(section, key, nth);
  if (nth) {
    Find(FindingId::FontEntryRepeats, *line,
         {key, std::to_string(lines_.EntryLine(section, key, 0))});
  }
  return nth > 0;
}

// Reports a failing entry; the first one is where Internal007 stops.
void FontsCheck::Stop(int line, const std::string& why) {
  Find(FindingId::FontEntryFails, line, {why});
  if (stopped_) return;
  report_.Line(file_, line, "Internal007 stops here and gives 0; nothing after it is done");
  stopped_ = true;
}

void FontsCheck::Section(FontKind kind) {
  const char* section = FontSectionName(kind);
  NameList keys;
  if (!keys.Read(path_, section)) return Stop(0, DescribeFontResult(FontResult::NoMemory));
  seen_.clear();
  for (const char* key = keys.First(); key; key = keys.Next(key)) {
    char value[kFontValueChars];
    ReadFontListValue(path_, section, key, value);
    int line = 0;
    const bool repeated = Place(section, key, &line);
    Entry(kind, key, value, line, repeated);
  }
}

// One font entry: its plan, its directory part, its repeats, its files, what it does.
void FontsCheck::Entry(FontKind kind, const char* key, const char* value, int line, bool repeated) {
  FontPlan plan;
  const FontResult planned = PlanFontEntry(key, value, kind, plan);
  if (planned != FontResult::Ok) return Stop(line, DescribeFontResult(planned));
  if (SplitFontKey(key).file != key) {
    Find(FindingId::DirectoryPartIgnored, line, {key, plan.font_path.c_str()});
  }
  if (!repeated) Repeats(plan, value, line);
  Files(plan, line);
  const std::string loads = kind == FontKind::TrueType
                                ? std::string("builds ") + plan.resource_path.c_str() + " for " +
                                      plan.font_file.c_str() + " and adds it"
                                : std::string("adds ") + plan.font_path.c_str();
  Say(line, Format("%s \"%s\": %s; WIN.INI [Fonts] \"%s\" = \"%s\"", FontSectionName(kind), key,
                   loads.c_str(), value, key));
}

// The font file or description of an earlier entry again, and what WIN.INI records now.
void FontsCheck::Repeats(const FontPlan& plan, const char* value, int line) {
  const std::string file = fold_.Fold(plan.font_file.c_str());
  if (files_.count(file)) {
    Find(FindingId::FontFileTwice, line, {plan.font_file.c_str(), std::to_string(files_[file])});
  }
  files_[file] = line;
  const std::string description = fold_.Fold(value);
  const std::string now = ProfileValue(kFontsProfileSection, value);
  if (descriptions_.count(description)) {
    Find(FindingId::DescriptionTwice, line, {value, std::to_string(descriptions_[description])});
  } else if (!now.empty()) {
    Find(FindingId::FontsEntryRewritten, line, {value, now});
  }
  descriptions_[description] = line;
}

// The files the entry needs and builds in the FONTS directory.
void FontsCheck::Files(const FontPlan& plan, int line) {
  const char* font = plan.font_path.c_str();
  if (!FileExistsQuiet(font)) {
    return Stop(line, std::string(font) + " is not there, so the font cannot be added");
  }
  if (!LooksLikeFont(font, plan.kind)) {
    Find(plan.kind == FontKind::TrueType ? FindingId::NotTrueType : FindingId::NotRaster, line,
         {font});
  }
  if (plan.kind != FontKind::TrueType) return;
  const char* resource = plan.resource_path.c_str();
  const DWORD attributes = GetFileAttributesA(resource);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    Stop(line, std::string(resource) + " is a directory, so the resource file cannot be built");
  } else if (attributes != INVALID_FILE_ATTRIBUTES) {
    Find(FindingId::ResourceRebuilt, line, {resource});
  }
}

void FontsCheck::Substitutes() {
  NameList keys;
  if (!keys.Read(path_, kSubstitutesSection)) {
    return Stop(0, DescribeFontResult(FontResult::NoMemory));
  }
  seen_.clear();
  for (const char* key = keys.First(); key; key = keys.Next(key)) {
    char value[kFontValueChars];
    ReadFontListValue(path_, kSubstitutesSection, key, value);
    int line = 0;
    Place(kSubstitutesSection, key, &line);
    const FontResult planned = PlanSubstitute(key, value);
    if (planned != FontResult::Ok) {
      Stop(line, DescribeFontResult(planned));
      continue;
    }
    const std::string now = ProfileValue(kSubstitutesSection, key);
    Say(line, Format("FontSubstitutes \"%s\" = \"%s\" into WIN.INI%s", key, value,
                     now.empty() ? "" : (" (now \"" + now + "\")").c_str()));
  }
}

void FontsCheck::End() {
  if (!stopped_) report_.Line(file_, 0, "Internal007 gives 1");
}

}  // namespace

int CheckFonts(const FontsOptions& options, Report& report) {
  PathStr full, dir;
  std::string text;
  if (!ReadProfileFile(options.file, full, dir, text)) {
    report.Finding(FindingId::CannotRead, options.file, 0);
    return kExitErrors;
  }
  report.Heading(options.skip_fonts ? "fonts: what Internal007 (list, 1) would do"
                                    : "fonts: what Internal007 (list, 0) would do, in order");
  const NameFold fold = PlatformFold();
  const ScriptLines lines(text, fold);
  FontsCheck check(options.file, full.c_str(), lines, fold, report);
  if (!options.skip_fonts) {
    check.Section(FontKind::Raster);
    check.Section(FontKind::TrueType);
  }
  check.Substitutes();
  check.End();
  report.Summary();
  return report.ExitStatus();
}

}  // namespace qnd
