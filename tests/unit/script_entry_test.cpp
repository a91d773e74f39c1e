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
  ASSERT_EQ(PlanResult::Write, Plan("HKEY_CURRENT_USER\\Software\\$0", "\"Path\"", "$0x.exe", plan));
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

}  // namespace
}  // namespace qnd
