// The checker's rules for registry scripts that need no platform: where sections and entries
// stand in the file, the traps of the format that make the library do something other than an
// author most likely meant, and why an entry fails, in words.
// Portable: no platform headers.
#pragma once

#include <string>
#include <vector>

#include "frame/name_fold.h"
#include "regscript/script_entry.h"

namespace qnd {

// Line numbers of a script's sections and entries, for findings. The profile reader decides
// what a script holds; this only finds the lines, split as the reader splits them: a line ends
// at a CR or an LF (a lone one too), white space and 0x1A around it are dropped, ";" lines and
// lines without "=" hold no entry, "[name]" starts a section (up to its last "]", blanks dropped),
// and names are compared by `fold`, the reader's letter case (ReaderFold). Line numbers count lines
// as an editor does: CR LF, a lone CR and a lone LF each end one.
class ScriptLines {
 public:
  ScriptLines(const std::string& text, const NameFold& fold);
  // The line of the `nth` (from 0) section named `section`; 0 when it is not found.
  [[nodiscard]] int SectionLine(const std::string& section, int nth) const;
  // The line of the `nth` entry named `entry` of the first section named `section`, the one
  // the reader reads; 0 when it is not found.
  [[nodiscard]] int EntryLine(const std::string& section, const std::string& entry, int nth) const;

 private:
  struct Entry {
    std::string name;  // folded
    int line;
  };
  struct Section {
    std::string name;  // folded
    int line;
    std::vector<Entry> entries;
  };
  std::vector<Section> sections_;
  NameFold fold_;
};

// A trap in the data of an entry of a key section.
enum class DataTrap {
  None,
  DwordOtherCase,  // "DWORD:" in another case: stored as a string
  DefaultDword,    // "dword:" in the default value, which is always a string
  DwordInText,     // "dword:" inside other text: stored as a number
  DwordNotNumber,  // "dword:" followed by more than a hexadecimal number of 8 digits at most
};

// The trap in data `data` (stripped and expanded) of a value that `is_default` or not.
[[nodiscard]] DataTrap FindDataTrap(const char* data, bool is_default);

// True for a section name that begins with no root name but looks like a key: it begins with
// "HK" (an abbreviation such as "HKCU") or holds a backslash. Such a section is skipped.
[[nodiscard]] bool LooksLikeKey(const char* section);

// True when `text` holds a "$4" or "$*4" macro.
[[nodiscard]] bool UsesDir4(const char* text);

// True for an "UNINSTALL" or key-section text of `chars` characters that is near the 511 that
// fit: a longer directory on another machine makes the entry fail.
[[nodiscard]] bool NearTextLimit(std::size_t chars);

// Why planning failed, in words: which text, which macro, what went wrong.
[[nodiscard]] std::string DescribeFault(const PlanFault& fault);

}  // namespace qnd
