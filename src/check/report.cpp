// Listings and findings of the checker (report.h).
#include "check/report.h"

#include <cstdarg>
#include <vector>

namespace qnd {

void Report::Heading(const std::string& text) { std::fprintf(out_, "== %s\n", text.c_str()); }

// "WHERE:LINE: ", or "WHERE: " for line 0.
void Report::Prefix(const std::string& where, int line) {
  if (line > 0) {
    std::fprintf(out_, "%s:%d: ", where.c_str(), line);
  } else {
    std::fprintf(out_, "%s: ", where.c_str());
  }
}

void Report::Line(const std::string& where, int line, const std::string& text) {
  Prefix(where, line);
  std::fprintf(out_, "%s\n", text.c_str());
}

void Report::Finding(Severity severity, const std::string& where, int line,
                     const std::string& text) {
  static const char* const kNames[] = {"note", "warning", "error"};
  Prefix(where, line);
  std::fprintf(out_, "%s: %s\n", kNames[static_cast<int>(severity)], text.c_str());
  if (severity == Severity::Error) ++errors_;
  if (severity == Severity::Warning) ++warnings_;
}

void Report::Summary() {
  std::fprintf(out_, "== %d error%s, %d warning%s\n", errors_, errors_ == 1 ? "" : "s", warnings_,
               warnings_ == 1 ? "" : "s");
  std::fflush(out_);
}

int Report::ExitStatus() const {
  return errors_ ? kExitErrors : warnings_ ? kExitWarnings : kExitClean;
}

std::string Count(std::size_t n, const char* one, const char* many) {
  return Format("%u %s", static_cast<unsigned>(n), n == 1 ? one : many);
}

std::string Format(const char* format, ...) {
  std::va_list args, again;
  va_start(args, format);
  va_copy(again, args);
  const int n = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::vector<char> text(n > 0 ? static_cast<std::size_t>(n) + 1 : 1, '\0');
  if (n > 0) std::vsnprintf(text.data(), text.size(), format, again);
  va_end(again);
  return std::string(text.data());
}

}  // namespace qnd
