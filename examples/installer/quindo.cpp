// quindo.exe: a stand-in for the translator that the example setup installs. It says where the
// setup recorded it: the registry script's "Path" and the path record in Quindo32.uni.
#include <windows.h>

#include <cstdio>

int main() {
  char path[MAX_PATH] = "(not recorded)";
  DWORD size = sizeof path;
  RegGetValueA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Halvecor\\Quindo\\3.0", "Path", RRF_RT_REG_SZ,
               nullptr, path, &size);
  char record[MAX_PATH] = "(none)", settings[MAX_PATH];
  const int n = std::snprintf(settings, sizeof settings, "%sQuindo32.uni", path);
  if (n > 0 && n < static_cast<int>(sizeof settings)) {  // a cut name is no file's
    GetPrivateProfileStringA("Setup", "Path", "(none)", record, sizeof record, settings);
  }
  std::printf("Quindo English-Russian translator (stand-in)\ninstalled in %s\npath record: %s\n",
              path, record);
  return 0;
}
