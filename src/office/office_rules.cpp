// The portable rules of the Office 95 add-ins (office_rules.h).
#include "office/office_rules.h"

#include "frame/ascii.h"
#include "frame/path_join.h"

namespace qnd {

bool OpenValueName(int index, OpenName& name) {
  if (index < 0 || index >= kOpenSlots) return false;
  (void)name.assign("OPEN");  // the longest name, "OPEN100", fits: no step here can fail
  if (index >= 100) (void)name.push_back(static_cast<char>('0' + index / 100));     // fits
  if (index >= 10) (void)name.push_back(static_cast<char>('0' + index / 10 % 10));  // fits
  if (index >= 1) (void)name.push_back(static_cast<char>('0' + index % 10));        // fits
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

namespace {

// The first occurrence of `name` in `text` that is a whole file name: it follows the start of
// the text or one of the characters that end a directory, a drive, a quotation or an argument,
// and it is followed by the end of the text or by one of `ends`. Null when there is none.
[[nodiscard]] const char* FindWholeName(const char* text, const char* name, const char* ends) {
  const std::size_t n = std::strlen(name);
  for (const char* at = std::strstr(text, name); at; at = std::strstr(at + 1, name)) {
    const bool starts = at == text || std::strchr("\\/:\" \t", at[-1]);
    if (starts && (at[n] == '\0' || std::strchr(ends, at[n]))) return at;
  }
  return nullptr;
}

constexpr char kAddInEnds[] = "\" \t";
constexpr char kOldAddInEnds[] = ".\" \t";

}  // namespace

bool NamesAddIn(const char* text) { return FindWholeName(text, kExcelAddIn, kAddInEnds); }

bool NamesOldAddIn(const char* text) {
  return FindWholeName(text, kOldAddInMark, kOldAddInEnds) != nullptr;
}

bool AddInDirectory(const char* text, LongPathStr& dir) {
  const char* at = FindWholeName(text, kExcelAddIn, kAddInEnds);
  if (!at) at = FindWholeName(text, kOldAddInMark, kOldAddInEnds);
  if (!at) return false;
  // The path begins after its opening quotation mark, or after the blank that ends the
  // switches before an unquoted one ("/R").
  const char* start = text;
  bool quoted = false;
  for (const char* p = text; p < at; ++p) {
    if (*p == '"') quoted = !quoted;
    if (*p == '"' || (!quoted && IsBlank(*p))) start = p + 1;
  }
  const char* end = at;
  if (end > start && IsPathSeparator(end[-1])) --end;
  return dir.assign(start, static_cast<std::size_t>(end - start));
}

bool IsUsableStartupPath(const char* value) {
  if (!IsAbsolutePath(value)) return false;
  std::size_t n = std::strlen(value);
  while (n > 0 && IsPathSeparator(value[n - 1])) --n;
  return n > 0 && value[n - 1] != '.' && !IsBlank(value[n - 1]);
}

bool IsAbsolutePath(const char* path) {
  if (!path) return false;
  if (IsAsciiLetter(path[0]) && path[1] == ':' && IsPathSeparator(path[2])) return true;
  if (!IsPathSeparator(path[0]) || !IsPathSeparator(path[1])) return false;
  const char* server = path + 2;
  const char* share = server;
  while (*share && !IsPathSeparator(*share)) ++share;
  return share > server && *share && share[1] && !IsPathSeparator(share[1]);
}

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

}  // namespace qnd
