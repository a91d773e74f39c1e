#include "fonts/font_entry.h"

#include <gtest/gtest.h>

#include <string>

namespace qnd {
namespace {

TEST(SplitFontKey, FileNameAndExtension) {
  struct Row {
    const char* key;
    const char* file;  // name and extension
    const char* ext;
  } rows[] = {
      /* 0 */ {"SSERIFE.FON", "SSERIFE.FON", ".FON"},
      /* 1 */ {"C:\\WINDOWS\\FONTS\\QND.TTF", "QND.TTF", ".TTF"},
      /* 2 */ {"D:/fonts/QND.TTF", "QND.TTF", ".TTF"},
      /* 3 */ {"D:\\a/b\\QND.TTF", "QND.TTF", ".TTF"},
      /* 4 */ {"D:FONT.TTF", "FONT.TTF", ".TTF"},
      /* 5 */ {"d:FONT", "FONT", ""},
      /* 6 */ {"Q.A.B.TTF", "Q.A.B.TTF", ".TTF"},
      /* 7 */ {"dir.d\\FONT", "FONT", ""},
      /* 8 */ {"FONT.", "FONT.", "."},
      /* 9 */ {".TTF", ".TTF", ".TTF"},
      /* 10 */ {"C:\\FONTS\\", "", ""},
      /* 11 */ {"1:FONT.TTF", "1:FONT.TTF", ".TTF"},  // a drive is a letter
      /* 12 */ {"AB:FONT.TTF", "AB:FONT.TTF", ".TTF"},
      /* 13 */ {"\\\\server\\share\\F.FON", "F.FON", ".FON"},
      /* 14 */ {"", "", ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(&r - rows));
    const FontKeyParts parts = SplitFontKey(r.key);
    EXPECT_EQ(r.file, std::string(parts.file, parts.file_chars));
    const char* ext = parts.file + parts.name_chars;
    EXPECT_EQ(r.ext, std::string(ext, parts.file_chars - parts.name_chars));
  }
}

TEST(PlanFont, PathsOfRasterAndTrueTypeFonts) {
  FontPlan plan;
  ASSERT_EQ(FontResult::Ok,
            PlanFont("D:\\SRC\\Q.A.TTF", "Q (TrueType)", "C:\\WIN", FontKind::TrueType, plan));
  EXPECT_STREQ("C:\\WIN\\FONTS\\", plan.fonts_dir.c_str());
  EXPECT_STREQ("Q.A.TTF", plan.font_file.c_str());
  EXPECT_STREQ("C:\\WIN\\FONTS\\Q.A.TTF", plan.font_path.c_str());
  EXPECT_STREQ("C:\\WIN\\FONTS\\Q.A.FOT", plan.resource_path.c_str());

  ASSERT_EQ(FontResult::Ok, PlanFont("NOEXT", "R", "C:\\WIN\\", FontKind::Raster, plan));
  EXPECT_STREQ("C:\\WIN\\FONTS\\NOEXT", plan.font_path.c_str());
  EXPECT_STREQ("", plan.resource_path.c_str()) << "a raster font has none";
  ASSERT_EQ(FontResult::Ok, PlanFont("NOEXT", "T", "C:\\WIN", FontKind::TrueType, plan));
  EXPECT_STREQ("C:\\WIN\\FONTS\\NOEXT.FOT", plan.resource_path.c_str());
}

// Each limit at its last fitting length and one beyond; nothing is ever cut.
TEST(PlanFont, LimitsAtTheirEdges) {
  const std::string win = "C:\\W";  // FONTS directory "C:\W\FONTS\": 11 characters
  const std::string dir = "D:\\";
  auto name = [](size_t chars, const char* ext) { return std::string(chars - 4, 'n') + ext; };
  // name(248, ...) makes a font path of 259 characters
  struct Row {
    std::string key;
    FontKind kind;
    std::string windows;
    FontResult result;
  } rows[] = {
      /* 0 */ {dir + name(256, ".FON"), FontKind::Raster, "C:\\", FontResult::FileNameTooLong},
      /* 1 */ {dir + name(248, ".FON"), FontKind::Raster, win, FontResult::Ok},
      /* 2 */ {dir + name(249, ".FON"), FontKind::Raster, win, FontResult::PathTooLong},
      /* 3 */ {dir + std::string(250, 'd') + "\\F.FON", FontKind::Raster, win, FontResult::Ok},
      /* 4 */
      {dir + std::string(251, 'd') + "\\F.FON", FontKind::Raster, win, FontResult::KeyTooLong},
      /* 5 */ {name(248, ".TTF"), FontKind::TrueType, win, FontResult::Ok},
      /* 6 */ {name(249, ".TTF"), FontKind::TrueType, win, FontResult::PathTooLong},
      // the resource path fits, the font file in the FONTS directory does not
      /* 7 */
      {std::string(240, 'n') + ".TTFXXXXX", FontKind::TrueType, win, FontResult::PathTooLong},
      // no extension: the resource path is the longer one, and a raster font has none
      /* 8 */ {std::string(248, 'n'), FontKind::Raster, win, FontResult::Ok},
      /* 9 */ {std::string(248, 'n'), FontKind::TrueType, win, FontResult::PathTooLong},
      /* 10 */ {std::string(244, 'n'), FontKind::TrueType, win, FontResult::Ok},
      /* 11 */ {"F.FO", FontKind::Raster, std::string(248, 'w'), FontResult::Ok},
      /* 12 */ {"F.FO", FontKind::Raster, std::string(249, 'w'), FontResult::NoFontsDir},
      /* 13 */ {std::string(255, 'n'), FontKind::Raster, "C:\\", FontResult::PathTooLong},
      /* 14 */ {std::string(256, 'n'), FontKind::Raster, "C:\\", FontResult::FileNameTooLong},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(&r - rows));
    FontPlan plan;
    const FontResult result = PlanFont(r.key.c_str(), "F", r.windows.c_str(), r.kind, plan);
    EXPECT_EQ(r.result, result);
    if (result == FontResult::Ok) {
      EXPECT_LE(plan.font_path.size(), 259u);
      EXPECT_LE(plan.resource_path.size(), 259u);
    }
  }
}

TEST(PlanFont, EntriesThatNameNothing) {
  FontPlan plan;
  EXPECT_EQ(FontResult::EmptyValue, PlanFont("F.FON", "", "C:\\W", FontKind::Raster, plan));
  EXPECT_EQ(FontResult::NoFileName, PlanFont("C:\\FONTS\\", "F", "C:\\W", FontKind::Raster, plan));
  EXPECT_EQ(FontResult::NoFileName, PlanFont("D:", "F", "C:\\W", FontKind::TrueType, plan));
  EXPECT_EQ(FontResult::EmptyValue, PlanSubstitute("Helv", ""));
  EXPECT_EQ(FontResult::Ok, PlanSubstitute("Helv", "MS Sans Serif"));
}

// A description becomes a WIN.INI key: one that would not come back as one entry of [Fonts]
// fails, and so does a substitute's key; substitute values may hold "=". A TrueType key that
// names a ".FOT" file would have its own file rebuilt.
TEST(PlanFont, DescriptionsAndResourceKeys) {
  const FontKind kTT = FontKind::TrueType, kR = FontKind::Raster;
  const FontResult kOk = FontResult::Ok, kBad = FontResult::BadDescription;
  struct Row {
    const char* key;
    const char* value;
    FontKind kind;
    FontResult font, substitute;  // PlanFont(key, value); PlanSubstitute(value, "Face")
  } rows[] = {
      /* 0 */ {"F.TTF", "Q Sans (TrueType)", kTT, kOk, kOk},
      /* 1 */ {"F.TTF", " \t ", kTT, kBad, kBad},
      /* 2 */ {"F.TTF", "Q=X (TrueType)", kTT, kBad, kBad},
      /* 3 */ {"F.FON", "Q\r\n[windows]", kR, kBad, kBad},
      /* 4 */ {"F.FON", "\t [windows]", kR, kBad, kBad},
      /* 5 */ {"F.FON", ";Q", kR, kBad, kBad},
      /* 6 */ {"F.FON", "Q [1;2]", kR, kOk, kOk},
      /* 7 */ {"C:\\D\\OTHER.FOT", "Q", kTT, FontResult::ResourceKey, kOk},
      /* 8 */ {"other.Fot. .", "Q", kTT, FontResult::ResourceKey, kOk},
      /* 9 */ {"OTHER.FOT", "Q", kR, kOk, kOk},
      /* 10 */ {"OTHER.FOTX", "Q", kTT, kOk, kOk},
      /* 11 */ {"F.TTF", "\v[Evil]", kTT, kBad, kBad},
      /* 12 */ {"F.TTF", "\f;Q", kTT, kBad, kBad},
      /* 13 */ {"F.TTF", "Q\x1aR", kTT, kBad, kBad},
      /* 14 */ {"F.FON", "Q\tR", kR, kBad, kBad},
      /* 15 */ {"F.FON", "Q\x7f", kR, kBad, kBad},
      /* 16 */ {"F.FON", "  Q \xe9", kR, kOk, kOk},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(&r - rows));
    FontPlan plan;
    EXPECT_EQ(r.font, PlanFont(r.key, r.value, "C:\\W", r.kind, plan));
    EXPECT_EQ(r.substitute, PlanSubstitute(r.value, "Face"));
  }
  EXPECT_EQ(FontResult::Ok, PlanSubstitute("Helv", "Q=X"));
}

}  // namespace
}  // namespace qnd
