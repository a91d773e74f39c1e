// A model of the registry for the checker's coverage: what an install by a registry script,
// followed by the removal of its "UNINSTALL" list, leaves behind, and what that removal takes
// away that the script never wrote. It follows the library's own rules: a value's key is created
// with every missing level; a key-tree removal deletes the last level of its path with
// everything below it; a value removal deletes one value. The model starts from the machine's
// registry, which it only reads, as it is before the install.
// Portable: no platform headers.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace qnd {

// Letter case of registry names: two names are the same when their bytes map to the same
// upper-case bytes. Ascii() folds only "a" to "z"; the checker fills it from the platform's
// own case mapping of the ANSI code page.
struct NameFold {
  unsigned char upper[256];
  static NameFold Ascii();
  std::string Fold(const std::string& name) const;
};

// The machine's registry as it is before the install. Only read.
class RegistryView {
 public:
  virtual ~RegistryView() = default;
  virtual bool KeyExists(std::uint32_t root, const std::string& path) = 0;
  virtual bool ValueExists(std::uint32_t root, const std::string& path,
                           const std::string& name) = 0;
  // The names of the sub-keys and of the values of an existing key.
  virtual void ListKey(std::uint32_t root, const std::string& path, std::vector<std::string>& keys,
                       std::vector<std::string>& values) = 0;
};

// A key or a value, named for people: the root name and the sub-key path, such as
// "HKEY_CURRENT_USER\Software\X", and for a value its name ("" for the default value).
struct ModelItem {
  std::string key;
  bool is_value = false;
  std::string value;
  int line = 0;  // the script line that created the key or wrote the value (0: none)
};

// What one removal entry does in the model.
struct RemovalEffect {
  bool found = false;              // the key (or value) was there to remove
  bool too_deep = false;           // a tree deeper than 512 levels: the removal fails, nothing goes
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
  // creating the key and every missing level above it; `line` is the entry's line.
  void WriteValue(std::uint32_t root, const std::string& sub_key, const std::string& name,
                  int line);
  // The removal deletes value `name` of the key, if both are there.
  RemovalEffect RemoveValue(std::uint32_t root, const std::string& sub_key,
                            const std::string& name);
  // The removal deletes the key with everything below it, if it is there.
  RemovalEffect RemoveTree(std::uint32_t root, const std::string& sub_key);

  // Everything the install wrote or created that is still there, in key order.
  std::vector<Leftover> LeftBehind() const;

 private:
  struct Value;
  struct Node;
  Node* Root(std::uint32_t root);
  Node* Find(std::uint32_t root, const std::string& sub_key, bool create, int line);
  Node* Child(Node* parent, const std::string& name);
  Value& ValueOf(Node* key, const std::string& name);
  bool Load(Node* node, int depth);
  void Remove(Node* node, std::vector<ModelItem>& foreign);
  void Collect(const Node* node, std::vector<Leftover>& out) const;
  void CollectInside(const Node* node, std::vector<ModelItem>& out) const;
  static bool RemovedBelow(const Node* node);

  RegistryView& machine_;
  NameFold fold_;
  std::map<std::uint32_t, std::unique_ptr<Node>> roots_;
};

}  // namespace qnd
