#include "regscript/script_entry.h"

#include <cstring>

namespace qnd {

PlanResult PlanEntry(const char* section_name, const char* entry_name, const char* data,
                     const PathContext* context, const MacroLookups& lookups, EntryPlan& plan) {
  const char* raw_sub = nullptr;
  if (!ParseRootKey(section_name, &plan.root, &raw_sub)) return PlanResult::Skip;
  if (!ExpandMacros(raw_sub, plan.sub_key, context, lookups)) return PlanResult::Fail;

  TextStr stripped;
  if (!StripQuotes(entry_name, stripped) ||
      !ExpandMacros(stripped.c_str(), plan.value_name, context, lookups)) {
    return PlanResult::Fail;
  }
  if (!StripQuotes(data, stripped) || !ExpandMacros(stripped.c_str(), plan.data, context, lookups)) {
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

}  // namespace qnd
