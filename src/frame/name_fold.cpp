#include "frame/name_fold.h"

#include "frame/ascii.h"

namespace qnd {

NameFold NameFold::Ascii() {
  NameFold fold;
  for (int c = 0; c < 256; ++c) {
    fold.upper[c] = static_cast<unsigned char>(AsciiUpper(static_cast<char>(c)));
  }
  return fold;
}

std::string NameFold::Fold(const std::string& name) const {
  std::string folded(name);
  for (char& c : folded) c = static_cast<char>(upper[static_cast<unsigned char>(c)]);
  return folded;
}

}  // namespace qnd
