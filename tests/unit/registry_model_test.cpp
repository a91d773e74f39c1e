#include "check/registry_model.h"

#include "regscript/script_entry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>
#include <string>

namespace qnd {
namespace {

constexpr std::uint32_t kUser = 0x80000001u;
const NameFold kFold = NameFold::Ascii();

// A machine of keys, values and links below HKEY_CURRENT_USER, given as "Key", "Key=value" and
// "Key>Target" items (a link at Key to HKEY_CURRENT_USER\Target).
class FakeMachine : public RegistryView {
 public:
  explicit FakeMachine(const std::string& items) {
    std::istringstream in(items);
    for (std::string item; std::getline(in, item, ',');) {
      const std::size_t to = item.find('>');
      if (to != std::string::npos) links_[kFold.Fold(item.substr(0, to))] = item.substr(to + 1);
      items_[kFold.Fold(item.substr(0, to))] = item.substr(0, to);
    }
  }
  KeyInfo ReadKey(std::uint32_t, const std::string& path) override {
    KeyInfo info;
    ++reads;
    if (!items_.count(kFold.Fold(path))) return info;
    const auto link = links_.find(kFold.Fold(path));
    info.kind = link == links_.end() ? KeyInfo::Kind::Key : KeyInfo::Kind::Link;
    if (link != links_.end()) info = {KeyInfo::Kind::Link, true, kUser, link->second, ""};
    return info;
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
  int reads = 0;  // keys read

 private:
  std::map<std::string, std::string> items_;  // folded -> as given
  std::map<std::string, std::string> links_;  // folded -> target
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
      const KeyRoute route = model.WriteValue(kUser, key, name, ++line);
      if (!route.reached) foreign += "!" + Render({route.dead_link, false, "", 0, ""}) + " ";
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
      // 8: a write goes through links, a chain too, into the target; so does a value removal
      {"S,S\\T,S\\L>S\\T,S\\C>S\\L", "w S\\L\\N=x; w S\\C=y; v S\\L\\N=x", "S\\T=y S\\T\\N | "},
      // 9: a key-tree removal deletes a link as the link, and its target stays
      {"S,S\\T,S\\T=u,S\\L>S\\T", "t S\\L; v S\\T=u", "| S\\L S\\T=u "},
      // 10: levels before the last go through a link; a loop back to the tree is one item
      {"S,S\\T,S\\T=u,S\\T\\Loop>S", "w S\\T\\Loop\\T\\N=x; t S\\T\\Loop\\T",
       "| S\\T S\\T=u S\\T\\Loop "},
      // 11: a link to a missing key below one that is there: the write makes the target;
      // a link whose target's parent is missing, and a loop of two links, lead nowhere
      {"S,S\\D>S\\Later,S\\E>S\\No\\Key,S\\X>S\\Y,S\\Y>S\\X", "w S\\D\\N=x; w S\\E=y; w S\\X=z",
       "S\\Later[S\\Later\\N,S\\Later\\N=x] | !S\\E !S\\X "},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE("row " + std::to_string(&row - rows));
    EXPECT_EQ(row.expected, RunModel(row.machine, row.ops));
  }
}

// A tree of more than kMaxTreeDepth levels is not removed: the removal fails and nothing goes.
TEST(RegistryModel, TreeDepthLimit) {
  for (int levels : {kMaxTreeDepth, kMaxTreeDepth + 1}) {
    FakeMachine fake("S");
    RegistryModel model(fake, kFold);
    std::string path = "S";
    for (int i = 0; i < levels; ++i) path += "\\L";
    (void)model.WriteValue(kUser, path, "v", 1);  // the tree it makes is what counts
    const RemovalEffect effect = model.RemoveTree(kUser, "S\\L");
    EXPECT_EQ(levels > kMaxTreeDepth, effect.too_deep) << levels;
    EXPECT_EQ(levels > kMaxTreeDepth, !model.LeftBehind().empty()) << levels;
  }
}

// Each key of the machine is read once, however many removals walk over it, and however many
// links lead back into the tree.
TEST(RegistryModel, ReadsEachKeyOnce) {
  FakeMachine fake("S,S\\T,S\\T\\A,S\\T\\B,S\\T\\A\\L1>S\\T,S\\T\\B\\L2>S\\T,S\\T\\A=v");
  RegistryModel model(fake, kFold);
  // The removals' effects are not what this test looks at: the reads they make are.
  (void)model.RemoveValue(kUser, "S\\T\\A\\L1\\B\\L2\\A", "v");
  (void)model.RemoveTree(kUser, "S\\T\\A");
  const RemovalEffect effect = model.RemoveTree(kUser, "S\\T");
  EXPECT_EQ(6, fake.reads);
  EXPECT_EQ(3u, effect.foreign.size());  // S\T, its B and B's link L2
}

// A name in the registry's own space maps to the root whose name is the shortest that begins it
// at the edge of a level: the tree that holds it, never a root that names a key inside it.
TEST(RootNames, MapsTargetsToTheirRoot) {
  RootNames names(kFold);
  names.Add(0x80000002u, "\\REGISTRY\\Machine");
  names.Add(0x80000000u, "\\REGISTRY\\Machine\\Software\\Classes");
  names.Add(0x80000003u, "\\REGISTRY\\User");
  names.Add(kUser, "\\REGISTRY\\User\\S-1-5-21");
  const struct {
    const char* target;
    std::uint32_t root;  // 0: none
    const char* path;
  } rows[] = {
      {"\\Registry\\Machine\\Software\\Classes\\.txt", 0x80000002u, "Software\\Classes\\.txt"},
      {"\\Registry\\User\\S-1-5-21\\Software", 0x80000003u, "S-1-5-21\\Software"},
      {"\\REGISTRY\\MACHINE\\Software\\ClassesX", 0x80000002u, "Software\\ClassesX"},
      {"\\Registry\\User\\S-1-5-2", 0x80000003u, "S-1-5-2"},
      {"\\Registry\\Other\\X", 0, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("row " + std::to_string(&row - rows));
    std::uint32_t root = 0;
    std::string path;
    EXPECT_EQ(row.root != 0, names.Map(row.target, &root, &path));
    EXPECT_EQ(row.root, root);
    EXPECT_EQ(row.path, path);
  }
}

}  // namespace
}  // namespace qnd
