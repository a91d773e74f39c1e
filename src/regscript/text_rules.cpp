#include "regscript/text_rules.h"

#include <cstring>

#include "frame/ascii.h"
#include "frame/path_join.h"

namespace qnd {
namespace {

struct RootName {
  const char* name;
  std::uint32_t handle;
};

// Matched as prefixes, first match wins. None of these names begins another, so the order
// decides nothing today; it stays the platform's numbering order all the same.
constexpr RootName kRoots[] = {
    {"HKEY_CLASSES_ROOT", 0x80000000u},     {"HKEY_CURRENT_USER", 0x80000001u},
    {"HKEY_LOCAL_MACHINE", 0x80000002u},    {"HKEY_USERS", 0x80000003u},
    {"HKEY_PERFORMANCE_DATA", 0x80000004u}, {"HKEY_CURRENT_CONFIG", 0x80000005u},
    {"HKEY_DYN_DATA", 0x80000006u},
};

[[nodiscard]] bool StartsWithNoCase(const char* text, const char* prefix) {
  for (; *prefix; ++text, ++prefix) {
    if (AsciiUpper(*text) != *prefix) return false;  // also stops at the end of `text`
  }
  return true;
}

// Notes in `*reads`, when given, that a "$0" or "$4" macro (`code`) read `context`'s directory.
void NoteRead(const PathContext* context, char code, ContextReads* reads) {
  if (context && reads) (code == '0' ? reads->dir0 : reads->dir4) = true;
}

// The directory of the macro whose text starts at `p` (just after its "$"), ending in a
// backslash, appended to `out`; `p` is moved past the macro. TextFault::None on success.
[[nodiscard]] TextFault ExpandOneMacro(const char*& p, TextStr& out, const PathContext* context,
                                       const MacroLookups& lookups, ContextReads* reads) {
  const bool short_form = *p == '*';
  if (short_form) ++p;
  if (*p == '\0') return TextFault::MacroAtEnd;
  const char code = *p++;

  PathStr dir;
  if (code == '0' || code == '4') {
    const char* given = !context ? nullptr : code == '0' ? context->dir0 : context->dir4;
    NoteRead(context, code, reads);
    if (!given) return TextFault::NoDirectory;
    if (!dir.assign(given)) return TextFault::DirectoryTooLong;
  } else if (!lookups.folder(code, dir)) {
    return TextFault::FolderUnresolved;
  }
  if (!EndWithBackslash(dir)) return TextFault::DirectoryTooLong;
  if (!short_form) {
    return out.append(dir.c_str(), dir.size()) ? TextFault::None : TextFault::TooLong;
  }

  PathStr short_dir;
  if (!lookups.short_path(dir.c_str(), short_dir) || !EndWithBackslash(short_dir)) {
    return TextFault::NoShortForm;
  }
  return out.append(short_dir.c_str(), short_dir.size()) ? TextFault::None : TextFault::TooLong;
}

}  // namespace

bool StripQuotes(const char* text, TextStr& out) {
  std::size_t begin = 0, end = std::strlen(text);
  if (end > 0 && text[0] == '"') begin = 1;
  if (end > begin && text[end - 1] == '"') --end;
  return out.assign(text + begin, end - begin);
}

bool ParseRootKey(const char* name, std::uint32_t* root, const char** sub) {
  for (const RootName& r : kRoots) {
    if (!StartsWithNoCase(name, r.name)) continue;
    const char* slash = std::strchr(name, '\\');
    *root = r.handle;
    *sub = slash ? slash + 1 : name + std::strlen(name);
    return true;
  }
  return false;
}

const char* RootKeyName(std::uint32_t root) {
  for (const RootName& r : kRoots) {
    if (r.handle == root) return r.name;
  }
  return nullptr;
}

bool ExpandMacros(const char* text, TextStr& out, const PathContext* context,
                  const MacroLookups& lookups, ExpandFault* fault, ContextReads* reads) {
  out.clear();
  bool after_backslash = false;  // the last character written was a copied backslash
  for (const char* p = text; *p;) {
    const char* at = p;
    const char c = *p++;
    TextFault failed = TextFault::None;
    if (c == '$') {
      failed = ExpandOneMacro(p, out, context, lookups, reads);
      after_backslash = false;
    } else if (c == '\\' && after_backslash) {
      after_backslash = false;  // the second of a pair is dropped
    } else {
      if (!out.push_back(c == '`' ? '"' : c)) failed = TextFault::TooLong;
      after_backslash = c == '\\';
    }
    if (failed == TextFault::None) continue;
    if (fault) {
      fault->fault = failed;
      fault->at = static_cast<std::size_t>(at - text);
      fault->code = c == '$' && failed != TextFault::MacroAtEnd ? p[-1] : '\0';
      fault->short_form = c == '$' && at[1] == '*';
    }
    return false;
  }
  return true;
}

std::size_t EmptyLevelAt(const char* path) {
  const char* pair = std::strstr(path, "\\\\");
  return pair ? static_cast<std::size_t>(pair - path) : std::strlen(path);
}

std::uint32_t ParseDword(const char* text) {
  const char* p = text;
  while (IsSpace(*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && HexDigitValue(p[2]) >= 0) p += 2;
  std::uint64_t value = 0;
  for (int d; (d = HexDigitValue(*p)) >= 0; ++p) {
    value = value * 16 + static_cast<unsigned>(d);
    if (value > 0xFFFFFFFFu) return 0xFFFFFFFFu;  // saturates whatever the sign
  }
  const std::uint32_t v = static_cast<std::uint32_t>(value);
  return negative ? 0u - v : v;
}

void ConvertData(const char* data, ConvertedData& out) {
  if (std::strstr(data, "dword:")) {
    out.type = kRegDword;
    out.number = ParseDword(std::strchr(data, ':') + 1);  // the first colon of the data
    out.size = sizeof out.number;
    out.text = nullptr;
  } else {
    out.type = kRegSz;
    out.text = data;
    out.size = static_cast<std::uint32_t>(std::strlen(data) + 1);
  }
}

}  // namespace qnd
