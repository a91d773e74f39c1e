// The checker's view of this machine's registry, and what the platform says of a key path
// before the library uses it. Everything here only opens and reads: nothing is created, written
// or deleted.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "check/registry_model.h"
#include "frame/handles.h"

namespace qnd {

// The registry as the model reads it: each key opened as the key itself (a registry link as
// the link), level by level from the keys opened last, so that a walk down a tree opens each
// key once and a path of any length can be read.
class MachineRegistry : public RegistryView {
 public:
  explicit MachineRegistry(const NameFold& fold);

  [[nodiscard]] KeyInfo ReadKey(std::uint32_t root, const std::string& path) override;
  [[nodiscard]] bool ValueExists(std::uint32_t root, const std::string& path,
                                 const std::string& name) override;
  void ListKey(std::uint32_t root, const std::string& path, std::vector<std::string>& keys,
               std::vector<std::string>& values) override;

 private:
  [[nodiscard]] HKEY Open(std::uint32_t root, const std::string& path);
  void ReadLink(HKEY key, KeyInfo& info) const;

  RootNames roots_;
  std::uint32_t open_root_ = 0;
  std::vector<std::string> open_names_;  // the levels open now
  std::vector<UniqueKey> open_keys_;     // one per level
};

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
