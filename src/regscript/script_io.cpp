#include "regscript/script_io.h"

#include "frame/path_join.h"
#include "frame/win.h"

namespace qnd {
namespace {

bool FolderLookup(char code, PathStr& dir) {
  if (!GetFolder(static_cast<unsigned char>(code), dir.data())) return false;
  dir.adopt();
  return true;
}

// A path longer than the buffer is reported as the size it needs: that is a failure too.
bool ShortPathLookup(const char* path, PathStr& out) {
  const DWORD n = GetShortPathNameA(path, out.data(), kPathChars);
  if (n == 0 || n >= kPathChars) return false;
  out.adopt();
  return true;
}

constexpr MacroLookups kPlatformLookups = {FolderLookup, ShortPathLookup};

}  // namespace

const MacroLookups& PlatformLookups() { return kPlatformLookups; }

bool ProductScript(const char* directory, PathStr& dir, PathStr& script) {
  if (!directory || !*directory) return false;
  return dir.assign(directory) && EndWithBackslash(dir) && script.assign(dir.c_str()) &&
         script.append(kProductScriptName);
}

}  // namespace qnd
