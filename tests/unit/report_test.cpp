#include "check/report.h"
#include "check/sarif.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

namespace qnd {
namespace {

// What `report` wrote into `file`.
std::string Written(std::FILE* file) {
  std::fflush(file);
  std::rewind(file);
  std::string text;
  for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
  return text;
}

// Text from the registry or a file never makes a line of its own: every control character
// shows escaped, in headings, listings and findings alike. --ignore silences a finding and the
// notes listed under it; the summary counts them apart.
TEST(Report, EscapesTextAndIgnoresFindings) {
  std::FILE* file = std::tmpfile();
  ASSERT_NE(nullptr, file);
  Report report(file);
  EXPECT_TRUE(report.Ignore("q202"));  // any case
  EXPECT_FALSE(report.Ignore("Q999"));
  report.Heading("dir\r\n== forged");
  report.Line("a\nb", 3, "v\n== 0 errors, 0 warnings\x07\t\x7f\xE9");
  report.Finding(FindingId::RemovedToo, "f", 0, {"key K\n== x"});
  report.Finding(FindingId::LeavesKey, "f", 1, {"key K", ""});
  report.Finding(FindingId::LeftBehindToo, "f", 1, {"key K\\L"});
  report.Summary();
  EXPECT_EQ(
      "== dir\\r\\n== forged\n"
      "a\\nb:3: v\\n== 0 errors, 0 warnings\\x07\\t\\x7f\xE9\n"
      "f: note: removed too: key K\\n== x [Q208]\n"
      "== 0 errors, 0 warnings (2 ignored)\n",
      Written(file));
  EXPECT_EQ(kExitClean, report.ExitStatus());
  std::fclose(file);
}

// Every finding has one entry, a code of its own, and its notes name a finding that is there;
// README.md lists the catalogue as it stands.
TEST(Findings, CatalogueAndReadme) {
  std::set<std::string> codes;
  for (int i = 0; i < static_cast<int>(FindingId::Count); ++i) {
    const FindingKind& kind = Kind(static_cast<FindingId>(i));
    EXPECT_EQ(i, static_cast<int>(kind.id)) << kind.code;
    EXPECT_TRUE(codes.insert(kind.code).second) << kind.code;
    EXPECT_EQ(&kind, KindOfCode(kind.code)) << kind.code;
    if (kind.follows) EXPECT_NE(nullptr, KindOfCode(kind.follows)) << kind.code;
  }
  std::ifstream in(QND_SOURCE_DIR "/README.md");
  std::stringstream text;
  text << in.rdbuf();
  const std::string readme = text.str(), begin = "<!-- findings: begin -->\n",
                    end = "<!-- findings: end -->";
  const std::size_t from = readme.find(begin), to = readme.find(end);
  ASSERT_NE(std::string::npos, from);
  ASSERT_NE(std::string::npos, to);
  EXPECT_EQ(FindingsMarkdown(), readme.substr(from + begin.size(), to - from - begin.size()))
      << "README.md's list of findings, between the markers, should read:\n"
      << FindingsMarkdown();
}

// What the SARIF log holds of a file name and a text: a URI reference, and a JSON string.
TEST(Sarif, UrisAndStrings) {
  const struct Row {
    const char* where;
    const char* uri;
  } uris[] = {
      /* 0 */ {"C:\\Setup\\QUINDO.SRG", "file:///C:/Setup/QUINDO.SRG"},
      /* 1 */ {"\\\\srv\\share\\a b.srg", "file://srv/share/a%20b.srg"},
      /* 2 */ {"sub\\x#1%.ini", "sub/x%231%25.ini"},
      /* 3 */ {"office", "office"},
      /* 4 */ {"\xD0\x94.srg", "%D0%94.srg"},
  };
  int i = 0;
  for (const Row& r : uris) EXPECT_EQ(r.uri, UriOf(r.where)) << "row " << i++;
  EXPECT_EQ("a\\\"b\\\\c\\u0001\\u001f\xD0\x94", JsonEscaped("a\"b\\c\x01\x1f\xD0\x94"));
}

}  // namespace
}  // namespace qnd
