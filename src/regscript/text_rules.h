// The text rules of registry scripts: quote stripping, root names, `$` macros and data
// conversion. Portable: the platform lookups a macro needs come from the caller, so the same
// rules run in the DLL, natively under the sanitizers, and under the fuzzer.
#pragma once

#include <cstdint>

#include "frame/fixed_str.h"
#include "frame/outcome_table.h"
#include "qndsetup.h"

namespace qnd {

// A sub-key path, value name or data after stripping or expansion: 511 characters at most.
constexpr std::size_t kTextChars = 512;
using TextStr = FixedStr<kTextChars>;

using PathContext = QndPathContext;

// Registry value types, as the platform numbers them.
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegDword = 4;

// Drops one leading quotation mark, then one trailing one, each only if present; inner ones
// stay. False when the result does not fit `out`.
[[nodiscard]] bool StripQuotes(const char* text, TextStr& out);

// Matches the beginning of `name` against the root names, without regard to ASCII case, in
// their fixed order. On a match sets `*root` to the predefined key's handle value and `*sub` to
// the raw text after the first backslash of `name` (empty when it has none: the root itself).
// False, with nothing set, when no root name begins `name`.
[[nodiscard]] bool ParseRootKey(const char* name, std::uint32_t* root, const char** sub);

// The root name of a predefined key's handle value, such as "HKEY_CURRENT_USER"; null for a
// value that names no root.
[[nodiscard]] const char* RootKeyName(std::uint32_t root);

// What a macro needs from the platform.
struct MacroLookups {
  // The directory of folder code `code` (never "0" or "4"); false when it is not resolved.
  bool (*folder)(char code, PathStr& dir);
  // The short (8.3) form of the existing directory `path`; false when it has none.
  bool (*short_path)(const char* path, PathStr& out);
};

// Why a text could not be stripped or expanded.
enum class TextFault : std::uint8_t {
  None,
  TooLong,           // the result is over 511 characters
  MacroAtEnd,        // "$" or "$*" ends the text
  NoDirectory,       // "$0" or "$4" with no directory given
  FolderUnresolved,  // the folder code gives no directory (unknown, or not on this machine)
  DirectoryTooLong,  // the directory with its backslash is over 259 characters
  NoShortForm,       // "$*": the directory has no short form that fits (does it exist?)
  EmptyLevel,        // a key path holds two backslashes in a row after expansion
  Count
};

// How each fault is told in the trace: the rule it breaks, in words that follow the name of the
// text ("the data is over 511 characters"); the checker's own words: script_lint.cpp. One row
// per fault, in the enum's order: a new one fails the build until it has its words.
struct TextFaultWords {
  TextFault fault;
  const char* trace;
};
inline constexpr TextFaultWords kTextFaultWords[] = {
    {TextFault::None, "cannot be expanded"},
    {TextFault::TooLong, "is over 511 characters"},
    {TextFault::MacroAtEnd, "ends in a macro without its code"},
    {TextFault::NoDirectory, "has a macro that has no directory"},
    {TextFault::FolderUnresolved, "has a folder code that gives no directory"},
    {TextFault::DirectoryTooLong,
     "has a macro whose directory with its backslash is over 259 characters"},
    {TextFault::NoShortForm, "has a macro whose directory has no short form"},
    {TextFault::EmptyLevel,
     "has an empty level (two backslashes in a row) once its macros are expanded"},
};
static_assert(RowsInOrder(kTextFaultWords, &TextFaultWords::fault, TextFault::Count),
              "one row per fault, in the enum's order");

// The table's words as the image keeps them (outcome_table.h).
inline constexpr auto kTextFaultRules = PackTexts<kTextFaultWords, &TextFaultWords::trace>();

struct ExpandFault {
  TextFault fault = TextFault::None;
  std::size_t at = 0;       // where in the text the failing macro's "$" stands
  char code = 0;            // its code character (none when the text ends at the macro)
  bool short_form = false;  // the macro is "$*" and its code
};

// Which directories of the path context a text's macros read. The record is read only where
// a "$0" or "$4" macro is expanded, so that a script without them needs none (the trace shows a
// directory only once it was read).
struct ContextReads {
  bool dir0 = false;
  bool dir4 = false;
};

// The rule a fault breaks, in a few words that follow the name of the text ("the data is over
// 511 characters"); the trace shows it.
[[nodiscard]] constexpr const char* TextFaultRule(TextFault fault) {
  return kTextFaultRules[static_cast<std::size_t>(fault)];
}

// Copies `text` into `out`, expanding `$c` and `$*c` macros to directories that end in a
// backslash, collapsing a backslash that directly follows a copied one, and turning a grave
// accent into a quotation mark. "$0" and "$4" come from `context`: a null context or a null
// directory makes them fail. False when a macro fails or the result does not fit `out`; then
// `*fault`, when given, says why. `*reads`, when given, notes each directory of `context` that
// a macro read.
[[nodiscard]] bool ExpandMacros(const char* text, TextStr& out, const PathContext* context,
                                const MacroLookups& lookups, ExpandFault* fault = nullptr,
                                ContextReads* reads = nullptr);

// Where the first empty level of key path `path` begins: the first of two backslashes in a row,
// anywhere, the end included (the platform would read "A\\" as "A", and "A\\B" as no key
// it should). A single trailing backslash, as any macro at the end of a path leaves, is none.
// Gives the path's length when it has none.
[[nodiscard]] std::size_t EmptyLevelAt(const char* path);

// The registry type and bytes of an entry's data.
struct ConvertedData {
  std::uint32_t type = kRegSz;
  std::uint32_t size = 0;      // bytes to write
  std::uint32_t number = 0;    // the value, for kRegDword
  const char* text = nullptr;  // the text, for kRegSz (the caller's data)
  const void* bytes() const { return type == kRegDword ? static_cast<const void*>(&number) : text; }
};

// Data that holds "dword:" (lower case) anywhere becomes a REG_DWORD read as hexadecimal from
// the character after the data's first colon; any other data is a REG_SZ of its text and
// terminator. `data` must outlive `out`.
void ConvertData(const char* data, ConvertedData& out);

// The number of a "dword:" entry: blanks, an optional sign (a minus negates modulo 2^32), an
// optional "0x", then hexadecimal digits up to the first other character. No digits give 0;
// anything above 0xFFFFFFFF gives 0xFFFFFFFF.
std::uint32_t ParseDword(const char* text);

}  // namespace qnd
