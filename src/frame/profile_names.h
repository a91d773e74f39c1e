// The name lists of profile (INI) files as the platform's profile reader gives them: names, each
// with its terminator, and a final terminator. Portable: no platform headers.
#pragma once

#include <cstddef>

namespace qnd {

// How much of a profile name list (names, each with its terminator, as the profile reader gives
// them) a list of `capacity` characters holds whole, with room left for the list's final
// terminator. `length` is the reader's count: the list's characters before that terminator.
// A name that would reach past the capacity is not part of the list: the reader hands such a
// name over cut short, and a cut name is no name of the file. Gives a length that ends just
// after a terminator (0 when not even the first name fits).
[[nodiscard]] std::size_t WholeNamesLength(const char* names, std::size_t length,
                                           std::size_t capacity);

}  // namespace qnd
