// Reversing registry scripts: UndoReg, UnregisterQuindo and the removal of one entry of the
// "UNINSTALL" list.
#include "regscript/undo.h"

#include "frame/handles.h"
#include "regscript/script_io.h"

namespace qnd {
namespace {

constexpr unsigned kNameChars = 512;  // a sub-key name met while deleting a key tree

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

TreeKeyOpen OpenTreeKey(HKEY parent, const char* sub_key, UniqueKey& key, LONG* status) {
  const LONG opened = OpenKeyNoLink(parent, sub_key, key);
  if (status) *status = opened;
  switch (opened) {
    case ERROR_SUCCESS: return TreeKeyOpen::Opened;
    case ERROR_FILE_NOT_FOUND: return TreeKeyOpen::NotThere;
    case ERROR_MORE_DATA: return TreeKeyOpen::NameTooLong;  // the ANSI calls' limit on a path
    default: return TreeKeyOpen::Refused;
  }
}

// Walks down without recursion, one open key per level, always to the first sub-key that is
// left (index 0 again every time: each sub-key is gone before the next request), and deletes
// each key once it has none. A sub-key that the enumeration names but that cannot be opened
// ends the walk with false rather than be handed the same name again and again.
bool DeleteKeyTree(HKEY parent, const char* sub_key) {
  UniqueKey path[kMaxTreeDepth];  // path[i] is open while the walk is below it
  const TreeKeyOpen opened = OpenTreeKey(parent, sub_key, path[0]);
  if (opened != TreeKeyOpen::Opened) return CountsAsGone(opened);
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

bool UndoEntry(const ProfileEntry& entry, const PathContext* context) {
  if (!entry.found) return false;
  RemovalPlan plan;
  switch (PlanRemoval(entry.name, entry.data, entry.length, context, PlatformLookups(), plan)) {
    case RemovalResult::Value:
      DeleteValue(RootKeyHandle(plan.root), plan.sub_key, plan.value_name.c_str());
      return true;
    case RemovalResult::Tree:
      return DeleteKeyTree(RootKeyHandle(plan.root), plan.sub_key.c_str());
    default:
      return false;
  }
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
  const auto undo = [context](const ProfileEntry& entry) { return UndoEntry(entry, context); };
  return WalkRemovalList(script, undo) == WalkEnd::Done ? 1 : 0;
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
