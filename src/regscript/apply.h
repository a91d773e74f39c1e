// Applying registry scripts: the writing of one entry. The exports DoReg and RegisterQuindo
// (qndsetup.h) walk a whole script with it.
#pragma once

#include <cstring>

#include "frame/trace.h"
#include "regscript/script_io.h"

namespace qnd {

// The key that the last entry of DoReg's walk wrote, kept while the trace is on: it is there,
// so an entry of the same key need not ask whether writing it creates the key.
class LastKey {
 public:
  [[nodiscard]] bool Is(std::uint32_t root, const TextStr& sub_key) const {
    return known_ && root == root_ && sub_key.size() == sub_key_.size() &&
           std::memcmp(sub_key.c_str(), sub_key_.c_str(), sub_key.size()) == 0;
  }
  void Set(std::uint32_t root, const TextStr& sub_key) {
    known_ = sub_key_.assign(sub_key.c_str(), sub_key.size());  // fits: the same size
    root_ = root;
  }

 private:
  bool known_ = false;
  std::uint32_t root_ = 0;
  TextStr sub_key_;
};

// Writes the value of entry `entry_name` = `data` of key section `section_name`. True when it
// was written, or when the section names no root key (skipped as a success); false when a macro
// fails, a text is over its 511 characters, or the registry refuses the key or the value. The
// trace gets the key it created, the value, or why the entry failed, and the directories of
// `record` its macros read.
[[nodiscard]] bool ApplyEntry(const char* section_name, const char* entry_name, const char* data,
                              PathRecord& record, LastKey& last, Trace& trace);

}  // namespace qnd
