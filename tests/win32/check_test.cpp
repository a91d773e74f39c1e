// qndcheck, the checker for setup authors: the traps its lint finds, its listings with staged
// Office keys and files and with a font list over the real FONTS directory, its command line,
// and that it changed nothing. check_diff_test.cpp holds its differential test against DoReg
// and UndoReg.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "bench.h"

namespace {

const HKEY kUser = HKEY_CURRENT_USER;

struct CheckRun {
  DWORD status = 259;
  std::vector<std::string> lines;
  // How many findings of `severity` hold `words`.
  long Findings(const std::string& severity, const std::string& words) const {
    return std::count_if(lines.begin(), lines.end(), [&](const std::string& l) {
      const size_t at = l.find(": " + severity + ": ");
      return at != l.npos && l.find(words, at) != l.npos;
    });
  }
  // How many lines begin with `begin` and hold `words` after it.
  long Count(const std::string& begin, const std::string& words = "") const {
    return std::count_if(lines.begin(), lines.end(), [&](const std::string& l) {
      return l.compare(0, begin.size(), begin) == 0 && l.find(words, begin.size()) != l.npos;
    });
  }
};

// Runs qndcheck.exe (beside this program) with `args`, its output into a file of `dir`; the
// wait is bounded.
CheckRun RunCheck(const std::string& args, const bench::TempDir& dir) {
  const bench::ProgramRun run = bench::RunWithOutput(
      "\"" + bench::ProgramDir() + "\\qndcheck.exe\" " + args, dir.File("qndcheck.out"));
  CheckRun out;
  out.status = run.status;
  out.lines = run.lines;
  return out;
}

// The names, sizes and times of everything in folder `dir` and below it.
std::string Listing(const std::string& dir) {
  std::string out;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return out;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    out += name + " " + std::to_string(found.nFileSizeLow) + " " +
           std::to_string(found.ftLastWriteTime.dwLowDateTime) + "\n";
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) out += Listing(dir + "\\" + name);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return out;
}

class Check : public testing::Test {
 protected:
  Check() : key_("Check"), dir_("check"), out_("check-out") {}

  bench::TestKey key_;
  bench::TempDir dir_;
  bench::TempDir out_;  // qndcheck's output
};

// Each trap is found once, on its line; a clean script gives no finding and exit status 0.
TEST_F(Check, LintFindsEachTrapOnItsLine) {
  const std::string long_data(470, 'x');
  struct Row {
    std::string body;
    int line;
    const char* severity;
    const char* words;
  } rows[] = {
      {"[@KEY@\\L]\r\nA=DWORD:1\r\n", 2, "warning", "lower-case letters only"},
      {"[@KEY@\\L]\r\nA=see dword:1\r\n", 2, "warning", "inside the text makes it a number"},
      {"[@KEY@\\L]\r\nA=dword:1 ; one\r\n", 2, "warning", "not followed by a hexadecimal"},
      {"[@KEY@\\L]\r\n@=dword:1\r\n", 2, "warning", "always a string"},
      {";\r\n[HKCU\\Software\\X]\r\nA=1\r\n", 2, "warning", "looks like a key"},
      {"[@KEY@\\L]\r\nA=1\r\n;\r\nB=2\r\na=3\r\n", 5, "warning", "repeats the one on line 2"},
      {"[@KEY@\\L]\r\nA=1\r\n[@KEY@\\L]\r\nB=1\r\n", 3, "warning", "repeats the one on line 1"},
      {"[@KEY@\\L]\r\nA=1\r\nB=$Q\r\n", 3, "error", "\"Q\" is no folder code"},
      {"[@KEY@\\L\\$4]\r\nA=1\r\n", 2, "error", "RegisterQuindo and UnregisterQuindo give none"},
      {"[UNINSTALL]\r\n@KEY@\\L=\r\nSoftware\\X=\r\n", 3, "error", "begins with no root name"},
      {"[@KEY@\\L]\r\nA=" + long_data + "\r\n", 2, "warning", "470 of the 511"},
      {"[HKEY_CURRENT_USER\\\\Software\\QndTest\\Check]\r\nA=1\r\n", 2, "error",
       "begins with a backslash"},
  };
  int i = 0;
  for (const Row& row : rows) {
    const std::string script = bench::WriteScript(dir_, key_, row.body, "lint.srg");
    const CheckRun run = RunCheck("script \"" + script + "\"", out_);
    EXPECT_EQ(1, run.Findings(row.severity, row.words)) << "row " << i;
    EXPECT_EQ(1, run.Count(script + ":" + std::to_string(row.line) + ": " + row.severity + ": ",
                           row.words))
        << "row " << i;
    ++i;
  }
  bench::WriteString(kUser, key_.path(), "keep", "pre");  // the key is there before
  const std::string clean = bench::WriteScript(
      dir_, key_, "[@KEY@\\Clean]\r\nA=1\r\n[UNINSTALL]\r\n@KEY@\\Clean=\r\n", "clean.srg");
  const CheckRun run = RunCheck("script \"" + clean + "\"", out_);
  EXPECT_EQ(0u, run.status);
  EXPECT_EQ("== 0 errors, 0 warnings", run.lines.back());
}

// Staged Office 7.0 keys and files: what InstallOfficeSupport would find and do, and nothing
// changed (Word's missing start-up directory is not created).
TEST_F(Check, OfficeReportsWithoutChangingAnything) {
  const char* office[] = {"Software\\Microsoft\\Excel", "Software\\Microsoft\\Word"};
  const std::string source = dir_.path(), quoted = "\"" + source + "\\QND_OF7.XLA\"";
  for (const char* file : {"QND_OF7.DOT", "QND_OF7.XLA"}) {
    bench::WriteTextFile(dir_.File(file), file);
  }
  CreateDirectoryA(dir_.File("Startup").c_str(), nullptr);
  bench::WriteTextFile(dir_.File("Startup\\QND_WW7.DOT"), "old");
  const std::string excel = "Software\\Microsoft\\Excel\\7.0\\Microsoft Excel";
  bench::WriteString(kUser, excel, "OPEN", "C:\\lib\\SOLVER.XLA");
  bench::WriteString(kUser, excel, "OPEN1", "C:\\old\\QND_XL7.XLA");
  bench::WriteString(kUser, excel, "OPEN3", std::string(1100, 'x'));
  bench::WriteString(kUser, excel, "OPEN4", quoted);
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyA(kUser, excel.c_str(), &key));
  RegSetValueExA(key, "OPEN2", 0, REG_SZ, (const BYTE*)"", 0);
  RegCloseKey(key);
  struct Row {
    const char* startup;
    std::vector<std::string> lines;  // each a line of the output
  } rows[] = {
      {"Startup",
       {"office: older Word template " + dir_.File("Startup") +
            "\\QND_WW7.DOT: there, would be deleted",
        "office: older Excel add-in value: OPEN1 names \"QND_XL7\", would be deleted",
        "office:   OPEN2: empty (no data), counts as taken",
        "office:   OPEN3: too long to read (over 1024 bytes), counts as taken",
        "office:   OPEN4: taken: " + quoted + " (this add-in)", "office:   OPEN5 to OPEN100: free",
        "office: warning: OPEN4 names \"QND_OF7.XLA\", but the support library is missing, so the "
        "add-in does not count as installed: a second add-in value would be written",
        "office: the add-in would be written to OPEN1: " + quoted,
        "office: error: " + dir_.File("QND_OF7.DLL") +
            " is missing: copying it fails, and "
            "InstallOfficeSupport with it"}},
      {"NoStartup",
       {"office: Word's start-up directory " + dir_.File("NoStartup") +
        "\\: missing; its last level would be created"}},
  };
  for (const Row& row : rows) {
    bench::WriteString(kUser, "Software\\Microsoft\\Word\\7.0\\Options", "Startup-Path",
                       dir_.File(row.startup));
    const std::string keys = bench::DumpTree(kUser, "Software");
    const std::string files = Listing(dir_.path());
    const CheckRun run = RunCheck("office --source \"" + source + "\"", out_);
    for (const std::string& line : row.lines) EXPECT_EQ(1, run.Count(line)) << line;
    EXPECT_EQ(2u, run.status);
    EXPECT_EQ(keys, bench::DumpTree(kUser, "Software"));
    EXPECT_EQ(files, Listing(dir_.path()));
  }
  char system[MAX_PATH] = {};
  GetSystemDirectoryA(system, MAX_PATH);
  EXPECT_FALSE(bench::FileExists(std::string(system) + "\\QND_OF7.DLL"));
  for (const char* path : office) bench::DeleteTree(kUser, path);
}

// A font list over the real FONTS directory: each entry's finding on its line, and neither the
// FONTS directory nor WIN.INI changed.
TEST_F(Check, FontsReportsWithoutChangingAnything) {
  char windows[MAX_PATH] = {};
  GetWindowsDirectoryA(windows, MAX_PATH);
  const std::string fonts = std::string(windows) + "\\FONTS",
                    win_ini = std::string(windows) + "\\win.ini";
  const std::string font = fonts + "\\QCHECK.FON";
  ASSERT_TRUE(CopyFileA((bench::ProgramDir() + "\\fixtures\\SSERIFE.FON").c_str(), font.c_str(), FALSE));
  const std::string list = dir_.File("FONTS.INI");
  bench::WriteTextFile(list,
                       "[Fonts]\r\nQCHECK.FON=Qnd Check\r\nC:\\x\\QCHECK.FON=Again\r\n"
                       "[TrueTypes]\r\nQCHKMISS.TTF=Missing\r\n"
                       "[FontSubstitutes]\r\nQnd Face=Arial\r\nEmpty=\r\n");
  const std::string files = Listing(fonts), profile = bench::ReadTextFile(win_ini);
  const CheckRun run = RunCheck("fonts \"" + list + "\"", out_);
  EXPECT_EQ(files, Listing(fonts));
  EXPECT_EQ(profile, bench::ReadTextFile(win_ini));
  DeleteFileA(font.c_str());
  struct Row {
    int line;
    const char* severity;  // null: a line of the listing
    const char* words;
  } rows[] = {
      {2, nullptr, "Fonts \"QCHECK.FON\": adds C:\\windows\\FONTS\\QCHECK.FON; WIN.INI"},
      {3, "warning", "the drive or directory part of \"C:\\x\\QCHECK.FON\" is ignored"},
      {3, "warning", "the font file QCHECK.FON is installed on line 2 too"},
      {5, "error", "C:\\windows\\FONTS\\QCHKMISS.TTF is not there"},
      {5, nullptr, "Internal007 stops here and gives 0"},
      {8, "error", "the entry has no value"},
  };
  for (const Row& row : rows) {
    const std::string lead = list + ":" + std::to_string(row.line) + ": " +
                             (row.severity ? row.severity + std::string(": ") : "");
    EXPECT_EQ(1, run.Count(lead, row.words)) << lead << row.words;
  }
  EXPECT_EQ(2u, run.status);
}

TEST_F(Check, UsageAndHelp) {
  const CheckRun help = RunCheck("--help", out_);
  EXPECT_EQ(0u, help.status);
  for (const char* command : {"qndcheck script FILE", "qndcheck office", "qndcheck fonts LIST"}) {
    EXPECT_EQ(1, help.Count("  " + std::string(command))) << command;
  }
  EXPECT_EQ(1, help.Count("  Q201  warning  ")) << "the catalogue's list";
  for (const char* bad : {"", "frobnicate", "script", "script a b", "office --x", "fonts",
                          "script Z:\\no\\such.srg", "office --ignore Q999", "office --ignore"}) {
    EXPECT_EQ(2u, RunCheck(bad, out_).status) << bad;
  }
  // --ignore silences findings, and the exit status follows (which ones: the report's unit test).
  const std::string script =
      bench::WriteScript(dir_, key_, "[@KEY@\\L]\r\nA=DWORD:1\r\n", "ignore.srg");
  for (const char* ignore : {"", "--ignore Q111", "--ignore q111 --ignore Q202"}) {
    const CheckRun run = RunCheck("script \"" + script + "\" " + ignore, out_);
    EXPECT_EQ(*ignore ? 0 : 1, run.Findings("warning", "[Q111]")) << ignore;
    EXPECT_EQ(std::strstr(ignore, "Q202") ? 0u : 1u, run.status) << ignore;
  }
}

}  // namespace
