// The checker's view of this machine's registry (machine_registry.h).
#include "check/machine_registry.h"

#include <algorithm>
#include <cstring>

#include "check/report.h"
#include "regscript/text_rules.h"

namespace qnd {
namespace {

constexpr std::uint32_t kFirstRoot = 0x80000000u;  // HKEY_CLASSES_ROOT
constexpr std::uint32_t kLastRoot = 0x80000006u;   // HKEY_DYN_DATA
constexpr wchar_t kLinkValue[] = L"SymbolicLinkValue";
constexpr int kKeyNameInformation = 3;  // NtQueryKey: the key's full name
typedef LONG(WINAPI* NtQueryKeyFn)(HANDLE, int, void*, ULONG, ULONG*);

// UTF-16 text in the ANSI code page; false when a character has no form there.
[[nodiscard]] bool ToAnsi(const wchar_t* text, int chars, std::string& out) {
  out.clear();
  if (chars == 0) return true;
  BOOL lossy = FALSE;
  const int n =
      WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, chars, nullptr, 0, nullptr, &lossy);
  if (n <= 0 || lossy) return false;
  out.assign(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, chars, out.data(), n, nullptr, nullptr);
  return true;
}

// The full name of `key` in the registry's own space ("\REGISTRY\Machine\Software"), as the
// platform reports it; false when it cannot.
[[nodiscard]] bool FullName(HKEY key, std::wstring& name) {
  static const NtQueryKeyFn query = reinterpret_cast<NtQueryKeyFn>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryKey")));
  ULONG buffer[1024];  // the length in bytes, then the name
  ULONG size = 0;
  if (!query || query(key, kKeyNameInformation, buffer, sizeof buffer, &size) != 0) return false;
  name.assign(reinterpret_cast<wchar_t*>(buffer + 1), buffer[0] / sizeof(wchar_t));
  return true;
}

// The registry's own name of `root` ("\REGISTRY\Machine"), asked of the platform: the full name
// of its first sub-key without the last level. False for a root without sub-keys.
[[nodiscard]] bool RootName(std::uint32_t root, std::string& name) {
  char first[256];
  UniqueKey key;
  std::wstring full;
  if (RegEnumKeyA(RootKey(root).get(), 0, first, sizeof first) != ERROR_SUCCESS ||
      RegOpenKeyExA(RootKey(root).get(), first, REG_OPTION_OPEN_LINK, KEY_READ, key.put()) !=
          ERROR_SUCCESS ||
      !FullName(key.get(), full) || !ToAnsi(full.c_str(), static_cast<int>(full.size()), name)) {
    return false;
  }
  const std::size_t cut = name.find_last_of('\\');
  if (cut == std::string::npos) return false;
  name.resize(cut);
  return true;
}

}  // namespace

MachineRegistry::MachineRegistry(const NameFold& fold) : roots_(fold) {
  for (std::uint32_t root = kFirstRoot; root <= kLastRoot; ++root) {
    std::string name;
    if (RootName(root, name)) roots_.Add(root, name);
  }
  // A root whose own name lies below another's is that one's key under another name.
  for (std::uint32_t root = kFirstRoot; root <= kLastRoot; ++root) {
    std::string name;
    Alias alias;
    if (RootName(root, name) && roots_.Map(name, &alias.base, &alias.prefix) &&
        alias.base != root) {
      aliases_[root] = alias;
    }
  }
}

bool MachineRegistry::AliasOf(std::uint32_t root, std::uint32_t* base, std::string* prefix) {
  const auto found = aliases_.find(root);
  if (found == aliases_.end()) return false;
  *base = found->second.base;
  *prefix = found->second.prefix;
  return true;
}

// Reuses the keys open from the last call as far as the paths agree.
HKEY MachineRegistry::Open(std::uint32_t root, const std::string& path) {
  if (root != open_root_) {
    open_keys_.clear();
    open_names_.clear();
    open_root_ = root;
  }
  std::vector<std::string> levels;
  for (std::size_t begin = 0; begin < path.size();) {
    const std::size_t end = std::min(path.find('\\', begin), path.size());
    levels.push_back(path.substr(begin, end - begin));
    begin = end + 1;
  }
  std::size_t keep = 0;
  while (keep < open_names_.size() && keep < levels.size() && open_names_[keep] == levels[keep]) {
    ++keep;
  }
  open_names_.resize(keep);
  open_keys_.resize(keep);
  for (std::size_t i = keep; i < levels.size(); ++i) {
    const HKEY parent = i ? open_keys_.back().get() : RootKey(root).get();
    UniqueKey key;
    if (RegOpenKeyExA(parent, levels[i].c_str(), REG_OPTION_OPEN_LINK, KEY_READ, key.put()) !=
        ERROR_SUCCESS) {
      return nullptr;
    }
    open_keys_.push_back(std::move(key));
    open_names_.push_back(levels[i]);
  }
  return levels.empty() ? RootKey(root).get() : open_keys_.back().get();
}

// What the platform makes of the key opened last, `key` (the key itself, a link as the link),
// whose parent is `parent`: a link when opening it as every call opens it reaches another key,
// or none at all. Only then is its target value read, as the one the platform follows.
void MachineRegistry::ReadKind(HKEY parent, const std::string& level, HKEY key, KeyInfo& info) {
  UniqueKey followed;
  std::wstring itself, reached;
  const bool opens =
      RegOpenKeyExA(parent, level.c_str(), 0, KEY_READ, followed.put()) == ERROR_SUCCESS;
  if (opens && FullName(key, itself) && FullName(followed.get(), reached) && itself == reached) {
    return;  // a key of its own, whatever values it holds
  }
  info.kind = KeyInfo::Kind::Link;
  wchar_t target[2048];
  DWORD type = 0, size = sizeof target;
  if (RegQueryValueExW(key, kLinkValue, nullptr, &type, reinterpret_cast<BYTE*>(target), &size) !=
          ERROR_SUCCESS ||
      type != REG_LINK) {  // a link's target: UTF-16 without terminator
    info.target_text = "(no target)";
    return;  // it leads nowhere the model can follow, as the platform found
  }
  const int chars = static_cast<int>(size / sizeof(wchar_t));
  if (!ToAnsi(target, chars, info.target_text)) info.target_text = "(a name outside the code page)";
  info.target_known = roots_.Map(info.target_text, &info.target_root, &info.target_path);
}

KeyInfo MachineRegistry::ReadKey(std::uint32_t root, const std::string& path) {
  KeyInfo info;
  const HKEY key = Open(root, path);
  if (!key) return info;
  info.kind = KeyInfo::Kind::Key;
  if (path.empty()) return info;
  const HKEY parent =
      open_keys_.size() > 1 ? open_keys_[open_keys_.size() - 2].get() : RootKey(root).get();
  ReadKind(parent, open_names_.back(), key, info);
  return info;
}

bool MachineRegistry::ValueExists(std::uint32_t root, const std::string& path,
                                  const std::string& name) {
  const HKEY key = Open(root, path);
  return key && RegQueryValueExA(key, name.c_str(), nullptr, nullptr, nullptr, nullptr) !=
                    ERROR_FILE_NOT_FOUND;
}

void MachineRegistry::ListKey(std::uint32_t root, const std::string& path,
                              std::vector<std::string>& keys, std::vector<std::string>& values) {
  const HKEY key = Open(root, path);
  if (!key) return;
  char name[16384];
  for (DWORD i = 0;; ++i) {
    DWORD n = sizeof name;
    if (RegEnumKeyExA(key, i, name, &n, nullptr, nullptr, nullptr, nullptr)) break;
    keys.push_back(name);
  }
  for (DWORD i = 0;; ++i) {
    DWORD n = sizeof name;
    if (RegEnumValueA(key, i, name, &n, nullptr, nullptr, nullptr, nullptr)) break;
    values.push_back(name);
  }
}

std::string ShowValue(HKEY key, const char* name) {
  // The types' names, by their numbers.
  static const char* const kTypes[] = {"REG_NONE",   "REG_SZ",      "REG_EXPAND_SZ",
                                       "REG_BINARY", "REG_DWORD",   "REG_DWORD_BIG_ENDIAN",
                                       "REG_LINK",   "REG_MULTI_SZ"};
  BYTE data[2048];
  DWORD type = 0, size = sizeof data;
  if (RegQueryValueExA(key, name, nullptr, &type, data, &size) != ERROR_SUCCESS) return "";
  const std::string type_name =
      type < sizeof kTypes / sizeof kTypes[0] ? kTypes[type] : Format("type %lu", type);
  if ((type == REG_SZ || type == REG_EXPAND_SZ) && size > 0 && data[size - 1] == '\0') {
    return type_name + " " + Quoted(std::string(reinterpret_cast<char*>(data), size - 1));
  }
  if (type == REG_DWORD && size == sizeof(DWORD)) {
    DWORD number = 0;
    std::memcpy(&number, data, sizeof number);
    return type_name + Format(" 0x%08lx", number);
  }
  std::string bytes = size ? type_name + " bytes" : type_name + " (no data)";
  for (DWORD i = 0; i < size; ++i) bytes += Format(" %02x", data[i]);
  return bytes;
}

long OpenStatus(std::uint32_t root, const std::string& sub_key) {
  UniqueKey key;
  return RegOpenKeyExA(RootKey(root).get(), sub_key.c_str(), 0, MAXIMUM_ALLOWED, key.put());
}

long CreateStatus(std::uint32_t root, const std::string& sub_key) {
  const long opened = OpenStatus(root, sub_key);
  if (opened != ERROR_SUCCESS && opened != ERROR_FILE_NOT_FOUND) return opened;
  // The separators before the first level: with them the path names no key below the root.
  const std::string lead = sub_key.substr(0, sub_key.find_first_not_of('\\'));
  LONG created = ERROR_SUCCESS;
  const UniqueKey key = CreateKeyBelow(RootKey(root), lead.c_str(), &created);
  return created;
}

}  // namespace qnd
