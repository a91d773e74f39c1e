// The exports under each Windows version Wine can report (win95, win98, nt40, win2k, winxp,
// win10): a child process of this program runs them all with the trace on, under the version
// that Wine's per-program setting gives it, and writes one line per result; every version's
// lines must be win10's. Wine still exports every function in every mode (docs/platforms.md),
// so this catches what Wine does vary: GetVersion, which the library decides by, and the
// registry's deletion of key trees in its 9x modes.
#include <string>
#include <vector>

#include "bench.h"

namespace {

const HKEY kUser = HKEY_CURRENT_USER;

// Where Wine looks for the Windows version of this program's processes.
std::string VersionKey() {
  char exe[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  const std::string path = exe;
  return "Software\\Wine\\AppDefaults\\" + path.substr(path.rfind('\\') + 1);
}

// One line per result of the exports, and the registry and files they leave, into `out`.
void RunExports(std::vector<std::string>& out) {
  const bench::TestKey key("Versions");
  const bench::TempDir dir("versions");
  const std::string log = dir.File("trace.log");
  SetEnvironmentVariableA("QNDSETUP_LOG", log.c_str());
  const bench::Exports& q = bench::Qnd();
  const std::string script = bench::WriteScript(dir, key,
                                                "[@KEY@\\Tool\\A\\Deep]\r\n"
                                                "v=\"deep\"\r\n"
                                                "[@KEY@\\Tool]\r\n"
                                                "Path=$0\r\nCount=dword:00000007\r\n"
                                                "[UNINSTALL]\r\n"
                                                "@KEY@\\Tool\\A=\r\n@KEY@\\Tool=Count\r\n",
                                                "test.srg");
  const QndPathContext context = {"C:\\Prog", nullptr};
  out.push_back("DoReg " + std::to_string(q.DoReg(script.c_str(), &context, 0)));
  out.push_back("after DoReg " + bench::DumpTree(kUser, key.path()));
  out.push_back("UndoReg " + std::to_string(q.UndoReg(script.c_str(), &context, 0)));
  out.push_back("after UndoReg " + bench::DumpTree(kUser, key.path()));
  char buffer[MAX_PATH];
  for (const char code : {'1', '2', '5', '9', 'A', 'F', 'G'}) {
    out.push_back(std::string("GetFolder ") + code + " " +
                  std::to_string(q.GetFolder(code, buffer)));
  }
  out.push_back("Internal015 " + std::to_string(q.Internal015(buffer)) + " " + buffer);
  const std::string record = dir.path();
  out.push_back("Internal012 " + std::to_string(q.Internal012(record.c_str(), "C:\\Prog")));
  const std::string win_ini = bench::WinIni();
  const std::string ini = bench::ReadTextFile(win_ini);
  const std::string list = dir.File("FONTS.INI");
  bench::WriteTextFile(list, "[FontSubstitutes]\r\nQnd Versions=Arial\r\n");
  out.push_back("Internal007 " + std::to_string(q.Internal007(list.c_str(), 1)));
  bench::WriteTextFile(win_ini, ini);
  out.push_back("Internal010 " + std::to_string(q.Internal010()));
  out.push_back("CheckApplicationsActive " + std::to_string(q.CheckApplicationsActive()));
  SetEnvironmentVariableA("QNDSETUP_LOG", nullptr);
  const std::string trace = bench::ReadTextFile(log);
  out.push_back("traced " + std::to_string(trace.find("< UndoReg = 1") != std::string::npos));
}

// The child: the family and version GetVersion gives, then RunExports, into the file its first
// argument names.
BENCH_CHILD(exports) {
  const DWORD version = GetVersion();
  std::string text = (version & 0x80000000UL ? "9x " : "nt ") +
                     std::to_string(LOBYTE(LOWORD(version))) + "." +
                     std::to_string(HIBYTE(LOWORD(version))) + "\n";
  std::vector<std::string> lines;
  RunExports(lines);
  for (const std::string& line : lines) text += line + "\n";
  return bench::ChildArgs().empty() || !bench::WriteTextFile(bench::ChildArgs()[0], text) ? 2 : 0;
}

// The child's lines under Wine's version `name` ("win95"...).
std::string UnderVersion(const char* name, const std::string& out) {
  EXPECT_EQ(ERROR_SUCCESS, bench::WriteString(kUser, VersionKey(), "Version", name));
  char exe[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  EXPECT_EQ(0u, bench::RunProgram("\"" + std::string(exe) + "\" --child exports \"" + out + "\""));
  bench::DeleteTree(kUser, VersionKey());
  return bench::ReadTextFile(out);
}

TEST(WindowsVersions, ExportsGiveTheSameResults) {
  const bench::TempDir dir("versions-out");
  const std::string reference = UnderVersion("win10", dir.File("win10.txt"));
  // A program without a manifest that names Windows 10 is told 6.2 there, as by Windows 10.
  ASSERT_EQ("nt 6.2\n", reference.substr(0, reference.find('\n') + 1));
  const std::string results = reference.substr(reference.find('\n'));
  EXPECT_NE(std::string::npos, results.find("UndoReg 1")) << results;
  const struct {
    const char* name;
    const char* version;  // what GetVersion gives under it
  } rows[] = {
      /* 0 */ {"win95", "9x 4.0"}, /* 1 */ {"win98", "9x 4.10"}, /* 2 */ {"nt40", "nt 4.0"},
      /* 3 */ {"win2k", "nt 5.0"}, /* 4 */ {"winxp", "nt 5.1"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string lines = UnderVersion(row.name, dir.File(row.name));
    EXPECT_EQ(std::string(row.version) + results, lines);
  }
}

}  // namespace
