// Reversing registry scripts: one entry of the "UNINSTALL" list, and key trees. The exports
// UndoReg and UnregisterQuindo (qndsetup.h) walk a whole list with them.
#pragma once

#include "frame/win.h"
#include "regscript/script_io.h"

namespace qnd {

// Deletes the key `sub_key` below `parent` with all its sub-keys; only the last level of a path
// of several levels goes. A registry link met in the tree, the named key included, is deleted
// as the link itself: its target is never touched. True when the key was deleted or does not
// exist; false when it cannot be opened for another reason, when a deletion was refused, when
// a sub-key named by the enumeration cannot be opened, or when the tree is deeper than 512
// levels (what was deleted before stays deleted).
bool DeleteKeyTree(HKEY parent, const char* sub_key);

// Carries out one entry of the removal list, as the walk of UndoReg meets it: its data names
// one value to delete, or is empty to delete the key with everything below it. False for an
// entry whose data cannot be found again, a name with no root name, a failing macro, a text
// over 511 characters, a key-tree entry that names a whole root key (no script may wipe a
// hive), or a refused deletion of a key.
bool UndoEntry(const ProfileEntry& entry, const PathContext* context);

}  // namespace qnd
