// Applying registry scripts: DoReg, RegisterQuindo and the writing of one entry.
#include "regscript/apply.h"

#include "frame/handles.h"
#include "regscript/script_entry.h"
#include "regscript/script_io.h"

namespace qnd {
namespace {

// True when the key `sub_key` of `root` is not there, so that writing the entry creates it.
// Asked only while the trace is on, with a read-only open, to name the step "key created"; not
// for the key the last entry wrote.
[[nodiscard]] bool KeyMissing(RootKey root, const TextStr& sub_key, const LastKey& last,
                              Trace& trace) {
  if (!trace || sub_key.empty() || last.Is(root.value(), sub_key)) return false;
  UniqueKey key;
  return RegOpenKeyExA(root.get(), sub_key.c_str(), 0, KEY_QUERY_VALUE, key.put()) ==
         ERROR_FILE_NOT_FOUND;
}

// The step "key created", when writing the entry created its key.
void TraceCreated(const EntryPlan& plan, bool created, Trace& trace) {
  if (created) {
    trace.Step("key created \"%s\\\\%s\"", RootKeyName(plan.root), plan.sub_key.c_str());
  }
}

// The step "value set", with the value's type and data.
void TraceValueSet(const EntryPlan& plan, Trace& trace) {
  const char* root = RootKeyName(plan.root);
  const char* name = plan.is_default ? "@" : plan.value_name.c_str();
  if (plan.converted.type == kRegDword) {
    trace.Step("value set \"%s\\\\%s\" \"%s\" = REG_DWORD 0x%08lx", root, plan.sub_key.c_str(),
               name, static_cast<unsigned long>(plan.converted.number));
  } else {
    trace.Step("value set \"%s\\\\%s\" \"%s\" = REG_SZ \"%s\"", root, plan.sub_key.c_str(), name,
               plan.data.c_str());
  }
}

// Writes what `plan` says. The default value goes through RegSetValueA, which creates a missing
// sub-key itself, and is not flushed; a named value's key is created, flushed and closed on
// every path. Gives the platform call that refused it, or none (a null function).
[[nodiscard]] CallError WriteEntry(const EntryPlan& plan, const LastKey& last, Trace& trace) {
  const RootKey root(plan.root);
  const bool creates = KeyMissing(root, plan.sub_key, last, trace);
  if (plan.is_default) {
    const LONG set = RegSetValueA(root.get(), plan.sub_key.c_str(), REG_SZ, plan.data.c_str(),
                                  static_cast<DWORD>(plan.data.size()) + 1);
    if (set != ERROR_SUCCESS) return {"RegSetValueA", static_cast<DWORD>(set)};
    TraceCreated(plan, creates, trace);
  } else {
    LONG created = ERROR_SUCCESS;
    const UniqueKey below = CreateKeyBelow(root, plan.sub_key.c_str(), &created);
    if (created != ERROR_SUCCESS) return {"RegCreateKeyA", static_cast<DWORD>(created)};
    TraceCreated(plan, creates, trace);
    const HKEY key = below ? below.get() : root.get();  // an empty path: the root itself
    const LONG written =
        RegSetValueExA(key, plan.value_name.c_str(), 0, plan.converted.type,
                       static_cast<const BYTE*>(plan.converted.bytes()), plan.converted.size);
    RegFlushKey(key);
    if (written != ERROR_SUCCESS) return {"RegSetValueExA", static_cast<DWORD>(written)};
  }
  TraceValueSet(plan, trace);
  return {nullptr, 0};
}

}  // namespace

bool ApplyEntry(const char* section_name, const char* entry_name, const char* data,
                PathRecord& record, LastKey& last, Trace& trace) {
  EntryPlan plan;
  PlanFault fault;
  const PlanResult planned =
      PlanEntry(section_name, entry_name, data, record.context(), PlatformLookups(), plan, &fault);
  record.Show(plan.reads, trace);
  switch (planned) {
    case PlanResult::Skip: return true;
    case PlanResult::Fail: RefuseEntry(trace, section_name, entry_name, fault); return false;
    case PlanResult::Write: break;
  }
  const CallError refused = WriteEntry(plan, last, trace);
  if (!refused.function && trace) last.Set(plan.root, plan.sub_key);
  if (refused.function) {
    trace.Refusal(refused, "entry \"%s\" of section \"%s\": the registry refused \"%s\\\\%s\"",
                  entry_name, section_name, RootKeyName(plan.root), plan.sub_key.c_str());
  }
  return !refused.function;
}

}  // namespace qnd

namespace qnd {
namespace {

// DoReg's work, traced by `trace`.
[[nodiscard]] int ApplyScript(const char* script, const QndPathContext* context, Trace& trace) {
  PathStr path;
  if (!ScriptToRead(script, path, trace)) return 0;
  PathRecord record(context);
  LastKey last;
  const auto apply = [&record, &last, &trace](const ProfileEntry& entry) {
    return EntryFound(entry, trace) &&
           ApplyEntry(entry.section, entry.name, entry.data, record, last, trace);
  };
  const Trace::Burst burst(trace);
  return WalkResult(WalkKeySections(path.c_str(), apply), trace);
}

}  // namespace
}  // namespace qnd

// DoReg: see qndsetup.h.
extern "C" int __stdcall DoReg(const char* script, const QndPathContext* context, int reserved) {
  using namespace qnd;
  Trace trace("DoReg", {script, context, reserved});
  return trace.Return(ApplyScript(script, context, trace));
}

// RegisterQuindo: see qndsetup.h.
extern "C" int __stdcall RegisterQuindo(const char* directory) {
  using namespace qnd;
  Trace trace("RegisterQuindo", {directory});
  return trace.Return(OnProductScript(directory, "DoReg", ApplyScript, trace));
}
