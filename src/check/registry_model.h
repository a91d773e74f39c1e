// A model of the registry for the checker's explain and coverage: where an install by a registry
// script writes, what the removal of its "UNINSTALL" list then leaves behind, and what that
// removal takes away that the script never wrote. It follows the library's own rules: a value's
// key is created with every missing level; a key-tree removal deletes the last level of its
// path with everything below it; a value removal deletes one value. Registry links are kept as
// the platform keeps them: a write, a value removal and every level but the last of a key-tree
// removal go through a link to its target; a key-tree removal deletes a link as the link, and
// its target stays. The model starts from the machine's registry, which it only reads, as it
// is before the install, and reads each key of it at most once.
// Portable: no platform headers.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "frame/name_fold.h"

namespace qnd {

// A key of the machine, as opening it (a link as the link) shows it.
struct KeyInfo {
  enum class Kind { Missing, Key, Link };
  Kind kind = Kind::Missing;
  // For a link: where it leads, as a root and a sub-key path; false when its target lies below
  // no root the model knows (the link then leads nowhere the model can follow).
  bool target_known = false;
  std::uint32_t target_root = 0;
  std::string target_path;
  std::string target_text;  // the target as the link holds it
};

// The machine's registry as it is before the install. Only read. Paths are sub-key paths below
// a root: levels joined by single backslashes, no empty levels, no link on the way.
class RegistryView {
 public:
  virtual ~RegistryView() = default;
  [[nodiscard]] virtual KeyInfo ReadKey(std::uint32_t root, const std::string& path) = 0;
  // Of a key that is no link.
  [[nodiscard]] virtual bool ValueExists(std::uint32_t root, const std::string& path,
                                         const std::string& name) = 0;
  // The names of the sub-keys and of the values of a key that is no link.
  virtual void ListKey(std::uint32_t root, const std::string& path, std::vector<std::string>& keys,
                       std::vector<std::string>& values) = 0;
  // For a root that names a key of another root (HKEY_CLASSES_ROOT is a key below
  // HKEY_LOCAL_MACHINE): that root and the key's path below it. False for a root of its own.
  [[nodiscard]] virtual bool AliasOf(std::uint32_t root, std::uint32_t* base, std::string* prefix) {
    (void)root, (void)base, (void)prefix;
    return false;
  }
};

// Maps a name in the registry's own space, such as a registry link's target
// "\REGISTRY\Machine\Software\X", back to a root and a sub-key path: to the root whose own
// name is the shortest that begins the name at the edge of a level, the tree that holds it (not
// a root that names a key inside it).
class RootNames {
 public:
  explicit RootNames(const NameFold& fold) : fold_(fold) {}
  void Add(std::uint32_t root, const std::string& name);
  // False when no root's name begins `target`.
  [[nodiscard]] bool Map(const std::string& target, std::uint32_t* root, std::string* path) const;

 private:
  NameFold fold_;
  std::vector<std::pair<std::uint32_t, std::string>> roots_;  // folded names
};

// A key or a value, named for people: the root name and the sub-key path, such as
// "HKEY_CURRENT_USER\Software\X", and for a value its name ("" for the default value).
struct ModelItem {
  std::string key;
  bool is_value = false;
  std::string value;
  int line = 0;      // the script line that created the key or wrote the value (0: none)
  std::string link;  // a registry link: where it leads, for people ("" for a plain key)
};

// Where the key path of an entry leads.
struct KeyRoute {
  bool reached = false;            // false: not there, or `dead_link` leads nowhere
  std::string key;                 // the key reached: where a value lands, what a removal hits
  std::string alias;               // "HKEY_CLASSES_ROOT is HKEY_LOCAL_MACHINE\Software\Classes"
                                   // when the entry's root names a key of another root
  std::vector<std::string> links;  // the links gone through on the way, in order
  std::string dead_link;           // a link on the way that leads to no key ("" none)
};

// What one removal entry does in the model.
struct RemovalEffect {
  KeyRoute route;
  bool found = false;              // the key (or value) was there to remove
  bool too_deep = false;           // a tree deeper than the removal goes: it fails, nothing goes
  std::vector<ModelItem> foreign;  // removed, though there before the install and never written
};

// What the install leaves behind after the removal: a value written into a key that was there
// before, or the topmost key that the install created, with every key and value left below it.
// `emptied`: a created key left with nothing in it, whose keys below the removal deleted (a
// vendor's key above a product's: only the setup can delete it, and only when it is empty).
struct Leftover {
  ModelItem item;
  std::vector<ModelItem> inside;
  bool emptied = false;
};

class RegistryModel {
 public:
  RegistryModel(RegistryView& machine, const NameFold& fold);
  ~RegistryModel();
  RegistryModel(const RegistryModel&) = delete;
  RegistryModel& operator=(const RegistryModel&) = delete;

  // The install writes value `name` ("" for the default value) of key `sub_key` below `root`,
  // creating the key and every missing level above it; `line` is the entry's line. Not
  // reached: a link on the way leads nowhere, the registry refuses the key and nothing changes.
  [[nodiscard]] KeyRoute WriteValue(std::uint32_t root, const std::string& sub_key,
                                    const std::string& name, int line);
  // The removal deletes value `name` of the key, if both are there.
  [[nodiscard]] RemovalEffect RemoveValue(std::uint32_t root, const std::string& sub_key,
                                          const std::string& name);
  // The removal deletes the key with everything below it, if it is there.
  [[nodiscard]] RemovalEffect RemoveTree(std::uint32_t root, const std::string& sub_key);

  // Everything the install wrote or created that is still there, in key order.
  [[nodiscard]] std::vector<Leftover> LeftBehind() const;

 private:
  struct Value;
  struct Node;
  [[nodiscard]] Node* Root(std::uint32_t root);
  [[nodiscard]] Node* Walk(Node* node, const std::vector<std::string>& levels, bool follow_last,
                           bool create, int line, KeyRoute& route, int& hops);
  [[nodiscard]] Node* Follow(Node* link, bool create, int line, KeyRoute& route, int& hops);
  [[nodiscard]] Node* Reach(std::uint32_t root, const std::string& sub_key, bool follow_last,
                            bool create, int line, KeyRoute& route);
  [[nodiscard]] Node* Child(Node* parent, const std::string& name);
  Value& ValueOf(Node* key, const std::string& name);
  [[nodiscard]] bool Load(Node* node, int depth);
  void Remove(Node* node, std::vector<ModelItem>& foreign);
  void Collect(const Node* node, std::vector<Leftover>& out) const;
  void CollectInside(const Node* node, std::vector<ModelItem>& out) const;
  [[nodiscard]] static bool RemovedBelow(const Node* node);

  RegistryView& machine_;
  NameFold fold_;
  std::map<std::uint32_t, std::unique_ptr<Node>> roots_;
};

}  // namespace qnd
