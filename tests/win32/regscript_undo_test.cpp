// Reversing registry scripts (UndoReg, UnregisterQuindo) against the real registry.
#include <winternl.h>

#include "bench.h"

namespace {

using bench::KeyExists;
using bench::ReadValue;

const HKEY kUser = HKEY_CURRENT_USER;

class Undo : public testing::Test {
 protected:
  Undo() : key_("Undo"), dir_("undo") {}

  std::string Script(const std::string& body, const char* name = "test.srg") {
    return bench::WriteScript(dir_, key_, body, name);
  }
  int UndoReg(const std::string& script, const QndPathContext* context = nullptr) {
    return bench::Qnd().UndoReg(script.c_str(), context, 0);
  }
  // Demo\Tool with values and two levels of sub-keys, and Demo\Keep beside it.
  void MakeTree() {
    for (const char* sub : {"Demo\\Tool\\A\\Deep", "Demo\\Tool\\B", "Demo\\Keep"}) {
      ASSERT_EQ(ERROR_SUCCESS, bench::WriteString(kUser, key_.Sub(sub), "v", sub));
    }
    bench::WriteString(kUser, key_.Sub("Demo\\Tool"), "Path", "C:\\Prog");
    bench::WriteString(kUser, key_.Sub("Demo\\Tool"), "Other", "stays");
    bench::WriteString(kUser, key_.Sub("Demo\\Tool"), "@", "named at");
    bench::WriteString(kUser, key_.Sub("Demo\\Tool"), "", "default");
  }

  bench::TestKey key_;
  bench::TempDir dir_;
};

TEST_F(Undo, KeyTreeGoesWithEverythingBelowIt) {
  MakeTree();
  ASSERT_EQ(1, UndoReg(Script("[UNINSTALL]\r\n@KEY@\\Demo\\Tool=\r\n")));
  EXPECT_FALSE(KeyExists(kUser, key_.Sub("Demo\\Tool")));
  EXPECT_TRUE(KeyExists(kUser, key_.Sub("Demo"))) << "only the last level goes";
  EXPECT_TRUE(KeyExists(kUser, key_.Sub("Demo\\Keep")));
}

TEST_F(Undo, ValueEntriesDeleteOneValue) {
  MakeTree();
  ASSERT_EQ(1, UndoReg(Script("[UNINSTALL]\r\n"
                              "@KEY@\\Demo\\Tool=Path\r\n"
                              "@KEY@\\Demo\\Tool\\B=missing value\r\n"
                              "@KEY@\\Demo\\Missing=v\r\n"
                              "@KEY@\\Demo\\Missing\\Tree=\r\n")));
  const std::string tool = key_.Sub("Demo\\Tool");
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, ReadValue(kUser, tool, "Path").status);
  EXPECT_EQ("stays", ReadValue(kUser, tool, "Other").Text());
  // A second entry of the same name would be looked up as the first: a file of its own.
  ASSERT_EQ(1, UndoReg(Script("[UNINSTALL]\r\n@KEY@\\Demo\\Tool=\"@\"\r\n")));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, ReadValue(kUser, tool, "@").status) << "a value called @";
  EXPECT_EQ("default", ReadValue(kUser, tool, "").Text()) << "not the default value";
}

// Entries whose name begins with no root name, quoted ones included, fail and stop the walk.
TEST_F(Undo, FailingEntriesStopTheWalk) {
  const char* failing[] = {
      "Software\\QndTest\\Undo\\Demo\\Keep=",
      "\"@KEY@\\Demo\\Keep\"=",
      "HKCU\\Software\\QndTest\\Undo\\Demo\\Keep=",
      "@KEY@\\Demo\\$Z=",
      "@KEY@\\Demo\\Keep=$",
      "@KEY@\\Demo\\$4=",
  };
  int i = 0;
  for (const char* bad : failing) {
    MakeTree();
    const std::string script = Script(std::string("[UNINSTALL]\r\n@KEY@\\Demo\\Tool\\B=\r\n") + bad +
                                      "\r\n@KEY@\\Demo\\Tool=\r\n");
    EXPECT_EQ(0, UndoReg(script)) << "row " << i << " " << bad;
    EXPECT_FALSE(KeyExists(kUser, key_.Sub("Demo\\Tool\\B"))) << "row " << i << ": done before";
    EXPECT_TRUE(KeyExists(kUser, key_.Sub("Demo\\Tool"))) << "row " << i << ": not done after";
    EXPECT_TRUE(KeyExists(kUser, key_.Sub("Demo\\Keep"))) << "row " << i;
    ++i;
  }
}

TEST_F(Undo, NothingToRemove) {
  MakeTree();
  const std::string before = bench::DumpTree(kUser, key_.path());
  EXPECT_EQ(1, UndoReg(dir_.File("missing.srg")));
  EXPECT_EQ(1, UndoReg(Script("[@KEY@\\Demo\\Tool]\r\nPath=x\r\n")));
  EXPECT_EQ(1, UndoReg(Script("[UNINSTALL]\r\n[Other]\r\n@KEY@\\Demo=\r\n")));
  EXPECT_EQ(0, bench::Qnd().UndoReg(nullptr, nullptr, 0));
  EXPECT_EQ(before, bench::DumpTree(kUser, key_.path()));
}

// The same file twice gives 1 both times; a tree entry followed by a value in that tree too.
TEST_F(Undo, RepeatedAndOverlappingEntries) {
  MakeTree();
  const std::string script =
      Script("[UNINSTALL]\r\n@KEY@\\Demo\\Tool=\r\n@KEY@\\Demo\\Tool\\A=v\r\n@KEY@\\Demo\\Keep=v\r\n");
  EXPECT_EQ(1, UndoReg(script));
  EXPECT_EQ(1, UndoReg(script));
  EXPECT_FALSE(KeyExists(kUser, key_.Sub("Demo\\Tool")));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, ReadValue(kUser, key_.Sub("Demo\\Keep"), "v").status);
}

// A key-tree entry that names a whole root key fails and deletes nothing.
TEST_F(Undo, NeverAWholeRoot) {
  MakeTree();
  const std::string before = bench::DumpTree(kUser, key_.path());
  for (const char* entry : {"HKEY_CURRENT_USER=", "HKEY_CURRENT_USER\\=", "HKEY_CURRENT_USER\\\"\"=",
                            "HKEY_CURRENT_USERjunk=", "HKEY_CURRENT_USER\\$4="}) {
    const QndPathContext context = {nullptr, ""};  // "$4" gives a lone backslash: no such key
    const int result = UndoReg(Script(std::string("[UNINSTALL]\r\n") + entry + "\r\n"), &context);
    if (std::string(entry).find('$') == std::string::npos) {
      EXPECT_EQ(0, result) << entry;
    }
  }
  EXPECT_EQ(before, bench::DumpTree(kUser, key_.path()));
  EXPECT_TRUE(KeyExists(kUser, "Software\\Wine"));
}

// Refusals: a key whose deletion is refused fails; a value whose deletion is refused does not.
TEST_F(Undo, RefusedDeletions) {
  MakeTree();
  const std::string tool = key_.Sub("Demo\\Tool");
  ASSERT_EQ(ERROR_SUCCESS, bench::SetKeySddl(kUser, tool, "D:(A;;KR;;;WD)"));  // read-only
  EXPECT_EQ(1, UndoReg(Script("[UNINSTALL]\r\n@KEY@\\Demo\\Tool=Path\r\n")));
  EXPECT_EQ("C:\\Prog", ReadValue(kUser, tool, "Path").Text()) << "refused, and that is no failure";

  ASSERT_EQ(ERROR_SUCCESS, bench::SetKeySddl(kUser, tool, "D:"));
  EXPECT_EQ(0, UndoReg(Script("[UNINSTALL]\r\n@KEY@\\Demo\\Tool=\r\n")));
  ASSERT_EQ(ERROR_SUCCESS, bench::SetKeySddl(kUser, tool, "D:(A;;KA;;;WD)"));
  EXPECT_TRUE(KeyExists(kUser, tool));
}

// A dangling registry link: enumeration names it, but it cannot be opened. The tree walk must
// end, with 0, instead of being handed the same name for ever.
TEST_F(Undo, SubKeyThatCannotBeOpenedEndsTheWalk) {
  MakeTree();
  HKEY tool, link;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyA(kUser, key_.Sub("Demo\\Tool").c_str(), &tool));
  ASSERT_EQ(ERROR_SUCCESS,
            RegCreateKeyExW(tool, L"Dangling", 0, nullptr, REG_OPTION_CREATE_LINK | REG_OPTION_VOLATILE,
                            KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr, &link, nullptr));
  static const wchar_t target[] = L"\\Registry\\Machine\\Software\\QndNoSuchKey";
  RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(target),
                 sizeof target - sizeof(wchar_t));
  RegCloseKey(link);

  EXPECT_EQ(0, UndoReg(Script("[UNINSTALL]\r\n@KEY@\\Demo\\Tool=\r\n")));

  typedef NTSTATUS(NTAPI * DeleteKey)(HANDLE);
  DeleteKey del = reinterpret_cast<DeleteKey>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtDeleteKey"));
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(tool, L"Dangling", REG_OPTION_OPEN_LINK, DELETE, &link));
  del(link);
  RegCloseKey(link);
  RegCloseKey(tool);
  EXPECT_EQ(1, UndoReg(Script("[UNINSTALL]\r\n@KEY@\\Demo\\Tool=\r\n")));
  EXPECT_FALSE(KeyExists(kUser, key_.Sub("Demo\\Tool")));
}

// Texts beyond 511 characters fail rather than name another key or value.
TEST_F(Undo, Limits) {
  MakeTree();
  const std::string v511(511, 'v');
  bench::WriteString(kUser, key_.Sub("Demo\\Keep"), v511.c_str(), "x");
  EXPECT_EQ(1, UndoReg(Script("[UNINSTALL]\r\n@KEY@\\Demo\\Keep=" + v511 + "\r\n")));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, ReadValue(kUser, key_.Sub("Demo\\Keep"), v511.c_str()).status);
  bench::WriteString(kUser, key_.Sub("Demo\\Keep"), v511.c_str(), "x");
  for (size_t n : {512u, 1100u}) {
    EXPECT_EQ(0, UndoReg(Script("[UNINSTALL]\r\n@KEY@\\Demo\\Keep=" + v511 + std::string(n - 511, 'v') +
                                "\r\n")))
        << n;
    EXPECT_EQ("x", ReadValue(kUser, key_.Sub("Demo\\Keep"), v511.c_str()).Text()) << n << ": not cut";
  }
  EXPECT_EQ(0, UndoReg(Script("[UNINSTALL]\r\n@KEY@\\" + std::string(600, 'k') + "=\r\n")));
}

// What a script's removal list names of what it creates is gone again, exactly.
TEST_F(Undo, RoundTripRestoresTheRegistry) {
  ASSERT_EQ(ERROR_SUCCESS, bench::WriteString(kUser, key_.Sub("Neighbour"), "n", "untouched"));
  ASSERT_EQ(ERROR_SUCCESS, bench::WriteString(kUser, key_.Sub("App"), "user", "keeps"));
  const std::string before = bench::DumpTree(kUser, key_.path());
  const std::string script = Script(
      "[@KEY@\\App\\Tool]\r\n@=tool\r\nPath=$0\r\nCount=dword:2\r\n"
      "[@KEY@\\App\\Tool\\Sub\\Deeper]\r\nx=1\r\n"
      "[@KEY@\\App]\r\nInstalled=$0x.exe\r\n"
      "[@KEY@\\NeighbourX]\r\ny=2\r\n"
      "[UNINSTALL]\r\n@KEY@\\App\\Tool=\r\n@KEY@\\App=Installed\r\n@KEY@\\NeighbourX=\r\n",
      "QUINDO.SRG");
  ASSERT_EQ(1, bench::Qnd().RegisterQuindo(dir_.path().c_str()));
  EXPECT_EQ(dir_.path() + "\\x.exe", ReadValue(kUser, key_.Sub("App"), "Installed").Text());
  ASSERT_NE(before, bench::DumpTree(kUser, key_.path()));
  EXPECT_EQ(1, bench::Qnd().UnregisterQuindo((dir_.path() + "\\").c_str()));
  EXPECT_EQ(before, bench::DumpTree(kUser, key_.path()));

  ASSERT_EQ(1, bench::Qnd().DoReg(script.c_str(), nullptr, 0) == 0 ? 1 : 0) << "needs $0";
  const QndPathContext context = {"C:\\Prog", nullptr};
  ASSERT_EQ(1, bench::Qnd().DoReg(script.c_str(), &context, 0));
  EXPECT_EQ(1, UndoReg(script, &context));
  EXPECT_EQ(before, bench::DumpTree(kUser, key_.path()));
}

TEST_F(Undo, UnregisterQuindoReadsTheScriptOfTheDirectory) {
  MakeTree();
  Script("[UNINSTALL]\r\n@KEY@\\Demo\\Tool=\r\n@KEY@\\Demo\\Keep=$0\r\n", "QUINDO.SRG");
  bench::WriteString(kUser, key_.Sub("Demo\\Keep"), (dir_.path() + "\\").c_str(), "named by $0");
  EXPECT_EQ(0, bench::Qnd().UnregisterQuindo(""));
  EXPECT_EQ(0, bench::Qnd().UnregisterQuindo(nullptr));
  EXPECT_TRUE(KeyExists(kUser, key_.Sub("Demo\\Tool")));
  EXPECT_EQ(1, bench::Qnd().UnregisterQuindo(dir_.path().c_str()));
  EXPECT_FALSE(KeyExists(kUser, key_.Sub("Demo\\Tool")));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND,
            ReadValue(kUser, key_.Sub("Demo\\Keep"), (dir_.path() + "\\").c_str()).status);
}

TEST_F(Undo, HoldsNoHandleAfterwards) {
  const std::string script = Script("[UNINSTALL]\r\n@KEY@\\Demo\\Tool=\r\n@KEY@\\Demo\\Keep=v\r\n");
  const std::string bad = Script("[UNINSTALL]\r\n@KEY@\\Demo\\Keep=v\r\nnoroot=\r\n", "bad.srg");
  MakeTree();
  UndoReg(script);  // warm-up
  const int before = bench::HandleCount();
  for (int i = 0; i < 5; ++i) {
    MakeTree();
    EXPECT_EQ(1, UndoReg(script));
    EXPECT_EQ(0, UndoReg(bad));
  }
  EXPECT_EQ(before, bench::HandleCount());
  if (before != bench::HandleCount()) bench::PrintHandles();
}

}  // namespace
