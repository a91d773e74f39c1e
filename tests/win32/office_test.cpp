// The Office 95 add-ins (InstallOfficeSupport) against the real platform: stand-in Office 7.0
// keys under HKEY_CURRENT_USER, component files in a temporary folder, Word's start-up directory
// under it, the real system directory, and real windows of the applications' classes.
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "bench.h"

namespace {

const HKEY kUser = HKEY_CURRENT_USER;
using bench::kExcel;
using bench::kExcelOptions;
using bench::kMarker;
using bench::kWord;
using bench::kWordOptions;
using bench::OpenName;
const char kFullAccess[] = "D:(A;;KA;;;WD)";
const char kReadOnly[] = "D:(A;;KR;;;WD)";

int Install(const char* dir) { return bench::Qnd().InstallOfficeSupport(dir); }
std::string Quoted(const std::string& dir) { return "\"" + dir + "\\QND_OF7.XLA\""; }
// `n` characters ending in `tail`.
std::string Padded(size_t n, const std::string& tail) {
  return std::string(n - tail.size(), 'x') + tail;
}

using bench::RemoveEntry;

// Each test, and each row with Reset(), starts without Office keys, marker or system copy, and
// with a fresh folder: src\ holds the component files ("v1"), Startup\ is not made.
class Office : public testing::Test {
 protected:
  Office() { Reset(); }
  ~Office() override { bench::RemoveOffice(); }

  void Reset() {
    bench::RemoveOffice();
    dir_.reset();
    dir_.reset(new bench::TempDir("office"));
    src_ = dir_->File("src");
    startup_ = dir_->File("Startup");
    bench::PutOfficeComponents(src_, "v1");
  }
  // Word 7.0 present with "Startup-Path" = `startup`; when `make`, that folder exists and holds
  // an older template "QND_WW7.DOT".
  void Word(const std::string& startup, bool make = true) {
    ASSERT_EQ(ERROR_SUCCESS, bench::WriteString(kUser, kWordOptions, "Startup-Path", startup));
    if (!make) return;
    size_t at = dir_->path().size() + 1;
    while ((at = startup.find('\\', at)) != std::string::npos) {
      CreateDirectoryA(startup.substr(0, at++).c_str(), nullptr);
    }
    CreateDirectoryA(startup.c_str(), nullptr);
    ASSERT_TRUE(bench::WriteTextFile(startup + "\\QND_WW7.DOT", "old"));
  }
  // Excel 7.0 present with its options key and the add-in values given ("#0": zero bytes).
  void Excel(const std::vector<std::pair<int, std::string>>& values = {}) {
    HKEY k;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(kUser, kExcelOptions, &k));
    for (const auto& v : values) {
      const bool empty = v.second == "#0";
      ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(k, OpenName(v.first).c_str(), 0, REG_SZ,
                                              (const BYTE*)v.second.c_str(),
                                              empty ? 0 : (DWORD)v.second.size() + 1));
    }
    RegCloseKey(k);
  }
  // The add-in values "OPEN" to OPEN100 that exist, in order: "n=text", our add-in as "@",
  // a value of zero or over 64 bytes as "#bytes".
  std::string Opens() const {
    std::string out;
    for (int i = 0; i <= 100; ++i) {
      const bench::RegValue v = bench::ReadValue(kUser, kExcelOptions, OpenName(i).c_str());
      if (v.status != ERROR_SUCCESS) continue;
      std::string text = v.Text();
      if (text == Quoted(src_)) text = "@";
      if (v.bytes.empty() || v.bytes.size() > 64) text = "#" + std::to_string(v.bytes.size());
      out += (out.empty() ? "" : " ") + std::to_string(i) + "=" + text;
    }
    return out;
  }
  // What lies on the machine, in one line: the presence keys, the template and the older one in
  // `startup`, the system copy, the marker (REG_SZ "Y", 2 bytes), then the add-in values.
  std::string State(const std::string& startup) const {
    const bench::RegValue marker = bench::ReadValue(kUser, kMarker, "FirstCall");
    const bool marked = marker.status == ERROR_SUCCESS && marker.type == REG_SZ &&
                        marker.bytes == std::string("Y", 2);
    std::string s;
    if (bench::KeyExists(kUser, kExcel)) s += "excel ";
    if (bench::KeyExists(kUser, kWord)) s += "word ";
    if (bench::FileExists(startup + "\\QND_OF7.DOT")) s += "dot ";
    if (bench::FileExists(startup + "\\QND_WW7.DOT")) s += "ww7 ";
    if (bench::FileExists(bench::OfficeLibrary())) s += "dll ";
    if (marked) s += "marker ";
    return s + "| " + Opens();
  }
  std::string State() const { return State(startup_); }
  // A fresh start (Reset) with Word and Excel present as asked: Word's start-up directory made
  // with the older template in it, Excel with another add-in and our older one.
  void Fresh(bool word, bool excel) {
    Reset();
    if (word) Word(startup_);
    if (excel) Excel({{0, "SOLVER.XLA"}, {1, "OLD\\QND_XL7.XLA"}});
  }

  std::unique_ptr<bench::TempDir> dir_;
  std::string src_, startup_;
};

// The library's FindWindowA, bound for one call: after the first lookup of class `after`, the
// window of class `starts` opens, or the open window of class `ends` (in `open`) closes.
struct Provoke {
  const char* after;
  const char* starts;
  const char* ends;
  bench::StandInWindows* open;
  FARPROC find;  // the library's own FindWindowA
  std::unique_ptr<bench::StandInWindows> started;
  bool done;
};
Provoke* provoke = nullptr;

HWND WINAPI FindAndProvoke(LPCSTR cls, LPCSTR title) {
  const HWND found = reinterpret_cast<HWND(WINAPI*)(LPCSTR, LPCSTR)>(provoke->find)(cls, title);
  if (!provoke->done && cls && provoke->after && !strcmp(cls, provoke->after)) {
    provoke->done = true;
    if (provoke->starts) provoke->started.reset(new bench::StandInWindows({provoke->starts}));
    if (provoke->ends) provoke->open->Close(provoke->ends);
  }
  return found;
}

// Each phase stops the call when its application runs, and what the phases before it did
// stays. Each phase looks for its window when it runs, and phase 3 for each component's when it
// is removed and when it is installed: a window that opens or closes during the call counts from
// the next look on.
TEST_F(Office, PhasesAndWindows) {
  const struct Row {
    bool word, excel, installed;  // "installed": Word's template and the library already there
    const char* open;             // the class of a window open before the call, or null
    const char* after;  // the class whose first lookup opens `starts` or closes `open`, or null
    const char* starts;
    int result;
    const char* state;
  } rows[] = {
      /* 0-3: no window: each present application gets its components, and the marker is set */
      {false, false, false, nullptr, nullptr, nullptr, 1, "| "},
      {false, true, false, nullptr, nullptr, nullptr, 1, "excel dll marker | 0=SOLVER.XLA 1=@"},
      {true, false, false, nullptr, nullptr, nullptr, 1, "word dot dll marker | "},
      {true, true, false, nullptr, nullptr, nullptr, 1,
       "excel word dot dll marker | 0=SOLVER.XLA 1=@"},
      /* 4-5: a window there at its phase's look, gone right after: the call stops all the same */
      {true, true, false, "OpusApp", "OpusApp", nullptr, 0,
       "excel word ww7 | 0=SOLVER.XLA 1=OLD\\QND_XL7.XLA"},
      {true, true, false, "XLMAIN", "XLMAIN", nullptr, 0,
       "excel word | 0=SOLVER.XLA 1=OLD\\QND_XL7.XLA"},
      /* 6: Excel starts after phase 2, only Word present: Word counts as running */
      {true, false, false, nullptr, "XLMAIN", "XLMAIN", 0, "word | "},
      /* 7: Excel starts after phase 2, both present: neither is installed */
      {true, true, false, nullptr, "XLMAIN", "XLMAIN", 0, "excel word | 0=SOLVER.XLA"},
      /* 8: Word starts after phase 1, both present: only Excel's component is installed */
      {true, true, false, nullptr, "OpusApp", "OpusApp", 0,
       "excel word dll marker | 0=SOLVER.XLA 1=@"},
      /* 9: Word starts after phase 1, its template installed: it stays as it was */
      {true, false, true, nullptr, "OpusApp", "OpusApp", 0, "word dot dll | "},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(bench::RowName(rows, r));
    Fresh(r.word, r.excel);
    if (r.installed) {
      ASSERT_TRUE(bench::WriteTextFile(startup_ + "\\QND_OF7.DOT", "installed"));
      ASSERT_TRUE(bench::WriteTextFile(bench::OfficeLibrary(), "installed"));
    }
    std::unique_ptr<bench::StandInWindows> open(r.open ? new bench::StandInWindows({r.open})
                                                       : nullptr);
    if (open) {
      ASSERT_TRUE(open->ready());
    }
    Provoke p = {r.after, r.starts, r.open, open.get(), nullptr, nullptr, false};
    provoke = &p;
    {
      const bench::ImportPatch patch("user32.dll", "FindWindowA",
                                     reinterpret_cast<FARPROC>(FindAndProvoke));
      ASSERT_TRUE(patch.ok());
      p.find = patch.original();
      EXPECT_EQ(r.result, Install(src_.c_str()));
    }
    EXPECT_EQ(r.after != nullptr, p.done) << "the class was looked for";
    p.started.reset();
    EXPECT_EQ(r.state, State());
    if (r.installed) {
      EXPECT_EQ("installed", bench::ReadTextFile(startup_ + "\\QND_OF7.DOT"));
    }
  }
  provoke = nullptr;
}

// The add-in values. Only the first older one among "OPEN" to OPEN98 goes, and only one whose
// text, read into 260 bytes, names the file "QND_XL7" in that case: another add-in whose name
// merely holds it stays. Ours goes into the first missing slot; empty, over-long and foreign
// values are taken; our own value (found among "OPEN" to OPEN99, 1024-byte read, naming the whole
// file) is replaced when the support library is there too.
TEST_F(Office, AddInValues) {
  const std::string fits = Padded(259, "\\QND_XL7"), over = Padded(260, "\\QND_XL7");
  const std::string ours = Padded(1023, "\\QND_OF7.XLA"), too_long = Padded(1024, "\\QND_OF7.XLA");
  const struct Row {
    std::vector<std::pair<int, std::string>> values;
    bool library;  // the support library already in the system directory
    const char* opens;
  } rows[] = {
      /* 0 */ {{{0, "A.XLA"}, {1, "C:\\QND_XL7.XLA"}, {2, "D:\\QND_XL7.XLA"}},
               false,
               "0=A.XLA 1=@ 2=D:\\QND_XL7.XLA"},
      /* 1 */ {{{99, "QND_XL7.XLA"}}, false, "0=@ 99=QND_XL7.XLA"},
      /* 2 */ {{{98, "QND_XL7.XLA"}}, false, "0=@"},
      /* 3 */ {{{0, "qnd_xl7.xla"}}, false, "0=qnd_xl7.xla 1=@"},
      /* 4 */ {{{0, fits}}, false, "0=@"},
      /* 5 */ {{{0, over}}, false, "0=#261 1=@"},
      /* 6 */
      {{{0, "\"C:\\X\\MYQND_XL7_TOOLS.XLA\""},
        {1, "C:\\X\\QND_XL7_OLD.XLA"},
        {2, "C:\\X\\OLDQND_XL7X"},
        {3, "\"C:\\Old\\QND_XL7.XLA\""}},
       false,
       "0=\"C:\\X\\MYQND_XL7_TOOLS.XLA\" 1=C:\\X\\QND_XL7_OLD.XLA "
       "2=C:\\X\\OLDQND_XL7X 3=@"},
      /* 7 */ {{{0, "/R \"C:\\Old\\QND_XL7.XLA\""}}, false, "0=@"},
      /* 8 */ {{{0, "#0"}}, true, "0=#0 1=@"},
      /* 9 */ {{{0, std::string(2000, 'x')}}, true, "0=#2001 1=@"},
      /* 10 */ {{{0, "A.XLA"}, {1, "C:\\Q\\QND_OF7.XLA"}}, true, "0=A.XLA 1=@"},
      /* 11 */
      {{{0, "A.XLA"}, {1, "C:\\Q\\QND_OF7.XLA"}}, false, "0=A.XLA 1=C:\\Q\\QND_OF7.XLA 2=@"},
      /* 12 */ {{{99, "C:\\Q\\QND_OF7.XLA"}}, true, "0=@"},
      /* 13 */ {{{0, ours}}, true, "0=@"},
      /* 14 */ {{{0, too_long}}, true, "0=#1025 1=@"},
      /* 15 */ {{{0, "c:\\q\\qnd_of7.xla"}}, true, "0=c:\\q\\qnd_of7.xla 1=@"},
      /* 16 */
      {{{0, "/R \"C:\\V\\NOTQND_OF7.XLA\""}}, true, "0=/R \"C:\\V\\NOTQND_OF7.XLA\" 1=@"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(bench::RowName(rows, r));
    Reset();
    Excel(r.values);
    if (r.library) bench::WriteTextFile(bench::OfficeLibrary(), "old");
    EXPECT_EQ(1, Install(src_.c_str()));
    EXPECT_EQ(r.opens, Opens());
  }
}

// Add-in values that cannot be deleted, or read (queries refused, writes allowed), fail the call
// before anything is installed: nothing is written over "OPEN".
TEST_F(Office, LockedAddInValues) {
  const struct Row {
    const char* value;
    const char* sddl;
  } rows[] = {
      /* 0 */ {"QND_XL7.XLA", kReadOnly},
      /* 1 */ {"A.XLA", "D:(A;;KW;;;WD)"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(bench::RowName(rows, r));
    Reset();
    Excel({{0, r.value}});
    ASSERT_EQ(ERROR_SUCCESS, bench::SetKeySddl(kUser, kExcelOptions, r.sddl));
    EXPECT_EQ(0, Install(src_.c_str()));
    bench::SetKeySddl(kUser, kExcelOptions, kFullAccess);
    EXPECT_EQ(std::string("excel | 0=") + r.value, State());
  }
}

// Word's start-up directory: found with or without its backslash, created one level deep,
// never mistaken for missing; the older template goes whatever the path's length.
TEST_F(Office, StartupDirectory) {
  enum Prep { kNone = 0, kMake = 1, kProbe = 2, kReadOnlyOld = 4, kOldIsFolder = 8, kIsFile = 16 };
  const std::string root = dir_->path(),
                    long_path = root + "\\" + std::string(60, 'a') + "\\" + std::string(60, 'b');
  const struct Row {
    std::string startup;
    int prep, result;
    const char* state;
  } rows[] = {
      /* 0 */ {root + "\\Startup", kMake, 1, "word dot dll marker | "},
      /* 1 */ {root + "\\Startup\\", kMake, 1, "word dot dll marker | "},
      /* 2 */ {root + "\\Startup", kNone, 1, "word dot dll marker | "},
      /* 3 */ {root + "\\Missing\\Startup", kNone, 0, "word | "},
      /* 4 */ {root + "\\Startup", kMake | kProbe, 1, "word dot dll marker | "},
      /* 5 */ {long_path, kMake, 1, "word dot dll marker | "},
      /* 6 */ {"", kNone, 0, "word | "},
      /* 7 */ {root + "\\Startup", kMake | kReadOnlyOld, 0, "word ww7 | "},
      /* 8 */ {root + "\\Startup", kMake | kOldIsFolder, 1, "word dot ww7 dll marker | "},
      /* 9 */ {root + "\\Startup", kIsFile, 0, "word | "},
      /* 10 */ {root + "\\" + std::string(248 - root.size(), 's'), kNone, 0, "word | "},
  };
  ASSERT_GT(long_path.size(), 128u);
  for (const Row& r : rows) {
    SCOPED_TRACE(bench::RowName(rows, r));
    Reset();
    Word(r.startup, r.prep & kMake);
    const std::string old = r.startup + "\\QND_WW7.DOT";
    if (r.prep & kProbe) CreateDirectoryA((r.startup + "\\qnd_test").c_str(), nullptr);
    if (r.prep & kReadOnlyOld) SetFileAttributesA(old.c_str(), FILE_ATTRIBUTE_READONLY);
    if (r.prep & kOldIsFolder) {
      RemoveEntry(old);
      CreateDirectoryA(old.c_str(), nullptr);
    }
    if (r.prep & kIsFile) bench::WriteTextFile(r.startup, "not a folder");
    EXPECT_EQ(r.result, Install(src_.c_str()));
    EXPECT_EQ(r.state, State(r.startup));
    if (r.prep & kProbe) {
      EXPECT_TRUE(bench::FileExists(r.startup + "\\qnd_test")) << "left alone";
    }
  }
  EXPECT_FALSE(bench::FileExists(root + "\\Missing")) << "row 3: no parent is made";
}

// An installed component is installed anew: the template copied again, the add-in value moved
// to the first free slot.
TEST_F(Office, Reinstall) {
  Word(startup_);
  Excel({{0, "A.XLA"}});
  ASSERT_EQ(1, Install(src_.c_str()));
  ASSERT_EQ("excel word dot dll marker | 0=A.XLA 1=@", State());
  Excel({{2, "B.XLA"}});
  ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyValueA(kUser, kExcelOptions, "OPEN"));
  bench::PutOfficeComponents(src_, "v2");
  EXPECT_EQ(1, Install(src_.c_str()));
  EXPECT_EQ("excel word dot dll marker | 0=@ 2=B.XLA", State());
  EXPECT_EQ("v2 QND_OF7.DOT", bench::ReadTextFile(startup_ + "\\QND_OF7.DOT"));
  EXPECT_EQ("v2 QND_OF7.DLL", bench::ReadTextFile(bench::OfficeLibrary()));
}

// "OPEN" to OPEN99 taken: OPEN100, but only when it does not exist; never overwritten.
TEST_F(Office, AllSlotsTaken) {
  std::vector<std::pair<int, std::string>> values;
  for (int i = 0; i < 100; ++i) values.push_back({i, "X" + std::to_string(i)});
  Excel(values);
  EXPECT_EQ(1, Install(src_.c_str()));
  EXPECT_EQ(Quoted(src_), bench::ReadValue(kUser, kExcelOptions, "OPEN100").Text());

  Reset();
  values.push_back({100, "X100"});
  Excel(values);
  EXPECT_EQ(0, Install(src_.c_str()));
  EXPECT_EQ("X100", bench::ReadValue(kUser, kExcelOptions, "OPEN100").Text());
  EXPECT_EQ("excel | ", State().substr(0, 8)) << "no library, no marker";
}

// The source directory: null is the test program's own folder; a trailing backslash stays in
// the value, doubled; one whose paths do not fit fails before anything is removed or written.
TEST_F(Office, SourceDirectories) {
  const std::string own = bench::ProgramDir();
  bench::PutOfficeComponents(own, "own");
  Word(startup_);
  Excel();
  EXPECT_EQ(1, Install(nullptr));
  EXPECT_EQ(Quoted(own), bench::ReadValue(kUser, kExcelOptions, "OPEN").Text());
  EXPECT_EQ("own QND_OF7.DOT", bench::ReadTextFile(startup_ + "\\QND_OF7.DOT"));
  for (const char* file : bench::kOfficeComponents) RemoveEntry(own + "\\" + file);

  EXPECT_EQ(1, Install((src_ + "\\").c_str()));
  EXPECT_EQ("0=" + Quoted(src_ + "\\"), Opens()) << "the earlier value was replaced";

  // Paths that do not fit: Excel's value (246), both components' files (1012), or no directory.
  const struct Row {
    std::string dir;
    bool template_kept;  // false: Word's paths fit, so its template was removed and not copied
  } rows[] = {
      /* 0 */ {"C:\\" + std::string(243, 'e'), false},
      /* 1 */ {"C:\\" + std::string(1009, 'w'), true},
      /* 2 */ {"", true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(bench::RowName(rows, r));
    ASSERT_EQ(1, Install((src_ + "\\").c_str()));
    EXPECT_EQ(0, Install(r.dir.c_str()));
    EXPECT_EQ("0=" + Quoted(src_ + "\\"), Opens()) << "nothing removed";
    EXPECT_EQ(r.template_kept, bench::FileExists(startup_ + "\\QND_OF7.DOT"));
  }
  // The component's check comes first, and creates Word's missing start-up directory.
  Reset();
  Word(startup_, false);
  EXPECT_EQ(0, Install(("C:\\" + std::string(1009, 'w')).c_str()));
  EXPECT_EQ("word | ", State());
  EXPECT_TRUE(bench::FileExists(startup_)) << "made by the check";
}

// A relative source directory is made absolute from the current directory before it is written
// or copied from; one that cannot be fails before anything changes. A relative "Startup-Path"
// is no start-up directory: nothing is deleted or written there, and Word's component fails.
TEST_F(Office, RelativePaths) {
  const std::string dir = dir_->path();
  const struct Row {
    const std::string* cwd;
    std::string source, startup;  // the source directory given; "Startup-Path"
    int result;
    const char* state;
  } rows[] = {
      /* 0 */ {&dir, "src", startup_, 1, "excel word dot dll marker | 0=SOLVER.XLA 1=@"},
      /* 1 */ {&src_, ".", startup_, 1, "excel word dot dll marker | 0=SOLVER.XLA 1=@"},
      /* 2 */
      {&dir, std::string(300, 'r'), startup_, 0,
       "excel word ww7 | 0=SOLVER.XLA 1=OLD\\QND_XL7.XLA"},
      /* 3 */ {&dir, src_, "Startup", 0, "excel word ww7 dll marker | 0=SOLVER.XLA 1=@"},
  };
  char saved[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, saved);
  for (const Row& r : rows) {
    SCOPED_TRACE(bench::RowName(rows, r));
    Fresh(true, true);
    bench::WriteString(kUser, kWordOptions, "Startup-Path", r.startup);
    ASSERT_TRUE(SetCurrentDirectoryA(r.cwd->c_str()));
    const int result = Install(r.source.c_str());
    SetCurrentDirectoryA(saved);
    EXPECT_EQ(r.result, result);
    EXPECT_EQ(r.state, State());
  }
}

// A copy that fails, or a marker that cannot be written, fails the call; what came before stays.
TEST_F(Office, CopyAndMarkerFailures) {
  enum Fault { kNoSources, kLibraryHeld, kLibraryIsFolder, kTemplateHeld, kMarkerReadOnly };
  const struct Row {
    Fault fault;
    const char* state;
  } rows[] = {
      /* 0 */ {kNoSources, "excel word marker | 0=@"},
      /* 1 */ {kLibraryHeld, "excel word dot dll marker | 0=@"},
      /* 2 */ {kLibraryIsFolder, "excel word dot dll marker | 0=@"},
      /* 3 */ {kTemplateHeld, "excel word dot dll marker | 0=@"},
      /* 4 */ {kMarkerReadOnly, "excel word dot | 0=@"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(bench::RowName(rows, r));
    Reset();
    Word(startup_);
    Excel();
    HANDLE held = INVALID_HANDLE_VALUE;
    const std::string target =
        r.fault == kTemplateHeld ? startup_ + "\\QND_OF7.DOT" : bench::OfficeLibrary();
    if (r.fault == kNoSources) {
      for (const char* file : {"QND_OF7.DOT", "QND_OF7.DLL"}) RemoveEntry(src_ + "\\" + file);
    } else if (r.fault == kLibraryIsFolder) {
      CreateDirectoryA(target.c_str(), nullptr);
    } else if (r.fault == kMarkerReadOnly) {
      ASSERT_EQ(ERROR_SUCCESS, bench::WriteString(kUser, kMarker, "Other", "x"));
      ASSERT_EQ(ERROR_SUCCESS, bench::SetKeySddl(kUser, kMarker, kReadOnly));
    } else {
      bench::WriteTextFile(target, "held");
      held = CreateFileA(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
      ASSERT_NE(INVALID_HANDLE_VALUE, held);
    }
    EXPECT_EQ(0, Install(src_.c_str()));
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
    bench::SetKeySddl(kUser, kMarker, kFullAccess);
    EXPECT_EQ(r.state, State());
  }
}

// Every key and file is released on every path, and the error mode is the caller's again.
TEST_F(Office, ReleasesEverything) {
  Word(startup_);
  Excel({{0, "A.XLA"}});
  SetErrorMode(0);
  bench::ExpectNoHandleLeak(
      [&] {
        EXPECT_EQ(1, Install(src_.c_str()));
        EXPECT_EQ(0, Install(""));
      },
      3);
  EXPECT_EQ(0u, GetErrorMode());
}

// No module-wide buffers: the library's writable data is far smaller than one 1024-byte buffer.
TEST(OfficeModule, KeepsNoModuleWideBuffers) {
  const BYTE* base = reinterpret_cast<const BYTE*>(bench::Library());
  const LONG nt_at = reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew;
  const IMAGE_NT_HEADERS* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + nt_at);
  const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
  DWORD writable = 0;
  for (int i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
    const char* name = reinterpret_cast<const char*>(section->Name);
    if (!strncmp(name, ".data", 8) || !strncmp(name, ".bss", 8)) {
      writable += section->Misc.VirtualSize;
    }
  }
  EXPECT_LT(writable, 1024u);  // none at all, with no C runtime linked
}

}  // namespace
