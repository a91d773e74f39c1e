// The checker's model of the registry (registry_model.h).
#include "check/registry_model.h"

#include "regscript/script_entry.h"

namespace qnd {
namespace {

// The most links the platform goes through in one key path: it refuses the path at the next
// one (seen as error 87), which also ends a loop of links.
constexpr int kMaxLinkHops = 32;

// The levels of a sub-key path; the registry ignores empty ones (doubled backslashes).
[[nodiscard]] std::vector<std::string> SplitLevels(const std::string& path) {
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

void RootNames::Add(std::uint32_t root, const std::string& name) {
  roots_.emplace_back(root, fold_.Fold(name));
}

bool RootNames::Map(const std::string& target, std::uint32_t* root, std::string* path) const {
  const std::string folded = fold_.Fold(target);
  std::size_t best = 0;
  bool found = false;
  for (const auto& r : roots_) {
    const std::size_t n = r.second.size();
    if ((found && n >= best) || folded.compare(0, n, r.second) != 0) continue;
    if (folded.size() > n && folded[n] != '\\') continue;  // "...\Users" is not "...\User"
    best = n;
    *root = r.first;
    found = true;
  }
  if (found) *path = target.size() > best ? target.substr(best + 1) : std::string();
  return found;
}

struct RegistryModel::Value {
  std::string name;
  bool existed = false;  // on the machine before the install
  bool written = false;  // by the install
  bool gone = false;     // deleted by the removal
  int line = 0;
  [[nodiscard]] bool Present() const { return !gone && (existed || written); }
};

struct RegistryModel::Node {
  std::uint32_t root = 0;
  std::string path;      // below the root, as first met
  bool existed = false;  // on the machine before the install
  bool created = false;  // by the install
  bool gone = false;     // deleted by the removal
  bool listed = false;   // every sub-key and value the machine has is loaded
  KeyInfo link;          // kind Link: the node is a registry link (never listed, never written)
  int line = 0;
  std::map<std::string, Value> values;                // by folded name
  std::map<std::string, std::unique_ptr<Node>> keys;  // by folded name

  [[nodiscard]] bool Present() const { return !gone && (existed || created); }
  [[nodiscard]] bool IsLink() const { return link.kind == KeyInfo::Kind::Link; }
  [[nodiscard]] std::string Name() const {
    const char* root_name = RootKeyName(root);
    std::string name = root_name ? root_name : "?";
    return path.empty() ? name : name + "\\" + path;
  }
  [[nodiscard]] ModelItem KeyItem() const {
    std::string to;
    if (IsLink()) {
      const char* target_root = RootKeyName(link.target_root);
      to =
          link.target_known && target_root
              ? std::string(target_root) + (link.target_path.empty() ? "" : "\\") + link.target_path
              : link.target_text;
    }
    return {Name(), false, std::string(), line, to};
  }
  [[nodiscard]] ModelItem ValueItem(const Value& v) const {
    return {Name(), true, v.name, v.line, {}};
  }
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
    if (parent->existed && !parent->listed) {
      child->link = machine_.ReadKey(child->root, child->path);
      child->existed = child->link.kind != KeyInfo::Kind::Missing;
    }
  }
  return child.get();
}

// Goes down `levels` from `node`. A link is gone through to its target, except a last level
// when not `follow_last`. With `create`, every missing level is created; without, a missing
// level gives null. A link that leads nowhere gives null with `route.dead_link` set.
RegistryModel::Node* RegistryModel::Walk(Node* node, const std::vector<std::string>& levels,
                                         bool follow_last, bool create, int line, KeyRoute& route,
                                         int& hops) {
  for (std::size_t i = 0; i < levels.size(); ++i) {
    Node* child = Child(node, levels[i]);
    if (!child->Present()) {
      if (!create) return nullptr;
      child->created = true;
      child->gone = false;
      child->line = line;
    } else if (child->IsLink() && (i + 1 < levels.size() || follow_last)) {
      child = Follow(child, create, line, route, hops);
      if (!child) return nullptr;
    }
    node = child;
  }
  return node;
}

// The key that `link` leads to, links on its way gone through; null when there is none. The
// key that holds the target must be there; the target itself, when missing, is created by a
// write (`create`), as the platform creates it.
RegistryModel::Node* RegistryModel::Follow(Node* link, bool create, int line, KeyRoute& route,
                                           int& hops) {
  route.links.push_back(link->Name());
  Node* target = nullptr;
  if (++hops <= kMaxLinkHops && link->link.target_known) {
    std::vector<std::string> levels = SplitLevels(link->link.target_path);
    const std::string last = levels.empty() ? std::string() : levels.back();
    if (!levels.empty()) levels.pop_back();
    target = Walk(Root(link->link.target_root), levels, true, false, 0, route, hops);
    if (target && !last.empty()) target = Walk(target, {last}, true, create, line, route, hops);
  }
  if (!target && route.dead_link.empty()) route.dead_link = link->Name();
  return target;
}

RegistryModel::Node* RegistryModel::Reach(std::uint32_t root, const std::string& sub_key,
                                          bool follow_last, bool create, int line,
                                          KeyRoute& route) {
  int hops = 0;
  std::uint32_t base = root;
  std::string prefix;
  std::vector<std::string> levels = SplitLevels(sub_key);
  if (machine_.AliasOf(root, &base, &prefix)) {  // one tree behind both names
    const char* name = RootKeyName(base);
    route.alias = std::string(RootKeyName(root) ? RootKeyName(root) : "?") + " is " +
                  (name ? name : "?") + (prefix.empty() ? "" : "\\" + prefix);
    std::vector<std::string> lead = SplitLevels(prefix);
    levels.insert(levels.begin(), lead.begin(), lead.end());
  }
  Node* node = Walk(Root(base), levels, follow_last, create, line, route, hops);
  route.reached = node != nullptr;
  if (node) route.key = node->Name();
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

KeyRoute RegistryModel::WriteValue(std::uint32_t root, const std::string& sub_key,
                                   const std::string& name, int line) {
  KeyRoute route;
  Node* key = Reach(root, sub_key, true, true, line, route);
  if (!key) return route;
  Value& value = ValueOf(key, name);
  value.written = true;
  value.gone = false;
  value.line = line;
  return route;
}

RemovalEffect RegistryModel::RemoveValue(std::uint32_t root, const std::string& sub_key,
                                         const std::string& name) {
  RemovalEffect effect;
  Node* key = Reach(root, sub_key, true, false, 0, effect.route);
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
  Node* key = Reach(root, sub_key, false, false, 0, effect.route);
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
// being removed; a link is a key without sub-keys there. False when the tree is deeper than
// the removal goes.
bool RegistryModel::Load(Node* node, int depth) {
  if (depth > kMaxTreeDepth) return false;
  if (node->IsLink()) return true;
  if (node->existed && !node->listed) {
    std::vector<std::string> keys, values;
    machine_.ListKey(node->root, node->path, keys, values);
    for (const std::string& name : keys) (void)Child(node, name);  // the node is made: enough
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
// written goes into `foreign`. A link goes as the link.
void RegistryModel::Remove(Node* node, std::vector<ModelItem>& foreign) {
  if (!node->Present()) return;
  if (node->existed) foreign.push_back(node->KeyItem());
  node->gone = true;
  if (node->IsLink()) return;
  for (auto& entry : node->values) {
    Value& value = entry.second;
    if (value.Present() && !value.written) foreign.push_back(node->ValueItem(value));
    value.gone = true;
  }
  for (auto& child : node->keys) Remove(child.second.get(), foreign);
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
