#include "check/registry_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>
#include <string>

namespace qnd {
namespace {

constexpr std::uint32_t kUser = 0x80000001u;
const NameFold kFold = NameFold::Ascii();

// A machine of keys and values below HKEY_CURRENT_USER, given as "Key" and "Key=value" items.
class FakeMachine : public RegistryView {
 public:
  explicit FakeMachine(const std::string& items) {
    std::istringstream in(items);
    for (std::string item; std::getline(in, item, ',');) items_[kFold.Fold(item)] = item;
  }
  bool KeyExists(std::uint32_t, const std::string& path) override {
    return items_.count(kFold.Fold(path)) > 0;
  }
  bool ValueExists(std::uint32_t, const std::string& path, const std::string& name) override {
    return items_.count(kFold.Fold(path + "=" + name)) > 0;
  }
  void ListKey(std::uint32_t, const std::string& path, std::vector<std::string>& keys,
               std::vector<std::string>& values) override {
    const std::string key = kFold.Fold(path);
    for (const auto& item : items_) {
      const std::string rest = item.second.substr(std::min(item.first.size(), key.size() + 1));
      if (item.first.compare(0, key.size() + 1, key + "=") == 0) values.push_back(rest);
      if (item.first.compare(0, key.size() + 1, key + "\\") == 0 &&
          rest.find_first_of("\\=") == std::string::npos) {
        keys.push_back(rest);
      }
    }
  }

 private:
  std::map<std::string, std::string> items_;  // folded -> as given
};

std::string Render(const ModelItem& item) {
  const std::string key = item.key.substr(item.key.find('\\') + 1);  // without the root name
  return item.is_value ? key + "=" + item.value : key;
}

// Runs `ops` ("w Key=name", "t Key", "v Key=name", separated by ";") through a model of
// `machine`; gives what is left behind ("~" after a key emptied by the removal) and, after "|",
// what the removals took that was foreign.
std::string RunModel(const std::string& machine, const std::string& ops) {
  FakeMachine fake(machine);
  RegistryModel model(fake, kFold);
  std::string foreign;
  std::istringstream in(ops);
  int line = 0;
  for (std::string op; std::getline(in, op, ';');) {
    const std::string arg = op.substr(op.find_first_not_of(' ') + 2);
    const std::size_t eq = arg.find('=');
    const std::string key = arg.substr(0, eq);
    const std::string name = eq == std::string::npos ? "" : arg.substr(eq + 1);
    const char kind = op[op.find_first_not_of(' ')];
    if (kind == 'w') {
      model.WriteValue(kUser, key, name, ++line);
      continue;
    }
    const RemovalEffect effect =
        kind == 't' ? model.RemoveTree(kUser, key) : model.RemoveValue(kUser, key, name);
    for (const ModelItem& item : effect.foreign) foreign += Render(item) + " ";
  }
  std::string left;
  for (const Leftover& l : model.LeftBehind()) {
    left += Render(l.item);
    for (const ModelItem& item : l.inside) {
      left += (&item == &l.inside.front() ? "[" : ",") + Render(item);
    }
    left += l.inside.empty() ? (l.emptied ? "~ " : " ") : "] ";
  }
  return left + "| " + foreign;
}

TEST(RegistryModel, InstallThenRemoval) {
  struct Row {
    const char* machine;
    const char* ops;
    const char* expected;
  } rows[] = {
      // 0: every missing level is created; the topmost created key holds the rest
      {"S", "w S\\Q\\A=x", "S\\Q[S\\Q\\A,S\\Q\\A=x] | "},
      // 1: a key-tree removal deletes only the last level of its path: the key above is emptied
      {"S", "w S\\Q\\A=x; t S\\Q\\A", "S\\Q~ | "},
      // 2: a key whose values the removal deleted is left empty, not emptied: a removal entry
      // for it would take nothing else
      {"S", "w S\\Q=x; v S\\Q=x", "S\\Q | "},
      // 3: a key that was there before is never left behind; a value written into it is
      {"S", "w S=x; w S\\Q=y; t S\\Q", "S=x | "},
      // 4: removing a key that was there takes what the machine had below it
      {"S,S=keep,S\\Old,S\\Old=o", "w S\\New=x; w S=keep; t S", "| S S\\Old S\\Old=o "},
      // 5: a value removal takes one value; one the script never wrote is foreign
      {"S,S=keep,S=other", "w S=mine; v S=mine; v S=keep; v S=gone", "| S=keep "},
      // 6: names are the same whatever their case; empty levels are ignored
      {"S", "w S\\q\\\\A=x; t s\\Q", "| "},
      // 7: "@" names a value called @, not the default value
      {"S", "w S\\K=; v S\\K=@", "S\\K[S\\K=] | "},
      // 8: what is gone stays gone for later entries; a missing key removes nothing
      {"S,S\\T,S\\T=u", "t S\\T; v S\\T=u; t S\\T; t S\\None", "| S\\T S\\T=u "},
  };
  int i = 0;
  for (const Row& row : rows) {
    EXPECT_EQ(row.expected, RunModel(row.machine, row.ops)) << "row " << i;
    ++i;
  }
}

// A tree of more than 512 levels is not removed: the removal fails and nothing goes.
TEST(RegistryModel, TreeDepthLimit) {
  for (int levels : {512, 513}) {
    FakeMachine fake("S");
    RegistryModel model(fake, kFold);
    std::string path = "S";
    for (int i = 0; i < levels; ++i) path += "\\L";
    model.WriteValue(kUser, path, "v", 1);
    const RemovalEffect effect = model.RemoveTree(kUser, "S\\L");
    EXPECT_EQ(levels > 512, effect.too_deep) << levels;
    EXPECT_EQ(levels > 512, !model.LeftBehind().empty()) << levels;
  }
}

}  // namespace
}  // namespace qnd
