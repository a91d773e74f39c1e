// Reversing registry scripts: UndoReg, UnregisterQuindo and the removal of one entry of the
// "UNINSTALL" list.
#include "regscript/undo.h"

#include <utility>

#include "frame/handles.h"
#include "frame/path_join.h"
#include "frame/windows_family.h"
#include "regscript/script_io.h"

namespace qnd {
namespace {

constexpr unsigned kNameChars = 512;  // a sub-key name met while deleting a key tree

// Opens `name` below `parent` as the key itself: a registry link is opened as the link, never
// followed to its target. Windows 9x has no links and no key security: its RegOpenKeyExA
// takes no options (the argument is reserved, zero) and is asked for all access, which is what
// its registry knows.
// The key, owned, and the platform's status in `*status`.
[[nodiscard]] UniqueKey OpenKeyNoLink(HKEY parent, const char* name, LONG* status) {
  UniqueKey key;
  *status = OnWindows9x()
                ? RegOpenKeyExA(parent, name, 0, KEY_ALL_ACCESS, key.put())
                : RegOpenKeyExA(parent, name, REG_OPTION_OPEN_LINK, MAXIMUM_ALLOWED, key.put());
  return key;
}

// Where the walk of DeleteKeyTree stands, for the trace: the named key's path, then one name
// per level below it as far as kTrailChars hold them (a key's name holds no backslash, so a
// level ends at the last one). A deeper key is shown with "\\..." for the names that did not
// fit. Kept only while the trace is on.
class TreeTrail {
 public:
  TreeTrail(Trace& trace, RootKey parent, const char* sub_key)
      : trace_(trace), root_(RootKeyName(parent.value())) {
    if (trace_) (void)path_.assign(sub_key);  // 511 characters at most: it fits
  }
  [[nodiscard]] bool on() const { return static_cast<bool>(trace_); }

  void Down(const char* name) {
    const std::size_t before = path_.size();
    if (trace_ && (hidden_ || !path_.push_back('\\') || !path_.append(name))) {
      path_.truncate(before);
      ++hidden_;
    }
  }

  // After the deletion of the key the walk stands on: the line, then one level up.
  [[nodiscard]] bool Deleted(bool link, LONG status) {
    if (!trace_) return status == ERROR_SUCCESS;
    if (status != ERROR_SUCCESS) {
      trace_.Refusal(CallError{"RegDeleteKeyA", static_cast<DWORD>(status)},
                     "key \"%s\\\\%s%s\" not deleted", root_, path_.c_str(), More());
      return false;
    }
    if (link) {
      trace_.Step("link deleted as a link \"%s\\\\%s%s\"", root_, path_.c_str(), More());
    } else {
      trace_.Step("key deleted \"%s\\\\%s%s\"", root_, path_.c_str(), More());
    }
    if (hidden_) {
      --hidden_;
    } else {
      (void)CutAtLastBackslash(path_);  // the named key's own path, deleted last, may have none
    }
    return true;
  }

  // The named key cannot be opened: it counts as gone, or the entry fails.
  [[nodiscard]] bool Unopened(TreeKeyOpen opened, LONG status) {
    const CallError error = {"RegOpenKeyExA", static_cast<DWORD>(status)};
    if (opened == TreeKeyOpen::NotThere) {
      trace_.Step("key \"%s\\\\%s\" is not there, counts as removed", root_, path_.c_str());
    } else if (opened == TreeKeyOpen::NameTooLong) {
      trace_.Step(error, "key \"%s\\\\%s\": a path too long for the platform, counts as removed",
                  root_, path_.c_str());
    } else {
      trace_.Refusal(error, "key \"%s\\\\%s\" cannot be opened", root_, path_.c_str());
    }
    return CountsAsGone(opened);
  }

  [[nodiscard]] bool SubKeyUnopened(const char* name, LONG status) {
    trace_.Refusal(CallError{"RegOpenKeyExA", static_cast<DWORD>(status)},
                   "sub-key \"%s\" of \"%s\\\\%s%s\" cannot be opened", name, root_, path_.c_str(),
                   More());
    return false;
  }

  [[nodiscard]] bool TooDeep() {
    trace_.Refusal("the tree of \"%s\\\\%s%s\" is deeper than %d levels", root_, path_.c_str(),
                   More(), kMaxTreeDepth);
    return false;
  }

 private:
  static constexpr std::size_t kTrailChars = 1024;
  // Shown after the path, and escaped as a name is, where deeper names did not fit.
  [[nodiscard]] const char* More() const { return hidden_ ? "\\..." : ""; }

  Trace& trace_;
  const char* root_;
  FixedStr<kTrailChars> path_;
  int hidden_ = 0;  // levels below `path_` whose names did not fit
};

// True when `key` is a registry link. Asked only while the trace is on, to name the step.
[[nodiscard]] bool IsLinkKey(HKEY key) {
  DWORD type = REG_NONE;
  return RegQueryValueExA(key, "SymbolicLinkValue", nullptr, &type, nullptr, nullptr) ==
             ERROR_SUCCESS &&
         type == REG_LINK;
}

// Deletes the key that `key` holds, through the handle, and releases it. Deleting by name below
// the parent would follow a link to its target.
[[nodiscard]] bool DeleteOpenKey(UniqueKey& key, TreeTrail& trail) {
  const bool link = trail.on() && IsLinkKey(key.get());
  const LONG status = RegDeleteKeyA(key.get(), "");
  key.reset();
  return trail.Deleted(link, status);
}

// Deletes one value. A missing key, a missing value and a refused deletion all count as done;
// the trace says which.
void DeleteValue(RootKey root, const TextStr& sub_key, const char* name, Trace& trace) {
  HKEY holder = root.get();
  UniqueKey key;
  CallError error = {"RegOpenKeyA", ERROR_SUCCESS};
  if (!sub_key.empty()) {
    error.code = static_cast<DWORD>(RegOpenKeyA(holder, sub_key.c_str(), key.put()));
    holder = key.get();
  }
  if (error.code == ERROR_SUCCESS) {
    error = {"RegDeleteValueA", static_cast<DWORD>(RegDeleteValueA(holder, name))};
  }
  const char* root_name = RootKeyName(root.value());
  if (error.code == ERROR_SUCCESS) {
    trace.Step("value deleted \"%s\\\\%s\" \"%s\"", root_name, sub_key.c_str(), name);
  } else {
    trace.Step(error, "value \"%s\\\\%s\" \"%s\" not deleted, counts as removed", root_name,
               sub_key.c_str(), name);
  }
}

}  // namespace

TreeKey OpenTreeKey(RootKey parent, const char* sub_key) {
  TreeKey tree;
  tree.key = OpenKeyNoLink(parent.get(), sub_key, &tree.status);
  switch (tree.status) {
    case ERROR_SUCCESS: tree.open = TreeKeyOpen::Opened; break;
    case ERROR_FILE_NOT_FOUND: tree.open = TreeKeyOpen::NotThere; break;
    case ERROR_MORE_DATA: tree.open = TreeKeyOpen::NameTooLong; break;  // the ANSI calls' limit
    default: tree.open = TreeKeyOpen::Refused; break;
  }
  return tree;
}

// Walks down without recursion, one open key per level, always to the first sub-key that is
// left (index 0 again every time: each sub-key is gone before the next request), and deletes
// each key once it has none. A sub-key that the enumeration names but that cannot be opened
// ends the walk with false rather than be handed the same name again and again.
// Windows 9x deletes a key with all its sub-keys by name, and has no links a name could lead
// through: there the named key, once opened, goes in one call by its name below `parent`.
bool DeleteKeyTree(RootKey parent, const char* sub_key, Trace& trace) {
  TreeTrail trail(trace, parent, sub_key);
  TreeKey named = OpenTreeKey(parent, sub_key);
  if (named.open != TreeKeyOpen::Opened) return trail.Unopened(named.open, named.status);
  if (OnWindows9x()) {
    named.key.reset();  // a key still open may not be deleted
    return trail.Deleted(false, RegDeleteKeyA(parent.get(), sub_key));
  }
  UniqueKey path[kMaxTreeDepth];  // path[i] is open while the walk is below it
  path[0] = std::move(named.key);
  char child[kNameChars];
  for (int depth = 1; depth > 0;) {
    UniqueKey& key = path[depth - 1];
    if (RegEnumKeyA(key.get(), 0, child, sizeof child) != ERROR_SUCCESS) {
      if (!DeleteOpenKey(key, trail)) return false;
      --depth;
      continue;
    }
    if (depth == kMaxTreeDepth) return trail.TooDeep();
    LONG status = ERROR_SUCCESS;
    path[depth] = OpenKeyNoLink(key.get(), child, &status);
    if (status != ERROR_SUCCESS) return trail.SubKeyUnopened(child, status);
    trail.Down(child);
    ++depth;
  }
  return true;
}

bool UndoEntry(const ProfileEntry& entry, PathRecord& record, Trace& trace) {
  if (!EntryFound(entry, trace)) return false;
  RemovalPlan plan;
  PlanFault fault;
  const RemovalResult result = PlanRemoval(entry.name, entry.data, entry.length, record.context(),
                                           PlatformLookups(), plan, &fault);
  record.Show(plan.reads, trace);
  switch (result) {
    case RemovalResult::Value:
      DeleteValue(RootKey(plan.root), plan.sub_key, plan.value_name.c_str(), trace);
      return true;
    case RemovalResult::Tree: return DeleteKeyTree(RootKey(plan.root), plan.sub_key.c_str(), trace);
    case RemovalResult::NoRoot:
    case RemovalResult::WholeRoot:
      RefuseEntry(trace, entry.section, entry.name,
                  result == RemovalResult::WholeRoot
                      ? "a key-tree entry that names a whole root key"
                      : "the name begins with no root name");
      return false;
    case RemovalResult::Fail: RefuseEntry(trace, entry.section, entry.name, fault); return false;
  }
  return false;
}

}  // namespace qnd

namespace qnd {
namespace {

// UndoReg's work, traced by `trace`.
[[nodiscard]] int UndoScript(const char* script, const QndPathContext* context, Trace& trace) {
  PathStr path;
  if (!ScriptToRead(script, path, trace)) return 0;
  PathRecord record(context);
  const auto undo = [&record, &trace](const ProfileEntry& entry) {
    return UndoEntry(entry, record, trace);
  };
  const Trace::Burst burst(trace);
  return WalkResult(WalkRemovalList(path.c_str(), undo), trace);
}

}  // namespace
}  // namespace qnd

// UndoReg: see qndsetup.h.
extern "C" int __stdcall UndoReg(const char* script, const QndPathContext* context, int reserved) {
  using namespace qnd;
  Trace trace("UndoReg", {script, context, reserved});
  return trace.Return(UndoScript(script, context, trace));
}

// UnregisterQuindo: see qndsetup.h.
extern "C" int __stdcall UnregisterQuindo(const char* directory) {
  using namespace qnd;
  Trace trace("UnregisterQuindo", {directory});
  return trace.Return(OnProductScript(directory, "UndoReg", UndoScript, trace));
}
