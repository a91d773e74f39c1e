// The checker's survey of a registry script: every entry of its key sections and of its
// "UNINSTALL" list, met by the walks of DoReg and UndoReg and worked out by their own planning,
// with the line it stands on. Reads the file through the profile reader; changes nothing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "check/script_lint.h"
#include "regscript/script_entry.h"
#include "regscript/undo.h"

namespace qnd {

// What every entry shares.
struct SurveyedEntry {
  std::string section;     // as listed
  std::string name;        // as listed
  int line = 0;            // 0: not found in the file's text
  int repeat_of = 0;       // the line of an earlier entry of the same name in the section
  bool first_walk = true;  // false for the walk of a section name listed a second time
  bool found = true;       // false: no data can be found again by the listed name
  PlanFault fault;
  long refusal = 0;  // the platform's refusal of the planned key path (0: none)
  std::uint32_t root = 0;
  std::string sub_key;     // expanded
  std::string value_name;  // expanded; for a removal entry empty when it names a key tree
  std::size_t data_chars = 0;
  std::string raw_data;  // as read
};

// An entry of a key section: one value that DoReg writes.
struct KeyEntry : SurveyedEntry {
  PlanResult result = PlanResult::Fail;
  std::string data;  // expanded
  bool is_default = false;
  std::uint32_t type = 0;
  std::uint32_t number = 0;  // for REG_DWORD
  [[nodiscard]] bool Fails() const { return !found || result != PlanResult::Write || refusal; }
};

// An entry of the "UNINSTALL" list.
struct RemovalEntry : SurveyedEntry {
  RemovalResult result = RemovalResult::Fail;
  TreeKeyOpen tree_open = TreeKeyOpen::NotThere;  // a key tree's key, opened as UndoReg opens it
  [[nodiscard]] bool Fails() const {
    return !found || (result != RemovalResult::Value && result != RemovalResult::Tree) ||
           (result == RemovalResult::Tree && tree_open != TreeKeyOpen::Opened &&
            !CountsAsGone(tree_open));  // UndoReg's own rule
  }
  // True when UndoReg acts on nothing, whatever the install wrote: a value of a key path the
  // registry refuses, or a key that counts as gone by its name alone.
  [[nodiscard]] bool Inert() const {
    return result == RemovalResult::Value ? refusal != 0 : tree_open == TreeKeyOpen::NameTooLong;
  }
};

// A section as the reader lists it.
struct SurveyedSection {
  std::string name;
  int line = 0;
  int repeat_of = 0;  // the line of an earlier section of the same name
};

// A name list of the script and how much of the reader's list room it takes.
struct ListUse {
  std::string what;  // "the section names", "the entry names of [X]"
  int line = 0;
  std::size_t chars = 0;     // the whole list, names with their terminators
  std::string first_unseen;  // the first name beyond the library's list ("" when all fit)
};

struct ScriptSurvey {
  std::vector<SurveyedSection> sections;
  std::vector<KeyEntry> writes;        // in the order DoReg meets them, past any failure
  std::vector<RemovalEntry> removals;  // in the order UndoReg meets them
  std::vector<ListUse> lists;
  bool no_memory = false;
};

// Surveys script `path` (a full path) with `context`, `lines` giving the entries' lines.
void SurveyScript(const char* path, const PathContext& context, const ScriptLines& lines,
                  const NameFold& fold, ScriptSurvey& survey);

}  // namespace qnd
