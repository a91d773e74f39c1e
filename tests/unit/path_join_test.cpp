#include "frame/path_join.h"

#include <gtest/gtest.h>

#include <string>

namespace qnd {
namespace {

TEST(JoinPath, OneBackslashAtTheSeam) {
  struct Row {
    const char* dir;
    const char* name;
    const char* joined;
  } rows[] = {
      {"C:\\Prog", "QUINDO.SRG", "C:\\Prog\\QUINDO.SRG"},
      {"C:\\Prog\\", "QUINDO.SRG", "C:\\Prog\\QUINDO.SRG"},
      {"C:\\", "quindo.ini", "C:\\quindo.ini"},
      {"", "x", "\\x"},
      {"C:\\Prog\\\\", "x", "C:\\Prog\\\\x"},  // only the seam is looked at
  };
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(&r - rows));
    PathStr p;
    ASSERT_TRUE(p.assign(r.dir));
    EXPECT_TRUE(JoinPath(p, r.name));
    EXPECT_STREQ(r.joined, p.c_str());
  }
}

TEST(JoinPath, AlwaysVariantDoublesATrailingBackslash) {
  PathStr p;
  ASSERT_TRUE(p.assign("C:\\Prog\\"));
  EXPECT_TRUE(JoinPathAlways(p, "Quindo32.uni"));
  EXPECT_STREQ("C:\\Prog\\\\Quindo32.uni", p.c_str());
  ASSERT_TRUE(p.assign("C:\\Prog"));
  EXPECT_TRUE(JoinPathAlways(p, "Quindo32.uni"));
  EXPECT_STREQ("C:\\Prog\\Quindo32.uni", p.c_str());
}

// A join that does not fit fails whole: not even the backslash stays behind.
TEST(JoinPath, FailsWholeWhenTheResultDoesNotFit) {
  const std::string dir(250, 'd');
  PathStr p;
  ASSERT_TRUE(p.assign(dir.c_str()));
  EXPECT_TRUE(JoinPath(p, "12345678"));  // 250 + 1 + 8 = 259
  ASSERT_TRUE(p.assign(dir.c_str()));
  EXPECT_FALSE(JoinPath(p, "123456789"));  // 260
  EXPECT_EQ(dir, p.c_str());
  EXPECT_FALSE(JoinPathAlways(p, "123456789"));
  EXPECT_EQ(dir, p.c_str());

  ASSERT_TRUE(p.assign(std::string(259, 'd').c_str()));
  EXPECT_FALSE(EndWithBackslash(p));
  ASSERT_TRUE(p.assign(std::string(258, 'd').c_str()));
  EXPECT_TRUE(EndWithBackslash(p));
  EXPECT_TRUE(EndWithBackslash(p)) << "already ends in one";
  EXPECT_EQ(259u, p.size());
}

// The directory of a module file name: up to, not including, its last backslash.
TEST(CutAtLastBackslash, DirectoryOfTheExecutable) {
  const struct Row {
    const char* file;
    const char* dir;  // null: no directory
  } rows[] = {
      /* 0 */ {"Z:\\build\\win32\\office_test.exe", "Z:\\build\\win32"},
      /* 1 */ {"C:\\SETUP.EXE", "C:"},
      /* 2 */ {"SETUP.EXE", nullptr},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(&r - rows));
    PathStr path;
    ASSERT_TRUE(path.assign(r.file));
    EXPECT_EQ(r.dir != nullptr, CutAtLastBackslash(path));
    EXPECT_STREQ(r.dir ? r.dir : r.file, path.c_str());
  }
}

}  // namespace
}  // namespace qnd
