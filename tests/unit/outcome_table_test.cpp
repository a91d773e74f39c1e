#include "frame/outcome_table.h"

#include <gtest/gtest.h>

#include "fonts/font_entry.h"
#include "office/office_plan.h"
#include "regscript/text_rules.h"

namespace qnd {
namespace {

// Each packed column gives every row's text and value as the table writes it.
TEST(OutcomeTable, PackedColumnsReadAsTheirTables) {
  for (const FontResultWords& row : kFontResultWords) {
    SCOPED_TRACE(static_cast<int>(row.result));
    EXPECT_STREQ(row.trace, FontResultRule(row.result));
    EXPECT_EQ(row.file, FontResultFileOf(row.result));
  }
  for (const OfficeFaultWords& row : kOfficeFaultWords) {
    SCOPED_TRACE(static_cast<int>(row.fault));
    EXPECT_STREQ(row.trace, OfficeFaultRule(row.fault));
  }
  for (const TextFaultWords& row : kTextFaultWords) {
    SCOPED_TRACE(static_cast<int>(row.fault));
    EXPECT_STREQ(row.trace, TextFaultRule(row.fault));
  }
}

}  // namespace
}  // namespace qnd
