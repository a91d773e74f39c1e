// Excel's add-in values and the first-call marker (office_registry.h).
#include "office/office_registry.h"

namespace qnd {

UniqueKey OpenUserKey(const char* path, LONG* status) {
  UniqueKey key;
  const LONG opened = RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, MAXIMUM_ALLOWED, key.put());
  if (status) *status = opened;
  return key;
}

SlotState ReadAddInValue(HKEY excel, int index, AddInText& text) {
  OpenName name;
  (void)OpenValueName(index, name);  // every caller's index is a slot, "OPEN" to OPEN100
  return ReadValueText<kLongPathChars>(excel, name.c_str(), text);
}

void SurveyOpenSlots(HKEY excel, OpenSlotSurvey& survey, const OfficeSeen& seen) {
  AddInText text;
  for (int i = 0; i < kOpenSlots; ++i) {
    survey.state[i] = ReadAddInValue(excel, i, text);
    if (seen.add_in_value) seen.add_in_value(seen.context, i, text.c_str());
  }
}

int FindAddInValue(HKEY excel, int passed) {
  AddInText text;
  for (int i = 0; i < kAddInSearchSlots; ++i) {
    if (i != passed && ReadAddInValue(excel, i, text) == SlotState::Taken &&
        NamesAddIn(text.c_str())) {
      return i;
    }
  }
  return kNoSlot;
}

int FindFreeOpenValue(HKEY excel) {
  OpenSlotSurvey survey;
  SurveyOpenSlots(excel, survey);
  return ChooseFreeSlot(survey);
}

int FindOldAddInValue(HKEY excel) {
  FixedStr<kPathChars + 1> text;
  OpenName name;
  for (int i = 0; i < kOldAddInSlots; ++i) {
    if (OpenValueName(i, name) &&
        ReadValueText<kPathChars>(excel, name.c_str(), text) == SlotState::Taken &&
        NamesOldAddIn(text.c_str())) {
      return i;
    }
  }
  return kNoSlot;
}

void FindAddIn(OfficePlan& plan, ComponentPlan& c) {
  // The value phase 2 deletes is gone by then: a later one may name the add-in.
  if (plan.excel_options) {
    const UniqueKey excel = OpenUserKey(kExcelOptionsKey);
    if (excel) c.own_slot = FindAddInValue(excel.get(), plan.old_slot);
  }
  c.own_in_place = c.own_slot != kNoSlot;
  if (!BuildAddInValue(plan.source_dir, c.value)) c.sources_fit = false;
}

LONG WriteAddInValue(const char* value, OpenName& name) {
  LONG opened = ERROR_SUCCESS;
  const UniqueKey excel = OpenUserKey(kExcelOptionsKey, &opened);
  if (opened != ERROR_SUCCESS) return opened;
  if (!OpenValueName(FindFreeOpenValue(excel.get()), name)) return ERROR_NO_MORE_ITEMS;
  return RegSetValueExA(excel.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                        static_cast<DWORD>(std::strlen(value)) + 1);
}

LONG DeleteAddInValue(int slot) {
  OpenName name;
  if (!OpenValueName(slot, name)) return ERROR_INVALID_PARAMETER;
  LONG opened = ERROR_SUCCESS;
  const UniqueKey excel = OpenUserKey(kExcelOptionsKey, &opened);
  return opened != ERROR_SUCCESS ? opened : RegDeleteValueA(excel.get(), name.c_str());
}

LONG WriteFirstCallMarker() {
  UniqueKey marker;
  const LONG created = RegCreateKeyA(HKEY_CURRENT_USER, kMarkerKey, marker.put());
  if (created != ERROR_SUCCESS) return created;
  return RegSetValueExA(marker.get(), kMarkerValue, 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(kMarkerData), sizeof kMarkerData);
}

}  // namespace qnd
