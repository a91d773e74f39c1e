#include "check/report.h"
#include "check/sarif.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
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
  report.Line("a\nb", 3, "v\n== 0 errors, 0 warnings\x07\t\x7f\xE9 x:1: error: y");
  report.Finding(FindingId::RemovedToo, "f", 0, {"key K\n== x"});
  report.Finding(FindingId::LeavesKey, "f", 1, {"key K", ""});
  report.Finding(FindingId::LeftBehindToo, "f", 1, {"key K\\L"});
  report.Summary();
  EXPECT_EQ(
      "== dir\\r\\n== forged\n"
      "a\\nb:3: v\\n== 0 errors, 0 warnings\\x07\\t\\x7f\xE9 x\\x3a1: error: y\n"
      "f: note: removed too: key K\\n== x [Q208]\n"
      "== 0 errors, 0 warnings (2 ignored)\n",
      Written(file));
  EXPECT_EQ(kExitClean, report.ExitStatus());
  std::fclose(file);
}

// Shown text is one-to-one: it reads back, by the rule report.h gives, to the text it shows, so
// that no two texts show alike; no shown text holds a control character or a colon before a
// digit (the ":12: error:" of a finding); paths read as they are written.
TEST(Report, ShownTextReadsBackOneToOne) {
  const struct {
    const char* text;
    const char* shown;
  } rows[] = {
      /* 0 */ {"C:\\Program Files\\Quindo", "C:\\Program Files\\Quindo"},
      /* 1 */ {"\\x1f", "\\\\x1f"},
      /* 2 */ {"\x1f", "\\x1f"},
      /* 3 */ {"a\"b", "a\\\"b"},
      /* 4 */ {"dir\\", "dir\\\\"},
      /* 5 */ {"\\\\", "\\\\\\\\"},
      /* 6 */ {"\\\n", "\\\\\\n"},
      /* 7 */ {"C:\\temp", "C:\\\\temp"},
      /* 8 */ {"f.srg:1: error: x", "f.srg\\x3a1: error: x"},
      /* 9 */ {"\\:1", "\\\\\\x3a1"},
  };
  // The reading back that report.h documents.
  const auto read_back = [](const std::string& shown) {
    std::string out;
    for (std::size_t i = 0; i < shown.size(); ++i) {
      const char next = i + 1 < shown.size() ? shown[i + 1] : '\0';
      if (shown[i] != '\\' || !next || !std::strchr("\\\"nrtx", next)) {
        out += shown[i];
      } else if (next == 'x') {
        out += static_cast<char>(std::stoi(shown.substr(i + 2, 2), nullptr, 16));
        i += 3;
      } else {
        out += next == 'n' ? '\n' : next == 'r' ? '\r' : next == 't' ? '\t' : next;
        ++i;
      }
    }
    return out;
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("row " + std::to_string(&row - rows));
    const std::string shown = Shown(row.text);
    EXPECT_EQ(row.shown, shown);
    EXPECT_EQ(row.text, read_back(shown));
    EXPECT_EQ("\"" + shown + "\"", Quoted(row.text));
  }
  // Every text of up to three characters from a small alphabet of the troublesome ones.
  const char alphabet[] = {'\\', '"', 'x', 'n', '1', ':', '\n', '\x1f', 'a'};
  for (int n = 0; n < 9 * 9 * 9 * 9; ++n) {
    std::string text;
    for (int k = n; k > 0; k /= 10) text += alphabet[k % 9];
    const std::string shown = Shown(text);
    EXPECT_EQ(text, read_back(shown)) << shown;
    for (const char c : shown) EXPECT_FALSE(static_cast<unsigned char>(c) < 0x20) << shown;
  }
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
  for (const Row& r : uris) EXPECT_EQ(r.uri, UriOf(r.where)) << "row " << &r - uris;
  EXPECT_EQ("a\\\"b\\\\c\\u0001\\u001f\xD0\x94", JsonEscaped("a\"b\\c\x01\x1f\xD0\x94"));
}

}  // namespace
}  // namespace qnd
