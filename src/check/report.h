// What the checker prints: listings and findings, compiler-style ("FILE:LINE: warning: ..."),
// so that editors and CI jump to them, and the exit status the findings come to.
// Portable: no platform headers.
#pragma once

#include <cstdio>
#include <string>

namespace qnd {

enum class Severity { Note, Warning, Error };

// Exit status: no finding, warnings only, an error (the library would fail) or bad usage.
constexpr int kExitClean = 0;
constexpr int kExitWarnings = 1;
constexpr int kExitErrors = 2;

class Report {
 public:
  explicit Report(std::FILE* out) : out_(out) {}

  // A heading of a part of the output: "== text".
  void Heading(const std::string& text);
  // A line of a listing: "WHERE:LINE: text" (no ":LINE" for line 0).
  void Line(const std::string& where, int line, const std::string& text);
  // A finding: "WHERE:LINE: warning: text"; counted for the exit status (notes are not).
  void Finding(Severity severity, const std::string& where, int line, const std::string& text);
  // The closing line: how many errors and warnings.
  void Summary();

  int errors() const { return errors_; }
  int warnings() const { return warnings_; }
  int ExitStatus() const;

 private:
  void Prefix(const std::string& where, int line);

  std::FILE* out_;
  int errors_ = 0;
  int warnings_ = 0;
};

// "1 entry", "8 entries".
std::string Count(std::size_t n, const char* one, const char* many);

// printf-style formatting into a string.
std::string Format(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

}  // namespace qnd
