// Applying registry scripts (DoReg, RegisterQuindo) against the real registry, with real
// script files read by the platform's profile reader.
#include <cstring>

#include "bench.h"

namespace {

using bench::ReadValue;
using bench::RegValue;

const HKEY kUser = HKEY_CURRENT_USER;

class Apply : public bench::ScriptTest {
 protected:
  Apply() : ScriptTest("Apply") {}
};

// Types and byte counts, as the registry holds them; "@" is the default value, always a string.
TEST_F(Apply, TypesAndSizes) {
  const std::string script = Script(
      "[@KEY@\\T]\r\n"
      "Name=abc\r\n"
      "Empty=\r\n"
      "Count=dword:0000001f\r\n"
      "Max=dword:ffffffff\r\n"
      "Over=dword:123456789\r\n"
      "None=dword:\r\n"
      "Junk=dword:zz\r\n"
      "Upper=DWORD:1\r\n"
      "Path=C:\\\\Program Files\\\\X\r\n"
      "Single=C:\\Program Files\\X\r\n"
      "Three=a\\\\\\b\r\n"
      "Grave=`C:\\Prog\\x.exe` /s\r\n"
      "\"Quoted Name\"=\"quoted data\"\r\n"
      "@=dword:1\r\n");
  ASSERT_EQ(1, DoReg(script));

  struct Row {
    const char* name;
    DWORD type;
    std::string bytes;
  } rows[] = {
      {"Name", REG_SZ, std::string("abc", 4)},
      {"Empty", REG_SZ, std::string("", 1)},
      {"Count", REG_DWORD, std::string("\x1f\0\0\0", 4)},
      {"Max", REG_DWORD, std::string("\xff\xff\xff\xff", 4)},
      {"Over", REG_DWORD, std::string("\xff\xff\xff\xff", 4)},
      {"None", REG_DWORD, std::string("\0\0\0\0", 4)},
      {"Junk", REG_DWORD, std::string("\0\0\0\0", 4)},
      {"Upper", REG_SZ, std::string("DWORD:1", 8)},
      {"Path", REG_SZ, std::string("C:\\Program Files\\X", 19)},
      {"Single", REG_SZ, std::string("C:\\Program Files\\X", 19)},
      {"Three", REG_SZ, std::string("a\\\\b", 5)},
      {"Grave", REG_SZ, std::string("\"C:\\Prog\\x.exe\" /s", 19)},
      {"Quoted Name", REG_SZ, std::string("quoted data", 12)},
      {"", REG_SZ, std::string("dword:1", 8)},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(bench::RowName(rows, r) + " " + r.name);
    const RegValue v = Value("T", r.name);
    ASSERT_EQ(ERROR_SUCCESS, v.status);
    EXPECT_EQ(r.type, v.type);
    EXPECT_EQ(r.bytes, v.bytes);
  }
}

// The root name is matched as a prefix in any case.
TEST_F(Apply, RootNames) {
  const std::string script = Script(
      "[hkey_current_user\\Software\\QndTest\\Apply\\Lower]\r\n"
      "v=1\r\n"
      "[HKEY_CURRENT_USERjunk\\Software\\QndTest\\Apply\\Junk]\r\n"
      "v=2\r\n"
      "[HKCU\\Software\\QndTest\\Apply\\Abbreviated]\r\n"
      "v=3\r\n"
      "[@KEY@\\Empty]\r\n");
  ASSERT_EQ(1, DoReg(script));
  EXPECT_EQ("1", Value("Lower", "v").Text());
  EXPECT_EQ("2", Value("Junk", "v").Text());
  EXPECT_FALSE(bench::KeyExists(kUser, key_.Sub("Abbreviated")));
  EXPECT_FALSE(bench::KeyExists(kUser, key_.Sub("Empty"))) << "a section without entries";
}

TEST_F(Apply, NothingToWrite) {
  EXPECT_EQ(1, DoReg(dir_.File("missing.srg")));
  EXPECT_EQ(1, DoReg(Script("")));
  EXPECT_EQ(1, DoReg(Script("[UNINSTALL]\r\n@KEY@\\X=\r\n[Other]\r\na=$Z\r\n")));
  EXPECT_FALSE(bench::KeyExists(kUser, key_.path()));
  EXPECT_EQ(0, bench::Qnd().DoReg(nullptr, nullptr, 0)) << "a null script path";
}

// The walk is in file order and stops at the first failing entry; what came before stays.
TEST_F(Apply, StopsAtTheFirstFailingEntry) {
  const char* failing[] = {"$$", "$Z", "tail$", "$*", "$4", "$*0"};
  const QndPathContext context = {"C:\\no\\such\\dir", nullptr};
  for (const char* bad : failing) {
    SCOPED_TRACE(bad);
    bench::DeleteTree(kUser, key_.path());
    const std::string script = Script(std::string("[@KEY@\\A]\r\nfirst=1\r\nsecond=") + bad +
                                      "\r\nthird=3\r\n[@KEY@\\B]\r\nfourth=4\r\n");
    EXPECT_EQ(0, DoReg(script, &context));
    EXPECT_EQ("1", Value("A", "first").Text());
    EXPECT_NE(ERROR_SUCCESS, Value("A", "second").status);
    EXPECT_NE(ERROR_SUCCESS, Value("A", "third").status);
    EXPECT_FALSE(bench::KeyExists(kUser, key_.Sub("B")));
  }
}

TEST_F(Apply, MacrosOfThePathContextAndFolderCodes) {
  char windows[MAX_PATH], shortdir[MAX_PATH];
  GetWindowsDirectoryA(windows, MAX_PATH);
  const std::string prog = dir_.path() + "\\Long Program Folder";
  ASSERT_TRUE(CreateDirectoryA(prog.c_str(), nullptr));
  ASSERT_NE(0u, GetShortPathNameA((prog + "\\").c_str(), shortdir, MAX_PATH));

  const QndPathContext context = {prog.c_str(), ""};
  const std::string script = Script(
      "[@KEY@$4M]\r\n"  // "$4" is empty: it gives the one backslash

      "x=$0x.exe\r\n"
      "slash=$0\\x.exe\r\n"
      "alone=$0\r\n"
      "short=$*0\r\n"
      "windows=$1win.ini\r\n"
      "four=$4\r\n"
      "$0=named by a macro\r\n");
  ASSERT_EQ(1, DoReg(script, &context));
  EXPECT_EQ(prog + "\\x.exe", Value("M", "x").Text());
  EXPECT_EQ(prog + "\\\\x.exe", Value("M", "slash").Text());
  EXPECT_EQ(prog + "\\", Value("M", "alone").Text());
  std::string expected_short = shortdir;
  if (expected_short.back() != '\\') expected_short += '\\';
  EXPECT_EQ(expected_short, Value("M", "short").Text());
  EXPECT_EQ(std::string(windows) + "\\win.ini", Value("M", "windows").Text());
  EXPECT_EQ("\\", Value("M", "four").Text());
  EXPECT_EQ("named by a macro", Value("M", (prog + "\\").c_str()).Text());

  EXPECT_EQ(0, DoReg(Script("[@KEY@\\N]\r\nx=$0\r\n"), nullptr)) << "no path context";
  const QndPathContext no_dir0 = {nullptr, "C:\\"};
  EXPECT_EQ(0, DoReg(Script("[@KEY@\\N]\r\nx=$0\r\n"), &no_dir0)) << "no $0 directory";
}

// A section name with a root name and no backslash names the root key itself.
TEST_F(Apply, SectionWithoutBackslashNamesTheRoot) {
  ASSERT_EQ(1, DoReg(Script("[HKEY_CURRENT_USER]\r\nQndTestRootValue=r\r\n")));
  const RegValue v = ReadValue(kUser, "", "QndTestRootValue");
  RegDeleteKeyValueA(kUser, nullptr, "QndTestRootValue");
  EXPECT_EQ("r", v.Text());
}

// Texts beyond 511 characters, and keys the registry refuses, make the entry fail.
TEST_F(Apply, LimitsAndRefusals) {
  const std::string d511(511, 'd'), d512(512, 'd');
  EXPECT_EQ(1, DoReg(Script("[@KEY@\\L]\r\nok=" + d511 + "\r\n")));
  EXPECT_EQ(d511, Value("L", "ok").Text());
  EXPECT_EQ(0, DoReg(Script("[@KEY@\\L]\r\nover=" + d512 + "\r\n")));
  EXPECT_NE(ERROR_SUCCESS, Value("L", "over").status) << "nothing is cut";
  EXPECT_EQ(0, DoReg(Script("[@KEY@\\L]\r\n" + d512 + "=v\r\n")));

  // The platform refuses a sub-key path of 261 characters or more.
  EXPECT_EQ(0, DoReg(Script("[@KEY@\\" + std::string(270, 'k') + "]\r\nv=1\r\n")));
  EXPECT_EQ(0, DoReg(Script("[@KEY@\\" + std::string(270, 'k') + "]\r\n@=1\r\n")));

  // A key whose security refuses values: named and default values fail.
  ASSERT_EQ(1, DoReg(Script("[@KEY@\\Locked]\r\nbefore=1\r\n[@KEY@\\Locked\\Sub]\r\nx=1\r\n")));
  ASSERT_EQ(ERROR_SUCCESS, bench::SetKeySddl(kUser, key_.Sub("Locked"), "D:"));
  EXPECT_EQ(0, DoReg(Script("[@KEY@\\Locked]\r\nnamed=1\r\n")));
  EXPECT_EQ(0, DoReg(Script("[@KEY@\\Locked]\r\n@=1\r\n")));
  ASSERT_EQ(ERROR_SUCCESS, bench::SetKeySddl(kUser, key_.Sub("Locked"), "D:(A;;KA;;;WD)"));
  EXPECT_NE(ERROR_SUCCESS, Value("Locked", "named").status);
}

// Every path closes its keys and releases its lists.
TEST_F(Apply, HoldsNoHandleAfterwards) {
  const std::string ok =
      Script("[@KEY@\\H]\r\na=1\r\n@=d\r\n[@KEY@\\H\\S]\r\nb=dword:2\r\n", "ok.srg");
  const std::string bad = Script("[@KEY@\\H]\r\na=1\r\nb=$Z\r\n", "bad.srg");
  ASSERT_EQ(ERROR_SUCCESS, bench::WriteString(kUser, key_.Sub("R"), "x", "1"));
  ASSERT_EQ(ERROR_SUCCESS, bench::SetKeySddl(kUser, key_.Sub("R"), "D:"));
  const std::string refused = Script("[@KEY@\\R]\r\nnamed=1\r\n", "refused.srg");
  bench::ExpectNoHandleLeak([&] {
    EXPECT_EQ(1, DoReg(ok));
    EXPECT_EQ(0, DoReg(bad));
    EXPECT_EQ(0, DoReg(refused));
  });
  bench::SetKeySddl(kUser, key_.Sub("R"), "D:(A;;KA;;;WD)");
}

TEST_F(Apply, RegisterQuindoReadsTheScriptOfTheDirectory) {
  bench::WriteTextFile(
      dir_.File("QUINDO.SRG"),
      "[HKEY_CURRENT_USER\\Software\\QndTest\\Apply\\Q]\r\nhome=$0\r\nexe=$0tr.exe\r\n");
  for (const std::string& d : {dir_.path(), dir_.path() + "\\"}) {
    bench::DeleteTree(kUser, key_.path());
    EXPECT_EQ(1, bench::Qnd().RegisterQuindo(d.c_str())) << d;
    EXPECT_EQ(dir_.path() + "\\", Value("Q", "home").Text()) << d;
    EXPECT_EQ(dir_.path() + "\\tr.exe", Value("Q", "exe").Text()) << d;
  }
  EXPECT_EQ(0, bench::Qnd().RegisterQuindo(""));
  EXPECT_EQ(0, bench::Qnd().RegisterQuindo(nullptr));

  bench::WriteTextFile(dir_.File("QUINDO.SRG"),
                       "[HKEY_CURRENT_USER\\Software\\QndTest\\Apply\\Q]\r\nshared=$4\r\n");
  EXPECT_EQ(0, bench::Qnd().RegisterQuindo(dir_.path().c_str())) << "no $4 directory";

  // "QUINDO.SRG" must fit 260 characters with the directory: 249 + 10 = 259.
  const std::string base = "C:\\" + std::string(245, 'q');  // 248 characters
  EXPECT_EQ(1, bench::Qnd().RegisterQuindo((base + "\\").c_str())) << "missing file: 1";
  EXPECT_EQ(0, bench::Qnd().RegisterQuindo((base + "x\\").c_str()));
  EXPECT_EQ(0, bench::Qnd().RegisterQuindo(std::string(600, 'q').c_str()));
}

// Where a registry script and a .reg file mean the same (REGEDIT4, quoted names and data,
// doubled backslashes, dword: with eight digits, @), DoReg leaves the registry exactly as the
// platform's own regedit leaves it.
TEST_F(Apply, SameResultAsRegedit) {
  const std::string body =
      "\\A]\r\n"
      "\"Name\"=\"abc\"\r\n"
      "\"Path\"=\"C:\\\\Program Files\\\\Quindo\\\\tr.exe\"\r\n"
      "\"Count\"=dword:0000001f\r\n"
      "\"Max\"=dword:ffffffff\r\n"
      "\"Empty\"=\"\"\r\n"
      "\"With spaces\"=\"a  b\"\r\n"
      "@=\"default text\"\r\n"
      "\r\n[HKEY_CURRENT_USER\\Software\\QndTest\\Apply\\";
  const std::string reg =
      Script("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\QndTest\\Apply\\ByRegedit" + body +
                 "ByRegedit\\A\\Sub]\r\n\"x\"=dword:00000000\r\n@=\"d\"\r\n",
             "a.reg");
  const std::string srg =
      Script("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\QndTest\\Apply\\ByDoReg" + body +
                 "ByDoReg\\A\\Sub]\r\n\"x\"=dword:00000000\r\n@=\"d\"\r\n",
             "a.srg");
  ASSERT_NE(259u, bench::RunProgram("regedit.exe /s \"" + reg + "\"")) << "regedit ended";

  ASSERT_EQ(1, DoReg(srg));
  const std::string by_regedit = bench::DumpTree(kUser, key_.Sub("ByRegedit"));
  const std::string by_doreg = bench::DumpTree(kUser, key_.Sub("ByDoReg"));
  EXPECT_NE("(missing)", by_regedit);
  EXPECT_EQ(by_regedit, by_doreg);
}

// An entry whose name the reader lists but cannot find again (a script saved as UTF-8, with a
// name outside code page 1251) fails: its data is unknown, and is not taken for empty.
TEST_F(Apply, EntryThatCannotBeFoundAgainFails) {
  EXPECT_EQ(0, DoReg(Script("\xEF\xBB\xBF[@KEY@\\U]\r\nfirst=1\r\nCaf\xC3\xA9=x\r\nlast=3\r\n")));
  EXPECT_EQ(" [first] type 1 size 2: 3100\n", bench::DumpTree(kUser, key_.Sub("U")))
      << "the entries before it written, nothing of it or after it";
}

// The section list and each entry list hold 32768 characters of names, each with its
// terminator, and the list's own. A name that would reach past that is no name of the script,
// though the reader hands it over cut short: it is dropped, and the whole names before it are
// carried out. A whole name that ends at the edge is carried out.
TEST_F(Apply, NameCutAtTheEndOfAListIsDropped) {
  const std::string base = "HKEY_CURRENT_USER\\" + key_.path();
  const struct {
    bool sections;  // the cut falls in the section list, else in an entry list
    size_t cut_at;  // the characters of the last name that the list holds whole
    const char* last;
    bool written;
  } rows[] = {
      /* 0 */ {false, 3, "Counter", false},  // a reader's cut would write "Cou" = ""
      /* 1 */ {false, 7, "Counter", true},   // whole, filling the list exactly
      /* 2 */ {true, base.size() + 7, "\\Vendor\\App", false},  // a cut would name Vendor
      /* 3 */ {true, base.size() + 11, "\\Vendor\\App", true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(bench::RowName(rows, row));
    bench::DeleteTree(kUser, key_.path());
    std::string body;
    if (row.sections) {
      const std::string first = base + "\\First";
      const size_t names = 32766 - row.cut_at - (first.size() + 1);
      body = "[" + first + "]\r\nv=1\r\n" + bench::NameListPadding(names, "Pad", "[", "]\r\n") +
             "[" + base + row.last + "]\r\nv=2\r\n[" + base + "\\Vendor]\r\nBeyond=1\r\n";
    } else {
      const size_t names = 32766 - row.cut_at - 6;  // "First" and its terminator
      body = "[@KEY@\\First]\r\nFirst=1\r\n" + bench::NameListPadding(names, "p", "", "=1\r\n") +
             row.last + "=dword:7\r\n";
    }
    ASSERT_EQ(1, DoReg(Script(body)));
    if (row.sections) {
      EXPECT_EQ("1", Value("First", "v").Text());
      EXPECT_EQ(row.written, Value("Vendor\\App", "v").Text() == "2");
      EXPECT_FALSE(bench::KeyExists(kUser, key_.Sub("Vendor")) && !row.written);
      EXPECT_EQ(ERROR_FILE_NOT_FOUND, Value("Vendor", "Beyond").status) << "beyond the list";
    } else {
      EXPECT_EQ("1", Value("First", "First").Text());
      EXPECT_EQ(row.written ? 7u : 0u, Value("First", "Counter").Dword());
      EXPECT_EQ(ERROR_FILE_NOT_FOUND, Value("First", "Cou").status);
    }
  }
}

// With no memory for a name list DoReg gives 0 without reading the file.
BENCH_CHILD(no_memory) {
  const auto do_reg = bench::Qnd().DoReg;  // bound before the memory goes
  char script[MAX_PATH];
  GetEnvironmentVariableA("QND_TEST_SCRIPT", script, MAX_PATH);
  for (size_t size = 1u << 30; size >= 65536;) {
    if (!VirtualAlloc(nullptr, size, MEM_RESERVE, PAGE_NOACCESS)) size /= 2;
  }
  for (size_t size = 1u << 20; size >= 16;) {
    if (!HeapAlloc(GetProcessHeap(), 0, size)) size /= 2;
  }
  for (size_t size = 1u << 20; size >= 16;) {
    if (!malloc(size)) size /= 2;
  }
  return 10 + do_reg(script, nullptr, 0);
}

TEST_F(Apply, NoMemoryForTheNameList) {
  const std::string script = Script("[@KEY@\\M]\r\nv=1\r\n");
  SetEnvironmentVariableA("QND_TEST_SCRIPT", script.c_str());
  EXPECT_EQ(10u, bench::RunChild("no_memory"));
  EXPECT_FALSE(bench::KeyExists(kUser, key_.Sub("M")));
  EXPECT_EQ(1, DoReg(script)) << "the same script with memory";
}

}  // namespace
