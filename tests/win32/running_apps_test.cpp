// The running application check against real windows: stand-in windows of each class, made and
// pumped by a thread of the test (or by a child process: another copy of setup is never the
// caller itself), and the library's real message box, found, read and answered by a watcher
// thread. Every wait for a box or a window is bounded.
#include <string>
#include <vector>

#include "bench.h"

namespace {

using bench::BoxAnswer;
using bench::BoxWatcher;
using bench::SeenBox;
using bench::StandInWindows;

constexpr char kEngine[] = "InstallShield_Win";

// The message for `name` in code page 1251. The test writes the texts in UTF-8 and lets the
// platform convert them, so they do not share the library's byte escapes.
std::string Expected(const char* name) {
  const std::string utf8 = std::string("Пожалуйста, завершите работу ") + name + ".";
  wchar_t wide[256];
  char bytes[256];
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, wide, 256);
  const int m = WideCharToMultiByte(1251, 0, wide, n, bytes, sizeof bytes, nullptr, nullptr);
  return m > 0 ? std::string(bytes) : std::string("(no conversion)");
}

UINT GoHome() { return RegisterWindowMessageA("QUINDO_GO_HOME"); }

// Checks one box against the message expected for `name` (UTF-8), and its owner.
void ExpectBox(const SeenBox& box, const char* name, HWND owner) {
  EXPECT_EQ("Setup", box.caption);
  EXPECT_EQ(Expected(name), box.text) << "bytes of the text for " << name;
  EXPECT_EQ(owner, box.owner);
  EXPECT_EQ(LoadIconA(nullptr, IDI_HAND), box.icon) << "the stop sign";
  EXPECT_EQ((std::vector<int>{IDCANCEL, IDRETRY}), box.buttons) << "Retry and Cancel only";
}

constexpr char kAnotherSetup[] = "другой копии ZARIM(Velantix) Setup";

struct Box {
  const char* name;   // the application the box must name (UTF-8)
  BoxAnswer answer;   // what the user does then
  bool owned = true;  // owned by the engine window (when the row has one)
};

struct Row {
  std::vector<std::string> running;  // stand-in windows of this process besides the engine's
  std::vector<std::string> others;   // stand-in windows of a child process
  bool engine;                       // an "InstallShield_Win" window exists
  std::vector<Box> boxes;            // the boxes expected, in order
  int result;
};

// The close-and-Retry answer for the window of `cls`.
BoxAnswer Closed(const char* cls) { return {cls, IDRETRY}; }

const Row kRows[] = {
    /* 0: the engine window alone is no conflict */ {{}, {}, true, {}, 1},
    /* 1: every class, made in reverse order, named in table order, each closed before Retry */
    {{"rctrl_renwnd32", "Microsoft Exchange 4.0 Viewer", "XLMAIN", "OpusApp", "TQuindoWindow"},
     {"VAririWindow", "QuindoSetup"},
     true,
     {{kAnotherSetup, Closed("QuindoSetup")},
      {kAnotherSetup, Closed("VAririWindow")},
      {"ZARIM(Velantix)", Closed("TQuindoWindow")},
      {"Microsoft Word", Closed("OpusApp")},
      {"Microsoft Excel", Closed("XLMAIN")},
      {"Microsoft Exchange", Closed("Microsoft Exchange 4.0 Viewer")},
      {"Microsoft Outlook", Closed("rctrl_renwnd32")}},
     1},
    /* 2: Cancel ends the check although Word was closed first */
    {{"OpusApp"}, {}, true, {{"Microsoft Word", {"OpusApp", IDCANCEL}}}, 0},
    /* 3: Retry while Excel still runs asks again, as often as it comes */
    {{"XLMAIN"},
     {},
     true,
     {{"Microsoft Excel", {nullptr, IDRETRY}},
      {"Microsoft Excel", {nullptr, IDRETRY}},
      {"Microsoft Excel", Closed("XLMAIN")}},
     1},
    /* 4: no engine window: the box has no owner */
    {{"OpusApp"}, {}, false, {{"Microsoft Word", Closed("OpusApp")}}, 1},
    /* 5: the engine window goes between two boxes: the next one has no owner */
    {{"OpusApp"},
     {},
     true,
     {{"Microsoft Word", Closed(kEngine)}, {"Microsoft Word", Closed("OpusApp"), false}},
     1},
    /* 6: the caller's own setup windows are no other copy of setup */
    {{"QuindoSetup", "VAririWindow"}, {}, true, {}, 1},
};

TEST(RunningApps, BoxesAndResults) {
  const UINT go_home = GoHome();
  ASSERT_NE(0u, go_home);
  for (const Row& row : kRows) {
    SCOPED_TRACE(bench::RowName(kRows, row));
    std::vector<std::string> classes = row.running;
    if (row.engine) classes.push_back(kEngine);
    StandInWindows apps(classes, go_home, go_home);
    bench::ChildWindows others(row.others);
    ASSERT_TRUE(apps.ready());
    ASSERT_TRUE(others.ready());
    const HWND owner = row.engine ? apps.Find(kEngine) : nullptr;
    std::vector<BoxAnswer> answers;
    for (const Box& box : row.boxes) answers.push_back(box.answer);
    BoxWatcher watcher(answers, &apps, &others);

    EXPECT_EQ(row.result, bench::Qnd().CheckApplicationsActive());

    const std::vector<SeenBox>& seen = watcher.Stop();
    EXPECT_FALSE(watcher.failed()) << "a stand-in or a box did not go away";
    ASSERT_EQ(row.boxes.size(), seen.size()) << "boxes shown";
    for (size_t b = 0; b < seen.size(); ++b) {
      SCOPED_TRACE("box " + std::to_string(b));
      ExpectBox(seen[b], row.boxes[b].name, row.boxes[b].owned ? owner : nullptr);
    }
    ASSERT_TRUE(apps.Settle());
    for (const std::string& cls : classes) {
      const StandInWindows::Slot* app = apps.Get(cls);
      EXPECT_EQ(1, app->count) << "go-home messages received by " << cls;
      EXPECT_EQ(0u, app->wp) << cls;
      EXPECT_EQ(0, app->lp) << cls;
    }
  }
}

// The box reads in Russian whatever the system's ANSI code page: its text, read back as
// Unicode, is the Russian text. CTest runs this once more under a Western locale
// (win32.running_apps.western: code page 1252, which QND_ACP then names), where a box of code
// page 1251 bytes would show other letters.
TEST(BoxText, RussianUnderAnyCodePage) {
  char acp[8] = {};
  if (GetEnvironmentVariableA("QND_ACP", acp, sizeof acp)) {
    ASSERT_EQ(std::string(acp), std::to_string(GetACP())) << "the locale the run asked for";
  }
  const struct {
    const char* cls;
    const wchar_t* text;
  } rows[] = {
      /* 0 */ {"XLMAIN", L"Пожалуйста, завершите работу Microsoft Excel."},
      /* 1 */ {"TQuindoWindow", L"Пожалуйста, завершите работу ZARIM(Velantix)."},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(bench::RowName(rows, row));
    StandInWindows apps({row.cls});
    ASSERT_TRUE(apps.ready());
    BoxWatcher watcher({Closed(row.cls)}, &apps);
    EXPECT_EQ(1, bench::Qnd().CheckApplicationsActive());
    const std::vector<SeenBox>& seen = watcher.Stop();
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ(std::wstring(row.text), seen[0].wide_text);
    EXPECT_EQ("Setup", seen[0].caption);
  }
}

// A setup engine window whose thread stopped answering (in another process) owns no box: the
// box comes without an owner, is answered, and the call returns. Run in a child process, ended
// after a minute if the call hangs.
BENCH_CHILD(hung_owner) {
  bench::ChildWindows engine({kEngine}, true);
  StandInWindows apps({"OpusApp"});
  if (!engine.ready() || !apps.ready()) return 2;
  BoxWatcher watcher({Closed("OpusApp")}, &apps);
  const int result = bench::Qnd().CheckApplicationsActive();
  const std::vector<SeenBox>& seen = watcher.Stop();
  if (seen.size() != 1 || seen[0].text != Expected("Microsoft Word")) return 3;
  if (seen[0].owner != nullptr) return 4;
  return result == 1 && !watcher.failed() ? 0 : 5;
}

TEST(RunningApps, HungOwnerIsNotUsed) { EXPECT_EQ(0u, bench::RunChild("hung_owner")); }

// A box that cannot be created (a CBT hook of the calling thread refuses the dialog window;
// the box call then fails) counts as Cancel: 0 at once, no second try. The hook refuses three
// boxes at most and the watcher cancels any later one, so a check that retried would still end.
int refused_boxes;
LRESULT CALLBACK RefuseDialogs(int code, WPARAM wp, LPARAM lp) {
  if (code == HCBT_CREATEWND && refused_boxes < 3) {
    char cls[16] = {};
    GetClassNameA(reinterpret_cast<HWND>(wp), cls, sizeof cls);
    if (lstrcmpA(cls, "#32770") == 0) {
      ++refused_boxes;
      return 1;
    }
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}

TEST(RunningApps, BoxThatCannotBeShownCountsAsCancel) {
  StandInWindows apps({"OpusApp", kEngine});
  ASSERT_TRUE(apps.ready());
  BoxWatcher watcher({}, &apps);
  refused_boxes = 0;
  const HHOOK hook = SetWindowsHookExA(WH_CBT, RefuseDialogs, nullptr, GetCurrentThreadId());
  ASSERT_NE(nullptr, hook);
  const int result = bench::Qnd().CheckApplicationsActive();
  UnhookWindowsHookEx(hook);
  EXPECT_EQ(0, result);
  EXPECT_EQ(1, refused_boxes) << "one box tried, none after its failure";
  EXPECT_TRUE(watcher.Stop().empty());
}

// The go-home message cannot be registered once the system's atom table is full: nothing is
// posted, and the check goes on. The table is shared by the whole Wine server and the name must
// never have been registered there, so CTest runs this test alone in a prefix of its own; the
// atoms are released again afterwards all the same.
class FullAtomTable {
 public:
  FullAtomTable() {
    char name[32];
    for (int i = 0; i < 20000; ++i) {
      wsprintfA(name, "qndtest_fill_%05d", i);
      const UINT atom = RegisterWindowMessageA(name);
      if (atom == 0) break;
      atoms_.push_back(static_cast<ATOM>(atom));
    }
  }
  ~FullAtomTable() {
    for (ATOM atom : atoms_) GlobalDeleteAtom(atom);  // registered messages are atoms under Wine
  }
  bool full() const { return RegisterWindowMessageA("qndtest_one_more") == 0; }

 private:
  std::vector<ATOM> atoms_;
};

TEST(GoHomeUnregistrable, NothingIsPostedAndTheCheckGoesOn) {
  if (GlobalFindAtomA("QUINDO_GO_HOME") != 0) {
    GTEST_SKIP() << "the name is registered in this server already: run this test alone";
  }
  // windows first: their classes are atoms too; every registered message counts
  StandInWindows apps({"OpusApp", kEngine}, 0xC000, 0xFFFF);
  ASSERT_TRUE(apps.ready());
  {
    FullAtomTable table;
    ASSERT_TRUE(table.full());
    BoxWatcher watcher({Closed("OpusApp")}, &apps);
    EXPECT_EQ(1, bench::Qnd().CheckApplicationsActive());
    const std::vector<SeenBox>& seen = watcher.Stop();
    ASSERT_EQ(1u, seen.size());
    ExpectBox(seen[0], "Microsoft Word", apps.Find(kEngine));
    ASSERT_TRUE(apps.Settle());
    EXPECT_EQ(0, apps.Get(kEngine)->count) << "registered messages received";
    EXPECT_EQ(0, apps.Get("OpusApp")->count) << "registered messages received";
    EXPECT_EQ(0u, GlobalFindAtomA("QUINDO_GO_HOME"));
  }
  EXPECT_NE(0u, RegisterWindowMessageA("qndtest_after_fill")) << "the atom table is free again";
}

}  // namespace
