// The running application check: CheckApplicationsActive asks the product's own programs to go
// home, then, while an application that conflicts with setup has a top-level window, asks the
// user in a Retry/Cancel box to close it.
//
// The Russian texts are code page 1251 bytes, written as escapes with the UTF-8 text beside them,
// so that no compiler or editor can re-encode them.
#include "frame/fixed_str.h"
#include "frame/trace.h"
#include "frame/win.h"

namespace qnd {
namespace {

// The registered message that the product's own programs take as "close, setup is coming".
constexpr char kGoHomeMessage[] = "QUINDO_GO_HOME";

// The setup engine's main window, which owns the box; it is never a conflicting application.
constexpr char kOwnerClass[] = "InstallShield_Win";

// "другой копии ZARIM(Velantix) Setup": the name of another running setup of the product, in the
// genitive case the message needs.
constexpr char kAnotherSetup[] =
    "\xE4\xF0\xF3\xE3\xEE\xE9 \xEA\xEE\xEF\xE8\xE8 ZARIM(Velantix) Setup";

struct ProbeRow {
  const char* window_class;  // a top-level window of this class, with any title, means running
  const char* name;          // what the message calls the application
  bool other_process;        // only windows of another process count
};

// The applications that conflict with setup, probed in this order: the first class that has a
// window decides the name shown, so another setup and the product itself are named before the
// Office applications, and each Retry starts again from the top. A setup is never another copy
// of itself, so the calling process's own setup windows do not count.
constexpr ProbeRow kProbeList[] = {
    {"QuindoSetup", kAnotherSetup, true},
    {"VAririWindow", kAnotherSetup, true},
    {"TQuindoWindow", "ZARIM(Velantix)", false},
    {"OpusApp", "Microsoft Word", false},
    {"XLMAIN", "Microsoft Excel", false},
    {"Microsoft Exchange 4.0 Viewer", "Microsoft Exchange", false},
    {"rctrl_renwnd32", "Microsoft Outlook", false},
};

// An owner must answer within this time: a box owned by a window whose thread no longer pumps
// messages never appears, and its call never returns.
constexpr UINT kOwnerAnswerMillis = 2000;

// "Пожалуйста, завершите работу %s." ("please close %s.")
constexpr char kMessageFormat[] =
    "\xCF\xEE\xE6\xE0\xEB\xF3\xE9\xF1\xF2\xE0, \xE7\xE0\xE2\xE5\xF0\xF8\xE8\xF2\xE5 "
    "\xF0\xE0\xE1\xEE\xF2\xF3 %s.";
constexpr char kCaption[] = "Setup";
constexpr UINT kBoxStyle = MB_ICONERROR | MB_RETRYCANCEL;  // 0x15: stop sign, Retry and Cancel

// The message buffer; wsprintfA has no size argument, so the longest text is proven to fit.
using MessageStr = FixedStr<256>;

[[nodiscard]] constexpr std::size_t LongestMessage() {
  std::size_t longest = 0;
  for (const ProbeRow& row : kProbeList) {
    std::size_t n = 0;
    while (row.name[n]) ++n;
    if (n > longest) longest = n;
  }
  return sizeof kMessageFormat - 1 - 2 + longest;  // "%s" replaced by the name
}
static_assert(LongestMessage() <= MessageStr::kCapacity, "every message fits its buffer");

// What one check came to; only the export reduces it to 1 or 0.
enum class AppCheck {
  NoneRunning,  // no application of the probe list has a window
  Cancelled,    // the user chose Cancel while one still ran
  BoxFailed,    // the box could not be shown: taken as Cancel
};

// Registers the go-home message and posts it once to every top-level window, with both
// parameters 0, without waiting for any reaction. A name that cannot be registered (0) posts
// nothing; the check goes on either way.
void PostGoHome(Trace& trace) {
  const UINT message = RegisterWindowMessageA(kGoHomeMessage);
  if (message != 0 && PostMessageA(HWND_BROADCAST, message, 0, 0)) {
    trace.Step("message \"%s\" posted to every top-level window", kGoHomeMessage);
  } else {
    trace.Step(LastError{message ? "PostMessageA" : "RegisterWindowMessageA"},
               "message \"%s\" not posted", kGoHomeMessage);
  }
}

// True when a top-level window of the row's class exists (one of another process, if the row
// says so).
[[nodiscard]] bool HasWindow(const ProbeRow& row) {
  if (!row.other_process) return FindWindowA(row.window_class, nullptr) != nullptr;
  for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, row.window_class, nullptr)) != nullptr;) {
    DWORD process = 0;
    GetWindowThreadProcessId(w, &process);
    if (process != GetCurrentProcessId()) return true;
  }
  return false;
}

// The first row of the probe list whose class has a top-level window, or null when none has.
const ProbeRow* FindRunningApp() {
  for (const ProbeRow& row : kProbeList) {
    if (HasWindow(row)) return &row;
  }
  return nullptr;
}

// True when `window` exists and its thread answers a message within kOwnerAnswerMillis.
[[nodiscard]] bool Answers(HWND window) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kOwnerAnswerMillis,
                             &result) != 0;
}

// The owner of the next box: `owner` while it answers; once it hangs or is gone, the first
// other window of the setup engine's class that answers, else none. None stays none.
[[nodiscard]] HWND OwnerForBox(HWND owner) {
  if (!owner || Answers(owner)) return owner;
  for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, kOwnerClass, nullptr)) != nullptr;) {
    if (w != owner && Answers(w)) return w;
  }
  return nullptr;
}

// Shows `text` (code page 1251) in a box with the caption and buttons of kBoxStyle, owned by
// `owner`, in Unicode, so that it reads in Russian whatever the system's ANSI code page
// (MessageBoxW: Windows 95 implements it too). Where the system cannot convert from code page
// 1251 (a Windows 9x without its tables), the bytes go to the ANSI box as they are. Gives the
// button chosen, and the function that showed the box in `*shown_by`.
[[nodiscard]] int ShowBox(HWND owner, const MessageStr& text, const char** shown_by) {
  constexpr UINT kCyrillic = 1251;
  WCHAR wide_text[MessageStr::kCapacity + 1];
  WCHAR wide_caption[sizeof kCaption];
  if (MultiByteToWideChar(kCyrillic, 0, text.c_str(), -1, wide_text, MessageStr::kCapacity + 1) &&
      MultiByteToWideChar(kCyrillic, 0, kCaption, -1, wide_caption, sizeof kCaption)) {
    *shown_by = "MessageBoxW";
    return MessageBoxW(owner, wide_text, wide_caption, kBoxStyle);
  }
  *shown_by = "MessageBoxA";
  return MessageBoxA(owner, text.c_str(), kCaption, kBoxStyle);
}

// Shows the Retry/Cancel box that asks the user to close the application of `running`, owned
// by `owner` (may be null), and gives the button chosen: IDRETRY, IDCANCEL, or 0 / -1 (Wine)
// when the box failed.
[[nodiscard]] int AskToClose(HWND owner, const ProbeRow& running, Trace& trace) {
  MessageStr text;
  wsprintfA(text.data(), kMessageFormat, running.name);  // fits: see LongestMessage
  text.adopt();
  trace.Step("box shown for window class \"%s\", owner 0x%08lx: \"%s\"", running.window_class,
             static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(owner)), text.c_str());
  const char* shown_by = nullptr;
  const int answer = ShowBox(owner, text, &shown_by);
  if (answer == IDRETRY) {
    trace.Step("box answered Retry");
  } else if (answer == IDCANCEL) {
    trace.Refusal("box answered Cancel");
  } else {
    trace.Refusal(LastError{shown_by}, "the box could not be shown: it gave %d", answer);
  }
  return answer;
}

// The check itself: go-home broadcast, then probe and ask until nothing runs (NoneRunning) or
// the user answers anything but Retry. The owner is looked up once, and again only when it
// stops answering or goes.
[[nodiscard]] AppCheck CheckApplications(Trace& trace) {
  PostGoHome(trace);
  HWND owner = FindWindowA(kOwnerClass, nullptr);
  for (;;) {
    const ProbeRow* running = FindRunningApp();
    if (!running) return AppCheck::NoneRunning;
    owner = OwnerForBox(owner);
    const int answer = AskToClose(owner, *running, trace);
    if (answer == IDRETRY) continue;  // probe every class again, from the first
    return answer == IDCANCEL ? AppCheck::Cancelled : AppCheck::BoxFailed;
  }
}

}  // namespace
}  // namespace qnd

// CheckApplicationsActive: see qndsetup.h.
extern "C" int __stdcall CheckApplicationsActive(void) {
  qnd::Trace trace("CheckApplicationsActive", {});
  return trace.Return(qnd::CheckApplications(trace) == qnd::AppCheck::NoneRunning ? 1 : 0);
}
