// qndcheck fonts and qndcheck office against the real Internal007 and InstallOfficeSupport: each
// row stages a machine (font files and WIN.INI entries; Office keys, add-in values, start-up
// paths and component files), runs qndcheck, then the export. The result qndcheck foresees must
// be the export's, the changes it lists applied to the machine as it was must give the machine
// as the export leaves it, the findings the row names must be there, and qndcheck must change
// nothing. Each row also names the export's result, so that a fault of both shows.
#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "bench.h"

namespace {

using State = std::map<std::string, std::string>;  // what lies on the machine: item -> content

std::string Upper(std::string text) {
  if (!text.empty()) CharUpperBuffA(&text[0], (DWORD)text.size());
  for (size_t at; (at = text.find("\\\\")) != std::string::npos;) text.erase(at, 1);
  if (!text.empty() && text.back() == '\\') text.pop_back();
  return text;
}

// `text` with "@" replaced by `dir`.
std::string Fill(std::string text, const std::string& dir) {
  for (size_t at = 0; (at = text.find('@', at)) != std::string::npos; at += dir.size()) {
    text.replace(at, 1, dir);
  }
  return text;
}

// Every file (with its bytes) and folder below `dir`, into `state`.
void Files(const std::string& dir, State& state) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = found.cFileName, path = dir + "\\" + name;
    if (name == "." || name == "..") continue;
    const bool folder = found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
    state[Upper(path)] = folder ? "<dir>" : bench::ReadTextFile(path);
    if (folder) Files(path, state);
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

// Runs qndcheck with `args`, checking that it changes nothing of `snapshot()`.
template <typename Snapshot>
std::vector<std::string> RunCheck(const std::string& args, const bench::TempDir& out,
                                  Snapshot snapshot) {
  const State before = snapshot();
  const bench::ProgramRun run = bench::RunWithOutput(
      "\"" + bench::ProgramDir() + "\\qndcheck.exe\" " + args, out.File("qndcheck.out"));
  EXPECT_NE(259u, run.status) << "qndcheck did not finish";
  EXPECT_EQ(before, snapshot()) << "qndcheck changed the machine";
  return run.lines;
}

// How many failures the current test has had so far.
int FailedParts() {
  return testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count();
}

// Each code of `codes` ("Q406 Q412") is in the output.
void ExpectCodes(const std::vector<std::string>& lines, const std::string& codes) {
  for (size_t at = 0; at + 4 <= codes.size(); at += 5) {
    const std::string code = "[" + codes.substr(at, 4) + "]";
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& l) {
      return l.find(code) != std::string::npos;
    })) << code;
  }
}

std::string Dump(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines) out += l + "\n";
  return out;
}

// The text between `begin` and `end` in `line`, after `from`.
std::string Between(const std::string& line, const std::string& begin, const std::string& end,
                    size_t* from) {
  const size_t a = line.find(begin, *from) + begin.size(), b = line.find(end, a);
  *from = b + end.size();
  return line.substr(a, b - a);
}

// ---- office ----
const HKEY kUser = HKEY_CURRENT_USER;
const char kExcelOptions[] = "Software\\Microsoft\\Excel\\7.0\\Microsoft Excel";
const char kWordOptions[] = "Software\\Microsoft\\Word\\7.0\\Options";
const char kMarker[] = "Software\\Halvecor\\ZARIM 98\\Office95";

std::string SystemLibrary() {
  char dir[MAX_PATH] = {};
  GetSystemDirectoryA(dir, MAX_PATH);
  return std::string(dir) + "\\QND_OF7.DLL";
}

std::string OpenName(int i) { return i ? "OPEN" + std::to_string(i) : "OPEN"; }

void CleanOffice() {
  for (const char* key : {"Software\\Microsoft\\Excel", "Software\\Microsoft\\Word",
                          "Software\\Halvecor"}) {
    bench::DeleteTree(kUser, key);
  }
  SetFileAttributesA(SystemLibrary().c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(SystemLibrary().c_str());
}

// The files below `dir`, the support library, the add-in values and the marker.
State OfficeState(const std::string& dir) {
  State state;
  Files(dir, state);
  if (bench::FileExists(SystemLibrary())) {
    state[Upper(SystemLibrary())] = bench::ReadTextFile(SystemLibrary());
  }
  for (int i = 0; i <= 100; ++i) {
    const bench::RegValue v = bench::ReadValue(kUser, kExcelOptions, OpenName(i).c_str());
    if (v.status == ERROR_SUCCESS) state["VALUE " + OpenName(i)] = v.bytes;
  }
  if (bench::ReadValue(kUser, kMarker, "FirstCall").Text() == "Y") state["MARKER"] = "Y";
  return state;
}

// `state` changed as the step lines of qndcheck office say; gives the result it foresees.
int ApplySteps(const std::vector<std::string>& lines, State& state) {
  int result = -1;
  for (const std::string& line : lines) {
    std::sscanf(line.c_str(), "office: InstallOfficeSupport gives %d", &result);
    if (line.compare(0, 13, "office: step ") != 0) continue;
    const std::string step = line.substr(line.find(": ", 13) + 2);
    const std::string last = step.substr(step.rfind(' ') + 1);
    size_t at = 0;
    if (step.find("writes \"FirstCall\"") == 0) {
      state["MARKER"] = "Y";
    } else if (step.find("writes ") == 0) {
      state["VALUE " + last] = step.substr(7, step.rfind(" into ") - 7) + '\0';
    } else if (step.find(" add-in value ") != std::string::npos) {
      state.erase("VALUE " + last);
    } else if (step.find("deletes ") == 0) {
      state.erase(Upper(step.substr(step.find(" template ") + 10)));
    } else if (step.find("creates ") == 0) {
      state[Upper(Between(step, "directory ", " (", &at))] = "<dir>";
    } else if (step.find("copies ") == 0) {
      const size_t to = step.find(" to ");
      state[Upper(step.substr(to + 4))] = bench::ReadTextFile(step.substr(7, to - 7));
    } else {
      ADD_FAILURE() << "a step the test does not know: " << step;
    }
  }
  return result;
}

TEST(CheckOffice, AgreesWithInstallOfficeSupport) {
  enum Prep {
    kNone = 0, kStartup = 1, kOldTemplate = 2, kStartupIsFile = 4, kNoLibrary = 8,
    kInstalled = 16, kReadOnlyOld = 32, kExcelOpen = 64, kAllTaken = 128,
  };
  const struct Row {
    const char* startup;  // "Startup-Path", "@" the row's folder; null: no Word
    const char* values;   // Excel's add-in values, "n=text;"; null: no Excel
    int prep;
    const char* source;  // as given, "@" the row's folder; relative from the row's folder
    int result;
    const char* codes;  // findings that must be there
  } rows[] = {
      /* 0: the older parts go, a foreign value among them; the component files in place */
      {"@\\Startup", "0=SOLVER.XLA;1=\"C:\\Old\\QND_XL7.XLA\";", kStartup | kOldTemplate,
       "@\\src", 1, "Q415"},
      /* 1: installed, from another folder: written anew */
      {"@\\Startup\\", "0=\"D:\\Other\\QND_OF7.XLA\";", kStartup | kInstalled, "@\\src", 1,
       "Q415"},
      /* 2: no support library to copy; empty, too long and unlisted values of our own */
      {"@\\Startup", "0=A.XLA;1=C:\\old\\QND_XL7.XLA;2=#;3=%;4=\"@\\src\\QND_OF7.XLA\";",
       kStartup | kOldTemplate | kNoLibrary, "@\\src", 0, "Q406 Q412"},
      /* 3-6: "Startup-Path" a file, ending in a dot or a blank, relative */
      {"@\\Startup", "", kStartupIsFile, "@\\src", 0, "Q410"},
      {"@\\Startup.", "", kStartup, "@\\src", 0, "Q408"},
      {"@\\Startup\\ ", "", kStartup, "@\\src", 0, "Q408"},
      {"Startup", "", kStartup, "@\\src", 0, "Q408"},
      /* 7-8: the start-up directory made by its last level only */
      {"@\\Startup", nullptr, kNone, "@\\src", 1, ""},
      {"@\\Missing\\Startup", nullptr, kNone, "@\\src", 0, "Q410"},
      /* 9: a relative source directory, made absolute */
      {"@\\Startup", "", kStartup, "src", 1, ""},
      /* 10-12: an Excel window after phase 1; a read-only older template; no free slot */
      {"@\\Startup", "", kStartup | kOldTemplate | kExcelOpen, "@\\src", 0, "Q402"},
      {"@\\Startup", "", kStartup | kOldTemplate | kReadOnlyOld, "@\\src", 0, "Q404"},
      {nullptr, "", kAllTaken, "@\\src", 0, "Q407"},
      /* 13: neither application */
      {nullptr, nullptr, kNone, "@\\src", 1, ""},
  };
  bench::TempDir out("areas-out");
  char saved[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, saved);
  int i = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(i++));
    const int failed = FailedParts();
    CleanOffice();
    const bench::TempDir temp("areas-office");
    const std::string dir = temp.path(), src = dir + "\\src";
    CreateDirectoryA(src.c_str(), nullptr);
    for (const char* file : {"QND_OF7.DOT", "QND_OF7.XLA", "QND_OF7.DLL"}) {
      if (std::string(file) != "QND_OF7.DLL" || !(r.prep & kNoLibrary)) {
        bench::WriteTextFile(src + "\\" + file, file);
      }
    }
    if (r.prep & (kStartup | kStartupIsFile)) {
      bench::WriteTextFile(dir + "\\Startup", "a file");
      if (r.prep & kStartup) DeleteFileA((dir + "\\Startup").c_str());
      if (r.prep & kStartup) CreateDirectoryA((dir + "\\Startup").c_str(), nullptr);
    }
    if (r.prep & kOldTemplate) bench::WriteTextFile(dir + "\\Startup\\QND_WW7.DOT", "old");
    if (r.prep & kReadOnlyOld) {
      SetFileAttributesA((dir + "\\Startup\\QND_WW7.DOT").c_str(), FILE_ATTRIBUTE_READONLY);
    }
    if (r.prep & kInstalled) {
      bench::WriteTextFile(dir + "\\Startup\\QND_OF7.DOT", "installed");
      bench::WriteTextFile(SystemLibrary(), "installed");
    }
    if (r.startup) bench::WriteString(kUser, kWordOptions, "Startup-Path", Fill(r.startup, dir));
    std::string values = r.values ? Fill(r.values, dir) : "";
    if (r.prep & kAllTaken) {
      for (int n = 0; n <= 100; ++n) values += std::to_string(n) + "=X;";
    }
    if (r.values) bench::WriteString(kUser, kExcelOptions, "Keep", "x");
    for (size_t at = 0, end; (end = values.find(';', at)) != std::string::npos; at = end + 1) {
      const std::string value = values.substr(at, end - at);
      const std::string name = OpenName(std::stoi(value)), text = value.substr(value.find('=') + 1);
      const std::string data = text == "#" ? "" : text == "%" ? std::string(1100, 'x') : text;
      HKEY key;
      RegCreateKeyA(kUser, kExcelOptions, &key);
      RegSetValueExA(key, name.c_str(), 0, REG_SZ, (const BYTE*)data.c_str(),
                     text == "#" ? 0 : (DWORD)data.size() + 1);
      RegCloseKey(key);
    }
    std::unique_ptr<bench::StandInWindows> excel(
        r.prep & kExcelOpen ? new bench::StandInWindows({"XLMAIN"}) : nullptr);
    SetCurrentDirectoryA(dir.c_str());
    const std::string source = Fill(r.source, dir);
    const std::vector<std::string> lines = RunCheck(
        "office --source \"" + source + "\"", out, [&] { return OfficeState(dir); });
    State foreseen = OfficeState(dir);
    const int result = ApplySteps(lines, foreseen);
    EXPECT_EQ(r.result, bench::Qnd().InstallOfficeSupport(source.c_str()));
    SetCurrentDirectoryA(saved);
    EXPECT_EQ(r.result, result) << "the result qndcheck foresees";
    EXPECT_EQ(foreseen, OfficeState(dir)) << "what qndcheck says is changed";
    EXPECT_EQ(1, std::count(lines.begin(), lines.end(), "office: source directory: " + src));
    ExpectCodes(lines, r.codes);
    if (FailedParts() > failed) ADD_FAILURE() << Dump(lines);
    SetFileAttributesA((dir + "\\Startup\\QND_WW7.DOT").c_str(), FILE_ATTRIBUTE_NORMAL);
  }
  CleanOffice();
}

// ---- fonts ----
std::string FontsDir() { return bench::WindowsDir() + "\\FONTS"; }
std::string WinIni() { return bench::WindowsDir() + "\\win.ini"; }

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
      const size_t eq = entry.find('=');
      state[section + ("|" + Upper(entry.substr(0, eq)))] = entry.substr(eq + 1);
    }
  }
  return state;
}

// `state` changed as the listing of qndcheck fonts says; gives the result it foresees.
int ApplyEntries(const std::vector<std::string>& lines, State& state) {
  int result = -1;
  for (const std::string& line : lines) {
    size_t at = 0;
    if (line.find("Internal007 gives 1") != std::string::npos) result = 1;
    if (line.find("stops here and gives 0") != std::string::npos) result = 0;
    if (line.find("; WIN.INI [Fonts] \"") != std::string::npos) {
      if (line.find(": builds ") != std::string::npos) {
        const std::string built = Between(line, ": builds ", " for ", &at);
        state[Upper(built)] = "";
      }
      const std::string description = Between(line, "WIN.INI [Fonts] \"", "\" = \"", &at);
      state["Fonts|" + Upper(description)] = line.substr(at, line.rfind('"') - at);
    } else if (line.find("\" into WIN.INI") != std::string::npos) {
      const std::string key = Between(line, "FontSubstitutes \"", "\" = \"", &at);
      state["FontSubstitutes|" + Upper(key)] = Between(line, "", "\" into WIN.INI", &at);
    }
  }
  return result;
}

// Saves WIN.INI and the FONTS directory; each row gets them back, with everything it put there
// unloaded and deleted.
class CheckFonts : public testing::Test {
 protected:
  CheckFonts() : win_ini_(bench::ReadTextFile(WinIni())), fonts_(FontsState()) {}
  ~CheckFonts() override { Restore(); }
  void Restore() {
    State now;
    Files(FontsDir(), now);
    for (const auto& item : now) {
      if (fonts_.count(item.first)) continue;
      for (int i = 0; i < 8 && RemoveFontResourceA(item.first.c_str()) > 0; ++i) {
      }
      DeleteFileA(item.first.c_str());
    }
    DeleteFileA((bench::WindowsDir() + "\\QNDAREAS.INI").c_str());
    bench::WriteTextFile(WinIni(), win_ini_);
  }
  const std::string win_ini_;
  const State fonts_;
};

TEST_F(CheckFonts, AgreesWithInternal007) {
  const std::string padding = bench::NameListPadding(32767, "Pad", "", "=Arial\r\n");
  const struct Row {
    std::string list;  // {R}, {T}, {O}: a raster font, a TrueType font, another program's
                       // TrueType font with its .FOT built and loaded, each under a fresh name
    const char* fonts_entries;  // WIN.INI [Fonts] entries before, "description=file;"
    bool bare;                  // the list given by its bare name: the one in the Windows
                                // directory, with another of that name in the current one
    int skip_fonts, result;
    const char* codes;
  } rows[] = {
      /* 0: a TrueType key that names the other program's .FOT */
      {"[TrueTypes]\r\n{O}.FOT=Other\r\n", "", false, 0, 0, "Q302"},
      /* 1: the bare name of a list */
      {"[FontSubstitutes]\r\nQnd Areas=Arial\r\n", "", true, 0, 1, ""},
      /* 2: another font's [Fonts] entry written over */
      {"[TrueTypes]\r\n{T}.TTF=Qnd Other\r\n", "Qnd Other=ELSE.TTF;", false, 0, 1, "Q310"},
      /* 3: the same font again: its entry written anew, its .FOT replaced once built */
      {"[TrueTypes]\r\n{O}.TTF=Qnd Again\r\n", "Qnd Again={O}.TTF;", false, 0, 1,
       "Q306 Q309"},
      /* 4: names beyond the room of the reader's list */
      {"[FontSubstitutes]\r\n" + padding + "Past=Arial\r\n", "", false, 1, 1, "Q311"},
      /* 5: a directory part, a file twice, a missing font, an empty value after the stop */
      {"[Fonts]\r\n{R}.FON=Qnd Raster\r\nC:\\x\\{R}.FON=Again\r\n[TrueTypes]\r\n"
       "QMISSING.TTF=Missing\r\n[FontSubstitutes]\r\nQnd Face=Arial\r\nEmpty=\r\n",
       "", false, 0, 0, "Q303 Q304 Q302"},
  };
  const bench::TempDir dir("areas-fonts");
  char saved[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, saved);
  int i = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(i++));
    const int failed = FailedParts();
    static int fresh = 0;
    const std::string n = std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++fresh);
    const std::map<std::string, std::string> names = {
        {"{R}", "QA" + n}, {"{T}", "QB" + n}, {"{O}", "QC" + n}};
    std::string list = r.list, entries = r.fonts_entries;
    for (std::string* text : {&list, &entries}) {
      for (const auto& name : names) {
        for (size_t at; (at = text->find(name.first)) != std::string::npos;) {
          text->replace(at, 3, name.second);
        }
      }
    }
    const std::string fonts = FontsDir() + "\\", other = names.at("{O}");
    CopyFileA((bench::ProgramDir() + "\\fixtures\\SSERIFE.FON").c_str(),
              (fonts + names.at("{R}") + ".FON").c_str(), FALSE);
    for (const std::string& ttf : {names.at("{T}"), other}) {
      CopyFileA((bench::ProgramDir() + "\\fixtures\\QEJAVU.TTF").c_str(),
                (fonts + ttf + ".TTF").c_str(), FALSE);
    }
    ASSERT_TRUE(CreateScalableFontResourceA(0, (fonts + other + ".FOT").c_str(),
                                            (other + ".TTF").c_str(), fonts.c_str()));
    AddFontResourceA((fonts + other + ".FOT").c_str());
    for (size_t at = 0, end; (end = entries.find(';', at)) != std::string::npos; at = end + 1) {
      const std::string entry = entries.substr(at, end - at);
      WriteProfileStringA("Fonts", entry.substr(0, entry.find('=')).c_str(),
                          entry.substr(entry.find('=') + 1).c_str());
    }
    const std::string path = r.bare ? bench::WindowsDir() + "\\QNDAREAS.INI" : dir.File("L.INI");
    bench::WriteTextFile(path, list);
    bench::WriteTextFile(dir.File("QNDAREAS.INI"), "[Fonts]\r\nQMISSING.FON=Decoy\r\n");
    const std::string given = r.bare ? "QNDAREAS.INI" : path;
    SetCurrentDirectoryA(dir.path().c_str());
    const std::vector<std::string> lines =
        RunCheck("fonts \"" + given + "\"" + (r.skip_fonts ? " --skip-fonts" : ""), dir,
                 FontsState);
    State foreseen = FontsState();
    const int result = ApplyEntries(lines, foreseen);
    EXPECT_EQ(r.result, bench::Qnd().Internal007(given.c_str(), r.skip_fonts));
    SetCurrentDirectoryA(saved);
    EXPECT_EQ(r.result, result) << "the result qndcheck foresees";
    EXPECT_EQ(foreseen, FontsState()) << "what qndcheck says is changed";
    ExpectCodes(lines, r.codes);
    if (FailedParts() > failed) ADD_FAILURE() << Dump(lines);
    Restore();
  }
}

}  // namespace
