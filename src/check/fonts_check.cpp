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

// The checker's words for each result of planning a font entry (a "{}" takes the file it is
// about) and its finding, one row per result, in the enum's order: a new one fails the build
// until it has them.
struct FontResultText {
  FontResult result;
  const char* text;
  FindingId finding;  // FindingId::Count: none
};
constexpr FontResultText kFontResultTexts[] = {
    {FontResult::Ok, "", FindingId::Count},
    {FontResult::EmptyValue, "the entry has no value, and every entry needs one",
     FindingId::FontEntryFails},
    {FontResult::BadDescription,
     "the WIN.INI key it writes is blank, holds \"=\" or a control character (the profile "
     "writer may drop it), or begins with \"[\" or \";\"",
     FindingId::FontEntryFails},
    {FontResult::ResourceKey, "the key names a .FOT file, which a TrueType entry rebuilds",
     FindingId::FontEntryFails},
    {FontResult::KeyTooLong, "the key is over 259 characters", FindingId::FontEntryFails},
    {FontResult::NoFileName, "the key ends in its directory part: it names no file",
     FindingId::FontEntryFails},
    {FontResult::FileNameTooLong, "the file name is over 255 characters",
     FindingId::FontEntryFails},
    {FontResult::NoFontsDir, "the FONTS directory does not fit 255 characters here",
     FindingId::FontEntryFails},
    {FontResult::PathTooLong,
     "the FONTS directory with the file name (or with the name and \".FOT\") is over 259 "
     "characters",
     FindingId::FontEntryFails},
    {FontResult::NoFontFile, "{} is not there, so the font cannot be added",
     FindingId::FontEntryFails},
    {FontResult::ResourceIsDirectory, "{} is a directory, so the resource file cannot be built",
     FindingId::FontEntryFails},
    {FontResult::ResourceFileFailed, "the .FOT file {} cannot be built", FindingId::FontEntryFails},
    {FontResult::NotAdded, "the system adds no font from {}", FindingId::FontEntryFails},
    {FontResult::ProfileNotWritten, "the Windows profile refuses the entry",
     FindingId::FontEntryFails},
    {FontResult::NoMemory, "no memory for the list of keys", FindingId::FontEntryFails},
};
static_assert(RowsInOrder(kFontResultTexts, &FontResultText::result, FontResult::Count),
              "one row per result, in the enum's order");

// Why a font entry fails, in words.
[[nodiscard]] std::string DescribeFontResult(FontResult result, const FontPlan& plan) {
  return FillText(kFontResultTexts[static_cast<int>(result)].text, {ResultFile(result, plan)});
}

// True when the first bytes of file `path` are those of a font of `kind`: a raster font
// library (.FON) is an executable, a TrueType font begins with its version or its tag.
[[nodiscard]] bool LooksLikeFont(const char* path, FontKind kind) {
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
  void Stop(int line, FontResult result, const FontPlan& plan);
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
  const char* section_ = nullptr;            // of the entries met last
  std::map<std::string, int> seen_;          // folded key of this section -> its count
  std::map<std::string, int> files_;         // folded font file -> the line installing it
  std::map<std::string, int> descriptions_;  // folded description -> the line recording it
};

// Reports a failing entry; the first one is where Internal007 stops.
void FontsCheck::Stop(int line, FontResult result, const FontPlan& plan) {
  Find(kFontResultTexts[static_cast<int>(result)].finding, line,
       {DescribeFontResult(result, plan)});
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
       {section, std::to_string(use.chars), std::to_string(NameList::kChars), use.first_unseen});
}

void FontsCheck::Entry(const FontListEntry& entry) {
  const char* section = entry.section->name;
  if (section != section_) Section(section);
  const int nth = seen_[fold_.Fold(entry.key)]++;
  const int line = lines_.EntryLine(section, entry.key, nth);
  if (nth) {
    Find(FindingId::FontEntryRepeats, line,
         {entry.key, std::to_string(lines_.EntryLine(section, entry.key, 0))});
  }
  FontPlan plan;
  const FontResult planned = PlanFontListEntry(entry, plan);
  if (planned != FontResult::Ok) return Stop(line, planned, plan);
  if (entry.section->fonts) return Font(entry, plan, line, nth > 0);
  const std::string now = ProfileValue(section, entry.key);
  Say(line, Format("%s \"%s\" = \"%s\" into WIN.INI%s", section, entry.key, entry.value,
                   now.empty() ? "" : (" (now \"" + now + "\")").c_str()));
}

// A font entry that Internal007 carries out: its directory part, its repeats, its files.
void FontsCheck::Font(const FontListEntry& entry, const FontPlan& plan, int line, bool repeated) {
  if (SplitFontKey(entry.key).file != entry.key) {
    Find(FindingId::DirectoryPartIgnored, line, {entry.key, plan.font_path.c_str()});
  }
  if (!repeated) Repeats(plan, entry.value, line);
  const char* font = plan.font_path.c_str();
  if (!LooksLikeFont(font, plan.kind)) {
    Find(plan.kind == FontKind::TrueType ? FindingId::NotTrueType : FindingId::NotRaster, line,
         {font});
  }
  if (plan.resource_there) Find(FindingId::ResourceRebuilt, line, {plan.resource_path.c_str()});
  const std::string loads = plan.kind == FontKind::TrueType
                                ? std::string("builds ") + plan.resource_path.c_str() + " for " +
                                      plan.font_file.c_str() + " and adds it"
                                : std::string("adds ") + font;
  Say(line, Format("%s \"%s\": %s; WIN.INI [%s] \"%s\" = \"%s\"", entry.section->name, entry.key,
                   loads.c_str(), kFontsProfileSection, entry.value, entry.key));
}

// The font file or description of an earlier entry again, and what WIN.INI records now: the
// same font file written anew, or another one written over.
void FontsCheck::Repeats(const FontPlan& plan, const char* value, int line) {
  const std::string file = fold_.Fold(plan.font_file.c_str());
  if (files_.contains(file)) {
    Find(FindingId::FontFileTwice, line, {plan.font_file.c_str(), std::to_string(files_[file])});
  }
  files_[file] = line;
  const std::string description = fold_.Fold(value);
  const std::string now = ProfileValue(kFontsProfileSection, value);
  if (descriptions_.contains(description)) {
    Find(FindingId::DescriptionTwice, line, {value, std::to_string(descriptions_[description])});
  } else if (!now.empty() && fold_.Fold(SplitFontKey(now.c_str()).file) == file) {
    Find(FindingId::FontsEntryRewritten, line, {value, now});
  } else if (!now.empty()) {
    Find(FindingId::ForeignFontsEntry, line, {value, now});
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
  if (!ReadProfileFile(options.file, full, dir, text)) {
    report.Finding(FindingId::CannotRead, options.file, 0);
    return kExitErrors;
  }
  report.Heading(options.skip_fonts ? "fonts: what Internal007 (list, 1) would do"
                                    : "fonts: what Internal007 (list, 0) would do, in order");
  if (options.file != full.c_str()) {
    report.Line(options.file, 0, std::string("the list: ") + full.c_str());
  }
  const std::string note = BareNameNote(options.file, "Internal007");
  if (!note.empty()) report.Line(options.file, 0, note);
  const NameFold fold = PlatformFold();
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
