// The checker's "fonts" command (fonts_check.h): the file Internal007 reads, walked with its own
// walk (WalkFontList), each entry planned by its own planning (PlanFontListEntry).
#include "check/fonts_check.h"

#include <map>

#include "check/script_lint.h"
#include "fonts/font_list.h"
#include "frame/handles.h"
#include "frame/outcome_table.h"
#include "frame/profile_text.h"

namespace qnd {
namespace {

// The checker's words for each result of planning a font entry and its finding, one row per
// result, in the enum's order: a new one fails the build until it has them. A "{}" takes the
// limit `number`, or else the file the result is about.
struct FontResultText {
  FontResult result;
  const char* text;
  FindingId finding;  // FindingId::Count: none
  std::size_t number;
};
constexpr FontResultText kFontResultTexts[] = {
    {FontResult::Ok, "", FindingId::Count, 0},
    {FontResult::EmptyValue, "the entry has no value, and every entry needs one",
     FindingId::FontEntryFails, 0},
    {FontResult::BadDescription,
     "the WIN.INI key it writes is blank, holds \"=\" or a control character (the profile "
     "writer may drop it), or begins with \"[\" or \";\"",
     FindingId::FontEntryFails, 0},
    {FontResult::ResourceKey, "the key names a .FOT file, which a TrueType entry rebuilds",
     FindingId::FontEntryFails, 0},
    {FontResult::KeyTooLong, "the key is over {} characters", FindingId::FontEntryFails,
     kFontKeyChars},
    {FontResult::NoFileName, "the key ends in its directory part: it names no file",
     FindingId::FontEntryFails, 0},
    {FontResult::FileNameTooLong, "the file name is over {} characters", FindingId::FontEntryFails,
     kFontFileChars},
    {FontResult::NoFontsDir, "the FONTS directory does not fit {} characters here",
     FindingId::FontEntryFails, kFontsDirBytes - 1},
    {FontResult::PathTooLong,
     "the FONTS directory with the file name (or with the name and \".FOT\") is over {} "
     "characters",
     FindingId::FontEntryFails, kPathChars - 1},
    {FontResult::NoFontFile, "{} is not there, so the font cannot be added",
     FindingId::FontEntryFails, 0},
    {FontResult::ResourceIsDirectory, "{} is a directory, so the resource file cannot be built",
     FindingId::FontEntryFails, 0},
    {FontResult::ResourceFileFailed, "the .FOT file {} cannot be built", FindingId::FontEntryFails,
     0},
    {FontResult::NotAdded, "the system adds no font from {}", FindingId::FontEntryFails, 0},
    {FontResult::ProfileNotWritten, "the Windows profile refuses the entry",
     FindingId::FontEntryFails, 0},
    {FontResult::NoMemory, "no memory for the list of keys", FindingId::FontEntryFails, 0},
};
static_assert(RowsInOrder(kFontResultTexts, &FontResultText::result, FontResult::Count),
              "one row per result, in the enum's order");

// Why a font entry fails, in words.
[[nodiscard]] std::string DescribeFontResult(FontResult result, const FontPlan& plan) {
  const FontResultText& row = kFontResultTexts[static_cast<int>(result)];
  const char* file = ResultFile(result, plan);
  return FillText(row.text, {row.number ? std::to_string(row.number) : Shown(file)});
}

// What the platform says of a raster font library (.FON) before Internal007 adds it.
enum class RasterAnswer { Adds, AddsNothing, Unknown };

// Asks the platform whether it can add raster font library `path`, without adding it for
// anyone: it is added for this process alone (FR_PRIVATE) and removed at once. Unknown where
// the platform has no fonts of a process's own.
[[nodiscard]] RasterAnswer AskRaster(const char* path) {
  typedef int(WINAPI * AddFn)(LPCSTR, DWORD, PVOID);
  typedef BOOL(WINAPI * RemoveFn)(LPCSTR, DWORD, PVOID);
  const HMODULE gdi = GetModuleHandleA("gdi32.dll");
  const auto add = reinterpret_cast<AddFn>(
      reinterpret_cast<void (*)()>(GetProcAddress(gdi, "AddFontResourceExA")));
  const auto remove = reinterpret_cast<RemoveFn>(
      reinterpret_cast<void (*)()>(GetProcAddress(gdi, "RemoveFontResourceExA")));
  if (!add || !remove) return RasterAnswer::Unknown;
  const int added = add(path, FR_PRIVATE, nullptr);
  if (added <= 0) return RasterAnswer::AddsNothing;
  (void)remove(path, FR_PRIVATE, nullptr);  // this process's own: it ends with the process anyway
  return RasterAnswer::Adds;
}

// True when the first bytes of file `path` are those of a TrueType font: its version or its
// tag.
[[nodiscard]] bool LooksLikeTrueType(const char* path) {
  UniqueFile in(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr));
  unsigned char head[4] = {};
  DWORD got = 0;
  if (!in || !ReadFile(in.get(), head, sizeof head, &got, nullptr) || got < 2) return false;
  static const unsigned char kTags[][4] = {
      {0, 1, 0, 0}, {'t', 'r', 'u', 'e'}, {'t', 't', 'c', 'f'}};
  for (const auto& tag : kTags) {
    if (got == 4 && std::memcmp(head, tag, 4) == 0) return true;
  }
  return false;
}

// What a profile entry of WIN.INI holds now ("" for none).
[[nodiscard]] std::string ProfileValue(const char* section, const std::string& key) {
  char value[kProfileValueChars];
  GetProfileStringA(section, key.c_str(), "", value, kProfileValueChars);
  return value;
}

class FontsCheck {
 public:
  FontsCheck(const std::string& file, const char* path, const ScriptLines& lines,
             const NameFold& fold, Report& report)
      : file_(file), path_(path), lines_(lines), fold_(fold), report_(report) {}

  // One entry, as the walk meets it.
  void Entry(const FontListEntry& entry);
  // The walk's end: where Internal007 stops, and its result.
  void End(WalkEnd end);

 private:
  void Font(const FontListEntry& entry, const FontPlan& plan, int line, bool repeated);
  void Repeats(const FontPlan& plan, const char* value, int line);
  void Section(const char* section);
  void Stop(int line, FontResult result, const FontPlan& plan) {
    Stop(line, kFontResultTexts[static_cast<int>(result)].finding,
         DescribeFontResult(result, plan));
  }
  void Stop(int line, FindingId id, const std::string& why);
  void Find(FindingId id, int line, std::initializer_list<std::string> args) {
    report_.Finding(id, file_, line, args);
  }
  void Say(int line, const std::string& text) {
    if (!stopped_) report_.Line(file_, line, text);
  }

  const std::string& file_;
  const char* path_;
  const ScriptLines& lines_;
  const NameFold& fold_;                       // the reader's letter case
  const NameFold file_fold_ = PlatformFold();  // a file name's
  Report& report_;
  bool stopped_ = false;                     // Internal007 stopped at an earlier entry
  const char* section_ = nullptr;            // of the entries met last
  std::map<std::string, int> seen_;          // folded key of this section -> its count
  std::map<std::string, int> files_;         // folded font file -> the line installing it
  std::map<std::string, int> descriptions_;  // folded description -> the line recording it
};

// Reports a failing entry; the first one is where Internal007 stops.
void FontsCheck::Stop(int line, FindingId id, const std::string& why) {
  Find(id, line, {why});
  if (stopped_) return;
  report_.Line(file_, line, "Internal007 stops here and gives 0; nothing after it is done");
  stopped_ = true;
}

// A section the walk enters: the names beyond the room of the reader's list.
void FontsCheck::Section(const char* section) {
  section_ = section;
  seen_.clear();
  const NameListUse use = MeasureNameList(path_, section);
  if (use.first_unseen.empty()) return;
  Find(FindingId::FontsOverLimit, lines_.EntryLine(section, use.first_unseen, 0),
       {Shown(section), std::to_string(use.chars), std::to_string(NameList::kChars),
        Shown(use.first_unseen)});
}

void FontsCheck::Entry(const FontListEntry& entry) {
  const char* section = entry.section->name;
  if (section != section_) Section(section);
  const int nth = seen_[fold_.Fold(entry.key)]++;
  const int line = lines_.EntryLine(section, entry.key, nth);
  if (nth) {
    Find(FindingId::FontEntryRepeats, line,
         {Shown(entry.key), std::to_string(lines_.EntryLine(section, entry.key, 0))});
  }
  FontPlan plan;
  const FontResult planned = PlanFontListEntry(entry, plan);
  if (planned != FontResult::Ok) return Stop(line, planned, plan);
  if (entry.section->fonts) return Font(entry, plan, line, nth > 0);
  const std::string now = ProfileValue(section, entry.key);
  Say(line, Shown(section) + " " + Quoted(entry.key) + " = " + Quoted(entry.value) +
                " into WIN.INI" + (now.empty() ? "" : " (now " + Quoted(now) + ")"));
}

// A font entry that Internal007 carries out: its directory part, its repeats, its files.
void FontsCheck::Font(const FontListEntry& entry, const FontPlan& plan, int line, bool repeated) {
  if (SplitFontKey(entry.key).file != entry.key) {
    Find(FindingId::DirectoryPartIgnored, line, {Shown(entry.key), Shown(plan.font_path.c_str())});
  }
  if (!repeated) Repeats(plan, entry.value, line);
  const char* font = plan.font_path.c_str();
  if (plan.kind == FontKind::TrueType && !LooksLikeTrueType(font)) {
    Find(FindingId::NotTrueType, line, {Shown(font)});
  }
  const RasterAnswer raster = plan.kind == FontKind::Raster ? AskRaster(font) : RasterAnswer::Adds;
  if (raster == RasterAnswer::AddsNothing) {
    return Stop(line, FindingId::FontEntryFails,
                Shown(font) +
                    " holds no font the platform can add: AddFontResourceA adds "
                    "nothing from it");
  }
  if (raster == RasterAnswer::Unknown) Find(FindingId::NotRaster, line, {Shown(font)});
  if (plan.resource_there) {
    Find(FindingId::ResourceRebuilt, line, {Shown(plan.resource_path.c_str())});
  }
  const std::string loads = plan.kind == FontKind::TrueType
                                ? "builds " + Shown(plan.resource_path.c_str()) + " for " +
                                      Shown(plan.font_file.c_str()) + " and adds it"
                                : "adds " + Shown(font);
  Say(line, Shown(entry.section->name) + " " + Quoted(entry.key) + ": " + loads + "; WIN.INI [" +
                kFontsProfileSection + "] " + Quoted(entry.value) + " = " + Quoted(entry.key));
}

// The font file or description of an earlier entry again, and what WIN.INI records now: the
// same font file written anew, or another one written over.
void FontsCheck::Repeats(const FontPlan& plan, const char* value, int line) {
  const std::string file = file_fold_.Fold(plan.font_file.c_str());
  if (files_.contains(file)) {
    Find(FindingId::FontFileTwice, line,
         {Shown(plan.font_file.c_str()), std::to_string(files_[file])});
  }
  files_[file] = line;
  const std::string description = fold_.Fold(value);
  const std::string now = ProfileValue(kFontsProfileSection, value);
  if (descriptions_.contains(description)) {
    Find(FindingId::DescriptionTwice, line,
         {Shown(value), std::to_string(descriptions_[description])});
  } else if (!now.empty() && file_fold_.Fold(SplitFontKey(now.c_str()).file) == file) {
    Find(FindingId::FontsEntryRewritten, line, {Shown(value), Shown(now)});
  } else if (!now.empty()) {
    Find(FindingId::ForeignFontsEntry, line, {Shown(value), Shown(now)});
  }
  descriptions_[description] = line;
}

void FontsCheck::End(WalkEnd end) {
  if (end == WalkEnd::NoMemory) Stop(0, FontResult::NoMemory, FontPlan());
  if (!stopped_) report_.Line(file_, 0, "Internal007 gives 1");
}

}  // namespace

int CheckFonts(const FontsOptions& options, Report& report) {
  PathStr full, dir;
  std::string text;
  const FileRead read = ReadProfileFile(options.file, full, dir, text);
  if (read != FileRead::Read) {
    return FileNotRead(report, options.file, read == FileRead::Missing, full.c_str(),
                       "Internal007 gives 1");
  }
  report.Heading(options.skip_fonts ? "fonts: what Internal007 (list, 1) would do"
                                    : "fonts: what Internal007 (list, 0) would do, in order");
  if (options.file != full.c_str()) {
    report.Line(options.file, 0, "the list: " + Shown(full.c_str()));
  }
  PathStr windows;
  if (BareNameElsewhere(options.file, windows)) {
    report.Line(options.file, 0, BareNameNote(options.file, "Internal007", windows.c_str()));
  }
  const NameFold fold = ReaderFold(text);
  const ScriptLines lines(text, fold);
  FontsCheck check(options.file, full.c_str(), lines, fold, report);
  check.End(WalkFontList(full.c_str(), options.skip_fonts, [&](const FontListEntry& entry) {
    check.Entry(entry);
    return true;  // past a failure too, to report every entry
  }));
  report.Summary();
  return report.ExitStatus();
}

}  // namespace qnd
