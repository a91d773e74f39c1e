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

int FindAddInValue(HKEY excel) {
  AddInText text;
  for (int i = 0; i < kAddInSearchSlots; ++i) {
    if (ReadAddInValue(excel, i, text) == SlotState::Taken && NamesAddIn(text.c_str())) return i;
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

OfficeResult ExcelAddInOp(ComponentMode mode) {
  UniqueKey excel;
  if (!OpenUserKey(kExcelOptionsKey, excel)) return OfficeResult::Failed;
  const int slot = FindAddInValue(excel.get());
  OpenName name;
  switch (mode) {
    case ComponentMode::Check:
      return slot != kNoSlot ? OfficeResult::Ok : OfficeResult::Failed;
    case ComponentMode::Remove:
      // A value that cannot be deleted is left; the installation then writes another one.
      if (OpenValueName(slot, name)) RegDeleteValueA(excel.get(), name.c_str());
      return OfficeResult::Ok;
    default:
      return OfficeResult::Failed;
  }
}

OfficeResult RegisterExcelAddIn(const char* source_dir) {
  PathStr value;
  UniqueKey excel;
  if (!BuildAddInValue(source_dir, value) || !OpenUserKey(kExcelOptionsKey, excel)) {
    return OfficeResult::Failed;
  }
  OpenName name;
  if (!OpenValueName(FindFreeOpenValue(excel.get()), name)) return OfficeResult::Failed;
  if (RegSetValueExA(excel.get(), name.c_str(), 0, REG_SZ,
                     reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>(value.size() + 1)) != ERROR_SUCCESS) {
    return OfficeResult::Failed;
  }
  return WriteFirstCallMarker() ? OfficeResult::Ok : OfficeResult::Failed;
}

bool WriteFirstCallMarker() {
  UniqueKey marker;
  if (RegCreateKeyA(HKEY_CURRENT_USER, kMarkerKey, marker.put()) != ERROR_SUCCESS) return false;
  return RegSetValueExA(marker.get(), kMarkerValue, 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(kMarkerData),
                        sizeof kMarkerData) == ERROR_SUCCESS;
}

}  // namespace qnd
