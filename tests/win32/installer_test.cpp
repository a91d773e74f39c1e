// The example setup (examples/installer, built by make installer into build/installer) run
// silently in this program's own prefix, as a user's machine runs it: the NSIS engine calls the
// library's exports by name. Checked afterwards: what the registry, the files, WIN.INI, the
// Office stand-ins and the path record hold; then an upgrade; then the uninstaller.
#include <string>
#include <vector>

#include "bench.h"

namespace {

using bench::KeyExists;
using bench::ReadValue;

const HKEY kUser = HKEY_CURRENT_USER;
const char kInstallDir[] = "C:\\Program Files\\Quindo";  // $PROGRAMFILES\Quindo
const char kExcelOptions[] = "Software\\Microsoft\\Excel\\7.0\\Microsoft Excel";
const char kWordOptions[] = "Software\\Microsoft\\Word\\7.0\\Options";

// The faces of the fonts that the setup installs, as a program started after it sees them.
// Exit code: 1 for the raster face, 2 for the TrueType face, added up.
BENCH_CHILD(faces) {
  return (bench::FontFaces("MS Sans Serif") > 0) + 2 * (bench::FontFaces("QejaVu Sans") > 0);
}

class Setup : public testing::Test {
 protected:
  void SetUp() override {
    results_ = dir_.File("results.ini");
    // Office 7.0 stand-ins: Word with its start-up directory, Excel with another add-in
    startup_ = dir_.File("Startup");
    ASSERT_EQ(ERROR_SUCCESS, bench::WriteString(kUser, kWordOptions, "Startup-Path", startup_));
    ASSERT_EQ(ERROR_SUCCESS,
              bench::WriteString(kUser, kExcelOptions, "OPEN", "C:\\Lib\\SOLVER.XLA"));
    // neighbours of what the script writes, which no step may change
    const struct {
      HKEY root;
      const char* path;
    } neighbours[] = {
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\Halvecor\\Other"},
        {HKEY_CLASSES_ROOT, ".qnx"},
        {kUser, "Software\\Halvecor\\Quindo\\Settings"},
        {kUser, "Software\\Halvecor\\Other"},
    };
    for (const auto& n : neighbours) {
      ASSERT_EQ(ERROR_SUCCESS, bench::WriteString(n.root, n.path, "Keep", "before setup"));
      key_set_.push_back({n.root, n.path, bench::DumpTree(n.root, n.path)});
    }
  }

  // Runs the setup silently; its exit code.
  DWORD Install() {
    const std::string setup = bench::ProgramDir() + "\\..\\installer\\quindo-setup.exe";
    return bench::RunProgram(setup + " /S /RESULTS=" + results_, 120000);
  }
  // Runs the uninstaller silently where it lies (it cannot delete itself there).
  DWORD Uninstall() {
    const std::string dir = kInstallDir;
    const std::string uninstall = "\"" + dir + "\\uninstall.exe\"";
    return bench::RunProgram(uninstall + " /S /RESULTS=" + results_ + " _?=" + dir, 120000);
  }
  // What the setup recorded for `export_name` in `section` of the results file.
  std::string Result(const char* section, const char* export_name) {
    char buf[16] = {};
    GetPrivateProfileStringA(section, export_name, "(none)", buf, sizeof buf, results_.c_str());
    return buf;
  }
  // The add-in values that name the product's add-in.
  int AddInValues() {
    int n = 0;
    for (int i = 0; i <= 100; ++i) {
      const std::string name = i ? "OPEN" + std::to_string(i) : "OPEN";
      const std::string text = ReadValue(kUser, kExcelOptions, name.c_str()).Text();
      n += text.find("QND_OF7.XLA") != std::string::npos;
    }
    return n;
  }

  struct Tree {
    HKEY root;
    std::string path, dump;
  };
  bench::TempDir dir_{"setup"};
  std::string results_, startup_;
  std::vector<Tree> key_set_;
};

const char* const kExports[] = {"CheckApplicationsActive", "Internal015", "RegisterQuindo",
                                "Internal007", "InstallOfficeSupport", "Internal012"};

TEST_F(Setup, InstallsUpgradesAndUninstalls) {
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
      /* 0 */ {HKEY_LOCAL_MACHINE, kProduct, "", "Quindo English-Russian translator", 0},
      /* 1 */ {HKEY_LOCAL_MACHINE, kProduct, "Path", dir, 0},
      /* 2 */ {HKEY_LOCAL_MACHINE, kProduct, "Program", dir + "quindo.exe", 0},
      /* 3 */ {HKEY_LOCAL_MACHINE, kProduct, "ShortPath", short_dir, 0},
      /* 4 */ {HKEY_LOCAL_MACHINE, kProduct, "Dictionaries", dir + "Dict\\Main", 0},
      /* 5 */ {HKEY_LOCAL_MACHINE, kProduct, "Fonts", bench::WindowsDir() + "\\Fonts\\", 0},
      /* 6 */ {HKEY_LOCAL_MACHINE, kProduct, "Build", "", 0x12c},
      /* 7 */ {HKEY_LOCAL_MACHINE, kProduct, "Flags", "", 0xffffffff},
      /* 8 */ {HKEY_CLASSES_ROOT, ".qnd", "", "Quindo.Document", 0},
      /* 9 */ {HKEY_CLASSES_ROOT, "Quindo.Document\\shell\\open\\command", "",
               "\"" + dir + "quindo.exe\" \"%1\"", 0},
      /* 10 */ {kUser, "Software\\Halvecor\\Quindo\\Settings", "Direction", "English-Russian", 0},
      /* 11 */ {kUser, "Software\\Halvecor\\Quindo\\Settings", "LastFolder", dir, 0},
  };
  int i = 0;
  for (const auto& v : values) {
    const bench::RegValue got = ReadValue(v.root, v.path, v.name);
    EXPECT_EQ(ERROR_SUCCESS, got.status) << "row " << i;
    if (v.text.empty()) {
      EXPECT_EQ(static_cast<DWORD>(REG_DWORD), got.type) << "row " << i;
      EXPECT_EQ(v.number, got.Dword()) << "row " << i;
    } else {
      EXPECT_EQ(static_cast<DWORD>(REG_SZ), got.type) << "row " << i;
      EXPECT_EQ(v.text, got.Text()) << "row " << i;
    }
    ++i;
  }

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

  // the Office add-ins and the path record
  EXPECT_EQ("\"" + dir + "Office\\QND_OF7.XLA\"", ReadValue(kUser, kExcelOptions, "OPEN1").Text());
  EXPECT_TRUE(bench::FileExists(startup_ + "\\QND_OF7.DOT"));
  char system[MAX_PATH] = {};
  GetSystemDirectoryA(system, MAX_PATH);
  EXPECT_TRUE(bench::FileExists(std::string(system) + "\\QND_OF7.DLL"));
  EXPECT_EQ("Y", ReadValue(kUser, "Software\\Halvecor\\ZARIM 98\\Office95", "FirstCall").Text());
  GetPrivateProfileStringA("Setup", "Path", "", entry, MAX_PATH, (dir + "Quindo32.uni").c_str());
  EXPECT_STREQ(kInstallDir, entry);

  // an upgrade over it: every step succeeds again, and the add-in is registered once
  DeleteFileA(results_.c_str());
  ASSERT_EQ(0u, Install());
  for (const char* e : kExports) EXPECT_EQ("1", Result("Install", e)) << "upgrade: " << e;
  EXPECT_EQ(1, AddInValues());

  // the uninstaller: none of the removal list's entries is left, nothing else changed
  ASSERT_EQ(0u, Uninstall());
  EXPECT_EQ("1", Result("Uninstall", "UnregisterQuindo"));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kProduct));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ".qnd"));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "Quindo.Document"));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND,
            ReadValue(kUser, "Software\\Halvecor\\Quindo\\Settings", "LastFolder").status);
  EXPECT_EQ("English-Russian",
            ReadValue(kUser, "Software\\Halvecor\\Quindo\\Settings", "Direction").Text())
      << "not on the removal list: the user's choice stays";
  for (const Tree& k : key_set_) {
    if (k.path == "Software\\Halvecor\\Quindo\\Settings") continue;  // Direction was added
    EXPECT_EQ(k.dump, bench::DumpTree(k.root, k.path)) << k.path;
  }
  EXPECT_EQ("before setup",
            ReadValue(kUser, "Software\\Halvecor\\Quindo\\Settings", "Keep").Text());
  EXPECT_EQ(1, AddInValues()) << "the add-in stays registered";
  EXPECT_EQ("C:\\Lib\\SOLVER.XLA", ReadValue(kUser, kExcelOptions, "OPEN").Text());
  EXPECT_FALSE(bench::FileExists(dir + "quindo.exe"));
  EXPECT_FALSE(bench::FileExists(dir + "Office"));
  EXPECT_TRUE(bench::FileExists(dir + "uninstall.exe")) << "run where it lies, it stays";
  DeleteFileA((dir + "uninstall.exe").c_str());
  RemoveDirectoryA(kInstallDir);
}

}  // namespace
