#include "frame/fixed_str.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace qnd {
namespace {

// The limit of a FixedStr<N> is N - 1 characters: pinned at N - 1, N and N + 1.
TEST(FixedStr, AssignAtTheLimit) {
  FixedStr<8> s;
  EXPECT_TRUE(s.assign(std::string(7, 'a').c_str()));
  EXPECT_EQ(7u, s.size());
  EXPECT_STREQ("aaaaaaa", s.c_str());

  EXPECT_FALSE(s.assign(std::string(8, 'b').c_str()));
  EXPECT_FALSE(s.assign(std::string(9, 'b').c_str()));
  EXPECT_STREQ("aaaaaaa", s.c_str()) << "a failed assign leaves the text as it was";
}

TEST(FixedStr, AppendAtTheLimit) {
  FixedStr<8> s;
  ASSERT_TRUE(s.assign("abc"));
  EXPECT_FALSE(s.append("defgh"));   // 8 characters
  EXPECT_FALSE(s.append("defghi"));  // 9 characters
  EXPECT_STREQ("abc", s.c_str());
  EXPECT_EQ(3u, s.size());
  EXPECT_TRUE(s.append("defg"));  // 7 characters
  EXPECT_STREQ("abcdefg", s.c_str());
  EXPECT_FALSE(s.push_back('h'));
  EXPECT_STREQ("abcdefg", s.c_str());
}

TEST(FixedStr, PathBufferHolds259Characters) {
  PathStr p;
  EXPECT_TRUE(p.assign(std::string(259, 'x').c_str()));
  EXPECT_FALSE(p.push_back('y'));
  EXPECT_FALSE(p.assign(std::string(260, 'x').c_str()));
  EXPECT_EQ(259u, p.size());
}

TEST(FixedStr, BackTruncateAndClear) {
  FixedStr<16> s;
  EXPECT_EQ('\0', s.back());
  EXPECT_TRUE(s.empty());
  ASSERT_TRUE(s.assign("abc\\"));
  EXPECT_EQ('\\', s.back());
  s.truncate(10);  // beyond the end: no effect
  EXPECT_STREQ("abc\\", s.c_str());
  s.truncate(2);
  EXPECT_STREQ("ab", s.c_str());
  s.clear();
  EXPECT_STREQ("", s.c_str());
  EXPECT_EQ(0u, s.size());
}

TEST(FixedStr, AssignFromItsOwnText) {
  FixedStr<16> s;
  ASSERT_TRUE(s.assign("abcdef"));
  EXPECT_TRUE(s.assign(s.c_str() + 2));
  EXPECT_STREQ("cdef", s.c_str());
}

// adopt() takes text the platform wrote into data(), and terminates it if the writer did not.
TEST(FixedStr, AdoptTerminatesAnUnterminatedBuffer) {
  FixedStr<4> s;
  s.data()[0] = 'a';
  s.data()[1] = '\0';
  s.adopt();
  EXPECT_EQ(1u, s.size());
  for (int i = 0; i < 4; ++i) s.data()[i] = 'z';
  s.adopt();
  EXPECT_EQ(3u, s.size());
  EXPECT_STREQ("zzz", s.c_str());
}

// FillSized takes the text of a sized call that fit its room, and nothing of one that failed or
// did not: the call's three answers, pinned at N - 1 and N characters. The room it hands the
// call is N, terminator included, and a text that was there before never survives a failure.
TEST(FixedStr, FillSizedTakesOnlyATextThatFits) {
  enum Answer { Written, NeedsRoom, Cut, Failed };
  const struct Row {
    const char* text;
    Answer answer;
    std::size_t length;  // what the call gives
    const char* taken;   // null: false, and the text empty
  } rows[] = {
      /* 0 */ {"abcdefg", Written, 7, "abcdefg"},   // N - 1 characters
      /* 1 */ {"abcdefgh", NeedsRoom, 9, nullptr},  // N characters: it gives the room it needs
      /* 2 */ {"abcdefgh", Cut, 8, nullptr},        // or writes what fits and gives the room
      /* 3 */ {"", Failed, 0, nullptr},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(&r - rows));
    FixedStr<8> s;
    ASSERT_TRUE(s.assign("old"));
    std::size_t given = 99;
    const bool filled = FillSized(
        s,
        [&r](char* to, unsigned room) -> unsigned long {
          EXPECT_EQ(8u, room);
          if (r.answer == Written) std::memcpy(to, r.text, std::strlen(r.text) + 1);
          if (r.answer == Cut) std::memcpy(to, r.text, room);  // no room for the terminator
          return r.length;
        },
        &given);
    EXPECT_EQ(r.taken != nullptr, filled);
    EXPECT_STREQ(r.taken ? r.taken : "", s.c_str());
    EXPECT_EQ(std::strlen(s.c_str()), s.size());
    EXPECT_EQ(r.length, given);
  }
}

}  // namespace
}  // namespace qnd
