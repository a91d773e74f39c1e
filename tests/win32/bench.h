// The test bench of the Win32 tests: the library bound by name as the installer engine binds it,
// the argument-byte thunk, guard-page buffers, handle counts, child processes, and the
// registry and file helpers every test uses.
#pragma once

#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0601
#endif
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "qndsetup.h"
#include "trace_lock.h"  // TraceLockName

namespace bench {

// "row N" for row `row` of table `rows`, to name it in a table-driven test's SCOPED_TRACE.
template <typename Row, size_t N>
std::string RowName(const Row (&rows)[N], const Row& row) {
  return "row " + std::to_string(&row - rows);
}

// Every export of the library, bound with GetProcAddress by its plain name (null if missing).
struct Exports {
  decltype(&::DoReg) DoReg;
  decltype(&::RegisterQuindo) RegisterQuindo;
  decltype(&::UndoReg) UndoReg;
  decltype(&::UnregisterQuindo) UnregisterQuindo;
  decltype(&::GetFolder) GetFolder;
  decltype(&::Internal010) Internal010;
  decltype(&::Internal015) Internal015;
  decltype(&::Internal012) Internal012;
  decltype(&::InstallOfficeSupport) InstallOfficeSupport;
  decltype(&::Internal007) Internal007;
  decltype(&::CheckApplicationsActive) CheckApplicationsActive;
};
HMODULE Library();     // qndsetup.dll, loaded by name once for the program
const Exports& Qnd();  // the bound exports
FARPROC Bind(const char* name);

// Calls `fn` with the n 32-bit arguments args[0..n-1] (args[0] leftmost) and returns how many
// argument bytes the function removed from the stack. `*result` receives its EAX; `*regs_ok`
// whether EBX, ESI and EDI survived the call.
int StackBytes(FARPROC fn, const DWORD* args, int n, DWORD* result, bool* regs_ok);

// A caller's output buffer whose last byte lies just before a PAGE_NOACCESS page: a write past
// it crashes the test program instead of passing. Filled with 0xBD.
class GuardBuffer {
 public:
  explicit GuardBuffer(size_t size = MAX_PATH);
  ~GuardBuffer();
  GuardBuffer(const GuardBuffer&) = delete;
  GuardBuffer& operator=(const GuardBuffer&) = delete;
  char* get() { return data_; }
  void Fill(unsigned char byte = 0xBD);
  bool Untouched() const;  // every byte still 0xBD
 private:
  char* base_;
  char* data_;
  size_t size_;
};

// Calls `round` once (the platform keeps a few handles of its own from first use), then
// `rounds` times more: the process must hold as many handles afterwards as before (they are
// listed when it does not).
void ExpectNoHandleLeak(const std::function<void()>& round, int rounds = 5);

// Runs the command line `command` and returns the program's exit code (259 when it did not end
// within `ms` milliseconds: it is then ended).
DWORD RunProgram(std::string command, DWORD ms = 60000);
// Runs `command` and waits for it and for every process it starts, as `wineserver -w` would (an
// NSIS uninstaller hands its work to a copy of itself and ends at once); gives the exit code of
// the last of them to end. Each wait is bounded by `ms`: a process still running is ended, 259.
DWORD RunProgramTree(std::string command, DWORD ms = 60000);
// A program's exit code and the lines it wrote (standard output and error, line ends dropped).
struct ProgramRun {
  DWORD status = 259;
  std::vector<std::string> lines;
  std::string Text() const;  // the lines, each ended by "\n"
};
// qndcheck.exe (beside this program) run with the arguments `args` as RunProgram runs a
// program, its output going into file `out_file`.
ProgramRun RunQndcheck(const std::string& args, const std::string& out_file, DWORD ms = 60000);
// The folder of this test program (where the DLL, the tools and the fixtures lie), and the
// Windows directory, both without a trailing backslash.
std::string ProgramDir();
std::string WindowsDir();

// One result of a SARIF log that qndcheck --format sarif wrote: a finding (its code in `rule`)
// or a line of the listing (`rule` empty), its wording, file and line, and its heading.
struct SarifResult {
  std::string rule, level, text, uri, section;
  int line = 0;
  std::vector<std::string> args;  // a finding's: the texts that fill its wording
};
// The results of SARIF log `json`, in order; false when it is no JSON or lacks a results array
// (`*error` says where).
bool ReadSarif(const std::string& json, std::vector<SarifResult>& results, std::string* error);

// Runs this test program again as `program --child NAME` and returns its exit code
// (0xC0000005 for an access violation; 259 when it did not end within `ms` milliseconds).
DWORD RunChild(const char* name, DWORD ms = 60000);
// The arguments a child was given after its NAME.
const std::vector<std::string>& ChildArgs();
// Defines what a child NAME does; its return value is the child's exit code.
struct ChildScenario {
  ChildScenario(const char* name, int (*fn)());
};
#define BENCH_CHILD(name)                                          \
  static int Child_##name();                                       \
  static ::bench::ChildScenario child_##name(#name, Child_##name); \
  static int Child_##name()

// This test program run again as child NAME with `args` (ChildArgs), while the object lives.
class Child {
 public:
  Child(const char* name, const std::string& args);
  ~Child();  // waits for it as Wait does
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  // Waits up to `ms` for it to end (ends it then, 259); its exit code.
  DWORD Wait(DWORD ms = 30000);

 private:
  HANDLE process_;
};

// File `path` held open by another process without sharing while the object lives, as a virus
// scanner or an editor may hold it: nobody else can open it.
class HeldFile {
 public:
  explicit HeldFile(const std::string& path);
  ~HeldFile();
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;
  bool held() const { return held_; }

 private:
  HANDLE ready_, done_;
  Child child_;
  bool held_;
};

// A file at a path of exactly `chars` characters below `dir`, in folders made for it, written
// through the platform's long-path form ("\\?\"): its path, which does not fit 259 characters
// when `chars` is more. Removed with its folders by RemoveLongPath.
std::string WriteLongPathFile(const std::string& dir, std::size_t chars, const std::string& text);
void RemoveLongPath(const std::string& dir, const std::string& path);

// A small repeatable random source for the differential tests: the same seed, the same cases.
struct Random {
  unsigned s;
  unsigned Below(unsigned n) { return ((s = s * 1103515245u + 12345u) >> 8) % n; }
  bool Chance(unsigned percent) { return Below(100) < percent; }
  template <size_t N>
  const char* Pick(const char* const (&items)[N]) {
    return items[Below(N)];
  }
};

// The seeds of a differential test's random cases: `fixed` of them from 1, or the ones the
// environment names (QND_CHECK_SEEDS from QND_CHECK_FIRST_SEED, as make fuzz-check sets them).
std::vector<unsigned> Seeds(unsigned fixed);

// ---- older Windows, simulated ----
// Binds the library's import `function` of `dll` ("KERNEL32.dll"...) to `stub` for the object's
// lifetime, by writing the library's import address table in this process: the library then
// meets the documented behaviour of an older Windows (Windows 95's MoveFileExA, which fails with
// 120) while everything else stays the real platform. ok() is false when the library does not
// import that function by name.
class ImportPatch {
 public:
  ImportPatch(const char* dll, const char* function, FARPROC stub);
  ~ImportPatch();
  ImportPatch(const ImportPatch&) = delete;
  ImportPatch& operator=(const ImportPatch&) = delete;
  bool ok() const { return slot_ != nullptr; }
  FARPROC original() const { return original_; }  // the function the library imported

 private:
  FARPROC* slot_ = nullptr;
  FARPROC original_ = nullptr;
};

// ---- registry ----
// HKCU\Software\QndTest\<name>, deleted with everything below it before and after the test.
class TestKey {
 public:
  explicit TestKey(const char* name);
  ~TestKey();
  const std::string& path() const { return path_; }  // below HKEY_CURRENT_USER
  std::string Sub(const char* sub) const { return path_ + "\\" + sub; }

 private:
  std::string path_;
};

LONG DeleteTree(HKEY root, const std::string& path);
bool KeyExists(HKEY root, const std::string& path);

struct RegValue {
  LONG status = ERROR_FILE_NOT_FOUND;  // ERROR_SUCCESS when found
  DWORD type = REG_NONE;
  std::string bytes;  // the raw data, terminator included
  DWORD Dword() const;
  std::string Text() const;  // the data up to its first NUL
};
RegValue ReadValue(HKEY root, const std::string& path, const char* name);
LONG WriteString(HKEY root, const std::string& path, const char* name, const std::string& text,
                 DWORD type = REG_SZ);
// Sets an SDDL security descriptor (DACL, and owner when it starts with "O:") on a key.
LONG SetKeySddl(HKEY root, const std::string& path, const char* sddl);
// A text listing of a key's tree: every sub-key, value name, type and data, sorted.
std::string DumpTree(HKEY root, const std::string& path);

// A registry link at HKEY_CURRENT_USER\`path` whose target is HKEY_CURRENT_USER\`target`:
// opening `path` opens the target. RemoveLink deletes the link itself, never its target.
LONG MakeLink(const std::string& path, const std::string& target);
LONG RemoveLink(const std::string& path);
// A registry link at `root`\`path` whose target is the registry's own name `target`
// ("\Registry\Machine\..."); its missing parents are made first as plain keys.
LONG MakeLink(HKEY root, const std::string& path, const std::wstring& target);
// The registry's own name of the key `root`\`path` (a link as the link); "" when it cannot be
// opened.
std::wstring RegistryName(HKEY root, const std::string& path);
// `text` of the ANSI code page in UTF-16.
std::wstring Wide(const std::string& text);
// Text as qndcheck shows it, read back to what it stands for: "\\" a backslash, "\"" a
// quotation mark, "\n" "\r" "\t" "\xHH" those characters, a backslash before anything else
// itself.
std::string ReadBack(const std::string& shown);

// The current user's own key below HKEY_USERS ("S-1-5-21-..."), as the platform names
// HKEY_CURRENT_USER.
std::string UserSid();
// True when the key `root`\`path` is a registry link, as the platform has it: opened as every
// call opens it, it reaches another key, or none (whatever values it holds).
bool IsLink(HKEY root, const std::string& path);
// Deletes the key `root`\`path` with everything below it; a registry link goes as the link,
// and its target stays. A missing key counts as deleted.
LONG RemoveTree(HKEY root, const std::string& path);

// Lines of a profile file whose names, each with its terminator, come to exactly `chars`
// characters of the reader's name list: each line is `before` + name + `after`, the names made
// of `prefix` and a number (`chars` must leave room for at least one such name).
std::string NameListPadding(size_t chars, const std::string& prefix, const char* before,
                            const char* after);

// Office 7.0's keys below HKEY_CURRENT_USER, and the key of the add-ins' first-call marker.
constexpr char kExcel[] = "Software\\Microsoft\\Excel\\7.0";
constexpr char kExcelOptions[] = "Software\\Microsoft\\Excel\\7.0\\Microsoft Excel";
constexpr char kWord[] = "Software\\Microsoft\\Word\\7.0";
constexpr char kWordOptions[] = "Software\\Microsoft\\Word\\7.0\\Options";
constexpr char kMarker[] = "Software\\Halvecor\\ZARIM 98\\Office95";
// Where the add-ins' support library goes: "QND_OF7.DLL" in the system directory.
std::string OfficeLibrary();
// The name of Excel's add-in value of slot `i`: "OPEN", "OPEN1" ... "OPEN100".
std::string OpenName(int i);
// The add-ins' three component files, as their source directory holds them.
constexpr const char* kOfficeComponents[] = {"QND_OF7.DOT", "QND_OF7.XLA", "QND_OF7.DLL"};
// The three component files in folder `dir` (made if missing), each holding `tag` and its name.
void PutOfficeComponents(const std::string& dir, const std::string& tag);
// No Office 7.0 keys, first-call marker or support library: the keys go (their access restored
// first), and their parents when nothing else lies below them.
void RemoveOffice();
// Deletes file or empty folder `path`, read-only or not.
void RemoveEntry(const std::string& path);

// ---- fonts ----
// How many fonts of `face` GDI enumerates in this process.
int FontFaces(const char* face);
// The Windows directory's FONTS directory and WIN.INI.
std::string FontsDir();
std::string WinIni();

// `text` with each `token` replaced by `by`.
std::string ReplaceAll(std::string text, const std::string& token, const std::string& by);

// ---- files ----
// A fresh folder under the temporary directory, deleted with its contents afterwards.
class TempDir {
 public:
  explicit TempDir(const char* name);
  ~TempDir();
  const std::string& path() const { return path_; }
  std::string File(const char* name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};
bool WriteTextFile(const std::string& path, const std::string& text);
// Writes a registry script into file `name` of `dir`, with "@KEY@" in `body` standing for
// the test key in HKEY_CURRENT_USER; gives the file's path.
std::string WriteScript(const TempDir& dir, const TestKey& key, const std::string& body,
                        const char* name);
bool FileExists(const std::string& path);
// Calls `fn` with the path and find data of each entry of folder `dir`, "." and ".." left out.
void ForEachEntry(const std::string& dir,
                  const std::function<void(const std::string&, const WIN32_FIND_DATAA&)>& fn);
// The names in folder `dir`, "." and ".." left out.
std::set<std::string> Names(const std::string& dir);
// Every folder ("folder PATH") and file ("file PATH SIZE") below `dir`, but `skip` and what lies
// below it, into `out`.
void ListFiles(const std::string& dir, const std::string& skip, std::set<std::string>& out);
std::string ReadTextFile(const std::string& path);

// A test of registry scripts: its own key `key_` and folder `dir_`, both named `name`; the
// scripts it writes say "@KEY@" for the key.
class ScriptTest : public testing::Test {
 protected:
  explicit ScriptTest(const char* name) : key_(name), dir_(name) {}
  std::string Script(const std::string& body, const char* name = "test.srg") const {
    return WriteScript(dir_, key_, body, name);
  }
  static int DoReg(const std::string& script, const QndPathContext* context = nullptr) {
    return Qnd().DoReg(script.c_str(), context, 0);
  }
  static int UndoReg(const std::string& script, const QndPathContext* context = nullptr) {
    return Qnd().UndoReg(script.c_str(), context, 0);
  }
  // Value `name` of the key's sub-key `sub` (null: of the key itself).
  RegValue Value(const char* sub, const char* name) const {
    return ReadValue(HKEY_CURRENT_USER, sub ? key_.Sub(sub) : key_.path(), name);
  }

  TestKey key_;
  TempDir dir_;
};

// ---- windows ----
// Hidden top-level windows that stand for running applications, one per class, made by a thread
// of their own that pumps their messages until the object goes. Each window counts the messages
// it receives whose identifier lies in [first, last] (a registered message, say).
class StandInWindows {
 public:
  explicit StandInWindows(const std::vector<std::string>& classes, UINT first = 0, UINT last = 0);
  ~StandInWindows();
  StandInWindows(const StandInWindows&) = delete;
  StandInWindows& operator=(const StandInWindows&) = delete;
  bool ready() const { return ready_; }     // every window was made
  HWND Find(const std::string& cls) const;  // the window of that class; null once closed
  // Closes that window as its user would (WM_CLOSE); true when it was gone within 10 s.
  bool Close(const std::string& cls);
  // True when, within 10 s, the pump handled everything posted to the windows before the call.
  bool Settle();

  struct Slot {
    std::string cls;
    HWND hwnd = nullptr;
    UINT first = 0, last = 0;
    volatile LONG count = 0;  // messages counted
    WPARAM wp = 0;            // the parameters of the last one
    LPARAM lp = 0;
  };
  const Slot* Get(const std::string& cls) const;  // null for a class not made here

 private:
  static DWORD WINAPI Pump(LPVOID self);
  std::vector<Slot> slots_;
  HANDLE thread_ = nullptr, made_ = nullptr, settled_ = nullptr;
  DWORD thread_id_ = 0;
  bool ready_ = false;
};

// Hidden top-level windows that stand for applications of another process, one per class,
// made by a child process (this test program run again). The child pumps their messages until
// the object goes; `hung`: it never pumps, as an application that stopped answering. The child
// ends with the object (or with this process).
class ChildWindows {
 public:
  explicit ChildWindows(const std::vector<std::string>& classes, bool hung = false);
  ~ChildWindows();
  ChildWindows(const ChildWindows&) = delete;
  ChildWindows& operator=(const ChildWindows&) = delete;
  bool ready() const { return ready_; }     // every window was there within 10 s
  HWND Find(const std::string& cls) const;  // the child's window of that class; null once closed
  // Closes that window as its user would (WM_CLOSE); true when it was gone within 10 s.
  bool Close(const std::string& cls);

 private:
  PROCESS_INFORMATION child_ = {};
  bool ready_ = false;
};

// A message box as a watcher found it.
struct SeenBox {
  std::string caption;
  std::string text;        // the bytes of its text, as the box holds them (ANSI code page)
  std::wstring wide_text;  // its text read back as Unicode
  HWND owner = nullptr;
  HICON icon = nullptr;      // the icon it shows
  std::vector<int> buttons;  // ids of its buttons, ascending
};
// What to do with one box: close a stand-in window first (the user closes the application),
// then press a button.
struct BoxAnswer {
  const char* close_class;  // null: close nothing
  int button;               // IDRETRY, IDCANCEL...
};

// A thread that finds the message boxes (class "#32770") of this process one after another,
// records each and answers the n-th as answers[n] says, closing a window of `apps`, else of
// `others`. A box beyond the answers is recorded and cancelled, so that a call under test never
// blocks on a box. Every wait is bounded.
class BoxWatcher {
 public:
  BoxWatcher(std::vector<BoxAnswer> answers, StandInWindows* apps, ChildWindows* others = nullptr);
  ~BoxWatcher();
  BoxWatcher(const BoxWatcher&) = delete;
  BoxWatcher& operator=(const BoxWatcher&) = delete;
  // Stops watching (call it once the call under test returned) and gives every box seen.
  const std::vector<SeenBox>& Stop();
  bool failed() const { return failed_; }  // a stand-in or a box did not go away in time

 private:
  static DWORD WINAPI Watch(LPVOID self);
  void Answer(HWND dlg);
  std::vector<BoxAnswer> answers_;
  StandInWindows* apps_;
  ChildWindows* others_;
  std::vector<SeenBox> seen_;
  HANDLE stop_ = nullptr, thread_ = nullptr;
  volatile bool failed_ = false;
};

}  // namespace bench
