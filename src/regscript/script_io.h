// What the registry script code asks of the platform: the walks of DoReg and UndoReg over a
// script file, read through the profile reader, and the lookups its macros need.
#pragma once

#include "frame/profile.h"
#include "frame/trace.h"
#include "regscript/script_entry.h"
#include "regscript/text_rules.h"

namespace qnd {

static_assert(kEntryDataChars == kProfileValueChars, "script entries are read as profile entries");

// The platform's folder codes (GetFolder) and short path names (GetShortPathNameA).
const MacroLookups& PlatformLookups();

// The file name of the product's own script, in its installation directory.
inline constexpr char kProductScriptName[] = "QUINDO.SRG";

// The product's own script: "QUINDO.SRG" in the installation directory `directory`. Sets `dir`
// to the directory ending in a backslash (the "$0" directory) and `script` to the file's path.
// False, and the trace says why, for a null or empty directory, or one too long for the path to
// fit 260 characters.
[[nodiscard]] bool ProductScript(const char* directory, PathStr& dir, PathStr& script,
                                 Trace& trace);

// The work of DoReg or UndoReg on the script file `script`, with the path record `context`.
using ScriptWork = int (*)(const char* script, const PathContext* context, Trace& trace);

// The script file a DoReg or UndoReg call names: true, with its path in `path`; false, and the
// trace says why, for a null path (the profile reader would read WIN.INI instead) or a file that
// cannot be read.
[[nodiscard]] bool ScriptToRead(const char* script, PathStr& path, Trace& trace);

// RegisterQuindo and UnregisterQuindo: `work` on the product's own script in `directory`, with
// that directory as "$0", traced as a call of export `work_name` (DoReg or UndoReg) inside
// `trace`. 0, and the trace says why, when the directory gives no script path.
[[nodiscard]] int OnProductScript(const char* directory, const char* work_name, ScriptWork work,
                                  Trace& trace);

// The path record a DoReg or UndoReg call was given, and what its trace has shown of it: each
// directory once, when a macro first reads it (the call line shows only the record's address,
// so that the trace reads no more of it than the export does).
class PathRecord {
 public:
  explicit PathRecord(const PathContext* context) : context_(context) {}
  [[nodiscard]] const PathContext* context() const { return context_; }
  // After an entry was planned: the directories that planning read and the trace has not shown.
  void Show(const ContextReads& reads, Trace& trace);

 private:
  const PathContext* context_;
  ContextReads shown_;
};

// The section that lists what reversal removes.
inline constexpr char kRemovalList[] = "UNINSTALL";

// Why planning entry `name` of `section` failed, for the trace: "entry "NAME" of section
// "SECTION": the data has a folder code that gives no directory ("$Z" at 4)".
void RefuseEntry(Trace& trace, const char* section, const char* name, const PlanFault& fault);
// The same for a rule that `words` name: "entry "NAME" of section "SECTION": WORDS".
void RefuseEntry(Trace& trace, const char* section, const char* name, const char* words);

// True when the walk found the entry's data; otherwise the trace says so and the entry fails.
[[nodiscard]] bool EntryFound(const ProfileEntry& entry, Trace& trace);

// The result of the walk of DoReg or UndoReg: 1 when it went through; 0 when an entry failed,
// or when no memory for a name list could be had (which the trace says).
[[nodiscard]] int WalkResult(WalkEnd end, Trace& trace);

// The walk of DoReg: every entry of every key section of `script` (a section whose name begins
// with a root name), sections and entries in file order, until a visit returns false.
[[nodiscard]] WalkEnd WalkKeySections(const char* script, EntryVisit visit);

// The walk of UndoReg: every entry of the "UNINSTALL" list, in file order.
[[nodiscard]] inline WalkEnd WalkRemovalList(const char* script, EntryVisit visit) {
  return WalkSection(script, kRemovalList, visit);
}

}  // namespace qnd
