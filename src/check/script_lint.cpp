// The checker's portable rules for registry scripts (script_lint.h).
#include "check/script_lint.h"

#include <cstring>

#include "check/findings.h"
#include "frame/ascii.h"
#include "frame/folder_codes.h"
#include "frame/outcome_table.h"

namespace qnd {
namespace {

constexpr std::size_t kNearTextChars = 460;  // of the 511 that fit

// `text` without the reader's blanks at either end: white space, and the 0x1A that ends a
// file of old.
[[nodiscard]] std::string Trim(const std::string& text) {
  const char* blanks = " \t\r\n\v\f\x1a";
  const std::size_t begin = text.find_first_not_of(blanks);
  if (begin == std::string::npos) return std::string();
  return text.substr(begin, text.find_last_not_of(blanks) - begin + 1);
}

// True when `text` holds `word`, ASCII letters compared without regard to case.
[[nodiscard]] bool ContainsNoCase(const char* text, const char* word) {
  const std::size_t n = std::strlen(word);
  for (; *text; ++text) {
    std::size_t i = 0;
    while (i < n && text[i] && AsciiUpper(text[i]) == AsciiUpper(word[i])) ++i;
    if (i == n) return true;
  }
  return false;
}

// True when `text` is a plain number of "dword:": an optional "0x", then 1 to 8 hexadecimal
// digits, and nothing else.
[[nodiscard]] bool PlainDword(const char* text) {
  if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text += 2;
  std::size_t digits = 0;
  while (HexDigitValue(text[digits]) >= 0) ++digits;
  return digits >= 1 && digits <= 8 && text[digits] == '\0';
}

// The failing macro as written, in quotation marks: "$0", "$*B".
[[nodiscard]] std::string MacroText(const ExpandFault& fault) {
  std::string text = fault.short_form ? "\"$*" : "\"$";
  return text + fault.code + "\"";
}

}  // namespace

ScriptLines::ScriptLines(const std::string& text, const NameFold& fold) : fold_(fold) {
  const std::size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;  // a UTF-8 mark
  int line = 1;  // as an editor counts: CR LF, a lone CR and a lone LF each end a line
  for (std::size_t begin = start; begin < text.size();) {
    // The reader's line: up to the next CR or LF; the run of them after it ends it.
    std::size_t end = text.find_first_of("\r\n", begin);
    if (end == std::string::npos) end = text.size();
    const std::string content = Trim(text.substr(begin, end - begin));
    const int at = line;
    for (begin = end; begin < text.size() && (text[begin] == '\r' || text[begin] == '\n');) {
      begin += text.compare(begin, 2, "\r\n") == 0 ? 2u : 1u;
      ++line;
    }
    const std::size_t close = content.rfind(']');
    const std::size_t equals = content.find('=');
    if (!content.empty() && content[0] == '[' && close != std::string::npos) {
      sections_.push_back({fold.Fold(Trim(content.substr(1, close - 1))), at, {}});
    } else if (!sections_.empty() && !content.empty() && content[0] != ';' &&
               equals != std::string::npos) {
      sections_.back().entries.push_back({fold.Fold(Trim(content.substr(0, equals))), at});
    }
  }
}

int ScriptLines::SectionLine(const std::string& section, int nth) const {
  const std::string name = fold_.Fold(section);
  for (const Section& s : sections_) {
    if (s.name == name && nth-- == 0) return s.line;
  }
  return 0;
}

int ScriptLines::EntryLine(const std::string& section, const std::string& entry, int nth) const {
  const std::string name = fold_.Fold(section), key = fold_.Fold(entry);
  for (const Section& s : sections_) {
    if (s.name != name) continue;
    for (const Entry& e : s.entries) {
      if (e.name == key && nth-- == 0) return e.line;
    }
    return 0;
  }
  return 0;
}

DataTrap FindDataTrap(const char* data, bool is_default) {
  const bool any_case = ContainsNoCase(data, "dword:");
  if (is_default) return any_case ? DataTrap::DefaultDword : DataTrap::None;
  if (!std::strstr(data, "dword:")) return any_case ? DataTrap::DwordOtherCase : DataTrap::None;
  const char* start = data + std::strspn(data, " \t");
  if (std::strncmp(start, "dword:", 6) != 0) return DataTrap::DwordInText;
  return PlainDword(start + 6) ? DataTrap::None : DataTrap::DwordNotNumber;
}

bool LooksLikeKey(const char* section) {
  return (AsciiUpper(section[0]) == 'H' && AsciiUpper(section[1]) == 'K') ||
         std::strchr(section, '\\') != nullptr;
}

bool UsesDir4(const char* text) {
  for (const char* p = text; (p = std::strchr(p, '$')) != nullptr;) {
    if (*++p == '*') ++p;
    if (*p == '4') return true;
    if (*p) ++p;  // the code character, "$" included, is never a macro's start
  }
  return false;
}

bool NearTextLimit(std::size_t chars) { return chars >= kNearTextChars; }

// The checker's words for each fault of a text: the first "{}" takes the text or, for a fault of
// a macro, the macro and the text ("\"$*X\" in the data"), the second the macro's code. One row
// per fault, in the enum's order: a new one fails the build until it has its words.
struct TextFaultText {
  TextFault fault;
  const char* text;
  bool of_macro;  // a fault of one macro
};
constexpr TextFaultText kTextFaultTexts[] = {
    {TextFault::None, "{} cannot be expanded", false},
    {TextFault::TooLong,
     "{} is over 511 characters (after its quotation marks are dropped and its macros expanded)",
     false},
    {TextFault::MacroAtEnd,
     "{} ends in \"$\": every \"$\" starts a macro, and there is no escape for it", false},
    {TextFault::NoDirectory, "{} has no directory", true},
    {TextFault::FolderUnresolved, "{}: folder code \"{}\" gives no directory on this machine",
     true},
    {TextFault::DirectoryTooLong, "{}: its directory with a backslash is over 259 characters",
     true},
    {TextFault::NoShortForm,
     "{}: the directory has no short (8.3) form on this machine (does it exist?)", true},
    {TextFault::EmptyLevel,
     "{} has an empty level (two backslashes in a row) once its macros are expanded: the "
     "platform would read it as another key, so the entry fails",
     false},
};
static_assert(RowsInOrder(kTextFaultTexts, &TextFaultText::fault, TextFault::Count),
              "one row per fault, in the enum's order");

std::string DescribeFault(const PlanFault& fault) {
  const std::string part = PartName(fault.part);
  const ExpandFault& why = fault.text;
  if (why.fault == TextFault::NoDirectory && why.code == '4') {
    return MacroText(why) + " in " + part + " has no directory: RegisterQuindo and " +
           "UnregisterQuindo give none, so the entry always fails there (--dir4 sets one)";
  }
  if (why.fault == TextFault::FolderUnresolved &&
      LookupFolderCode(static_cast<unsigned char>(why.code)).source == FolderSource::Unassigned) {
    return MacroText(why) + " in " + part + ": \"" + why.code +
           "\" is no folder code (every \"$\" starts a macro)";
  }
  const TextFaultText& words = kTextFaultTexts[static_cast<int>(why.fault)];
  return FillText(words.text, {words.of_macro ? MacroText(why) + " in " + part : part,
                               std::string(1, why.code)});
}

}  // namespace qnd
