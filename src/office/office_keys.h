// The registry keys of Word 7.0 and Excel 7.0 that the add-in installation uses, all below
// HKEY_CURRENT_USER: data alone, so that the checker's list of shared keys can name them.
// Portable: no platform headers.
#pragma once

namespace qnd {

inline constexpr char kExcelKey[] = "Software\\Microsoft\\Excel\\7.0";
inline constexpr char kExcelOptionsKey[] = "Software\\Microsoft\\Excel\\7.0\\Microsoft Excel";
inline constexpr char kWordOptionsKey[] = "Software\\Microsoft\\Word\\7.0\\Options";

}  // namespace qnd
