#include "office/office_rules.h"
#include "office/office_plan.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace qnd {
namespace {

TEST(OfficeRules, AddInValueNames) {
  const struct Row {
    int index;
    const char* name;  // null: no name
  } rows[] = {
      /* 0 */ {0, "OPEN"},      /* 1 */ {1, "OPEN1"},   /* 2 */ {9, "OPEN9"},
      /* 3 */ {10, "OPEN10"},   /* 4 */ {98, "OPEN98"}, /* 5 */ {99, "OPEN99"},
      /* 6 */ {100, "OPEN100"}, /* 7 */ {101, nullptr}, /* 8 */ {-1, nullptr},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.index);
    OpenName name;
    ASSERT_EQ(r.name != nullptr, OpenValueName(r.index, name));
    if (r.name) EXPECT_STREQ(r.name, name.c_str());
  }
}

// Only "not found" is free; an empty, over-long or unreadable value is another add-in's.
TEST(OfficeRules, SlotStateFromTheRead) {
  const struct Row {
    long status;
    std::uint32_t bytes;
    SlotState state;
  } rows[] = {
      /* 0 */ {0, 12, SlotState::Taken},       /* 1 */ {0, 1, SlotState::Taken},
      /* 2 */ {0, 0, SlotState::Empty},        /* 3 */ {2, 0, SlotState::Missing},
      /* 4 */ {234, 2000, SlotState::TooLong}, /* 5 */ {5, 0, SlotState::Unreadable},
      /* 6 */ {6, 0, SlotState::Unreadable},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(&r - rows));
    EXPECT_EQ(r.state, ClassifySlotRead(r.status, r.bytes));
  }
}

SlotState StateOf(char letter) {
  switch (letter) {
    case 'M': return SlotState::Missing;
    case 'E': return SlotState::Empty;
    case 'L': return SlotState::TooLong;
    case 'U': return SlotState::Unreadable;
    default: return SlotState::Taken;
  }
}

TEST(OfficeRules, FirstFreeSlot) {
  const struct Row {
    const char* states;  // one letter per slot from "OPEN": M missing, T taken, E empty,
                         // L too long, U unreadable; slots after the text are taken
    int free;
  } rows[] = {
      /* 0 */ {"M", 0},
      /* 1 */ {"TM", 1},
      /* 2 */ {"EM", 1},
      /* 3 */ {"LEUTM", 4},
      /* 4 */ {"TTMTM", 2},
      /* 5 */ {"", kNoSlot},  // all 101 taken: OPEN100 is not overwritten
  };
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(&r - rows));
    OpenSlotSurvey survey;
    for (int s = 0; s < kOpenSlots; ++s) {
      const char c = s < static_cast<int>(std::strlen(r.states)) ? r.states[s] : 'T';
      survey.state[s] = StateOf(c);
    }
    EXPECT_EQ(r.free, ChooseFreeSlot(survey));
    survey.state[100] = SlotState::Missing;
    EXPECT_EQ(r.free == kNoSlot ? 100 : r.free, ChooseFreeSlot(survey));
  }
}

// Whole file names, case-sensitive: another add-in whose name only contains ours is not ours
// (the values of the Office tests under Wine are not repeated here). The directory is that of
// the first whole name: ours, else the older one.
TEST(OfficeRules, AddInTextsNameWholeFiles) {
  const struct Row {
    const char* text;
    bool ours, old;   // NamesAddIn, NamesOldAddIn
    const char* dir;  // AddInDirectory; null: none
  } rows[] = {
      /* 0 */ {"/R \"C:\\Src\\QND_OF7.XLA\" /X", true, false, "C:\\Src"},
      /* 1 */ {"C:QND_OF7.XLA\tQND_XL7", true, true, "C:"},
      /* 2 */ {"C:\\Q\\QND_OF7.XLAX", false, false, nullptr},
      /* 3 */ {"C:\\Q\\qnd_of7.xla C:\\Q\\qnd_xl7.xla", false, false, nullptr},
      /* 4 */ {"/R \"C:/Old/QND_XL7\"", false, true, "C:/Old"},
      /* 5 */ {"C:\\X\\OLDQND_XL7 C:\\Y\\QND_XL7.XLA", false, true, "C:\\Y"},  // the second counts
      /* 6 */ {"\"C:\\A B\\\\QND_OF7.XLA\"", true, false, "C:\\A B\\"},  // a doubled backslash
  };
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(&r - rows));
    EXPECT_EQ(r.ours, NamesAddIn(r.text));
    EXPECT_EQ(r.old, NamesOldAddIn(r.text));
    LongPathStr dir;
    ASSERT_EQ(r.dir != nullptr, AddInDirectory(r.text, dir));
    if (r.dir) EXPECT_STREQ(r.dir, dir.c_str());
  }
}

// Absolute paths; and the start-up paths to work in: absolute, the last level not ending in a
// dot or a blank.
TEST(OfficeRules, AbsolutePaths) {
  const struct Row {
    const char* path;
    bool absolute, startup;
  } rows[] = {
      /* 0 */ {"C:\\Word", true, true},
      /* 1 */ {"c:/Word", true, true},
      /* 2 */ {"\\\\srv\\share", true, true},
      /* 3 */ {"C:", false, false},
      /* 4 */ {"C:Word", false, false},
      /* 5 */ {"\\Word", false, false},
      /* 6 */ {"\\\\srv\\", false, false},
      /* 7 */ {"\\\\\\share", false, false},
      /* 8 */ {".", false, false},
      /* 9 */ {"", false, false},
      /* 10 */ {nullptr, false, false},
      /* 11 */ {"C:\\Word.", true, false},
      /* 12 */ {"C:\\Word..\\", true, false},
      /* 13 */ {"C:\\Word \\", true, false},
      /* 14 */ {"C:\\Word\t", true, false},
      /* 15 */ {"C:\\W.d\\", true, true},
      /* 16 */ {"C:\\", true, true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(&r - rows));
    EXPECT_EQ(r.absolute, IsAbsolutePath(r.path));
    if (r.path) EXPECT_EQ(r.startup, IsUsableStartupPath(r.path));
  }
}

// The quoted value fits a path buffer: 245 characters of directory at most.
TEST(OfficeRules, AddInValueFitsAPathBuffer) {
  PathStr value;
  ASSERT_TRUE(BuildAddInValue("C:\\Q", value));
  EXPECT_STREQ("\"C:\\Q\\QND_OF7.XLA\"", value.c_str());
  ASSERT_TRUE(BuildAddInValue("C:\\Q\\", value));
  EXPECT_STREQ("\"C:\\Q\\\\QND_OF7.XLA\"", value.c_str()) << "the doubled backslash stays";
  ASSERT_TRUE(BuildAddInValue(std::string(245, 'd').c_str(), value));
  EXPECT_EQ(259u, value.size());
  EXPECT_FALSE(BuildAddInValue(std::string(246, 'd').c_str(), value));
  EXPECT_STREQ("", value.c_str());
  EXPECT_FALSE(BuildAddInValue("", value));
  EXPECT_FALSE(BuildAddInValue(nullptr, value));
}

// The paths built from a source directory fit 1023 characters, whatever it ends in.
TEST(OfficeRules, SourcePathsFit) {
  const std::string d1011(1011, 'd'), d1012(1012, 'd');
  const struct Row {
    const char* dir;
    bool fit;
  } rows[] = {
      /* 0 */ {d1011.c_str(), true},  // 1011 + "\QND_OF7.DOT" = 1023
      /* 1 */ {d1012.c_str(), false},
      /* 2 */ {"", false},
      /* 3 */ {nullptr, false},
  };
  for (const Row& r : rows) {
    LongPathStr path;
    EXPECT_EQ(r.fit, BuildSourcePath(r.dir, kWordTemplate, path)) << "row " << &r - rows;
  }
  LongPathStr path;
  ASSERT_TRUE(BuildSourcePath("C:\\Q\\", kSupportLibrary, path));
  EXPECT_STREQ("C:\\Q\\\\QND_OF7.DLL", path.c_str());
}

// How a failed step stops the plan, by its scope: the call, the rest of its component, the
// removal it guards, or nothing. Steps are "C" call, "K" component, "R" guard of a removal,
// "N" of no consequence, lower case for one that fails; "|" starts the next component.
TEST(OfficePlan, ScopesOfFailures) {
  const struct Row {
    const char* steps;
    const char* run;  // the steps run, by their index
    int result;
  } rows[] = {
      /* 0 */ {"CC|KK|KK", "0 1 2 3 4 5", 1},
      /* 1 */ {"Cc|KK|KK", "0 1", 0},
      /* 2 */ {"CC|kK|KK", "0 1 2 4 5", 0},
      /* 3 */ {"CC|RNK|KK", "0 1 2 3 4 5 6", 1},
      /* 4 */ {"CC|rNK|KK", "0 1 2 4 5 6", 1},
      /* 5 */ {"CC|rNk|KK", "0 1 2 4 5 6", 0},
      /* 6 */ {"CC|KnK|KK", "0 1 2 3 4 5 6", 1},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(&r - rows));
    OfficePlan plan;
    OfficeComponent components[3] = {};
    int component = 0;
    for (const char* c = r.steps; *c; ++c) {
      if (*c == '|') {
        ++component;
        continue;
      }
      const char upper = static_cast<char>(*c & ~0x20);
      const StepScope scope = upper == 'C'   ? StepScope::Call
                              : upper == 'K' ? StepScope::Component
                              : upper == 'R' ? StepScope::Removal
                                             : StepScope::Nothing;
      OfficeStep& step =
          AddStep(plan, StepKind::WriteMarker, scope, component ? &components[component] : nullptr);
      step.slot = *c == upper ? plan.step_count - 1 : -plan.step_count;  // negative: it fails
    }
    std::string run;
    const int result = RunOfficePlan(plan, [&run](const OfficeStep& step) {
      const int index = step.slot < 0 ? -step.slot - 1 : step.slot;
      run += (run.empty() ? "" : " ") + std::to_string(index);
      return step.slot >= 0;
    });
    EXPECT_EQ(r.result, result);
    EXPECT_EQ(r.run, run);
  }
}

// A plan that is full fails as a whole: no step is written over, and it gives 0 without a step.
TEST(OfficePlan, FullPlanFails) {
  OfficePlan plan;
  for (int i = 0; i < kMaxOfficeSteps; ++i) {
    AddStep(plan, StepKind::WriteMarker, StepScope::Component, nullptr).slot = i;
  }
  int run = 0;
  const auto count = [&run](const OfficeStep&) { return ++run > 0; };
  EXPECT_FALSE(plan.full);
  EXPECT_EQ(1, RunOfficePlan(plan, count));
  EXPECT_EQ(kMaxOfficeSteps, run);
  AddStep(plan, StepKind::Copy, StepScope::Call, nullptr).slot = kOpenSlots;
  EXPECT_TRUE(plan.full);
  EXPECT_EQ(kMaxOfficeSteps, plan.step_count);
  EXPECT_EQ(StepKind::WriteMarker, plan.steps[kMaxOfficeSteps - 1].kind);
  EXPECT_EQ(kMaxOfficeSteps - 1, plan.steps[kMaxOfficeSteps - 1].slot);
  run = 0;
  EXPECT_EQ(0, RunOfficePlan(plan, count));
  EXPECT_EQ(0, run);
}

}  // namespace
}  // namespace qnd
