// The catalogue of the checker's findings (findings.h).
#include "check/findings.h"

#include "frame/ascii.h"

namespace qnd {
namespace {

constexpr Severity kNote = Severity::Note;
constexpr Severity kWarning = Severity::Warning;
constexpr Severity kError = Severity::Error;
using F = FindingId;

// Codes by command: Q0xx any, Q1xx script (explain, lint), Q2xx script (coverage), Q3xx fonts,
// Q4xx office. Within a command, new findings take the next free number.
constexpr FindingKind kCatalogue[] = {
    {F::CannotRead, "Q001", kError, nullptr, "the file is there but cannot be read",
     "cannot read this file"},
    {F::FileMissing, "Q002", kWarning, nullptr, "the file is not there: the export does nothing",
     "there is no such file ({}): {}, and does nothing"},

    {F::NoMemory, "Q101", kError, nullptr, "no memory for a name list",
     "no memory for a name list"},
    {F::SectionRepeats, "Q102", kWarning, nullptr, "a key section or the removal list repeats",
     "section [{}] repeats the one on line {}: the reader gives both that one's entries, so "
     "the entries here are never read"},
    {F::SectionLooksLikeKey, "Q103", kWarning, nullptr,
     "a section looks like a key but begins with no root name",
     "section [{}] looks like a key but begins with no root name (they are written out, such "
     "as HKEY_CURRENT_USER): DoReg skips it without a word"},
    {F::ListNearLimit, "Q104", kWarning, nullptr, "a name list near the room the library reads",
     "{} take {} of the {} characters the library reads"},
    {F::ListOverLimit, "Q105", kWarning, nullptr, "names beyond the room the library reads",
     "{} take {} characters; the library reads {}, and never sees the names from \"{}\" on"},
    {F::KeyEntryFails, "Q106", kError, nullptr, "an entry of a key section fails (DoReg gives 0)",
     "{}: the entry fails, and DoReg stops there"},
    {F::RemovalEntryFails, "Q107", kError, nullptr,
     "an entry of the removal list fails (UndoReg gives 0)",
     "{}: the entry fails, and UndoReg stops there"},
    {F::EntryRepeats, "Q108", kWarning, nullptr, "an entry name repeats in its section",
     "entry \"{}\" repeats the one on line {} of its section: the reader gives every copy that "
     "one's data"},
    {F::Dir4UnderRegister, "Q109", kError, nullptr, "\"$4\" in the script RegisterQuindo applies",
     "\"$4\" in a script that RegisterQuindo applies: it gives no $4 directory, so the entry "
     "always fails there"},
    {F::TextNearLimit, "Q110", kWarning, nullptr, "a text near the characters that fit",
     "{} has {} of the {} characters that fit (with this machine's directories)"},
    {F::DwordOtherCase, "Q111", kWarning, nullptr, "\"DWORD:\" in another case: a string",
     "\"dword:\" is read in lower-case letters only: this data is stored as a string"},
    {F::DefaultDword, "Q112", kWarning, nullptr, "\"dword:\" in the default value: a string",
     "the default value (@) is always a string: \"dword:\" is not read there"},
    {F::DwordInText, "Q113", kWarning, nullptr, "\"dword:\" inside text: a number",
     "\"dword:\" inside the text makes it a number: stored as REG_DWORD {}"},
    {F::DwordNotNumber, "Q114", kWarning, nullptr, "\"dword:\" followed by more than a number",
     "\"dword:\" is not followed by a hexadecimal number of 8 digits at most: stored as "
     "REG_DWORD {}"},
    {F::ValueNeverRemoved, "Q115", kWarning, nullptr,
     "a value entry whose key the registry refuses", "{}: the value is never removed"},
    {F::KeyCountsAsGone, "Q116", kWarning, nullptr,
     "a key-tree entry whose path the platform refuses as too long",
     "{}: UndoReg counts the key as gone and removes nothing"},
    {F::ThroughLink, "Q117", kNote, nullptr, "a key path passes through a registry link",
     "{} passes through the registry link {}: {}"},
    {F::RemovesSharedKey, "Q118", kError, nullptr,
     "a removal entry deletes a whole key that Windows and other programs share",
     "{} is a key that Windows and other programs share: this entry deletes it with everything "
     "below it, on every machine the script runs on"},

    {F::LeavesValue, "Q201", kWarning, nullptr, "the uninstall leaves a written value behind",
     "the uninstall leaves {} behind (the key was there before)"},
    {F::LeavesKey, "Q202", kWarning, nullptr, "the uninstall leaves a created key behind",
     "the uninstall leaves {} behind, which the install created{}"},
    {F::LeftBehindToo, "Q203", kNote, "Q202", "what is left in that key", "left behind too: {}"},
    {F::MoreLeftBehind, "Q204", kNote, "Q202", "how much more is left in it",
     "... and {} more left behind"},
    {F::TreeTooDeep, "Q205", kError, nullptr, "a key tree too deep to delete",
     "key {} is more than {} levels deep: the entry fails, and UndoReg stops there"},
    {F::RemovesNothing, "Q206", kNote, nullptr, "a removal entry that removes nothing",
     "{} is neither written by the script nor there now: this entry removes nothing{}"},
    {F::RemovesForeign, "Q207", kWarning, nullptr,
     "the uninstall removes what was there before and is never written",
     "the uninstall removes {}, which was there before the install and which the script never "
     "writes: it may belong to other programs{}"},
    {F::RemovedToo, "Q208", kNote, "Q207", "what else goes with it", "removed too: {}"},
    {F::MoreRemoved, "Q209", kNote, "Q207", "how much more goes with it",
     "... and {} more removed"},
    {F::LeftEmpty, "Q210", kNote, nullptr,
     "a created key left empty above keys the uninstall deleted",
     "the uninstall leaves {} empty, which the install created: the setup deletes it when it is "
     "empty (a removal entry would take other programs' keys below it too)"},

    {F::FontEntryRepeats, "Q301", kWarning, nullptr, "a font-list entry repeats in its section",
     "entry \"{}\" repeats the one on line {} of its section: the reader gives every copy that "
     "one's value"},
    {F::FontEntryFails, "Q302", kError, nullptr, "a font-list entry fails (Internal007 gives 0)",
     "{}: the entry fails, and Internal007 stops there"},
    {F::DirectoryPartIgnored, "Q303", kWarning, nullptr, "a drive or directory part is ignored",
     "the drive or directory part of \"{}\" is ignored: the font is looked for as {} (WIN.INI "
     "keeps the key as written)"},
    {F::FontFileTwice, "Q304", kWarning, nullptr, "a font file installed twice",
     "the font file {} is installed on line {} too"},
    {F::DescriptionTwice, "Q305", kWarning, nullptr, "a description recorded twice",
     "the description \"{}\" is recorded on line {} too: WIN.INI [Fonts] keeps only the last "
     "one's file"},
    {F::FontsEntryRewritten, "Q306", kNote, nullptr, "a WIN.INI [Fonts] entry written anew",
     "WIN.INI [Fonts] \"{}\" now names \"{}\": it would be written anew"},
    {F::NotTrueType, "Q307", kWarning, nullptr, "a file that does not look like a TrueType font",
     "{} does not look like a TrueType font: building its .FOT fails"},
    {F::NotRaster, "Q308", kWarning, nullptr,
     "whether a raster font can be added cannot be known here",
     "whether the platform can add the raster font library {} cannot be known here (it has no "
     "fonts of a process's own to try it with): where it adds nothing, Internal007 gives 0"},
    {F::ResourceRebuilt, "Q309", kNote, nullptr, "a .FOT replaced once a new one is built",
     "{} is there: a new one is built under a temporary name first, and replaces it only once "
     "the build succeeded"},
    {F::ForeignFontsEntry, "Q310", kWarning, nullptr,
     "another font's WIN.INI [Fonts] entry overwritten",
     "WIN.INI [Fonts] \"{}\" names \"{}\", another font file: the list writes over it"},
    {F::FontsOverLimit, "Q311", kWarning, nullptr,
     "font-list names beyond the room the library reads",
     "the entry names of [{}] take {} characters; Internal007 reads {}, and never sees the "
     "entries from \"{}\" on: they are never installed"},

    {F::WordRunning, "Q401", kError, nullptr, "a Word window is open",
     "a Word window (class \"{}\") is open: InstallOfficeSupport fails at once, before anything "
     "is changed"},
    {F::ExcelRunning, "Q402", kError, nullptr, "an Excel window is open",
     "an Excel window (class \"{}\") is open: InstallOfficeSupport fails after removing the "
     "older Word template"},
    {F::OldTemplatePathTooLong, "Q403", kError, nullptr, "the older template's path does not fit",
     "the older template's path in Word's start-up directory does not fit {} characters: "
     "InstallOfficeSupport fails"},
    {F::OldTemplateReadOnly, "Q404", kError, nullptr, "the older template is read-only",
     "{} is read-only: its deletion fails, and InstallOfficeSupport with it"},
    {F::NoExcelOptions, "Q405", kError, nullptr, "Excel's options key cannot be opened",
     "Excel 7.0 is present but HKEY_CURRENT_USER\\{} cannot be opened: the add-in cannot be "
     "written, and InstallOfficeSupport fails"},
    {F::SecondAddInValue, "Q406", kWarning, nullptr, "a second add-in value would be written",
     "{} names \"{}\", but the support library is missing, so the add-in does not count as "
     "installed: a second add-in value would be written"},
    {F::NoFreeSlot, "Q407", kError, nullptr, "every add-in value is taken",
     "every add-in value, {} to {}, is taken: the add-in cannot be written, and "
     "InstallOfficeSupport fails"},
    {F::NoStartupPath, "Q408", kError, nullptr, "Word's \"Startup-Path\" names no usable directory",
     "Word 7.0 is present but its \"{}\" names no directory to work in (missing, empty, "
     "relative, over {} bytes, or ending in a dot or a blank): the template cannot be copied, "
     "and InstallOfficeSupport fails"},
    {F::StartupPathTooLong, "Q409", kError, nullptr, "Word's start-up path does not fit",
     "Word's start-up directory with \"{}\" does not fit {} characters: the template cannot be "
     "copied"},
    {F::StartupDirNotCreated, "Q410", kError, nullptr,
     "Word's start-up directory cannot be created",
     "Word's start-up directory {} is missing and cannot be created ({}): "
     "InstallOfficeSupport fails"},
    {F::SourcePathsTooLong, "Q411", kError, nullptr, "the paths built from --source do not fit",
     "the paths built from {} do not fit: the component fails before anything is changed"},
    {F::ComponentFileMissing, "Q412", kError, nullptr, "a component file to copy is missing",
     "{} is missing: copying it fails, and InstallOfficeSupport with it"},
    {F::AddInFileMissing, "Q413", kWarning, nullptr, "the add-in file is missing",
     "{} is missing: the add-in value would name a file that is not there"},
    {F::NoSystemDirectory, "Q414", kError, nullptr, "the system directory cannot be had",
     "the system directory cannot be had: the support library cannot be copied"},
    {F::ForeignValueDeleted, "Q415", kWarning, nullptr,
     "a deleted add-in value lies outside --source",
     "{} names a file in {}, outside the source directory: InstallOfficeSupport deletes it"},
    {F::SourceNotAbsolute, "Q416", kError, nullptr, "--source cannot be made absolute",
     "the source directory {} cannot be made absolute in {} characters: InstallOfficeSupport "
     "gives 0 before anything is changed"},
};

static_assert(sizeof kCatalogue / sizeof kCatalogue[0] == static_cast<int>(FindingId::Count),
              "one catalogue entry per finding");

[[nodiscard]] const char* SeverityName(Severity s) {
  return s == kError ? "error" : s == kWarning ? "warning" : "note";
}

}  // namespace

const FindingKind& Kind(FindingId id) { return kCatalogue[static_cast<int>(id)]; }

const FindingKind* KindOfCode(const std::string& code) {
  std::string upper(code);
  for (char& c : upper) c = AsciiUpper(c);
  for (const FindingKind& kind : kCatalogue) {
    if (upper == kind.code) return &kind;
  }
  return nullptr;
}

std::string FillText(const char* text, std::initializer_list<std::string> args) {
  std::string out;
  const auto* next = args.begin();
  for (const char* p = text; *p; ++p) {
    if (p[0] == '{' && p[1] == '}' && next != args.end()) {
      out += *next++;
      ++p;
    } else {
      out += *p;
    }
  }
  return out;
}

std::string FindingsHelp() {
  std::string out;
  for (const FindingKind& kind : kCatalogue) {
    const std::string severity = SeverityName(kind.severity);
    out += std::string("  ") + kind.code + "  " + severity + std::string(9 - severity.size(), ' ') +
           kind.title + "\n";
  }
  return out;
}

std::string FindingsMarkdown() {
  std::string out = "| Code | Severity | Finding |\n|---|---|---|\n";
  for (const FindingKind& kind : kCatalogue) {
    out += std::string("| ") + kind.code + " | " + SeverityName(kind.severity) + " | " +
           kind.title + (kind.follows ? std::string(" (under ") + kind.follows + ")" : "") + " |\n";
  }
  return out;
}

}  // namespace qnd
