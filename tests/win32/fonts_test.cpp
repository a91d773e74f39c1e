// Font lists (Internal007) against the real platform: real font files copied into the real
// FONTS directory, real GDI font resources, the real WIN.INI, real top-level windows. Every
// test restores WIN.INI and the FONTS directory, and unloads what it loaded.
//
// Fixture fonts (made by scripts/fixture-fonts beside the test program): SSERIFE.FON, a raster
// font of face "MS Sans Serif", and QEJAVU.TTF, a TrueType font of face "QejaVu Sans". The
// system has neither face, so loading and removing them can be seen. Under Wine a TrueType
// file that lies in the FONTS directory when a process starts is loaded at its start, so the
// tests copy the files in while they run, each under a fresh name.
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>
#include <string>

#include "bench.h"

namespace {

constexpr char kRasterFace[] = "MS Sans Serif";
constexpr char kTrueTypeFace[] = "QejaVu Sans";

int Internal007(const std::string& list, int skip_fonts) {
  return bench::Qnd().Internal007(list.c_str(), skip_fonts);
}

using bench::FontsDir;
using bench::Names;
using bench::WinIni;
std::string InFonts(const std::string& name) { return FontsDir() + "\\" + name; }

// A fixture font beside the test program.
std::string Fixture(const char* name) { return bench::ProgramDir() + "\\fixtures\\" + name; }

// A file name not used before by this process: prefix, process, counter, then `ext`.
std::string FreshName(const char* prefix, const char* ext) {
  static int counter = 0;
  char name[64];
  std::snprintf(name, sizeof name, "%s%lu_%d%s", prefix, GetCurrentProcessId(), ++counter, ext);
  return name;
}

// Copies fixture `fixture` into the FONTS directory as `name`; gives its path.
std::string PutFont(const char* fixture, const std::string& name) {
  const std::string path = InFonts(name);
  EXPECT_TRUE(CopyFileA(Fixture(fixture).c_str(), path.c_str(), FALSE)) << path;
  return path;
}

// A raster and a TrueType fixture font copied into the FONTS directory under fresh names, and
// the path of the TrueType font's resource file there.
struct FontPair {
  std::string raster = FreshName("R", ".FON"), truetype = FreshName("T", ".TTF");
  std::string raster_path = PutFont("SSERIFE.FON", raster);
  std::string truetype_path = PutFont("QEJAVU.TTF", truetype);
  std::string fot = InFonts(truetype.substr(0, truetype.size() - 4) + ".FOT");
};

int Faces(const char* face) { return bench::FontFaces(face); }

// Unloads every font resource loaded from `path` (bounded: a font is never loaded that often).
void Unload(const std::string& path) {
  for (int i = 0; i < 8 && RemoveFontResourceA(path.c_str()) > 0; ++i) {
  }
}

// The entry `key` of `section` of WIN.INI as the file holds it.
std::string Profile(const char* section, const std::string& key) {
  char value[1024] = {};
  GetPrivateProfileStringA(section, key.c_str(), "(missing)", value, sizeof value,
                           WinIni().c_str());
  return value;
}

// Saves WIN.INI and the FONTS directory's listing; restores both, and unloads and deletes
// every file the test put into the FONTS directory. A test may count the WM_FONTCHANGE
// messages that reach a hidden top-level window of its own thread.
class FontList : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(bench::FileExists(Fixture("SSERIFE.FON"))) << Fixture("SSERIFE.FON");
    ASSERT_TRUE(bench::FileExists(Fixture("QEJAVU.TTF"))) << Fixture("QEJAVU.TTF");
    win_ini_ = bench::ReadTextFile(WinIni());
    fonts_ = Names(FontsDir());
    ASSERT_EQ(0, Faces(kRasterFace)) << "the system must not have the raster face";
    ASSERT_EQ(0, Faces(kTrueTypeFace)) << "the system must not have the TrueType face";
  }
  void TearDown() override {
    if (watch_) DestroyWindow(watch_);
    Restore();
    EXPECT_EQ(fonts_, Names(FontsDir()));
    EXPECT_EQ(win_ini_, bench::ReadTextFile(WinIni()));
  }

  // Puts the FONTS directory and WIN.INI back as they were, all fonts unloaded.
  void Restore() {
    for (const std::string& name : Names(FontsDir())) {
      if (fonts_.count(name)) continue;
      const std::string path = InFonts(name);
      Unload(path);
      if (!DeleteFileA(path.c_str())) RemoveDirectoryA(path.c_str());
    }
    ASSERT_TRUE(bench::WriteTextFile(WinIni(), win_ini_));
    broadcasts_ = 0;
  }

  std::string List(const std::string& text) {
    const std::string path = dir_.File("FONTS.INI");
    EXPECT_TRUE(bench::WriteTextFile(path, text));
    return path;
  }

  void CountBroadcasts() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = WatchProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "QndFontWatch";
    RegisterClassA(&wc);
    watch_ = CreateWindowExA(0, wc.lpszClassName, "", WS_OVERLAPPEDWINDOW, 0, 0, 50, 50, nullptr,
                             nullptr, wc.hInstance, nullptr);
    ASSERT_NE(nullptr, watch_);
  }
  static LRESULT CALLBACK WatchProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_FONTCHANGE) ++broadcasts_;
    return DefWindowProcA(w, m, wp, lp);
  }

  static int broadcasts_;
  bench::TempDir dir_{"fonts"};
  std::string win_ini_;
  std::set<std::string> fonts_;
  HWND watch_ = nullptr;
};
int FontList::broadcasts_ = 0;

// A list of one raster font, one TrueType font and two substitutes, as a setup installs it.
TEST_F(FontList, InstallsFontsAndMergesSubstitutes) {
  const auto [raster, truetype, raster_path, truetype_path, fot] = FontPair();
  CountBroadcasts();
  const std::string list = List("[Fonts]\r\n" + raster +
                                "=MS Sans Serif (test)\r\n"
                                "[TrueTypes]\r\n" +
                                truetype +
                                "=QejaVu Sans (TrueType)\r\n"
                                "[FontSubstitutes]\r\nQuindo Sans=QejaVu Sans\r\n"
                                "Helv=MS Sans Serif\r\n");
  EXPECT_EQ(1, Internal007(list, 0));

  EXPECT_GT(Faces(kRasterFace), 0);
  EXPECT_GT(Faces(kTrueTypeFace), 0);
  EXPECT_EQ(2, broadcasts_) << "one WM_FONTCHANGE per font";
  EXPECT_EQ(raster, Profile("Fonts", "MS Sans Serif (test)"));
  EXPECT_EQ(truetype, Profile("Fonts", "QejaVu Sans (TrueType)"));
  EXPECT_EQ("QejaVu Sans", Profile("FontSubstitutes", "Quindo Sans"));
  EXPECT_EQ("MS Sans Serif", Profile("FontSubstitutes", "Helv"));
  // The resource file names the font file alone: both lie in the FONTS directory.
  const std::string resource = bench::ReadTextFile(fot);
  EXPECT_NE(std::string::npos, resource.find(truetype + '\0')) << fot;
  EXPECT_EQ(std::string::npos, resource.find("\\" + truetype)) << fot;
  EXPECT_EQ(1, RemoveFontResourceA(fot.c_str())) << "the face comes from the .FOT";
  EXPECT_EQ(0, Faces(kTrueTypeFace));
}

// A second run loads nothing twice: the raster font is removed before it is added, the
// ".FOT" is removed, deleted and built anew, the profile entries are overwritten.
TEST_F(FontList, SecondRunIsHarmless) {
  const auto [raster, truetype, raster_path, truetype_path, fot] = FontPair();
  const std::string list = List("[Fonts]\r\n" + raster +
                                "=Raster\r\n"
                                "[TrueTypes]\r\n" +
                                truetype + "=TrueType\r\n");
  ASSERT_EQ(1, Internal007(list, 0));
  const std::string built = bench::ReadTextFile(fot);
  ASSERT_FALSE(built.empty());
  ASSERT_TRUE(bench::WriteTextFile(fot, built + "stale"));  // what the second run must replace

  EXPECT_EQ(1, Internal007(list, 0));
  // Two builds may differ in their face-name bytes: compare what a build always gives.
  const std::string rebuilt = bench::ReadTextFile(fot);
  EXPECT_EQ(built.size(), rebuilt.size());
  EXPECT_EQ("MZ", rebuilt.substr(0, 2));
  EXPECT_NE(std::string::npos, rebuilt.find(truetype + '\0'));
  EXPECT_EQ(std::string::npos, rebuilt.find("stale"));
  EXPECT_GT(RemoveFontResourceA(raster_path.c_str()), 0);
  EXPECT_EQ(0, RemoveFontResourceA(raster_path.c_str())) << "the raster font was loaded twice";
  EXPECT_EQ(1, RemoveFontResourceA(fot.c_str()));
  EXPECT_EQ(0, RemoveFontResourceA(fot.c_str())) << "the TrueType font was loaded twice";
  const std::string ini = bench::ReadTextFile(WinIni());
  EXPECT_EQ(ini.find("Raster="), ini.rfind("Raster=")) << ini;
}

// Another program's font and its loaded ".FOT" file stay byte for byte, and loaded, whatever
// entry of the same name fails: no font file of its own, the ".FOT" itself, a file that builds
// no ".FOT", a directory. Installing that very font again rebuilds its ".FOT" and loads it once.
TEST_F(FontList, AnotherProgramsFontIsNeverHarmed) {
  const std::string other = FreshName("O", ""), fot = InFonts(other + ".FOT");
  const std::string ttf = PutFont("QEJAVU.TTF", other + ".TTF");
  ASSERT_TRUE(CreateScalableFontResourceA(0, fot.c_str(), (other + ".TTF").c_str(),
                                          (FontsDir() + "\\").c_str()));
  ASSERT_EQ(1, AddFontResourceA(fot.c_str()));
  PutFont("SSERIFE.FON", other + ".BIN");  // no TrueType font
  ASSERT_TRUE(CreateDirectoryA(InFonts(other + ".DIR").c_str(), nullptr));
  const std::string fot_bytes = bench::ReadTextFile(fot), ttf_bytes = bench::ReadTextFile(ttf);
  const std::string ini = bench::ReadTextFile(WinIni());
  const std::set<std::string> files = Names(FontsDir());
  const char* extensions[] = {/* 0 */ ".TT_",  /* 1 */ "",     /* 2 */ ".T?F",
                              /* 3 */ ".FOT",
                              /* 4 */ ".fot.", /* 5 */ ".BIN", /* 6 */ ".DIR"};
  for (const char* ext : extensions) {
    SCOPED_TRACE(ext);
    EXPECT_EQ(0, Internal007(List("[TrueTypes]\r\n" + other + ext + "=Other\r\n"), 0));
    EXPECT_EQ(fot_bytes, bench::ReadTextFile(fot));
    EXPECT_EQ(ttf_bytes, bench::ReadTextFile(ttf));
    EXPECT_EQ(files, Names(FontsDir())) << "nothing built, nothing left";
    EXPECT_EQ(ini, bench::ReadTextFile(WinIni()));
    EXPECT_GT(Faces(kTrueTypeFace), 0) << "still loaded";
  }
  EXPECT_EQ(1, Internal007(List("[TrueTypes]\r\n" + other + ".TTF=Other\r\n"), 0));
  EXPECT_NE(std::string::npos, bench::ReadTextFile(fot).find(other + ".TTF" + '\0'));
  EXPECT_GT(Faces(kTrueTypeFace), 0);
  EXPECT_EQ(1, RemoveFontResourceA(fot.c_str()));
  EXPECT_EQ(0, RemoveFontResourceA(fot.c_str())) << "loaded once";
}

// Windows 95, 98 and ME export MoveFileExA as a stub that fails with 120: the library's import
// is bound to such a stub. The ".FOT" is then replaced by renames: a first install, a reinstall
// over a stale ".FOT", and a reinstall that cannot move another program's ".FOT" aside (that
// program holds it open, unshared for deletion), which fails and leaves it byte for byte, loaded
// and alone in the FONTS directory. No backup or fresh file is left by any row.
int move_ex_calls;
BOOL WINAPI MoveFileExNotImplemented(LPCSTR, LPCSTR, DWORD) {
  ++move_ex_calls;
  SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
  return FALSE;
}

TEST_F(FontList, Windows9xReplacesTheFotByRenames) {
  bench::ImportPatch patch("KERNEL32.dll", "MoveFileExA",
                           reinterpret_cast<FARPROC>(MoveFileExNotImplemented));
  ASSERT_TRUE(patch.ok());
  const std::string name = FreshName("W", ""), fot = InFonts(name + ".FOT");
  PutFont("QEJAVU.TTF", name + ".TTF");
  const std::string list = List("[TrueTypes]\r\n" + name + ".TTF=Nine\r\n");
  std::set<std::string> files = Names(FontsDir());
  files.insert(name + ".FOT");
  const struct Row {
    const char* before;  // the .FOT's bytes before the call; null: no .FOT
    bool held;           // another program holds the .FOT open, unshared for deletion
    int result;
  } rows[] = {
      /* 0: first install */ {nullptr, false, 1},
      /* 1: reinstall over a stale .FOT */ {"stale", false, 1},
      /* 2: another program's .FOT cannot be moved aside */ {"other program's", true, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(bench::RowName(rows, r));
    Unload(fot);
    DeleteFileA(fot.c_str());
    if (r.before) {
      ASSERT_TRUE(bench::WriteTextFile(fot, r.before));
    }
    HANDLE held = r.held ? CreateFileA(fot.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, 0, nullptr)
                         : INVALID_HANDLE_VALUE;
    move_ex_calls = 0;
    EXPECT_EQ(r.result, Internal007(list, 0));
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
    EXPECT_EQ(1, move_ex_calls) << "the stub was met";
    const std::string now = bench::ReadTextFile(fot);
    if (r.result == 1) {
      EXPECT_NE(std::string::npos, now.find(name + ".TTF" + '\0')) << "built anew";
      EXPECT_EQ(1, RemoveFontResourceA(fot.c_str()));
      EXPECT_EQ(0, RemoveFontResourceA(fot.c_str())) << "loaded once";
    } else {
      EXPECT_EQ(r.before, now) << "byte for byte";
    }
    EXPECT_EQ(files, Names(FontsDir())) << "no backup, no fresh file left";
  }
}

// A description is written as a WIN.INI key: one that would not come back as one entry of
// [Fonts] fails and leaves WIN.INI as it was, byte for byte, with the entries written before it.
// A substitute's value may hold "=".
TEST_F(FontList, DescriptionsThatWouldBreakWinIniFail) {
  const auto [raster, truetype, raster_path, truetype_path, fot] = FontPair();
  const std::string good = "[Fonts]\r\n" + raster + "=Good\r\n";
  ASSERT_EQ(1, Internal007(List(good), 0));
  const std::string ini = bench::ReadTextFile(WinIni());
  const std::set<std::string> files = Names(FontsDir());
  // A control character anywhere: the profile writer drops some, and what follows then
  // begins the key.
  const char* descriptions[] = {/* 0 */ "[windows]",    /* 1 */ "QejaVu=X (TrueType)",
                                /* 2 */ ";QejaVu",
                                /* 3 */ "\" \"",        /* 4 */ "\" [x]\"",
                                /* 5 */ "\"\v[Evil]\"",
                                /* 6 */ "\"\f;Evil\"",  /* 7 */ "\"\x1a[Evil]\"",
                                /* 8 */ "\"\t;Evil\"",
                                /* 9 */ "\"Q\vX\"",     /* 10 */ "\"Q\fX\"",
                                /* 11 */ "\"Q\x1aX\"",
                                /* 12 */ "\"Q\tX\"",    /* 13 */ "\"Q\x7fX\""};
  int i = 0;
  for (const char* description : descriptions) {
    SCOPED_TRACE("row " + std::to_string(i++));
    const std::string bad = "[TrueTypes]\r\n" + truetype + "=" + description + "\r\n";
    EXPECT_EQ(0, Internal007(List(good + bad), 0));
    EXPECT_EQ(ini, bench::ReadTextFile(WinIni()));
    EXPECT_EQ(files, Names(FontsDir())) << "no .FOT built";
    if (i > 9) {  // rows 9 on: a substitute key, copied into WIN.INI, by the same rule
      const std::string key = std::string(description + 1, std::strlen(description) - 2);
      EXPECT_EQ(0, Internal007(List("[FontSubstitutes]\r\n" + key + "=Arial\r\n"), 1));
      EXPECT_EQ(ini, bench::ReadTextFile(WinIni()));
    }
  }
  EXPECT_EQ(1, Internal007(List("[FontSubstitutes]\r\nQ Sub=Q=X\r\n"), 1));
  EXPECT_EQ("Q=X", Profile("FontSubstitutes", "Q Sub"));
}

// Whatever drive or directory a key names, the font is looked for in the FONTS directory by
// name and extension (the extension from the last dot), and the key is recorded as written. A
// key of 259 characters and a raster font path of 259 characters work; one more character fails
// that entry before anything is touched for it. Nothing is cut. (The platform itself builds no
// resource file for a TrueType font whose path has 259 characters.)
TEST_F(FontList, KeysAreFileNamesInTheFontsDirectory) {
  const size_t fonts_dir = InFonts("").size();  // "C:\windows\FONTS\"
  struct Row {
    bool truetype;
    const char* dir;    // put before the file name in the key
    const char* name;   // of the file in the FONTS directory; "#" stands for a fresh part
    size_t key_chars;   // the key padded to this length by a directory part, if not 0
    size_t path_chars;  // the font path of a raster font, the resource path of a TrueType one,
                        // padded to this length, if not 0
    int result;
    const char* fot;  // the resource file expected for a TrueType font
  } rows[] = {
      /* 0 */ {false, "C:\\ELSEWHERE\\", "R#.FON", 0, 0, 1, nullptr},
      /* 1 */ {false, "D:/any/where/", "R#.FON", 0, 0, 1, nullptr},
      /* 2 */ {false, "D:", "R#.FON", 0, 0, 1, nullptr},
      /* 3 */ {true, "Z:\\src.d\\", "T#.A.B.TTF", 0, 0, 1, "T#.A.B.FOT"},
      /* 4 */ {true, "", "T#", 0, 0, 1, "T#.FOT"},
      /* 5 */ {false, "", "R#.FON", 259, 0, 1, nullptr},
      /* 6 */ {false, "", "R#.FON", 260, 0, 0, nullptr},
      /* 7 */ {false, "", "R#.FON", 0, 259, 1, nullptr},
      /* 8 */ {false, "", "R#.FON", 0, 260, 0, nullptr},
      /* 9 */ {true, "", "T#.TTF", 0, 258, 1, nullptr},
      /* 10 */ {true, "", "T#.TTF", 0, 260, 0, nullptr},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(bench::RowName(rows, r));
    const std::string fresh = FreshName("", "");
    auto fill = [&](const char* pattern) {
      std::string s = pattern;
      s.replace(s.find('#'), 1, fresh);
      return s;
    };
    std::string name = fill(r.name);
    if (r.path_chars) name.insert(1, r.path_chars - fonts_dir - name.size(), 'n');
    const std::string key =
        r.key_chars ? "C:\\" + std::string(r.key_chars - name.size() - 4, 'd') + "\\" + name
                    : r.dir + name;
    PutFont(r.truetype ? "QEJAVU.TTF" : "SSERIFE.FON", name);
    CountBroadcasts();
    const std::set<std::string> before = Names(FontsDir());
    const std::string list =
        List(std::string(r.truetype ? "[TrueTypes]" : "[Fonts]") + "\r\n" + key + "=Font\r\n");
    EXPECT_EQ(r.result, Internal007(list, 0));
    EXPECT_EQ(r.result ? key : "(missing)", Profile("Fonts", "Font"));
    EXPECT_EQ(r.result, broadcasts_);
    EXPECT_EQ(r.result == 1, Faces(r.truetype ? kTrueTypeFace : kRasterFace) > 0);
    if (!r.result) {
      EXPECT_EQ(before, Names(FontsDir())) << "nothing is created";
    }
    if (r.fot) {
      EXPECT_TRUE(bench::FileExists(InFonts(fill(r.fot))));
    }
    DestroyWindow(watch_);
    watch_ = nullptr;
    Restore();
  }
}

// The first failure ends the call with 0: what came before stays, nothing after is done.
TEST_F(FontList, FirstFailureEndsTheCall) {
  enum Prep { None, FotIsFolder, NoTrueTypeFile };
  struct Row {
    const char* fonts;  // lines of the three sections; R and T stand for the fixture files
    const char* truetypes;
    const char* substitutes;
    Prep prep;
    bool raster_installed, truetype_installed, substituted;
  } rows[] = {
      /* 0 */ {"Missing.FON=Gone\r\n", "T=TT\r\n", "A=B\r\n", None, false, false, false},
      /* 1 */ {"R=\r\n", "T=TT\r\n", "A=B\r\n", None, false, false, false},
      /* 2 */ {"R=Raster\r\n", "T=\r\n", "A=B\r\n", None, true, false, false},
      /* 3 */ {"R=Raster\r\n", "T=TT\r\n", "C=\r\nA=B\r\n", None, true, true, false},
      /* 4 */ {"R=Raster\r\n", "T=TT\r\n", "A=B\r\n", FotIsFolder, true, false, false},
      /* 5 */ {"R=Raster\r\n", "T=TT\r\n", "A=B\r\n", NoTrueTypeFile, true, false, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(bench::RowName(rows, r));
    const auto [raster, truetype, raster_path, truetype_path, fot] = FontPair();
    if (r.prep == NoTrueTypeFile) DeleteFileA(truetype_path.c_str());
    if (r.prep == FotIsFolder) {
      ASSERT_TRUE(CreateDirectoryA(fot.c_str(), nullptr));
    }
    auto names = [&](std::string s) {
      if (s.compare(0, 2, "R=") == 0) s.replace(0, 1, raster);
      if (s.compare(0, 2, "T=") == 0) s.replace(0, 1, truetype);
      return s;
    };
    const std::string list = List("[Fonts]\r\n" + names(r.fonts) + "[TrueTypes]\r\n" +
                                  names(r.truetypes) + "[FontSubstitutes]\r\n" + r.substitutes);
    EXPECT_EQ(0, Internal007(list, 0));
    EXPECT_EQ(r.raster_installed, Profile("Fonts", "Raster") == raster);
    EXPECT_EQ(r.raster_installed, Faces(kRasterFace) > 0);
    EXPECT_EQ(r.truetype_installed, Profile("Fonts", "TT") == truetype);
    EXPECT_EQ(r.truetype_installed, Faces(kTrueTypeFace) > 0);
    EXPECT_EQ(r.substituted, Profile("FontSubstitutes", "A") == "B");
    EXPECT_EQ("(missing)", Profile("Fonts", "Gone"));
    if (r.prep == NoTrueTypeFile) {
      EXPECT_FALSE(bench::FileExists(fot)) << "no .FOT is left";
    }
    Restore();
  }
}

// skipFonts non-zero touches no font (not even a missing one): only the substitutes are
// copied, and the result is that of the copy.
TEST_F(FontList, SkipFontsCopiesOnlyTheSubstitutes) {
  const FontPair pair;
  const std::string fonts = "[Fonts]\r\n" + pair.raster + "=Raster\r\nMissing.FON=Gone\r\n" +
                            "[TrueTypes]\r\n" + pair.truetype + "=TT\r\n";
  CountBroadcasts();
  const std::set<std::string> before = Names(FontsDir());
  for (int skip : {1, -1, 0x100}) {
    EXPECT_EQ(1, Internal007(List(fonts + "[FontSubstitutes]\r\nA=B\r\n"), skip)) << skip;
  }
  EXPECT_EQ("B", Profile("FontSubstitutes", "A"));
  EXPECT_EQ(0, Internal007(List(fonts + "[FontSubstitutes]\r\nC=\r\nD=E\r\n"), 1));
  EXPECT_EQ("(missing)", Profile("FontSubstitutes", "D"));
  EXPECT_EQ(0, Faces(kRasterFace));
  EXPECT_EQ(0, Faces(kTrueTypeFace));
  EXPECT_EQ(0, broadcasts_);
  EXPECT_EQ(before, Names(FontsDir())) << "no .FOT";
  EXPECT_EQ("(missing)", Profile("Fonts", "Raster"));
}

// Nothing to do is success, and changes nothing; a null list is refused (the profile reader
// would read WIN.INI itself).
TEST_F(FontList, NothingToDoChangesNothing) {
  CountBroadcasts();
  const std::string lists[] = {
      /* 0 */ "",  // no such file
      /* 1 */ "[Other]\r\nFonts=x\r\n",
      /* 2 */ "[Fonts]\r\n[TrueTypes]\r\n;commented.FON=x\r\n[FontSubstitutes]\r\nno equals\r\n",
  };
  for (const std::string& text : lists) {
    SCOPED_TRACE(bench::RowName(lists, text));
    const std::string list = text.empty() ? dir_.File("MISSING.INI") : List(text);
    for (int skip : {0, 1}) EXPECT_EQ(1, Internal007(list, skip));
    EXPECT_EQ(win_ini_, bench::ReadTextFile(WinIni()));
  }
  EXPECT_EQ(0, bench::Qnd().Internal007(nullptr, 0));
  EXPECT_EQ(0, broadcasts_);
  EXPECT_EQ(fonts_, Names(FontsDir()));
}

// A list that is there but cannot be read (held without sharing by another process), or whose
// full path does not fit 259 characters, is a failure that changes nothing; the missing one
// above has nothing to do.
TEST_F(FontList, ListThatCannotBeReadFails) {
  const std::string text = "[FontSubstitutes]\r\nQnd Unread=Arial\r\n";
  const std::string held = List(text);
  const std::string long_path = bench::WriteLongPathFile(dir_.path(), 276, text);
  for (const std::string& list : {held, long_path}) {
    SCOPED_TRACE(list.size());
    std::unique_ptr<bench::HeldFile> holder;
    if (list == held) holder = std::make_unique<bench::HeldFile>(held);
    for (int skip : {0, 1}) EXPECT_EQ(0, Internal007(list, skip));
    EXPECT_EQ(win_ini_, bench::ReadTextFile(WinIni()));
  }
  bench::RemoveLongPath(dir_.path(), long_path);
  EXPECT_EQ(1, Internal007(held, 1)) << "the control: readable, the same list";
  EXPECT_EQ("Arial", Profile("FontSubstitutes", "Qnd Unread"));
}

// A profile entry that cannot be written is a failure at that entry: a font not recorded is
// gone after the next restart. WIN.INI held open without sharing refuses every write.
TEST_F(FontList, ProfileThatCannotBeWrittenFails) {
  const FontPair pair;
  const std::string list = List("[Fonts]\r\n" + pair.raster + "=Raster\r\n[TrueTypes]\r\n" +
                                pair.truetype + "=TT\r\n[FontSubstitutes]\r\nA=B\r\n");
  HANDLE held = CreateFileA(WinIni().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  const int fonts = Internal007(list, 0);
  const int substitutes = Internal007(list, 1);
  CloseHandle(held);
  EXPECT_EQ(0, fonts);
  EXPECT_EQ(0, substitutes);
  EXPECT_EQ(win_ini_, bench::ReadTextFile(WinIni()));
  EXPECT_GT(RemoveFontResourceA(pair.raster_path.c_str()), 0) << "the raster font stays loaded";
  EXPECT_EQ(0, Faces(kTrueTypeFace)) << "the TrueType section was not reached";
}

// A top-level window whose thread stopped answering (in another process) does not hold setup:
// the broadcast gives it up and the call goes on. In a child process, ended after a minute if
// the call hangs.
BENCH_CHILD(hung_window) {
  const std::string raster = FreshName("R", ".FON");
  const std::string path = InFonts(raster);
  if (!CopyFileA(Fixture("SSERIFE.FON").c_str(), path.c_str(), FALSE)) return 2;
  bench::TempDir dir("fonts-hung");
  const std::string list = dir.File("FONTS.INI");
  if (!bench::WriteTextFile(list, "[Fonts]\r\n" + raster + "=Raster\r\n")) return 3;
  const bench::ChildWindows hung({"QndHungWindow"}, true);
  if (!hung.ready()) return 5;  // no window was made: the test proves nothing
  const int result = Internal007(list, 0);
  const int loaded = RemoveFontResourceA(path.c_str());
  DeleteFileA(path.c_str());
  return result == 1 && loaded > 0 ? 0 : 10 + result;
}

TEST_F(FontList, HungWindowDoesNotHoldSetup) { EXPECT_EQ(0u, bench::RunChild("hung_window")); }

}  // namespace
