// The checker's "script" command (script_check.h).
#include "check/script_check.h"

#include <algorithm>
#include <vector>

#include "check/registry_model.h"
#include "check/script_survey.h"
#include "frame/handles.h"
#include "regscript/script_io.h"

namespace qnd {
namespace {

constexpr std::size_t kListedItems = 20;  // notes under one finding, at most
constexpr char kKeyFails[] = ": the entry fails, and DoReg stops there";
constexpr char kRemovalFails[] = ": the entry fails, and UndoReg stops there";

// The machine's registry, only read.
class MachineRegistry : public RegistryView {
 public:
  bool KeyExists(std::uint32_t root, const std::string& path) override {
    UniqueKey key;
    return Open(root, path, key);
  }
  bool ValueExists(std::uint32_t root, const std::string& path, const std::string& name) override {
    UniqueKey key;
    if (!path.empty() && !Open(root, path, key)) return false;
    const HKEY handle = path.empty() ? RootKeyHandle(root) : key.get();
    return RegQueryValueExA(handle, name.c_str(), nullptr, nullptr, nullptr, nullptr) !=
           ERROR_FILE_NOT_FOUND;
  }
  void ListKey(std::uint32_t root, const std::string& path, std::vector<std::string>& keys,
               std::vector<std::string>& values) override {
    UniqueKey key;
    if (path.empty() || !Open(root, path, key)) return;  // a whole root is never removed
    char name[16384];
    for (DWORD i = 0;; ++i) {
      DWORD n = sizeof name;
      if (RegEnumKeyExA(key.get(), i, name, &n, nullptr, nullptr, nullptr, nullptr)) break;
      keys.push_back(name);
    }
    for (DWORD i = 0;; ++i) {
      DWORD n = sizeof name;
      if (RegEnumValueA(key.get(), i, name, &n, nullptr, nullptr, nullptr, nullptr)) break;
      values.push_back(name);
    }
  }

 private:
  static bool Open(std::uint32_t root, const std::string& path, UniqueKey& key) {
    return RegOpenKeyExA(RootKeyHandle(root), path.c_str(), 0, KEY_READ, key.put()) ==
           ERROR_SUCCESS;
  }
};

// "HKEY_CURRENT_USER\\Software\\X" from a root's handle value and a sub-key path.
std::string KeyName(std::uint32_t root, const std::string& sub_key) {
  const std::string name = RootKeyName(root) ? RootKeyName(root) : "?";
  return sub_key.empty() ? name : name + "\\" + sub_key;
}

// "key K", "value "V" of K" or "the default value of K".
std::string ItemName(const ModelItem& item) {
  if (!item.is_value) return "key " + item.key;
  return (item.value.empty() ? std::string("the default value") : "value \"" + item.value + "\"") +
         " of " + item.key;
}

// One explain line: where the value goes, its name, type and data.
std::string DescribeWrite(const KeyEntry& e) {
  const std::string name = e.is_default ? "@" : "\"" + e.value_name + "\"";
  const std::string data = e.type == kRegDword
                               ? Format("REG_DWORD 0x%08lx", (unsigned long)e.number)
                               : "REG_SZ \"" + e.data + "\"";
  return KeyName(e.root, e.sub_key) + ": " + name + " = " + data;
}

// Why an entry fails, for one that cannot be found again by its listed name.
constexpr char kDataLost[] =
    "the entry's data cannot be found again by its listed name (is the file saved in another "
    "code page, such as UTF-8?)";

// Why an entry of a key section fails, in words.
std::string KeyFailure(const KeyEntry& e) {
  return !e.found                       ? std::string(kDataLost)
         : e.result == PlanResult::Fail ? DescribeFault(e.fault)
                                        : e.refusal;
}

// Why an entry of the removal list fails, in words.
std::string RemovalFailure(const RemovalEntry& e) {
  std::string why = e.refusal;
  if (!e.found) {
    why = kDataLost;
  } else if (e.result == RemovalResult::NoRoot) {
    why =
        "the entry name begins with no root name (such as HKEY_CURRENT_USER; a quotation mark "
        "counts as its first character)";
  } else if (e.result == RemovalResult::WholeRoot) {
    why = "a key-tree entry that names a whole root key: UndoReg refuses it";
  } else if (e.result == RemovalResult::Fail) {
    why = DescribeFault(e.fault);
  }
  return why;
}

// True when the entry's section, name or data holds "$4".
bool EntryUsesDir4(const SurveyedEntry& e) {
  return UsesDir4(e.section.c_str()) || UsesDir4(e.name.c_str()) || UsesDir4(e.raw_data.c_str());
}

// The three parts of the command over one survey of the script; every finding names the file
// as the command line gave it.
class ScriptCheck {
 public:
  ScriptCheck(const ScriptOptions& options, const ScriptSurvey& survey, const NameFold& fold,
              Report& report, bool applied_by_register)
      : options_(options),
        survey_(survey),
        fold_(fold),
        report_(report),
        by_register_(applied_by_register) {}

  // Lists each value DoReg writes, in its order, up to the entry where it stops.
  void Explain(const PathContext& context);
  // Reports the traps of sections, name lists and entries, and every entry that fails.
  void Lint();
  // Runs the install and the uninstall through the model of this machine's registry and
  // reports what is left behind and what is removed that the script never writes.
  void Coverage();

 private:
  void Find(Severity s, int line, const std::string& text) {
    report_.Finding(s, options_.file, line, text);
  }
  void LintSections();
  void LintEntry(const SurveyedEntry& e, const char* failure, bool uses4);
  void LintData(const KeyEntry& e);
  void Install(RegistryModel& model);    // the writes, up to where DoReg stops
  void Uninstall(RegistryModel& model);  // the removals, up to where UndoReg stops
  void ReportRemoval(const RemovalEntry& e, const RemovalEffect& effect);
  // Notes each item under a finding, `kListedItems` at most.
  void ListItems(int line, const std::vector<ModelItem>& items, const char* lead);

  const ScriptOptions& options_;
  const ScriptSurvey& survey_;
  const NameFold& fold_;
  Report& report_;
  bool by_register_;
};

void ScriptCheck::Explain(const PathContext& context) {
  report_.Heading(Format("explain: what DoReg writes, in order ($0 = %s, $4 = %s)", context.dir0,
                         context.dir4 ? context.dir4 : "none"));
  std::size_t written = 0;
  for (const KeyEntry& e : survey_.writes) {
    if (e.Fails()) {
      report_.Line(options_.file, e.line,
                   "DoReg stops here and gives 0 (" + KeyFailure(e) + "); " +
                       Count(survey_.writes.size() - written - 1, "entry", "entries") +
                       " after it not written");
      return;
    }
    report_.Line(options_.file, e.line, DescribeWrite(e));
    ++written;
  }
  report_.Line(options_.file, 0,
               "DoReg writes " + Count(written, "value", "values") + " and gives 1");
}

void ScriptCheck::Lint() {
  report_.Heading("lint: the traps of the format");
  if (survey_.no_memory) Find(Severity::Error, 0, "no memory for a name list");
  LintSections();
  for (const KeyEntry& e : survey_.writes) {
    if (!e.first_walk) continue;  // the same entries again: reported at the section
    const std::string failure = e.Fails() ? KeyFailure(e) + kKeyFails : std::string();
    LintEntry(e, e.Fails() ? failure.c_str() : nullptr, !e.Fails() && EntryUsesDir4(e));
    if (!e.Fails() && !e.repeat_of) LintData(e);  // a repeat has the first one's data
  }
  for (const RemovalEntry& e : survey_.removals) {
    const std::string failure = e.Fails() ? RemovalFailure(e) + kRemovalFails : std::string();
    LintEntry(e, e.Fails() ? failure.c_str() : nullptr, !e.Fails() && EntryUsesDir4(e));
    if (!e.Fails() && !e.refusal.empty()) {
      Find(Severity::Warning, e.line, e.refusal + ": the value is never removed");
    }
  }
}

// Repeated key sections and removal lists, sections that look like keys without a root name,
// and name lists near or over the library's 32768 characters.
void ScriptCheck::LintSections() {
  for (const SurveyedSection& s : survey_.sections) {
    std::uint32_t root = 0;
    const char* sub = nullptr;
    const bool key = ParseRootKey(s.name.c_str(), &root, &sub);
    if (s.repeat_of && (key || fold_.Fold(s.name) == kRemovalList)) {
      Find(Severity::Warning, s.line,
           Format("section [%s] repeats the one on line %d: the reader gives both that one's "
                  "entries, so the entries here are never read",
                  s.name.c_str(), s.repeat_of));
    }
    if (!key && LooksLikeKey(s.name.c_str())) {
      Find(Severity::Warning, s.line,
           "section [" + s.name +
               "] looks like a key but begins with no root name (they are "
               "written out, such as HKEY_CURRENT_USER): DoReg skips it without a word");
    }
  }
  for (const ListUse& use : survey_.lists) {
    Find(Severity::Warning, use.line,
         use.first_unseen.empty()
             ? Format("%s take %u of the 32768 characters the library reads", use.what.c_str(),
                      (unsigned)use.chars)
             : Format("%s take %u characters; the library reads 32768, and never sees the names "
                      "from \"%s\" on",
                      use.what.c_str(), (unsigned)use.chars, use.first_unseen.c_str()));
  }
}

// What every entry may show: its failure, a repeated name, "$4" under RegisterQuindo, texts
// near their limit.
void ScriptCheck::LintEntry(const SurveyedEntry& e, const char* failure, bool uses4) {
  if (failure && !e.repeat_of) Find(Severity::Error, e.line, failure);  // as the first one
  if (e.repeat_of) {
    Find(Severity::Warning, e.line,
         Format("entry \"%s\" repeats the one on line %d of its section: the reader gives "
                "every copy that one's data",
                e.name.c_str(), e.repeat_of));
  }
  if (uses4 && by_register_) {
    Find(Severity::Error, e.line,
         "\"$4\" in a script that RegisterQuindo applies: it gives no $4 directory, so the "
         "entry always fails there");
  }
  if (failure) return;
  const std::pair<const char*, std::size_t> texts[] = {{"the sub-key path", e.sub_key.size()},
                                                       {"the value name", e.value_name.size()}};
  for (const auto& text : texts) {
    if (NearTextLimit(text.second)) {
      Find(Severity::Warning, e.line,
           Format("%s has %u of the 511 characters that fit (with this machine's directories)",
                  text.first, (unsigned)text.second));
    }
  }
}

// The data's length and the traps of "dword:".
void ScriptCheck::LintData(const KeyEntry& e) {
  if (NearTextLimit(e.data.size())) {
    Find(Severity::Warning, e.line,
         Format("the data has %u of the 511 characters that fit (with this machine's "
                "directories)",
                (unsigned)e.data.size()));
  }
  switch (FindDataTrap(e.data.c_str(), e.is_default)) {
    case DataTrap::DwordOtherCase:
      Find(Severity::Warning, e.line,
           "\"dword:\" is read in lower-case letters only: this data is stored as a string");
      break;
    case DataTrap::DefaultDword:
      Find(Severity::Warning, e.line,
           "the default value (@) is always a string: \"dword:\" is not read there");
      break;
    case DataTrap::DwordInText:
      Find(Severity::Warning, e.line,
           Format("\"dword:\" inside the text makes it a number: stored as REG_DWORD 0x%08lx",
                  (unsigned long)e.number));
      break;
    case DataTrap::DwordNotNumber:
      Find(Severity::Warning, e.line,
           Format("\"dword:\" is not followed by a hexadecimal number of 8 digits at most: "
                  "stored as REG_DWORD 0x%08lx",
                  (unsigned long)e.number));
      break;
    default: break;
  }
}

void ScriptCheck::Coverage() {
  report_.Heading("coverage: an install by DoReg, then the uninstall by UndoReg");
  MachineRegistry machine;
  RegistryModel model(machine, fold_);
  Install(model);
  Uninstall(model);
  std::vector<Leftover> left = model.LeftBehind();
  std::stable_sort(left.begin(), left.end(),
                   [](const Leftover& a, const Leftover& b) { return a.item.line < b.item.line; });
  for (const Leftover& l : left) {
    if (l.emptied) {  // no removal entry can delete it alone: not the script's fault
      Find(Severity::Note, l.item.line,
           "the uninstall leaves " + ItemName(l.item) +
               " empty, which the install created: the setup deletes it when it is empty (a "
               "removal entry would take other programs' keys below it too)");
      continue;
    }
    if (l.item.is_value) {
      Find(Severity::Warning, l.item.line,
           "the uninstall leaves " + ItemName(l.item) + " behind (the key was there before)");
      continue;
    }
    Find(Severity::Warning, l.item.line,
         "the uninstall leaves " + ItemName(l.item) + " behind, which the install created" +
             (l.inside.empty() ? " (empty)"
                               : ", with " + Count(l.inside.size(), "item", "items") + " in it"));
    ListItems(l.item.line, l.inside, "left behind too:");
  }
}

void ScriptCheck::Install(RegistryModel& model) {
  for (const KeyEntry& e : survey_.writes) {
    if (e.Fails()) return;  // DoReg stops here
    model.WriteValue(e.root, e.sub_key, e.is_default ? std::string() : e.value_name, e.line);
  }
}

void ScriptCheck::Uninstall(RegistryModel& model) {
  for (std::size_t i = 0; i < survey_.removals.size(); ++i) {
    const RemovalEntry& e = survey_.removals[i];
    if (e.Fails()) {
      report_.Line(options_.file, e.line,
                   "UndoReg stops here and gives 0 (" + RemovalFailure(e) + "); " +
                       Count(survey_.removals.size() - i - 1, "entry", "entries") +
                       " after it not carried out");
      return;
    }
    if (!e.refusal.empty()) continue;  // a value of a key the registry cannot open
    const RemovalEffect effect = e.result == RemovalResult::Tree
                                     ? model.RemoveTree(e.root, e.sub_key)
                                     : model.RemoveValue(e.root, e.sub_key, e.value_name);
    ReportRemoval(e, effect);
    if (effect.too_deep) return;
  }
}

// Lists what one removal entry deletes, and reports a tree too deep to delete, an entry that
// removes nothing, and what it takes that was there before and never written.
void ScriptCheck::ReportRemoval(const RemovalEntry& e, const RemovalEffect& effect) {
  const std::string key = KeyName(e.root, e.sub_key);
  report_.Line(options_.file, e.line,
               e.result == RemovalResult::Tree
                   ? "UndoReg deletes key " + key + " with everything below it"
                   : "UndoReg deletes value \"" + e.value_name + "\" of " + key);
  if (effect.too_deep) {
    Find(Severity::Error, e.line, "key " + key + " is more than 512 levels deep" + kRemovalFails);
  } else if (!effect.found) {
    Find(Severity::Note, e.line,
         (e.result == RemovalResult::Tree ? "key " + key
                                          : "value \"" + e.value_name + "\" of " + key) +
             " is neither written by the script nor there now: this entry removes nothing" +
             (e.value_name == "@" ? " (\"@\" names a value called @ here; a default value "
                                    "goes only with its key)"
                                  : ""));
  } else if (!effect.foreign.empty()) {
    const ModelItem& first = effect.foreign.front();
    Find(Severity::Warning, e.line,
         "the uninstall removes " + ItemName(first) + ", which was there before the install " +
             "and which the script never writes: it may belong to other programs" +
             (effect.foreign.size() > 1
                  ? " (and " +
                        Count(effect.foreign.size() - 1, "more such item", "more such items") + ")"
                  : ""));
    ListItems(e.line, std::vector<ModelItem>(effect.foreign.begin() + 1, effect.foreign.end()),
              "removed too:");
  }
}

void ScriptCheck::ListItems(int line, const std::vector<ModelItem>& items, const char* lead) {
  for (std::size_t i = 0; i < items.size() && i < kListedItems; ++i) {
    Find(Severity::Note, line, std::string(lead) + " " + ItemName(items[i]));
  }
  if (items.size() > kListedItems) {
    Find(Severity::Note, line, Format("... and %u more", (unsigned)(items.size() - kListedItems)));
  }
}

}  // namespace

int CheckScript(const ScriptOptions& options, Report& report) {
  PathStr full, dir;
  std::string text;
  if (!ReadProfileFile(options.file, full, dir, text)) {
    report.Finding(Severity::Error, options.file, 0, "cannot read this file");
    return kExitErrors;
  }
  const PathContext context = {options.dir0 ? options.dir0 : dir.c_str(), options.dir4};
  const NameFold fold = PlatformFold();
  const ScriptLines lines(text, fold);
  ScriptSurvey survey;
  SurveyScript(full.c_str(), context, lines, fold, survey);

  const char* base = std::strrchr(full.c_str(), '\\');
  // "$4" in the product's own script fails under RegisterQuindo, which gives no $4. Without
  // --dir4 the entry fails here too and lint reports it once as failing; with --dir4 it works
  // here, so lint says that RegisterQuindo would still fail it.
  const bool by_register =
      (options.dir4 && fold.Fold(base ? base + 1 : full.c_str()) == "QUINDO.SRG");
  ScriptCheck check(options, survey, fold, report, by_register);
  check.Explain(context);
  check.Lint();
  check.Coverage();
  report.Summary();
  return report.ExitStatus();
}

}  // namespace qnd
