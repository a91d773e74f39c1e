// qndcheck, the checker for setup authors, against the library it speaks for: its listings and
// findings compared with what DoReg, UndoReg and the real registry do, with staged Office keys
// and files, and with a font list over the real FONTS directory; and that it changed nothing.
#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "bench.h"

namespace {

const HKEY kUser = HKEY_CURRENT_USER;
const char kKeyName[] = "HKEY_CURRENT_USER\\Software\\QndTest\\Check";

std::string Upper(std::string text) {
  CharUpperBuffA(&text[0], (DWORD)text.size());
  return text;
}

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
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  const std::string out = dir.File("qndcheck.out");
  HANDLE file =
      CreateFileA(out.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
  STARTUPINFOA start = {};
  start.cb = sizeof start;
  start.dwFlags = STARTF_USESTDHANDLES;
  start.hStdOutput = start.hStdError = file;
  PROCESS_INFORMATION process = {};
  std::string command = "\"" + bench::ProgramDir() + "\\qndcheck.exe\" " + args;
  CheckRun run;
  if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start,
                     &process)) {
    if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) {
      TerminateProcess(process.hProcess, 259);
    }
    GetExitCodeProcess(process.hProcess, &run.status);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  }
  CloseHandle(file);
  std::istringstream text(bench::ReadTextFile(out));
  for (std::string line; std::getline(text, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    run.lines.push_back(line);
  }
  return run;
}

// Every key below HKCU\`path` as "KEY", every value as "KEY: "NAME" = TYPE DATA" ("KEY: @" for
// the default value), names in upper case: as explain lists them.
void Snapshot(HKEY key, const std::string& path, std::set<std::string>& out) {
  char name[512];
  BYTE data[2048];
  for (DWORD i = 0;; ++i) {
    DWORD n = sizeof name, size = sizeof data - 1, type = 0;
    if (RegEnumValueA(key, i, name, &n, nullptr, &type, data, &size)) break;
    data[size] = 0;
    char number[16];
    std::snprintf(number, sizeof number, "0x%08lx", *(DWORD*)data);
    out.insert(Upper(path + ": " + (n ? "\"" + std::string(name) + "\"" : "@")) + " = " +
               (type == REG_DWORD ? "REG_DWORD " + std::string(number)
                                  : "REG_SZ \"" + std::string((char*)data) + "\""));
  }
  for (DWORD i = 0; RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; ++i) {
    out.insert(Upper(path + "\\" + name));
    HKEY sub;
    if (RegOpenKeyExA(key, name, 0, KEY_READ, &sub)) continue;
    Snapshot(sub, path + "\\" + name, out);
    RegCloseKey(sub);
  }
}

std::set<std::string> Snapshot(const std::string& path) {
  std::set<std::string> out;
  HKEY key;
  if (RegOpenKeyExA(kUser, path.c_str(), 0, KEY_READ, &key)) return out;
  Snapshot(key, "HKEY_CURRENT_USER\\" + path, out);
  RegCloseKey(key);
  return out;
}

// What a snapshot line names, without its data.
std::string Identity(const std::string& line) { return line.substr(0, line.find(" = ")); }

// The item a coverage finding names ("key K", "value "V" of K", "the default value of K"), as a
// snapshot names it.
std::string ItemOf(const std::string& words) {
  const size_t of = words.find(" of ") + 4, key = words.compare(0, 4, "key ") ? of : 4;
  const std::string path = words.substr(key, words.find_first_of(" ,", key) - key);
  if (key == 4) return Upper(path);
  return Upper(path + ": " + (words[0] == 'v' ? words.substr(6, words.find('"', 7) - 5) : "@"));
}

// What one run of a script came to: the listing and the real registry after each step.
struct Round {
  CheckRun check;
  std::set<std::string> before, after_check, after_install, after_uninstall;
  int installed = -1;
};

// A registry script from `seed`: random key sections below the test key and a random removal
// list, with one failing entry when `failing`.
std::string Generated(unsigned seed, bool failing) {
  const char* subs[] = {"A", "A\\B", "a\\b\\C", "D", "Shared", "Shared\\Own", "E\\F"};
  const char* names[] = {"v", "V", "Path", "@", "n", "\"Quoted\""};
  const char* data[] = {"text",  "dword:1f",       "$0x.exe", "`$0a b` %1", "C:\\\\dir\\\\x",
                        "$1sys", "dword:ffffffff", "",        "Dword:2"};
  unsigned s = seed;
  auto pick = [&s](unsigned n) { return ((s = s * 1103515245u + 12345u) >> 16) % n; };
  std::string body;
  for (int i = 0; i < 4; ++i) {
    body += std::string("[@KEY@\\") + subs[pick(7)] + "]\r\n";
    for (unsigned j = 0, n = 1 + pick(3); j < n; ++j) {
      body += std::string(names[pick(6)]) + "=" + data[pick(9)] + "\r\n";
    }
    if (failing && i == 2) body += "Bad=$Z\r\n";
  }
  body += "[UNINSTALL]\r\n";
  for (int i = 0; i < 3; ++i) {
    body += "@KEY@\\" + std::string(subs[pick(7)]) + (pick(2) ? "=\r\n" : "=v\r\n");
  }
  return body;
}

// The sample script with its keys moved below the test key ("HKEY_CLASSES_ROOT\X" becomes
// "@KEY@\CLASSES_ROOT\X").
std::string Sample() {
  std::string text = bench::ReadTextFile(QND_EXAMPLES "/QUINDO.SRG");
  for (size_t at = 0; (at = text.find("HKEY_", at)) != std::string::npos;) {
    text.replace(at, 5, "@KEY@\\");
  }
  return text;
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

  // Runs qndcheck on `body` with "$0" = the test folder, then DoReg and UndoReg, over a test
  // key that holds keys and values of other programs beside the script's.
  Round Run(const std::string& body) {
    bench::DeleteTree(kUser, key_.path());
    for (const char* sub : {"Shared", "Shared\\Other", "D\\Keep"}) {
      bench::WriteString(kUser, key_.Sub(sub), "keep", "pre");
    }
    const std::string script = bench::WriteScript(dir_, key_, body, "test.srg");
    const QndPathContext context = {dir_.path().c_str(), nullptr};
    Round r;
    r.before = Snapshot(key_.path());
    r.check = RunCheck("script \"" + script + "\" --dir0 \"" + dir_.path() + "\"", out_);
    r.after_check = Snapshot(key_.path());
    r.installed = bench::Qnd().DoReg(script.c_str(), &context, 0);
    r.after_install = Snapshot(key_.path());
    bench::Qnd().UndoReg(script.c_str(), &context, 0);
    r.after_uninstall = Snapshot(key_.path());
    return r;
  }
  std::vector<std::string> Scripts() {
    std::vector<std::string> scripts = {
        Sample(),
        "[@KEY@\\Dup]\r\nA=1\r\na=2\r\n[@KEY@\\Dup]\r\nB=3\r\n[@KEY@\\T]\r\nX=see dword:10\r\n"
        "Y=DWORD:1\r\n@=dword:5\r\n[HKEY_CURRENT_USER\\\\Software\\QndTest\\Check\\Lead]\r\n"
        "Z=1\r\n[UNINSTALL]\r\n@KEY@\\Dup=\r\n@KEY@\\T=Y\r\n@KEY@\\T=X\r\n"};
    for (unsigned seed = 1; seed <= 8; ++seed) scripts.push_back(Generated(seed, seed % 3 == 0));
    return scripts;
  }

  bench::TestKey key_;
  bench::TempDir dir_;
  bench::TempDir out_;  // qndcheck's output
};

// The values explain lists are exactly those DoReg writes, up to the entry where it stops.
TEST_F(Check, ExplainAgreesWithDoReg) {
  const std::vector<std::string> scripts = Scripts();
  for (size_t i = 0; i < scripts.size(); ++i) {
    const Round r = Run(scripts[i]);
    std::map<std::string, std::string> listed;  // identity -> the whole line
    bool stops = false;
    for (const std::string& l : r.check.lines) {
      stops = stops || l.find(": DoReg stops here") != std::string::npos;
      const size_t at = l.find(std::string(": ") + kKeyName), eq = l.find(" = ");
      if (at == std::string::npos || eq == std::string::npos || eq < at) continue;
      const std::string id = Upper(l.substr(at + 2, eq - at - 2));
      listed[id] = id + l.substr(eq);  // a later write of the same value wins
    }
    std::set<std::string> written;
    for (const std::string& l : r.after_install) {
      if (l.find(" = ") != std::string::npos && !r.before.count(l)) written.insert(l);
    }
    std::set<std::string> expected;
    for (const auto& v : listed) expected.insert(v.second);
    EXPECT_EQ(expected, written) << "script " << i << "\n" << scripts[i];
    EXPECT_EQ(stops, r.installed == 0) << "script " << i;
    EXPECT_EQ(r.before, r.after_check) << "script " << i << ": qndcheck changed the registry";
  }
}

// What coverage says is left behind is what DoReg then UndoReg leave; what it says the
// uninstall removes without the script writing it is what disappears of the other programs'.
TEST_F(Check, CoverageAgreesWithDoRegThenUndoReg) {
  const std::vector<std::string> scripts = Scripts();
  for (size_t i = 0; i < scripts.size(); ++i) {
    const Round r = Run(scripts[i]);
    std::set<std::string> left, removed, real_left, real_removed, ids_after;
    for (const std::string& l : r.check.lines) {
      for (const char* lead : {"the uninstall leaves ", "left behind too: "}) {
        if (l.find(lead) != l.npos) left.insert(ItemOf(l.substr(l.find(lead) + strlen(lead))));
      }
      for (const char* lead : {"the uninstall removes ", "removed too: "}) {
        if (l.find(lead) != l.npos) removed.insert(ItemOf(l.substr(l.find(lead) + strlen(lead))));
      }
    }
    for (const std::string& l : r.after_uninstall) ids_after.insert(Identity(l));
    for (const std::string& l : r.after_uninstall) {
      if (!r.before.count(l)) real_left.insert(Identity(l));
    }
    for (const std::string& l : r.before) {
      if (!ids_after.count(Identity(l))) real_removed.insert(Identity(l));
    }
    EXPECT_EQ(real_left, left) << "script " << i << "\n" << scripts[i];
    EXPECT_EQ(real_removed, removed) << "script " << i << "\n" << scripts[i];
  }
}

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
    const std::set<std::string> keys = Snapshot("Software");
    const std::string files = Listing(dir_.path());
    const CheckRun run = RunCheck("office --source \"" + source + "\"", out_);
    for (const std::string& line : row.lines) EXPECT_EQ(1, run.Count(line)) << line;
    EXPECT_EQ(2u, run.status);
    EXPECT_EQ(keys, Snapshot("Software"));
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
  for (const char* bad : {"", "frobnicate", "script", "script a b", "office --x", "fonts",
                          "script Z:\\no\\such.srg"}) {
    EXPECT_EQ(2u, RunCheck(bad, out_).status) << bad;
  }
}

}  // namespace
