// GetFolder against the real platform: every code, the buffer rules, and each failure provoked
// for real.
#include <shlobj.h>

#include <cstring>

#include "bench.h"

namespace {

using bench::GuardBuffer;

int GetFolder(int code, char* buffer) { return bench::Qnd().GetFolder(code, buffer); }

// What the platform itself says for a shell folder, taken with the same calls.
std::string ShellFolder(int csidl) {
  LPITEMIDLIST list = nullptr;
  char path[MAX_PATH] = {};
  if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &list))) return "(none)";
  if (!SHGetPathFromIDListA(list, path)) path[0] = 0;
  CoTaskMemFree(list);
  return path;
}

std::string Expected(char code) {
  char dir[MAX_PATH] = {};
  switch (code) {
    case '1': GetWindowsDirectoryA(dir, MAX_PATH); return dir;
    case '2':
    case '3': GetSystemDirectoryA(dir, MAX_PATH); return dir;
    case '5': return ShellFolder(CSIDL_DESKTOP);
    case '6': return ShellFolder(CSIDL_STARTMENU);
    case '7': return ShellFolder(CSIDL_PROGRAMS);
    case '8': return ShellFolder(CSIDL_STARTUP);
    case '9': return ShellFolder(CSIDL_FONTS);
    case 'A': return ShellFolder(CSIDL_PERSONAL);
    case 'B':
      return bench::ReadValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                              "ProgramFilesDir")
          .Text();
    case 'C': return ShellFolder(CSIDL_SENDTO);
    case 'D': return ShellFolder(CSIDL_TEMPLATES);
    case 'E': return ShellFolder(CSIDL_RECENT);
    case 'F': {
      const DWORD n = GetTempPathA(MAX_PATH, dir);
      if (n && dir[n - 1] == '\\') dir[n - 1] = 0;
      return dir;
    }
  }
  return "";
}

const char kCodes[] = "12356789ABCDEF";

// Each code, in upper and lower case, into a buffer at the end of a page: the directory the
// platform gives, terminated, and nothing written past the 260 bytes.
TEST(GetFolder, EveryCodeInBothCases) {
  for (const char* c = kCodes; *c; ++c) {
    const std::string expected = Expected(*c);
    ASSERT_FALSE(expected.empty()) << "code " << *c;
    for (char code : {*c, (char)(*c | 0x20)}) {
      GuardBuffer buf;
      EXPECT_EQ(1, GetFolder(code, buf.get())) << "code " << code;
      EXPECT_EQ(expected, buf.get()) << "code " << code;
    }
  }
  char two[MAX_PATH], three[MAX_PATH];
  ASSERT_EQ(1, GetFolder('2', two));
  ASSERT_EQ(1, GetFolder('3', three));
  EXPECT_STREQ(two, three);
}

// "0", "4" and every byte outside the table give 0 and leave the buffer untouched; only the
// low 8 bits of the argument count.
TEST(GetFolder, UnassignedCodesLeaveTheBufferUntouched) {
  for (int b = 0; b < 256; ++b) {
    const bool assigned = b && std::strchr("12356789ABCDEFabcdef", b);
    if (assigned) continue;
    GuardBuffer buf;
    EXPECT_EQ(0, GetFolder(b, buf.get())) << "byte 0x" << std::hex << b;
    EXPECT_TRUE(buf.Untouched()) << "byte 0x" << std::hex << b;
  }
  GuardBuffer buf;
  EXPECT_EQ(1, GetFolder(0x12345600 | '1', buf.get()));
  EXPECT_EQ(Expected('1'), buf.get());
  buf.Fill();
  EXPECT_EQ(0, GetFolder(0x100 | 0xC0, buf.get())) << "Cyrillic A in code page 1251";
  EXPECT_TRUE(buf.Untouched());
}

// The temporary directory loses exactly one trailing backslash; one too long to fit is 0.
TEST(GetFolder, TemporaryDirectory) {
  char saved[MAX_PATH * 2] = {};
  const DWORD had = GetEnvironmentVariableA("TMP", saved, sizeof saved);
  struct Row {
    const char* tmp;
    const char* expected;  // null: result 0
  } rows[] = {
      {"C:\\TEMP\\", "C:\\TEMP"},
      {"C:\\TEMP", "C:\\TEMP"},
      {"D:\\", "D:"},
  };
  for (const Row& r : rows) {
    SetEnvironmentVariableA("TMP", r.tmp);
    GuardBuffer buf;
    EXPECT_EQ(1, GetFolder('F', buf.get())) << r.tmp;
    EXPECT_STREQ(r.expected, buf.get()) << r.tmp;
  }
  for (size_t len : {259u, 260u, 300u}) {
    const std::string tmp = "C:\\" + std::string(len - 4, 't') + "\\";
    SetEnvironmentVariableA("TMP", tmp.c_str());
    GuardBuffer buf;
    EXPECT_EQ(0, GetFolder('f', buf.get())) << len << " characters";
  }
  SetEnvironmentVariableA("TMP", had ? saved : nullptr);
}

// "ProgramFilesDir" is copied as stored, read afresh on every call, and refused when it does
// not fit with its terminator.
class ProgramFiles : public testing::Test {
 protected:
  static constexpr const char* kKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
  void SetUp() override { saved_ = bench::ReadValue(HKEY_LOCAL_MACHINE, kKey, "ProgramFilesDir"); }
  void TearDown() override { Store(saved_.bytes, saved_.type); }
  void Store(const std::string& bytes, DWORD type) {
    HKEY k;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyA(HKEY_LOCAL_MACHINE, kKey, &k));
    RegSetValueExA(k, "ProgramFilesDir", 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                   (DWORD)bytes.size());
    RegCloseKey(k);
  }
  bench::RegValue saved_;
};

// One buffer for every row: each call reads the value afresh. A trailing backslash stays,
// nothing is expanded, a value without its terminator is taken whole.
TEST_F(ProgramFiles, ReadAfreshAndCopiedAsStored) {
  const std::string dir259 = "C:\\" + std::string(256, 'p');
  const struct {
    char code;
    std::string bytes;  // as stored
    DWORD type;
    const char* copied;  // null: 0
  } rows[] = {
      /* 0 */ {'B', std::string("D:\\Apps\\", 9), REG_SZ, "D:\\Apps\\"},
      /* 1 */ {'b', std::string("%SystemDrive%\\P", 16), REG_EXPAND_SZ, "%SystemDrive%\\P"},
      /* 2 */ {'B', dir259 + '\0', REG_SZ, dir259.c_str()},
      /* 3 */ {'B', dir259 + "q" + '\0', REG_SZ, nullptr},  // 260 characters
      /* 4 */ {'B', "abcd", REG_BINARY, "abcd"},
      /* 5 */ {'B', std::string(260, 'z'), REG_BINARY, nullptr},  // no room for a terminator
  };
  GuardBuffer buf;
  for (const auto& row : rows) {
    SCOPED_TRACE(bench::RowName(rows, row));
    buf.Fill();
    Store(row.bytes, row.type);
    EXPECT_EQ(row.copied ? 1 : 0, GetFolder(row.code, buf.get()));
    if (row.copied) {
      EXPECT_STREQ(row.copied, buf.get());
    }
  }
}

TEST_F(ProgramFiles, MissingValueOrKey) {
  RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kKey, "ProgramFilesDir");
  GuardBuffer buf;
  EXPECT_EQ(0, GetFolder('B', buf.get()));

  typedef LONG(WINAPI * RenameKey)(HKEY, LPCWSTR, LPCWSTR);
  RenameKey rename =
      reinterpret_cast<RenameKey>(GetProcAddress(GetModuleHandleA("advapi32.dll"), "RegRenameKey"));
  ASSERT_NE(nullptr, rename);
  const wchar_t* path = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
  ASSERT_EQ(ERROR_SUCCESS, rename(HKEY_LOCAL_MACHINE, path, L"CurrentVersion.away"));
  buf.Fill();
  const int result = GetFolder('B', buf.get());
  ASSERT_EQ(ERROR_SUCCESS,
            rename(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion.away",
                   L"CurrentVersion"));
  EXPECT_EQ(0, result);
  EXPECT_TRUE(buf.Untouched()) << "the key did not open: nothing was written";
}

// A shell folder that cannot be located gives 0.
TEST(GetFolder, ShellFolderThatCannotBeLocated) {
  const std::string sendto = Expected('C');
  const std::string away = sendto + ".away";
  ASSERT_TRUE(MoveFileA(sendto.c_str(), away.c_str()));
  char buf[MAX_PATH];
  const int result = GetFolder('C', buf);
  MoveFileA(away.c_str(), sendto.c_str());
  EXPECT_EQ(0, result);
}

// With no desktop folder (renamed before the process's first shell-folder call) the desktop
// has no file-system path: 0.
BENCH_CHILD(no_desktop) {
  char desktop[MAX_PATH];
  GetEnvironmentVariableA("USERPROFILE", desktop, MAX_PATH);
  const std::string path = std::string(desktop) + "\\Desktop", away = path + ".away";
  if (!MoveFileA(path.c_str(), away.c_str())) return 2;
  char buf[MAX_PATH];
  const int result = bench::Qnd().GetFolder('5', buf);  // the library's first load
  MoveFileA(away.c_str(), path.c_str());
  return result == 0 ? 0 : 1;
}

TEST(GetFolder, DesktopWithoutFileSystemPath) { EXPECT_EQ(0u, bench::RunChild("no_desktop")); }

// Every path of GetFolder releases what it opened: keys, item lists.
TEST(GetFolder, HoldsNoHandleAfterwards) {
  char buf[MAX_PATH];
  bench::ExpectNoHandleLeak([&] {
    for (const char* c = kCodes; *c; ++c) GetFolder(*c, buf);
  });
}

}  // namespace
