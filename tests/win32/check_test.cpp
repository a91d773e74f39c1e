// qndcheck, the checker for setup authors: the traps its lint finds and its command line.
// check_diff_test.cpp holds its differential test against DoReg and UndoReg, and
// check_areas_test.cpp the one of its fonts and office commands against Internal007 and
// InstallOfficeSupport.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "bench.h"
#include "check/shared_keys.h"

namespace {

const HKEY kUser = HKEY_CURRENT_USER;

struct CheckRun : bench::ProgramRun {
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
  return {bench::RunQndcheck(args, dir.File("qndcheck.out"))};
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
      {"[@KEY@\\L\\\\\\X]\r\nA=1\r\n", 2, "error", "has an empty level"},
      {"[UNINSTALL]\r\n@KEY@\\L\\\\\\X=\r\n", 2, "error", "has an empty level"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(bench::RowName(rows, row));
    const std::string script = bench::WriteScript(dir_, key_, row.body, "lint.srg");
    const CheckRun run = RunCheck("script \"" + script + "\"", out_);
    EXPECT_EQ(1, run.Findings(row.severity, row.words));
    EXPECT_EQ(1, run.Count(script + ":" + std::to_string(row.line) + ": " + row.severity + ": ",
                           row.words));
  }
  bench::WriteString(kUser, key_.path(), "keep", "pre");  // the key is there before
  const std::string clean = bench::WriteScript(
      dir_, key_, "[@KEY@\\Clean]\r\nA=1\r\n[UNINSTALL]\r\n@KEY@\\Clean=\r\n", "clean.srg");
  const CheckRun run = RunCheck("script \"" + clean + "\"", out_);
  EXPECT_EQ(0u, run.status);
  EXPECT_EQ("== 0 errors, 0 warnings", run.lines.back());
}

// A bare file name is the current directory's, as every command-line tool reads it; a note
// names the Windows directory's file, which the export given the same bare name reads.
TEST_F(Check, BareNameIsTheCurrentDirectorysFile) {
  const std::string name = "qndbare" + std::to_string(GetCurrentProcessId()) + ".srg";
  const std::string in_windows = bench::WindowsDir() + "\\" + name;
  ASSERT_TRUE(bench::WriteTextFile(in_windows,
                                   "[HKEY_CURRENT_USER\\" + key_.path() + "]\r\nFrom=windows\r\n"));
  ASSERT_TRUE(bench::WriteTextFile(out_.File(name.c_str()),
                                   "[HKEY_CURRENT_USER\\" + key_.path() + "]\r\nFrom=here\r\n"));
  char here[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, here);
  SetCurrentDirectoryA(out_.path().c_str());  // beside the other file of that name
  for (const char* command : {"script", "fonts"}) {
    const CheckRun run = RunCheck(std::string(command) + " " + name, out_);
    EXPECT_EQ(1, run.Count(name + ": note: ", "reads the Windows directory's file " + in_windows))
        << command;
    const std::string the = name + ": the ";  // the file it reads, as shown: read back
    EXPECT_EQ(1, std::count_if(run.lines.begin(), run.lines.end(),
                               [&](const std::string& l) {
                                 return l.compare(0, the.size(), the) == 0 &&
                                        bench::ReadBack(l).find(out_.File(name.c_str())) !=
                                            std::string::npos;
                               }))
        << command;
  }
  const CheckRun run = RunCheck("script " + name, out_);
  SetCurrentDirectoryA(here);
  EXPECT_EQ(1, run.Count(name + ":2: HKEY_USERS\\", key_.path() + ": \"From\" = REG_SZ \"here\""));
  EXPECT_EQ(RunCheck("script \"" + out_.File(name.c_str()) + "\"", out_).status, run.status)
      << "a note only";
  EXPECT_EQ(1, bench::Qnd().DoReg(name.c_str(), nullptr, 0));
  EXPECT_EQ("windows", bench::ReadValue(kUser, key_.path(), "From").Text());
  DeleteFileA(in_windows.c_str());
}

// A key-tree entry that deletes a key Windows and other programs share is an error, one row per
// key of the list, named through any root that holds it; a key below one is not.
TEST_F(Check, RemovingASharedKeyIsAnError) {
  std::string body = "[UNINSTALL]\r\n";
  for (const qnd::SharedKey& key : qnd::kSharedKeys) {
    body += std::string(key.root) + "\\" + key.path + "=\r\n";
  }
  const std::string first = std::to_string(std::size(qnd::kSharedKeys) + 2);
  body +=
      "HKEY_USERS\\" + bench::UserSid() + "\\Software\\Microsoft\\\\Windows=\r\n";  // line first
  body +=
      "HKEY_CLASSES_ROOT=\r\nHKEY_LOCAL_MACHINE\\Software\\Classes\\.qnd=\r\n"
      "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\Quindo=\r\n";
  const std::string script = bench::WriteScript(dir_, key_, body, "shared.srg");
  const CheckRun run = RunCheck("script \"" + script + "\"", out_);
  int line = 2;
  for (const qnd::SharedKey& key : qnd::kSharedKeys) {
    EXPECT_EQ(1, run.Count(script + ":" + std::to_string(line++) + ": error: ", "[Q118]"))
        << key.root << "\\" << key.path;
  }
  EXPECT_EQ(1, run.Count(script + ":" + first + ": error: ", "[Q118]")) << "through HKEY_USERS";
  EXPECT_EQ((long)std::size(qnd::kSharedKeys) + 1, run.Findings("error", "[Q118]"));
}

TEST_F(Check, UsageAndHelp) {
  const CheckRun help = RunCheck("--help", out_);
  EXPECT_EQ(0u, help.status);
  for (const char* command : {"qndcheck script FILE", "qndcheck office", "qndcheck fonts LIST"}) {
    EXPECT_EQ(1, help.Count("  " + std::string(command))) << command;
  }
  EXPECT_EQ(1, help.Count("  Q201  warning  ")) << "the catalogue's list";
  for (const char* bad : {"", "frobnicate", "script", "script a b", "office --x", "fonts",
                          "office --ignore Q999", "office --ignore", "--ignore Q111"}) {
    EXPECT_EQ(2u, RunCheck(bad, out_).status) << bad;
  }
  // --ignore silences findings, and the exit status follows (which ones: the report's unit test).
  const std::string script =
      bench::WriteScript(dir_, key_, "[@KEY@\\L]\r\nA=DWORD:1\r\n", "ignore.srg");
  // Options stand anywhere: before the command, between it and its file, after both.
  for (const char* ignore : {"", "--ignore Q111", "--ignore q111 --ignore Q202"}) {
    const std::string file = "\"" + script + "\"";
    for (const std::string& args : {"script " + file + " " + ignore, ignore + (" script " + file),
                                    "script " + (ignore + (" " + file))}) {
      const CheckRun run = RunCheck(args, out_);
      EXPECT_EQ(*ignore ? 0 : 1, run.Findings("warning", "[Q111]")) << args;
      EXPECT_EQ(std::strstr(ignore, "Q202") ? 0u : 1u, run.status) << args;
    }
  }
}

}  // namespace
