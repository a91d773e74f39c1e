// qndcheck fonts and qndcheck office against the real Internal007 and InstallOfficeSupport: each
// row stages a machine (font files and WIN.INI entries; Office keys, add-in values, start-up
// paths and component files), runs qndcheck from the row's folder, then the export. The result
// qndcheck foresees must be the export's, and the row's; the changes it lists, applied to the
// machine as it was, must give the machine as the export leaves it; the findings the row names
// must be there; and qndcheck must change nothing.
#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "bench.h"

namespace {

using State = std::map<std::string, std::string>;  // what lies on the machine: item -> content
using Lines = std::vector<std::string>;

// A path as the states name it: upper case, no doubled or trailing backslash.
std::string Item(std::string text) {
  if (!text.empty()) CharUpperBuffA(&text[0], (DWORD)text.size());
  for (size_t at; (at = text.find("\\\\")) != std::string::npos;) text.erase(at, 1);
  if (!text.empty() && text.back() == '\\') text.pop_back();
  return text;
}

// `text` with each `token` replaced by `by`.
std::string Fill(std::string text, const std::string& token, const std::string& by) {
  for (size_t at = 0; (at = text.find(token, at)) != std::string::npos; at += by.size()) {
    text.replace(at, token.size(), by);
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
    state[Item(path)] = folder ? "<dir>" : bench::ReadTextFile(path);
    if (folder) Files(path, state);
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

// One row: runs qndcheck with `args` from folder `dir`, then `run_export` there, and compares.
// `apply` changes a state as the listing says and gives the result it foresees. Gives the
// listing.
std::string Compare(const std::string& args, const bench::TempDir& dir, int result,
                    const char* codes, const std::function<State()>& snapshot,
                    const std::function<int(const Lines&, State&)>& apply,
                    const std::function<int()>& run_export) {
  const int failures =
      testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count();
  char saved[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, saved);
  SetCurrentDirectoryA(dir.path().c_str());
  State foreseen = snapshot();
  const bench::TempDir out_dir("areas-out");
  const bench::ProgramRun run = bench::RunWithOutput(
      "\"" + bench::ProgramDir() + "\\qndcheck.exe\" " + args, out_dir.File("qndcheck.out"));
  EXPECT_EQ(foreseen, snapshot()) << "qndcheck changed the machine";
  EXPECT_EQ(result, apply(run.lines, foreseen)) << "the result qndcheck foresees";
  EXPECT_EQ(result, run_export());
  SetCurrentDirectoryA(saved);
  EXPECT_EQ(foreseen, snapshot()) << "what qndcheck says is changed";
  std::string out;
  for (const std::string& line : run.lines) out += line + "\n";
  for (const char* code = codes; *code; code += code[4] ? 5 : 4) {
    EXPECT_NE(std::string::npos, out.find("[" + std::string(code, 4) + "]")) << code;
  }
  if (testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count() >
      failures) {
    ADD_FAILURE() << out;
  }
  return out;
}

// ---- office ----
const HKEY kUser = HKEY_CURRENT_USER;
const char kExcelOptions[] = "Software\\Microsoft\\Excel\\7.0\\Microsoft Excel";
const char kMarker[] = "Software\\Halvecor\\ZARIM 98\\Office95";

std::string SystemLibrary() {
  char dir[MAX_PATH] = {};
  GetSystemDirectoryA(dir, MAX_PATH);
  return std::string(dir) + "\\QND_OF7.DLL";
}

std::string OpenName(int i) { return i ? "OPEN" + std::to_string(i) : "OPEN"; }

void CleanOffice() {
  for (const char* key :
       {"Software\\Microsoft\\Excel", "Software\\Microsoft\\Word", "Software\\Halvecor"}) {
    bench::DeleteTree(kUser, key);
  }
  DeleteFileA(SystemLibrary().c_str());
}

// The files below `dir`, the support library, the add-in values and the marker.
State OfficeState(const std::string& dir) {
  State state;
  Files(dir, state);
  if (bench::FileExists(SystemLibrary())) {
    state[Item(SystemLibrary())] = bench::ReadTextFile(SystemLibrary());
  }
  for (int i = 0; i <= 100; ++i) {
    const bench::RegValue v = bench::ReadValue(kUser, kExcelOptions, OpenName(i).c_str());
    if (v.status == ERROR_SUCCESS) state["VALUE " + OpenName(i)] = v.bytes;
  }
  if (bench::ReadValue(kUser, kMarker, "FirstCall").Text() == "Y") state["MARKER"] = "Y";
  return state;
}

// `state` changed as the step lines of qndcheck office say; gives the result it foresees.
int ApplySteps(const Lines& lines, State& state) {
  int result = -1;
  for (const std::string& line : lines) {
    std::sscanf(line.c_str(), "office: InstallOfficeSupport gives %d", &result);
    if (line.compare(0, 13, "office: step ") != 0) continue;
    const std::string step = line.substr(line.find(": ", 13) + 2);
    const std::string last = step.substr(step.rfind(' ') + 1);
    const size_t into = step.rfind(" into "), to = step.find(" to ");
    if (step.find("writes \"FirstCall\"") == 0) {
      state["MARKER"] = "Y";
    } else if (step.find("writes ") == 0) {
      state["VALUE " + last] = step.substr(7, into - 7) + '\0';
    } else if (step.find(" add-in value ") != std::string::npos) {
      state.erase("VALUE " + last);
    } else if (step.find("deletes ") == 0) {
      state.erase(Item(last));
    } else if (step.find("creates ") == 0) {
      state[Item(step.substr(34, step.find(" (") - 34))] = "<dir>";  // "creates Word's..."
    } else if (step.find("copies ") == 0) {
      state[Item(step.substr(to + 4))] = bench::ReadTextFile(step.substr(7, to - 7));
    } else {
      ADD_FAILURE() << "a step the test does not know: " << step;
    }
  }
  return result;
}

TEST(CheckOffice, AgreesWithInstallOfficeSupport) {
  const std::string src = "src\\ src\\QND_OF7.DOT src\\QND_OF7.XLA ", lib = "src\\QND_OF7.DLL ";
  const std::string all = src + lib, old = all + "Startup\\ Startup\\QND_WW7.DOT";
  const struct Row {
    const char* startup;  // "Startup-Path", "@" the row's folder; null: no Word
    const char* values;   // Excel's add-in values, "n=text;" ("#" empty, "%" too long to read,
                          // "*" every slot); null: no Excel
    std::string files;    // in the row's folder: "name\" a folder, "+name" read-only, "SYS" the
                          // support library in the system directory
    const char* window;   // the class of an open window, or null
    const char* source;   // as given, "@" the row's folder
    int result;
    const char* codes;  // findings that must be there
  } rows[] = {
      /* 0: the older parts go, one of them outside the source directory */
      {"@\\Startup", "0=SOLVER.XLA;1=\"C:\\Old\\QND_XL7.XLA\";", old, nullptr, "@\\src", 1, "Q415"},
      /* 1: installed from another folder: installed anew */
      {"@\\Startup\\", "0=\"D:\\Other\\QND_OF7.XLA\";", all + "Startup\\ Startup\\QND_OF7.DOT SYS",
       nullptr, "@\\src", 1, "Q415"},
      /* 2: no support library to copy; empty, too long and our own values */
      {"@\\Startup", "0=A.XLA;1=C:\\old\\QND_XL7.XLA;2=#;3=%;4=\"@\\src\\QND_OF7.XLA\";",
       src + "Startup\\ Startup\\QND_WW7.DOT", nullptr, "@\\src", 0, "Q406 Q412"},
      /* 3-6: "Startup-Path" a file, ending in a dot or a blank, relative */
      {"@\\Startup", "", all + "Startup", nullptr, "@\\src", 0, "Q410"},
      {"@\\Startup.", "", all + "Startup\\", nullptr, "@\\src", 0, "Q408"},
      {"@\\Startup\\ ", "", all + "Startup\\", nullptr, "@\\src", 0, "Q408"},
      {"Startup", "", all + "Startup\\", nullptr, "@\\src", 0, "Q408"},
      /* 7-8: the start-up directory made by its last level only */
      {"@\\Startup", nullptr, all, nullptr, "@\\src", 1, ""},
      {"@\\Missing\\Startup", nullptr, all, nullptr, "@\\src", 0, "Q410"},
      /* 9: a relative source directory, made absolute */
      {"@\\Startup", "", all + "Startup\\", nullptr, "src", 1, ""},
      /* 10-12: an Excel window after phase 1; a read-only older template; no free slot */
      {"@\\Startup", "", old, "XLMAIN", "@\\src", 0, "Q402"},
      {"@\\Startup", "", all + "Startup\\ +Startup\\QND_WW7.DOT", nullptr, "@\\src", 0, "Q404"},
      {nullptr, "*", all, nullptr, "@\\src", 0, "Q407"},
      /* 13: neither application */
      {nullptr, nullptr, all, nullptr, "@\\src", 1, ""},
  };
  int i = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(i++));
    CleanOffice();
    const bench::TempDir temp("areas-office");
    const std::string dir = temp.path();
    for (size_t at = 0, end; at < r.files.size(); at = end + 1) {
      end = std::min(r.files.find(' ', at), r.files.size());
      const std::string name = r.files.substr(at, end - at), path = temp.File(name.c_str());
      if (name.back() == '\\') CreateDirectoryA(path.c_str(), nullptr);
      if (name.back() != '\\') {
        bench::WriteTextFile(name == "SYS" ? SystemLibrary() : Fill(path, "+", ""), name);
      }
      if (name[0] == '+') SetFileAttributesA(Fill(path, "+", "").c_str(), FILE_ATTRIBUTE_READONLY);
    }
    if (r.startup) {
      bench::WriteString(kUser, "Software\\Microsoft\\Word\\7.0\\Options", "Startup-Path",
                         Fill(r.startup, "@", dir));
    }
    const std::string values = Fill(r.values ? r.values : "", "*", "0=*;");
    if (r.values) bench::WriteString(kUser, kExcelOptions, "Other", "x");
    for (size_t at = 0, end; (end = values.find(';', at)) != std::string::npos; at = end + 1) {
      const std::string entry = values.substr(at, end - at);
      std::string text = Fill(entry.substr(entry.find('=') + 1), "@", dir);
      const int slot = std::stoi(entry);
      text = text == "%" ? std::string(1100, 'x') : text;
      for (int n = slot; n <= (text == "*" ? 100 : slot); ++n) {
        HKEY key;
        RegCreateKeyA(kUser, kExcelOptions, &key);
        RegSetValueExA(key, OpenName(n).c_str(), 0, REG_SZ, (const BYTE*)text.c_str(),
                       text == "#" ? 0 : (DWORD)text.size() + 1);
        RegCloseKey(key);
      }
    }
    std::unique_ptr<bench::StandInWindows> window(r.window ? new bench::StandInWindows({r.window})
                                                           : nullptr);
    const std::string source = Fill(r.source, "@", dir);
    const std::string out = Compare(
        "office --source \"" + source + "\"", temp, r.result, r.codes,
        [&] { return OfficeState(dir); }, ApplySteps,
        [&] { return bench::Qnd().InstallOfficeSupport(source.c_str()); });
    EXPECT_NE(std::string::npos, out.find("office: source directory: " + dir + "\\src\n"));
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
      state[section + ("|" + Item(entry.substr(0, entry.find('='))))] =
          entry.substr(entry.find('=') + 1);
    }
  }
  return state;
}

// `state` changed as the listing of qndcheck fonts says; gives the result it foresees.
int ApplyEntries(const Lines& lines, State& state) {
  int result = -1;
  for (const std::string& line : lines) {
    if (line.find("Internal007 gives 1") != std::string::npos) result = 1;
    if (line.find("stops here and gives 0") != std::string::npos) result = 0;
    const size_t built = line.find(": builds "), fonts = line.find("; WIN.INI [Fonts] \"");
    const size_t sub = line.find(": FontSubstitutes \""), into = line.rfind("\" into WIN.INI");
    if (built != std::string::npos) {
      state[Item(line.substr(built + 9, line.find(" for ") - built - 9))];
    }
    if (fonts != std::string::npos) {
      const size_t eq = line.find("\" = \"", fonts);
      state["Fonts|" + Item(line.substr(fonts + 19, eq - fonts - 19))] =
          line.substr(eq + 5, line.size() - eq - 6);
    } else if (sub != std::string::npos && into != std::string::npos) {
      const size_t eq = line.find("\" = \"", sub);
      state["FontSubstitutes|" + Item(line.substr(sub + 19, eq - sub - 19))] =
          line.substr(eq + 5, into - eq - 5);
    }
  }
  return result;
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
  const std::string win_ini_;
  const State fonts_;
};

TEST_F(CheckFonts, AgreesWithInternal007) {
  const std::string padding = bench::NameListPadding(32767, "Pad", "", "=Arial\r\n");
  const struct Row {
    std::string list;   // {R}, {T}, {O}: a raster font, a TrueType font, and another program's
                        // TrueType font with its .FOT built and loaded, under fresh names
    const char* entry;  // a WIN.INI [Fonts] entry there before, "description=file"; "" none
    bool bare;  // the list given by its bare name: the Windows directory's, while the current
                // directory holds another of that name
    int skip_fonts, result;
    const char* codes;
  } rows[] = {
      /* 0: a TrueType key that names the other program's .FOT */
      {"[TrueTypes]\r\n{O}.FOT=Other\r\n", "", false, 0, 0, "Q302"},
      /* 1: the bare name of a list */
      {"[FontSubstitutes]\r\nQnd Areas=Arial\r\n", "", true, 0, 1, ""},
      /* 2: another font's [Fonts] entry written over */
      {"[TrueTypes]\r\n{T}.TTF=Qnd Other\r\n", "Qnd Other=ELSE.TTF", false, 0, 1, "Q310"},
      /* 3: the same font again: its entry written anew, its .FOT replaced once built */
      {"[TrueTypes]\r\n{O}.TTF=Qnd Again\r\n", "Qnd Again={O}.TTF", false, 0, 1, "Q306 Q309"},
      /* 4: names beyond the room of the reader's list */
      {"[FontSubstitutes]\r\n" + padding + "Past=Arial\r\n", "", false, 1, 1, "Q311"},
      /* 5: a directory part, a file twice, a missing font, an empty value after the stop */
      {"[Fonts]\r\n{R}.FON=Qnd Raster\r\nC:\\x\\{R}.FON=Again\r\n[TrueTypes]\r\n"
       "QMISSING.TTF=Missing\r\n[FontSubstitutes]\r\nQnd Face=Arial\r\nEmpty=\r\n",
       "", false, 0, 0, "Q303 Q304 Q302"},
      /* 6: a control character in a description, and in a substitute key (the same rule) */
      {"[TrueTypes]\r\n{T}.TTF=\"\v[Evil]\"\r\n", "", false, 0, 0, "Q302"},
      {"[FontSubstitutes]\r\nQnd\x1a;Evil=Arial\r\n", "", false, 1, 0, "Q302"},
  };
  const std::string fonts = FontsDir() + "\\", fixtures = bench::ProgramDir() + "\\fixtures\\";
  int i = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(i++));
    const bench::TempDir dir("areas-fonts");
    const std::string n = std::to_string(GetCurrentProcessId()) + "_" + std::to_string(i);
    std::string list = r.list, entry = r.entry;
    for (const char* name : {"R", "T", "O"}) {
      list = Fill(list, "{" + std::string(name) + "}", "QA" + (name + n));
      entry = Fill(entry, "{" + std::string(name) + "}", "QA" + (name + n));
    }
    CopyFileA((fixtures + "SSERIFE.FON").c_str(), (fonts + "QAR" + n + ".FON").c_str(), FALSE);
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
    const std::string path = r.bare ? bench::WindowsDir() + "\\QNDAREAS.INI" : dir.File("L.INI");
    bench::WriteTextFile(path, list);
    bench::WriteTextFile(dir.File("QNDAREAS.INI"), "[Fonts]\r\nQMISSING.FON=Decoy\r\n");
    const std::string given = r.bare ? "QNDAREAS.INI" : path;
    Compare("fonts \"" + given + "\"" + (r.skip_fonts ? " --skip-fonts" : ""), dir, r.result,
            r.codes, FontsState, ApplyEntries,
            [&] { return bench::Qnd().Internal007(given.c_str(), r.skip_fonts); });
    Restore();
  }
}

}  // namespace
