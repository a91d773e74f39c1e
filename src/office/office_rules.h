// The rules of the Office 95 add-ins that need no platform: the result and mode codes, the one
// table of Office components, the names of Excel's add-in values and the choice of a free one,
// the text tests on add-in values, and the paths built from a source directory.
// Portable: no platform headers, so the rules are unit-tested natively.
#pragma once

#include <cstdint>

#include "frame/fixed_str.h"
#include "office/office_keys.h"

namespace qnd {

// What a look at part of the Office installation found (where Word's start-up directory is,
// whether a component's own part is in place).
enum class OfficeResult : int {
  Ok = 0,              // found; the part is in place
  NotFound = 2,        // the part is missing
  Failed = 9,          // a path built from what was found does not fit
  NoWordOptions = 12,  // Word's options key cannot be opened
  NoStartupPath = 13,  // "Startup-Path" cannot be read, or names no usable directory
};

constexpr int kExcelComponent = 700;
constexpr int kWordComponent = 701;

// Files.
inline constexpr char kWordTemplate[] = "QND_OF7.DOT";     // copied into Word's start-up directory
inline constexpr char kExcelAddIn[] = "QND_OF7.XLA";       // registered where it lies
inline constexpr char kSupportLibrary[] = "QND_OF7.DLL";   // copied into the system directory
inline constexpr char kOldWordTemplate[] = "QND_WW7.DOT";  // an older version's template, deleted
inline constexpr char kOldAddInMark[] = "QND_XL7";         // names an older version's add-in value

// Registry, all below HKEY_CURRENT_USER.
// (the keys of Excel and Word: office_keys.h)
inline constexpr char kStartupPathValue[] = "Startup-Path";
inline constexpr char kMarkerKey[] = "Software\\Halvecor\\ZARIM 98\\Office95";
inline constexpr char kMarkerValue[] = "FirstCall";
inline constexpr char kMarkerData[] = "Y";

// Classes of the applications' main windows.
inline constexpr char kExcelWindow[] = "XLMAIN";
inline constexpr char kWordWindow[] = "OpusApp";

struct OfficePlan;
struct ComponentPlan;

// One change InstallOfficeSupport makes to the machine, or a stop it comes to (office_plan.h).
enum class StepKind : std::uint8_t {
  Stop,               // a failure foreseen before anything is done for it
  LookForWindows,     // looks for the application's windows when it runs: fails when one is open
  DeleteOldTemplate,  // deletes the older Word template
  DeleteOldAddIn,     // deletes the older add-in value
  CreateStartupDir,   // creates Word's start-up directory, its last level
  DeleteAddInValue,   // deletes the installed add-in's value
  DeleteTemplate,     // deletes the installed template
  WriteAddInValue,    // writes the add-in value into the first free slot
  Copy,               // copies a component file over its place
  WriteMarker,        // sets the first-call marker
};

// One Office application and the component installed for it. What differs between the
// components is in their rows: the platform side finds what is there of the component's own
// part (`find`, which also plans what must be made first, such as Word's start-up directory),
// and the steps that remove and install that part.
struct OfficeComponent {
  int code;
  const char* application;        // as a person names it
  const char* presence_key;       // below HKEY_CURRENT_USER: it opens when the application is there
  const char* file;               // the component's own file
  const char* window_classes[2];  // an open top-level window of any: counts as running (null: none)
  void (*find)(OfficePlan& plan, ComponentPlan& component);
  StepKind removal;       // of the installed own part
  StepKind installation;  // of the own part, before the marker and the support library
};

// The platform side's `find` of each component (office_registry.cpp, office_files.cpp).
void FindAddIn(OfficePlan& plan, ComponentPlan& component);
void FindTemplate(OfficePlan& plan, ComponentPlan& component);

// The Office components, in the order installation goes through them: Excel first, then Word.
// Word also counts as running while Excel runs (they share the support library). Only the
// platform side uses the rows: their `find` is defined there.
inline constexpr OfficeComponent kOfficeComponents[] = {
    {kExcelComponent,
     "Excel 7.0",
     kExcelKey,
     kExcelAddIn,
     {kExcelWindow, nullptr},
     FindAddIn,
     StepKind::DeleteAddInValue,
     StepKind::WriteAddInValue},
    {kWordComponent,
     "Word 7.0",
     kWordOptionsKey,
     kWordTemplate,
     {kWordWindow, kExcelWindow},
     FindTemplate,
     StepKind::DeleteTemplate,
     StepKind::Copy},
};

// Buffers: start-up paths and paths built from a source directory hold 1023 characters; the
// older template's path and the quoted add-in value hold a path buffer's 259.
constexpr std::size_t kLongPathChars = 1024;
using LongPathStr = FixedStr<kLongPathChars>;

// ---- Excel's add-in values ("OPEN", OPEN1, OPEN2, ...) ----

constexpr int kOpenSlots = 101;         // "OPEN" to OPEN100: all a free-slot search may use
constexpr int kAddInSearchSlots = 100;  // the search for our add-in: "OPEN" to OPEN99
constexpr int kOldAddInSlots = 99;      // the older add-in's removal: "OPEN" to OPEN98
constexpr int kNoSlot = -1;

using OpenName = FixedStr<8>;  // "OPEN100" and its terminator

// The name of add-in value `index`: "OPEN" for 0, else "OPEN" and the index in decimal.
// False for an index outside 0..100.
[[nodiscard]] bool OpenValueName(int index, OpenName& name);

// What reading one add-in value gave.
enum class SlotState : std::uint8_t {
  Missing,     // no such value: the slot is free
  Taken,       // read, with data
  Empty,       // read, zero bytes of data
  TooLong,     // more data than the read's buffer holds
  Unreadable,  // any other failure (access denied...): whatever it holds is unknown
};

// Platform status codes that the classification tells apart.
constexpr long kStatusOk = 0;
constexpr long kStatusNotFound = 2;
constexpr long kStatusMoreData = 234;

// The state of a slot from a read's status and the bytes it gave. Only "not found" is free.
[[nodiscard]] SlotState ClassifySlotRead(long status, std::uint32_t bytes);

// The state of every slot, "OPEN" to OPEN100.
struct OpenSlotSurvey {
  SlotState state[kOpenSlots];
};

// The first free slot: the first of "OPEN" to OPEN100 whose value is missing. Every other
// state is taken, so another add-in's entry (even an empty, over-long or unreadable one) is
// never overwritten. kNoSlot when all 101 are taken.
[[nodiscard]] int ChooseFreeSlot(const OpenSlotSurvey& survey);

// Case-sensitive tests on an add-in value's text for a whole file name, so that another
// add-in whose name merely contains ours is never taken for it. The name must follow the start
// of the text, a backslash, a slash, a colon, a quotation mark or a blank.
// "QND_OF7.XLA", followed by a quotation mark, a blank or the end: this add-in.
[[nodiscard]] bool NamesAddIn(const char* text);
// "QND_XL7", followed by a dot, a quotation mark, a blank or the end: the older add-in.
[[nodiscard]] bool NamesOldAddIn(const char* text);

// ---- paths from a source directory ----

// True when `path` is absolute: a drive letter, a colon and a backslash ("X:\..."), or two
// backslashes, a server and a share ("\\server\share..."); a slash counts as a backslash.
// A relative path would depend on the installer's current directory.
[[nodiscard]] bool IsAbsolutePath(const char* path);

// True when "Startup-Path" `value` names a directory to work in: absolute, and its last level
// (before any trailing backslash) not ending in a dot or a blank, which the file system drops
// when it makes the directory, so that its files would not be where the value says.
[[nodiscard]] bool IsUsableStartupPath(const char* value);

// The directory part of the path with which add-in value `text` names "QND_OF7.XLA" or
// "QND_XL7" (the first whole name, as NamesAddIn and NamesOldAddIn find it): from the start of
// the path (after a quotation mark, else after the switches before it) up to the name, without
// the separator before the name. False when the text names neither, or the part does not fit.
[[nodiscard]] bool AddInDirectory(const char* text, LongPathStr& dir);

// The add-in value: a quotation mark, the directory, a backslash, "QND_OF7.XLA", a quotation
// mark (a trailing backslash of the directory stays, doubled). False when it does not fit, or
// for a null or empty directory.
[[nodiscard]] bool BuildAddInValue(const char* source_dir, PathStr& value);

// The directory, a backslash and `file`, whatever the directory ends with. False when it does
// not fit 1023 characters, or for a null or empty directory.
[[nodiscard]] bool BuildSourcePath(const char* source_dir, const char* file, LongPathStr& path);

}  // namespace qnd
