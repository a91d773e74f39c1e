#include "check/script_lint.h"

#include <gtest/gtest.h>

#include <string>

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
      "Name=e\n",                  // 10: never read (the reader reads the first [First])
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
  };
  int i = 0;
  for (const Row& r : rows) {
    EXPECT_EQ(r.line, r.entry ? lines.EntryLine(r.section, r.entry, r.nth)
                              : lines.SectionLine(r.section, r.nth))
        << "row " << i;
    ++i;
  }
}

TEST(ScriptLint, DataTraps) {
  struct Row {
    const char* data;
    bool is_default;
    DataTrap trap;
  } rows[] = {
      {"dword:0000001f", false, DataTrap::None},
      {"dword:0x1F", false, DataTrap::None},
      {"text", false, DataTrap::None},
      {"DWORD:1", false, DataTrap::DwordOtherCase},
      {"Dword:1", false, DataTrap::DwordOtherCase},
      {"dword:1", true, DataTrap::DefaultDword},
      {"DWORD:1", true, DataTrap::DefaultDword},
      {"see dword:1", false, DataTrap::DwordInText},
      {"C:\\dword:1", false, DataTrap::DwordInText},
      {"dword:", false, DataTrap::DwordNotNumber},
      {"dword:zz", false, DataTrap::DwordNotNumber},
      {"dword:123456789", false, DataTrap::DwordNotNumber},
      {"dword:1 ; one", false, DataTrap::DwordNotNumber},
  };
  int i = 0;
  for (const Row& r : rows) {
    EXPECT_EQ(r.trap, FindDataTrap(r.data, r.is_default)) << "row " << i;
    ++i;
  }
}

TEST(ScriptLint, SectionsThatLookLikeKeysAndMacro4) {
  for (const char* name : {"HKCU\\Software", "hklm", "Software\\X", "HKEY_CURRENT_USE\\X"}) {
    EXPECT_TRUE(LooksLikeKey(name)) << name;
  }
  for (const char* name : {"UNINSTALL", "Strings", "Kh"}) EXPECT_FALSE(LooksLikeKey(name)) << name;
  for (const char* text : {"$4", "a$*4b", "$0$4"}) EXPECT_TRUE(UsesDir4(text)) << text;
  for (const char* text : {"4", "$$4", "$04", "$*$4x", "$"}) EXPECT_FALSE(UsesDir4(text)) << text;
}

// The words name the text, the macro as written, and what went wrong with it.
TEST(ScriptLint, FaultsInWords) {
  struct Row {
    PlanFault fault;
    const char* words;
  } rows[] = {
      {{EntryPart::Data, {TextFault::FolderUnresolved, 0, 'Z', false}},
       "\"$Z\" in the data: \"Z\" is no folder code"},
      {{EntryPart::SubKey, {TextFault::FolderUnresolved, 0, 'B', false}},
       "folder code \"B\" gives no directory"},
      {{EntryPart::ValueName, {TextFault::NoDirectory, 0, '4', false}},
       "\"$4\" in the value name has no directory: RegisterQuindo"},
      {{EntryPart::Data, {TextFault::NoShortForm, 0, '0', true}},
       "\"$*0\" in the data: the directory has no short"},
      {{EntryPart::Data, {TextFault::MacroAtEnd, 0, '\0', false}}, "the data ends in \"$\""},
      {{EntryPart::SubKey, {TextFault::TooLong, 0, '\0', false}},
       "the sub-key path is over 511 characters"},
  };
  int i = 0;
  for (const Row& r : rows) {
    EXPECT_NE(std::string::npos, DescribeFault(r.fault).find(r.words))
        << "row " << i << ": " << DescribeFault(r.fault);
    ++i;
  }
}

}  // namespace
}  // namespace qnd
