// What one entry of a registry script will write, worked out without touching the registry:
// the DLL writes it, and a tool can show it.
#pragma once

#include <cstdint>

#include "regscript/text_rules.h"

namespace qnd {

struct EntryPlan {
  std::uint32_t root = 0;   // the predefined key's handle value
  TextStr sub_key;          // expanded; empty names the root key itself
  TextStr value_name;       // stripped and expanded
  TextStr data;             // stripped and expanded
  bool is_default = false;  // value name "@": the key's default value, always a string
  ConvertedData converted;  // type and bytes to write (they point into `data`)

  EntryPlan() = default;
  EntryPlan(const EntryPlan&) = delete;  // `converted` points into `data`
  EntryPlan& operator=(const EntryPlan&) = delete;
};

enum class PlanResult {
  Skip,   // the section name begins with no root name: nothing to write, not a failure
  Write,  // `plan` says what to write
  Fail,   // a macro failed or a text does not fit its 511 characters
};

// Works out the value that entry `entry_name` = `data` of key section `section_name` writes.
// The section name is parsed and expanded; the entry name and the data are stripped of their
// quotation marks, then expanded; the data is converted (not for the default value).
PlanResult PlanEntry(const char* section_name, const char* entry_name, const char* data,
                     const PathContext* context, const MacroLookups& lookups, EntryPlan& plan);

}  // namespace qnd
