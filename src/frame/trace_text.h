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
#include <type_traits>

#include "frame/fixed_str.h"

namespace qnd {

// True when `path`, a name of the trace's log, names a device or a pipe rather than a disk
// file, so that it must not even be opened: a name that begins "\\\\.\\" or "\\\\?\\" (either
// slash), a pipe of another machine ("\\\\server\\pipe\\..."), or a file name (with any
// extension, trailing blanks or colon) that is a DOS device: NUL, CON, PRN, AUX, CONIN$,
// CONOUT$, CLOCK$, COM1 to COM9, LPT1 to LPT9, in any case, in any directory.
[[nodiscard]] bool NamesDevice(const char* path);

// A format of a trace line and the types of its arguments, checked as it compiles: it takes
// only the conversions that TraceText implements, each with an argument of its kind, and as
// many arguments as it has conversions. %s (a text, null allowed), %.*s (an int, then a text),
// %d %u %x (an int or a smaller integer; with "l", a long), a width padded with zeros for a
// number (%08x), and %%. Any other, such as %zu, %5d or %ls, fails to compile: it would print
// wrong text rather than fail.
enum class TraceArgKind : std::uint8_t { Int, Long, Text, Other };

template <typename T>
consteval TraceArgKind KindOfTraceArg() {
  using U = std::remove_cv_t<T>;
  if constexpr (std::is_same_v<U, long> || std::is_same_v<U, unsigned long>) {
    return TraceArgKind::Long;
  } else if constexpr (std::is_integral_v<U> && !std::is_same_v<U, bool> &&
                       sizeof(U) <= sizeof(int)) {
    return TraceArgKind::Int;  // passed on as an int or an unsigned
  } else if constexpr (std::is_same_v<U, const char*> || std::is_same_v<U, char*> ||
                       std::is_same_v<U, std::nullptr_t>) {
    return TraceArgKind::Text;
  } else {
    return TraceArgKind::Other;
  }
}

// Called only where a format is wrong: none is constexpr, so the build stops there, naming it.
void TraceFormatHasAConversionThatIsNotImplemented();
void TraceFormatArgumentIsNotOfItsConversionsKind();
void TraceFormatHasNotAsManyArgumentsAsConversions();

template <typename... Args>
class TraceFormat {
 public:
  template <typename S>
  requires std::is_convertible_v<const S&, const char*>
  consteval TraceFormat(const S& format)  // NOLINT(google-explicit-constructor): a literal's
      : text_(format) {
    // Every compiler checks the format here, as it compiles. The static analyzer of clang-tidy
    // would walk the format again at each call as if it ran, for nothing it could find: most of
    // its time on a file that traces.
#ifndef __clang_analyzer__
    Check(text_);
#endif
  }
  [[nodiscard]] const char* c_str() const { return text_; }

 private:
  // The kinds of arguments of the conversion at `p` (just after its "%"), into `kinds`, and
  // how many; `*end` gets the character after it. A conversion not implemented fails there.
  static constexpr std::size_t Conversion(const char* p, TraceArgKind (&kinds)[2],
                                          const char** end) {
    if (p[0] == '.' && p[1] == '*' && p[2] == 's') {
      kinds[0] = TraceArgKind::Int;
      kinds[1] = TraceArgKind::Text;
      *end = p + 3;
      return 2;
    }
    const char* digits = p;
    while (*p >= '0' && *p <= '9') ++p;
    const bool width = p != digits;
    // A width must begin with its zero: blanks are not implemented ("%5d" would show zeros).
    if (width && *digits != '0') TraceFormatHasAConversionThatIsNotImplemented();
    const bool is_long = *p == 'l';
    if (is_long) ++p;
    *end = p + 1;
    const bool number = *p == 'd' || *p == 'u' || *p == 'x';
    const bool text = *p == 's' && !is_long && !width;
    if (!number && !text) TraceFormatHasAConversionThatIsNotImplemented();
    kinds[0] = number ? (is_long ? TraceArgKind::Long : TraceArgKind::Int) : TraceArgKind::Text;
    return 1;
  }

  static consteval void Check(const char* format) {
    constexpr TraceArgKind kKinds[] = {KindOfTraceArg<Args>()..., TraceArgKind::Other};
    std::size_t next = 0;
    for (const char* p = format; *p;) {
      if (*p++ != '%') continue;
      if (*p == '%') {
        ++p;
        continue;
      }
      TraceArgKind kinds[2] = {};
      const std::size_t n = Conversion(p, kinds, &p);
      for (std::size_t i = 0; i < n; ++i) {
        if (next == sizeof...(Args)) return TraceFormatHasNotAsManyArgumentsAsConversions();
        if (kKinds[next++] != kinds[i]) TraceFormatArgumentIsNotOfItsConversionsKind();
      }
    }
    if (next != sizeof...(Args)) TraceFormatHasNotAsManyArgumentsAsConversions();
  }

  const char* text_;
};

// The format of a call with arguments `Args` (they are deduced from the arguments alone).
template <typename... Args>
using TraceFormatOf = TraceFormat<std::type_identity_t<Args>...>;

constexpr std::size_t kTraceLineChars = 2048;    // the buffer of a line and its terminator
inline constexpr char kTraceCut[] = "...[cut]";  // ends a line that did not fit

class TraceText {
 public:
  // Appends `format` with its arguments. The format's own characters stand as they are. %s is
  // a text with its quotation marks and backslashes escaped C-style (\" \\), so that the format
  // can put it in quotation marks and a reader can tell where it ends; "(null)" for null. %.*s
  // reads at most that many characters of the text (a caller's buffer need not hold a
  // terminator). Everywhere, a control character is shown as \n, \r, \t, or \xHH (always two
  // digits); bytes from 0x80 up stay as they are (the ANSI code page). %d, %u, %x, with an "l"
  // and with a width padded by zeros (%08x), are numbers; %% is "%". The format is checked as
  // it compiles (TraceFormat).
  template <typename... Args>
  [[gnu::always_inline]] void Append(TraceFormatOf<Args...> format, Args... args) {
    AppendChecked(format.c_str(), args...);
  }
  // The same for a format already checked, and its arguments.
  void Format(const char* format, std::va_list args);

  // Ends the line: the cut marker if something was left out, then CR LF. Gives the whole line.
  [[nodiscard]] const char* Finish(std::size_t* size);
  [[nodiscard]] bool cut() const { return cut_; }
  // The text so far, without a line end.
  [[nodiscard]] const char* text() const { return text_.c_str(); }

 private:
  // The room for the text: the marker and CR LF always fit after it.
  static constexpr std::size_t kRoom = kTraceLineChars - 1 - (sizeof kTraceCut - 1) - 2;

  void AppendChecked(const char* format, ...);
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
