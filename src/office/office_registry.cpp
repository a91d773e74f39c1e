// Excel's add-in values and the first-call marker (office_registry.h).
#include "office/office_registry.h"

namespace qnd {

bool OpenUserKey(const char* path, UniqueKey& key) {
  return RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, MAXIMUM_ALLOWED, key.put()) == ERROR_SUCCESS;
}

SlotState ReadAddInValue(HKEY excel, int index, AddInText& text) {
  OpenName name;
  OpenValueName(index, name);
  return ReadValueText<kLongPathChars>(excel, name.c_str(), text);
}

void SurveyOpenSlots(HKEY excel, OpenSlotSurvey& survey) {
  AddInText text;
  for (int i = 0; i < kOpenSlots; ++i) survey.state[i] = ReadAddInValue(excel, i, text);
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
    OpenValueName(i, name);
    if (ReadValueText<kPathChars>(excel, name.c_str(), text) == SlotState::Taken &&
        NamesOldAddIn(text.c_str())) {
      return i;
    }
  }
  return kNoSlot;
}

void FindAddIn(OfficePlan& plan, ComponentPlan& c) {
  UniqueKey excel;
  // The value phase 2 deletes is gone by then: a later one may name the add-in.
  if (plan.excel_options && OpenUserKey(kExcelOptionsKey, excel)) {
    c.own_slot = FindAddInValue(excel.get(), plan.old_slot);
  }
  c.own_in_place = c.own_slot != kNoSlot;
  if (!BuildAddInValue(plan.source_dir, c.value)) c.sources_fit = false;
}

bool WriteAddInValue(const char* value) {
  UniqueKey excel;
  OpenName name;
  if (!OpenUserKey(kExcelOptionsKey, excel) ||
      !OpenValueName(FindFreeOpenValue(excel.get()), name)) {
    return false;
  }
  return RegSetValueExA(excel.get(), name.c_str(), 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(value),
                        static_cast<DWORD>(std::strlen(value) + 1)) == ERROR_SUCCESS;
}

bool DeleteAddInValue(int slot) {
  UniqueKey excel;
  OpenName name;
  return OpenUserKey(kExcelOptionsKey, excel) && OpenValueName(slot, name) &&
         RegDeleteValueA(excel.get(), name.c_str()) == ERROR_SUCCESS;
}

bool WriteFirstCallMarker() {
  UniqueKey marker;
  if (RegCreateKeyA(HKEY_CURRENT_USER, kMarkerKey, marker.put()) != ERROR_SUCCESS) return false;
  return RegSetValueExA(marker.get(), kMarkerValue, 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(kMarkerData),
                        sizeof kMarkerData) == ERROR_SUCCESS;
}

}  // namespace qnd
