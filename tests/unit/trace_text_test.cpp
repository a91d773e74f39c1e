#include "frame/trace_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

namespace qnd {
namespace {

// The room a line has for its text: the cut marker and CR LF always fit after it.
constexpr std::size_t kRoom = kTraceLineChars - 1 - (sizeof kTraceCut - 1) - 2;

std::string Finished(TraceText& text) {
  std::size_t size = 0;
  const char* line = text.Finish(&size);
  EXPECT_EQ(std::strlen(line), size);
  return std::string(line, size);
}

TEST(TraceText, EscapesAndNumbers) {
  const char unterminated[3] = {'a', 'b', 'c'};  // read no further than the precision
  const struct {
    std::string line;
    std::string want;
  } rows[] = {
      /* 0 */ {[] {
                 TraceText t;
                 t.Append("\"%s\"", "a\"b\\c\n\r\t\x01\x7f\xe9");
                 return Finished(t);
               }(),
               "\"a\\\"b\\\\c\\n\\r\\t\\x01\\x7f\xe9\"\r\n"},
      /* 1 */
      {[] {
         TraceText t;
         t.Append("own \"words\"\\\n");
         return Finished(t);
       }(),
       "own \"words\"\\\\n\r\n"},
      /* 2 */
      {[&] {
         TraceText t;
         t.Append("%.*s|%s|%%", 3, unterminated, static_cast<const char*>(nullptr));
         return Finished(t);
       }(),
       "abc|(null)|%\r\n"},
      /* 3 */
      {[] {
         TraceText t;
         t.Append("%d %d %u %08x %x %lu", INT_MIN, 7, UINT_MAX, 0x1fu, 0u, 12ul);
         return Finished(t);
       }(),
       "-2147483648 7 4294967295 0000001f 0 12\r\n"},
  };
  for (const auto& row : rows) EXPECT_EQ(row.want, row.line) << "row " << &row - rows;
}

// A line of exactly the room is whole; one character more is cut and marked, and still ends
// the line. An escape is never split, and nothing follows what was left out, even a part that
// would fit.
TEST(TraceText, CutAtTheLimitIsMarked) {
  const std::string fits(kRoom, 'x');
  for (std::size_t extra : {0u, 1u, 50u}) {
    TraceText t;
    t.Append("%s%s", fits.c_str(), std::string(extra, 'y').c_str());
    const std::string line = Finished(t);
    EXPECT_EQ(extra > 0, t.cut()) << extra;
    EXPECT_EQ(fits + (extra ? kTraceCut : "") + "\r\n", line) << extra;
    EXPECT_LE(line.size(), kTraceLineChars - 1);
  }
  TraceText t;
  t.Append("%s\"%s\"", std::string(kRoom - 2, 'x').c_str(), "\"");
  t.Append("z");
  EXPECT_EQ(std::string(kRoom - 2, 'x') + "\"" + kTraceCut + "\r\n", Finished(t));
}

// The log's names that are a device or a pipe, never opened, and disk files that only look
// like one.
TEST(TraceText, NamesDevice) {
  const struct {
    const char* name;
    bool device;
  } rows[] = {
      /* 0 */ {"\\\\.\\pipe\\x", true},
      /* 1 */ {"\\\\?\\C:\\qnd.log", true},
      /* 2 */ {"//./COM1", true},
      /* 3 */ {"\\\\host\\PIPE\\x", true},
      /* 4 */ {"NUL", true},
      /* 5 */ {"con", true},
      /* 6 */ {"C:\\logs\\nul.txt", true},
      /* 7 */ {"C:\\logs\\Com9 .log", true},
      /* 8 */ {"lpt1:", true},
      /* 9 */ {"C:aux", true},
      /* 10 */ {"CONOUT$", true},
      /* 11 */ {"C:\\logs\\qnd.log", false},
      /* 12 */ {"\\\\host\\share\\nul2.log", false},
      /* 13 */ {"COM0", false},
      /* 14 */ {"C:\\logs\\console.log", false},
      /* 15 */ {"\\\\host\\pipes\\x", false},
      /* 16 */ {"C:\\nul\\qnd.log", false},
      /* 17 */ {"", false},
  };
  for (const auto& row : rows)
    EXPECT_EQ(row.device, NamesDevice(row.name)) << "row " << &row - rows;
}

}  // namespace
}  // namespace qnd
