// Reversing registry scripts: UndoReg, UnregisterQuindo and the removal of one entry of the
// "UNINSTALL" list.
#include "regscript/undo.h"

#include "frame/handles.h"
#include "regscript/script_io.h"

namespace qnd {
namespace {

constexpr char kRemovalList[] = "UNINSTALL";
constexpr unsigned kNameChars = 512;  // a sub-key name met while deleting a key tree
// The data of a removal entry is a value name of at most 511 characters. The reader cuts
// longer data without a word, so it is read into more room than that: data that fills the room
// was cut, and fails rather than name another value.
constexpr unsigned kDataChars = 1024;
// The deepest key tree that is deleted, counting the named key as one level: the registry's own
// limit. A deeper tree is left as it is and its deletion fails.
constexpr int kMaxTreeDepth = 512;

// Opens `name` below `parent` as the key itself: a registry link is opened as the link, never
// followed to its target.
LONG OpenKeyNoLink(HKEY parent, const char* name, UniqueKey& key) {
  return RegOpenKeyExA(parent, name, REG_OPTION_OPEN_LINK, MAXIMUM_ALLOWED, key.put());
}

// Deletes the key that `key` holds, through the handle, and releases it. Deleting by name below
// the parent would follow a link to its target.
bool DeleteOpenKey(UniqueKey& key) {
  const bool deleted = RegDeleteKeyA(key.get(), "") == ERROR_SUCCESS;
  key.reset();
  return deleted;
}

// Deletes one value. A missing key, a missing value and a refused deletion all count as done.
void DeleteValue(HKEY root, const TextStr& sub_key, const char* name) {
  if (sub_key.empty()) {  // the root key itself, which is never closed
    RegDeleteValueA(root, name);
    return;
  }
  UniqueKey key;
  if (RegOpenKeyA(root, sub_key.c_str(), key.put()) == ERROR_SUCCESS) {
    RegDeleteValueA(key.get(), name);
  }
}

}  // namespace

// Walks down without recursion, one open key per level, always to the first sub-key that is
// left (index 0 again every time: each sub-key is gone before the next request), and deletes
// each key once it has none. A sub-key that the enumeration names but that cannot be opened
// ends the walk with false rather than be handed the same name again and again.
bool DeleteKeyTree(HKEY parent, const char* sub_key) {
  UniqueKey path[kMaxTreeDepth];  // path[i] is open while the walk is below it
  const LONG opened = OpenKeyNoLink(parent, sub_key, path[0]);
  if (opened != ERROR_SUCCESS) return opened == ERROR_FILE_NOT_FOUND;  // already gone
  char child[kNameChars];
  for (int depth = 1; depth > 0;) {
    UniqueKey& key = path[depth - 1];
    if (RegEnumKeyA(key.get(), 0, child, sizeof child) != ERROR_SUCCESS) {
      if (!DeleteOpenKey(key)) return false;
      --depth;
    } else if (depth == kMaxTreeDepth ||
               OpenKeyNoLink(key.get(), child, path[depth]) != ERROR_SUCCESS) {
      return false;
    } else {
      ++depth;
    }
  }
  return true;
}

// The root is matched on the raw name; the sub-key path is expanded, then stripped; the data
// stripped, then expanded.
bool UndoEntry(const char* script, const char* entry_name, const PathContext* context) {
  std::uint32_t root_value = 0;
  const char* raw_sub = nullptr;
  if (!ParseRootKey(entry_name, &root_value, &raw_sub)) return false;
  TextStr expanded, sub_key;
  if (!ExpandMacros(raw_sub, expanded, context, PlatformLookups()) ||
      !StripQuotes(expanded.c_str(), sub_key)) {
    return false;
  }
  char data[kDataChars];
  unsigned n = 0;
  TextStr stripped, value_name;
  if (!ReadEntryData(script, kRemovalList, entry_name, data, kDataChars, &n) ||
      n >= kDataChars - 1 || !StripQuotes(data, stripped) ||
      !ExpandMacros(stripped.c_str(), value_name, context, PlatformLookups())) {
    return false;
  }

  const HKEY root = RootKeyHandle(root_value);
  if (!value_name.empty()) {
    DeleteValue(root, sub_key, value_name.c_str());
    return true;
  }
  return !sub_key.empty() && DeleteKeyTree(root, sub_key.c_str());
}

}  // namespace qnd

// UndoReg(script, context, reserved): carries out every entry of the script's "UNINSTALL" list
// in file order, until the first that fails. 1 when all were carried out (also for a missing
// file or list); 0 at the first failing entry (what was removed before stays removed), for a
// null script path, or when no memory for the list could be had.
extern "C" int __stdcall UndoReg(const char* script, const QndPathContext* context,
                                 int /*reserved*/) {
  using namespace qnd;
  if (!script) return 0;  // the profile reader would read WIN.INI instead
  NameList entries;
  if (!entries.Read(script, kRemovalList)) return 0;
  for (const char* entry = entries.First(); entry; entry = entries.Next(entry)) {
    if (!UndoEntry(script, entry, context)) return 0;
  }
  return 1;
}

// UnregisterQuindo(directory): reverses "QUINDO.SRG" of the installation directory, with that
// directory (ending in a backslash) as "$0" and no "$4". 0 for an empty or null directory, or
// one too long for the script's path to fit 260 characters; else the result of UndoReg.
extern "C" int __stdcall UnregisterQuindo(const char* directory) {
  using namespace qnd;
  PathStr dir, script;
  if (!ProductScript(directory, dir, script)) return 0;
  const QndPathContext context = {dir.c_str(), nullptr};
  return UndoReg(script.c_str(), &context, 1);
}
