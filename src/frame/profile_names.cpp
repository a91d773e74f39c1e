#include "frame/profile_names.h"

namespace qnd {

std::size_t WholeNamesLength(const char* names, std::size_t length, std::size_t capacity) {
  if (length < capacity) return length;  // the final terminator fits too
  if (capacity == 0) return 0;
  for (std::size_t end = capacity - 1; end > 0; --end) {
    if (names[end - 1] == '\0') return end;  // the last name that ends inside the capacity
  }
  return 0;
}

}  // namespace qnd
