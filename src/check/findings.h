// The catalogue of the checker's findings: each finding's stable code ("Q201"), its severity
// and its wording. Every finding the checker prints comes from here, and so do the list of
// `qndcheck --help` and the list in README.md. Codes never change meaning; a new finding takes
// a new code.
// Portable: no platform headers.
#pragma once

#include <initializer_list>
#include <string>

namespace qnd {

enum class Severity { Note, Warning, Error };

// One per finding, in the catalogue's order.
enum class FindingId : int {
  CannotRead,
  FileMissing,
  // the script command
  NoMemory,
  SectionRepeats,
  SectionLooksLikeKey,
  ListNearLimit,
  ListOverLimit,
  KeyEntryFails,
  RemovalEntryFails,
  EntryRepeats,
  Dir4UnderRegister,
  TextNearLimit,
  DwordOtherCase,
  DefaultDword,
  DwordInText,
  DwordNotNumber,
  ValueNeverRemoved,
  KeyCountsAsGone,
  ThroughLink,
  RemovesSharedKey,
  // coverage
  LeavesValue,
  LeavesKey,
  LeftBehindToo,
  MoreLeftBehind,
  TreeTooDeep,
  RemovesNothing,
  RemovesForeign,
  RemovedToo,
  MoreRemoved,
  LeftEmpty,
  // the fonts command
  FontEntryRepeats,
  FontEntryFails,
  DirectoryPartIgnored,
  FontFileTwice,
  DescriptionTwice,
  FontsEntryRewritten,
  NotTrueType,
  NotRaster,
  ResourceRebuilt,
  ForeignFontsEntry,
  FontsOverLimit,
  // the office command
  WordRunning,
  ExcelRunning,
  OldTemplatePathTooLong,
  OldTemplateReadOnly,
  NoExcelOptions,
  SecondAddInValue,
  NoFreeSlot,
  NoStartupPath,
  StartupPathTooLong,
  StartupDirNotCreated,
  SourcePathsTooLong,
  ComponentFileMissing,
  AddInFileMissing,
  NoSystemDirectory,
  ForeignValueDeleted,
  SourceNotAbsolute,
  Count
};

struct FindingKind {
  FindingId id;
  const char* code;  // "Q201"
  Severity severity;
  const char* follows;  // a note that lists items under another finding: that one's code
  const char* title;    // one line for the lists
  const char* text;     // the wording; each "{}" takes the next argument
};

// The catalogue entry of `id`.
[[nodiscard]] const FindingKind& Kind(FindingId id);

// The entry of code `code` ("Q201", any case); null when there is none.
[[nodiscard]] const FindingKind* KindOfCode(const std::string& code);

// `text` with each "{}" replaced by the next of `args` (a "{}" past the last stays).
[[nodiscard]] std::string FillText(const char* text, std::initializer_list<std::string> args);

// The catalogue as `qndcheck --help` lists it: one line per finding.
[[nodiscard]] std::string FindingsHelp();

// The catalogue as README.md lists it: a Markdown table.
[[nodiscard]] std::string FindingsMarkdown();

}  // namespace qnd
