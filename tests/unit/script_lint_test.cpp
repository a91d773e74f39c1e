#include "check/script_lint.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace qnd {
namespace {

TEST(ScriptLines, FindsSectionsAndEntriesAsTheReaderSeesThem) {
  const ScriptLines lines(
      "\xEF\xBB\xBF; comment\r\n"  // 1 (after a UTF-8 mark)
      "[First] junk\r\n"           // 2
      "  Name = a\r\n"             // 3
      ";Name=b\r\n"                // 4: a comment, no entry
      "no equals sign\r\n"         // 5: no entry
      "NAME=c\r\n"                 // 6: the second "Name"
      "[Second\r\n"                // 7: no section without its "]"
      "Other=d\r\n"                // 8: still in [First]
      "[ first ]\r\n"              // 9: [First] again
      "Name=e\n"                   // 10: never read (the reader reads the first [First])
      "[a]b]\r"                    // 11: [a]b], ended by a lone CR
      "Lone=f\n\r"                 // 12, then 13 empty: LF and CR each end a line
      "\x1a[Third]\v\r\n"          // 14: 0x1A and \v are blanks to the reader
      "Last=g",                    // 15
      NameFold::Ascii());
  struct Row {
    const char* section;
    const char* entry;  // null: the section's line
    int nth;
    int line;
  } rows[] = {
      {"FIRST", nullptr, 0, 2}, {"first", nullptr, 1, 9},  {"First", nullptr, 2, 0},
      {"First", "name", 0, 3},  {"First", "Name", 1, 6},   {"First", "Name", 2, 0},
      {"First", "Other", 0, 8}, {"Second", nullptr, 0, 0}, {"None", "Name", 0, 0},
      {"a]b", "Lone", 0, 12},   {"Third", nullptr, 0, 14}, {"Third", "Last", 0, 15},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(&r - rows));
    EXPECT_EQ(r.line, r.entry ? lines.EntryLine(r.section, r.entry, r.nth)
                              : lines.SectionLine(r.section, r.nth));
  }
}

TEST(ScriptLint, DataTraps) {
  const std::pair<DataTrap, std::vector<const char*>> named_values[] = {
      {DataTrap::None, {"dword:0000001f", "dword:0x1F", "text"}},
      {DataTrap::DwordOtherCase, {"DWORD:1", "Dword:1"}},
      {DataTrap::DwordInText, {"see dword:1", "C:\\dword:1"}},
      {DataTrap::DwordNotNumber, {"dword:", "dword:zz", "dword:123456789", "dword:1 ; one"}},
  };
  for (const auto& group : named_values) {
    for (const char* data : group.second) EXPECT_EQ(group.first, FindDataTrap(data, false)) << data;
  }
  for (const char* data : {"dword:1", "DWORD:1"}) {
    EXPECT_EQ(DataTrap::DefaultDword, FindDataTrap(data, true)) << data;
  }
  EXPECT_EQ(DataTrap::None, FindDataTrap("text", true));
}

TEST(ScriptLint, SectionsThatLookLikeKeysAndMacro4) {
  for (const char* name : {"HKCU\\Software", "hklm", "Software\\X", "HKEY_CURRENT_USE\\X"}) {
    EXPECT_TRUE(LooksLikeKey(name)) << name;
  }
  for (const char* name : {"UNINSTALL", "Strings", "Kh"}) EXPECT_FALSE(LooksLikeKey(name)) << name;
  for (const char* text : {"$4", "a$*4b", "$0$4"}) EXPECT_TRUE(UsesDir4(text)) << text;
  for (const char* text : {"4", "$$4", "$04", "$*$4x", "$"}) EXPECT_FALSE(UsesDir4(text)) << text;
}

}  // namespace
}  // namespace qnd
