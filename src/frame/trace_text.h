// The text of one line of the trace (trace.h), built in a fixed buffer from a printf-style
// format, so that a line costs one call wherever it is written.
//
// A line holds at most kTraceLineChars - 1 bytes with its CR LF. What does not fit is left out,
// never written past the buffer: the line then ends in kTraceCut right where it was cut (a
// quoted text cut there has no closing quotation mark), so a reader always sees that something
// is missing. Each part is read only as far as the line has room, so a line costs the same
// bounded time whatever it is handed. Control characters never reach a line as they are: no text
// can end a line early or make one of its own.
// Portable: no platform headers.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

#include "frame/fixed_str.h"

// Lets the compiler check a trace format against its arguments as it checks printf's.
#if defined(__GNUC__)
#define QND_TRACE_FORMAT(format_index, first_arg) \
  __attribute__((format(printf, format_index, first_arg)))
#else
#define QND_TRACE_FORMAT(format_index, first_arg)
#endif

namespace qnd {

// True when `path`, a name of the trace's log, names a device or a pipe rather than a disk
// file, so that it must not even be opened: a name that begins "\\\\.\\" or "\\\\?\\" (either
// slash), a pipe of another machine ("\\\\server\\pipe\\..."), or a file name (with any
// extension, trailing blanks or colon) that is a DOS device: NUL, CON, PRN, AUX, CONIN$,
// CONOUT$, CLOCK$, COM1 to COM9, LPT1 to LPT9, in any case, in any directory.
[[nodiscard]] bool NamesDevice(const char* path);

constexpr std::size_t kTraceLineChars = 2048;  // the buffer of a line and its terminator
constexpr char kTraceCut[] = "...[cut]";       // ends a line that did not fit

class TraceText {
 public:
  // Appends `format` with its arguments. The format's own characters stand as they are. %s is
  // a text with its quotation marks and backslashes escaped C-style (\" \\), so that the format
  // can put it in quotation marks and a reader can tell where it ends; "(null)" for null. %.*s
  // reads at most that many characters of the text (a caller's buffer need not hold a
  // terminator). Everywhere, a control character is shown as \n, \r, \t, or \xHH (always two
  // digits); bytes from 0x80 up stay as they are (the ANSI code page). %d, %u, %x, with an "l"
  // and with a width padded by zeros (%08x), are numbers; %% is "%".
  void Append(const char* format, ...) QND_TRACE_FORMAT(2, 3);
  void Format(const char* format, std::va_list args);

  // Ends the line: the cut marker if something was left out, then CR LF. Gives the whole line.
  [[nodiscard]] const char* Finish(std::size_t* size);
  [[nodiscard]] bool cut() const { return cut_; }
  // The text so far, without a line end.
  [[nodiscard]] const char* text() const { return text_.c_str(); }

 private:
  // The room for the text: the marker and CR LF always fit after it.
  static constexpr std::size_t kRoom = kTraceLineChars - 1 - (sizeof kTraceCut - 1) - 2;

  // Appends `n` characters as one piece, or nothing and marks the line cut.
  void Put(const char* piece, std::size_t n);
  void PutEscaped(char c, bool in_text);
  void PutText(const char* text, std::size_t max);
  void PutNumber(unsigned long value, bool negative, unsigned base, int width);
  // One conversion of the format at `at` (just after its "%"); gives the character after it.
  [[nodiscard]] const char* Convert(const char* at, std::va_list* args);

  FixedStr<kTraceLineChars> text_;
  bool cut_ = false;
};

}  // namespace qnd
