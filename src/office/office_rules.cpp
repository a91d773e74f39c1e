// The portable rules of the Office 95 add-ins (office_rules.h).
#include "office/office_rules.h"

#include "frame/path_join.h"

namespace qnd {

const OfficeComponent* FindComponent(int code) {
  for (const OfficeComponent& c : kOfficeComponents) {
    if (c.code == code) return &c;
  }
  return nullptr;
}

bool OpenValueName(int index, OpenName& name) {
  if (index < 0 || index >= kOpenSlots) return false;
  name.assign("OPEN");  // the longest name, "OPEN100", fits
  if (index >= 100) name.push_back(static_cast<char>('0' + index / 100));
  if (index >= 10) name.push_back(static_cast<char>('0' + index / 10 % 10));
  if (index >= 1) name.push_back(static_cast<char>('0' + index % 10));
  return true;
}

SlotState ClassifySlotRead(long status, std::uint32_t bytes) {
  switch (status) {
    case kStatusOk: return bytes ? SlotState::Taken : SlotState::Empty;
    case kStatusNotFound: return SlotState::Missing;
    case kStatusMoreData: return SlotState::TooLong;
    default: return SlotState::Unreadable;
  }
}

int ChooseFreeSlot(const OpenSlotSurvey& survey) {
  for (int i = 0; i < kOpenSlots; ++i) {
    if (survey.state[i] == SlotState::Missing) return i;
  }
  return kNoSlot;
}

bool NamesAddIn(const char* text) { return std::strstr(text, kExcelAddIn) != nullptr; }

bool NamesOldAddIn(const char* text) { return std::strstr(text, kOldAddInMark) != nullptr; }

bool BuildAddInValue(const char* source_dir, PathStr& value) {
  value.clear();
  if (source_dir && *source_dir && value.push_back('"') && value.append(source_dir) &&
      JoinPathAlways(value, kExcelAddIn) && value.push_back('"')) {
    return true;
  }
  value.clear();
  return false;
}

bool BuildSourcePath(const char* source_dir, const char* file, LongPathStr& path) {
  return source_dir && *source_dir && path.assign(source_dir) && JoinPathAlways(path, file);
}

bool SourcesFit(int code, const char* source_dir) {
  LongPathStr file;
  PathStr value;
  if (!BuildSourcePath(source_dir, kSupportLibrary, file)) return false;
  switch (code) {
    case kExcelComponent: return BuildAddInValue(source_dir, value);
    case kWordComponent: return BuildSourcePath(source_dir, kWordTemplate, file);
    default: return false;
  }
}

bool CutAtLastBackslash(LongPathStr& path) {
  const char* last = std::strrchr(path.c_str(), '\\');
  if (!last) return false;
  path.truncate(static_cast<std::size_t>(last - path.c_str()));
  return true;
}

}  // namespace qnd
