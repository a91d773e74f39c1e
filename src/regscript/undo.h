// Reversing registry scripts: one entry of the "UNINSTALL" list, and key trees. The exports
// UndoReg and UnregisterQuindo (qndsetup.h) walk a whole list with them.
#pragma once

#include "frame/handles.h"
#include "frame/trace.h"
#include "frame/win.h"
#include "regscript/script_io.h"

namespace qnd {

// What opening the named key of a key-tree entry gave.
enum class TreeKeyOpen {
  Opened,       // the key is open (a registry link as the link itself)
  NotThere,     // the platform says there is no such key
  NameTooLong,  // the platform refuses a path this long: no key can be there by this name
  Refused,      // the key may be there but cannot be opened (access, a malformed path...)
};

// The named key of a key-tree entry, as OpenTreeKey opens it.
struct TreeKey {
  TreeKeyOpen open = TreeKeyOpen::Refused;
  LONG status = ERROR_SUCCESS;  // the platform's code
  UniqueKey key;                // open when `open` is Opened
};

// Opens `sub_key` below `parent` as the removal of a key tree does: the key itself, a registry
// link as the link (links on the way to it are followed, as every open follows them). Only
// reads.
[[nodiscard]] TreeKey OpenTreeKey(RootKey parent, const char* sub_key);

// True for an open that counts the key as already gone: a key-tree entry then succeeds
// without deleting anything.
[[nodiscard]] constexpr bool CountsAsGone(TreeKeyOpen open) {
  return open == TreeKeyOpen::NotThere || open == TreeKeyOpen::NameTooLong;
}

// Deletes the key `sub_key` below `parent` with all its sub-keys; only the last level of a path
// of several levels goes. A registry link met in the tree, the named key included, is deleted
// as the link itself: its target is never touched. True when the key was deleted or counts as
// gone (CountsAsGone); false when it cannot be opened for another reason, when a deletion was
// refused, when a sub-key named by the enumeration cannot be opened, or when the tree is deeper
// than kMaxTreeDepth levels (what was deleted before stays deleted). The trace gets every key
// and link deleted, and why the entry failed or counts as done.
[[nodiscard]] bool DeleteKeyTree(RootKey parent, const char* sub_key, Trace& trace);

// Carries out one entry of the removal list, as the walk of UndoReg meets it: its data names
// one value to delete, or is empty to delete the key with everything below it. False for an
// entry whose data cannot be found again, a name with no root name, a failing macro, a text
// over 511 characters, a key-tree entry that names a whole root key (no script may wipe a
// hive), or a refused deletion of a key. The trace gets what was deleted, and why not, and the
// directories of `record` its macros read.
[[nodiscard]] bool UndoEntry(const ProfileEntry& entry, PathRecord& record, Trace& trace);

}  // namespace qnd
