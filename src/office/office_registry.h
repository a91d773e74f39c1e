// Excel's add-in values and the first-call marker, under HKEY_CURRENT_USER. The searches only
// read, for the plan; the writes and deletions are steps of the installation.
#pragma once

#include "frame/handles.h"
#include "office/office_plan.h"

namespace qnd {

// HKEY_CURRENT_USER\`path`, opened with whatever access the caller is granted (a key the user
// owns opens under any access list; reads and writes are then checked one by one): the key,
// owned, or none when it does not open; `*status`, when given, gets the platform's code.
[[nodiscard]] UniqueKey OpenUserKey(const char* path, LONG* status = nullptr);

// Reads value `name` of `key` as text: at most `Bytes` bytes of data, the terminator included.
// `text` receives the data up to its first NUL (empty unless the state is Taken); data stored
// without a terminator gets one.
template <std::size_t Bytes>
[[nodiscard]] SlotState ReadValueText(HKEY key, const char* name, FixedStr<Bytes + 1>& text) {
  DWORD size = Bytes;
  const LONG status =
      RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(text.data()), &size);
  const SlotState state = ClassifySlotRead(status, size);
  text.data()[state == SlotState::Taken ? size : 0] = '\0';
  text.adopt();
  return state;
}

// The text of an add-in value as the 1024-byte read gives it.
using AddInText = FixedStr<kLongPathChars + 1>;

// Reads add-in value `index` ("OPEN" to OPEN100: 0 to 100) of Excel's open options key
// (1024-byte read).
[[nodiscard]] SlotState ReadAddInValue(HKEY excel, int index, AddInText& text);

// The state of every slot, "OPEN" to OPEN100, of Excel's open options key; the text of each
// goes to `seen` when it has a taker.
void SurveyOpenSlots(HKEY excel, OpenSlotSurvey& survey, const OfficeSeen& seen = {});

// The first of "OPEN" to OPEN99 but `passed` whose data (1024-byte read, non-empty) names
// "QND_OF7.XLA" (NamesAddIn); kNoSlot when none does.
[[nodiscard]] int FindAddInValue(HKEY excel, int passed = kNoSlot);

// The first free slot (ChooseFreeSlot over the survey); kNoSlot when all are taken.
[[nodiscard]] int FindFreeOpenValue(HKEY excel);

// The first of "OPEN" to OPEN98 whose data, read into 260 bytes, holds "QND_XL7": the older
// add-in value that an installation deletes. Longer values are passed over. kNoSlot when none.
[[nodiscard]] int FindOldAddInValue(HKEY excel);

// Writes `value` as a REG_SZ into the first free add-in value of Excel's options key, as
// FindFreeOpenValue finds it when written; `name` gets that value's name. The platform's status:
// ERROR_SUCCESS when written; ERROR_NO_MORE_ITEMS when every slot is taken, else the status of
// the open or the write that failed.
[[nodiscard]] LONG WriteAddInValue(const char* value, OpenName& name);

// Deletes add-in value `slot` of Excel's options key: the platform's status (ERROR_SUCCESS when
// deleted; ERROR_INVALID_PARAMETER for a slot outside "OPEN" to OPEN100).
[[nodiscard]] LONG DeleteAddInValue(int slot);

// Sets "FirstCall" = "Y" (REG_SZ, 2 bytes) in "Software\Halvecor\ZARIM 98\Office95", creating
// the key if needed: the platform's status (ERROR_SUCCESS when the value was set).
[[nodiscard]] LONG WriteFirstCallMarker();

}  // namespace qnd
