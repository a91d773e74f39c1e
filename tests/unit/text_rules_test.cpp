#include "regscript/text_rules.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "frame/profile_names.h"

namespace qnd {
namespace {

// Stand-ins for the platform: a few folder codes, and short names for a few directories.
const std::string kLong258 = "C:\\" + std::string(255, 'L');  // 258 characters
const std::string kLong259 = "C:\\" + std::string(256, 'L');  // 259: no room for a backslash

bool FakeFolder(char code, PathStr& dir) {
  switch (code) {
    case '1': return dir.assign("C:\\windows");
    case 'B':
    case 'b': return dir.assign("C:\\Program Files");
    case '9': return dir.assign("C:\\windows\\Fonts\\");
    case 'K': return dir.assign(kLong258.c_str());
    case 'L': return dir.assign(kLong259.c_str());
  }
  return false;
}

bool FakeShortPath(const char* path, PathStr& out) {
  if (std::strcmp(path, "C:\\Program Files\\") == 0)
    return out.assign("C:\\PROGRA~1");  // no backslash
  if (std::strcmp(path, "C:\\Prog\\") == 0) return out.assign("C:\\PROG\\");
  return false;  // "does not exist"
}

const MacroLookups kFake = {FakeFolder, FakeShortPath};

struct Expansion {
  const PathContext* context;
  const char* text;
  const char* result;  // null: the expansion fails
};

TEST(StripQuotes, OneAtEachEndIndependently) {
  const char* rows[][2] = {
      {"\"abc\"", "abc"}, {"\"abc", "abc"},       {"abc\"", "abc"}, {"a\"b\"c", "a\"b\"c"},
      {"\"", ""},         {"\"\"", ""},           {"\"\"\"", "\""}, {"", ""},
      {"''", "''"},       {"\"\"x\"\"", "\"x\""},
  };
  for (auto& r : rows) {
    SCOPED_TRACE("row " + std::to_string(&r - rows));
    TextStr out;
    EXPECT_TRUE(StripQuotes(r[0], out));
    EXPECT_STREQ(r[1], out.c_str());
  }
}

// 511 characters fit once the quotation marks are gone; 512 do not.
TEST(StripQuotes, LimitAppliesAfterStripping) {
  TextStr out;
  EXPECT_TRUE(StripQuotes(("\"" + std::string(511, 's') + "\"").c_str(), out));
  EXPECT_EQ(511u, out.size());
  EXPECT_FALSE(StripQuotes(std::string(512, 's').c_str(), out));
  EXPECT_EQ(511u, out.size()) << "a failure leaves the output as it was";
}

TEST(ParseRootKey, PrefixesInAnyCase) {
  struct Row {
    const char* name;
    std::uint32_t root;  // 0: no root
    const char* sub;
  } rows[] = {
      {"HKEY_LOCAL_MACHINE\\Software\\X", 0x80000002u, "Software\\X"},
      {"hkey_local_machine\\Software\\X", 0x80000002u, "Software\\X"},
      {"HKEY_LOCAL_MACHINEfoo\\Software\\X", 0x80000002u, "Software\\X"},
      {"HKEY_CLASSES_ROOT\\.txt", 0x80000000u, ".txt"},
      {"Hkey_Current_User\\a\\b\\", 0x80000001u, "a\\b\\"},
      {"HKEY_USERS\\.DEFAULT", 0x80000003u, ".DEFAULT"},
      {"HKEY_PERFORMANCE_DATA\\x", 0x80000004u, "x"},
      {"HKEY_CURRENT_CONFIG\\x", 0x80000005u, "x"},
      {"HKEY_DYN_DATA\\x", 0x80000006u, "x"},
      {"HKEY_CURRENT_USER", 0x80000001u, ""},  // no backslash: the root key itself
      {"HKEY_CURRENT_USER\\", 0x80000001u, ""},
      {"HKEY_CURRENT_USER\\$0\\x", 0x80000001u, "$0\\x"},  // raw, unexpanded
      {"HKLM\\Software", 0, nullptr},
      {"HKEY_LOCAL_MACHIN\\Software", 0, nullptr},
      {"UNINSTALL", 0, nullptr},
      {"\"HKEY_CURRENT_USER\\x\"", 0, nullptr},
      {" HKEY_CURRENT_USER\\x", 0, nullptr},
      {"", 0, nullptr},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(&r - rows));
    std::uint32_t root = 0;
    const char* sub = nullptr;
    EXPECT_EQ(r.root != 0, ParseRootKey(r.name, &root, &sub));
    if (r.root) {
      EXPECT_EQ(r.root, root);
      EXPECT_STREQ(r.sub, sub);
    }
  }
}

// Backslashes and grave accents; the macros of a path context ("C:\\Prog", "D:\\Shared\\"), of
// one with an empty "$0" and no "$4" directory, and of none; folder codes. A missing path
// context or directory makes "$0"/"$4" fail; an empty directory gives "\\".
TEST(ExpandMacros, Expansions) {
  const PathContext both = {"C:\\Prog", "D:\\Shared\\"}, only0 = {"", nullptr};
  const Expansion rows[] = {
      /* 0 */ {nullptr, "C:\\\\Program Files\\\\X", "C:\\Program Files\\X"},
      /* 1 */ {nullptr, "C:\\Program Files\\X", "C:\\Program Files\\X"},
      /* 2 */ {nullptr, "a\\\\\\b", "a\\\\b"},    // three give two
      /* 3 */ {nullptr, "a\\\\\\\\b", "a\\\\b"},  // four give two
      /* 4 */ {nullptr, "\\", "\\"},
      /* 5 */ {nullptr, "`C:\\x y.exe` /s", "\"C:\\x y.exe\" /s"},
      /* 6 */ {nullptr, "plain", "plain"},
      /* 7 */ {nullptr, "", ""},
      /* 8 */ {&both, "$0x.exe", "C:\\Prog\\x.exe"},
      /* 9 */ {&both, "$0\\x.exe", "C:\\Prog\\\\x.exe"},     // a backslash after a macro is kept
      /* 10 */ {&both, "$0\\\\x.exe", "C:\\Prog\\\\x.exe"},  // ...and the pair after it collapses
      /* 11 */ {&both, "$0", "C:\\Prog\\"},
      /* 12 */ {&both, "$4", "D:\\Shared\\"},
      /* 13 */ {&both, "$0$4", "C:\\Prog\\D:\\Shared\\"},
      /* 14 */ {&both, "$*0", "C:\\PROG\\"},
      /* 15 */ {&both, "$*4", nullptr},  // no short form: "does not exist"
      /* 16 */ {&both, "$", nullptr},
      /* 17 */ {&both, "x$", nullptr},
      /* 18 */ {&both, "$*", nullptr},
      /* 19 */ {&both, "$$", nullptr},
      /* 20 */ {&both, "$Z", nullptr},
      /* 21 */ {&only0, "$0x", "\\x"},
      /* 22 */ {&only0, "$4x", nullptr},
      /* 23 */ {&only0, "$1", "C:\\windows\\"},
      /* 24 */ {nullptr, "$0", nullptr},
      /* 25 */ {nullptr, "$4", nullptr},
      /* 26 */ {nullptr, "$1x", "C:\\windows\\x"},
      /* 27 */ {nullptr, "$9", "C:\\windows\\Fonts\\"},  // already ends in a backslash: none added
      /* 28 */ {nullptr, "$bQnd", "C:\\Program Files\\Qnd"},
      /* 29 */ {nullptr, "$*B", "C:\\PROGRA~1\\"},  // the short form gets its backslash too
      /* 30 */ {nullptr, "$*1", nullptr},
      /* 31 */ {nullptr, "$G", nullptr},
  };
  for (const Expansion& r : rows) {
    SCOPED_TRACE("row " + std::to_string(&r - rows) + ": " + r.text);
    TextStr out;
    const bool ok = ExpandMacros(r.text, out, r.context, kFake);
    EXPECT_EQ(r.result != nullptr, ok);
    if (ok && r.result) EXPECT_STREQ(r.result, out.c_str());
  }
}

TEST(ExpandMacros, Limits) {
  const PathContext context = {kLong258.c_str(), kLong259.c_str()};
  TextStr out;
  EXPECT_TRUE(ExpandMacros("$0", out, &context, kFake)) << "258 + backslash = 259";
  EXPECT_EQ(259u, out.size());
  EXPECT_FALSE(ExpandMacros("$4", out, &context, kFake)) << "259 + backslash = 260";
  EXPECT_TRUE(ExpandMacros("$K", out, &context, kFake));
  EXPECT_FALSE(ExpandMacros("$L", out, &context, kFake));

  // The output holds 511 characters: two 259-character macros do not fit.
  EXPECT_FALSE(ExpandMacros("$0$0", out, &context, kFake));
  EXPECT_TRUE(ExpandMacros(("$0" + std::string(252, 'x')).c_str(), out, &context, kFake));
  EXPECT_EQ(511u, out.size());
  EXPECT_FALSE(ExpandMacros(("$0" + std::string(253, 'x')).c_str(), out, &context, kFake));
  // Collapsing happens before the limit is met: 1000 backslashes give 500.
  EXPECT_TRUE(ExpandMacros(std::string(1000, '\\').c_str(), out, &context, kFake));
  EXPECT_EQ(500u, out.size());
}

TEST(ConvertData, DwordAndString) {
  struct Row {
    const char* data;
    bool dword;
    std::uint32_t number;
  } rows[] = {
      {"dword:0000001f", true, 31},
      {"dword:ffffffff", true, 0xFFFFFFFFu},
      {"dword:123456789", true, 0xFFFFFFFFu},  // saturates
      {"dword:", true, 0},
      {"dword:zz", true, 0},
      {"dword:  1F", true, 0x1F},  // leading blanks
      {"dword:0x10", true, 16},
      {"dword:0X10", true, 16},
      {"dword:-1", true, 0xFFFFFFFFu},
      {"dword:-0x2", true, 0xFFFFFFFEu},
      {"dword:+a", true, 10},
      {"dword:-123456789", true, 0xFFFFFFFFu},  // saturates whatever the sign
      {"dword:12 34", true, 0x12},
      {"C:\\dword:1", true, 0},  // read from the first colon: "\dword:1"
      {"x dword:5", true, 5},
      {"a:7 dword:5", true, 7},
      {"DWORD:1", false, 0},
      {"Dword:1", false, 0},
      {"abc", false, 0},
      {"", false, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(&r - rows));
    ConvertedData out;
    ConvertData(r.data, out);
    if (r.dword) {
      EXPECT_EQ(kRegDword, out.type);
      EXPECT_EQ(4u, out.size);
      EXPECT_EQ(r.number, out.number);
      std::uint32_t bytes;
      std::memcpy(&bytes, out.bytes(), 4);
      EXPECT_EQ(r.number, bytes);
    } else {
      EXPECT_EQ(kRegSz, out.type);
      EXPECT_EQ(std::strlen(r.data) + 1, out.size);
      EXPECT_EQ(static_cast<const void*>(r.data), out.bytes());
    }
  }
}

// A name list of capacity 12: names with their terminators, and the list's own, in 12.
TEST(WholeNamesLength, NamesThatReachPastTheCapacityAreDropped) {
  const struct {
    const char* names;  // as the reader wrote them (with a larger buffer)
    std::size_t length, whole;
  } rows[] = {
      /* 0 */ {"", 0, 0},
      /* 1 */ {"ab\0cd\0", 6, 6},
      /* 2 */ {"abcde\0fghij\0", 11, 11},  // the list's terminator is the 12th character
      /* 3 */ {"abcde\0fghijk\0", 12, 6},  // one character too many: the last name goes
      /* 4 */ {"abcde\0fghijklmn\0", 16, 6},
      /* 5 */ {"abcdefghijklmn\0", 15, 0},  // not even the first name fits
      /* 6 */ {"abcdefghij\0k\0", 13, 11},  // a name that ends just inside stays
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("row " + std::to_string(&row - rows));
    EXPECT_EQ(row.whole, WholeNamesLength(row.names, row.length, 12));
  }
  EXPECT_EQ(0u, WholeNamesLength("ab\0", 3, 0));
}

}  // namespace
}  // namespace qnd
