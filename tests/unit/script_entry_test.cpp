#include "regscript/script_entry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace qnd {
namespace {

bool NoFolder(char, PathStr&) { return false; }
bool NoShortPath(const char*, PathStr&) { return false; }
const MacroLookups kNone = {NoFolder, NoShortPath};
const PathContext kContext = {"C:\\Prog", nullptr};

PlanResult Plan(const char* section, const char* entry, const char* data, EntryPlan& plan) {
  return PlanEntry(section, entry, data, &kContext, kNone, plan);
}

TEST(PlanEntry, NamedValues) {
  EntryPlan plan;
  ASSERT_EQ(PlanResult::Write,
            Plan("HKEY_CURRENT_USER\\Software\\$0", "\"Path\"", "$0x.exe", plan));
  EXPECT_EQ(0x80000001u, plan.root);
  EXPECT_STREQ("Software\\C:\\Prog\\", plan.sub_key.c_str());
  EXPECT_STREQ("Path", plan.value_name.c_str());
  EXPECT_FALSE(plan.is_default);
  EXPECT_EQ(kRegSz, plan.converted.type);
  EXPECT_EQ(std::strlen("C:\\Prog\\x.exe") + 1, plan.converted.size);
  EXPECT_STREQ("C:\\Prog\\x.exe", static_cast<const char*>(plan.converted.bytes()));

  EntryPlan dword;
  ASSERT_EQ(PlanResult::Write, Plan("HKEY_CURRENT_USER\\X", "Count", "dword:0000001f", dword));
  EXPECT_EQ(kRegDword, dword.converted.type);
  EXPECT_EQ(31u, dword.converted.number);
}

// "@" names the default value, which is always a string: "dword:" is not read there.
TEST(PlanEntry, DefaultValueIsAlwaysAString) {
  for (const char* name : {"@", "\"@\""}) {
    EntryPlan plan;
    ASSERT_EQ(PlanResult::Write, Plan("HKEY_CURRENT_USER\\X", name, "dword:1", plan));
    EXPECT_TRUE(plan.is_default) << name;
    EXPECT_EQ(kRegSz, plan.converted.type);
    EXPECT_EQ(8u, plan.converted.size);
    EXPECT_STREQ("dword:1", static_cast<const char*>(plan.converted.bytes()));
  }
  EntryPlan plan;
  ASSERT_EQ(PlanResult::Write, Plan("HKEY_CURRENT_USER\\X", "@@", "v", plan));
  EXPECT_FALSE(plan.is_default);
}

TEST(PlanEntry, SkipsAndFailures) {
  EntryPlan plan;
  EXPECT_EQ(PlanResult::Skip, Plan("UNINSTALL", "HKEY_CURRENT_USER\\X", "$Z", plan));
  EXPECT_EQ(PlanResult::Skip, Plan("HKLM\\X", "a", "b", plan));
  EXPECT_EQ(PlanResult::Fail, Plan("HKEY_CURRENT_USER\\$Z", "a", "b", plan));
  EXPECT_EQ(PlanResult::Fail, Plan("HKEY_CURRENT_USER\\X", "$4", "b", plan));
  EXPECT_EQ(PlanResult::Fail, Plan("HKEY_CURRENT_USER\\X", "a", "b$", plan));
  const std::string big(512, 'd');
  EXPECT_EQ(PlanResult::Fail, Plan("HKEY_CURRENT_USER\\X", "a", big.c_str(), plan));
  EXPECT_EQ(PlanResult::Write, Plan("HKEY_CURRENT_USER\\X", "a", big.c_str() + 1, plan));
  EXPECT_EQ(PlanResult::Write,
            Plan("HKEY_CURRENT_USER\\X", "a", ("\"" + big.substr(1) + "\"").c_str(), plan))
      << "the limit applies after stripping";
  EXPECT_EQ(PlanResult::Fail, Plan(("HKEY_CURRENT_USER\\" + big).c_str(), "a", "b", plan));
  EXPECT_EQ(PlanResult::Fail, Plan("HKEY_CURRENT_USER\\X", big.c_str(), "b", plan));
}

// The section quotation marks are not stripped from a sub-key path.
TEST(PlanEntry, SubKeyKeepsQuotationMarks) {
  EntryPlan plan;
  ASSERT_EQ(PlanResult::Write, Plan("HKEY_CURRENT_USER\\\"X\"", "a", "b", plan));
  EXPECT_STREQ("\"X\"", plan.sub_key.c_str());
  ASSERT_EQ(PlanResult::Write, Plan("HKEY_CURRENT_USER", "a", "b", plan));
  EXPECT_STREQ("", plan.sub_key.c_str()) << "the root key itself";
}

// A failing plan names its text, the fault, where the macro stands and its code.
TEST(PlanEntry, FaultsNameTheirTextAndMacro) {
  const std::string big = "$0" + std::string(505, 'd');  // 8 + 505 characters
  struct Row {
    const char* section;
    const char* entry;
    const char* data;
    EntryPart part;
    TextFault fault;
    std::size_t at;
    char code;
  } rows[] = {
      {"HKEY_CURRENT_USER\\$Z", "a", "b", EntryPart::SubKey, TextFault::FolderUnresolved, 0, 'Z'},
      {"HKEY_CURRENT_USER\\X", "\"a$4\"", "b", EntryPart::ValueName, TextFault::NoDirectory, 1,
       '4'},
      {"HKEY_CURRENT_USER\\X", "a", "xy$*0", EntryPart::Data, TextFault::NoShortForm, 2, '0'},
      {"HKEY_CURRENT_USER\\X", "a", "b$", EntryPart::Data, TextFault::MacroAtEnd, 1, '\0'},
      {"HKEY_CURRENT_USER\\X", "a", big.c_str(), EntryPart::Data, TextFault::TooLong, 505, '\0'},
      // An empty level once the macros are expanded, wherever it stands: the "$0" directory
      // ends in a backslash, and three backslashes in a row give two.
      {"HKEY_CURRENT_USER\\V\\$0\\", "a", "b", EntryPart::SubKey, TextFault::EmptyLevel, 9, '\0'},
      {"HKEY_CURRENT_USER\\V\\\\\\W", "a", "b", EntryPart::SubKey, TextFault::EmptyLevel, 1, '\0'},
      {"HKEY_CURRENT_USER\\\\\\\\V", "a", "$4", EntryPart::SubKey, TextFault::EmptyLevel, 0, '\0'},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(&r - rows));
    EntryPlan plan;
    PlanFault fault;
    ASSERT_EQ(PlanResult::Fail,
              PlanEntry(r.section, r.entry, r.data, &kContext, kNone, plan, &fault));
    EXPECT_EQ(r.part, fault.part);
    EXPECT_EQ(r.fault, fault.text.fault);
    EXPECT_EQ(r.at, fault.text.at);
    EXPECT_EQ(r.code, fault.text.code);
  }
}

// What a removal entry deletes: the sub-key path is expanded, then stripped; the data stripped,
// then expanded; data that filled the reader's buffer was cut and fails.
TEST(PlanRemoval, WhatAnEntryRemoves) {
  struct Row {
    const char* name;
    const char* data;
    unsigned length;
    RemovalResult result;
    const char* sub_key;
    const char* value;
  } rows[] = {
      {"HKEY_CURRENT_USER\\Software\\X", "", 0, RemovalResult::Tree, "Software\\X", ""},
      {"hkey_current_userjunk\\X", "\"Path\"", 6, RemovalResult::Value, "X", "Path"},
      {"HKEY_CURRENT_USER\\\"$0\"", "", 0, RemovalResult::Tree, "C:\\Prog\\", ""},
      {"HKEY_CURRENT_USER\\X", "@", 1, RemovalResult::Value, "X", "@"},
      {"HKEY_CURRENT_USER\\X", "v", 1022, RemovalResult::Value, "X", "v"},
      {"HKEY_CURRENT_USER\\X", "v", 1023, RemovalResult::Fail, "X", ""},
      {"HKEY_CURRENT_USER\\\"\"", "", 0, RemovalResult::WholeRoot, "", ""},
      {"HKEY_CLASSES_ROOT\\\\\\", "", 0, RemovalResult::WholeRoot, "\\", ""},
      {"\"HKEY_CURRENT_USER\\X\"", "", 0, RemovalResult::NoRoot, "", ""},
      {"HKEY_CURRENT_USER\\V\\$0", "", 0, RemovalResult::Tree, "V\\C:\\Prog\\", ""},
      {"HKEY_CURRENT_USER\\V\\\\W", "v", 1, RemovalResult::Value, "V\\W", "v"},
      {"HKEY_CURRENT_USER\\V\\$0\\", "", 0, RemovalResult::Fail, "", ""},
      {"HKEY_CURRENT_USER\\\"V\\\\\\\"", "v", 1, RemovalResult::Fail, "", ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(&r - rows));
    RemovalPlan plan;
    EXPECT_EQ(r.result, PlanRemoval(r.name, r.data, r.length, &kContext, kNone, plan));
    if (r.result != RemovalResult::Fail && r.result != RemovalResult::NoRoot) {
      EXPECT_EQ(&r - rows == 7 ? 0x80000000u : 0x80000001u, plan.root);
      EXPECT_STREQ(r.sub_key, plan.sub_key.c_str());
      EXPECT_STREQ(r.value, plan.value_name.c_str());
    }
  }
}

}  // namespace
}  // namespace qnd
