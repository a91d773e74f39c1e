// The trace: when the environment variable QNDSETUP_LOG names a file, every export appends to it
// what it was called with, each step that changes the machine or decides the result, why it
// gives 0, and what it returns. Without the variable nothing is written anywhere and the only
// platform call added is the reading of the variable.
//
// Using it:
//   - Each export opens with a Trace that names it and its arguments, and returns through it:
//       extern "C" int __stdcall Internal012(const char* directory, const char* value) {
//         qnd::Trace trace("Internal012", {directory, value});
//         ...
//         return trace.Return(written ? 1 : 0);
//       }
//     Strings are shown quoted (null as null), a `char*` output buffer by its address, an int as
//     a number, a QndPathContext* by its address (the record is read only where a macro reads
//     it: the registry script code shows its directories there). The Trace writes the call line at
//     once and the return line when it goes out of scope, after every other local of the export.
//   - The code below the export takes the Trace by reference (an area's functions get a
//     `Trace& trace` parameter) and writes one line per call, with a printf-style format that
//     the compiler checks, refusing any conversion it does not implement (trace_text.h: %s, %.*s,
//     %d, %u, %x):
//       trace.Step("value set \"%s\\\\%s\" \"%s\" = REG_SZ \"%s\"", root, sub_key, name, data);
//       trace.Step(CallError{"RegDeleteValueA", status}, "value \"%s\" counts as removed", name);
//       trace.Refusal("the font file \"%s\" is not there", path);
//       trace.Refusal(LastError{"WriteProfileStringA"}, "WIN.INI [%s] \"%s\" not written", ...);
//     Step() is a step that changes the machine or decides the result ("key created", "file
//     deleted"); Refusal() says why the export gives 0: the entry or file concerned, the rule that
//     refused it, and, when a CallError or LastError leads, the platform's code at the end of the
//     line. A %s text is escaped so that the format's quotation marks around it can be trusted;
//     a key path is written \"%s\\\\%s\" in the source (root name and sub-key: the format's own
//     "\\" is the escaped backslash between them). With the trace off, a line costs a call that
//     returns at once.
//   - Work that only the trace needs (one more query to name a step exactly) goes under
//     `if (trace)`, so that without the variable the platform sees exactly the calls it saw.
//   - Code that the checker shares, or that runs an export's work for the library's own use,
//     passes a silent Trace (`Trace quiet;`): it writes nothing and reads no variable.
//
// The file is opened once per export call (an export that another export carries out, such
// as RegisterQuindo's DoReg, writes into its caller's log), for appending only
// (FILE_APPEND_DATA), shared for reading, writing and deletion, and only when it is a disk file:
// a device or a pipe could hold a write, and opening a pipe connects to its server, so a name
// that NamesDevice knows is not opened at all. Each line is one WriteFile of the whole line while
// the log's own lock is held: the mutex "qndsetup.trace.VVVVVVVV.IIIIIIIIIIIIIIII" (the volume
// serial number and file index that GetFileInformationByHandle gives the log, in hexadecimal),
// so lines of several threads and processes never mix within a line, and a lock held on one log
// affects no other. (Appending alone does not keep them apart under Wine, whose appends are a
// seek and a write.) A call waits for the lock kTraceLockMillis at most in all; a wait that runs
// out, or a write that fails, ends this call's trace. A log that cannot be opened or written
// changes no result, and the thread's last-error value is left as the trace found it.
//
// Lines that follow each other closely with nothing between them that waits (the values of a
// registry script) are written in a Burst: the lock is then kept from one line to the next for
// kTraceBurstMillis at most, so that such a line costs its write alone.
//
// The variable is read at every export call through the platform (GetEnvironmentVariableA),
// so that a setup or a test that sets it in its own process with SetEnvironmentVariableA, at
// any time, traces from its next call on (the C runtime's copy of the environment would not
// see it).
#pragma once

#include <initializer_list>

#include "frame/handles.h"
#include "frame/trace_text.h"

namespace qnd {

inline constexpr char kTraceVariable[] = "QNDSETUP_LOG";
inline constexpr char kTraceLockPrefix[] =
    "qndsetup.trace.";                    // the log's lock: this, then its identity
constexpr DWORD kTraceLockMillis = 1000;  // a call's whole wait for the lock
constexpr DWORD kTraceBurstMillis = 20;   // the longest hold across lines of a Burst

// A platform call that failed and the code it gave (registry calls give theirs): the line ends
// in " (RegCreateKeyA: error 234)", a large code such as an HRESULT in hexadecimal.
struct CallError {
  const char* function;
  DWORD code;
};

// A platform call that failed and set the thread's last-error value: write the line right
// after the failing call.
struct LastError {
  const char* function;
};

// The error that ends a line: either of the two above, each taken as it is (implicitly).
struct TraceError {
  TraceError(CallError error) : function(error.function), code(error.code) {}
  TraceError(LastError error) : function(error.function), code(0), last(true) {}
  const char* function;
  DWORD code;
  bool last = false;  // the code is the thread's last-error value when the line is written
};

// An argument of an export as the call line shows it. Each is taken as it is (implicitly), so
// that an export lists its arguments plainly: {script, context, reserved}.
class TraceArg {
 public:
  TraceArg(const char* text) : kind_(Kind::Text), text_(text) {}
  // A char* is an output buffer, not yet written: shown by its address only.
  TraceArg(char* buffer)  // NOLINT(readability-non-const-parameter): char* tells it from a text
      : kind_(Kind::Buffer), text_(buffer) {}
  TraceArg(int number) : kind_(Kind::Number), number_(number) {}
  TraceArg(const QndPathContext* context) : kind_(Kind::Context), context_(context) {}
  // A one-character code in the low 8 bits of `code` (GetFolder): the number and the character.
  [[nodiscard]] static TraceArg Code(int code);

  void Show(TraceText& text) const;

 private:
  enum class Kind { Text, Buffer, Number, Context, Code };
  Kind kind_;
  union {
    const char* text_;
    int number_;
    const QndPathContext* context_;
  };
};

class Trace {
 public:
  // Silent: writes nothing, reads no variable.
  Trace() = default;
  // At an export: opens the log that QNDSETUP_LOG names, if it does, and writes the call line
  // "> name(arguments)".
  Trace(const char* name, std::initializer_list<TraceArg> args);
  // An export carried out by another export (`caller`): writes into the caller's log, if it
  // writes one, with the caller's lock and what is left of its wait.
  Trace(Trace& caller, const char* name, std::initializer_list<TraceArg> args);
  // Writes the return line "< name = result" (with the output buffer given to Return, when the
  // result is 1) and closes the log it opened.
  ~Trace();
  Trace(const Trace&) = delete;
  Trace& operator=(const Trace&) = delete;

  // True while this call writes a trace.
  explicit operator bool() const { return log_ && log_->file; }

  // Lines in close succession while it lives (see above); no wait on anything but the
  // platform's quick calls may come between them.
  class Burst {
   public:
    explicit Burst(Trace& trace);
    ~Burst();
    Burst(const Burst&) = delete;
    Burst& operator=(const Burst&) = delete;

   private:
    Trace& trace_;
  };

  // A step: "  what was done". The format is checked as it compiles (TraceFormat).
  template <typename... Args>
  [[gnu::always_inline]] void Step(TraceFormatOf<Args...> format, Args... args) {
    EmitStep(format.c_str(), args...);
  }
  template <typename... Args>
  [[gnu::always_inline]] void Step(CallError error, TraceFormatOf<Args...> format, Args... args) {
    EmitStep(error, format.c_str(), args...);
  }
  template <typename... Args>
  [[gnu::always_inline]] void Step(LastError error, TraceFormatOf<Args...> format, Args... args) {
    EmitStep(error, format.c_str(), args...);
  }
  // Why the export gives 0: "! what, and the rule".
  template <typename... Args>
  [[gnu::always_inline]] void Refusal(TraceFormatOf<Args...> format, Args... args) {
    EmitRefusal(format.c_str(), args...);
  }
  template <typename... Args>
  [[gnu::always_inline]] void Refusal(CallError error, TraceFormatOf<Args...> format,
                                      Args... args) {
    EmitRefusal(error, format.c_str(), args...);
  }
  template <typename... Args>
  [[gnu::always_inline]] void Refusal(LastError error, TraceFormatOf<Args...> format,
                                      Args... args) {
    EmitRefusal(error, format.c_str(), args...);
  }

  // Notes the export's result and gives it back; `output`, when given, is a caller's buffer of
  // 260 characters that the return line shows when the result is 1 (it was written then).
  [[nodiscard]] int Return(int result, const char* output = nullptr);

 private:
  // The log of one export call and its caller's, and the state of its lock.
  struct Log {
    UniqueFile file;
    UniqueObject lock;
    DWORD waited = 0;      // milliseconds waited for the lock in this call
    bool held = false;     // the lock is held after a line of a Burst
    DWORD held_since = 0;  // when it was taken (GetTickCount)
    int bursts = 0;        // Bursts alive
  };

  void CallLine(std::initializer_list<TraceArg> args);
  [[nodiscard]] bool Open();
  void Close();
  // A step or refusal line of a format already checked, and its arguments: one function for
  // each marker and kind of error, so that a call passes only what its line has.
  void EmitStep(const char* format, ...);
  void EmitStep(CallError error, const char* format, ...);
  void EmitStep(LastError error, const char* format, ...);
  void EmitRefusal(const char* format, ...);
  void EmitRefusal(CallError error, const char* format, ...);
  void EmitRefusal(LastError error, const char* format, ...);
  // Writes one line: the time, process and thread, `marker`, the format, the error if any.
  void Line(const char* marker, TraceError* error, const char* format, std::va_list args);
  void Write(TraceText& text);
  [[nodiscard]] bool Acquire();
  void Release();

  Log own_;             // the log this call opened
  Log* log_ = nullptr;  // the log written: own_, the caller's, or none
  const char* name_ = nullptr;
  const char* output_ = nullptr;
  int result_ = 0;
  bool returned_ = false;
};

}  // namespace qnd
