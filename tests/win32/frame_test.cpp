// The export surface and the module frame: names, argument bytes, DllMain, Internal010.
#include <set>
#include <string>

#include "bench.h"

namespace {

// Every export of the library, with harmless arguments and the bytes it must remove.
struct ExportRow {
  const char* name;
  int argc;
  DWORD args[3];
  int bytes;
};

const char kBuf[MAX_PATH] = {};
const DWORD kBufArg = (DWORD)(ULONG_PTR)kBuf;
char out_buf[MAX_PATH];  // written by Internal015

const ExportRow kSurface[] = {
    {"DoReg", 3, {(DWORD)(ULONG_PTR) "Z:\\no\\such.srg", 0, 1}, 12},
    {"RegisterQuindo", 1, {(DWORD)(ULONG_PTR) ""}, 4},
    {"UndoReg", 3, {(DWORD)(ULONG_PTR) "Z:\\no\\such.srg", 0, 1}, 12},
    {"UnregisterQuindo", 1, {(DWORD)(ULONG_PTR) ""}, 4},
    {"GetFolder", 2, {'4', kBufArg}, 8},  // "4" is unassigned: the buffer is not written
    {"Internal010", 0, {}, 0},
    {"Internal015", 1, {(DWORD)(ULONG_PTR)out_buf}, 4},
    // a directory that does not exist: nothing is written
    {"Internal012", 2, {(DWORD)(ULONG_PTR) "Z:\\no\\such\\dir", (DWORD)(ULONG_PTR) "x"}, 8},
    // no Office application in the bench's prefix: nothing is removed or written
    {"InstallOfficeSupport", 1, {(DWORD)(ULONG_PTR) "Z:\\no\\such\\dir"}, 4},
    // a font list that does not exist: nothing is installed
    {"Internal007", 2, {(DWORD)(ULONG_PTR) "Z:\\no\\such.ini", 0}, 8},
    // nothing conflicting runs in the test prefix: no box
    {"CheckApplicationsActive", 0, {}, 0},
};

// The names of the library's export directory, as the loader reads them.
std::set<std::string> ExportedNames() {
  const BYTE* base = reinterpret_cast<const BYTE*>(bench::Library());
  const IMAGE_NT_HEADERS* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
      base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  const IMAGE_EXPORT_DIRECTORY* exports =
      reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
  const DWORD* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
  std::set<std::string> out;
  for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
    out.insert(reinterpret_cast<const char*>(base + names[i]));
  }
  EXPECT_EQ(exports->NumberOfNames, exports->NumberOfFunctions) << "an export without a name";
  return out;
}

// Exactly the eleven exports, by plain name: no decorated name ("_DoReg@12"), no C++ name,
// nothing else; each is bound by its plain name below.
TEST(Frame, ExportDirectoryHoldsExactlyTheSurface) {
  std::set<std::string> expected;
  for (const ExportRow& row : kSurface) expected.insert(row.name);
  ASSERT_EQ(11u, expected.size());
  EXPECT_EQ(expected, ExportedNames());
}

TEST(Frame, EveryExportRemovesExactlyItsArgumentBytes) {
  for (const ExportRow& row : kSurface) {
    FARPROC fn = bench::Bind(row.name);
    ASSERT_NE(nullptr, fn) << row.name;
    DWORD result = 0xDEAD;
    bool regs_ok = false;
    EXPECT_EQ(row.bytes, bench::StackBytes(fn, row.args, row.argc, &result, &regs_ok)) << row.name;
    EXPECT_TRUE(regs_ok) << row.name << " must keep EBX, ESI and EDI";
  }
}

// The bench runs the library as the product's users do: ANSI code page 1251.
TEST(Frame, RunsUnderCodePage1251) { EXPECT_EQ(1251u, GetACP()); }

TEST(Frame, Internal010AlwaysGivesZero) {
  for (int i = 0; i < 3; ++i) EXPECT_EQ(0, bench::Qnd().Internal010());
}

// Threads that start and end while the library is loaded reach DllMain; the library must go on
// working on every thread.
DWORD WINAPI UseTheLibrary(LPVOID) {
  char dir[MAX_PATH] = {};
  return bench::Qnd().GetFolder('1', dir) == 1 && dir[0] ? 0 : 1;
}

TEST(Frame, ThreadsStartAndEndAroundTheLibrary) {
  HANDLE threads[4];
  for (HANDLE& t : threads) {
    t = CreateThread(nullptr, 0, UseTheLibrary, nullptr, 0, nullptr);
    ASSERT_NE(nullptr, t);
  }
  for (HANDLE t : threads) {
    WaitForSingleObject(t, INFINITE);
    DWORD code = 9;
    GetExitCodeThread(t, &code);
    EXPECT_EQ(0u, code);
    CloseHandle(t);
  }
}

// Loaded, unloaded and loaded again in a fresh process: the load never fails and the exports
// need nothing from an earlier load.
BENCH_CHILD(reload) {
  for (int round = 0; round < 3; ++round) {
    HMODULE dll = LoadLibraryA("qndsetup.dll");
    if (!dll) return 10 + round;
    auto get_folder = reinterpret_cast<decltype(&GetFolder)>(GetProcAddress(dll, "GetFolder"));
    char dir[MAX_PATH] = {};
    if (!get_folder || get_folder('2', dir) != 1 || !dir[0]) return 20 + round;
    if (!FreeLibrary(dll)) return 30 + round;
    if (GetModuleHandleA("qndsetup.dll")) return 40 + round;
  }
  return 0;
}

TEST(Frame, LoadsAgainAfterUnload) { EXPECT_EQ(0u, bench::RunChild("reload")); }

}  // namespace
