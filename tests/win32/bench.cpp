#include "bench.h"

#include <sddl.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <vector>

namespace bench {

HMODULE Library() {
  static HMODULE dll = LoadLibraryA("qndsetup.dll");
  return dll;
}

FARPROC Bind(const char* name) { return Library() ? GetProcAddress(Library(), name) : nullptr; }

const Exports& Qnd() {
  static const Exports e = [] {
    Exports x;
    x.DoReg = reinterpret_cast<decltype(x.DoReg)>(Bind("DoReg"));
    x.RegisterQuindo = reinterpret_cast<decltype(x.RegisterQuindo)>(Bind("RegisterQuindo"));
    x.UndoReg = reinterpret_cast<decltype(x.UndoReg)>(Bind("UndoReg"));
    x.UnregisterQuindo = reinterpret_cast<decltype(x.UnregisterQuindo)>(Bind("UnregisterQuindo"));
    x.GetFolder = reinterpret_cast<decltype(x.GetFolder)>(Bind("GetFolder"));
    x.Internal010 = reinterpret_cast<decltype(x.Internal010)>(Bind("Internal010"));
    x.Internal015 = reinterpret_cast<decltype(x.Internal015)>(Bind("Internal015"));
    x.Internal012 = reinterpret_cast<decltype(x.Internal012)>(Bind("Internal012"));
    x.InstallOfficeSupport =
        reinterpret_cast<decltype(x.InstallOfficeSupport)>(Bind("InstallOfficeSupport"));
    x.Internal007 = reinterpret_cast<decltype(x.Internal007)>(Bind("Internal007"));
    x.CheckApplicationsActive =
        reinterpret_cast<decltype(x.CheckApplicationsActive)>(Bind("CheckApplicationsActive"));
    return x;
  }();
  return e;
}

// ---- argument bytes ----
// The thunk pushes the arguments itself, keeps ESP in memory across the call (so that a callee
// that breaks the convention cannot make it lie) and restores its own frame from EBP.
extern "C" int __cdecl bench_call_stack(void* fn, const DWORD* args, int n, DWORD* result,
                                        int* regs_ok);
asm(R"(
    .data
bench_esp_before: .long 0
    .text
    .globl _bench_call_stack
_bench_call_stack:
    pushl %ebp
    movl  %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    movl  16(%ebp), %ecx
    movl  12(%ebp), %edx
1:  testl %ecx, %ecx
    jz    2f
    decl  %ecx
    pushl (%edx,%ecx,4)
    jmp   1b
2:  movl  %esp, bench_esp_before
    movl  $0x1B2B3B4B, %ebx
    movl  $0x5A5A5A5A, %esi
    movl  $0xA5A5A5A5, %edi
    call  *8(%ebp)
    xorl  %edx, %edx
    cmpl  $0x1B2B3B4B, %ebx
    jne   3f
    cmpl  $0x5A5A5A5A, %esi
    jne   3f
    cmpl  $0xA5A5A5A5, %edi
    jne   3f
    incl  %edx
3:  movl  %esp, %ecx
    subl  bench_esp_before, %ecx
    movl  20(%ebp), %ebx
    testl %ebx, %ebx
    jz    4f
    movl  %eax, (%ebx)
4:  movl  24(%ebp), %ebx
    movl  %edx, (%ebx)
    movl  %ecx, %eax
    leal  -12(%ebp), %esp
    popl  %edi
    popl  %esi
    popl  %ebx
    popl  %ebp
    ret
)");

int StackBytes(FARPROC fn, const DWORD* args, int n, DWORD* result, bool* regs_ok) {
  int ok = 0;
  const int bytes = bench_call_stack(reinterpret_cast<void*>(fn), args, n, result, &ok);
  if (regs_ok) *regs_ok = ok != 0;
  return bytes;
}

// ---- guard-page buffers ----
GuardBuffer::GuardBuffer(size_t size) : size_(size) {
  SYSTEM_INFO si;
  GetSystemInfo(&si);
  const size_t page = si.dwPageSize, span = (size + page - 1) / page * page;
  base_ = static_cast<char*>(
      VirtualAlloc(nullptr, span + page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
  DWORD old;
  VirtualProtect(base_ + span, page, PAGE_NOACCESS, &old);
  data_ = base_ + span - size;
  Fill();
}
GuardBuffer::~GuardBuffer() { VirtualFree(base_, 0, MEM_RELEASE); }
void GuardBuffer::Fill(unsigned char byte) { std::memset(data_, byte, size_); }
bool GuardBuffer::Untouched() const {
  return std::all_of(data_, data_ + size_, [](char c) { return (unsigned char)c == 0xBD; });
}

// ---- handles ----
namespace {
struct HandleEntry {
  ULONG pid;
  BYTE type;
  BYTE flags;
  USHORT handle;
  PVOID object;
  ACCESS_MASK access;
};
// The system's handle table (Wine answers only SystemHandleInformation, class 16).
std::vector<HandleEntry> OwnHandles() {
  typedef NTSTATUS(NTAPI * Query)(ULONG, PVOID, ULONG, PULONG);
  Query query = reinterpret_cast<Query>(
      GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation"));
  std::vector<BYTE> buf(1 << 16);
  NTSTATUS s;
  while ((s = query(16, buf.data(), (ULONG)buf.size(), nullptr)) == (NTSTATUS)0xC0000004L) {
    buf.resize(buf.size() * 2);
  }
  std::vector<HandleEntry> own;
  if (s != 0) return own;
  const ULONG count = *reinterpret_cast<ULONG*>(buf.data());
  const HandleEntry* e = reinterpret_cast<const HandleEntry*>(buf.data() + sizeof(ULONG));
  for (ULONG i = 0; i < count; ++i) {
    if (e[i].pid == GetCurrentProcessId()) own.push_back(e[i]);
  }
  return own;
}

int HandleCount() { return (int)OwnHandles().size(); }

void PrintHandles() {
  typedef NTSTATUS(NTAPI * QueryObject)(HANDLE, ULONG, PVOID, ULONG, PULONG);
  QueryObject query =
      reinterpret_cast<QueryObject>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryObject"));
  for (const HandleEntry& e : OwnHandles()) {
    BYTE type[512] = {}, name[2048] = {};
    HANDLE h = reinterpret_cast<HANDLE>((ULONG_PTR)e.handle);
    query(h, 2, type, sizeof type, nullptr);
    query(h, 1, name, sizeof name, nullptr);
    const UNICODE_STRING* t = reinterpret_cast<UNICODE_STRING*>(type);
    const UNICODE_STRING* n = reinterpret_cast<UNICODE_STRING*>(name);
    std::printf("  0x%04x %-12.*ls %.*ls\n", e.handle, t->Length / 2, t->Buffer ? t->Buffer : L"",
                n->Length / 2, n->Buffer ? n->Buffer : L"");
  }
}
}  // namespace

void ExpectNoHandleLeak(const std::function<void()>& round, int rounds) {
  round();
  const int before = HandleCount();
  for (int i = 0; i < rounds; ++i) round();
  EXPECT_EQ(before, HandleCount());
  if (before != HandleCount()) PrintHandles();
}

// ---- child processes ----
namespace {
std::map<std::string, int (*)()>& Scenarios() {
  static std::map<std::string, int (*)()> m;
  return m;
}

std::vector<std::string>& Args() {
  static std::vector<std::string> args;
  return args;
}

// Starts the command line `command` (its standard output and error into the inheritable
// handle `out` when given); false when it cannot be started.
bool StartProgram(std::string command, PROCESS_INFORMATION* pi, HANDLE out = nullptr) {
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  si.dwFlags = out ? STARTF_USESTDHANDLES : 0;
  si.hStdOutput = si.hStdError = out;
  return CreateProcessA(nullptr, &command[0], nullptr, nullptr, out != nullptr, 0, nullptr, nullptr,
                        &si, pi) != 0;
}

// Starts `command` as StartProgram does; its process handle, or null with the error in `error`.
HANDLE StartProcess(const std::string& command, DWORD* error, HANDLE out = nullptr) {
  PROCESS_INFORMATION pi = {};
  if (!StartProgram(command, &pi, out)) {
    *error = GetLastError();
    return nullptr;
  }
  CloseHandle(pi.hThread);
  return pi.hProcess;
}

// The command line that runs this test program as child `name`.
std::string ChildCommand(const char* name) {
  char exe[MAX_PATH];
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  return std::string("\"") + exe + "\" --child " + name;
}
}  // namespace

namespace {
// Writes `value` into the import slot `slot`, made writable for the moment.
void WriteSlot(FARPROC* slot, FARPROC value) {
  DWORD old = 0;
  VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old);
  *slot = value;
  VirtualProtect(slot, sizeof *slot, old, &old);
}
}  // namespace

ImportPatch::ImportPatch(const char* dll, const char* function, FARPROC stub) {
  auto* base = reinterpret_cast<BYTE*>(Library());
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(
      base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
       d->Name; ++d) {
    if (lstrcmpiA(reinterpret_cast<const char*>(base + d->Name), dll) != 0) continue;
    const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA32*>(base + d->OriginalFirstThunk);
    auto* slots = reinterpret_cast<FARPROC*>(base + d->FirstThunk);
    for (int i = 0; names[i].u1.AddressOfData; ++i) {
      if (names[i].u1.Ordinal & IMAGE_ORDINAL_FLAG32) continue;
      const auto* by_name =
          reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names[i].u1.AddressOfData);
      if (lstrcmpA(reinterpret_cast<const char*>(by_name->Name), function) != 0) continue;
      slot_ = &slots[i];
      original_ = *slot_;
      WriteSlot(slot_, stub);
      return;
    }
  }
}

ImportPatch::~ImportPatch() {
  if (slot_) WriteSlot(slot_, original_);
}

ChildScenario::ChildScenario(const char* name, int (*fn)()) { Scenarios()[name] = fn; }

const std::vector<std::string>& ChildArgs() { return Args(); }

std::string ProgramDir() {
  char exe[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  const std::string path = exe;
  return path.substr(0, path.rfind('\\'));
}

std::string WindowsDir() {
  char dir[MAX_PATH] = {};
  GetWindowsDirectoryA(dir, MAX_PATH);
  return dir;
}

std::string OfficeLibrary() {
  char dir[MAX_PATH] = {};
  GetSystemDirectoryA(dir, MAX_PATH);
  return std::string(dir) + "\\QND_OF7.DLL";
}

std::string OpenName(int i) { return i ? "OPEN" + std::to_string(i) : "OPEN"; }

void PutOfficeComponents(const std::string& dir, const std::string& tag) {
  CreateDirectoryA(dir.c_str(), nullptr);
  for (const char* file : kOfficeComponents) {
    ASSERT_TRUE(WriteTextFile(dir + "\\" + file, tag + " " + file));
  }
}

void RemoveOffice() {
  for (const char* key : {kExcelOptions, kWordOptions, kMarker}) {
    SetKeySddl(HKEY_CURRENT_USER, key, "D:(A;;KA;;;WD)");
  }
  for (const char* key : {kExcel, kWord, kMarker}) DeleteTree(HKEY_CURRENT_USER, key);
  for (const char* key : {"Software\\Microsoft\\Excel", "Software\\Microsoft\\Word",
                          "Software\\Halvecor\\ZARIM 98", "Software\\Halvecor"}) {
    RegDeleteKeyA(HKEY_CURRENT_USER, key);  // refused while anything else lies below it
  }
  RemoveEntry(OfficeLibrary());
}

void RemoveEntry(const std::string& path) {
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(path.c_str());
  RemoveDirectoryA(path.c_str());
}

namespace {

// A JSON value, as much of one as a SARIF log needs: objects, arrays, strings (\u escapes of
// the Basic Multilingual Plane as UTF-8), numbers, true, false, null.
struct Json {
  enum Type { Null, Bool, Number, String, Array, Object } type = Null;
  double number = 0;
  std::string text;
  std::vector<Json> items;
  std::vector<std::pair<std::string, Json>> members;
  const Json& operator[](const char* name) const {
    static const Json none;
    for (const auto& m : members) {
      if (m.first == name) return m.second;
    }
    return none;
  }
};

class JsonReader {
 public:
  explicit JsonReader(const std::string& s) : s_(s) {}
  bool Value(Json& v) {
    Blank();
    if (at_ >= s_.size()) return false;
    const char c = s_[at_];
    if (c == '{') return Members(v);
    if (c == '[') return Items(v);
    if (c == '"') return v.type = Json::String, Text(v.text);
    for (const char* word : {"true", "false", "null"}) {
      if (s_.compare(at_, strlen(word), word) == 0) {
        at_ += strlen(word);
        v.type = *word == 'n' ? Json::Null : Json::Bool;
        v.number = *word == 't';
        return true;
      }
    }
    char* end = nullptr;
    v.number = strtod(s_.c_str() + at_, &end);
    if (end == s_.c_str() + at_) return false;
    at_ = static_cast<size_t>(end - s_.c_str());
    v.type = Json::Number;
    return true;
  }
  bool AtEnd() {
    Blank();
    return at_ == s_.size();
  }
  size_t at() const { return at_; }

 private:
  void Blank() {
    while (at_ < s_.size() && strchr(" \t\r\n", s_[at_])) ++at_;
  }
  bool Take(char c) {
    Blank();
    if (at_ >= s_.size() || s_[at_] != c) return false;
    ++at_;
    return true;
  }
  bool Text(std::string& out) {
    if (!Take('"')) return false;
    while (at_ < s_.size() && s_[at_] != '"') {
      char c = s_[at_++];
      if (c != '\\') {
        out += c;
        continue;
      }
      if (at_ >= s_.size()) return false;
      c = s_[at_++];
      const char* from = "\"\\/bfnrt";
      const char* to = "\"\\/\b\f\n\r\t";
      if (c != 'u') {
        const char* p = strchr(from, c);
        if (!p) return false;
        out += to[p - from];
        continue;
      }
      if (at_ + 4 > s_.size()) return false;
      const unsigned u = static_cast<unsigned>(strtoul(s_.substr(at_, 4).c_str(), nullptr, 16));
      at_ += 4;
      if (u < 0x80) {
        out += static_cast<char>(u);
      } else if (u < 0x800) {
        out += static_cast<char>(0xC0 | u >> 6), out += static_cast<char>(0x80 | (u & 0x3F));
      } else {
        out += static_cast<char>(0xE0 | u >> 12);
        out += static_cast<char>(0x80 | (u >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (u & 0x3F));
      }
    }
    return Take('"');
  }
  bool Members(Json& v) {
    v.type = Json::Object;
    Take('{');
    if (Take('}')) return true;
    do {
      std::pair<std::string, Json> m;
      Blank();
      if (!Text(m.first) || !Take(':') || !Value(m.second)) return false;
      v.members.push_back(std::move(m));
    } while (Take(','));
    return Take('}');
  }
  bool Items(Json& v) {
    v.type = Json::Array;
    Take('[');
    if (Take(']')) return true;
    do {
      v.items.emplace_back();
      if (!Value(v.items.back())) return false;
    } while (Take(','));
    return Take(']');
  }
  const std::string& s_;
  size_t at_ = 0;
};

}  // namespace

// UTF-8 text in the ANSI code page, as the rest of the bench holds text.
static std::string Ansi(const std::string& utf8) {
  if (utf8.empty()) return utf8;
  std::wstring wide(utf8.size(), L'\0');
  wide.resize((size_t)MultiByteToWideChar(CP_UTF8, 0, utf8.data(), (int)utf8.size(), &wide[0],
                                          (int)wide.size()));
  std::string out(wide.size() * 2, '\0');
  out.resize((size_t)WideCharToMultiByte(CP_ACP, 0, wide.data(), (int)wide.size(), &out[0],
                                         (int)out.size(), nullptr, nullptr));
  return out;
}

bool ReadSarif(const std::string& json, std::vector<SarifResult>& results, std::string* error) {
  Json log;
  JsonReader reader(json);
  if (!reader.Value(log) || !reader.AtEnd()) {
    if (error) *error = "no JSON, at byte " + std::to_string(reader.at());
    return false;
  }
  const Json& list = log["runs"].items.empty() ? Json() : log["runs"].items[0]["results"];
  if (list.type != Json::Array) {
    if (error) *error = "no results";
    return false;
  }
  for (const Json& r : list.items) {
    SarifResult out;
    out.rule = r["ruleId"].text;
    out.level = r["level"].text;
    out.text = Ansi(r["message"]["text"].text);
    out.section = Ansi(r["properties"]["section"].text);
    for (const Json& arg : r["properties"]["arguments"].items) out.args.push_back(Ansi(arg.text));
    if (!r["locations"].items.empty()) {
      const Json& where = r["locations"].items[0]["physicalLocation"];
      out.uri = Ansi(where["artifactLocation"]["uri"].text);
      out.line = static_cast<int>(where["region"]["startLine"].number);
    }
    results.push_back(out);
  }
  return true;
}

DWORD RunChild(const char* name, DWORD ms) { return RunProgram(ChildCommand(name), ms); }

Child::Child(const char* name, const std::string& args) {
  DWORD error = 0;
  process_ = StartProcess(ChildCommand(name) + " " + args, &error);
}

Child::~Child() { Wait(); }

namespace {
std::string EventName(const char* what) {
  return "qndtest.held." + std::to_string(GetCurrentProcessId()) + "." + what;
}
}  // namespace

BENCH_CHILD(hold_file) {  // PATH READY DONE
  const std::vector<std::string>& args = ChildArgs();
  if (args.size() < 3) return 2;
  HANDLE file = CreateFileA(args[0].c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 3;
  HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, args[1].c_str());
  HANDLE done = OpenEventA(SYNCHRONIZE, FALSE, args[2].c_str());
  SetEvent(ready);
  WaitForSingleObject(done, 60000);
  CloseHandle(file);
  return 0;
}

HeldFile::HeldFile(const std::string& path)
    : ready_(CreateEventA(nullptr, TRUE, FALSE, EventName("ready").c_str())),
      done_(CreateEventA(nullptr, TRUE, FALSE, EventName("done").c_str())),
      child_("hold_file", "\"" + path + "\" " + EventName("ready") + " " + EventName("done")),
      held_(WaitForSingleObject(ready_, 30000) == WAIT_OBJECT_0) {}

HeldFile::~HeldFile() {
  SetEvent(done_);
  child_.Wait();
  CloseHandle(ready_);
  CloseHandle(done_);
}

std::string WriteLongPathFile(const std::string& dir, std::size_t chars, const std::string& text) {
  std::string path = dir;
  while (path.size() + 1 + 100 < chars) {  // folders of 99 characters, then the file's name
    path += "\\" + std::string(99, 'd');
    CreateDirectoryW((L"\\\\?\\" + std::wstring(path.begin(), path.end())).c_str(), nullptr);
  }
  path += "\\" + std::string(chars - path.size() - 1, 'f');
  HANDLE file = CreateFileW((L"\\\\?\\" + std::wstring(path.begin(), path.end())).c_str(),
                            GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
  return path;
}

void RemoveLongPath(const std::string& dir, const std::string& path) {
  std::string at = path;
  DeleteFileW((L"\\\\?\\" + std::wstring(at.begin(), at.end())).c_str());
  for (at.erase(at.rfind('\\')); at.size() > dir.size(); at.erase(at.rfind('\\'))) {
    RemoveDirectoryW((L"\\\\?\\" + std::wstring(at.begin(), at.end())).c_str());
  }
}

std::vector<unsigned> Seeds(unsigned fixed) {
  const auto number = [](const char* name, unsigned fallback) {
    char text[32] = "";
    GetEnvironmentVariableA(name, text, sizeof text);
    return *text ? (unsigned)std::strtoul(text, nullptr, 10) : fallback;
  };
  std::vector<unsigned> seeds;
  const unsigned first = number("QND_CHECK_FIRST_SEED", 1);
  for (unsigned seed = first; seed < first + number("QND_CHECK_SEEDS", fixed); ++seed) {
    seeds.push_back(seed);
  }
  return seeds;
}

namespace {
// Waits up to `ms` for `process` to end (ends it with 259 after that); its exit code. Closes it.
DWORD AwaitProgram(HANDLE process, DWORD ms) {
  DWORD code = STILL_ACTIVE;
  if (WaitForSingleObject(process, ms) != WAIT_OBJECT_0) TerminateProcess(process, 259);
  WaitForSingleObject(process, INFINITE);
  GetExitCodeProcess(process, &code);
  CloseHandle(process);
  return code;
}

}  // namespace

DWORD Child::Wait(DWORD ms) {
  const DWORD code = process_ ? AwaitProgram(process_, ms) : 259;
  process_ = nullptr;
  return code;
}

namespace {

// A running process whose parent is in `tree`, added to it; null when there is none.
HANDLE NextDescendant(std::vector<DWORD>& tree) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  HANDLE found = nullptr;
  for (BOOL more = Process32First(snapshot, &entry); more && !found;
       more = Process32Next(snapshot, &entry)) {
    const auto in_tree = [&tree](DWORD pid) {
      return std::find(tree.begin(), tree.end(), pid) != tree.end();
    };
    if (!in_tree(entry.th32ParentProcessID) || in_tree(entry.th32ProcessID)) continue;
    tree.push_back(entry.th32ProcessID);
    found = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE,
                        entry.th32ProcessID);
  }
  CloseHandle(snapshot);
  return found;
}
}  // namespace

DWORD RunProgram(std::string command, DWORD ms) {
  DWORD error = 0;
  HANDLE process = StartProcess(command, &error);
  return process ? AwaitProgram(process, ms) : error;
}

ProgramRun RunQndcheck(const std::string& args, const std::string& out_file, DWORD ms) {
  const std::string command = "\"" + ProgramDir() + "\\qndcheck.exe\" " + args;
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE file = CreateFileA(out_file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                            CREATE_ALWAYS, 0, nullptr);
  ProgramRun run;
  DWORD error = 0;
  if (HANDLE process = StartProcess(command, &error, file)) run.status = AwaitProgram(process, ms);
  CloseHandle(file);
  const std::string text = ReadTextFile(out_file);
  for (size_t begin = 0; begin < text.size();) {
    const size_t end = std::min(text.find('\n', begin), text.size());
    std::string line = text.substr(begin, end - begin);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    run.lines.push_back(line);
    begin = end + 1;
  }
  return run;
}

std::string ProgramRun::Text() const {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

DWORD RunProgramTree(std::string command, DWORD ms) {
  DWORD error = 0;
  HANDLE process = StartProcess(command, &error);
  if (!process) return error;
  std::vector<DWORD> tree = {GetProcessId(process)};
  DWORD code = error;
  for (; process; process = NextDescendant(tree)) code = AwaitProgram(process, ms);
  return code;
}

// An access violation in a child ends it at once with its code, instead of a debugger.
static LONG CALLBACK ChildFault(EXCEPTION_POINTERS* ep) {
  if (ep->ExceptionRecord->ExceptionCode == EXCEPTION_ACCESS_VIOLATION) {
    std::fflush(stdout);
    TerminateProcess(GetCurrentProcess(), EXCEPTION_ACCESS_VIOLATION);
  }
  return EXCEPTION_CONTINUE_SEARCH;
}

// ---- registry ----
TestKey::TestKey(const char* name) : path_(std::string("Software\\QndTest\\") + name) {
  DeleteTree(HKEY_CURRENT_USER, path_);
}
TestKey::~TestKey() { DeleteTree(HKEY_CURRENT_USER, path_); }

LONG DeleteTree(HKEY root, const std::string& path) {
  LONG r = RegDeleteTreeA(root, path.c_str());
  if (r == ERROR_SUCCESS) r = RegDeleteKeyA(root, path.c_str());
  return r == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : r;
}

bool KeyExists(HKEY root, const std::string& path) {
  HKEY k;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
  RegCloseKey(k);
  return true;
}

DWORD RegValue::Dword() const {
  DWORD d = 0;
  std::memcpy(&d, bytes.data(), std::min<size_t>(4, bytes.size()));
  return d;
}
std::string RegValue::Text() const { return std::string(bytes.c_str()); }

RegValue ReadValue(HKEY root, const std::string& path, const char* name) {
  RegValue v;
  HKEY k;
  v.status = RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &k);
  if (v.status != ERROR_SUCCESS) return v;
  DWORD size = 0;
  v.status = RegQueryValueExA(k, name, nullptr, &v.type, nullptr, &size);
  if (v.status == ERROR_SUCCESS) {
    v.bytes.resize(size);
    v.status =
        RegQueryValueExA(k, name, nullptr, &v.type, reinterpret_cast<BYTE*>(&v.bytes[0]), &size);
    v.bytes.resize(size);
  }
  RegCloseKey(k);
  return v;
}

LONG WriteString(HKEY root, const std::string& path, const char* name, const std::string& text,
                 DWORD type) {
  HKEY k;
  LONG r = RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr);
  if (r != ERROR_SUCCESS) return r;
  r = RegSetValueExA(k, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                     (DWORD)text.size() + 1);
  RegCloseKey(k);
  return r;
}

LONG SetKeySddl(HKEY root, const std::string& path, const char* sddl) {
  HKEY k;
  LONG r = RegOpenKeyExA(root, path.c_str(), 0, WRITE_DAC | WRITE_OWNER, &k);
  if (r != ERROR_SUCCESS) r = RegOpenKeyExA(root, path.c_str(), 0, WRITE_DAC, &k);
  if (r != ERROR_SUCCESS) return r;
  PSECURITY_DESCRIPTOR sd;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &sd, nullptr)) {
    RegCloseKey(k);
    return (LONG)GetLastError();
  }
  r = RegSetKeySecurity(k, DACL_SECURITY_INFORMATION, sd);
  if (r == ERROR_SUCCESS && std::strncmp(sddl, "O:", 2) == 0) {
    r = RegSetKeySecurity(k, OWNER_SECURITY_INFORMATION, sd);
  }
  LocalFree(sd);
  RegCloseKey(k);
  return r;
}

namespace {
void DumpInto(HKEY key, const std::string& prefix, std::vector<std::string>& lines) {
  char name[16384];
  std::vector<BYTE> data(1 << 16);
  for (DWORD i = 0;; ++i) {
    DWORD n = sizeof name, size = (DWORD)data.size(), type = 0;
    if (RegEnumValueA(key, i, name, &n, nullptr, &type, data.data(), &size) != ERROR_SUCCESS) break;
    char line[64];
    std::snprintf(line, sizeof line, "] type %lu size %lu: ", type, size);
    std::string text = prefix + " [" + name + line;
    for (DWORD b = 0; b < size; ++b) {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%02x", data[b]);
      text += hex;
    }
    lines.push_back(text);
  }
  for (DWORD i = 0;; ++i) {
    DWORD n = sizeof name;
    if (RegEnumKeyExA(key, i, name, &n, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    lines.push_back(prefix + "\\" + name);
    HKEY sub;
    if (RegOpenKeyExA(key, name, 0, KEY_READ, &sub) == ERROR_SUCCESS) {
      DumpInto(sub, prefix + "\\" + name, lines);
      RegCloseKey(sub);
    }
  }
}
}  // namespace

std::string DumpTree(HKEY root, const std::string& path) {
  HKEY k;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return "(missing)";
  std::vector<std::string> lines;
  DumpInto(k, "", lines);
  RegCloseKey(k);
  std::sort(lines.begin(), lines.end());
  std::string out;
  for (const std::string& l : lines) out += l + "\n";
  return out;
}

namespace {
// The registry's own name of HKEY_CURRENT_USER: \Registry\User\<the user's SID>.
std::wstring CurrentUserPath() {
  HANDLE token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return L"";
  BYTE info[256];
  DWORD size = 0;
  std::wstring path;
  LPWSTR sid = nullptr;
  if (GetTokenInformation(token, TokenUser, info, sizeof info, &size) &&
      ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(info)->User.Sid, &sid)) {
    path = std::wstring(L"\\Registry\\User\\") + sid;
    LocalFree(sid);
  }
  CloseHandle(token);
  return path;
}
}  // namespace

std::wstring Wide(const std::string& s) {
  std::wstring out(s.size() + 1, L'\0');
  out.resize(
      (size_t)MultiByteToWideChar(CP_ACP, 0, s.c_str(), (int)s.size(), &out[0], (int)out.size()));
  return out;
}

LONG MakeLink(const std::string& path, const std::string& target) {
  return MakeLink(HKEY_CURRENT_USER, path, CurrentUserPath() + L"\\" + Wide(target));
}

LONG MakeLink(HKEY root, const std::string& path, const std::wstring& target) {
  HKEY link;  // the parents first, as plain keys: made with the link they would be volatile
  if (RegCreateKeyA(root, path.substr(0, path.rfind('\\')).c_str(), &link) == ERROR_SUCCESS) {
    RegCloseKey(link);
  }
  LONG r = RegCreateKeyExW(root, Wide(path).c_str(), 0, nullptr,
                           REG_OPTION_CREATE_LINK | REG_OPTION_VOLATILE,
                           KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr, &link, nullptr);
  if (r != ERROR_SUCCESS) return r;
  r = RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK,
                     reinterpret_cast<const BYTE*>(target.c_str()),
                     (DWORD)(target.size() * sizeof(wchar_t)));
  RegCloseKey(link);
  return r;
}

// The registry's own name of an open key; "" when the platform does not say.
static std::wstring KeyName(HKEY key) {
  typedef LONG(WINAPI * QueryKey)(HANDLE, int, void*, ULONG, ULONG*);
  const QueryKey query =
      reinterpret_cast<QueryKey>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryKey"));
  ULONG info[1024] = {}, size = 0;
  const LONG status = query(key, 3 /* KeyNameInformation */, info, sizeof info, &size);
  return status ? L"" : std::wstring(reinterpret_cast<wchar_t*>(info + 1), info[0] / 2);
}

std::wstring RegistryName(HKEY root, const std::string& path) {
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), REG_OPTION_OPEN_LINK, KEY_READ, &key)) return L"";
  const std::wstring name = KeyName(key);
  RegCloseKey(key);
  return name;
}

std::string ReadBack(const std::string& shown) {
  std::string out;
  for (size_t i = 0; i < shown.size(); ++i) {
    const char next = i + 1 < shown.size() ? shown[i + 1] : '\0';
    if (shown[i] != '\\' || !next || !std::strchr("\\\"nrtx", next)) {
      out += shown[i];
      continue;
    }
    ++i;
    if (next == 'x') {
      out += (char)std::strtoul(shown.substr(i + 1, 2).c_str(), nullptr, 16);
      i += 2;
    } else {
      out += next == 'n' ? '\n' : next == 'r' ? '\r' : next == 't' ? '\t' : next;
    }
  }
  return out;
}

std::string UserSid() {
  const std::wstring name = RegistryName(HKEY_CURRENT_USER, "Software");  // \REGISTRY\User\SID\...
  const size_t from = name.find(L'\\', name.find(L'\\', 1) + 1) + 1;
  return std::string(name.begin() + (std::ptrdiff_t)from,
                     name.begin() + (std::ptrdiff_t)name.find(L'\\', from));
}

bool IsLink(HKEY root, const std::string& path) {
  HKEY itself, reached;
  if (RegOpenKeyExA(root, path.c_str(), REG_OPTION_OPEN_LINK, KEY_READ, &itself)) return false;
  const std::wstring name = KeyName(itself);
  RegCloseKey(itself);
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &reached)) return true;
  const bool other = KeyName(reached) != name;
  RegCloseKey(reached);
  return other;
}

LONG RemoveTree(HKEY root, const std::string& path) {
  HKEY key;
  LONG r = RegOpenKeyExA(root, path.c_str(), REG_OPTION_OPEN_LINK, KEY_ALL_ACCESS, &key);
  if (r != ERROR_SUCCESS) return r == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : r;
  char name[512];
  const bool link = IsLink(root, path);
  while (!link && RegEnumKeyA(key, 0, name, sizeof name) == ERROR_SUCCESS &&
         RemoveTree(key, name) == ERROR_SUCCESS) {
  }
  r = RegDeleteKeyA(key, "");
  RegCloseKey(key);
  return r;
}

LONG RemoveLink(const std::string& path) {
  HKEY link;
  LONG r =
      RegOpenKeyExW(HKEY_CURRENT_USER, Wide(path).c_str(), REG_OPTION_OPEN_LINK, DELETE, &link);
  if (r != ERROR_SUCCESS) return r;
  r = RegDeleteKeyW(link, L"");
  RegCloseKey(link);
  return r;
}

std::string NameListPadding(size_t chars, const std::string& prefix, const char* before,
                            const char* after) {
  const size_t kLine = 100;  // characters of each name with its terminator, but the last
  std::string lines;
  for (int i = 0; chars > 0; ++i) {
    const size_t len = chars >= 2 * kLine ? kLine : chars;  // the last takes what is left
    std::string name = prefix + std::to_string(i);
    name.resize(len - 1, 'x');
    lines += before + name + after;
    chars -= len;
  }
  return lines;
}

// ---- fonts ----
namespace {
int CALLBACK CountFace(const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM n) {
  ++*reinterpret_cast<int*>(n);
  return 1;
}
}  // namespace

int FontFaces(const char* face) {
  LOGFONTA font = {};
  font.lfCharSet = DEFAULT_CHARSET;
  lstrcpynA(font.lfFaceName, face, LF_FACESIZE);
  int n = 0;
  HDC dc = GetDC(nullptr);
  EnumFontFamiliesExA(dc, &font, CountFace, reinterpret_cast<LPARAM>(&n), 0);
  ReleaseDC(nullptr, dc);
  return n;
}

std::string FontsDir() { return WindowsDir() + "\\FONTS"; }
std::string WinIni() { return WindowsDir() + "\\win.ini"; }

std::string ReplaceAll(std::string text, const std::string& token, const std::string& by) {
  for (size_t at = 0; (at = text.find(token, at)) != std::string::npos; at += by.size()) {
    text.replace(at, token.size(), by);
  }
  return text;
}

// ---- files ----
void ForEachEntry(const std::string& dir,
                  const std::function<void(const std::string&, const WIN32_FIND_DATAA&)>& fn) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = found.cFileName;
    if (name != "." && name != "..") fn(dir + "\\" + name, found);
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

TempDir::TempDir(const char* name) {
  char tmp[MAX_PATH];
  GetTempPathA(MAX_PATH, tmp);
  path_ = std::string(tmp) + "qndtest-" + name;
  CreateDirectoryA(path_.c_str(), nullptr);
}

namespace {
void RemoveFolder(const std::string& dir) {
  ForEachEntry(dir, [](const std::string& path, const WIN32_FIND_DATAA& found) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      RemoveFolder(path);
    } else {
      DeleteFileA(path.c_str());
    }
  });
  RemoveDirectoryA(dir.c_str());
}
}  // namespace

TempDir::~TempDir() { RemoveFolder(path_); }

bool WriteTextFile(const std::string& path, const std::string& text) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = WriteFile(h, text.data(), (DWORD)text.size(), &written, nullptr);
  CloseHandle(h);
  return ok && written == text.size();
}

std::string WriteScript(const TempDir& dir, const TestKey& key, const std::string& body,
                        const char* name) {
  const std::string text = ReplaceAll(body, "@KEY@", "HKEY_CURRENT_USER\\" + key.path());
  const std::string path = dir.File(name);
  EXPECT_TRUE(WriteTextFile(path, text)) << path;
  return path;
}

void ListFiles(const std::string& dir, const std::string& skip, std::set<std::string>& out) {
  ForEachEntry(dir, [&](const std::string& path, const WIN32_FIND_DATAA& found) {
    if (path == skip) return;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      out.insert("folder " + path);
      ListFiles(path, skip, out);
    } else {
      out.insert("file " + path + " " + std::to_string(found.nFileSizeLow));
    }
  });
}

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::set<std::string> Names(const std::string& dir) {
  std::set<std::string> names;
  ForEachEntry(dir, [&](const std::string&, const WIN32_FIND_DATAA& found) {
    names.insert(found.cFileName);
  });
  return names;
}

std::string ReadTextFile(const std::string& path) {
  HANDLE h =
      CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::string();
  std::string text;
  char buf[4096];
  DWORD n;
  while (ReadFile(h, buf, sizeof buf, &n, nullptr) && n) text.append(buf, n);
  CloseHandle(h);
  return text;
}

// ---- windows ----
namespace {
// Posted to a stand-in pump (as a thread message): everything posted before it was handled.
constexpr UINT kSettleMessage = WM_APP + 1;

// Counts the messages of the window's slot range; forgets the window once it is destroyed.
LRESULT CALLBACK StandInProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<CREATESTRUCTA*>(lp);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* slot = reinterpret_cast<StandInWindows::Slot*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (slot && slot->first && message >= slot->first && message <= slot->last) {
    slot->wp = wp;
    slot->lp = lp;
    InterlockedIncrement(&slot->count);
  }
  if (slot && message == WM_NCDESTROY) slot->hwnd = nullptr;
  return DefWindowProcA(hwnd, message, wp, lp);  // WM_CLOSE destroys the window
}
}  // namespace

StandInWindows::StandInWindows(const std::vector<std::string>& classes, UINT first, UINT last)
    : slots_(classes.size()) {
  for (size_t i = 0; i < classes.size(); ++i) {
    slots_[i].cls = classes[i];
    slots_[i].first = first;
    slots_[i].last = last;
  }
  made_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  settled_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  thread_ = CreateThread(nullptr, 0, Pump, this, 0, &thread_id_);
  if (!thread_ || WaitForSingleObject(made_, 10000) != WAIT_OBJECT_0) ready_ = false;
}

StandInWindows::~StandInWindows() {
  if (thread_) {
    PostThreadMessageA(thread_id_, WM_QUIT, 0, 0);
    // the pump ends at once unless a test broke it; never leave it running on freed slots
    if (WaitForSingleObject(thread_, 10000) != WAIT_OBJECT_0) TerminateThread(thread_, 1);
    CloseHandle(thread_);
  }
  CloseHandle(made_);
  CloseHandle(settled_);
}

DWORD WINAPI StandInWindows::Pump(LPVOID p) {
  auto* self = static_cast<StandInWindows*>(p);
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  bool all = true;
  for (Slot& slot : self->slots_) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = StandInProc;
    wc.hInstance = instance;
    wc.lpszClassName = slot.cls.c_str();
    RegisterClassA(&wc);
    slot.hwnd = CreateWindowExA(0, slot.cls.c_str(), "", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                                nullptr, nullptr, instance, &slot);
    all = all && slot.hwnd;
  }
  self->ready_ = all;
  MSG msg;
  PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the queue exists before anyone posts
  SetEvent(self->made_);
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (!msg.hwnd && msg.message == kSettleMessage) {
      SetEvent(self->settled_);
    } else {
      DispatchMessageA(&msg);
    }
  }
  for (Slot& slot : self->slots_) {
    if (slot.hwnd) DestroyWindow(slot.hwnd);
    UnregisterClassA(slot.cls.c_str(), instance);
  }
  return 0;
}

const StandInWindows::Slot* StandInWindows::Get(const std::string& cls) const {
  for (const Slot& slot : slots_) {
    if (slot.cls == cls) return &slot;
  }
  return nullptr;
}

HWND StandInWindows::Find(const std::string& cls) const {
  const Slot* slot = Get(cls);
  return slot ? slot->hwnd : nullptr;
}

namespace {
// Posts WM_CLOSE to `hwnd`; true when the window was gone within 10 s.
bool CloseAndWait(HWND hwnd) {
  if (!hwnd || !PostMessageA(hwnd, WM_CLOSE, 0, 0)) return false;
  for (int i = 0; i < 1000 && IsWindow(hwnd); ++i) Sleep(10);
  return !IsWindow(hwnd);
}
}  // namespace

bool StandInWindows::Close(const std::string& cls) { return CloseAndWait(Find(cls)); }

bool StandInWindows::Settle() {
  // posted messages of one thread are handled in order: the marker comes after the rest
  return PostThreadMessageA(thread_id_, kSettleMessage, 0, 0) &&
         WaitForSingleObject(settled_, 10000) == WAIT_OBJECT_0;
}

// The child of ChildWindows; its arguments: the parent's process id, "hung" or "pump", then the
// classes. It ends when the parent does, if it is not ended before.
BENCH_CHILD(stand_in_windows) {
  const std::vector<std::string>& args = ChildArgs();
  HANDLE parent = args.size() > 2 ? OpenProcess(SYNCHRONIZE, FALSE, std::stoul(args[0])) : nullptr;
  if (!parent) return 2;
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  for (size_t i = 2; i < args.size(); ++i) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;  // WM_CLOSE destroys the window
    wc.hInstance = instance;
    wc.lpszClassName = args[i].c_str();
    RegisterClassA(&wc);
    if (!CreateWindowExA(0, wc.lpszClassName, "", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                         nullptr, instance, nullptr)) {
      return 3;
    }
  }
  if (args[1] == "hung") return WaitForSingleObject(parent, INFINITE) == WAIT_OBJECT_0 ? 0 : 4;
  while (MsgWaitForMultipleObjects(1, &parent, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  return 0;
}

ChildWindows::ChildWindows(const std::vector<std::string>& classes, bool hung) {
  ready_ = classes.empty();  // no child is needed
  if (ready_) return;
  std::string command = ChildCommand("stand_in_windows") + " " +
                        std::to_string(GetCurrentProcessId()) + (hung ? " hung" : " pump");
  for (const std::string& cls : classes) command += " \"" + cls + "\"";
  if (!StartProgram(command, &child_)) return;
  auto all = [&] {
    return std::all_of(classes.begin(), classes.end(),
                       [&](const std::string& cls) { return Find(cls) != nullptr; });
  };
  for (int i = 0; i < 1000 && !(ready_ = all()); ++i) Sleep(10);
}

ChildWindows::~ChildWindows() {
  if (!child_.hProcess) return;
  TerminateProcess(child_.hProcess, 0);
  WaitForSingleObject(child_.hProcess, 10000);
  CloseHandle(child_.hThread);
  CloseHandle(child_.hProcess);
}

HWND ChildWindows::Find(const std::string& cls) const {
  for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, cls.c_str(), nullptr)) != nullptr;) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (child_.hProcess && pid == child_.dwProcessId) return w;
  }
  return nullptr;
}

bool ChildWindows::Close(const std::string& cls) { return CloseAndWait(Find(cls)); }

namespace {
// A visible dialog window of this process (a message box is one once it is set up), or null.
HWND FindOwnBox() {
  HWND w = nullptr;
  while ((w = FindWindowExA(nullptr, w, "#32770", nullptr)) != nullptr) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid == GetCurrentProcessId() && IsWindowVisible(w)) return w;
  }
  return nullptr;
}

BOOL CALLBACK CollectButton(HWND child, LPARAM out) {
  char cls[16] = {};
  GetClassNameA(child, cls, sizeof cls);
  if (lstrcmpiA(cls, "Button") == 0) {
    reinterpret_cast<std::vector<int>*>(out)->push_back(GetDlgCtrlID(child));
  }
  return TRUE;
}

// What a message box shows: its text is the Static with id 0xFFFF, its icon the Static 1088.
SeenBox ReadBox(HWND dlg) {
  SeenBox box;
  char text[1024] = {};
  GetWindowTextA(dlg, text, sizeof text);
  box.caption = text;
  GetDlgItemTextA(dlg, 0xFFFF, text, sizeof text);
  box.text = text;
  wchar_t wide[1024] = {};
  GetDlgItemTextW(dlg, 0xFFFF, wide, 1024);
  box.wide_text = wide;
  box.owner = GetWindow(dlg, GW_OWNER);
  box.icon = reinterpret_cast<HICON>(SendDlgItemMessageA(dlg, 1088, STM_GETICON, 0, 0));
  EnumChildWindows(dlg, CollectButton, reinterpret_cast<LPARAM>(&box.buttons));
  std::sort(box.buttons.begin(), box.buttons.end());
  return box;
}
}  // namespace

BoxWatcher::BoxWatcher(std::vector<BoxAnswer> answers, StandInWindows* apps, ChildWindows* others)
    : answers_(std::move(answers)), apps_(apps), others_(others) {
  stop_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  thread_ = CreateThread(nullptr, 0, Watch, this, 0, nullptr);
}

BoxWatcher::~BoxWatcher() {
  Stop();
  CloseHandle(stop_);
}

const std::vector<SeenBox>& BoxWatcher::Stop() {
  if (thread_) {
    SetEvent(stop_);
    // an answer takes at most 20 s (a stand-in and the box each get 10 s to go)
    if (WaitForSingleObject(thread_, 30000) != WAIT_OBJECT_0) {
      TerminateThread(thread_, 1);
      failed_ = true;
    }
    CloseHandle(thread_);
    thread_ = nullptr;
  }
  return seen_;
}

DWORD WINAPI BoxWatcher::Watch(LPVOID p) {
  auto* self = static_cast<BoxWatcher*>(p);
  while (WaitForSingleObject(self->stop_, 10) == WAIT_TIMEOUT) {
    if (HWND dlg = FindOwnBox()) self->Answer(dlg);
  }
  return 0;
}

// Records the box, closes the stand-in its answer names, presses its button (Cancel for a box
// beyond the answers) and waits until the box is gone.
void BoxWatcher::Answer(HWND dlg) {
  const size_t n = seen_.size();
  seen_.push_back(ReadBox(dlg));
  const BoxAnswer answer = n < answers_.size() ? answers_[n] : BoxAnswer{nullptr, IDCANCEL};
  if (answer.close_class) {
    const bool own = apps_ && apps_->Find(answer.close_class);
    if (!(own ? apps_->Close(answer.close_class) : others_ && others_->Close(answer.close_class))) {
      failed_ = true;
    }
  }
  PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(answer.button, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dlg, answer.button)));
  for (int i = 0; i < 1000 && IsWindow(dlg); ++i) Sleep(10);
  if (IsWindow(dlg)) failed_ = true;
}
}  // namespace bench

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "--child") == 0) {
    AddVectoredExceptionHandler(1, bench::ChildFault);
    bench::Args().assign(argv + 3, argv + argc);
    auto it = bench::Scenarios().find(argv[2]);
    return it == bench::Scenarios().end() ? 99 : it->second();
  }
  testing::InitGoogleTest(&argc, argv);
  if (!bench::Library()) {
    std::printf("cannot load qndsetup.dll (error %lu)\n", GetLastError());
    return 1;
  }
  return RUN_ALL_TESTS();
}
