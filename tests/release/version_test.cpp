// The version resources of the shipped images, read back as an installer reads them
// (GetFileVersionInfoA), against what `qndcheck --version` and `qndrun --version` print.
#include <cstdio>
#include <cstring>
#include <string>

#include "bench.h"

namespace {

// The first line that `TOOL.exe --version` prints, without its line end.
std::string Printed(const char* tool) {
  const std::string command = "\"" + bench::ProgramDir() + "\\" + tool + ".exe\" --version";
  char line[128] = {};
  if (FILE* pipe = _popen(command.c_str(), "r")) {
    if (!std::fgets(line, sizeof line, pipe)) line[0] = '\0';
    _pclose(pipe);
  }
  return std::string(line, std::strcspn(line, "\r\n"));
}

// Value `path` of the version resource `info`; null when it has none.
const void* Query(const std::string& info, const std::string& path) {
  void* value = nullptr;
  UINT size = 0;
  return VerQueryValueA(info.data(), path.c_str(), &value, &size) && size ? value : nullptr;
}

TEST(Version, ResourcesCarryThePrintedVersion) {
  const std::string printed = Printed("qndcheck");
  ASSERT_EQ("qndcheck " QND_PROJECT_VERSION, printed);
  const std::string version = printed.substr(printed.find(' ') + 1);
  EXPECT_EQ("qndrun " + version, Printed("qndrun"));
  unsigned major = 0, minor = 0, patch = 0;
  ASSERT_EQ(3, std::sscanf(version.c_str(), "%u.%u.%u", &major, &minor, &patch));

  const struct {
    const char* file;
    DWORD type;
  } rows[] = {{"qndsetup.dll", VFT_DLL}, {"qndrun.exe", VFT_APP}, {"qndcheck.exe", VFT_APP}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.file);
    const std::string path = bench::ProgramDir() + "\\" + row.file;
    std::string info(GetFileVersionInfoSizeA(path.c_str(), nullptr), '\0');
    ASSERT_TRUE(!info.empty() && GetFileVersionInfoA(path.c_str(), 0, info.size(), &info[0]));
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(Query(info, "\\"));
    ASSERT_TRUE(fixed != nullptr);
    EXPECT_EQ(MAKELONG(minor, major), fixed->dwFileVersionMS);
    EXPECT_EQ(MAKELONG(0, patch), fixed->dwFileVersionLS);
    EXPECT_EQ(fixed->dwFileVersionMS, fixed->dwProductVersionMS);
    EXPECT_EQ(fixed->dwFileVersionLS, fixed->dwProductVersionLS);
    EXPECT_EQ(row.type, fixed->dwFileType);
    EXPECT_EQ(static_cast<DWORD>(VOS__WINDOWS32), fixed->dwFileOS);  // 95 as well as NT
    const auto* lang = static_cast<const WORD*>(Query(info, "\\VarFileInfo\\Translation"));
    ASSERT_TRUE(lang != nullptr);
    char block[32];
    std::snprintf(block, sizeof block, "\\StringFileInfo\\%04x%04x\\", lang[0], lang[1]);
    const auto text = [&](const char* name) {
      const void* value = Query(info, block + std::string(name));
      return std::string(value ? static_cast<const char*>(value) : "(none)");
    };
    EXPECT_EQ(version, text("FileVersion"));
    EXPECT_EQ(version, text("ProductVersion"));
    EXPECT_EQ(row.file, text("OriginalFilename"));
    EXPECT_EQ("Halvecor", text("CompanyName"));
    EXPECT_NE(std::string::npos, text("LegalCopyright").find("Halvecor"));
    EXPECT_NE("(none)", text("FileDescription"));
  }
}

}  // namespace
