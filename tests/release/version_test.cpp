// The version of the shipped images: the VERSIONINFO resource of the DLL and the tools, read
// back as an installer reads it (GetFileVersionInfoA), against what `qndcheck --version` and
// `qndrun --version` print, and those against the project's version.
#include <cstdio>
#include <string>

#include "bench.h"

namespace {

// What `command` prints on its standard output.
std::string Output(const std::string& command) {
  std::string text;
  FILE* pipe = _popen(command.c_str(), "r");
  if (!pipe) return text;
  char line[256];
  while (std::fgets(line, sizeof line, pipe)) text += line;
  _pclose(pipe);
  return text;
}

// The version resource of one file, in the language and code page its translation names.
class VersionInfo {
 public:
  explicit VersionInfo(const std::string& path) {
    DWORD ignored = 0;
    data_.resize(GetFileVersionInfoSizeA(path.c_str(), &ignored));
    if (data_.empty() ||
        !GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(data_.size()), &data_[0])) {
      data_.clear();
    }
  }
  const VS_FIXEDFILEINFO* Fixed() const {
    return static_cast<const VS_FIXEDFILEINFO*>(Query("\\"));
  }
  std::string Text(const char* name) const {
    const WORD* translation = static_cast<const WORD*>(Query("\\VarFileInfo\\Translation"));
    if (!translation) return "(no translation)";
    char path[128];
    std::snprintf(path, sizeof path, "\\StringFileInfo\\%04x%04x\\%s", translation[0],
                  translation[1], name);
    const char* text = static_cast<const char*>(Query(path));
    return text ? text : "(missing)";
  }

 private:
  const void* Query(const char* path) const {
    void* value = nullptr;
    UINT size = 0;
    if (data_.empty() || !VerQueryValueA(data_.data(), path, &value, &size) || !size) {
      return nullptr;
    }
    return value;
  }
  std::string data_;
};

std::string Tool(const char* name) { return "\"" + bench::ProgramDir() + "\\" + name + "\""; }

TEST(Version, ToolsPrintTheProjectVersion) {
  const char* tools[] = {"qndrun", "qndcheck"};
  for (const char* tool : tools) {
    SCOPED_TRACE(tool);
    EXPECT_EQ(std::string(tool) + " " + QND_PROJECT_VERSION + "\n",
              Output(Tool(tool) + ".exe --version"));
  }
}

TEST(Version, ResourcesCarryThePrintedVersion) {
  const std::string printed = Output(Tool("qndcheck.exe") + " --version");
  const std::string version = printed.substr(printed.find(' ') + 1, printed.find('\n') -
                                                                        printed.find(' ') - 1);
  unsigned major = 0, minor = 0, patch = 0;
  ASSERT_EQ(3, std::sscanf(version.c_str(), "%u.%u.%u", &major, &minor, &patch)) << printed;
  const struct {
    const char* file;
    DWORD type;
  } rows[] = {
      {"qndsetup.dll", VFT_DLL},
      {"qndrun.exe", VFT_APP},
      {"qndcheck.exe", VFT_APP},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.file);
    const VersionInfo info(bench::ProgramDir() + "\\" + row.file);
    const VS_FIXEDFILEINFO* fixed = info.Fixed();
    ASSERT_TRUE(fixed != nullptr);
    EXPECT_EQ(MAKELONG(minor, major), fixed->dwFileVersionMS);
    EXPECT_EQ(MAKELONG(0, patch), fixed->dwFileVersionLS);
    EXPECT_EQ(fixed->dwFileVersionMS, fixed->dwProductVersionMS);
    EXPECT_EQ(fixed->dwFileVersionLS, fixed->dwProductVersionLS);
    EXPECT_EQ(row.type, fixed->dwFileType);
    EXPECT_EQ(version, info.Text("FileVersion"));
    EXPECT_EQ(version, info.Text("ProductVersion"));
    EXPECT_EQ(row.file, info.Text("OriginalFilename"));
    EXPECT_EQ("Halvecor", info.Text("CompanyName"));
    EXPECT_NE(std::string::npos, info.Text("LegalCopyright").find("Halvecor"));
    EXPECT_GT(info.Text("FileDescription").size(), 20u);
  }
}

}  // namespace
