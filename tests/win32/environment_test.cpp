// The earlier installation (Internal015) and the path record (Internal012) against the real
// platform: real profile files in the real Windows directory, real settings files in real
// folders, each failure of the profile writer provoked for real.
#include <cstring>
#include <string>

#include "bench.h"

namespace {

using bench::GuardBuffer;

int Internal015(char* buffer) { return bench::Qnd().Internal015(buffer); }
int Internal012(const char* directory, const char* value) {
  return bench::Qnd().Internal012(directory, value);
}

const char* const kProfileNames[] = {"quindo.ini", "quindohr.ini"};

std::string InWindows(const char* name) { return bench::WindowsDir() + "\\" + name; }

// Busy blocks of the process heap: a search that is not closed shows only here, since an
// exact-name search holds no handle.
int HeapBusyBlocks() {
  PROCESS_HEAP_ENTRY e = {};
  int n = 0;
  HeapLock(GetProcessHeap());
  while (HeapWalk(GetProcessHeap(), &e)) {
    if (e.wFlags & PROCESS_HEAP_ENTRY_BUSY) ++n;
  }
  HeapUnlock(GetProcessHeap());
  return n;
}

// Both product profile files of the Windows directory are removed before and after each test
// (a test may leave a folder of that name too).
class EarlierInstallation : public testing::Test {
 protected:
  void SetUp() override { RemoveProfiles(); }
  void TearDown() override { RemoveProfiles(); }

  static void RemoveProfiles() {
    for (const char* name : kProfileNames) {
      const std::string path = InWindows(name);
      bench::RemoveEntry(path);
      ASSERT_FALSE(bench::FileExists(path)) << path;
    }
  }
  // Writes the profile file `name` with `text`; null: the file does not exist.
  static void Put(const char* name, const char* text) {
    const std::string path = InWindows(name);
    if (text) {
      ASSERT_TRUE(bench::WriteTextFile(path, text)) << path;
    } else {
      DeleteFileA(path.c_str());
    }
  }
  // Internal015 into a buffer at the end of a page: result 1, `expected`, and nothing written
  // after the terminator.
  static void ExpectLookup(const std::string& expected) {
    GuardBuffer buf;
    EXPECT_EQ(1, Internal015(buf.get()));
    EXPECT_EQ(expected, std::string(buf.get(), strnlen(buf.get(), MAX_PATH)));
    if (expected.size() + 1 < MAX_PATH) {
      EXPECT_EQ(0xBD, (unsigned char)buf.get()[expected.size() + 1])
          << "written after the terminator";
    }
  }
};

#define APP "[Application]\r\n"

// Rows 17 on: the reader cuts data to 259 characters; the lookup works on what it got and fills
// the caller's 260 bytes exactly, up to the guard page.
TEST_F(EarlierInstallation, WhichFileAndEntryDecide) {
  const std::string dir259 = "C:\\" + std::string(255, 'd') + "\\";
  const auto er = [](const std::string& value) { return APP "English-Russian=" + value + "\r\n"; };
  const std::string long_texts[] = {
      er(dir259 + "TRANS.EXE"), er(std::string(400, 'n')),
      er("C:\\" + std::string(256, 'e') + "\\x"),
      er("C:\\" + std::string(200, 'f') + "\\" + std::string(100, 'g'))};
  struct Row {
    const char* quindo;    // text of quindo.ini; null: no such file
    const char* quindohr;  // text of quindohr.ini; null: no such file
    std::string expected;
  } rows[] = {
      /* 0 */ {nullptr, nullptr, "C:\\"},
      /* 1 */ {APP "English-Russian=D:\\Prog\\TR.EXE\r\n", nullptr, "D:\\Prog\\"},
      /* 2 */ {APP "Russian-English=E:\\Quindo\\Bin\\RT.EXE\r\n", nullptr, "E:\\Quindo\\Bin\\"},
      /* 3 */
      {APP "Russian-English=F:\\RE\\r.exe\r\nEnglish-Russian=G:\\ER\\e.exe\r\n", nullptr,
       "G:\\ER\\"},  // the entries' order, not the file's
      /* 4 */ {"", APP "English-Russian=D:\\Prog\\TR.EXE\r\nRussian-English=E:\\R\\x\r\n", "C:\\"},
      /* 5 */
      {"[Other]\r\nEnglish-Russian=H:\\Other\\x.exe\r\n",
       APP "English-Russian=D:\\Prog\\TR.EXE\r\n", "C:\\"},
      /* 6 */ {APP "English-Russian=\r\n", APP "English-Russian=D:\\Prog\\TR.EXE\r\n", "C:\\"},
      /* 7 */ {nullptr, APP "English-Russian=D:\\HR\\TR.EXE\r\n", "D:\\HR\\"},
      /* 8 */ {nullptr, APP "Russian-English=D:\\HR\\RT.EXE\r\n", "D:\\HR\\"},
      /* 9 */
      {APP "English-Russian=D:\\One\\a.exe\r\n", APP "English-Russian=D:\\Two\\b.exe\r\n",
       "D:\\One\\"},
      /* 10 */
      {APP "English-Russian=\r\nRussian-English=D:\\Second\\RT.EXE\r\n", nullptr, "D:\\Second\\"},
      /* 11 */ {APP "English-Russian=D:\\Prog\\\r\n", nullptr, "D:\\Prog\\"},
      /* 12 */ {APP "English-Russian=D:\\Prog\r\n", nullptr, "D:\\"},
      /* 13 */ {APP "English-Russian=TRANS.EXE\r\n", nullptr, "TRANS.EXE"},
      /* 14 */ {APP "English-Russian=\\\r\n", nullptr, "\\"},
      /* 15 */ {APP "English-Russian=C:\\a b\\c.d\\e\\TRANS.EXE\r\n", nullptr, "C:\\a b\\c.d\\e\\"},
      /* 16 */
      {"[Application]\r\nRussian-English=D:\\Only\\r.exe\r\n"
       "[Setup]\r\nEnglish-Russian=D:\\Wrong\\e.exe\r\n",
       nullptr, "D:\\Only\\"},
      /* 17 */ {long_texts[0].c_str(), nullptr, dir259},
      /* 18 */ {long_texts[1].c_str(), nullptr, std::string(259, 'n')},
      /* 19 */ {long_texts[2].c_str(), nullptr, "C:\\"},  // the cut drops the last backslash
      /* 20 */ {long_texts[3].c_str(), nullptr, "C:\\" + std::string(200, 'f') + "\\"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(bench::RowName(rows, r));
    ASSERT_NO_FATAL_FAILURE(Put("quindo.ini", r.quindo));
    ASSERT_NO_FATAL_FAILURE(Put("quindohr.ini", r.quindohr));
    ExpectLookup(r.expected);
  }
}

// A folder named "quindo.ini" is an existing entry too: it is the file chosen, has no entries,
// and "quindohr.ini" is not consulted.
TEST_F(EarlierInstallation, FolderOfTheFirstNameCounts) {
  ASSERT_TRUE(CreateDirectoryA(InWindows("quindo.ini").c_str(), nullptr));
  Put("quindohr.ini", APP "English-Russian=D:\\HR\\TR.EXE\r\n");
  ExpectLookup("C:\\");
}

// The searches and the profile file are released on every path: no handle stays, and no
// search is left open (an open exact-name search holds no handle, only heap blocks).
TEST_F(EarlierInstallation, ReleasesEverything) {
  char buf[MAX_PATH];
  Put("quindohr.ini", APP "English-Russian=D:\\HR\\TR.EXE\r\n");
  bench::ExpectNoHandleLeak([&] { Internal015(buf); });

  // A successful exact-name search left open would leave about 3 heap blocks per call.
  Put("quindo.ini", APP "English-Russian=D:\\One\\TR.EXE\r\n");
  Internal015(buf);
  const int blocks = HeapBusyBlocks();
  for (int i = 0; i < 100; ++i) Internal015(buf);
  EXPECT_LT(HeapBusyBlocks() - blocks, 50);
  EXPECT_STREQ("D:\\One\\", buf);
}

#undef APP

// ---- the path record ----

// A fresh folder for the settings file; its contents go with it.
class PathRecord : public testing::Test {
 protected:
  bench::TempDir dir_{"pathrecord"};
  std::string File() const { return dir_.File("Quindo32.uni"); }

  static std::string Entry(const std::string& file, const char* section, const char* key) {
    char buf[MAX_PATH] = {};
    GetPrivateProfileStringA(section, key, "(missing)", buf, MAX_PATH, file.c_str());
    return buf;
  }
  // How many names a folder holds, "." and ".." left out; -1 when it is not there.
  static int EntriesIn(const std::string& dir) {
    return bench::FileExists(dir) ? static_cast<int>(bench::Names(dir).size()) : -1;
  }
};

// The value as given; a directory given with its backslash still names the same file (the
// doubled backslash is accepted by the platform).
TEST_F(PathRecord, WritesTheEntryAsGiven) {
  const struct {
    const char *tail, *value;  // after the directory; the value
  } rows[] = {
      /* 0 */ {"", "C:\\Program Files\\Quindo"},
      /* 1 */ {"", "D:\\\xCF\xF0\xEE\xE3\xF0\xE0\xEC\xEC\xFB\\"},  // "D:\Программы\" in code page
                                                                   // 1251
      /* 2 */ {"", "anything at all = even this"},
      /* 3 */ {"\\", "C:\\Q"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(bench::RowName(rows, row));
    EXPECT_EQ(1, Internal012((dir_.path() + row.tail).c_str(), row.value));
    EXPECT_EQ(row.value, Entry(File(), "Setup", "Path"));
  }
  EXPECT_EQ(1, EntriesIn(dir_.path())) << "only Quindo32.uni";
}

// The writer replaces the one entry and keeps every other section and entry of the file.
TEST_F(PathRecord, SecondCallReplacesOnlyTheEntry) {
  ASSERT_TRUE(bench::WriteTextFile(File(),
                                   "[Other]\r\nPath=keep-other\r\n"
                                   "[Setup]\r\nLanguage=ru\r\nPath=old\r\n"));
  EXPECT_EQ(1, Internal012(dir_.path().c_str(), "C:\\New"));
  EXPECT_EQ(1, Internal012(dir_.path().c_str(), "C:\\Newer"));
  EXPECT_EQ("C:\\Newer", Entry(File(), "Setup", "Path"));
  EXPECT_EQ("ru", Entry(File(), "Setup", "Language"));
  EXPECT_EQ("keep-other", Entry(File(), "Other", "Path"));
  const std::string text = bench::ReadTextFile(File());
  EXPECT_EQ(std::string::npos, text.find("old")) << text;
  EXPECT_EQ(std::string::npos, text.find("C:\\New\r")) << text;
}

// Each failure of the profile writer is 0, and nothing is created.
TEST_F(PathRecord, FailuresGiveZeroAndCreateNothing) {
  const std::string missing = dir_.File("missing");
  EXPECT_EQ(0, Internal012(missing.c_str(), "x")) << "directory does not exist";
  EXPECT_FALSE(bench::FileExists(missing)) << "no directory is created";

  ASSERT_TRUE(CreateDirectoryA(File().c_str(), nullptr));
  EXPECT_EQ(0, Internal012(dir_.path().c_str(), "x")) << "Quindo32.uni is a folder";
  ASSERT_TRUE(RemoveDirectoryA(File().c_str()));

  ASSERT_TRUE(bench::WriteTextFile(File(), "[Setup]\r\nPath=old\r\n"));
  HANDLE held = CreateFileA(File().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  EXPECT_EQ(0, Internal012(dir_.path().c_str(), "x")) << "file held without sharing";
  CloseHandle(held);
  EXPECT_EQ("old", Entry(File(), "Setup", "Path"));

  EXPECT_EQ(0, Internal012(nullptr, "x"));
  EXPECT_EQ(0, Internal012(dir_.path().c_str(), nullptr)) << "the writer would delete the entry";
  EXPECT_EQ("old", Entry(File(), "Setup", "Path"));
}

// A line break would be stored as it is and start new lines of the file (a new section, an
// entry that replaces another's); an empty directory would put the file at the root of the
// current drive. Each gives 0 and the file stays byte for byte as it was.
TEST_F(PathRecord, LineBreaksAndAnEmptyDirectoryWriteNothing) {
  const std::string text =
      "[Setup]\r\nPath=old\r\nLanguage=ru\r\n[Registration]\r\nSerial=1234\r\n";
  ASSERT_TRUE(bench::WriteTextFile(File(), text));
  const std::string dir = dir_.path();
  const struct {
    std::string directory, value;
  } rows[] = {
      /* 0 */ {dir, "C:\\New\r\n[Registration]\r\nSerial=0000"},
      /* 1 */ {dir, "C:\\New\nSerial=0000"},
      /* 2 */ {dir, "C:\\New\r"},
      /* 3 */ {dir + "\n", "C:\\New"},
      /* 4 */ {dir + "\r\\x", "C:\\New"},
      /* 5 */ {"", "C:\\New"},
  };
  char root_file[MAX_PATH];
  ASSERT_NE(0u, GetFullPathNameA("\\Quindo32.uni", MAX_PATH, root_file, nullptr));
  ASSERT_FALSE(bench::FileExists(root_file)) << root_file;
  for (const auto& row : rows) {
    EXPECT_EQ(0, Internal012(row.directory.c_str(), row.value.c_str()))
        << bench::RowName(rows, row);
  }
  EXPECT_EQ(text, bench::ReadTextFile(File()));
  EXPECT_EQ(1, EntriesIn(dir_.path()));
  EXPECT_FALSE(bench::FileExists(root_file)) << root_file;
  DeleteFileA(root_file);
}

// 246 characters of directory and the 13 of "\Quindo32.uni" fill the path buffer; one more,
// a trailing backslash included, is refused before anything is written, however long the
// directory is: neither a cut file name nor a cut directory receives the record.
TEST_F(PathRecord, DirectoryLengthLimit) {
  const std::string base = dir_.path() + "\\";
  ASSERT_LT(base.size(), 246u - 10);
  const std::string dir246 = base + std::string(246 - base.size(), 'a');
  const std::string dir247 = dir246 + "a";
  ASSERT_TRUE(CreateDirectoryA(dir246.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA(dir247.c_str(), nullptr));

  EXPECT_EQ(1, Internal012(dir246.c_str(), "C:\\246"));
  EXPECT_EQ("C:\\246", Entry(dir246 + "\\Quindo32.uni", "Setup", "Path"));

  EXPECT_EQ(0, Internal012(dir247.c_str(), "C:\\247"));
  EXPECT_EQ(0, EntriesIn(dir247)) << "nothing written, not even to a cut name";
  EXPECT_EQ(0, Internal012((dir246 + "\\").c_str(), "C:\\247"));
  EXPECT_EQ("C:\\246", Entry(dir246 + "\\Quindo32.uni", "Setup", "Path"));
  for (size_t len : {260u, 1000u, 5000u}) {
    EXPECT_EQ(0, Internal012((base + std::string(len - base.size(), 'c')).c_str(), "x")) << len;
  }
  EXPECT_EQ(2, EntriesIn(dir_.path())) << "only the two folders";
}

}  // namespace
