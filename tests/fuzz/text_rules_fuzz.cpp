// libFuzzer target over the text rules of registry scripts. The input is split at NUL bytes
// into up to four texts: a section name, an entry name, data, and a "$0" directory; the whole
// input is also taken as a profile name list. Every rule must stay inside its buffers,
// terminate its output, and keep its stated limits.
#include <cstdint>
#include <cstring>
#include <string>

#include "frame/profile_names.h"
#include "regscript/script_entry.h"
#include "regscript/text_rules.h"

namespace {

using namespace qnd;

// Folder codes give directories of lengths chosen by the code, up to past the limit.
bool FuzzFolder(char code, PathStr& dir) {
  const unsigned char c = static_cast<unsigned char>(code);
  if (c % 7 == 0) return false;
  const std::string d = "C:\\" + std::string(c, 'f');
  return dir.assign(d.c_str());
}

bool FuzzShortPath(const char* path, PathStr& out) {
  const size_t n = std::strlen(path);
  if (n % 3 == 0) return false;
  return out.assign(path, n / 2);
}

const MacroLookups kLookups = {FuzzFolder, FuzzShortPath};

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

template <std::size_t N>
void CheckTerminated(const FixedStr<N>& s) {
  Check(s.size() <= N - 1 && std::strlen(s.c_str()) == s.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  std::string parts[4];
  size_t k = 0;
  for (size_t i = 0; i < size; ++i) {
    if (bytes[i] == 0) {
      if (++k == 4) break;
    } else {
      parts[k] += static_cast<char>(bytes[i]);
    }
  }
  const PathContext context = {parts[3].c_str(), size % 2 ? nullptr : parts[3].c_str()};

  TextStr out;
  if (StripQuotes(parts[2].c_str(), out)) {
    CheckTerminated(out);
    Check(out.size() + 2 >= parts[2].size());
  }
  std::uint32_t root = 0;
  const char* sub = nullptr;
  if (ParseRootKey(parts[0].c_str(), &root, &sub)) {
    Check(root >= 0x80000000u && root <= 0x80000006u);
    Check(sub >= parts[0].c_str() && sub <= parts[0].c_str() + parts[0].size());
  }
  if (ExpandMacros(parts[2].c_str(), out, &context, kLookups)) CheckTerminated(out);

  ConvertedData converted;
  ConvertData(parts[2].c_str(), converted);
  Check(converted.type == kRegDword ? converted.size == 4 : converted.size == parts[2].size() + 1);

  EntryPlan plan;
  if (PlanEntry(parts[0].c_str(), parts[1].c_str(), parts[2].c_str(), &context, kLookups, plan) ==
      PlanResult::Write) {
    CheckTerminated(plan.sub_key);
    Check(std::strstr(plan.sub_key.c_str(), "\\\\") == nullptr);  // no empty level is written
    CheckTerminated(plan.value_name);
    CheckTerminated(plan.data);
    Check(plan.converted.type == kRegSz || plan.converted.type == kRegDword);
  }

  // The raw input as a name list read into a buffer of its own size: what is kept fits the
  // capacity with the list's terminator and ends just after a name's terminator.
  if (size > 0) {
    const std::size_t capacity = bytes[0] % 64;
    const std::size_t whole =
        WholeNamesLength(reinterpret_cast<const char*>(bytes), size, capacity);
    Check(whole <= size && (whole == 0 || whole < capacity));
    Check(whole == 0 || whole == size || bytes[whole - 1] == 0);
  }
  return 0;
}
