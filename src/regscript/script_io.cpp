#include "regscript/script_io.h"

#include "frame/folders.h"
#include "frame/path_join.h"
#include "frame/win.h"

namespace qnd {
namespace {

// GetFolder's work without its trace: a macro's failure is the entry's to report.
[[nodiscard]] bool FolderLookup(char code, PathStr& dir) {
  Trace quiet;
  return FolderPath(static_cast<unsigned char>(code), dir, quiet);
}

// A path longer than the buffer is reported as the size it needs: that is a failure too.
[[nodiscard]] bool ShortPathLookup(const char* path, PathStr& out) {
  return FillSized(out,
                   [path](char* to, unsigned room) { return GetShortPathNameA(path, to, room); });
}

constexpr MacroLookups kPlatformLookups = {FolderLookup, ShortPathLookup};

}  // namespace

const MacroLookups& PlatformLookups() { return kPlatformLookups; }

bool ProductScript(const char* directory, PathStr& dir, PathStr& script, Trace& trace) {
  if (!directory || !*directory) {
    trace.Refusal("no installation directory");
    return false;
  }
  if (dir.assign(directory) && EndWithBackslash(dir) && script.assign(dir.c_str()) &&
      script.append(kProductScriptName)) {
    return true;
  }
  trace.Refusal("the path of \"%s\" in the directory is over 259 characters", kProductScriptName);
  return false;
}

bool ScriptToRead(const char* script, PathStr& path, Trace& trace) {
  if (!script) {
    trace.Refusal("no script path");
    return false;
  }
  return ProfileFileToRead("script", script, path, trace);
}

int OnProductScript(const char* directory, const char* work_name, ScriptWork work, Trace& trace) {
  PathStr dir, script;
  if (!ProductScript(directory, dir, script, trace)) return 0;
  const QndPathContext context = {dir.c_str(), nullptr};
  Trace inner(trace, work_name, {script.c_str(), &context, 1});
  return inner.Return(work(script.c_str(), &context, inner));
}

void PathRecord::Show(const ContextReads& reads, Trace& trace) {
  if (!trace) return;
  const auto address = static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(context_));
  const auto show = [&](bool& shown, const char* macro, const char* dir) {
    if (shown) return;
    shown = true;
    if (dir) {
      trace.Step("%s is \"%s\" (path record 0x%08lx)", macro, dir, address);
    } else {
      trace.Step("%s has no directory (path record 0x%08lx)", macro, address);
    }
  };
  // Read here only as far as the macros read them: the record is valid that far.
  if (reads.dir0) show(shown_.dir0, "$0", context_->dir0);
  if (reads.dir4) show(shown_.dir4, "$4", context_->dir4);
}

void RefuseEntry(Trace& trace, const char* section, const char* name, const PlanFault& fault) {
  const ExpandFault& why = fault.text;
  const char* part = PartName(why.fault == TextFault::None ? EntryPart::SubKey : fault.part);
  if (why.fault == TextFault::TooLong || why.fault == TextFault::EmptyLevel ||
      why.fault == TextFault::None) {
    return trace.Refusal("entry \"%s\" of section \"%s\": %s %s", name, section, part,
                         TextFaultRule(why.fault));
  }
  const char macro[] = {'$', why.short_form ? '*' : why.code, why.code};
  trace.Refusal("entry \"%s\" of section \"%s\": %s %s (\"%.*s\" at %u)", name, section, part,
                TextFaultRule(why.fault), why.short_form ? 3 : 2, macro,
                static_cast<unsigned>(why.at));
}

void RefuseEntry(Trace& trace, const char* section, const char* name, const char* words) {
  trace.Refusal("entry \"%s\" of section \"%s\": %s", name, section, words);
}

bool EntryFound(const ProfileEntry& entry, Trace& trace) {
  if (!entry.found) {
    RefuseEntry(trace, entry.section, entry.name, "its data cannot be found again by this name");
  }
  return entry.found;
}

int WalkResult(WalkEnd end, Trace& trace) {
  if (end == WalkEnd::NoMemory) trace.Refusal("no memory for a name list of the script");
  return end == WalkEnd::Done ? 1 : 0;
}

WalkEnd WalkKeySections(const char* script, EntryVisit visit) {
  NameList sections;
  if (!sections.Read(script, nullptr)) return WalkEnd::NoMemory;
  for (const char* section = sections.First(); section; section = sections.Next(section)) {
    std::uint32_t root = 0;
    const char* sub = nullptr;
    if (!ParseRootKey(section, &root, &sub)) continue;
    const WalkEnd end = WalkSection(script, section, visit);
    if (end != WalkEnd::Done) return end;
  }
  return WalkEnd::Done;
}

}  // namespace qnd
