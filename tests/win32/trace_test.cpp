// The trace (QNDSETUP_LOG) against the real platform: every row of a table of export calls runs
// without the trace, with it, and with logs that cannot be opened, from the same machine state
// each time; results, registry and files must be the same in every run, the
// trace must name what the call did and why it gave 0, and without the variable no file may
// appear anywhere. The variable is set in this process with SetEnvironmentVariableA, as a
// setup would set it.
#include <functional>
#include <memory>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "bench.h"

namespace {

const HKEY kUser = HKEY_CURRENT_USER;
constexpr char kVariable[] = "QNDSETUP_LOG";

void SetLog(const std::string& path) { SetEnvironmentVariableA(kVariable, path.c_str()); }
void NoLog() { SetEnvironmentVariableA(kVariable, nullptr); }

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
    lines.push_back(text.substr(at, end - at));
  }
  return lines;
}

// Every line of `log`: time, process and thread, then a call, step, reason or return; whole
// lines only, each ended by CR LF.
void ExpectWholeLines(const std::string& log) {
  static const std::regex kLine(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} \[\d+:\d+\] )"
                                R"((> \w+\(.*\)|  \S.*|! \S.*|< \w+ = -?\d+.*))");
  const std::vector<std::string> lines = Lines(log);
  size_t bytes = 0;
  for (const std::string& line : lines) {
    EXPECT_TRUE(std::regex_match(line, kLine)) << line;
    bytes += line.size() + 2;
  }
  EXPECT_EQ(log.size(), bytes) << "text after the last line end";
}

// The state every row starts from and is compared by: the test key, a folder, WIN.INI.
class Machine {
 public:
  Machine() : win_ini_(bench::ReadTextFile(bench::WinIni())) { Reset(); }
  ~Machine() {
    Unlock();
    bench::RemoveTree(kUser, key_.path());
    bench::WriteTextFile(bench::WinIni(), win_ini_);
  }

  void Reset() {
    Unlock();
    bench::RemoveTree(kUser, key_.path());
    bench::WriteTextFile(bench::WinIni(), win_ini_);
    dir_.reset();  // the old folder goes before the new one of the same name is made
    dir_ = std::make_unique<bench::TempDir>("trace");
  }
  // What a run left: the registry below the test key, the folder's files, WIN.INI.
  std::string State() const {
    std::string state =
        bench::DumpTree(kUser, key_.path()) + "\n" + bench::ReadTextFile(bench::WinIni());
    std::set<std::string> files;
    bench::ListFiles(dir_->path(), "", files);
    for (const std::string& f : files) {
      const bool file = f.compare(0, 5, "file ") == 0;  // "file PATH SIZE"
      state += "\n" + f + (file ? ":" + bench::ReadTextFile(f.substr(5, f.rfind(' ') - 5)) : "");
    }
    return state;
  }
  std::string Script(const std::string& body) const {
    return bench::WriteScript(*dir_, key_, body, "test.srg");
  }
  std::string Sub(const char* sub) const { return key_.Sub(sub); }
  std::string File(const char* name) const { return dir_->File(name); }
  const std::string& Dir() const { return dir_->path(); }
  void Lock(const char* sub) {
    bench::SetKeySddl(kUser, key_.Sub(sub), "D:");
    locked_ = sub;
  }

 private:
  void Unlock() {
    if (locked_) bench::SetKeySddl(kUser, key_.Sub(locked_), "D:(A;;KA;;;WD)");
    locked_ = nullptr;
  }

  bench::TestKey key_{"Trace"};
  std::unique_ptr<bench::TempDir> dir_;
  std::string win_ini_;
  const char* locked_ = nullptr;
};

// The run with the box: a stand-in Word window, and the user answers Cancel.
int CheckWithWordOpen() {
  bench::StandInWindows apps({"OpusApp"});
  bench::BoxWatcher watcher({{nullptr, IDCANCEL}}, &apps);
  const int result = bench::Qnd().CheckApplicationsActive();
  watcher.Stop();
  return result;
}

struct Row {
  const char* name;                   // the export
  std::function<int(Machine&)> call;  // prepares what it needs, then calls it
  std::vector<std::string> says;      // what the trace holds, in this order
};

// Path records that cannot be read, whole or in part.
const QndPathContext* const kUnreadable = reinterpret_cast<const QndPathContext*>(4);
const char* const kNowhere = reinterpret_cast<const char*>(4);
const QndPathContext kUnreadableDirs = {kNowhere, kNowhere};
const QndPathContext kUnreadableDir4 = {"C:\\Prog", kNowhere};

// The test key as the trace shows it: quoted, its backslashes escaped.
const std::string kKey = "\"HKEY_CURRENT_USER\\\\Software\\\\QndTest\\\\Trace\\\\";

std::vector<Row> Rows() {
  // The call of DoReg on script `body`.
  const auto do_reg = [](const std::string& body) {
    return [body](Machine& m) { return bench::Qnd().DoReg(m.Script(body).c_str(), nullptr, 0); };
  };
  const auto undo_reg = [](Machine& m, const std::string& body) {
    return bench::Qnd().UndoReg(m.Script(body).c_str(), nullptr, 0);
  };
  // The call of Internal007 on font list `list`.
  const auto fonts = [](const char* list, int skip_fonts) {
    return [list, skip_fonts](Machine& m) {
      bench::WriteTextFile(m.File("FONTS.INI"), list);
      return bench::Qnd().Internal007(m.File("FONTS.INI").c_str(), skip_fonts);
    };
  };
  // Office 7.0 stand-ins for one call (Excel with another add-in, or Word whose start-up
  // directory cannot be made) and the component files in the row's folder; nothing of them,
  // and nothing the call made, is left after it.
  const auto office = [](bool word) {
    return [word](Machine& m) {
      bench::RemoveOffice();
      if (word) {
        bench::WriteString(kUser, bench::kWordOptions, "Startup-Path", m.File("Missing\\Startup"));
      } else {
        bench::WriteString(kUser, bench::kExcelOptions, "OPEN", "C:\\Lib\\SOLVER.XLA");
      }
      bench::PutOfficeComponents(m.Dir(), "trace");
      const int result = bench::Qnd().InstallOfficeSupport(m.Dir().c_str());
      bench::RemoveOffice();
      for (const char* file : bench::kOfficeComponents) DeleteFileA(m.File(file).c_str());
      return result;
    };
  };
  const std::string refused = std::string(270, 'k');  // a path the registry refuses
  char buffer[MAX_PATH] = {};
  return {
      /* 0 */ {"DoReg",
               do_reg("[@KEY@\\A]\r\ns=\"x\\\"y\"\r\nn=dword:1f\r\n@=d\r\n"),
               {"key created " + kKey + "A\"", "\"s\" = REG_SZ \"x\\\\\\\"y\"",
                "\"n\" = REG_DWORD 0x0000001f", "\"@\" = REG_SZ \"d\""}},
      /* 1 */
      {"DoReg",
       do_reg("[@KEY@\\A]\r\nv=1\r\n[@KEY@\\" + refused + "]\r\nbad=1\r\n"),
       {"value set", "! entry \"bad\" of section " + kKey + "kkk",
        "the registry refused " + kKey + "kkk", "(RegCreateKeyA: error 234)"}},
      /* 2 */
      {"DoReg",
       do_reg("[@KEY@\\A]\r\nv=$Z\r\n"),
       {"! entry \"v\"", "the data has a folder code that gives no directory (\"$Z\" at 0)"}},
      /* 3 */
      {"UndoReg",
       [=](Machine& m) {
         bench::WriteString(kUser, m.Sub("T\\Sub"), "v", "1");
         bench::WriteString(kUser, m.Sub("Target"), "v", "stays");
         bench::MakeLink(m.Sub("T\\Link"), m.Sub("Target"));
         return undo_reg(m, "[UNINSTALL]\r\n@KEY@\\T=\r\n@KEY@\\Target=w\r\n");
       },
       {"link deleted as a link " + kKey + "T\\\\Link\"", "key deleted " + kKey + "T\"",
        "\"w\" not deleted, counts as removed (RegDeleteValueA: error 2)"}},
      /* 4 */
      {"UndoReg",
       [=](Machine& m) {
         bench::WriteString(kUser, m.Sub("L\\Sub"), "v", "1");
         m.Lock("L");
         return undo_reg(m, "[UNINSTALL]\r\n@KEY@\\L=\r\n");
       },
       {"! key " + kKey + "L\" not deleted (RegDeleteKeyA: error 5)"}},
      /* 5 */
      {"Internal007",
       fonts("[FontSubstitutes]\r\nQnd=Arial\r\n[Fonts]\r\nNO.FON=No\r\n", 1),
       {"profile entry written: WIN.INI [FontSubstitutes] \"Qnd\" = \"Arial\""}},
      /* 6 */
      {"Internal007",
       fonts("[Fonts]\r\nNO.FON=No\r\n", 0),
       {"! entry \"NO.FON\" = \"No\" of [Fonts]: the font file is not in the FONTS "
        "directory: \"C:\\\\windows\\\\FONTS\\\\NO.FON\""}},
      /* 7 */
      {"GetFolder",
       [=](Machine&) mutable { return bench::Qnd().GetFolder('b', buffer); },
       {"> GetFolder(98 \"b\", 0x", "< GetFolder = 1 \"C:\\\\Program Files\""}},
      /* 8 */
      {"GetFolder",
       [=](Machine&) mutable { return bench::Qnd().GetFolder('Z', buffer); },
       {"! no folder code"}},
      /* 9 */
      {"Internal012",
       [](Machine& m) { return bench::Qnd().Internal012(m.Dir().c_str(), "C:\\Q"); },
       {"profile entry written: ", "\\\\Quindo32.uni\" [Setup] \"Path\" = \"C:\\\\Q\""}},
      /* 10 */
      {"Internal012",
       [](Machine& m) { return bench::Qnd().Internal012(m.File("no").c_str(), "x"); },
       {"cannot be written (WritePrivateProfileStringA: error 3)"}},
      /* 11 */
      {"Internal015",
       [=](Machine&) mutable { return bench::Qnd().Internal015(buffer); },
       {"no earlier installation recorded", "< Internal015 = 1 \"C:\\\\\""}},
      /* 12 */
      {"CheckApplicationsActive",
       [](Machine&) { return CheckWithWordOpen(); },
       {"  message \"QUINDO_GO_HOME\" posted to every top-level window",
        "box shown for window class \"OpusApp\"", "! box answered Cancel"}},
      /* 13 */
      {"RegisterQuindo",
       [](Machine&) { return bench::Qnd().RegisterQuindo(""); },
       {"> RegisterQuindo(\"\")", "! no installation directory"}},
      /* 14 */
      {"InstallOfficeSupport",
       [](Machine&) { return bench::Qnd().InstallOfficeSupport(nullptr); },
       {"> InstallOfficeSupport(null)", "< InstallOfficeSupport = 1"}},
      /* 15 */
      {"Internal010", [](Machine&) { return bench::Qnd().Internal010(); }, {"< Internal010 = 0"}},
      /* 16 */
      {"InstallOfficeSupport",
       office(false),
       {"  value set \"HKEY_CURRENT_USER\\\\Software\\\\Microsoft\\\\Excel\\\\7.0\\\\"
        "Microsoft Excel\" \"OPEN1\" = REG_SZ \"\\\"",
        "\"FirstCall\" = REG_SZ \"Y\"", "  file copied \"", "QND_OF7.DLL\" from \""}},
      /* 17 */
      {"InstallOfficeSupport",
       office(true),
       {"! Word 7.0: Word's start-up directory is missing and cannot be created \""}},
      // A path record that cannot be read, or holds a directory that cannot: read only where
      // a macro reads it, by the export and by the trace alike.
      /* 18 */
      {"DoReg",
       [=](Machine& m) {
         return bench::Qnd().DoReg(m.Script("[@KEY@\\R]\r\nv=1\r\n").c_str(), kUnreadable, 0);
       },
       {"\", 0x00000004, 0)", "\"v\" = REG_SZ \"1\""}},
      /* 19 */
      {"UndoReg",
       [=](Machine& m) {
         return bench::Qnd().UndoReg(m.Script("[UNINSTALL]\r\n@KEY@\\R=\r\n").c_str(),
                                     &kUnreadableDirs, 0);
       },
       {"key \"HKEY_CURRENT_USER", "R\" is not there, counts as removed"}},
      /* 20 */
      {"DoReg",
       [=](Machine& m) {
         return bench::Qnd().DoReg(m.Script("[@KEY@\\R]\r\nv=$0\r\nw=$0\r\n").c_str(),
                                   &kUnreadableDir4, 0);
       },
       {"  $0 is \"C:\\\\Prog\" (path record 0x", "\"w\" = REG_SZ \"C:\\\\Prog\\\\\""}},
  };
}

// What a run of a row gave.
struct Outcome {
  int result;
  std::string state;
};

Outcome RunRow(Machine& m, const Row& row) {
  m.Reset();
  const int result = row.call(m);
  return {result, m.State()};
}

// Logs that cannot be opened or written: the run must be exactly the run without a trace.
struct BadLog {
  const char* why;
  std::string path;
};

TEST(Trace, SameRunWithAndWithoutTheTraceAndItNamesEachStep) {
  Machine m;
  const bench::TempDir logs("tracelogs");
  HANDLE held = CreateFileA(logs.File("held.log").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            0, nullptr);
  const BadLog bad[] = {
      {"a missing folder", "C:\\no\\such\\folder\\qnd.log"},
      {"a folder", logs.path()},
      {"a file open without sharing", logs.File("held.log")},
      {"a name over 259 characters", "C:\\" + std::string(300, 'x')},
      {"a device", "NUL"},
  };
  const std::vector<Row> rows = Rows();
  std::set<std::string> before, after;
  bench::ListFiles("C:", "", before);
  std::vector<Outcome> plain;
  NoLog();
  for (const Row& row : rows) plain.push_back(RunRow(m, row));
  m.Reset();  // the last row's own files go
  bench::ListFiles("C:", "", after);
  EXPECT_EQ(before, after) << "without the variable no file appears anywhere";

  for (size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE("row " + std::to_string(i) + " " + rows[i].name);
    const std::string log = logs.File("trace.log");
    DeleteFileA(log.c_str());
    SetLog(log);
    const Outcome traced = RunRow(m, rows[i]);
    NoLog();
    EXPECT_EQ(plain[i].result, traced.result);
    EXPECT_EQ(plain[i].state, traced.state);
    const std::string text = bench::ReadTextFile(log);
    ExpectWholeLines(text);
    const std::vector<std::string> lines = Lines(text);
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(std::string::npos, lines.front().find(std::string("> ") + rows[i].name + "("));
    EXPECT_NE(std::string::npos, lines.back().find(std::string("< ") + rows[i].name + " = " +
                                                   std::to_string(plain[i].result)));
    size_t at = 0;
    for (const std::string& said : rows[i].says) {
      at = text.find(said, at);
      ASSERT_NE(std::string::npos, at) << "the trace lacks (in order): " << said << "\n" << text;
    }
    for (const BadLog& b : bad) {
      SetLog(b.path);
      const Outcome unwritten = RunRow(m, rows[i]);
      NoLog();
      EXPECT_EQ(plain[i].result, unwritten.result) << b.why;
      EXPECT_EQ(plain[i].state, unwritten.state) << b.why;
    }
  }
  CloseHandle(held);
}

// Another process that holds one log's lock, or takes it again and again: a call traced into
// that log waits a bounded time in all and returns its result, its log holds whole lines only,
// and a call traced into another log writes all of its lines.
BENCH_CHILD(trace_lock) {  // LOCK hold|pulse READY DONE
  const std::vector<std::string>& args = bench::ChildArgs();
  if (args.size() < 4) return 2;
  HANDLE lock = CreateMutexA(nullptr, FALSE, args[0].c_str());
  HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, args[2].c_str());
  HANDLE done = OpenEventA(SYNCHRONIZE, FALSE, args[3].c_str());
  const bool pulse = args[1] == "pulse";
  for (int turn = 0; turn < 3000; ++turn) {  // about a minute at most
    if (WaitForSingleObject(lock, 30000) != WAIT_OBJECT_0) return 3;
    if (turn == 0) SetEvent(ready);
    const bool ended = WaitForSingleObject(done, pulse ? 20 : 60000) == WAIT_OBJECT_0;
    ReleaseMutex(lock);
    if (ended) return 0;
  }
  return 4;
}

TEST(Trace, ALockHeldElsewhereCostsABoundedWaitAndOnlyItsLog) {
  const bench::TestKey key("TraceLock");
  const bench::TempDir dir("tracelock");
  std::string body = "[@KEY@\\A]\r\n";
  for (int i = 0; i < 40; ++i) body += "v" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
  const std::string script = bench::WriteScript(dir, key, body, "lock.srg");
  for (const char* mode : {"hold", "pulse"}) {
    SCOPED_TRACE(mode);
    const std::string locked = dir.File((std::string(mode) + ".log").c_str());
    const std::string other = dir.File("other.log");
    bench::WriteTextFile(locked, "");
    DeleteFileA(other.c_str());
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, "qndtest.trace.ready");
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, "qndtest.trace.done");
    bench::Child child("trace_lock", bench::TraceLockName(locked) + " " + mode +
                                         " qndtest.trace.ready qndtest.trace.done");
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ready, 30000));
    SetLog(locked);
    EXPECT_EQ(1, bench::Qnd().DoReg(script.c_str(), nullptr, 0));
    SetLog(other);
    EXPECT_EQ(1, bench::Qnd().DoReg(script.c_str(), nullptr, 0));
    NoLog();
    SetEvent(done);
    EXPECT_EQ(0u, child.Wait());
    CloseHandle(ready);
    CloseHandle(done);
    EXPECT_EQ("39", bench::ReadValue(HKEY_CURRENT_USER, key.Sub("A"), "v39").Text());
    const std::string held = bench::ReadTextFile(locked), free = bench::ReadTextFile(other);
    ExpectWholeLines(held);
    if (std::string(mode) == "hold") {
      EXPECT_EQ("", held);
    }
    ExpectWholeLines(free);
    EXPECT_EQ(42u, Lines(free).size()) << "the call, 40 values and the return\n" << free;
  }
}

// A pipe named by the variable is never opened, however it is spelt: no client ever connects to
// its server. (Devices are refused by name as well: NamesDevice, tested natively.)
TEST(Trace, APipeIsNeverOpened) {
  const char* const kNames[] = {"\\\\.\\pipe\\qndtest.trace", "\\\\?\\pipe\\qndtest.trace",
                                "//./PIPE/qndtest.trace"};
  for (const char* name : kNames) {
    SCOPED_TRACE(name);
    HANDLE pipe =
        CreateNamedPipeA("\\\\.\\pipe\\qndtest.trace", PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED,
                         PIPE_TYPE_BYTE, 1, 4096, 4096, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, pipe);
    SetLog(name);
    char dir[MAX_PATH] = {};
    EXPECT_EQ(1, bench::Qnd().GetFolder('1', dir));
    NoLog();
    OVERLAPPED listen = {};
    listen.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    EXPECT_FALSE(ConnectNamedPipe(pipe, &listen));
    EXPECT_EQ(static_cast<DWORD>(ERROR_IO_PENDING), GetLastError()) << "a client connected";
    CancelIo(pipe);
    CloseHandle(listen.hEvent);
    CloseHandle(pipe);
  }
}

// Lines of several threads and processes that trace at once never mix within a line: threads
// of this process call until a child process has made its calls.
constexpr int kThreads = 4, kCalls = 100;
volatile LONG child_running = 1;
volatile LONG calls = 0, refused = 0;  // by the threads

// Calls GetFolder kCalls times at least, every second one with an unassigned code, and on
// while the child runs; gives how many calls it made.
int CallMany() {
  char dir[MAX_PATH];
  int i = 0;
  for (; i < kCalls || child_running; ++i) {
    if (bench::Qnd().GetFolder("1Z"[i % 2], dir) == 0) InterlockedIncrement(&refused);
    InterlockedIncrement(&calls);
  }
  return i;
}
DWORD WINAPI CallManyThread(LPVOID) { return static_cast<DWORD>(CallMany()); }

// The variable goes to the child with the rest of the environment.
BENCH_CHILD(trace_many) {
  child_running = 0;
  return CallMany() == kCalls ? 0 : 1;
}

TEST(Trace, LinesOfThreadsAndProcessesStayWhole) {
  const bench::TempDir logs("tracemany");
  const std::string log = logs.File("trace.log");
  SetLog(log);
  HANDLE threads[kThreads];
  for (HANDLE& t : threads) t = CreateThread(nullptr, 0, CallManyThread, nullptr, 0, nullptr);
  EXPECT_EQ(0u, bench::RunChild("trace_many"));
  child_running = 0;
  ASSERT_EQ(WAIT_OBJECT_0, WaitForMultipleObjects(kThreads, threads, TRUE, 120000));
  for (HANDLE t : threads) CloseHandle(t);
  NoLog();
  const std::string text = bench::ReadTextFile(log);
  ExpectWholeLines(text);
  // Every call writes its call and return lines, a refused one its reason too.
  EXPECT_EQ(size_t(2 * (calls + kCalls) + refused + kCalls / 2), Lines(text).size());
  std::set<std::string> processes;
  for (const std::string& line : Lines(text)) {  // the process follows "YYYY-MM-DD hh:mm:ss.mmm ["
    processes.insert(line.substr(25, line.find(':', 25) - 25));
  }
  EXPECT_EQ(2u, processes.size()) << "lines of this process and of the child";
}

}  // namespace
