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

// Deletes `sub_key` below `parent` with everything below it. A key that cannot be opened counts
// as gone when `top`; below the top it is one that enumeration named, and the walk stops with
// false rather than be handed the same name again and again.
bool DeleteTree(HKEY parent, const char* sub_key, bool top) {
  UniqueKey key;
  if (RegOpenKeyA(parent, sub_key, key.put()) != ERROR_SUCCESS) return top;
  char child[kNameChars];
  // index 0 again every time: each sub-key is gone before the next request
  while (RegEnumKeyA(key.get(), 0, child, sizeof child) == ERROR_SUCCESS) {
    if (!DeleteTree(key.get(), child, false)) return false;
  }
  key.reset();
  return RegDeleteKeyA(parent, sub_key) == ERROR_SUCCESS;
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

bool DeleteKeyTree(HKEY parent, const char* sub_key) { return DeleteTree(parent, sub_key, true); }

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
  const DWORD n = GetPrivateProfileStringA(kRemovalList, entry_name, "", data, kDataChars, script);
  TextStr stripped, value_name;
  if (n >= kDataChars - 1 || !StripQuotes(data, stripped) ||
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
