// The registry keys that Windows and other programs share. A removal entry that deletes one of
// them whole takes what other programs keep below it, on every machine the script runs on, so
// the checker calls it an error whatever this machine holds. Plain data, one key per row, each
// tested. The keys of Office that the library itself uses are its own constants.
// Portable: no platform headers.
#pragma once

#include "office/office_keys.h"

namespace qnd {

struct SharedKey {
  const char* root;  // a root name, such as "HKEY_LOCAL_MACHINE"
  const char* path;  // the sub-key path below it
};

constexpr SharedKey kSharedKeys[] = {
    {"HKEY_LOCAL_MACHINE", "Software"},
    {"HKEY_LOCAL_MACHINE", "Software\\Microsoft"},
    {"HKEY_LOCAL_MACHINE", "Software\\Microsoft\\Windows"},
    {"HKEY_LOCAL_MACHINE", "Software\\Microsoft\\Windows\\CurrentVersion"},
    {"HKEY_LOCAL_MACHINE", "Software\\Microsoft\\Windows\\CurrentVersion\\Run"},
    {"HKEY_LOCAL_MACHINE", "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce"},
    {"HKEY_LOCAL_MACHINE", "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"},
    {"HKEY_LOCAL_MACHINE", "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths"},
    {"HKEY_LOCAL_MACHINE", "Software\\Microsoft\\Office"},
    {"HKEY_LOCAL_MACHINE", "Software\\Classes"},
    {"HKEY_LOCAL_MACHINE", "System"},
    {"HKEY_CURRENT_USER", "Software"},
    {"HKEY_CURRENT_USER", "Software\\Microsoft"},
    {"HKEY_CURRENT_USER", "Software\\Microsoft\\Windows"},
    {"HKEY_CURRENT_USER", "Software\\Microsoft\\Windows\\CurrentVersion"},
    {"HKEY_CURRENT_USER", "Software\\Microsoft\\Windows\\CurrentVersion\\Run"},
    {"HKEY_CURRENT_USER", "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce"},
    {"HKEY_CURRENT_USER", "Software\\Classes"},
    {"HKEY_CURRENT_USER", "Software\\Microsoft\\Office"},
    {"HKEY_CURRENT_USER", "Software\\Microsoft\\Word"},
    {"HKEY_CURRENT_USER", "Software\\Microsoft\\Word\\7.0"},
    {"HKEY_CURRENT_USER", kWordOptionsKey},
    {"HKEY_CURRENT_USER", "Software\\Microsoft\\Excel"},
    {"HKEY_CURRENT_USER", kExcelKey},
    {"HKEY_CURRENT_USER", kExcelOptionsKey},
};

}  // namespace qnd
