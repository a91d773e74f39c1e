// libFuzzer target of the checker's registry model: random machines (keys, values and registry
// links, loops of links among them) and random scripts (writes, then removals, as an install
// followed by an uninstall), run through the model and through a plain reference that keeps
// every key, value and link of the registry in flat sets and resolves links by rewriting paths.
// Both must agree on where each write lands, on what is left behind and on what the removals
// take that the script never wrote.
#include <cstdint>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "check/registry_model.h"

namespace {

using namespace qnd;

constexpr std::uint32_t kUser = 0x80000001u;
constexpr int kHops = 32;  // the links the platform goes through in one path
const NameFold kFold = NameFold::Ascii();
const char* const kLevels[] = {"a", "A", "b", "c", "l", "m"};  // "a" and "A" are one name
const char* const kValues[] = {"", "v", "V", "@"};

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

// Reads a path of 1 to 3 levels and a value name from the input.
struct Input {
  const uint8_t* p;
  const uint8_t* end;
  unsigned Next() { return p < end ? *p++ : 0; }
  std::string Path(unsigned least = 1) {
    std::string path;
    for (unsigned n = least + Next() % 3; n > 0; --n) {
      path += (path.empty() ? "" : "\\") + std::string(kLevels[Next() % 6]);
    }
    return path;
  }
  std::string Value() { return kValues[Next() % 4]; }
};

bool Below(const std::string& key, const std::string& top) {
  return key == top || top.empty() || key.compare(0, top.size() + 1, top + "\\") == 0;
}

std::string Parent(const std::string& path) {
  const std::size_t at = path.rfind('\\');
  return at == std::string::npos ? std::string() : path.substr(0, at);
}

// The plain reference: folded keys, links and values, and the machine's view of them.
struct Reference : RegistryView {
  std::set<std::string> machine_keys, keys, created;
  std::map<std::string, std::string> machine_links, links;  // at -> target
  std::set<std::pair<std::string, std::string>> machine_values, written;
  std::set<std::pair<std::string, std::string>> values;  // present now

  KeyInfo ReadKey(std::uint32_t, const std::string& path) override {
    const std::string key = kFold.Fold(path);
    KeyInfo info;
    if (machine_links.count(key)) return {KeyInfo::Kind::Link, true, kUser, machine_links[key], ""};
    if (machine_keys.count(key)) info.kind = KeyInfo::Kind::Key;
    return info;
  }
  bool ValueExists(std::uint32_t, const std::string& path, const std::string& name) override {
    return machine_values.count({kFold.Fold(path), kFold.Fold(name)}) > 0;
  }
  void ListKey(std::uint32_t, const std::string& path, std::vector<std::string>& sub,
               std::vector<std::string>& names) override {
    const std::string key = kFold.Fold(path);
    auto child = [&](const std::string& k) {
      if (Below(k, key) && k != key && k.find('\\', key.size() + 1) == std::string::npos) {
        sub.push_back(k.substr(key.size() + 1));
      }
    };
    for (const std::string& k : machine_keys) child(k);
    for (const auto& l : machine_links) child(l.first);
    for (const auto& v : machine_values) {
      if (v.first == key) names.push_back(v.second);
    }
  }
  void AddMachineKey(const std::string& path) {  // with every level above it
    for (std::size_t at = path.find('\\'); at != std::string::npos; at = path.find('\\', at + 1)) {
      machine_keys.insert(kFold.Fold(path.substr(0, at)));
    }
    machine_keys.insert(kFold.Fold(path));
  }
  // A link at `at` to `target`, unless a key is there or below it.
  void AddMachineLink(const std::string& at, const std::string& target) {
    const std::string key = kFold.Fold(at);
    for (const std::string& k : machine_keys) {
      if (Below(k, key)) return;
    }
    for (const auto& l : machine_links) {
      if (Below(key, l.first) || Below(l.first, key)) return;
    }
    if (!Parent(key).empty()) AddMachineKey(Parent(key));
    machine_links[key] = kFold.Fold(target);
  }

  // The key `path` names, its links rewritten to their targets (the last level's only when
  // `follow_last`); with `create`, missing levels are made, a link's missing target too when
  // the key that would hold it is there. "!" when a link leads nowhere, "?" when not there.
  std::string Resolve(const std::string& path, bool follow_last, bool create, int& hops) {
    std::string at;
    const std::string rest = kFold.Fold(path);
    for (std::size_t begin = 0; begin <= rest.size();) {
      const std::size_t end = std::min(rest.find('\\', begin), rest.size());
      const bool last = end == rest.size();
      at = (at.empty() ? "" : at + "\\") + rest.substr(begin, end - begin);
      begin = end + 1;
      if (links.count(at) && (!last || follow_last)) {
        const std::string target = links[at];
        if (++hops > kHops) return "!";
        const std::string up = Parent(target);
        const std::string parent = up.empty() ? "" : Resolve(up, true, false, hops);
        if (parent == "!" || parent == "?") return "!";
        const std::string name = target.substr(up.empty() ? 0 : up.size() + 1);
        at = Resolve(parent.empty() ? name : parent + "\\" + name, true, create, hops);
        if (at == "?") return "!";
        if (at == "!") return at;
      } else if (!keys.count(at) && !links.count(at)) {
        if (!create) return "?";
        keys.insert(at);
        created.insert(at);
      }
    }
    return at;
  }
  std::string Write(const std::string& path, const std::string& name) {
    int hops = 0;
    const std::string key = Resolve(path, true, true, hops);
    if (key == "!") return key;
    values.insert({key, kFold.Fold(name)});
    written.insert({key, kFold.Fold(name)});
    return key;
  }
  std::multiset<std::string> RemoveTree(const std::string& path) {
    int hops = 0;
    const std::string top = Resolve(path, false, false, hops);
    std::multiset<std::string> foreign;
    if (top == "!" || top == "?") return foreign;
    for (auto l = links.begin(); l != links.end();) {
      if (Below(l->first, top)) foreign.insert(l->first);
      l = Below(l->first, top) ? links.erase(l) : std::next(l);
    }
    for (auto k = keys.begin(); k != keys.end();) {
      if (Below(*k, top) && !created.count(*k)) foreign.insert(*k);
      k = Below(*k, top) ? keys.erase(k) : std::next(k);
    }
    for (auto v = values.begin(); v != values.end();) {
      if (Below(v->first, top) && !written.count(*v)) foreign.insert(v->first + "=" + v->second);
      v = Below(v->first, top) ? values.erase(v) : std::next(v);
    }
    return foreign;
  }
  std::multiset<std::string> RemoveValue(const std::string& path, const std::string& name) {
    int hops = 0;
    const std::pair<std::string, std::string> v{Resolve(path, true, false, hops), kFold.Fold(name)};
    std::multiset<std::string> foreign;
    if (!keys.count(v.first) || !values.erase(v)) return foreign;
    if (!written.count(v)) foreign.insert(v.first + "=" + v.second);
    return foreign;
  }
};

std::string Folded(const std::string& key) { return kFold.Fold(key.substr(key.find('\\') + 1)); }

std::string Folded(const ModelItem& item) {
  return item.is_value ? Folded(item.key) + "=" + kFold.Fold(item.value) : Folded(item.key);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  Input in{bytes, bytes + size};
  Reference ref;
  for (unsigned n = in.Next() % 6; n > 0; --n) {
    const std::string path = in.Path();
    ref.AddMachineKey(path);
    if (in.Next() % 2) ref.machine_values.insert({kFold.Fold(path), kFold.Fold(in.Value())});
  }
  for (unsigned n = in.Next() % 4; n > 0; --n) {
    const std::string at = in.Path();
    ref.AddMachineLink(at, in.Path());
  }
  ref.keys = ref.machine_keys;
  ref.links = ref.machine_links;
  ref.values = ref.machine_values;

  RegistryModel model(ref, kFold);
  for (unsigned n = in.Next() % 8; n > 0; --n) {
    const std::string path = in.Path(), name = in.Value();
    const KeyRoute route = model.WriteValue(kUser, path, name, 1);
    const std::string landed = ref.Write(path, name);
    Check(route.reached ? Folded(route.key) == landed : landed == "!");
  }
  while (in.p < in.end) {
    const bool tree = in.Next() % 2;
    const std::string path = in.Path(), name = in.Value();
    const RemovalEffect effect =
        tree ? model.RemoveTree(kUser, path) : model.RemoveValue(kUser, path, name);
    std::multiset<std::string> foreign;
    for (const ModelItem& item : effect.foreign) foreign.insert(Folded(item));
    Check(!effect.too_deep);
    Check(foreign == (tree ? ref.RemoveTree(path) : ref.RemoveValue(path, name)));
  }

  // Left behind: every created key still there, and every written value still there.
  std::multiset<std::string> left, expected;
  for (const Leftover& l : model.LeftBehind()) {
    left.insert(Folded(l.item));
    Check(l.item.is_value || ref.created.count(Folded(l.item)));
    for (const ModelItem& item : l.inside) left.insert(Folded(item));
  }
  for (const std::string& k : ref.keys) {
    if (ref.created.count(k)) expected.insert(k);
  }
  for (const auto& v : ref.values) {
    if (ref.written.count(v)) expected.insert(v.first + "=" + v.second);
  }
  Check(left == expected);
  return 0;
}
