// The checker's model of the registry (registry_model.h).
#include "check/registry_model.h"

#include "regscript/text_rules.h"

namespace qnd {
namespace {

// The deepest key tree the removal deletes, the named key counting as one level (undo.cpp).
constexpr int kMaxTreeDepth = 512;

// The levels of a sub-key path; the registry ignores empty ones (doubled backslashes).
std::vector<std::string> SplitLevels(const std::string& path) {
  std::vector<std::string> levels;
  std::size_t begin = 0;
  while (begin <= path.size()) {
    std::size_t end = path.find('\\', begin);
    if (end == std::string::npos) end = path.size();
    if (end > begin) levels.push_back(path.substr(begin, end - begin));
    begin = end + 1;
  }
  return levels;
}

}  // namespace

NameFold NameFold::Ascii() {
  NameFold fold;
  for (int c = 0; c < 256; ++c) {
    fold.upper[c] = static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  }
  return fold;
}

std::string NameFold::Fold(const std::string& name) const {
  std::string folded(name);
  for (char& c : folded) c = static_cast<char>(upper[static_cast<unsigned char>(c)]);
  return folded;
}

struct RegistryModel::Value {
  std::string name;
  bool existed = false;  // on the machine before the install
  bool written = false;  // by the install
  bool gone = false;     // deleted by the removal
  int line = 0;
  bool Present() const { return !gone && (existed || written); }
};

struct RegistryModel::Node {
  std::uint32_t root = 0;
  std::string path;      // below the root, as first met
  bool existed = false;  // on the machine before the install
  bool created = false;  // by the install
  bool gone = false;     // deleted by the removal
  bool listed = false;   // every sub-key and value the machine has is loaded
  int line = 0;
  std::map<std::string, Value> values;                // by folded name
  std::map<std::string, std::unique_ptr<Node>> keys;  // by folded name

  bool Present() const { return !gone && (existed || created); }
  std::string Name() const {
    const char* root_name = RootKeyName(root);
    std::string name = root_name ? root_name : "?";
    return path.empty() ? name : name + "\\" + path;
  }
  ModelItem KeyItem() const { return {Name(), false, std::string(), line}; }
  ModelItem ValueItem(const Value& v) const { return {Name(), true, v.name, v.line}; }
};

RegistryModel::RegistryModel(RegistryView& machine, const NameFold& fold)
    : machine_(machine), fold_(fold) {}

RegistryModel::~RegistryModel() = default;

// A predefined root is always there.
RegistryModel::Node* RegistryModel::Root(std::uint32_t root) {
  std::unique_ptr<Node>& node = roots_[root];
  if (!node) {
    node.reset(new Node);
    node->root = root;
    node->existed = true;
  }
  return node.get();
}

// The sub-key `name` of `parent`; the machine is asked only while the parent's own key is there
// and not yet listed whole.
RegistryModel::Node* RegistryModel::Child(Node* parent, const std::string& name) {
  std::unique_ptr<Node>& child = parent->keys[fold_.Fold(name)];
  if (!child) {
    child.reset(new Node);
    child->root = parent->root;
    child->path = parent->path.empty() ? name : parent->path + "\\" + name;
    child->existed =
        parent->existed && !parent->listed && machine_.KeyExists(child->root, child->path);
  }
  return child.get();
}

// The key, or null when it is not there. With `create`, every missing level is created first.
RegistryModel::Node* RegistryModel::Find(std::uint32_t root, const std::string& sub_key,
                                         bool create, int line) {
  Node* node = Root(root);
  for (const std::string& level : SplitLevels(sub_key)) {
    node = Child(node, level);
    if (node->Present()) continue;
    if (!create) return nullptr;
    node->created = true;
    node->gone = false;
    node->line = line;
  }
  return node;
}

// Value `name` of `key`; the machine is asked only while the key is there and not yet listed.
RegistryModel::Value& RegistryModel::ValueOf(Node* key, const std::string& name) {
  auto found = key->values.emplace(fold_.Fold(name), Value());
  Value& value = found.first->second;
  if (found.second) {
    value.name = name;
    value.existed =
        key->existed && !key->listed && machine_.ValueExists(key->root, key->path, name);
  }
  return value;
}

void RegistryModel::WriteValue(std::uint32_t root, const std::string& sub_key,
                               const std::string& name, int line) {
  Value& value = ValueOf(Find(root, sub_key, true, line), name);
  value.written = true;
  value.gone = false;
  value.line = line;
}

RemovalEffect RegistryModel::RemoveValue(std::uint32_t root, const std::string& sub_key,
                                         const std::string& name) {
  RemovalEffect effect;
  Node* key = Find(root, sub_key, false, 0);
  if (!key) return effect;
  Value& value = ValueOf(key, name);
  if (!value.Present()) return effect;
  effect.found = true;
  if (!value.written) effect.foreign.push_back(key->ValueItem(value));
  value.gone = true;
  return effect;
}

RemovalEffect RegistryModel::RemoveTree(std::uint32_t root, const std::string& sub_key) {
  RemovalEffect effect;
  Node* key = Find(root, sub_key, false, 0);
  if (!key) return effect;
  effect.found = true;
  if (!Load(key, 1)) {
    effect.too_deep = true;
    return effect;
  }
  Remove(key, effect.foreign);
  return effect;
}

// Loads everything the machine has below `node`, which stands `depth` levels deep in the tree
// being removed. False when the tree is deeper than the removal goes.
bool RegistryModel::Load(Node* node, int depth) {
  if (depth > kMaxTreeDepth) return false;
  if (node->existed && !node->listed) {
    std::vector<std::string> keys, values;
    machine_.ListKey(node->root, node->path, keys, values);
    for (const std::string& name : keys) Child(node, name);
    for (const std::string& name : values) {
      Value& value = node->values[fold_.Fold(name)];
      if (value.name.empty()) value.name = name;
      value.existed = true;
    }
    node->listed = true;
  }
  for (auto& child : node->keys) {
    if (child.second->Present() && !Load(child.second.get(), depth + 1)) return false;
  }
  return true;
}

// Deletes `node` with everything below it; what was there before the install and was never
// written goes into `foreign`.
void RegistryModel::Remove(Node* node, std::vector<ModelItem>& foreign) {
  if (!node->Present()) return;
  if (node->existed) foreign.push_back(node->KeyItem());
  for (auto& entry : node->values) {
    Value& value = entry.second;
    if (value.Present() && !value.written) foreign.push_back(node->ValueItem(value));
    value.gone = true;
  }
  for (auto& child : node->keys) Remove(child.second.get(), foreign);
  node->gone = true;
}

// Walks every root that the model met.
std::vector<Leftover> RegistryModel::LeftBehind() const {
  std::vector<Leftover> out;
  for (const auto& root : roots_) Collect(root.second.get(), out);
  return out;
}

// Below a key that was there before: each written value left, and each topmost created key.
void RegistryModel::Collect(const Node* node, std::vector<Leftover>& out) const {
  for (const auto& entry : node->values) {
    const Value& value = entry.second;
    if (value.written && !value.gone) out.push_back({node->ValueItem(value), {}});
  }
  for (const auto& entry : node->keys) {
    const Node* child = entry.second.get();
    if (!child->Present()) continue;
    if (child->existed) {
      Collect(child, out);
      continue;
    }
    Leftover left{child->KeyItem(), {}};
    CollectInside(child, left.inside);
    left.emptied = left.inside.empty() && RemovedBelow(child);
    out.push_back(left);
  }
}

// Every value and key left below a key the install created.
void RegistryModel::CollectInside(const Node* node, std::vector<ModelItem>& out) const {
  for (const auto& entry : node->values) {
    if (entry.second.Present()) out.push_back(node->ValueItem(entry.second));
  }
  for (const auto& entry : node->keys) {
    const Node* child = entry.second.get();
    if (!child->Present()) continue;
    out.push_back(child->KeyItem());
    CollectInside(child, out);
  }
}

// Whether the removal deleted a key below `node`.
bool RegistryModel::RemovedBelow(const Node* node) {
  for (const auto& entry : node->keys) {
    if (entry.second->gone || RemovedBelow(entry.second.get())) return true;
  }
  return false;
}

}  // namespace qnd
