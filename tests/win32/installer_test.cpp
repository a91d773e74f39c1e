// The example setup (examples/installer, built by make installer into build/installer) run in
// this program's own prefix as users and deployment tools run it: silently, and its uninstaller
// both ways, its QuietUninstallString (in place, its exit code the one that counts) and the
// normal way (a copy of itself in the temporary folder does the work). Checked: what the install
// writes, an upgrade and a failed upgrade, the machine after the uninstall against the machine
// before the install (only the leftovers README lists), the undoing of a failed first install,
// the refusal of a second directory, the directory chosen, the silent stop while an application
// that must be closed runs, and the NSIS blocks of docs/calling.md (built by the test
// win32.installer.docs into build/installer/doc).
#include <algorithm>
#include <set>
#include <string>

#include "bench.h"

namespace {

using bench::KeyExists;
using bench::ReadValue;

const HKEY kUser = HKEY_CURRENT_USER;
const HKEY kMachine = HKEY_LOCAL_MACHINE;
const char kInstallDir[] = "C:\\Program Files\\Quindo";  // $PROGRAMFILES\Quindo
const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quindo";
const char kSharedDlls[] = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
using bench::kExcelOptions;
using bench::kWordOptions;
const char kStartup[] = "C:\\Office95\\Winword\\Startup";
const char kPendingKey[] = "System\\CurrentControlSet\\Control\\Session Manager";

// The faces of the fonts that the setup installs, as a program started after it sees them.
// Exit code: 1 for the raster face, 2 for the TrueType face, added up.
BENCH_CHILD(faces) {
  return (bench::FontFaces("MS Sans Serif") > 0) + 2 * (bench::FontFaces("QejaVu Sans") > 0);
}

std::string TempFolder() {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  std::string path = temp;
  return path.substr(0, path.size() - 1);
}

// Each key and value of HKEY_`name`\Software, but those below Wine's own key (its font cache),
// into `out`. Taken as the registry saves the tree (RegSaveKey, into file `scratch`): Wine writes
// it as text in one request, where a walk of HKLM\Software key by key costs seconds of round
// trips to the Wine server. Where the saved file is no such text (a binary hive), the walk.
void AddTree(HKEY root, const std::string& name, const std::string& scratch,
             std::set<std::string>& out) {
  static const bool may_save = [] {
    HANDLE token = nullptr;
    TOKEN_PRIVILEGES backup = {1, {}};
    backup.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    const bool ok = OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token) &&
                    LookupPrivilegeValueA(nullptr, SE_BACKUP_NAME, &backup.Privileges[0].Luid) &&
                    AdjustTokenPrivileges(token, FALSE, &backup, 0, nullptr, nullptr);
    if (token) CloseHandle(token);
    return ok;
  }();
  std::string text;
  HKEY key;
  DeleteFileA(scratch.c_str());
  if (may_save && RegOpenKeyExA(root, "Software", 0, KEY_READ, &key) == ERROR_SUCCESS) {
    if (RegSaveKeyA(key, scratch.c_str(), nullptr) == ERROR_SUCCESS) {
      text = bench::ReadTextFile(scratch);
    }
    RegCloseKey(key);
    DeleteFileA(scratch.c_str());
  }
  if (text.compare(0, 14, "WINE REGISTRY ") != 0) {
    const std::string dump = bench::DumpTree(root, "Software");
    for (size_t at = 0, end; at < dump.size(); at = end + 1) {
      end = dump.find('\n', at);
      const std::string line = dump.substr(at, end - at);
      if (line.compare(0, 5, "\\Wine") != 0) out.insert(name + "\\Software" + line);
    }
    return;
  }
  // "[KEY] TIME" opens a key (names relative to the saved one, "\\" between them; keys that
  // hold only keys have no section of their own), "#..." lines are Wine's own notes, and a
  // value's line that ends in "\" goes on in the next.
  std::string path;
  bool wine = false;
  for (size_t at = 0, end; at < text.size(); at = end + 1) {
    end = std::min(text.find('\n', at), text.size());
    std::string line = text.substr(at, end - at);
    while (!line.empty() && line.back() == '\\' && end < text.size()) {
      at = std::min(text.find_first_not_of(' ', end + 1), text.size());
      end = std::min(text.find('\n', at), text.size());
      line.pop_back();
      line += text.substr(at, end - at);
    }
    if (line[0] == '[') {
      path = name + "\\Software\\" + line.substr(1, line.rfind(']') - 1);
      wine = line.compare(0, 5, "[Wine") == 0;
      for (size_t cut = path.find("\\\\"); !wine; cut = path.find("\\\\", cut + 2)) {
        out.insert(path.substr(0, cut));
        if (cut == std::string::npos) break;
      }
    } else if (!wine && (line[0] == '"' || line[0] == '@')) {
      out.insert(path + " " + line);
    }
  }
}

// What a setup may change on this machine, one line per item: the keys and values below
// HKLM\Software and HKCU\Software (HKEY_CLASSES_ROOT lies in them), the files and folders of
// drive C: with their sizes but `skip` (this test's own folder), the lines of WIN.INI, and the
// renames queued for the next start of Windows.
std::set<std::string> Machine(const std::string& skip) {
  std::set<std::string> items;
  AddTree(kMachine, "HKLM", skip + "\\tree.reg", items);
  AddTree(kUser, "HKCU", skip + "\\tree.reg", items);
  const std::string ini = bench::WinIni();
  bench::ListFiles("C:", skip, items);
  items.erase(items.lower_bound("file " + ini + " "), items.upper_bound("file " + ini + " ~"));
  const std::string text = bench::ReadTextFile(ini);
  std::string section;
  for (size_t at = 0, end; at < text.size(); at = end + 1) {
    end = std::min(text.find('\n', at), text.size());
    const std::string line = text.substr(at, text.find_first_of("\r\n", at) - at);
    if (line[0] == '[') section = line;
    if (!line.empty() && line[0] != '[') items.insert("win.ini " + section + " " + line);
  }
  const std::string pending = ReadValue(kMachine, kPendingKey, "PendingFileRenameOperations").bytes;
  for (size_t at = 0, end; at < pending.size(); at = end + 1) {
    end = std::min(pending.find('\0', at), pending.size());
    if (end > at) items.insert("pending " + pending.substr(at, end - at));
  }
  return items;
}

// The leftovers README lists: the fonts of FONTS.INI and their WIN.INI lines (shared, as other
// setups keep them), and the uninstaller's copy in the temporary folder, which NSIS queues for
// deletion at the next start of Windows (a running program cannot delete its own file).
bool Listed(const std::string& item) {
  const std::string fonts = "file " + bench::WindowsDir() + "\\Fonts\\";
  const std::string listed[] = {
      fonts + "SSERIFE.FON ",
      fonts + "QEJAVU.TTF ",
      fonts + "QEJAVU.FOT ",
      "win.ini [Fonts] MS Sans Serif 8,10,12,14,18,24 (VGA res)=SSERIFE.FON",
      "win.ini [Fonts] QejaVu Sans (TrueType)=QEJAVU.TTF",
      "win.ini [FontSubstitutes] Quindo Sans=QejaVu Sans",
      "folder " + TempFolder() + "\\~nsu",
      "file " + TempFolder() + "\\~nsu",
      "pending \\??\\" + TempFolder() + "\\~nsu",
  };
  for (const std::string& l : listed) {
    if (item.compare(0, l.size(), l) == 0) return true;
  }
  return false;
}

// Nothing of the machine went, and what came is what README lists (with `listed` false:
// nothing came).
void ExpectOnlyListedLeftovers(const std::set<std::string>& before,
                               const std::set<std::string>& after, bool listed = true) {
  for (const std::string& item : before) {
    EXPECT_TRUE(after.count(item) || (listed && Listed(item))) << "gone: " << item;
  }
  for (const std::string& item : after) {
    EXPECT_TRUE(before.count(item) || (listed && Listed(item))) << "left behind: " << item;
  }
}

// Waits, at most 60 s, until `path` is gone (the uninstaller's own file, deleted by the copy it
// starts once it has ended); whether it went.
bool Gone(const std::string& path) {
  for (int i = 0; i < 600 && bench::FileExists(path); ++i) Sleep(100);
  return !bench::FileExists(path);
}

// The size of the files below `dir` in KB, rounded up.
DWORD SizeKb(const std::string& dir) {
  std::set<std::string> items;
  bench::ListFiles(dir, "", items);
  DWORD bytes = 0;
  for (const std::string& item : items) {
    if (item.compare(0, 5, "file ") == 0) bytes += std::stoul(item.substr(item.rfind(' ') + 1));
  }
  return (bytes + 1023) / 1024;
}

// The names in the temporary folder (a plug-in folder of NSIS that stays shows here).
std::set<std::string> TempEntries() {
  std::set<std::string> names;
  bench::ListFiles(TempFolder(), "", names);
  return names;
}

class Setup : public testing::Test {
 protected:
  void SetUp() override {
    results_ = dir_.File("results.ini");
    // Office 7.0 stand-ins: Word with its start-up directory, Excel with another add-in
    CreateDirectoryA("C:\\Office95", nullptr);
    CreateDirectoryA("C:\\Office95\\Winword", nullptr);
    CreateDirectoryA(kStartup, nullptr);
    ASSERT_EQ(ERROR_SUCCESS, bench::WriteString(kUser, kWordOptions, "Startup-Path", kStartup));
    ASSERT_EQ(ERROR_SUCCESS,
              bench::WriteString(kUser, kExcelOptions, "OPEN", "C:\\Lib\\SOLVER.XLA"));
    // another program's font
    bench::WriteTextFile(bench::WindowsDir() + "\\Fonts\\OTHER.FON", "another program's font");
    WriteProfileStringA("Fonts", "Other Sans 8,10 (VGA res)", "OTHER.FON");
    // none of the product's fonts, which an earlier test's install leaves
    for (const char* font : {"SSERIFE.FON", "QEJAVU.TTF", "QEJAVU.FOT"}) {
      DeleteFileA((bench::WindowsDir() + "\\Fonts\\" + font).c_str());
    }
    WriteProfileStringA("Fonts", "MS Sans Serif 8,10,12,14,18,24 (VGA res)", nullptr);
    WriteProfileStringA("Fonts", "QejaVu Sans (TrueType)", nullptr);
    WriteProfileStringA("FontSubstitutes", "Quindo Sans", nullptr);
  }

  std::set<std::string> Machine() { return ::Machine(dir_.path()); }
  std::string SetupProgram() { return bench::ProgramDir() + "\\..\\installer\\quindo-setup.exe"; }
  // Runs the setup silently (`more`: further arguments, /D= last); its exit code.
  DWORD Install(const std::string& more = "") {
    return bench::RunProgram(SetupProgram() + " /S /RESULTS=" + results_ + more, 120000);
  }
  // Runs the entry's QuietUninstallString (with /RESULTS= before its "_?="), as a deployment tool
  // does: its exit code; after a 0, the uninstaller's own file must go too.
  DWORD QuietUninstall(DWORD ms = 120000) {
    std::string command = ReadValue(kMachine, kUninstallKey, "QuietUninstallString").Text();
    const size_t at = command.find(" _?=");
    if (at == std::string::npos) {
      ADD_FAILURE() << "QuietUninstallString: " << command;
    }
    command.insert(std::min(at, command.size()), " /RESULTS=" + results_);
    const std::string self = command.substr(1, command.find('"', 1) - 1);
    const DWORD code = bench::RunProgram(command, ms);
    if (code == 0) {
      EXPECT_TRUE(Gone(self)) << self;
      // the emptied folder goes just after the file, in the clean-up copy's next step
      (void)Gone(self.substr(0, self.rfind('\\')));  // whether it must go is the caller's check
    }
    return code;
  }
  // Runs the entry's UninstallString silently, as users run it, and waits for the copy of itself
  // in the temporary folder that does the work.
  DWORD Uninstall() {
    const std::string command = ReadValue(kMachine, kUninstallKey, "UninstallString").Text();
    return bench::RunProgramTree(command + " /S /RESULTS=" + results_, 120000);
  }
  // What the setup recorded for `export_name` in `section` of the results file.
  std::string Result(const char* section, const char* export_name) {
    char buf[16] = {};
    GetPrivateProfileStringA(section, export_name, "(none)", buf, sizeof buf, results_.c_str());
    return buf;
  }
  // The add-in values that hold exactly what InstallOfficeSupport writes for this installation.
  int AddInValues() {
    const std::string mine = "\"" + std::string(kInstallDir) + "\\Office\\QND_OF7.XLA\"";
    int n = 0;
    for (int i = 0; i <= 100; ++i) {
      n += ReadValue(kUser, kExcelOptions, bench::OpenName(i).c_str()).Text() == mine;
    }
    return n;
  }
  DWORD SharedCount() {
    return ReadValue(kMachine, kSharedDlls, bench::OfficeLibrary().c_str()).Dword();
  }

  bench::TempDir dir_{"setup"};
  std::string results_;
};

const char* const kExports[] = {"CheckApplicationsActive", "Internal015",
                                "RegisterQuindo",          "Internal007",
                                "InstallOfficeSupport",    "Internal012"};

TEST_F(Setup, InstallsUpgradesAndUninstalls) {
  // neighbours of what the script writes, and another installed copy of the support library
  const struct {
    HKEY root;
    const char* path;
  } neighbours[] = {
      {kMachine, "SOFTWARE\\Halvecor\\Other"},
      {HKEY_CLASSES_ROOT, ".qnx"},
      {kUser, "Software\\Halvecor\\Other"},
  };
  for (const auto& n : neighbours) {
    ASSERT_EQ(ERROR_SUCCESS, bench::WriteString(n.root, n.path, "Keep", "before setup"));
  }
  ASSERT_TRUE(CopyFileA(QND_EXAMPLES "/office/QND_OF7.DLL", bench::OfficeLibrary().c_str(), FALSE));
  ASSERT_EQ(ERROR_SUCCESS, bench::WriteString(kMachine, kSharedDlls, bench::OfficeLibrary().c_str(),
                                              std::string("\1\0\0", 3), REG_DWORD))
      << "count 1 (the terminator is the fourth byte)";
  const std::set<std::string> before = Machine();

  ASSERT_EQ(0u, bench::RunChild("faces")) << "the system must not have the fonts' faces yet";
  ASSERT_EQ(0u, Install());
  for (const char* e : kExports) EXPECT_EQ("1", Result("Install", e)) << e;

  // every value of the sample registry script, with $0 the installation directory
  const std::string dir = std::string(kInstallDir) + "\\";
  char short_dir[MAX_PATH] = {};
  GetShortPathNameA(dir.c_str(), short_dir, MAX_PATH);
  const char* kProduct = "SOFTWARE\\Halvecor\\Quindo\\3.0";
  const struct {
    HKEY root;
    const char* path;
    const char* name;
    std::string text;  // for a REG_SZ
    DWORD number;      // for a REG_DWORD
  } values[] = {
      /* 0 */ {kMachine, kProduct, "", "Quindo English-Russian translator", 0},
      /* 1 */ {kMachine, kProduct, "Path", dir, 0},
      /* 2 */ {kMachine, kProduct, "Program", dir + "quindo.exe", 0},
      /* 3 */ {kMachine, kProduct, "ShortPath", short_dir, 0},
      /* 4 */ {kMachine, kProduct, "Dictionaries", dir + "Dict\\Main", 0},
      /* 5 */ {kMachine, kProduct, "Fonts", bench::WindowsDir() + "\\Fonts\\", 0},
      /* 6 */ {kMachine, kProduct, "Build", "", 0x12c},
      /* 7 */ {kMachine, kProduct, "Flags", "", 0xffffffff},
      /* 8 */ {HKEY_CLASSES_ROOT, ".qnd", "", "Quindo.Document", 0},
      /* 9 */
      {HKEY_CLASSES_ROOT, "Quindo.Document\\shell\\open\\command", "",
       "\"" + dir + "quindo.exe\" \"%1\"", 0},
      /* 10 */ {kUser, "Software\\Halvecor\\Quindo\\Settings", "Direction", "English-Russian", 0},
      /* 11 */ {kUser, "Software\\Halvecor\\Quindo\\Settings", "LastFolder", dir, 0},
      // the Add/Remove Programs entry
      /* 12 */ {kMachine, kUninstallKey, "DisplayName", "Quindo English-Russian translator", 0},
      /* 13 */ {kMachine, kUninstallKey, "Publisher", "Halvecor", 0},
      /* 14 */ {kMachine, kUninstallKey, "InstallLocation", kInstallDir, 0},
      /* 15 */ {kMachine, kUninstallKey, "UninstallString", "\"" + dir + "uninstall.exe\"", 0},
      /* 16 */
      {kMachine, kUninstallKey, "QuietUninstallString",
       "\"" + dir + "uninstall.exe\" /S _?=" + kInstallDir, 0},
      /* 17 */ {kMachine, kUninstallKey, "DisplayIcon", dir + "quindo.exe", 0},
      /* 18 */ {kMachine, kUninstallKey, "NoModify", "", 1},
      /* 19 */ {kMachine, kUninstallKey, "NoRepair", "", 1},
  };
  for (const auto& v : values) {
    SCOPED_TRACE(bench::RowName(values, v));
    const bench::RegValue got = ReadValue(v.root, v.path, v.name);
    EXPECT_EQ(ERROR_SUCCESS, got.status);
    if (v.text.empty()) {
      EXPECT_EQ(static_cast<DWORD>(REG_DWORD), got.type);
      EXPECT_EQ(v.number, got.Dword());
    } else {
      EXPECT_EQ(static_cast<DWORD>(REG_SZ), got.type);
      EXPECT_EQ(v.text, got.Text());
    }
  }
  // the version CMake's project gives, x.y.z, and the size of what the uninstaller removes, the
  // files of the installation directory, in KB
  const std::string version = ReadValue(kMachine, kUninstallKey, "DisplayVersion").Text();
  EXPECT_EQ(2, std::count(version.begin(), version.end(), '.')) << version;
  EXPECT_EQ(SizeKb(kInstallDir), ReadValue(kMachine, kUninstallKey, "EstimatedSize").Dword());

  // the fonts: in the FONTS directory, recorded in WIN.INI, seen by a program started now
  const std::string fonts = bench::WindowsDir() + "\\Fonts\\";
  EXPECT_TRUE(bench::FileExists(fonts + "QEJAVU.FOT"));
  char entry[MAX_PATH] = {};
  GetProfileStringA("Fonts", "QejaVu Sans (TrueType)", "", entry, MAX_PATH);
  EXPECT_STREQ("QEJAVU.TTF", entry);
  GetProfileStringA("Fonts", "MS Sans Serif 8,10,12,14,18,24 (VGA res)", "", entry, MAX_PATH);
  EXPECT_STREQ("SSERIFE.FON", entry);
  GetProfileStringA("FontSubstitutes", "Quindo Sans", "", entry, MAX_PATH);
  EXPECT_STREQ("QejaVu Sans", entry);
  // Wine keeps added font resources per process, and loads the TrueType files of the FONTS
  // directory into every process it starts: a later program sees the TrueType face, while the
  // raster face was loaded in the setup's own process (Internal007 gave 1).
  EXPECT_EQ(2u, bench::RunChild("faces") & 2);

  // the Office add-ins (in the first free slot, OPEN1), the shared count and the path record
  EXPECT_EQ("\"" + dir + "Office\\QND_OF7.XLA\"", ReadValue(kUser, kExcelOptions, "OPEN1").Text());
  EXPECT_TRUE(bench::FileExists(std::string(kStartup) + "\\QND_OF7.DOT"));
  EXPECT_EQ(2u, SharedCount()) << "the other copy's count and this installation's";
  EXPECT_EQ("Y", ReadValue(kUser, "Software\\Halvecor\\ZARIM 98\\Office95", "FirstCall").Text());
  GetPrivateProfileStringA("Setup", "Path", "", entry, MAX_PATH, (dir + "Quindo32.uni").c_str());
  EXPECT_STREQ(kInstallDir, entry);

  // an upgrade over it: every step succeeds again; the add-in is registered once, counted once
  DeleteFileA(results_.c_str());
  ASSERT_EQ(0u, Install());
  for (const char* e : kExports) EXPECT_EQ("1", Result("Install", e)) << "upgrade: " << e;
  EXPECT_EQ(1, AddInValues());
  EXPECT_EQ(2u, SharedCount());

  // a failed upgrade (Word's start-up directory cannot be made) keeps the product listed, with
  // its uninstaller and files
  DeleteFileA(results_.c_str());
  bench::WriteString(kUser, kWordOptions, "Startup-Path", "C:\\No such folder\\Startup");
  EXPECT_EQ(2u, Install());
  bench::WriteString(kUser, kWordOptions, "Startup-Path", kStartup);
  EXPECT_EQ("0", Result("Install", "InstallOfficeSupport"));
  EXPECT_EQ("(none)", Result("Rollback", "UnregisterQuindo")) << "an upgrade is not undone";
  EXPECT_EQ("Quindo English-Russian translator",
            ReadValue(kMachine, kUninstallKey, "DisplayName").Text());
  EXPECT_TRUE(bench::FileExists(dir + "uninstall.exe"));
  EXPECT_TRUE(bench::FileExists(dir + "quindo.exe"));

  // one installation per machine: a setup for another directory (even one that holds what would
  // make it fail) ends with exit code 4 and changes nothing
  CreateDirectoryA("C:\\Second", nullptr);
  CreateDirectoryA("C:\\Second\\Quindo32.uni", nullptr);
  const std::set<std::string> installed = Machine();
  EXPECT_EQ(4u, Install(" /D=C:\\Second"));
  ExpectOnlyListedLeftovers(installed, Machine(), false);
  RemoveDirectoryA("C:\\Second\\Quindo32.uni");
  RemoveDirectoryA("C:\\Second");

  // other add-ins, written after ours (the library's own rule takes the first value that names
  // a QND_OF7.XLA for the installed add-in), and one that the user added for ours
  const std::string others[] = {"\"C:\\Other\\Office\\QND_OF7.XLA\"",
                                "/R \"" + dir + "Office\\NOTQND_OF7.XLA\"",
                                "\"" + dir + "Office\\QND_OF7.XLA.OLD\" /X"};
  for (int n = 0; n < 3; ++n) {
    bench::WriteString(kUser, kExcelOptions, bench::OpenName(n + 2).c_str(), others[n]);
  }
  bench::WriteString(kUser, kExcelOptions, "OPEN9", "/R " + dir + "Office\\QND_OF7.XLA");
  {  // a quiet uninstall while Word runs stops at once, exit code 3, and changes nothing
    bench::StandInWindows word({"OpusApp"});
    ASSERT_TRUE(word.ready());
    EXPECT_EQ(3u, QuietUninstall(10000)) << "exit code 3, within 10 s";
    EXPECT_TRUE(bench::FileExists(dir + "uninstall.exe"));
    EXPECT_EQ(1, AddInValues());
  }
  ASSERT_EQ(0u, QuietUninstall());
  EXPECT_EQ("1", Result("Uninstall", "UnregisterQuindo"));
  EXPECT_EQ(1u, SharedCount()) << "the other copy keeps the support library";
  for (int n = 0; n < 3; ++n) {
    const std::string name = bench::OpenName(n + 2);
    EXPECT_EQ(others[n], ReadValue(kUser, kExcelOptions, name.c_str()).Text()) << "kept";
    RegDeleteKeyValueA(kUser, kExcelOptions, name.c_str());
  }
  ExpectOnlyListedLeftovers(before, Machine());

  for (HKEY root : {kMachine, kUser}) bench::DeleteTree(root, "Software\\Halvecor");
  bench::DeleteTree(HKEY_CLASSES_ROOT, ".qnx");
  DeleteFileA(bench::OfficeLibrary().c_str());
  bench::DeleteTree(kMachine, kSharedDlls);
}

// A first install that fails is undone, exit code 2, and leaves the machine exactly as it was,
// fonts and WIN.INI included: a file that cannot be written (silent, NSIS would skip it and go
// on), Internal007 giving 0 after the raster font, InstallOfficeSupport giving 0 after the Excel
// add-in, the support library and the first-call marker. Then, with no other copy of the support
// library and no other vendor keys, an install and an uninstall the normal way: the last count
// takes the library, and the empty vendor keys go.
TEST_F(Setup, FailedFirstInstallIsUndone) {
  ASSERT_FALSE(bench::FileExists(bench::OfficeLibrary()));
  const std::set<std::string> clean = Machine();
  const std::string srg = std::string(kInstallDir) + "\\QUINDO.SRG";
  const struct {
    std::string in_the_way;  // a folder where the setup or the export writes a file
    const char* export_name;
    const char* result;    // what it gave, "(none)" when it never ran
    const char* rollback;  // UnregisterQuindo's result in the rollback
  } rows[] = {
      /* 0 */ {srg, "RegisterQuindo", "(none)", "(none)"},
      /* 1 */ {bench::WindowsDir() + "\\Fonts\\QEJAVU.FOT", "Internal007", "0", "1"},
      /* 2 */ {std::string(kStartup) + "\\QND_OF7.DOT", "InstallOfficeSupport", "0", "1"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(bench::RowName(rows, row));
    std::set<std::string> before = clean;
    for (const std::string& folder : {std::string(kInstallDir), row.in_the_way}) {
      if (folder == kInstallDir && row.in_the_way != srg) continue;
      ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << folder;
      before.insert("folder " + folder);
    }
    DeleteFileA(results_.c_str());
    EXPECT_EQ(2u, Install());
    EXPECT_EQ(row.result, Result("Install", row.export_name));
    EXPECT_EQ(row.rollback, Result("Rollback", "UnregisterQuindo"));
    ExpectOnlyListedLeftovers(before, Machine(), false);
    RemoveDirectoryA(row.in_the_way.c_str());
    RemoveDirectoryA(kInstallDir);
  }

  ASSERT_EQ(0u, Install());
  EXPECT_EQ(1u, SharedCount());
  ASSERT_EQ(0u, Uninstall());
  EXPECT_FALSE(KeyExists(kMachine, "Software\\Halvecor"));
  EXPECT_FALSE(KeyExists(kUser, "Software\\Halvecor"));
  ExpectOnlyListedLeftovers(clean, Machine());
}

// The directory of an install: /D= wins over the earlier installation that Internal015 finds;
// without it, the record's path up to its last backslash when that is a directory; a record
// without a backslash names none. The /D= row installs into a folder with a blank and Cyrillic
// letters, which this host must be able to make (Wine needs the locale ru_RU.UTF-8 for that).
TEST_F(Setup, ChoosesTheDirectory) {
  const std::string cyrillic =
      "C:\\\xCC\xEE\xE8 \xEF\xF0\xEE\xE3\xF0\xE0\xEC\xEC\xFB";  // "Мои программы"
  ASSERT_TRUE(CreateDirectoryA(cyrillic.c_str(), nullptr));
  WIN32_FIND_DATAA found = {};
  const HANDLE find = FindFirstFileA("C:\\\xCC*", &found);
  if (find != INVALID_HANDLE_VALUE) FindClose(find);
  ASSERT_EQ(cyrillic.substr(3), find != INVALID_HANDLE_VALUE ? found.cFileName : "")
      << "a folder with a Cyrillic name cannot be made: generate the locale ru_RU.UTF-8 "
         "(scripts/bootstrap does)";
  RemoveDirectoryA(cyrillic.c_str());

  const std::string ini = bench::WindowsDir() + "\\quindo.ini";
  CreateDirectoryA("C:\\Earlier", nullptr);
  const struct {
    const char* record;  // "English-Russian" of quindo.ini
    std::string more;    // the setup's further arguments
    std::string dir;     // where it installs
  } rows[] = {
      /* 0 */ {"C:\\Earlier\\TR.EXE", " /D=" + cyrillic + "\\Quindo", cyrillic + "\\Quindo"},
      /* 1 */ {"C:\\Earlier\\TR.EXE", "", "C:\\Earlier"},
      /* 2 */ {"TR.EXE", "", kInstallDir},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(bench::RowName(rows, row));
    WritePrivateProfileStringA("Application", "English-Russian", row.record, ini.c_str());
    ASSERT_EQ(0u, Install(row.more));
    EXPECT_EQ(row.dir, ReadValue(kMachine, kUninstallKey, "InstallLocation").Text());
    EXPECT_TRUE(bench::FileExists(row.dir + "\\quindo.exe"));
    EXPECT_EQ(0u, QuietUninstall());
    EXPECT_FALSE(bench::FileExists(row.dir));
  }
  DeleteFileA(ini.c_str());
  RemoveDirectoryA(cyrillic.c_str());
}

// A silent setup never waits for a person: with a window of any class that
// CheckApplicationsActive looks for, it ends within 10 s with exit code 3 and changes nothing.
TEST_F(Setup, SilentSetupStopsWhileAnApplicationRuns) {
  const char* const classes[] = {"QuindoSetup",   "VAririWindow", "TQuindoWindow",
                                 "OpusApp",       "XLMAIN",       "Microsoft Exchange 4.0 Viewer",
                                 "rctrl_renwnd32"};
  for (const char* cls : classes) {
    SCOPED_TRACE(cls);
    bench::StandInWindows app({cls});
    ASSERT_TRUE(app.ready());
    const std::set<std::string> temp = TempEntries();
    EXPECT_EQ(3u, bench::RunProgram(SetupProgram() + " /S /RESULTS=" + results_, 10000));
    EXPECT_FALSE(KeyExists(kMachine, kUninstallKey));
    EXPECT_FALSE(bench::FileExists(kInstallDir));
    EXPECT_FALSE(bench::FileExists(results_)) << "not even the results file";
    EXPECT_EQ(temp, TempEntries());
  }
}

// Every NSIS block of docs/calling.md, built as the document says where it goes, runs: exit code
// 0, its plug-in folder gone, nothing queued for the next start of Windows; silent, while Word
// runs, the first (the whole script) ends within 10 s with exit code 3; the record gives DoReg
// the $0 and $4 directories; the uninstaller of the document runs too, and leaves no vendor key.
TEST_F(Setup, CallingDocBlocksRun) {
  const std::string docs = bench::ProgramDir() + "\\..\\installer\\doc\\";
  std::set<std::string> programs;  // by their line in the document, in order
  bench::ListFiles(docs.substr(0, docs.size() - 1), "", programs);
  ASSERT_GE(programs.size(), 3u) << "win32.installer.docs builds them";
  const std::string dir = std::string(kInstallDir) + "\\";
  CreateDirectoryA(kInstallDir, nullptr);
  bench::WriteTextFile(dir + "EXTRA.SRG",
                       "[HKEY_CURRENT_USER\\Software\\QndTest\\Record]\r\n"
                       "Zero=$0\r\nFour=$4\r\n");
  {
    const std::string& first = *programs.begin();
    bench::StandInWindows word({"OpusApp"});
    ASSERT_TRUE(word.ready());
    EXPECT_EQ(3u, bench::RunProgram("\"" + first.substr(5, first.rfind(' ') - 5) + "\" /S", 10000));
  }
  for (const std::string& item : programs) {
    const std::string program = item.substr(5, item.rfind(' ') - 5);  // "file PATH SIZE"
    SCOPED_TRACE(program);
    const std::set<std::string> temp = TempEntries();
    const bench::RegValue pending = ReadValue(kMachine, kPendingKey, "PendingFileRenameOperations");
    EXPECT_EQ(0u, bench::RunProgram("\"" + program + "\" /S", 60000));
    EXPECT_EQ(temp, TempEntries());
    EXPECT_EQ(pending.bytes, ReadValue(kMachine, kPendingKey, "PendingFileRenameOperations").bytes);
  }
  // The block that switches the trace on: its call is in the log, which the uninstaller takes.
  EXPECT_NE(std::string::npos, bench::ReadTextFile(dir + "qndsetup.log")
                                   .find("> RegisterQuindo(\"C:\\\\Program Files\\\\Quindo\")"));
  EXPECT_EQ(dir, ReadValue(kUser, "Software\\QndTest\\Record", "Zero").Text());
  EXPECT_EQ(dir + "Dict\\", ReadValue(kUser, "Software\\QndTest\\Record", "Four").Text());
  ASSERT_TRUE(bench::FileExists(dir + "uninstall.exe"));
  // the first-call marker of the block that calls every export: this uninstaller has no
  // Office add-ins to remove
  bench::DeleteTree(kUser, "Software\\Halvecor\\ZARIM 98");
  EXPECT_EQ(0u, bench::RunProgramTree("\"" + dir + "uninstall.exe\" /S"));
  EXPECT_FALSE(KeyExists(kMachine, "SOFTWARE\\Halvecor\\Quindo"));
  EXPECT_FALSE(bench::FileExists(dir + "uninstall.exe"));
  EXPECT_FALSE(bench::FileExists(dir + "qndsetup.log"));
  EXPECT_FALSE(KeyExists(kMachine, "Software\\Halvecor"));
  EXPECT_FALSE(KeyExists(kUser, "Software\\Halvecor"));

  bench::DeleteTree(kUser, "Software\\QndTest\\Record");
  DeleteFileA((dir + "EXTRA.SRG").c_str());
  RemoveDirectoryA(kInstallDir);
}

}  // namespace
