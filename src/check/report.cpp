// Listings and findings of the checker (report.h).
#include "check/report.h"

#include <cstdarg>
#include <cstring>
#include <vector>

#include "frame/ascii.h"

namespace qnd {

bool Report::Ignore(const std::string& code) {
  const FindingKind* kind = KindOfCode(code);
  if (kind) ignored_.insert(kind->code);
  return kind != nullptr;
}

bool Report::Ignored(const FindingKind& kind) const {
  return ignored_.contains(kind.code) || (kind.follows && ignored_.contains(kind.follows));
}

void Report::Heading(const std::string& text) {
  section_ = text;
  if (format_ == ReportFormat::Text) std::fprintf(out_, "== %s\n", Escaped(text).c_str());
}

// "WHERE:LINE: ", or "WHERE: " for line 0.
void Report::Prefix(const std::string& where, int line) {
  if (line > 0) {
    std::fprintf(out_, "%s:%d: ", Escaped(where).c_str(), line);
  } else {
    std::fprintf(out_, "%s: ", Escaped(where).c_str());
  }
}

void Report::Line(const std::string& where, int line, const std::string& text) {
  if (format_ == ReportFormat::Sarif) {
    items_.push_back({nullptr, where, line, Escaped(text), Escaped(section_), {}});
    return;
  }
  Prefix(where, line);
  std::fprintf(out_, "%s\n", Escaped(text).c_str());
}

void Report::Finding(FindingId id, const std::string& where, int line,
                     std::initializer_list<std::string> args) {
  static const char* const kNames[] = {"note", "warning", "error"};
  const FindingKind& kind = Kind(id);
  if (Ignored(kind)) {
    ++silenced_;
    return;
  }
  if (format_ == ReportFormat::Sarif) {
    std::vector<std::string> shown;
    for (const std::string& arg : args) shown.push_back(Escaped(arg));
    items_.push_back(
        {&kind, where, line, Escaped(FillText(kind.text, args)), Escaped(section_), shown});
  } else {
    Prefix(where, line);
    std::fprintf(out_, "%s: %s [%s]\n", kNames[static_cast<int>(kind.severity)],
                 Escaped(FillText(kind.text, args)).c_str(), kind.code);
  }
  if (kind.severity == Severity::Error) ++errors_;
  if (kind.severity == Severity::Warning) ++warnings_;
}

void Report::Summary() {
  if (format_ == ReportFormat::Sarif) return;  // the log's run properties count them
  std::fprintf(out_, "== %d error%s, %d warning%s", errors_, errors_ == 1 ? "" : "s", warnings_,
               warnings_ == 1 ? "" : "s");
  if (silenced_) std::fprintf(out_, " (%d ignored)", silenced_);
  std::fputc('\n', out_);
  (void)std::fflush(out_);  // the console's: when it cannot take the report there is no one to tell
}

void Report::Finish(const char* version, std::string (*to_utf8)(const std::string& text)) {
  if (format_ == ReportFormat::Text) return;
  WriteSarif(out_, items_, {version, errors_, warnings_, silenced_, ExitStatus(), to_utf8});
}

int Report::ExitStatus() const {
  return errors_ ? kExitErrors : warnings_ ? kExitWarnings : kExitClean;
}

int FileNotRead(Report& report, const std::string& file, bool missing, const std::string& full,
                const char* missing_result) {
  if (missing) {
    report.Finding(FindingId::FileMissing, file, 0, {Shown(full), missing_result});
  } else {
    report.Finding(FindingId::CannotRead, file, 0);
  }
  report.Summary();
  return report.ExitStatus();
}

namespace {

// True when the character at `at` of `text` is shown escaped: a control character, or a colon
// before a digit.
[[nodiscard]] bool ShownEscaped(const std::string& text, std::size_t at) {
  char shown[4];
  if (ShowChar(text[at], shown) > 1) return true;
  return text[at] == ':' && at + 1 < text.size() && text[at + 1] >= '0' && text[at + 1] <= '9';
}

// Appends character `at` of `text` as the line guard shows it.
void AppendGuarded(const std::string& text, std::size_t at, std::string& out) {
  char shown[4];
  if (text[at] == ':' && ShownEscaped(text, at)) {
    out += "\\x3a";
    return;
  }
  out.append(shown, ShowChar(text[at], shown));
}

}  // namespace

std::string Escaped(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) AppendGuarded(text, i, out);
  return out;
}

std::string Shown(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') {
      out += "\\\"";
    } else if (c == '\\') {
      const bool last = i + 1 == text.size();
      const char next = last ? '\0' : text[i + 1];
      const bool read_with_it =
          last || (next && std::strchr("nrtx\\\"", next)) || ShownEscaped(text, i + 1);
      out += read_with_it ? "\\\\" : "\\";
    } else {
      AppendGuarded(text, i, out);
    }
  }
  return out;
}

std::string Quoted(const std::string& text) { return "\"" + Shown(text) + "\""; }

std::string BareNameNote(const std::string& file, const char* reader,
                         const std::string& windows_file) {
  return std::string("note: ") + reader + " given the bare name " + Quoted(file) +
         " reads the Windows directory's file " + Shown(windows_file) +
         ", not this one; give it a full path";
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
  if (n > 0) (void)std::vsnprintf(text.data(), text.size(), format, again);  // measured: it fits
  va_end(again);
  return std::string(text.data());
}

}  // namespace qnd
