// Reversing registry scripts (UndoReg, UnregisterQuindo) against the real registry.
#include <functional>
#include <memory>
#include <vector>

#include "bench.h"

namespace {

using bench::KeyExists;
using bench::ReadValue;

const HKEY kUser = HKEY_CURRENT_USER;

class Undo : public bench::ScriptTest {
 protected:
  Undo() : ScriptTest("Undo") {}

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
};

// Windows 95, 98 and ME, simulated through the library's import table: GetVersion gives
// Windows 95's value; RegOpenKeyExA refuses any options and MAXIMUM_ALLOWED (the options are
// reserved there, and there are neither links nor key security); RegDeleteKeyA deletes a key
// with everything below it, as 9x's does, and refuses the name "" (not documented there). Key
// trees, values and missing keys go as on NT, and the trace is written there too.
DWORD WINAPI Windows95Version() { return 0xC3B60004; }  // 4.0, build 950, the 9x bit
LONG WINAPI Windows9xOpenKey(HKEY key, LPCSTR name, DWORD options, REGSAM access, PHKEY out) {
  if (options != 0 || access == MAXIMUM_ALLOWED) return ERROR_INVALID_PARAMETER;
  return RegOpenKeyExA(key, name, 0, access, out);
}
LONG WINAPI Windows9xDeleteKey(HKEY key, LPCSTR name) {
  if (!name || !*name) return ERROR_INVALID_PARAMETER;
  HKEY there = nullptr;
  const LONG opened = RegOpenKeyExA(key, name, 0, KEY_READ, &there);
  if (opened != ERROR_SUCCESS) return opened;
  RegCloseKey(there);
  return bench::DeleteTree(key, name);
}

TEST_F(Undo, Windows9xDeletesTreesByName) {
  bench::ImportPatch version("KERNEL32.dll", "GetVersion",
                             reinterpret_cast<FARPROC>(Windows95Version));
  bench::ImportPatch open("ADVAPI32.dll", "RegOpenKeyExA",
                          reinterpret_cast<FARPROC>(Windows9xOpenKey));
  bench::ImportPatch remove("ADVAPI32.dll", "RegDeleteKeyA",
                            reinterpret_cast<FARPROC>(Windows9xDeleteKey));
  ASSERT_TRUE(version.ok() && open.ok() && remove.ok());
  const std::string log = dir_.File("trace.log");
  const struct Row {
    const char* list;  // the removal list
    const char* gone;  // a key that must be gone afterwards
    int result;
  } rows[] = {
      /* 0 */ {"@KEY@\\Demo\\Tool=\r\n", "Demo\\Tool", 1},
      /* 1 */ {"@KEY@\\Demo\\Tool=Path\r\n@KEY@\\Demo\\Tool\\A=\r\n", "Demo\\Tool\\A", 1},
      /* 2 */ {"@KEY@\\Demo\\Missing\\Tree=\r\n@KEY@\\Demo=\r\n", "Demo", 1},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(bench::RowName(rows, r));
    MakeTree();
    SetEnvironmentVariableA("QNDSETUP_LOG", log.c_str());
    const int result = UndoReg(Script(std::string("[UNINSTALL]\r\n") + r.list));
    SetEnvironmentVariableA("QNDSETUP_LOG", nullptr);
    EXPECT_EQ(r.result, result);
    EXPECT_FALSE(KeyExists(kUser, key_.Sub(r.gone)));
    EXPECT_TRUE(KeyExists(kUser, key_.path()));
  }
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, ReadValue(kUser, key_.Sub("Demo\\Tool"), "Path").status);
  const std::string trace = bench::ReadTextFile(log);
  EXPECT_NE(std::string::npos, trace.find("key deleted")) << trace;
  EXPECT_EQ(std::string::npos, trace.find("! ")) << trace;
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
  for (const char* bad : failing) {
    SCOPED_TRACE(bad);
    MakeTree();
    const std::string script = Script(std::string("[UNINSTALL]\r\n@KEY@\\Demo\\Tool\\B=\r\n") +
                                      bad + "\r\n@KEY@\\Demo\\Tool=\r\n");
    EXPECT_EQ(0, UndoReg(script));
    EXPECT_FALSE(KeyExists(kUser, key_.Sub("Demo\\Tool\\B"))) << "done before";
    EXPECT_TRUE(KeyExists(kUser, key_.Sub("Demo\\Tool"))) << "not done after";
    EXPECT_TRUE(KeyExists(kUser, key_.Sub("Demo\\Keep")));
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
  const std::string script = Script(
      "[UNINSTALL]\r\n@KEY@\\Demo\\Tool=\r\n@KEY@\\Demo\\Tool\\A=v\r\n@KEY@\\Demo\\Keep=v\r\n");
  EXPECT_EQ(1, UndoReg(script));
  EXPECT_EQ(1, UndoReg(script));
  EXPECT_FALSE(KeyExists(kUser, key_.Sub("Demo\\Tool")));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, ReadValue(kUser, key_.Sub("Demo\\Keep"), "v").status);
}

// A key-tree entry that names a whole root key fails and deletes nothing.
TEST_F(Undo, NeverAWholeRoot) {
  MakeTree();
  const std::string before = bench::DumpTree(kUser, key_.path());
  for (const char* entry :
       {"HKEY_CURRENT_USER=", "HKEY_CURRENT_USER\\=", "HKEY_CURRENT_USER\\\"\"=",
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

// A sub-key that refuses its enumeration and its deletion ends the walk with 0, and what
// the walk could not delete stays.
TEST_F(Undo, SubKeyThatRefusesEndsTheWalk) {
  MakeTree();
  const std::string locked = key_.Sub("Demo\\Tool\\Locked");
  ASSERT_EQ(ERROR_SUCCESS, bench::WriteString(kUser, locked + "\\Child", "v", "x"));
  ASSERT_EQ(ERROR_SUCCESS, bench::SetKeySddl(kUser, locked, "D:"));
  EXPECT_EQ(0, UndoReg(Script("[UNINSTALL]\r\n@KEY@\\Demo\\Tool=\r\n")));
  ASSERT_EQ(ERROR_SUCCESS, bench::SetKeySddl(kUser, locked, "D:(A;;KA;;;WD)"));
  EXPECT_TRUE(KeyExists(kUser, locked + "\\Child"));
  EXPECT_EQ(1, UndoReg(Script("[UNINSTALL]\r\n@KEY@\\Demo\\Tool=\r\n")));
  EXPECT_FALSE(KeyExists(kUser, key_.Sub("Demo\\Tool")));
}

// A key tree goes with everything below it, and only its last level goes. Deleting it never
// follows a registry link: a link inside the tree, and a named key that is itself a link, go as
// links, and what they point to stays whole.
TEST_F(Undo, LinksAreDeletedNotFollowed) {
  const struct {
    const char* link;
    const char* target;
    const char* entry;
  } rows[] = {
      /* 0 */ {"Demo\\Tool\\A\\Link", "Sentinel", "Demo\\Tool"},
      /* 1 */ {"Demo\\Linked", "Sentinel", "Demo\\Linked"},
      /* 2 */ {"Demo\\Tool\\Dangling", "NoSuchKey", "Demo\\Tool"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(bench::RowName(rows, row));
    MakeTree();
    ASSERT_EQ(ERROR_SUCCESS, bench::WriteString(kUser, key_.Sub("Sentinel\\Sub"), "v", "kept"));
    ASSERT_EQ(ERROR_SUCCESS, bench::WriteString(kUser, key_.Sub("Sentinel"), "w", "kept"));
    ASSERT_EQ(ERROR_SUCCESS, bench::MakeLink(key_.Sub(row.link), key_.Sub(row.target)));
    const std::string sentinel = bench::DumpTree(kUser, key_.Sub("Sentinel"));
    if (std::string(row.target) == "Sentinel") {
      ASSERT_EQ("kept", ReadValue(kUser, key_.Sub(row.link), "w").Text()) << "the link leads there";
    }
    EXPECT_EQ(1, UndoReg(Script(std::string("[UNINSTALL]\r\n@KEY@\\") + row.entry + "=\r\n")));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, bench::RemoveLink(key_.Sub(row.link))) << "the link went";
    EXPECT_FALSE(KeyExists(kUser, key_.Sub(row.entry)));
    EXPECT_EQ(sentinel, bench::DumpTree(kUser, key_.Sub("Sentinel")));
    EXPECT_TRUE(KeyExists(kUser, key_.Sub("Demo"))) << "only the last level goes";
    EXPECT_TRUE(KeyExists(kUser, key_.Sub("Demo\\Keep")));
  }
}

// A chain of `levels` keys below HKEY_CURRENT_USER\`path`, made one level at a time (a path of
// them all would be too long to name), and its removal from the bottom up.
void MakeChain(const std::string& path, int levels) {
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(kUser, path.c_str(), &key));
  for (int i = 0; i < levels; ++i) {
    HKEY child;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(key, "c", &child)) << i;
    RegCloseKey(key);
    key = child;
  }
  RegCloseKey(key);
}
void DeleteChain(const std::string& path) {
  std::vector<HKEY> keys(1);
  if (RegOpenKeyA(kUser, path.c_str(), &keys[0]) != ERROR_SUCCESS) return;
  for (HKEY child; RegOpenKeyA(keys.back(), "c", &child) == ERROR_SUCCESS;) keys.push_back(child);
  for (size_t i = keys.size(); i-- > 1;) RegDeleteKeyA(keys[i - 1], "c");
  for (HKEY k : keys) RegCloseKey(k);
  RegDeleteKeyA(kUser, path.c_str());
}

// UndoReg on the script that QND_TEST_SCRIPT names, in a process of its own: a walk that
// recursed without end would end the process, not the test program.
BENCH_CHILD(undo_reg) {
  char script[MAX_PATH];
  GetEnvironmentVariableA("QND_TEST_SCRIPT", script, MAX_PATH);
  return 10 + bench::Qnd().UndoReg(script, nullptr, 0);
}

// Whatever the tree, the walk ends: a link back to its own parent goes as a link; a tree of 512
// levels, the named key counted, goes whole; a deeper one fails and the process lives on.
TEST_F(Undo, EveryTreeWalkEnds) {
  SetEnvironmentVariableA("QND_TEST_SCRIPT",
                          Script("[UNINSTALL]\r\n@KEY@\\Demo\\Tool=\r\n").c_str());
  MakeTree();
  ASSERT_EQ(ERROR_SUCCESS,
            bench::MakeLink(key_.Sub("Demo\\Tool\\A\\Loop"), key_.Sub("Demo\\Tool")));
  EXPECT_EQ(11u, bench::RunChild("undo_reg", 20000)) << "link loop";
  EXPECT_FALSE(KeyExists(kUser, key_.Sub("Demo\\Tool")));

  const std::string tool = key_.Sub("Demo\\Tool");
  const struct {
    int levels;  // below the named key
    DWORD exit;
  } rows[] = {{511, 11}, {512, 10}, {600, 10}};
  for (const auto& row : rows) {
    MakeChain(tool, row.levels);
    EXPECT_EQ(row.exit, bench::RunChild("undo_reg", 20000)) << row.levels;
    EXPECT_EQ(row.exit == 10, KeyExists(kUser, tool)) << row.levels;
    DeleteChain(tool);
  }
  EXPECT_TRUE(KeyExists(kUser, key_.Sub("Demo\\Keep")));
}

// An entry whose name the reader lists but cannot find again (a script saved as UTF-8, with a
// name outside code page 1251) fails: its data is unknown, and is not taken for empty.
TEST_F(Undo, EntryThatCannotBeFoundAgainFails) {
  MakeTree();
  ASSERT_EQ(ERROR_SUCCESS, bench::WriteString(kUser, key_.Sub("Demo\\Cafe\\Sub"), "Path", "x"));
  const std::string before = bench::DumpTree(kUser, key_.path());
  EXPECT_EQ(0, UndoReg(Script("\xEF\xBB\xBF[UNINSTALL]\r\n@KEY@\\Demo\\Caf\xC3\xA9=Path\r\n"
                              "@KEY@\\Demo\\Keep=\r\n")));
  EXPECT_EQ(before, bench::DumpTree(kUser, key_.path()));
}

// The removal list holds 32768 characters of names, each with its terminator, and the list's
// own. A name that would reach past that is no name of the script, though the reader hands it
// over cut short: it is dropped, neither carried out nor taken for the shorter name, and the
// whole names before it are carried out. A whole name that ends at the edge is carried out.
TEST_F(Undo, NameCutAtTheEndOfTheListIsDropped) {
  const std::string base = "HKEY_CURRENT_USER\\" + key_.path();
  const std::string first = base + "\\Demo\\Keep=v";  // carried out in every row
  const std::string vendor = key_.Sub("Vendor"), sub = key_.Sub("Vendor\\App\\Sub");
  const std::string vendor_name = base + "\\Vendor", sub_name = base + "\\Vendor\\App\\Sub";
  const struct {
    size_t cut_at;  // the characters of the last name that the list holds whole
    std::string last;
    const char* removed;  // the value the last entry removes, or null when it is dropped
  } rows[] = {
      /* 0 */ {vendor_name.size(), sub_name + "=Value", nullptr},  // a reader's cut: Vendor
      /* 1 */ {sub_name.size(), sub_name + "=Value", "Value"},  // whole, filling the list exactly
      /* 2 */ {sub_name.size() + 1, sub_name + "=Value", "Value"},
      /* 3 */ {sub_name.size(), sub_name + "x=", nullptr},  // one character too many: not Sub
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(bench::RowName(rows, row));
    MakeTree();
    ASSERT_EQ(ERROR_SUCCESS, bench::WriteString(kUser, sub, "Value", "1"));
    ASSERT_EQ(ERROR_SUCCESS, bench::WriteString(kUser, sub, "Other", "2"));
    ASSERT_EQ(ERROR_SUCCESS, bench::WriteString(kUser, vendor, "Top", "3"));
    const std::string vendor_before = bench::DumpTree(kUser, vendor);
    ASSERT_NE("(missing)", vendor_before);
    // 32766 characters before the list's terminator reach the end of the last name in row 1
    const size_t names = 32766 - row.cut_at - (first.find('=') + 1);
    const std::string body = "[UNINSTALL]\r\n" + first + "\r\n" +
                             bench::NameListPadding(names, base + "\\Pad", "", "=v\r\n") +
                             row.last + "\r\n";
    EXPECT_EQ(1, UndoReg(Script(body)));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, ReadValue(kUser, key_.Sub("Demo\\Keep"), "v").status);
    if (row.removed) {
      EXPECT_EQ(ERROR_FILE_NOT_FOUND, ReadValue(kUser, sub, row.removed).status);
      EXPECT_EQ("2", ReadValue(kUser, sub, "Other").Text());
    } else {
      EXPECT_EQ(vendor_before, bench::DumpTree(kUser, vendor));
    }
    bench::DeleteTree(kUser, vendor);
  }
}

// Texts beyond 511 characters fail rather than name another key or value; a key path that fits
// but that the platform refuses as too long counts as gone.
TEST_F(Undo, Limits) {
  MakeTree();
  const std::string v511(511, 'v');
  bench::WriteString(kUser, key_.Sub("Demo\\Keep"), v511.c_str(), "x");
  EXPECT_EQ(1, UndoReg(Script("[UNINSTALL]\r\n@KEY@\\Demo\\Keep=" + v511 + "\r\n")));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, ReadValue(kUser, key_.Sub("Demo\\Keep"), v511.c_str()).status);
  bench::WriteString(kUser, key_.Sub("Demo\\Keep"), v511.c_str(), "x");
  for (size_t n : {512u, 1100u}) {
    EXPECT_EQ(0, UndoReg(Script("[UNINSTALL]\r\n@KEY@\\Demo\\Keep=" + v511 +
                                std::string(n - 511, 'v') + "\r\n")))
        << n;
    EXPECT_EQ("x", ReadValue(kUser, key_.Sub("Demo\\Keep"), v511.c_str()).Text())
        << n << ": not cut";
  }
  EXPECT_EQ(0, UndoReg(Script("[UNINSTALL]\r\n@KEY@\\" + std::string(600, 'k') + "=\r\n")));
  // A path the platform refuses as too long (261 characters and more) names no key there.
  EXPECT_EQ(1, UndoReg(Script("[UNINSTALL]\r\n@KEY@\\" + std::string(300, 'k') + "=\r\n")));
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

// A key path with an empty level once its macros are expanded fails its entry in DoReg and
// UndoReg before anything is written or deleted: another product's key beside it survives. A
// single backslash at the end, as a macro there leaves, is no empty level.
TEST_F(Undo, EmptyLevelsWriteAndDeleteNothing) {
  const QndPathContext context = {"Prog", ""};  // "$0" gives Prog and a backslash, "$4" a lone one
  const struct Row {
    const char* path;  // below the test key, in the section's name and on the removal list
    int result;        // of DoReg and of UndoReg
    const char* written;
  } rows[] = {
      /* 0 */ {"Vendor\\$4", 0, nullptr},
      /* 1 */ {"Vendor\\$4Product", 0, nullptr},
      /* 2 */ {"Vendor\\\\\\Product", 0, nullptr},          // three backslashes give two
      /* 3 */ {"Vendor\\\\Product", 1, "Vendor\\Product"},  // two give one
      /* 4 */ {"Vendor\\$0", 1, "Vendor\\Prog"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(bench::RowName(rows, r));
    bench::DeleteTree(kUser, key_.path());
    ASSERT_EQ(ERROR_SUCCESS, bench::WriteString(kUser, key_.Sub("Vendor\\Other"), "v", "keep"));
    const std::string before = bench::DumpTree(kUser, key_.path());
    const std::string script = Script(std::string("[@KEY@\\") + r.path + "]\r\nInstalled=1\r\n" +
                                      "[UNINSTALL]\r\n@KEY@\\" + r.path + "=\r\n");
    EXPECT_EQ(r.result, bench::Qnd().DoReg(script.c_str(), &context, 0));
    if (r.written) {
      EXPECT_EQ("1", ReadValue(kUser, key_.Sub(r.written), "Installed").Text());
    } else {
      EXPECT_EQ(before, bench::DumpTree(kUser, key_.path())) << "nothing written";
    }
    EXPECT_EQ(r.result, UndoReg(script, &context));
    EXPECT_EQ(before, bench::DumpTree(kUser, key_.path())) << "the sibling stays, and only it";
  }
}

// A script that is there but cannot be read, or whose full path does not fit 259 characters,
// is a failure that changes nothing; a missing one has nothing to do.
TEST_F(Undo, ScriptThatCannotBeReadFails) {
  const std::string body = "[@KEY@\\New]\r\nv=1\r\n[UNINSTALL]\r\n@KEY@\\Demo\\Tool=\r\n";
  const std::string product = Script(body, "QUINDO.SRG"), plain = Script(body);
  std::string text = bench::ReadTextFile(plain);
  const std::string long_path = bench::WriteLongPathFile(dir_.path(), 276, text);
  const auto do_reg = [](const std::string& s) { return DoReg(s); };
  const auto undo_reg = [](const std::string& s) { return UndoReg(s); };
  const auto reg_quindo = [this](const std::string&) {
    return bench::Qnd().RegisterQuindo(dir_.path().c_str());
  };
  const auto unreg_quindo = [this](const std::string&) {
    return bench::Qnd().UnregisterQuindo(dir_.path().c_str());
  };
  const struct Row {
    std::function<int(const std::string&)> call;
    std::string script;
    bool held;
    int result;
  } rows[] = {
      /* 0 */ {do_reg, plain, true, 0},
      /* 1 */ {undo_reg, plain, true, 0},
      /* 2 */ {reg_quindo, product, true, 0},
      /* 3 */ {unreg_quindo, product, true, 0},
      /* 4 */ {do_reg, long_path, false, 0},
      /* 5 */ {undo_reg, long_path, false, 0},
      /* 6 */ {do_reg, dir_.File("missing.srg"), false, 1},
      /* 7 */ {undo_reg, dir_.File("missing.srg"), false, 1},
      /* 8 */ {do_reg, plain, false, 1},  // the control: the same script, readable
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(bench::RowName(rows, r));
    MakeTree();
    bench::DeleteTree(kUser, key_.Sub("New"));
    const std::string before = bench::DumpTree(kUser, key_.path());
    std::unique_ptr<bench::HeldFile> held;
    if (r.held) {
      held = std::make_unique<bench::HeldFile>(r.script);
      ASSERT_TRUE(held->held());
    }
    EXPECT_EQ(r.result, r.call(r.script));
    held.reset();
    const bool control = &r == &rows[8];
    EXPECT_EQ(!control, before == bench::DumpTree(kUser, key_.path()))
        << "changed only by the control";
  }
  bench::RemoveLongPath(dir_.path(), long_path);
}

TEST_F(Undo, HoldsNoHandleAfterwards) {
  const std::string script = Script("[UNINSTALL]\r\n@KEY@\\Demo\\Tool=\r\n@KEY@\\Demo\\Keep=v\r\n");
  const std::string bad = Script("[UNINSTALL]\r\n@KEY@\\Demo\\Keep=v\r\nnoroot=\r\n", "bad.srg");
  bench::ExpectNoHandleLeak([&] {
    MakeTree();
    EXPECT_EQ(1, UndoReg(script));
    EXPECT_EQ(0, UndoReg(bad));
  });
}

}  // namespace
