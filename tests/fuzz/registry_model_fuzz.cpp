// libFuzzer target of the checker's registry model: random machines and random scripts (writes,
// then removals, as an install followed by an uninstall), run through the model and through a
// plain reference that keeps every key and value of the registry in flat sets. Both must agree
// on what is left behind and on what the removals take that the script never wrote.
#include <cstdint>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "check/registry_model.h"

namespace {

using namespace qnd;

constexpr std::uint32_t kUser = 0x80000001u;
const NameFold kFold = NameFold::Ascii();
const char* const kLevels[] = {"a", "A", "b", "c"};  // "a" and "A" are one name
const char* const kValues[] = {"", "v", "V", "@"};

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

// Reads a path of 1 to 3 levels and a value name from the input.
struct Input {
  const uint8_t* p;
  const uint8_t* end;
  unsigned Next() { return p < end ? *p++ : 0; }
  std::string Path() {
    std::string path = kLevels[Next() % 4];
    for (unsigned n = Next() % 3; n > 0; --n) path += std::string("\\") + kLevels[Next() % 4];
    return path;
  }
  std::string Value() { return kValues[Next() % 4]; }
};

bool Below(const std::string& key, const std::string& top) {
  return key == top || key.compare(0, top.size() + 1, top + "\\") == 0;
}

// The plain reference: folded keys and values, and the machine's view of them.
struct Reference : RegistryView {
  std::set<std::string> machine_keys, keys, created;
  std::set<std::pair<std::string, std::string>> machine_values, written;
  std::set<std::pair<std::string, std::string>> values;  // present now

  bool KeyExists(std::uint32_t, const std::string& path) override {
    return machine_keys.count(kFold.Fold(path)) > 0;
  }
  bool ValueExists(std::uint32_t, const std::string& path, const std::string& name) override {
    return machine_values.count({kFold.Fold(path), kFold.Fold(name)}) > 0;
  }
  void ListKey(std::uint32_t, const std::string& path, std::vector<std::string>& sub,
               std::vector<std::string>& names) override {
    const std::string key = kFold.Fold(path);
    for (const std::string& k : machine_keys) {
      if (Below(k, key) && k != key && k.find('\\', key.size() + 1) == std::string::npos) {
        sub.push_back(k.substr(key.size() + 1));
      }
    }
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
  void Write(const std::string& path, const std::string& name) {
    const std::string key = kFold.Fold(path);
    for (std::size_t at = key.find('\\');; at = key.find('\\', at + 1)) {
      const std::string level = key.substr(0, at);
      if (keys.insert(level).second) created.insert(level);
      if (at == std::string::npos) break;
    }
    values.insert({key, kFold.Fold(name)});
    written.insert({key, kFold.Fold(name)});
  }
  std::multiset<std::string> RemoveTree(const std::string& path) {
    const std::string top = kFold.Fold(path);
    std::multiset<std::string> foreign;
    if (!keys.count(top)) return foreign;
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
    const std::pair<std::string, std::string> v{kFold.Fold(path), kFold.Fold(name)};
    std::multiset<std::string> foreign;
    if (!keys.count(v.first) || !values.erase(v)) return foreign;
    if (!written.count(v)) foreign.insert(v.first + "=" + v.second);
    return foreign;
  }
};

std::string Folded(const ModelItem& item) {
  const std::string key = kFold.Fold(item.key.substr(item.key.find('\\') + 1));
  return item.is_value ? key + "=" + kFold.Fold(item.value) : key;
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
  ref.keys = ref.machine_keys;
  ref.values = ref.machine_values;

  RegistryModel model(ref, kFold);
  for (unsigned n = in.Next() % 8; n > 0; --n) {
    const std::string path = in.Path(), name = in.Value();
    model.WriteValue(kUser, path, name, 1);
    ref.Write(path, name);
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
