// The earlier installation and the path record:
//   Internal015  the directory of an earlier installation, from the product profile file in the
//                Windows directory ("C:\" when there is none);
//   Internal012  the entry "Path" of section "Setup" in "Quindo32.uni" of a given directory.
#include "frame/files.h"
#include "frame/fixed_str.h"
#include "frame/handles.h"
#include "frame/path_join.h"
#include "frame/trace.h"

namespace qnd {
namespace {

// The product profile files, looked for in the Windows directory in this order; only the first
// that exists is read, whatever it holds.
constexpr const char* kProfileFiles[] = {"quindo.ini", "quindohr.ini"};

// The entries of section "Application" that name a file of an installation, one per
// translation direction, read in this order: the first with data decides.
constexpr const char* kDirectionEntries[] = {"English-Russian", "Russian-English"};

// What Internal015 gives when no earlier installation is recorded.
constexpr char kNoInstallation[] = "C:\\";

// The settings file that holds the path record, appended to the caller's directory.
constexpr char kSettingsFile[] = "Quindo32.uni";

// True when a directory entry (file or directory) of the exact path `path` exists. The search
// is closed again.
[[nodiscard]] bool EntryExists(const char* path) {
  WIN32_FIND_DATAA data;
  UniqueFind find(FindFirstFileA(path, &data));
  return static_cast<bool>(find);
}

// The path of the first product profile file that exists, into `file`. False when none exists
// or the Windows directory cannot be had in 260 characters.
[[nodiscard]] bool FindProfileFile(PathStr& file) {
  PathStr windows;
  if (!WindowsDirectory(windows)) return false;
  for (const char* name : kProfileFiles) {
    file = windows;
    if (JoinPath(file, name) && EntryExists(file.c_str())) return true;
  }
  return false;
}

// The data of the first direction entry of section "Application" in `file` that the profile
// reader gives at least one character for, into `value` (cut to 259 characters by the reader).
// False when neither entry has data.
[[nodiscard]] bool ReadInstalledFile(const char* file, PathStr& value) {
  for (const char* entry : kDirectionEntries) {
    GetPrivateProfileStringA("Application", entry, "", value.data(), kPathChars, file);
    value.adopt();
    if (!value.empty()) return true;  // a missing entry and an empty one are alike
  }
  return false;
}

// True when `text` holds a carriage return or a line feed.
[[nodiscard]] bool HasLineBreak(const char* text) { return std::strpbrk(text, "\r\n") != nullptr; }

}  // namespace
}  // namespace qnd

// Internal015: see qndsetup.h.
extern "C" int __stdcall Internal015(char* buffer) {
  using namespace qnd;
  Trace trace("Internal015", {buffer});
  PathStr file, directory;
  if (FindProfileFile(file) && ReadInstalledFile(file.c_str(), directory)) {
    (void)CutAfterLastBackslash(directory);  // a file name without a directory stays whole
    trace.Step("earlier installation recorded in \"%s\"", file.c_str());
  } else {
    (void)directory.assign(kNoInstallation);  // "C:\\" fits
    trace.Step("no earlier installation recorded");
  }
  std::memcpy(buffer, directory.c_str(), directory.size() + 1);  // at most 260 bytes
  return trace.Return(1, buffer);
}

// Internal012: see qndsetup.h.
extern "C" int __stdcall Internal012(const char* directory, const char* value) {
  using namespace qnd;
  Trace trace("Internal012", {directory, value});
  PathStr file;
  // A null value or directory would make the writer delete the entry and call that success; an
  // empty directory would put the file at the root of the current drive.
  if (!directory || !*directory || !value) {
    trace.Refusal("no directory or no value");
    return trace.Return(0);
  }
  // The writer would store a line break as it is, adding sections and entries to the file.
  if (HasLineBreak(directory) || HasLineBreak(value)) {
    trace.Refusal("a line break in the directory or the value");
    return trace.Return(0);
  }
  if (!file.assign(directory) || !JoinPathAlways(file, kSettingsFile)) {
    trace.Refusal("the directory is over 246 characters");
    return trace.Return(0);
  }
  if (!WritePrivateProfileStringA("Setup", "Path", value, file.c_str())) {
    trace.Refusal(LastError{"WritePrivateProfileStringA"},
                  "\"%s\" [Setup] \"Path\" cannot be written", file.c_str());
    return trace.Return(0);
  }
  trace.Step("profile entry written: \"%s\" [Setup] \"Path\" = \"%s\"", file.c_str(), value);
  return trace.Return(1);
}
