// The checker's view of this machine's registry, and what the platform says of a key path
// before the library uses it. Everything here only opens and reads: nothing is created, written
// or deleted.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "check/registry_model.h"
#include "frame/handles.h"

namespace qnd {

// The registry as the model reads it: each key opened as the key itself (a registry link as
// the link), level by level from the keys opened last, so that a walk down a tree opens each
// key once and a path of any length can be read. A key is a link when the platform says so:
// opened as every call opens it, it reaches another key, or none. The roots that name a key of
// another root (HKEY_CLASSES_ROOT, HKEY_CURRENT_USER) are found by the names the platform
// gives them.
class MachineRegistry : public RegistryView {
 public:
  explicit MachineRegistry(const NameFold& fold);

  [[nodiscard]] KeyInfo ReadKey(std::uint32_t root, const std::string& path) override;
  [[nodiscard]] bool ValueExists(std::uint32_t root, const std::string& path,
                                 const std::string& name) override;
  void ListKey(std::uint32_t root, const std::string& path, std::vector<std::string>& keys,
               std::vector<std::string>& values) override;
  [[nodiscard]] bool AliasOf(std::uint32_t root, std::uint32_t* base, std::string* prefix) override;

 private:
  struct Alias {
    std::uint32_t base = 0;
    std::string prefix;
  };
  [[nodiscard]] HKEY Open(std::uint32_t root, const std::string& path);
  void ReadKind(HKEY parent, const std::string& level, HKEY key, KeyInfo& info);

  RootNames roots_;
  std::map<std::uint32_t, Alias> aliases_;
  std::uint32_t open_root_ = 0;
  std::vector<std::string> open_names_;  // the levels open now
  std::vector<UniqueKey> open_keys_;     // one per level
};

// Value `name` of open key `key` as the checker shows every value: its type and its data, such
// as "REG_SZ "C:\\Quindo\\QND_OF7.XLA"" or "REG_DWORD 0x00000005"; other types as their name
// or number and their bytes in hexadecimal. "" when it cannot be read.
[[nodiscard]] std::string ShowValue(HKEY key, const char* name);

// The platform's answer to opening key path `sub_key` below `root` as RegOpenKeyA opens it
// (links followed): ERROR_SUCCESS or ERROR_FILE_NOT_FOUND when it takes the path, else its
// refusal.
[[nodiscard]] long OpenStatus(std::uint32_t root, const std::string& sub_key);

// What RegCreateKeyA would say of key path `sub_key` below `root`, asked without creating
// anything: the path is opened as it stands, then only the text before its first level is
// handed to the create call, which names the root itself and so can create nothing. 0 when
// the registry takes the path (a missing key would be created), else its refusal.
[[nodiscard]] long CreateStatus(std::uint32_t root, const std::string& sub_key);

}  // namespace qnd
