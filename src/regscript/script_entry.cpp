#include "regscript/script_entry.h"

#include <cstring>

namespace qnd {
namespace {

// Strips `text` of its quotation marks, then expands it; on failure notes `part` in `*fault`.
[[nodiscard]] bool StripThenExpand(const char* text, TextStr& out, const PathContext* context,
                                   const MacroLookups& lookups, EntryPart part, PlanFault* fault,
                                   ContextReads* reads) {
  TextStr stripped;
  ExpandFault why;
  if (!StripQuotes(text, stripped)) {
    why.fault = TextFault::TooLong;
  } else if (ExpandMacros(stripped.c_str(), out, context, lookups, &why, reads)) {
    return true;
  }
  if (fault) *fault = {part, why};
  return false;
}

// Expands `text`; on failure notes `part` in `*fault`.
[[nodiscard]] bool Expand(const char* text, TextStr& out, const PathContext* context,
                          const MacroLookups& lookups, EntryPart part, PlanFault* fault,
                          ContextReads* reads) {
  ExpandFault why;
  if (ExpandMacros(text, out, context, lookups, &why, reads)) return true;
  if (fault) *fault = {part, why};
  return false;
}

// True when key path `path` has no empty level; else notes where it begins in `*fault`.
[[nodiscard]] bool NoEmptyLevel(const TextStr& path, PlanFault* fault) {
  const std::size_t at = EmptyLevelAt(path.c_str());
  if (at == path.size()) return true;
  if (fault) *fault = {EntryPart::SubKey, {TextFault::EmptyLevel, at, '\0'}};
  return false;
}

}  // namespace

const char* PartName(EntryPart part) {
  switch (part) {
    case EntryPart::SubKey: return "the sub-key path";
    case EntryPart::ValueName: return "the value name";
    case EntryPart::Data: return "the data";
  }
  return "the data";
}

PlanResult PlanEntry(const char* section_name, const char* entry_name, const char* data,
                     const PathContext* context, const MacroLookups& lookups, EntryPlan& plan,
                     PlanFault* fault) {
  const char* raw_sub = nullptr;
  if (!ParseRootKey(section_name, &plan.root, &raw_sub)) return PlanResult::Skip;
  if (!Expand(raw_sub, plan.sub_key, context, lookups, EntryPart::SubKey, fault, &plan.reads) ||
      !NoEmptyLevel(plan.sub_key, fault) ||
      !StripThenExpand(entry_name, plan.value_name, context, lookups, EntryPart::ValueName, fault,
                       &plan.reads) ||
      !StripThenExpand(data, plan.data, context, lookups, EntryPart::Data, fault, &plan.reads)) {
    return PlanResult::Fail;
  }

  plan.is_default = std::strcmp(plan.value_name.c_str(), "@") == 0;
  if (plan.is_default) {
    plan.converted.type = kRegSz;
    plan.converted.text = plan.data.c_str();
    plan.converted.size = static_cast<std::uint32_t>(plan.data.size() + 1);
  } else {
    ConvertData(plan.data.c_str(), plan.converted);
  }
  return PlanResult::Write;
}

RemovalResult PlanRemoval(const char* entry_name, const char* data, unsigned data_length,
                          const PathContext* context, const MacroLookups& lookups,
                          RemovalPlan& plan, PlanFault* fault) {
  const char* raw_sub = nullptr;
  if (!ParseRootKey(entry_name, &plan.root, &raw_sub)) return RemovalResult::NoRoot;
  TextStr expanded;
  if (!Expand(raw_sub, expanded, context, lookups, EntryPart::SubKey, fault, &plan.reads)) {
    return RemovalResult::Fail;
  }
  if (!StripQuotes(expanded.c_str(), plan.sub_key)) return RemovalResult::Fail;  // cannot grow
  if (!NoEmptyLevel(plan.sub_key, fault)) return RemovalResult::Fail;
  // A value name holds at most 511 characters, so data that filled the reader's buffer was
  // cut: it fails rather than name another value.
  if (data_length >= kEntryDataChars - 1) {
    if (fault) {  // set field by field: an aggregate here would cost the DLL a data section
      *fault = PlanFault{};
      fault->part = EntryPart::Data;
      fault->text.fault = TextFault::TooLong;
    }
    return RemovalResult::Fail;
  }
  if (!StripThenExpand(data, plan.value_name, context, lookups, EntryPart::Data, fault,
                       &plan.reads)) {
    return RemovalResult::Fail;
  }
  if (!plan.value_name.empty()) return RemovalResult::Value;
  // Backslashes alone name no level: some roots open such a path as the root itself.
  const bool names_level = std::strspn(plan.sub_key.c_str(), "\\") < plan.sub_key.size();
  return names_level ? RemovalResult::Tree : RemovalResult::WholeRoot;
}

}  // namespace qnd
