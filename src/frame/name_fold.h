// Letter case of the names in the registry and in profile files: two names are the same when
// their bytes map to the same upper-case bytes. Portable: no platform headers; the platform's
// own mapping of the ANSI code page comes from PlatformFold (frame/profile_text.h).
#pragma once

#include <string>

namespace qnd {

struct NameFold {
  unsigned char upper[256];
  // Folds only "a" to "z".
  [[nodiscard]] static NameFold Ascii();
  // `name` with every byte mapped to its upper-case byte.
  [[nodiscard]] std::string Fold(const std::string& name) const;
};

}  // namespace qnd
