// The checker's "fonts" command: what Internal007 would do with each entry of a font list and
// whether it would succeed on this machine, worked out with the font code's own planning.
// Changes nothing: no font is loaded, no file built, no profile written.
#pragma once

#include <string>

#include "check/report.h"

namespace qnd {

struct FontsOptions {
  std::string file;         // as given; findings name it so
  bool skip_fonts = false;  // as Internal007's second argument: only the substitutes
};

// Reports every entry of the font list in the order Internal007 works them. kExitErrors when
// the file cannot be read; else the report's exit status.
[[nodiscard]] int CheckFonts(const FontsOptions& options, Report& report);

}  // namespace qnd
