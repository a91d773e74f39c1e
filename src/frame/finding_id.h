// The findings of the checker, one name each (check/findings.h holds their catalogue): here,
// without any include, so that the library's tables of outcomes name the finding of each.
// Portable: no platform headers.
#pragma once

namespace qnd {

// One per finding, in the catalogue's order.
enum class FindingId : int {
  CannotRead,
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

}  // namespace qnd
