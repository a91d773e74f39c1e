// The text of one trace line (trace_text.h).
#include "frame/trace_text.h"

#include <initializer_list>

#include "frame/ascii.h"

namespace qnd {

namespace {

[[nodiscard]] bool IsSlash(char c) { return c == '\\' || c == '/'; }

// True when the `n` characters at `text` are `upper` (in upper case) in any case.
[[nodiscard]] bool SameNoCase(const char* text, std::size_t n, const char* upper) {
  std::size_t i = 0;
  for (; i < n && upper[i]; ++i) {
    if (AsciiUpper(text[i]) != upper[i]) return false;
  }
  return i == n && !upper[i];
}

// True for a name in the device namespace (\\.\ or \\?\) or a pipe of another machine.
[[nodiscard]] bool DeviceOrPipePath(const char* path) {
  if (!IsSlash(path[0]) || !IsSlash(path[1])) return false;
  if ((path[2] == '.' || path[2] == '?') && IsSlash(path[3])) return true;
  const char* server_end = path + 2;
  while (*server_end && !IsSlash(*server_end)) ++server_end;
  return *server_end && SameNoCase(server_end + 1, 4, "PIPE") && IsSlash(server_end[5]);
}

}  // namespace

bool NamesDevice(const char* path) {
  if (DeviceOrPipePath(path)) return true;
  const char* base = path;
  for (const char* p = path; *p; ++p) {
    if (IsSlash(*p)) base = p + 1;
  }
  if (IsAsciiLetter(base[0]) && base[1] == ':') base += 2;  // "C:NUL"
  std::size_t n = 0;  // the name up to its extension or a colon ("NUL.TXT", "COM1:")
  while (base[n] && base[n] != '.' && base[n] != ':') ++n;
  while (n > 0 && base[n - 1] == ' ') --n;
  // A named constant array, not a braced list: the list's array would be writable data.
  static constexpr const char* kDevices[] = {"NUL",    "CON",     "PRN",   "AUX",
                                             "CONIN$", "CONOUT$", "CLOCK$"};
  for (const char* device : kDevices) {
    if (SameNoCase(base, n, device)) return true;
  }
  return n == 4 && (SameNoCase(base, 3, "COM") || SameNoCase(base, 3, "LPT")) && base[3] >= '1' &&
         base[3] <= '9';
}

void TraceText::Put(const char* piece, std::size_t n) {
  // Once cut, nothing more: a later part must not seem to follow the part that was left out.
  if (cut_ || n > kRoom - text_.size() || !text_.append(piece, n)) cut_ = true;
}

// An escape is put whole or not at all, so a cut never leaves half of one.
void TraceText::PutEscaped(char c, bool in_text) {
  if (in_text && (c == '"' || c == '\\')) {
    const char pair[] = {'\\', c};
    return Put(pair, 2);
  }
  char shown[4];
  const std::size_t n = ShowChar(c, shown);
  Put(shown, n);
}

void TraceText::PutText(const char* text, std::size_t max) {
  if (!text) return Put("(null)", 6);
  for (std::size_t i = 0; i < max && text[i] && !cut_; ++i) PutEscaped(text[i], true);
}

void TraceText::PutNumber(unsigned long value, bool negative, unsigned base, int width) {
  char digits[24];  // a 64-bit number has at most 20 decimal digits
  const std::size_t least = width > 0 ? static_cast<std::size_t>(width) : 0;
  std::size_t n = 0;
  do {
    digits[sizeof digits - 1 - n++] = kDigits[value % base];
    value /= base;
  } while (value || (n < least && n < sizeof digits));
  if (negative) Put("-", 1);
  Put(digits + sizeof digits - n, n);
}

const char* TraceText::Convert(const char* at, std::va_list* args) {
  int width = 0;
  if (*at == '0') ++at;  // zeros are the only padding there is
  while (*at >= '0' && *at <= '9') width = width * 10 + (*at++ - '0');
  std::size_t max = SIZE_MAX;
  if (at[0] == '.' && at[1] == '*') {
    const int precision = va_arg(*args, int);
    max = precision < 0 ? SIZE_MAX : static_cast<std::size_t>(precision);
    at += 2;
  }
  const bool is_long = *at == 'l';
  if (is_long) ++at;
  switch (*at) {
    case 's': PutText(va_arg(*args, const char*), max); break;
    case 'd': {
      const long n = is_long ? va_arg(*args, long) : va_arg(*args, int);
      // The magnitude in unsigned arithmetic: the most negative number has no positive twin.
      PutNumber(n < 0 ? 0ul - static_cast<unsigned long>(n) : static_cast<unsigned long>(n), n < 0,
                10, width);
      break;
    }
    case 'u':
    case 'x': {
      const unsigned long n = is_long ? va_arg(*args, unsigned long) : va_arg(*args, unsigned);
      PutNumber(n, false, *at == 'x' ? 16 : 10, width);
      break;
    }
    case '%': Put("%", 1); break;
    default: return at;  // no conversion: the rest of the format stands as it is
  }
  return at + 1;
}

void TraceText::Format(const char* format, std::va_list args) {
  std::va_list rest;  // a copy that Convert can take by address wherever va_list is an array
  va_copy(rest, args);
  while (*format && !cut_) {
    if (*format == '%') {
      format = Convert(format + 1, &rest);
    } else {
      PutEscaped(*format++, false);
    }
  }
  va_end(rest);
}

void TraceText::AppendChecked(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  Format(format, args);
  va_end(args);
}

const char* TraceText::Finish(std::size_t* size) {
  if (cut_) (void)text_.append(kTraceCut);  // fits: kRoom kept the space for it and CR LF
  (void)text_.append("\r\n");               // fits, as above
  *size = text_.size();
  return text_.c_str();
}

}  // namespace qnd
