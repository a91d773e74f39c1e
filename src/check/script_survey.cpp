// The checker's survey of a registry script (script_survey.h).
#include "check/script_survey.h"

#include <map>

#include "check/machine_registry.h"
#include "frame/handles.h"
#include "frame/profile_text.h"
#include "regscript/script_io.h"

namespace qnd {
namespace {

// A list that takes this much of the library's room is near its end.
constexpr std::size_t kNearListChars = NameList::kChars / 10 * 9;

// Where each entry met by a walk stands: counts the walks of each section name, and the
// entries of each name within one walk of a section.
class WalkPlaces {
 public:
  WalkPlaces(const ScriptLines& lines, const NameFold& fold) : lines_(lines), fold_(fold) {}

  void Place(const ProfileEntry& entry, SurveyedEntry& out) {
    if (entry.section != section_) {  // each listed name has its own text
      section_ = entry.section;
      names_.clear();
      ++walks_[fold_.Fold(entry.section)];
    }
    const int nth = names_[fold_.Fold(entry.name)]++;
    out.section = entry.section;
    out.name = entry.name;
    out.found = entry.found;
    out.data_chars = entry.length;
    if (entry.found) out.raw_data = entry.data;
    out.first_walk = walks_[fold_.Fold(entry.section)] == 1;
    out.line = lines_.EntryLine(entry.section, entry.name, nth);
    out.repeat_of = nth ? lines_.EntryLine(entry.section, entry.name, 0) : 0;
  }

 private:
  const ScriptLines& lines_;
  const NameFold& fold_;
  const char* section_ = nullptr;
  std::map<std::string, int> walks_;
  std::map<std::string, int> names_;
};

void PlanKeyEntry(const ProfileEntry& entry, const PathContext& context, KeyEntry& out) {
  if (!entry.found) return;  // DoReg fails there without planning
  EntryPlan plan;
  out.result = PlanEntry(entry.section, entry.name, entry.data, &context, PlatformLookups(), plan,
                         &out.fault);
  if (out.result != PlanResult::Write) return;
  out.root = plan.root;
  out.sub_key = plan.sub_key.c_str();
  out.value_name = plan.value_name.c_str();
  out.data = plan.data.c_str();
  out.is_default = plan.is_default;
  out.type = plan.converted.type;
  out.number = plan.converted.number;
  out.refusal = CreateStatus(out.root, out.sub_key);
}

void PlanRemovalEntry(const ProfileEntry& entry, const PathContext& context, RemovalEntry& out) {
  if (!entry.found) return;
  RemovalPlan plan;
  out.result = PlanRemoval(entry.name, entry.data, entry.length, &context, PlatformLookups(), plan,
                           &out.fault);
  out.root = plan.root;
  out.sub_key = plan.sub_key.c_str();
  out.value_name = plan.value_name.c_str();
  if (out.result == RemovalResult::Value) {
    const long opened = OpenStatus(out.root, out.sub_key);
    out.refusal = opened == ERROR_FILE_NOT_FOUND ? 0 : opened;
  } else if (out.result == RemovalResult::Tree) {
    const TreeKey tree = OpenTreeKey(RootKey(out.root), out.sub_key.c_str());
    out.tree_open = tree.open;
    const bool taken =
        out.tree_open == TreeKeyOpen::Opened || out.tree_open == TreeKeyOpen::NotThere;
    out.refusal = taken ? 0 : tree.status;  // a path the platform refuses, even as too long
  }
}

// Measures the name list of `section` (null: the section names) of `path` against the
// library's room. False when it takes less than nine tenths of it.
[[nodiscard]] bool MeasureList(const char* path, const char* section, ListUse& use) {
  const NameListUse measured = MeasureNameList(path, section);
  use.chars = measured.chars;
  use.first_unseen = measured.first_unseen;
  return measured.chars >= kNearListChars;
}

void SurveySections(const char* path, const ScriptLines& lines, const NameFold& fold,
                    ScriptSurvey& survey) {
  NameList sections;
  if (!sections.Read(path, nullptr)) {
    survey.no_memory = true;
    return;
  }
  std::map<std::string, int> seen;
  for (const char* name = sections.First(); name; name = sections.Next(name)) {
    const int nth = seen[fold.Fold(name)]++;
    const int first = lines.SectionLine(name, 0);
    survey.sections.push_back({name, lines.SectionLine(name, nth), nth ? first : 0});
    std::uint32_t root = 0;
    const char* sub = nullptr;
    const bool listed = ParseRootKey(name, &root, &sub) || fold.Fold(name) == kRemovalList;
    ListUse use{"the entry names of [" + std::string(name) + "]", first, 0, std::string()};
    if (!nth && listed && MeasureList(path, name, use)) survey.lists.push_back(use);
  }
  ListUse use{"the section names", 0, 0, std::string()};
  if (MeasureList(path, nullptr, use)) survey.lists.push_back(use);
}

}  // namespace

void SurveyScript(const char* path, const PathContext& context, const ScriptLines& lines,
                  const NameFold& fold, ScriptSurvey& survey) {
  SurveySections(path, lines, fold, survey);
  WalkPlaces key_places(lines, fold);
  const WalkEnd keys = WalkKeySections(path, [&](const ProfileEntry& entry) {
    survey.writes.emplace_back();
    key_places.Place(entry, survey.writes.back());
    PlanKeyEntry(entry, context, survey.writes.back());
    return true;  // the survey goes past a failure; explain stops where DoReg does
  });
  WalkPlaces removal_places(lines, fold);
  const WalkEnd removals = WalkRemovalList(path, [&](const ProfileEntry& entry) {
    survey.removals.emplace_back();
    removal_places.Place(entry, survey.removals.back());
    PlanRemovalEntry(entry, context, survey.removals.back());
    return true;
  });
  if (keys == WalkEnd::NoMemory || removals == WalkEnd::NoMemory) survey.no_memory = true;
}

}  // namespace qnd
