// qndstandin: stands in for a running application and for its user, so that the running
// application check can be shown without anyone at the screen (make demo, scripts/screenshot).
//
//   qndstandin [--grab FOLDER] CLASS COMMAND [ARGUMENTS...]
//
// Opens a window of CLASS (the application) and a hidden window of class "InstallShield_Win"
// (the setup engine, which owns the box), runs COMMAND, and answers the message boxes "Setup"
// of COMMAND's process as a user would: it prints the first box's text, closes the application
// window and presses Retry; any later box is cancelled. With --grab it first writes the first
// box's screen rectangle ("WIDTHxHEIGHT+X+Y") to FOLDER\box.txt and waits for FOLDER\grabbed.
// Every wait is bounded. Exit code: COMMAND's, or 3 when a wait ran out.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr DWORD kLimitMs = 60000;  // for the whole run and for the grab

struct Run {
  const char* app_class;
  HWND app;
  UINT go_home;
  std::string grab;  // folder, or empty
  PROCESS_INFORMATION child;
  int boxes;
};
Run run;

// Says what happens, prefixed, and at once (the output goes to a pipe).
void Say(const char* text) {
  std::printf("qndstandin: %s\n", text);
  (void)std::fflush(stdout);  // to the test's pipe: when it is gone, no one is listening
}

// Handles this thread's messages for about 10 ms. The box's process sends messages to the engine
// window (it disables and enables its owner), so every wait here goes on handling them.
void Pause() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
  if (message == run.go_home && hwnd == run.app) {
    Say((std::string("the ") + run.app_class + " window got QUINDO_GO_HOME").c_str());
  }
  return DefWindowProcA(hwnd, message, wp, lp);
}

// A top-level window of class `cls`, titled `title`; shown when `visible`.
[[nodiscard]] HWND MakeWindow(const char* cls, const char* title, bool visible) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  // NOLINTNEXTLINE(performance-no-int-to-ptr): a system colour's index + 1 stands for its brush
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
  wc.lpszClassName = cls;
  RegisterClassA(&wc);
  return CreateWindowExA(0, cls, title, WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0), 40, 40,
                         640, 420, nullptr, nullptr, wc.hInstance, nullptr);
}

// A visible box "Setup" of the child process, or null.
[[nodiscard]] HWND FindBox() {
  HWND w = nullptr;
  while ((w = FindWindowExA(nullptr, w, "#32770", "Setup")) != nullptr) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid == run.child.dwProcessId && IsWindowVisible(w)) return w;
  }
  return nullptr;
}

// The box's text (the Static with id 0xFFFF) in UTF-8, for the terminal.
[[nodiscard]] std::string BoxText(HWND box) {
  wchar_t wide[512] = {};
  char utf8[1536] = {};
  GetDlgItemTextW(box, 0xFFFF, wide, 512);
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8, sizeof utf8, nullptr, nullptr);
  return utf8;
}

// True when `path` appeared within the limit.
[[nodiscard]] bool WaitForFile(const std::string& path) {
  for (DWORD waited = 0; waited < kLimitMs; waited += 10) {
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    Pause();
  }
  return false;
}

// Has the box painted whole, hands its rectangle to the screen grabber (written aside, then
// renamed, so that it is never read half written) and waits until the grabber is done.
[[nodiscard]] bool LetGrab(HWND box) {
  RedrawWindow(box, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  RECT r;
  GetWindowRect(box, &r);
  const std::string part = run.grab + "\\box.part", done = run.grab + "\\box.txt";
  FILE* f = std::fopen(part.c_str(), "w");
  if (!f) return false;
  std::fprintf(f, "%ldx%ld+%ld+%ld\n", r.right - r.left, r.bottom - r.top, r.left, r.top);
  if (std::fclose(f) != 0) return false;  // not written whole
  return MoveFileA(part.c_str(), done.c_str()) && WaitForFile(run.grab + "\\grabbed");
}

// Answers one box: the first by closing the application window and choosing Retry, any other
// by Cancel. False when the grab or the box's end did not come in time.
[[nodiscard]] bool Answer(HWND box) {
  const bool first = run.boxes++ == 0;
  const HWND owner = GetWindow(box, GW_OWNER);
  std::string seen = std::string("box \"Setup\"") + (owner ? " owned by the setup engine" : "");
  Say((seen + ": " + BoxText(box)).c_str());
  if (first && !run.grab.empty() && !LetGrab(box)) return false;
  int button = IDCANCEL;
  if (first) {
    Say((std::string("closing the ") + run.app_class + " window, then Retry").c_str());
    DestroyWindow(run.app);
    button = IDRETRY;
  } else {
    Say("Cancel");
  }
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
  for (int i = 0; i < 1000 && IsWindow(box); ++i) Pause();
  return !IsWindow(box);
}

// Pumps this thread's windows and answers boxes until the child ends. False on a time-out.
[[nodiscard]] bool Watch() {
  for (DWORD waited = 0; waited < kLimitMs; waited += 10) {
    Pause();
    if (WaitForSingleObject(run.child.hProcess, 0) == WAIT_OBJECT_0) return true;
    if (HWND box = FindBox()) {
      if (!Answer(box)) return false;
    }
  }
  return false;
}

[[nodiscard]] int Usage() {
  std::fprintf(stderr, "usage: qndstandin [--grab FOLDER] CLASS COMMAND [ARGUMENTS...]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  int a = 1;
  if (a + 1 < argc && std::strcmp(argv[a], "--grab") == 0) {
    run.grab = argv[a + 1];
    a += 2;
  }
  if (argc - a < 2) return Usage();
  run.app_class = argv[a++];
  // each argument quoted only when it holds a blank: an NSIS setup reads "/S" only unquoted
  std::string command;
  for (; a < argc; ++a) {
    const bool quote = std::strchr(argv[a], ' ') != nullptr;
    command += std::string(command.empty() ? "" : " ") + (quote ? "\"" : "") + argv[a] +
               (quote ? "\"" : "");
  }

  run.go_home = RegisterWindowMessageA("QUINDO_GO_HOME");
  const HWND engine = MakeWindow("InstallShield_Win", "Setup", false);
  run.app = MakeWindow(run.app_class, (std::string(run.app_class) + " (stand-in)").c_str(), true);
  if (!engine || !run.app) return Usage();
  Say((std::string("a window of class ") + run.app_class + " is open; running " + command).c_str());

  STARTUPINFOA si = {};
  si.cb = sizeof si;
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si,
                      &run.child)) {
    std::fprintf(stderr, "qndstandin: cannot run %s (error %lu)\n", command.c_str(),
                 GetLastError());
    return 2;
  }
  DWORD code = 3;
  if (Watch()) {
    GetExitCodeProcess(run.child.hProcess, &code);
  } else {
    Say("gave up waiting");
    TerminateProcess(run.child.hProcess, 3);
  }
  if (run.boxes == 0) Say("no box was shown");
  CloseHandle(run.child.hThread);
  CloseHandle(run.child.hProcess);
  return static_cast<int>(code);
}
