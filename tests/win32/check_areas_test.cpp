// qndcheck office and qndcheck fonts against the real InstallOfficeSupport and Internal007: each
// case stages a machine (Office keys, add-in values, start-up paths, component files, open
// windows; font files and WIN.INI entries, and a font list), runs qndcheck --format sarif from
// the case's folder, then the export there. The result qndcheck foresees must be the export's;
// the changes it lists, applied to the machine as it was, must give the machine as the export
// leaves it; it foresees a failure exactly when it reports an error; and qndcheck must change
// nothing. Random machines from fixed seeds run here (QND_CHECK_SEEDS and QND_CHECK_FIRST_SEED
// run others: make fuzz-check), and a few fixed ones whose findings must be there too.
#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "bench.h"

namespace {

using State = std::map<std::string, std::string>;  // what lies on the machine: item -> content

// A path as the states name it: upper case, no doubled or trailing backslash.
std::string Item(std::string text) {
  if (!text.empty()) CharUpperBuffA(&text[0], (DWORD)text.size());
  for (size_t at; (at = text.find("\\\\")) != std::string::npos;) text.erase(at, 1);
  if (!text.empty() && text.back() == '\\') text.pop_back();
  return text;
}

using bench::ReplaceAll;

// Every file (with its bytes) and folder below `dir`, into `state`.
void Files(const std::string& dir, State& state) {
  bench::ForEachEntry(dir, [&](const std::string& path, const WIN32_FIND_DATAA& found) {
    const bool folder = found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
    state[Item(path)] = folder ? "<dir>" : bench::ReadTextFile(path);
    if (folder) Files(path, state);
  });
}

using bench::Random;
using bench::Seeds;

using Results = std::vector<bench::SarifResult>;

// One case: runs qndcheck with `args` from folder `dir`, then `run_export` there, and compares.
// `apply` changes a state as the results say and gives the result they foresee. Gives the log.
std::string Compare(const std::string& args, const bench::TempDir& dir, const char* codes,
                    const std::function<State()>& snapshot,
                    const std::function<int(const Results&, State&)>& apply,
                    const std::function<int()>& run_export) {
  const int failures =
      testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count();
  char saved[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, saved);
  SetCurrentDirectoryA(dir.path().c_str());
  State foreseen = snapshot();
  const bench::TempDir out_dir("areas-out");
  const bench::ProgramRun run =
      bench::RunQndcheck("--format sarif " + args, out_dir.File("qndcheck.out"));
  EXPECT_EQ(foreseen, snapshot()) << "qndcheck changed the machine";
  const std::string log = run.Text();
  Results results;
  std::string error;
  EXPECT_TRUE(bench::ReadSarif(log, results, &error)) << error;
  const int result = apply(results, foreseen);
  EXPECT_EQ(result, run_export()) << "the result qndcheck foresees";
  SetCurrentDirectoryA(saved);
  EXPECT_EQ(foreseen, snapshot()) << "what qndcheck says is changed";
  bool errors = false;
  std::string codes_found;
  for (const bench::SarifResult& r : results) {
    errors |= r.level == "error";
    codes_found += r.rule + " ";
  }
  EXPECT_EQ(result == 0, errors) << "a failure foreseen, and an error reported";
  for (const char* code = codes; *code; code += code[4] ? 5 : 4) {
    EXPECT_NE(std::string::npos, codes_found.find(std::string(code, 4))) << code;
  }
  if (testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count() >
      failures) {
    std::string out;
    for (const bench::SarifResult& r : results) {
      out += r.uri + ":" + std::to_string(r.line) + ": " + r.level + ": " + r.text + " [" + r.rule +
             "]\n";
    }
    ADD_FAILURE() << out;
  }
  return log;
}

// ---- office ----
const HKEY kUser = HKEY_CURRENT_USER;
using bench::kExcelOptions;
using bench::kMarker;
using bench::kWordOptions;
using bench::OpenName;

using bench::RemoveOffice;

// The files below `dir`, the support library, the add-in values and the marker.
State OfficeState(const std::string& dir) {
  State state;
  Files(dir, state);
  if (bench::FileExists(bench::OfficeLibrary())) {
    state[Item(bench::OfficeLibrary())] = bench::ReadTextFile(bench::OfficeLibrary());
  }
  for (int i = 0; i <= 100; ++i) {
    const bench::RegValue v = bench::ReadValue(kUser, kExcelOptions, OpenName(i).c_str());
    if (v.status == ERROR_SUCCESS) state["VALUE " + OpenName(i)] = v.bytes;
  }
  if (bench::ReadValue(kUser, kMarker, "FirstCall").Text() == "Y") state["MARKER"] = "Y";
  return state;
}

// `state` changed as the steps qndcheck office lists say; gives the result it foresees.
int ApplySteps(const Results& results, State& state) {
  int result = -1;
  for (const bench::SarifResult& r : results) {
    std::sscanf(r.text.c_str(), "InstallOfficeSupport gives %d", &result);
    if (r.text.compare(0, 5, "step ") != 0) continue;
    const std::string step = r.text.substr(r.text.find(": ") + 2);
    const std::string last = step.substr(step.rfind(' ') + 1);
    const size_t into = step.rfind(" into "), to = step.find(" to ");
    if (step.find(" must not be running here") != std::string::npos) {
      continue;  // a look: it changes nothing
    } else if (step.find("writes \"FirstCall\"") == 0) {
      state["MARKER"] = "Y";
    } else if (step.find("writes ") == 0) {
      state["VALUE " + last] = step.substr(7, into - 7) + '\0';
    } else if (step.find(" add-in value ") != std::string::npos) {
      state.erase("VALUE " + last);
    } else if (step.find("deletes ") == 0) {
      state.erase(Item(last));
    } else if (step.find("creates ") == 0) {
      const size_t at = step.find("directory ") + 10;
      state[Item(step.substr(at, step.find(" (", at) - at))] = "<dir>";
    } else if (step.find("copies ") == 0) {
      state[Item(step.substr(to + 4))] = bench::ReadTextFile(step.substr(7, to - 7));
    } else {
      ADD_FAILURE() << "a step the test does not know: " << step;
    }
  }
  return result;
}

// A machine for InstallOfficeSupport.
struct OfficeCase {
  std::string startup;  // "Startup-Path", "@" the case's folder; "-" no Word; "~" Word without it
  std::string values;   // Excel's add-in values, "n=text;" ("#" empty, "%" too long to read,
                        // "*" every slot); "-" no Excel; "!" Excel without its options key
  std::string files;    // in the case's folder: "name\" a folder, "+name" read-only, "SYS" the
                        // support library in the system directory
  const char* window;   // the class of an open window, or null
  std::string source;   // as given, "@" the case's folder
  const char* codes;    // findings that must be there
  const char* shows = "";  // a text the listing holds
};

// A random machine: Word and Excel present or not, "Startup-Path" of every kind, add-in values
// of this add-in, the older one, others and names that merely hold ours, the files there or not,
// a window open.
OfficeCase RandomOffice(Random& r) {
  static const char* const kStartups[] = {"@\\Startup",          "@\\Startup", "@\\Startup\\",
                                          "@\\Missing\\Startup", "Startup",    "@\\Startup.",
                                          "@\\Startup\\ ",       "",           "~"};
  static const char* const kValues[] = {"SOLVER.XLA",
                                        "C:\\Old\\QND_XL7.XLA",
                                        "\"@\\src\\QND_OF7.XLA\"",
                                        "\"D:\\Other\\QND_OF7.XLA\"",
                                        "C:\\X\\MYQND_XL7_TOOLS.XLA",
                                        "c:\\q\\qnd_of7.xla",
                                        "/R \"C:\\Old\\QND_XL7.XLA\"",
                                        "C:\\V\\NOTQND_OF7.XLA",
                                        "#",
                                        "%"};
  OfficeCase c;
  c.startup = r.Chance(30) ? "-" : r.Pick(kStartups);
  if (r.Chance(30)) {
    c.values = "-";
  } else if (r.Chance(5)) {
    c.values = r.Chance(50) ? "!" : "*";
  } else {
    for (unsigned n = r.Below(5); n > 0; --n) {
      const unsigned slot = r.Chance(70) ? r.Below(4) : r.Below(101);
      c.values += std::to_string(slot) + "=" + r.Pick(kValues) + ";";
    }
  }
  c.files = "src\\ ";
  for (const char* file : {"src\\QND_OF7.DOT ", "src\\QND_OF7.XLA ", "src\\QND_OF7.DLL "}) {
    if (r.Chance(85)) c.files += file;
  }
  if (r.Chance(60)) {
    c.files += "Startup\\ ";
    if (r.Chance(40)) c.files += r.Chance(20) ? "+Startup\\QND_WW7.DOT " : "Startup\\QND_WW7.DOT ";
    if (r.Chance(30)) c.files += "Startup\\QND_OF7.DOT ";
  } else if (r.Chance(15)) {
    c.files += "Startup ";  // a file where the directory goes
  }
  if (r.Chance(30)) c.files += "SYS";
  c.window = r.Chance(10) ? "OpusApp" : r.Chance(10) ? "XLMAIN" : nullptr;
  c.source = r.Chance(85) ? "@\\src" : r.Chance(60) ? "src" : "@\\src\\";
  c.codes = "";
  return c;
}

// Stages `c` in a fresh folder and compares qndcheck office with InstallOfficeSupport.
void CompareOffice(const OfficeCase& c) {
  RemoveOffice();
  const bench::TempDir temp("areas-office");
  const std::string dir = temp.path();
  for (size_t at = 0, end; at < c.files.size(); at = end + 1) {
    end = std::min(c.files.find(' ', at), c.files.size());
    const std::string name = c.files.substr(at, end - at), path = temp.File(name.c_str());
    if (name.empty()) continue;
    if (name.back() == '\\') CreateDirectoryA(path.c_str(), nullptr);
    if (name.back() != '\\') {
      bench::WriteTextFile(name == "SYS" ? bench::OfficeLibrary() : ReplaceAll(path, "+", ""),
                           name);
    }
    if (name[0] == '+')
      SetFileAttributesA(ReplaceAll(path, "+", "").c_str(), FILE_ATTRIBUTE_READONLY);
  }
  if (c.startup == "~") {
    bench::WriteString(kUser, kWordOptions, "Other", "x");
  } else if (c.startup != "-") {
    bench::WriteString(kUser, kWordOptions, "Startup-Path", ReplaceAll(c.startup, "@", dir));
  }
  if (c.values == "!") bench::WriteString(kUser, "Software\\Microsoft\\Excel\\7.0", "Other", "x");
  const bool excel = c.values != "-" && c.values != "!";
  const std::string values = ReplaceAll(excel ? c.values : "", "*", "0=*;");
  if (excel) bench::WriteString(kUser, kExcelOptions, "Other", "x");
  for (size_t at = 0, end; (end = values.find(';', at)) != std::string::npos; at = end + 1) {
    const std::string entry = values.substr(at, end - at);
    std::string text = ReplaceAll(entry.substr(entry.find('=') + 1), "@", dir);
    const int slot = std::stoi(entry);
    text = text == "%" ? std::string(1100, 'x') : text;
    for (int n = slot; n <= (text == "*" ? 100 : slot); ++n) {
      HKEY key;
      RegCreateKeyA(kUser, kExcelOptions, &key);
      const DWORD number = text[0] == '&' ? (DWORD)std::stoul(text.substr(1)) : 0;
      if (text[0] == '&') {
        RegSetValueExA(key, OpenName(n).c_str(), 0, REG_DWORD, (const BYTE*)&number, 4);
      } else {
        RegSetValueExA(key, OpenName(n).c_str(), 0, REG_SZ, (const BYTE*)text.c_str(),
                       text == "#" ? 0 : (DWORD)text.size() + 1);
      }
      RegCloseKey(key);
    }
  }
  std::unique_ptr<bench::StandInWindows> window(c.window ? new bench::StandInWindows({c.window})
                                                         : nullptr);
  const std::string source = ReplaceAll(c.source, "@", dir);
  // A backslash before the closing quotation mark would escape it: doubled.
  const std::string quoted = source.back() == '\\' ? source + "\\" : source;
  const std::string log = Compare(
      "office --source \"" + quoted + "\"", temp, c.codes, [&] { return OfficeState(dir); },
      ApplySteps, [&] { return bench::Qnd().InstallOfficeSupport(source.c_str()); });
  EXPECT_NE(std::string::npos, log.find(c.shows)) << c.shows;
}

// Machines whose findings must be there too.
TEST(CheckOffice, KnownMachines) {
  const std::string src = "src\\ src\\QND_OF7.DOT src\\QND_OF7.XLA ", lib = "src\\QND_OF7.DLL ";
  const std::string all = src + lib, old = all + "Startup\\ Startup\\QND_WW7.DOT";
  const OfficeCase cases[] = {
      /* 0: the older parts go, one of them outside the source directory */
      {"@\\Startup", "0=SOLVER.XLA;1=\"C:\\Old\\QND_XL7.XLA\";", old, nullptr, "@\\src", "Q415"},
      /* 1: no support library to copy; empty, too long and our own values */
      {"@\\Startup", "0=A.XLA;1=C:\\old\\QND_XL7.XLA;2=#;3=%;4=\"@\\src\\QND_OF7.XLA\";",
       src + "Startup\\ Startup\\QND_WW7.DOT", nullptr, "@\\src", "Q406 Q412"},
      /* 2-3: "Startup-Path" a file; ending in a dot */
      {"@\\Startup", "", all + "Startup", nullptr, "@\\src", "Q410"},
      {"@\\Startup.", "", all + "Startup\\", nullptr, "@\\src", "Q408"},
      /* 4-6: an Excel window after phase 1; a read-only older template; no free slot */
      {"@\\Startup", "", old, "XLMAIN", "@\\src", "Q402"},
      {"@\\Startup", "", all + "Startup\\ +Startup\\QND_WW7.DOT", nullptr, "@\\src", "Q404"},
      {"-", "*", all, nullptr, "@\\src", "Q407"},
      /* 7: a number in an add-in value ("&" a REG_DWORD): taken, shown by its type */
      {"-", "0=A.XLA;1=&5;", all, nullptr, "@\\src", "", "OPEN1: taken: REG_DWORD 0x00000005"},
  };
  for (const OfficeCase& c : cases) {
    SCOPED_TRACE(bench::RowName(cases, c));
    CompareOffice(c);
  }
  RemoveOffice();
}

TEST(CheckOffice, RandomMachines) {
  for (const unsigned seed : Seeds(12)) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Random r{seed * 2654435761u + 7};
    CompareOffice(RandomOffice(r));
  }
  RemoveOffice();
}

// ---- fonts ----
using bench::FontsDir;
using bench::WinIni;

// The FONTS directory's file names, and WIN.INI's [Fonts] and [FontSubstitutes].
State FontsState() {
  State state;
  Files(FontsDir(), state);
  for (auto& item : state) item.second.clear();
  for (const char* section : {"Fonts", "FontSubstitutes"}) {
    std::vector<char> text(1 << 16);
    GetPrivateProfileSectionA(section, text.data(), (DWORD)text.size(), WinIni().c_str());
    for (const char* p = text.data(); *p; p += std::strlen(p) + 1) {
      const std::string entry = p;
      state[section + ("|" + Item(entry.substr(0, entry.find('='))))] =
          entry.substr(entry.find('=') + 1);
    }
  }
  return state;
}

// `state` changed as the entries qndcheck fonts lists say; gives the result it foresees.
int ApplyEntries(const Results& results, State& state) {
  int result = -1;
  const std::string kSub = "FontSubstitutes \"";
  for (const bench::SarifResult& r : results) {
    const std::string& line = r.text;
    if (line.find("Internal007 gives 1") != std::string::npos) result = 1;
    if (line.find("stops here and gives 0") != std::string::npos) result = 0;
    const size_t built = line.find(": builds "), fonts = line.find("; WIN.INI [Fonts] \"");
    const size_t into = line.rfind("\" into WIN.INI");
    if (built != std::string::npos) {
      state[Item(bench::ReadBack(line.substr(built + 9, line.find(" for ") - built - 9)))];
    }
    if (fonts != std::string::npos) {
      const size_t eq = line.find("\" = \"", fonts);
      state["Fonts|" + Item(bench::ReadBack(line.substr(fonts + 19, eq - fonts - 19)))] =
          bench::ReadBack(line.substr(eq + 5, line.size() - eq - 6));
    } else if (line.compare(0, kSub.size(), kSub) == 0 && into != std::string::npos) {
      const size_t eq = line.find("\" = \"");
      state["FontSubstitutes|" +
            Item(bench::ReadBack(line.substr(kSub.size(), eq - kSub.size())))] =
          bench::ReadBack(line.substr(eq + 5, into - eq - 5));
    }
  }
  return result;
}

// A font list and the WIN.INI entry there before it.
struct FontsCase {
  std::string list;   // {R}, {T}, {O}: a raster font, a TrueType font, and another program's
                      // TrueType font with its .FOT built and loaded, under fresh names; {N}: a
                      // program under a raster font's name
  std::string entry;  // a WIN.INI [Fonts] entry there before, "description=file"; "" none
  bool bare;          // the list given by its bare name: Internal007 reads the Windows directory's,
                      // qndcheck the current directory's copy of it
  int skip_fonts;
  const char* codes;  // findings that must be there
};

// A random font list: entries of the three sections from fonts there and missing, keys with a
// directory part or naming a .FOT, empty and broken descriptions, repeats; WIN.INI's entry
// another font's, the same font's, or none.
FontsCase RandomFonts(Random& r) {
  static const char* const kRaster[] = {
      "{R}.FON=Qnd Raster", "C:\\x\\{R}.FON=Again", "QMISSING.FON=Missing",
      "{R}.FON=",           "{R}.FON=a;b",          "{R}.FON=[x"};
  static const char* const kTrueType[] = {"{T}.TTF=Qnd Other", "{O}.TTF=Qnd Again",
                                          "{O}.FOT=Other",     "QMISSING.TTF=Missing",
                                          "{T}.TTF=Qnd TT",    "sub/{T}.TTF=Qnd Slash"};
  static const char* const kSubstitutes[] = {"Qnd Face=Arial", "Empty=", "Qnd Sub=Times",
                                             "Qnd Face=Courier"};
  static const char* const kEntries[] = {"", "", "Qnd Other=ELSE.TTF", "Qnd Again={O}.TTF",
                                         "Qnd Raster={R}.FON"};
  FontsCase c;
  const struct {
    const char* name;
    const char* const* pool;
    unsigned size;
  } sections[] = {
      {"Fonts", kRaster, 6}, {"TrueTypes", kTrueType, 6}, {"FontSubstitutes", kSubstitutes, 4}};
  for (const auto& section : sections) {
    if (r.Chance(25)) continue;
    c.list += "[" + std::string(section.name) + "]\r\n";
    for (unsigned n = 1 + r.Below(3); n > 0; --n) {
      c.list += std::string(section.pool[r.Below(section.size)]) + "\r\n";
    }
  }
  c.entry = r.Pick(kEntries);
  c.bare = r.Chance(10);
  c.skip_fonts = r.Chance(20);
  c.codes = "";
  return c;
}

// Each row: WIN.INI and the FONTS directory back as they were, all it loaded unloaded.
class CheckFonts : public testing::Test {
 protected:
  CheckFonts() : win_ini_(bench::ReadTextFile(WinIni())), fonts_(FontsState()) {}
  ~CheckFonts() override { Restore(); }
  void Restore() {
    State now;
    Files(FontsDir(), now);
    for (const auto& item : now) {
      for (int i = 0; !fonts_.count(item.first) && i < 8; ++i) {
        if (RemoveFontResourceA(item.first.c_str()) <= 0) break;
      }
      if (!fonts_.count(item.first)) DeleteFileA(item.first.c_str());
    }
    DeleteFileA((bench::WindowsDir() + "\\QNDAREAS.INI").c_str());
    bench::WriteTextFile(WinIni(), win_ini_);
  }
  void Run(const FontsCase& c, int number);
  const std::string win_ini_;
  const State fonts_;
};

// Stages `c` (case number `n`) and compares qndcheck fonts with Internal007; then restores.
void CheckFonts::Run(const FontsCase& c, int number) {
  const std::string fonts = FontsDir() + "\\", fixtures = bench::ProgramDir() + "\\fixtures\\";
  const bench::TempDir dir("areas-fonts");
  const std::string n = std::to_string(GetCurrentProcessId()) + "_" + std::to_string(number);
  std::string list = c.list, entry = c.entry;
  for (const char* name : {"R", "T", "O", "N"}) {
    list = ReplaceAll(list, "{" + std::string(name) + "}", "QA" + (name + n));
    entry = ReplaceAll(entry, "{" + std::string(name) + "}", "QA" + (name + n));
  }
  CopyFileA((fixtures + "SSERIFE.FON").c_str(), (fonts + "QAR" + n + ".FON").c_str(), FALSE);
  CopyFileA((bench::ProgramDir() + "\\qndrun.exe").c_str(), (fonts + "QAN" + n + ".FON").c_str(),
            FALSE);
  for (const char* ttf : {"QAT", "QAO"}) {
    CopyFileA((fixtures + "QEJAVU.TTF").c_str(), (fonts + ttf + n + ".TTF").c_str(), FALSE);
  }
  ASSERT_TRUE(CreateScalableFontResourceA(0, (fonts + "QAO" + n + ".FOT").c_str(),
                                          ("QAO" + n + ".TTF").c_str(), fonts.c_str()));
  AddFontResourceA((fonts + "QAO" + n + ".FOT").c_str());
  if (!entry.empty()) {
    WriteProfileStringA("Fonts", entry.substr(0, entry.find('=')).c_str(),
                        entry.substr(entry.find('=') + 1).c_str());
  }
  const std::string path = c.bare ? bench::WindowsDir() + "\\QNDAREAS.INI" : dir.File("L.INI");
  bench::WriteTextFile(path, list);
  bench::WriteTextFile(dir.File("QNDAREAS.INI"), list);  // qndcheck reads this one
  const std::string given = c.bare ? "QNDAREAS.INI" : path;
  Compare("fonts \"" + given + "\"" + (c.skip_fonts ? " --skip-fonts" : ""), dir, c.codes,
          FontsState, ApplyEntries,
          [&] { return bench::Qnd().Internal007(given.c_str(), c.skip_fonts); });
  Restore();
}

// Font lists whose findings must be there too.
TEST_F(CheckFonts, KnownLists) {
  const std::string padding = bench::NameListPadding(32767, "Pad", "", "=Arial\r\n");
  const FontsCase cases[] = {
      /* 0: a TrueType key that names the other program's .FOT */
      {"[TrueTypes]\r\n{O}.FOT=Other\r\n", "", false, 0, "Q302"},
      /* 1: the bare name of a list */
      {"[FontSubstitutes]\r\nQnd Areas=Arial\r\n", "", true, 0, ""},
      /* 2: another font's [Fonts] entry written over */
      {"[TrueTypes]\r\n{T}.TTF=Qnd Other\r\n", "Qnd Other=ELSE.TTF", false, 0, "Q310"},
      /* 3: the same font again: its entry written anew, its .FOT replaced once built */
      {"[TrueTypes]\r\n{O}.TTF=Qnd Again\r\n", "Qnd Again={O}.TTF", false, 0, "Q306 Q309"},
      /* 4: names beyond the room of the reader's list */
      {"[FontSubstitutes]\r\n" + padding + "Past=Arial\r\n", "", false, 1, "Q311"},
      /* 5: a program under a raster font's name: the platform adds no font from it */
      {"[Fonts]\r\n{N}.FON=Qnd Notepad\r\n", "", false, 0, "Q302"},
      /* 6: a directory part, a file twice, a missing font, an empty value after the stop */
      {"[Fonts]\r\n{R}.FON=Qnd Raster\r\nC:\\x\\{R}.FON=Again\r\n[TrueTypes]\r\n"
       "QMISSING.TTF=Missing\r\n[FontSubstitutes]\r\nQnd Face=Arial\r\nEmpty=\r\n",
       "", false, 0, "Q303 Q304 Q302"},
      /* 7-8: a control character in a description, and in a substitute key (the same rule) */
      {"[TrueTypes]\r\n{T}.TTF=\"\v[Evil]\"\r\n", "", false, 0, "Q302"},
      {"[FontSubstitutes]\r\nQnd\x1a;Evil=Arial\r\n", "", false, 1, "Q302"},
  };
  for (const FontsCase& c : cases) {
    SCOPED_TRACE(bench::RowName(cases, c));
    Run(c, static_cast<int>(&c - cases));
  }
}

TEST_F(CheckFonts, RandomLists) {
  for (const unsigned seed : Seeds(6)) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Random r{seed * 2654435761u + 11};
    Run(RandomFonts(r), static_cast<int>(100 + seed));
  }
}

}  // namespace
