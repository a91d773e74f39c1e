// What the checker prints: listings and findings, compiler-style ("FILE:LINE: warning: ...
// [Q201]"), so that editors and CI jump to them, and the exit status the findings come to.
// Every text passes through here, and every control character in it is shown escaped, so that
// text from the registry or a file can never make a line of its own.
// Portable: no platform headers.
#pragma once

#include <cstdint>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "check/findings.h"
#include "check/sarif.h"

namespace qnd {

// Exit status: no finding, warnings only, an error (the library would fail) or bad usage.
constexpr int kExitClean = 0;
constexpr int kExitWarnings = 1;
constexpr int kExitErrors = 2;

// How the report is written: as text (compiler-style lines), or as one SARIF log at the end.
enum class ReportFormat : std::uint8_t { Text, Sarif };

class Report {
 public:
  explicit Report(std::FILE* out, ReportFormat format = ReportFormat::Text)
      : out_(out), format_(format) {}

  // Silences the findings of `code` ("Q201"), and the notes that list items under them. False
  // for a code the catalogue does not have.
  [[nodiscard]] bool Ignore(const std::string& code);

  // A heading of a part of the output: "== text".
  void Heading(const std::string& text);
  // A line of a listing: "WHERE:LINE: text" (no ":LINE" for line 0).
  void Line(const std::string& where, int line, const std::string& text);
  // A finding of the catalogue, its wording filled with `args`: "WHERE:LINE: warning: text
  // [Q201]". Counted for the exit status (notes are not), unless it is ignored.
  void Finding(FindingId id, const std::string& where, int line,
               std::initializer_list<std::string> args = {});
  // The closing line: how many errors and warnings (and how many findings were ignored).
  void Summary();
  // The end of the run: a SARIF report writes its log (`version` the tool's, `to_utf8` from
  // the ANSI code page, null: Latin-1). A text report has written everything already.
  void Finish(const char* version, std::string (*to_utf8)(const std::string& text));

  [[nodiscard]] int errors() const { return errors_; }
  [[nodiscard]] int warnings() const { return warnings_; }
  [[nodiscard]] int ExitStatus() const;

 private:
  void Prefix(const std::string& where, int line);
  [[nodiscard]] bool Ignored(const FindingKind& kind) const;

  std::FILE* out_;
  ReportFormat format_;
  std::vector<ReportItem> items_;  // SARIF: everything said, for the log at the end
  std::string section_;            // SARIF: the last heading
  std::set<std::string> ignored_;
  int errors_ = 0;
  int warnings_ = 0;
  int silenced_ = 0;
};

// The end of a check whose file `file` was not read: FileMissing (with its full path `full` and
// what the library gives then, `missing_result`) or CannotRead, then the summary. Gives the
// exit status.
[[nodiscard]] int FileNotRead(Report& report, const std::string& file, bool missing,
                              const std::string& full, const char* missing_result);

// `text` with every control character shown escaped: "\n", "\r", "\t", else "\x07"; and a colon
// before a digit as "\x3a", so that no text can read like the ":12: error:" of a finding. The
// last guard of every line the report prints.
[[nodiscard]] std::string Escaped(const std::string& text);

// Text taken from the machine, a file or the command line (a key, a value's name or data, a
// section, a path), shown one-to-one, so that each shown text stands for one text only:
// - a control character as the trace shows it ("\n", "\r", "\t", else "\x" and two
//   hexadecimal digits), and a colon before a digit as "\x3a";
// - a quotation mark as "\"";
// - a backslash doubled where the text after it would otherwise be read with it: before one of
//   n r t x \ " , before a character shown escaped, and at the end of the text;
// - every other character as it stands, a backslash too, so that paths read as written.
// Read back: "\\" is a backslash, "\"" a quotation mark, "\n" "\r" "\t" "\xHH" those
// characters, and a backslash before anything else is itself.
[[nodiscard]] std::string Shown(const std::string& text);

// Shown text in quotation marks: "\"text\"".
[[nodiscard]] std::string Quoted(const std::string& text);

// The note for bare name `file`, which export `reader` reads from `windows_file` of the Windows
// directory instead (BareNameElsewhere).
[[nodiscard]] std::string BareNameNote(const std::string& file, const char* reader,
                                       const std::string& windows_file);

// "1 entry", "8 entries".
[[nodiscard]] std::string Count(std::size_t n, const char* one, const char* many);

// printf-style formatting into a string.
[[nodiscard]] std::string Format(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

}  // namespace qnd
