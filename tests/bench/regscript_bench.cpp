// Times DoReg on a generated registry script of 2,000 values in 200 key sections against
// (a) the platform's regedit /s on the same file and (b) a minimal program that makes only the
// platform calls DoReg must make; then UndoReg on the same script with every key on its removal
// list against a minimal program that makes only the platform calls UndoReg must make; and
// DoReg again with its trace (QNDSETUP_LOG) written to a file; and DoReg of 40 values traced
// while another process takes its log's lock again and again, against the same call untraced.
// Prints the ratios. Not a test: nothing is asserted.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "qndsetup.h"
#include "trace_lock.h"

namespace {

constexpr int kSections = 200, kValuesPerSection = 10, kRounds = 9;

// The script; with `removal`, an "UNINSTALL" list that names every key of it as a key tree.
std::string Script(const char* key, bool removal = false) {
  std::string s = "REGEDIT4\r\n\r\n";
  char line[160];
  for (int k = 0; k < kSections; ++k) {
    std::snprintf(line, sizeof line, "[HKEY_CURRENT_USER\\Software\\QndBench\\%s\\Key%03d]\r\n",
                  key, k);
    s += line;
    for (int v = 0; v < kValuesPerSection; ++v) {
      if (v % 2) {
        std::snprintf(line, sizeof line, "\"Number%d\"=dword:%08x\r\n", v, k * 100 + v);
      } else {
        std::snprintf(line, sizeof line,
                      "\"Text%d\"=\"C:\\\\Program Files\\\\Quindo\\\\file%03d_%d.dat\"\r\n", v, k,
                      v);
      }
      s += line;
    }
    s += "\r\n";
  }
  if (removal) {
    s += "[UNINSTALL]\r\n";
    for (int k = 0; k < kSections; ++k) {
      std::snprintf(line, sizeof line, "HKEY_CURRENT_USER\\Software\\QndBench\\%s\\Key%03d=\r\n",
                    key, k);
      s += line;
    }
  }
  return s;
}

// Writes `text` (by default the script of `key`) into a temporary file named by `key`.
std::string WriteScript(const char* key, bool removal = false, std::string text = "") {
  char dir[MAX_PATH];
  GetTempPathA(MAX_PATH, dir);
  const std::string path = std::string(dir) + "qndbench-" + key + ".reg";
  if (text.empty()) text = Script(key, removal);
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD n;
  WriteFile(h, text.data(), (DWORD)text.size(), &n, nullptr);
  CloseHandle(h);
  return path;
}

// Starts the command line `command`; its process handle, or null.
HANDLE Start(std::string command) {
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi;
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return nullptr;
  CloseHandle(pi.hThread);
  return pi.hProcess;
}

double Now() {
  LARGE_INTEGER t, f;
  QueryPerformanceCounter(&t);
  QueryPerformanceFrequency(&f);
  return (double)t.QuadPart * 1000.0 / (double)f.QuadPart;
}

void Clear(const char* key) {
  RegDeleteTreeA(HKEY_CURRENT_USER, (std::string("Software\\QndBench\\") + key).c_str());
}

// The platform calls of DoReg and nothing else: the three profile reads, then create, set,
// flush and close for every value.
int Minimal(const char* file) {
  std::vector<char> sections(32768), entries(32768);
  GetPrivateProfileStringA(nullptr, nullptr, "", sections.data(), 32768, file);
  for (const char* s = sections.data(); *s; s += strlen(s) + 1) {
    GetPrivateProfileStringA(s, nullptr, "", entries.data(), 32768, file);
    const char* sub = strchr(s, '\\') + 1;
    for (const char* e = entries.data(); *e; e += strlen(e) + 1) {
      char data[1024], name[512];
      GetPrivateProfileStringA(s, e, "", data, sizeof data, file);
      const size_t n = strlen(e);
      memcpy(name, e + 1, n - 2);  // the name without its quotation marks
      name[n - 2] = 0;
      HKEY key;
      if (RegCreateKeyA(HKEY_CURRENT_USER, sub, &key)) return 0;
      if (strncmp(data, "dword:", 6) == 0) {
        const DWORD d = strtoul(data + 6, nullptr, 16);
        RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE*)&d, 4);
      } else {
        RegSetValueExA(key, name, 0, REG_SZ, (const BYTE*)data, (DWORD)strlen(data) + 1);
      }
      RegFlushKey(key);
      RegCloseKey(key);
    }
  }
  return 1;
}

// The platform calls of UndoReg and nothing else, for a removal list of key trees without
// sub-keys: the list, then for every entry its data, and open, enumerate, delete and close.
int MinimalUndo(const char* file) {
  std::vector<char> entries(32770);
  GetPrivateProfileStringA("UNINSTALL", nullptr, "", entries.data(), 32770, file);
  for (const char* e = entries.data(); *e; e += strlen(e) + 1) {
    char data[1024], child[512];
    GetPrivateProfileStringA("UNINSTALL", e, "?\n?", data, sizeof data, file);
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, strchr(e, '\\') + 1, REG_OPTION_OPEN_LINK, MAXIMUM_ALLOWED,
                      &key)) {
      return 0;
    }
    RegEnumKeyA(key, 0, child, sizeof child);
    RegDeleteKeyA(key, "");
    RegCloseKey(key);
  }
  return 1;
}

int Regedit(const char* file) {
  HANDLE process = Start(std::string("regedit.exe /s \"") + file + "\"");
  if (!process) return 0;
  WaitForSingleObject(process, INFINITE);
  CloseHandle(process);
  return 1;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// One timed run on a cleared key, after `prepare` (not timed); the key is cleared afterwards.
template <typename Run, typename Prepare>
double Time1(const char* key, Run run, Prepare prepare) {
  Clear(key);
  prepare();
  const double t0 = Now();
  if (!run()) std::printf("  (%s: a run failed)\n", key);
  const double ms = Now() - t0;
  Clear(key);
  return ms;
}
template <typename Run>
double Time1(const char* key, Run run) {
  return Time1(key, run, [] {});
}

// The median of kRounds runs as Time1 times them.
template <typename Run, typename Prepare>
double Time(const char* key, Run run, Prepare prepare) {
  std::vector<double> ms;
  for (int r = 0; r < kRounds; ++r) ms.push_back(Time1(key, run, prepare));
  return Median(ms);
}
template <typename Run>
double Time(const char* key, Run run) {
  return Time(key, run, [] {});
}

// As another process: takes lock LOCK for 20 ms, lets it go, and again, until event DONE is set
// (a minute at most).
int Pulse(const char* lock_name, const char* done_name) {
  HANDLE lock = CreateMutexA(nullptr, FALSE, lock_name);
  HANDLE done = OpenEventA(SYNCHRONIZE, FALSE, done_name);
  for (int turn = 0; turn < 3000; ++turn) {
    if (WaitForSingleObject(lock, 30000) != WAIT_OBJECT_0) return 1;
    const bool ended = WaitForSingleObject(done, 20) == WAIT_OBJECT_0;
    ReleaseMutex(lock);
    if (ended) return 0;
  }
  return 1;
}

// DoReg of 40 values traced while another process pulses the lock of its log, against the same
// call untraced: the trace's wait is bounded per call, so the difference is a second at most.
void TimePulsedLock(decltype(&DoReg) do_reg) {
  const std::string text = Script("Pulsed");  // its first 4 sections: 40 values
  size_t at = 0;
  for (int k = 0; k < 5 && at != std::string::npos; ++k) at = text.find("[HKEY", at + 1);
  const std::string script = WriteScript("Pulsed", false, text.substr(0, at));
  const std::string log = script + ".log";
  const double untraced = Time("Pulsed", [&] { return do_reg(script.c_str(), nullptr, 0); });
  CloseHandle(CreateFileA(log.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  HANDLE done = CreateEventA(nullptr, TRUE, FALSE, "qndbench.pulse.done");
  char exe[MAX_PATH];
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  HANDLE pulse = Start(std::string("\"") + exe + "\" --pulse " + bench::TraceLockName(log) +
                       " qndbench.pulse.done");
  if (!pulse) {
    std::printf("  (cannot start the process that pulses the lock)\n");
    return;
  }
  Sleep(200);  // it holds the lock by now
  SetEnvironmentVariableA("QNDSETUP_LOG", log.c_str());
  const double traced = Time("Pulsed", [&] { return do_reg(script.c_str(), nullptr, 0); });
  SetEnvironmentVariableA("QNDSETUP_LOG", nullptr);
  SetEvent(done);
  WaitForSingleObject(pulse, 60000);
  CloseHandle(pulse);
  CloseHandle(done);
  std::printf("40 values, the log's lock taken for 20 ms again and again by another process:\n");
  std::printf("  DoReg            %8.1f ms\n", untraced);
  std::printf(
      "  DoReg, traced    %8.1f ms   traced / untraced = %.2f (the wait: a second at most)\n",
      traced, traced / untraced);
  DeleteFileA(log.c_str());
  DeleteFileA(script.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--pulse") == 0) return Pulse(argv[2], argv[3]);
  HMODULE dll = LoadLibraryA("qndsetup.dll");
  auto do_reg =
      reinterpret_cast<decltype(&DoReg)>(reinterpret_cast<void*>(GetProcAddress(dll, "DoReg")));
  auto undo_reg =
      reinterpret_cast<decltype(&UndoReg)>(reinterpret_cast<void*>(GetProcAddress(dll, "UndoReg")));
  if (!do_reg || !undo_reg) {
    std::printf("cannot bind DoReg and UndoReg of qndsetup.dll\n");
    return 1;
  }
  const std::string a = WriteScript("DoReg"), b = WriteScript("Regedit"),
                    c = WriteScript("Minimal");
  Minimal(c.c_str());  // warm-up of the profile reader and the registry
  do_reg(a.c_str(), nullptr, 0);

  // Untraced and traced in turn, so that both meet the same load of the machine; the ratio is
  // the median of the rounds' own ratios.
  const std::string log = a + ".log";
  std::vector<double> untraced, traced, ratios;
  for (int r = 0; r < 2 * kRounds + 1; ++r) {
    const double t0 = Time1("DoReg", [&] { return do_reg(a.c_str(), nullptr, 0); });
    DeleteFileA(log.c_str());
    SetEnvironmentVariableA("QNDSETUP_LOG", log.c_str());
    const double t1 = Time1("DoReg", [&] { return do_reg(a.c_str(), nullptr, 0); });
    SetEnvironmentVariableA("QNDSETUP_LOG", nullptr);
    untraced.push_back(t0);
    traced.push_back(t1);
    ratios.push_back(t1 / t0);
  }
  const double t_doreg = Median(untraced), t_traced = Median(traced), ratio = Median(ratios);
  WIN32_FILE_ATTRIBUTE_DATA traced_log = {};
  GetFileAttributesExA(log.c_str(), GetFileExInfoStandard, &traced_log);
  DeleteFileA(log.c_str());
  const double t_minimal = Time("Minimal", [&] { return Minimal(c.c_str()); });
  const double t_regedit = Time("Regedit", [&] { return Regedit(b.c_str()); });

  std::printf("%d values in %d key sections, median of %d runs:\n", kSections * kValuesPerSection,
              kSections, kRounds);
  std::printf("  DoReg            %8.1f ms\n", t_doreg);
  std::printf("  regedit /s       %8.1f ms   DoReg / regedit = %.2f\n", t_regedit,
              t_doreg / t_regedit);
  std::printf("  minimal program  %8.1f ms   DoReg / minimal = %.2f\n", t_minimal,
              t_doreg / t_minimal);
  std::printf(
      "  DoReg, traced    %8.1f ms   traced / untraced = %.2f (a log of %lu bytes; the "
      "median of %d rounds, each untraced then traced)\n",
      t_traced, ratio, traced_log.nFileSizeLow, 2 * kRounds + 1);

  const std::string u = WriteScript("UndoReg", true), m = WriteScript("MinimalUndo", true);
  const double t_undoreg = Time(
      "UndoReg", [&] { return undo_reg(u.c_str(), nullptr, 0); },
      [&] { do_reg(u.c_str(), nullptr, 0); });
  const double t_minimal_undo = Time(
      "MinimalUndo", [&] { return MinimalUndo(m.c_str()); },
      [&] { do_reg(m.c_str(), nullptr, 0); });
  std::printf("the same script with all %d keys on its removal list, median of %d runs:\n",
              kSections, kRounds);
  std::printf("  UndoReg          %8.1f ms\n", t_undoreg);
  std::printf("  minimal program  %8.1f ms   UndoReg / minimal = %.2f\n", t_minimal_undo,
              t_undoreg / t_minimal_undo);
  for (const std::string& f : {a, b, c, u, m}) DeleteFileA(f.c_str());
  TimePulsedLock(do_reg);
  return 0;
}
