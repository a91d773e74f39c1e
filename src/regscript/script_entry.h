// What one entry of a registry script will do, worked out without touching the registry: the
// value an entry of a key section writes, and what an entry of the "UNINSTALL" list removes.
// The DLL carries it out, and a tool can show it.
#pragma once

#include <cstdint>

#include "regscript/text_rules.h"

namespace qnd {

// The raw data of an entry is read into this many characters, its terminator included (the
// profile reader cuts longer data).
constexpr unsigned kEntryDataChars = 1024;

struct EntryPlan {
  std::uint32_t root = 0;   // the predefined key's handle value
  TextStr sub_key;          // expanded; empty names the root key itself
  TextStr value_name;       // stripped and expanded
  TextStr data;             // stripped and expanded
  bool is_default = false;  // value name "@": the key's default value, always a string
  ConvertedData converted;  // type and bytes to write (they point into `data`)
  ContextReads reads;       // the directories of the path record that planning read

  EntryPlan() = default;
  EntryPlan(const EntryPlan&) = delete;  // `converted` points into `data`
  EntryPlan& operator=(const EntryPlan&) = delete;
};

enum class PlanResult {
  Skip,   // the section name begins with no root name: nothing to write, not a failure
  Write,  // `plan` says what to write
  Fail,   // a macro failed, a text does not fit its 511 characters, or the sub-key path
          // has an empty level (EmptyLevelAt)
};

// The text of an entry in which planning failed.
enum class EntryPart : std::uint8_t { SubKey, ValueName, Data };

// The text of `part`, as findings and the trace name it ("the data").
[[nodiscard]] const char* PartName(EntryPart part);

// Why planning an entry failed: in which text, and what went wrong there.
struct PlanFault {
  EntryPart part = EntryPart::SubKey;
  ExpandFault text;
};

// Works out the value that entry `entry_name` = `data` of key section `section_name` writes.
// The section name is parsed and expanded; the entry name and the data are stripped of their
// quotation marks, then expanded; the data is converted (not for the default value). A sub-key
// path with an empty level fails before the value name and data are read. On Fail, `*fault`,
// when given, says why.
[[nodiscard]] PlanResult PlanEntry(const char* section_name, const char* entry_name,
                                   const char* data, const PathContext* context,
                                   const MacroLookups& lookups, EntryPlan& plan,
                                   PlanFault* fault = nullptr);

// What one entry of the "UNINSTALL" list removes.
struct RemovalPlan {
  std::uint32_t root = 0;  // the predefined key's handle value
  TextStr sub_key;         // expanded, then stripped
  TextStr value_name;      // stripped, then expanded; empty for a key tree
  ContextReads reads;      // the directories of the path record that planning read
};

// The deepest key tree that a key-tree entry deletes, the named key counting as one level: the
// registry's own limit. A deeper tree is left as it is and the entry fails.
constexpr int kMaxTreeDepth = 512;

enum class RemovalResult {
  Value,      // delete value `value_name` of the key (a missing key or value counts as done)
  Tree,       // delete the key `sub_key` with everything below it (only its last level)
  NoRoot,     // the entry name begins with no root name: the entry fails
  WholeRoot,  // a key tree whose path names no level (empty, or backslashes alone): the whole
              // root key; the entry fails, nothing is deleted
  Fail,       // a macro failed, a text is over its 511 characters, the sub-key path has an
              // empty level (EmptyLevelAt), or the data was cut
};

// Works out what removal entry `entry_name` = `data` does; `data_length` is the length the
// reader gave for the data (a read that filled its buffer was cut, and fails). The root is
// matched on the raw name; the sub-key path is expanded, then stripped; the data stripped, then
// expanded. On Fail, `*fault`, when given, says why.
[[nodiscard]] RemovalResult PlanRemoval(const char* entry_name, const char* data,
                                        unsigned data_length, const PathContext* context,
                                        const MacroLookups& lookups, RemovalPlan& plan,
                                        PlanFault* fault = nullptr);

}  // namespace qnd
