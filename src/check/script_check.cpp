// The checker's "script" command (script_check.h).
#include "check/script_check.h"

#include <algorithm>
#include <vector>

#include "check/machine_registry.h"
#include "check/registry_model.h"
#include "check/script_survey.h"
#include "check/shared_keys.h"
#include "frame/path_join.h"
#include "frame/profile_text.h"
#include "regscript/script_io.h"

namespace qnd {
namespace {

constexpr std::size_t kListedItems = 20;  // notes under one finding, at most

// "HKEY_CURRENT_USER\\Software\\X" from a root's handle value and a sub-key path.
[[nodiscard]] std::string KeyName(std::uint32_t root, const std::string& sub_key) {
  const std::string name = RootKeyName(root) ? RootKeyName(root) : "?";
  return Shown(sub_key.empty() ? name : name + "\\" + sub_key);
}

// "key K", "value "V" of K", "the default value of K"; a link says where it leads.
[[nodiscard]] std::string ItemName(const ModelItem& item) {
  if (!item.is_value) {
    return "key " + Shown(item.key) +
           (item.link.empty()
                ? ""
                : " (a registry link to " + Shown(item.link) + ": it goes as the link)");
  }
  return (item.value.empty() ? std::string("the default value") : "value " + Quoted(item.value)) +
         " of " + Shown(item.key);
}

// One explain line: where the value lands, its name, type and data.
[[nodiscard]] std::string DescribeWrite(const KeyEntry& e, const std::string& key) {
  const std::string name = e.is_default ? "@" : Quoted(e.value_name);
  const std::string data = e.type == kRegDword
                               ? Format("REG_DWORD 0x%08lx", (unsigned long)e.number)
                               : "REG_SZ " + Quoted(e.data);
  return Shown(key) + ": " + name + " = " + data;
}

// Why the platform refuses a key path, in words.
[[nodiscard]] std::string RefusalWords(long status, std::uint32_t root,
                                       const std::string& sub_key) {
  if (status == ERROR_MORE_DATA) {
    return Format(
        "the platform's registry calls refuse a sub-key path of %u characters "
        "(error 234)",
        (unsigned)sub_key.size());
  }
  return Format("the registry refuses %s (error %ld)", KeyName(root, sub_key).c_str(), status) +
         (!sub_key.empty() && sub_key[0] == '\\' ? ": the sub-key path begins with a backslash"
                                                 : "");
}

// Why an entry fails, for one that cannot be found again by its listed name.
constexpr char kDataLost[] =
    "the entry's data cannot be found again by its listed name (is the file saved in another "
    "code page, such as UTF-8?)";

// Why an entry of a key section fails, in words ("" when it does not, as far as the survey
// can tell).
[[nodiscard]] std::string KeyFailure(const KeyEntry& e) {
  if (!e.Fails()) return std::string();
  return !e.found                       ? std::string(kDataLost)
         : e.result == PlanResult::Fail ? DescribeFault(e.fault)
                                        : RefusalWords(e.refusal, e.root, e.sub_key);
}

// Why an entry of the removal list fails, in words.
[[nodiscard]] std::string RemovalFailure(const RemovalEntry& e) {
  if (!e.found) return kDataLost;
  switch (e.result) {
    case RemovalResult::NoRoot:
      return "the entry name begins with no root name (such as HKEY_CURRENT_USER; a quotation "
             "mark counts as its first character)";
    case RemovalResult::WholeRoot:
      return "a key-tree entry that names a whole root key: UndoReg refuses it";
    case RemovalResult::Fail: return DescribeFault(e.fault);
    case RemovalResult::Value:
    case RemovalResult::Tree: break;  // the platform refuses its key
  }
  return RefusalWords(e.refusal, e.root, e.sub_key);
}

// Why a route through registry links reaches no key, in words.
[[nodiscard]] std::string DeadLinkWords(const KeyRoute& route) {
  return "the key path goes through the registry link " + Shown(route.dead_link) +
         ", which leads to no key: the registry refuses the path";
}

// The root that names a key of another root, when the route went through one: " (HKEY_CLASSES_ROOT
// is HKEY_LOCAL_MACHINE\Software\Classes)".
[[nodiscard]] std::string AliasWords(const KeyRoute& route) {
  return route.alias.empty() ? std::string() : " (" + route.alias + ")";
}

// The links of a route, for people.
[[nodiscard]] std::string LinkList(const KeyRoute& route) {
  std::string out;
  for (const std::string& link : route.links) out += (out.empty() ? "" : ", then ") + Shown(link);
  return out;
}

// True when the entry's section, name or data holds "$4".
[[nodiscard]] bool EntryUsesDir4(const SurveyedEntry& e) {
  return UsesDir4(e.section.c_str()) || UsesDir4(e.name.c_str()) || UsesDir4(e.raw_data.c_str());
}

// The three parts of the command over one survey of the script and one model of the registry;
// every finding names the file as the command line gave it.
class ScriptCheck {
 public:
  // `fold`: the reader's letter case; `registry`: the registry's.
  ScriptCheck(const ScriptOptions& options, const ScriptSurvey& survey, const NameFold& fold,
              const NameFold& registry, Report& report, bool applied_by_register)
      : options_(options),
        survey_(survey),
        fold_(fold),
        registry_(registry),
        report_(report),
        by_register_(applied_by_register),
        machine_(registry),
        model_(machine_, registry) {
    for (const KeyEntry& e : survey_.writes) write_failures_.push_back(KeyFailure(e));
  }

  // Runs the install through the model: lists each value DoReg writes, where it lands, in its
  // order, up to the entry where it stops. `read` is the file DoReg reads for the name given.
  void Explain(const PathContext& context, const char* read);
  // Reports the traps of sections, name lists and entries, and every entry that fails.
  void Lint();
  // Runs the uninstall through the model and reports what is left behind and what is removed
  // that the script never writes.
  void Coverage();

 private:
  void Find(FindingId id, int line, std::initializer_list<std::string> args) {
    report_.Finding(id, options_.file, line, args);
  }
  void Say(int line, const std::string& text) { report_.Line(options_.file, line, text); }
  void LintSections();
  void LintEntry(const SurveyedEntry& e, FindingId fails, const std::string& failure, bool uses4);
  void LintData(const KeyEntry& e);
  void LintRemoval(const RemovalEntry& e);
  [[nodiscard]] std::string KeyIdentity(std::uint32_t root, const std::string& sub_key);
  [[nodiscard]] bool IsSharedKey(std::uint32_t root, const std::string& sub_key);
  void ReportRemoval(const RemovalEntry& e, const RemovalEffect& effect);
  void ReportLeftover(const Leftover& l);
  // Notes each item under a finding, `kListedItems` at most, then how many more there are.
  void ListItems(int line, const std::vector<ModelItem>& items, FindingId each, FindingId more);

  const ScriptOptions& options_;
  const ScriptSurvey& survey_;
  const NameFold& fold_;
  const NameFold registry_;
  Report& report_;
  bool by_register_;
  MachineRegistry machine_;
  RegistryModel model_;
  std::vector<std::string> write_failures_;  // per write: why it fails ("" it does not)
};

void ScriptCheck::Explain(const PathContext& context, const char* read) {
  report_.Heading("explain: what DoReg writes, in order ($0 = " + Quoted(context.dir0) +
                  ", $4 = " + (context.dir4 ? Quoted(context.dir4) : std::string("none")) + ")");
  if (options_.file != read) {
    report_.Line(options_.file, 0, std::string("the script: ") + Shown(read));
  }
  PathStr windows;
  if (BareNameElsewhere(options_.file, windows)) {
    report_.Line(options_.file, 0, BareNameNote(options_.file, "DoReg", windows.c_str()));
  }
  for (std::size_t i = 0; i < survey_.writes.size(); ++i) {
    const KeyEntry& e = survey_.writes[i];
    KeyRoute route;
    if (write_failures_[i].empty()) {
      route =
          model_.WriteValue(e.root, e.sub_key, e.is_default ? std::string() : e.value_name, e.line);
      if (!route.reached) write_failures_[i] = DeadLinkWords(route);
    }
    if (!write_failures_[i].empty()) {
      Say(e.line, "DoReg stops here and gives 0 (" + write_failures_[i] + "); " +
                      Count(survey_.writes.size() - i - 1, "entry", "entries") +
                      " after it not written");
      return;
    }
    Say(e.line, DescribeWrite(e, route.key) + AliasWords(route));
    if (!route.links.empty()) {
      Find(FindingId::ThroughLink, e.line,
           {KeyName(e.root, e.sub_key), LinkList(route), "the value lands in " + Shown(route.key)});
    }
  }
  Say(0, "DoReg writes " + Count(survey_.writes.size(), "value", "values") + " and gives 1");
}

void ScriptCheck::Lint() {
  report_.Heading("lint: the traps of the format");
  if (survey_.no_memory) Find(FindingId::NoMemory, 0, {});
  LintSections();
  for (std::size_t i = 0; i < survey_.writes.size(); ++i) {
    const KeyEntry& e = survey_.writes[i];
    if (!e.first_walk) continue;  // the same entries again: reported at the section
    const std::string& failure = write_failures_[i];
    LintEntry(e, FindingId::KeyEntryFails, failure, failure.empty() && EntryUsesDir4(e));
    if (failure.empty() && !e.repeat_of) LintData(e);  // a repeat has the first one's data
  }
  for (const RemovalEntry& e : survey_.removals) LintRemoval(e);
}

// Repeated key sections and removal lists, sections that look like keys without a root name,
// and name lists near or over the room the library reads.
void ScriptCheck::LintSections() {
  for (const SurveyedSection& s : survey_.sections) {
    std::uint32_t root = 0;
    const char* sub = nullptr;
    const bool key = ParseRootKey(s.name.c_str(), &root, &sub);
    if (s.repeat_of && (key || fold_.Fold(s.name) == kRemovalList)) {
      Find(FindingId::SectionRepeats, s.line, {Shown(s.name), std::to_string(s.repeat_of)});
    }
    if (!key && LooksLikeKey(s.name.c_str())) {
      Find(FindingId::SectionLooksLikeKey, s.line, {Shown(s.name)});
    }
  }
  const std::string room = std::to_string(NameList::kChars);
  for (const ListUse& use : survey_.lists) {
    const std::string chars = std::to_string(use.chars);
    if (use.first_unseen.empty()) {
      Find(FindingId::ListNearLimit, use.line, {use.what, chars, room});
    } else {
      Find(FindingId::ListOverLimit, use.line, {use.what, chars, room, Shown(use.first_unseen)});
    }
  }
}

// What every entry may show: its failure, a repeated name, "$4" under RegisterQuindo, texts
// near their limit.
void ScriptCheck::LintEntry(const SurveyedEntry& e, FindingId fails, const std::string& failure,
                            bool uses4) {
  if (!failure.empty() && !e.repeat_of) Find(fails, e.line, {failure});  // as the first one
  if (e.repeat_of) {
    Find(FindingId::EntryRepeats, e.line, {Shown(e.name), std::to_string(e.repeat_of)});
  }
  if (uses4 && by_register_) Find(FindingId::Dir4UnderRegister, e.line, {});
  if (!failure.empty()) return;
  const std::pair<const char*, std::size_t> texts[] = {{"the sub-key path", e.sub_key.size()},
                                                       {"the value name", e.value_name.size()}};
  for (const auto& text : texts) {
    if (NearTextLimit(text.second)) {
      Find(FindingId::TextNearLimit, e.line,
           {text.first, std::to_string(text.second), std::to_string(kTextChars - 1)});
    }
  }
}

// The data's length and the traps of "dword:".
void ScriptCheck::LintData(const KeyEntry& e) {
  if (NearTextLimit(e.data.size())) {
    Find(FindingId::TextNearLimit, e.line,
         {"the data", std::to_string(e.data.size()), std::to_string(kTextChars - 1)});
  }
  const std::string number = Format("0x%08lx", (unsigned long)e.number);
  switch (FindDataTrap(e.data.c_str(), e.is_default)) {
    case DataTrap::DwordOtherCase: Find(FindingId::DwordOtherCase, e.line, {}); break;
    case DataTrap::DefaultDword: Find(FindingId::DefaultDword, e.line, {}); break;
    case DataTrap::DwordInText: Find(FindingId::DwordInText, e.line, {number}); break;
    case DataTrap::DwordNotNumber: Find(FindingId::DwordNotNumber, e.line, {number}); break;
    case DataTrap::None: break;
  }
}

// One text per key, whichever root names it: the tree that holds it (HKEY_CLASSES_ROOT\X is
// HKEY_LOCAL_MACHINE\Software\Classes\X), its levels without empty ones, in the registry's
// letter case.
std::string ScriptCheck::KeyIdentity(std::uint32_t root, const std::string& sub_key) {
  std::uint32_t base = root;
  std::string prefix;
  if (!machine_.AliasOf(root, &base, &prefix)) base = root;
  std::string identity = RootKeyName(base) ? RootKeyName(base) : "?";
  const std::string path = prefix + "\\" + sub_key;
  for (std::size_t begin = 0; begin < path.size();) {
    const std::size_t end = std::min(path.find('\\', begin), path.size());
    if (end > begin) identity += "\\" + path.substr(begin, end - begin);
    begin = end + 1;
  }
  return registry_.Fold(identity);
}

// True when the key is one of the keys that Windows and other programs share.
bool ScriptCheck::IsSharedKey(std::uint32_t root, const std::string& sub_key) {
  const std::string identity = KeyIdentity(root, sub_key);
  for (const SharedKey& shared : kSharedKeys) {
    std::uint32_t shared_root = 0;
    const char* sub = nullptr;
    const std::string name = std::string(shared.root) + "\\" + shared.path;
    if (ParseRootKey(name.c_str(), &shared_root, &sub) &&
        KeyIdentity(shared_root, sub) == identity) {
      return true;
    }
  }
  return false;
}

// A removal entry: its failure, or the platform refusing its key so that it acts on nothing;
// and a key-tree entry that deletes a key other programs share.
void ScriptCheck::LintRemoval(const RemovalEntry& e) {
  if (e.found && e.result == RemovalResult::Tree && IsSharedKey(e.root, e.sub_key)) {
    Find(FindingId::RemovesSharedKey, e.line, {KeyName(e.root, e.sub_key)});
  }
  const bool fails = e.Fails();
  LintEntry(e, FindingId::RemovalEntryFails, fails ? RemovalFailure(e) : std::string(),
            !fails && EntryUsesDir4(e));
  if (fails || !e.Inert()) return;
  Find(e.result == RemovalResult::Value ? FindingId::ValueNeverRemoved : FindingId::KeyCountsAsGone,
       e.line, {RefusalWords(e.refusal, e.root, e.sub_key)});
}

void ScriptCheck::Coverage() {
  report_.Heading("coverage: an install by DoReg, then the uninstall by UndoReg");
  std::size_t done = 0;
  for (; done < survey_.removals.size(); ++done) {
    const RemovalEntry& e = survey_.removals[done];
    if (e.Fails()) break;
    if (e.Inert()) continue;  // lint said why
    const RemovalEffect effect = e.result == RemovalResult::Tree
                                     ? model_.RemoveTree(e.root, e.sub_key)
                                     : model_.RemoveValue(e.root, e.sub_key, e.value_name);
    ReportRemoval(e, effect);
    if (effect.too_deep) break;
  }
  if (done < survey_.removals.size()) {
    const RemovalEntry& e = survey_.removals[done];
    Say(e.line, "UndoReg stops here and gives 0 (" +
                    (e.Fails() ? RemovalFailure(e) : std::string("the key tree is too deep")) +
                    "); " + Count(survey_.removals.size() - done - 1, "entry", "entries") +
                    " after it not carried out");
  } else {
    Say(0, "UndoReg carries out " + Count(done, "entry", "entries") + " and gives 1");
  }
  std::vector<Leftover> left = model_.LeftBehind();
  std::stable_sort(left.begin(), left.end(),
                   [](const Leftover& a, const Leftover& b) { return a.item.line < b.item.line; });
  for (const Leftover& l : left) ReportLeftover(l);
}

// A value left in a key that was there before, or a key the install created, with what is in
// it, or left empty above keys the uninstall deleted.
void ScriptCheck::ReportLeftover(const Leftover& l) {
  if (l.emptied) {  // no removal entry can delete it alone: not the script's fault
    Find(FindingId::LeftEmpty, l.item.line, {ItemName(l.item)});
    return;
  }
  if (l.item.is_value) {
    Find(FindingId::LeavesValue, l.item.line, {ItemName(l.item)});
    return;
  }
  Find(FindingId::LeavesKey, l.item.line,
       {ItemName(l.item), l.inside.empty()
                              ? std::string(" (empty)")
                              : ", with " + Count(l.inside.size(), "item", "items") + " in it"});
  ListItems(l.item.line, l.inside, FindingId::LeftBehindToo, FindingId::MoreLeftBehind);
}

// Lists what one removal entry deletes, and reports a tree too deep to delete, an entry that
// removes nothing, and what it takes that was there before and never written.
void ScriptCheck::ReportRemoval(const RemovalEntry& e, const RemovalEffect& effect) {
  const bool tree = e.result == RemovalResult::Tree;
  const std::string named = KeyName(e.root, e.sub_key);
  const std::string key = effect.route.reached ? Shown(effect.route.key) : named;
  Say(e.line, (tree ? "UndoReg deletes key " + key + " with everything below it"
                    : "UndoReg deletes value " + Quoted(e.value_name) + " of " + key) +
                  AliasWords(effect.route));
  if (!effect.route.links.empty()) {
    Find(FindingId::ThroughLink, e.line,
         {named, LinkList(effect.route),
          effect.route.reached ? "UndoReg acts on " + key
                               : "it leads to no key, and UndoReg finds nothing there"});
  }
  if (effect.too_deep) {
    Find(FindingId::TreeTooDeep, e.line, {key, std::to_string(kMaxTreeDepth)});
  } else if (!effect.found) {
    Find(FindingId::RemovesNothing, e.line,
         {tree ? "key " + key : "value " + Quoted(e.value_name) + " of " + key,
          e.value_name == "@" ? " (\"@\" names a value called @ here; a default value goes only "
                                "with its key)"
                              : ""});
  } else if (!effect.foreign.empty()) {
    const std::size_t more = effect.foreign.size() - 1;
    Find(FindingId::RemovesForeign, e.line,
         {ItemName(effect.foreign.front()),
          more ? " (and " + Count(more, "more such item", "more such items") + ")" : ""});
    ListItems(e.line, std::vector<ModelItem>(effect.foreign.begin() + 1, effect.foreign.end()),
              FindingId::RemovedToo, FindingId::MoreRemoved);
  }
}

void ScriptCheck::ListItems(int line, const std::vector<ModelItem>& items, FindingId each,
                            FindingId more) {
  for (std::size_t i = 0; i < items.size() && i < kListedItems; ++i) {
    Find(each, line, {ItemName(items[i])});
  }
  if (items.size() > kListedItems) Find(more, line, {std::to_string(items.size() - kListedItems)});
}

}  // namespace

int CheckScript(const ScriptOptions& options, Report& report) {
  PathStr full, dir;
  std::string text;
  const FileRead read = ReadProfileFile(options.file, full, dir, text);
  if (read != FileRead::Read) {
    return FileNotRead(report, options.file, read == FileRead::Missing, full.c_str(),
                       "DoReg and UndoReg give 1");
  }
  const PathContext context = {options.dir0 ? options.dir0 : dir.c_str(), options.dir4};
  const NameFold fold = ReaderFold(text);
  const ScriptLines lines(text, fold);
  ScriptSurvey survey;
  SurveyScript(full.c_str(), context, lines, fold, survey);

  // "$4" in the product's own script fails under RegisterQuindo, which gives no $4. Without
  // --dir4 the entry fails here too and lint reports it once as failing; with --dir4 it works
  // here, so lint says that RegisterQuindo would still fail it.
  const bool by_register = options.dir4 && PlatformFold().Fold(LastLevel(full.c_str())) ==
                                               PlatformFold().Fold(kProductScriptName);
  ScriptCheck check(options, survey, fold, RegistryFold(), report, by_register);
  check.Explain(context, full.c_str());
  check.Lint();
  check.Coverage();
  report.Summary();
  return report.ExitStatus();
}

}  // namespace qnd
