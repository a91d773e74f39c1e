// Applying registry scripts: DoReg, RegisterQuindo and the writing of one entry.
#include "regscript/apply.h"

#include "frame/handles.h"
#include "regscript/script_entry.h"
#include "regscript/script_io.h"

namespace qnd {
namespace {

// Writes what `plan` says. The default value goes through RegSetValueA, which creates a missing
// sub-key itself, and is not flushed; a named value's key is created, flushed and closed on
// every path. True when the registry took the value.
bool WriteEntry(const EntryPlan& plan) {
  const HKEY root = RootKeyHandle(plan.root);
  if (plan.is_default) {
    return RegSetValueA(root, plan.sub_key.c_str(), REG_SZ, plan.data.c_str(),
                        static_cast<DWORD>(plan.data.size() + 1)) == ERROR_SUCCESS;
  }
  HKEY key = nullptr;
  if (RegCreateKeyA(root, plan.sub_key.c_str(), &key) != ERROR_SUCCESS) return false;
  // An empty sub-key path hands back the root itself, which is never closed.
  const UniqueKey owner(key != root ? key : nullptr);
  const LONG written =
      RegSetValueExA(key, plan.value_name.c_str(), 0, plan.converted.type,
                     static_cast<const BYTE*>(plan.converted.bytes()), plan.converted.size);
  RegFlushKey(key);
  return written == ERROR_SUCCESS;
}

}  // namespace

bool ApplyEntry(const char* section_name, const char* entry_name, const char* data,
                const PathContext* context) {
  EntryPlan plan;
  switch (PlanEntry(section_name, entry_name, data, context, PlatformLookups(), plan)) {
    case PlanResult::Skip: return true;
    case PlanResult::Fail: return false;
    case PlanResult::Write: break;
  }
  return WriteEntry(plan);
}

}  // namespace qnd

// DoReg(script, context, reserved): writes every value of every key section of the registry
// script, in file order, until the first entry that fails. 1 when all were written (also for
// a missing or empty file); 0 at the first failing entry (what came before stays written), at
// an entry whose data cannot be found again by its listed name, for a null script path, or
// when no memory for a name list could be had. A section without a root name is skipped whole.
extern "C" int __stdcall DoReg(const char* script, const QndPathContext* context, int /*reserved*/) {
  using namespace qnd;
  if (!script) return 0;  // the profile reader would read WIN.INI instead
  const auto apply = [context](const ProfileEntry& entry) {
    return entry.found && ApplyEntry(entry.section, entry.name, entry.data, context);
  };
  return WalkKeySections(script, apply) == WalkEnd::Done ? 1 : 0;
}

// RegisterQuindo(directory): applies "QUINDO.SRG" of the installation directory, with that
// directory (ending in a backslash) as "$0" and no "$4". 0 for an empty or null directory, or
// one too long for the script's path to fit 260 characters; else the result of DoReg.
extern "C" int __stdcall RegisterQuindo(const char* directory) {
  using namespace qnd;
  PathStr dir, script;
  if (!ProductScript(directory, dir, script)) return 0;
  const QndPathContext context = {dir.c_str(), nullptr};
  return DoReg(script.c_str(), &context, 1);
}
