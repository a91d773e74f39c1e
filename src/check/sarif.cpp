// The checker's report as a SARIF 2.1.0 log (sarif.h).
#include "check/sarif.h"

#include <cstring>

#include "frame/ascii.h"

namespace qnd {
namespace {

constexpr char kSchema[] =
    "https://docs.oasis-open.org/sarif/sarif/v2.1.0/errata01/os/schemas/sarif-schema-2.1.0.json";

[[nodiscard]] const char* LevelOf(Severity severity) {
  switch (severity) {
    case Severity::Note: return "note";
    case Severity::Warning: return "warning";
    case Severity::Error: return "error";
  }
  return "error";
}

[[nodiscard]] std::string Latin1ToUtf8(const std::string& text) {
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      out += c;
    } else {
      out += static_cast<char>(0xC0 | byte >> 6);
      out += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return out;
}

// A JSON string of `text`, from the ANSI code page.
[[nodiscard]] std::string Quoted(const std::string& text, const SarifRun& run) {
  return "\"" + JsonEscaped(run.to_utf8 ? run.to_utf8(text) : Latin1ToUtf8(text)) + "\"";
}

void WriteRules(std::FILE* out) {
  for (int i = 0; i < static_cast<int>(FindingId::Count); ++i) {
    const FindingKind& kind = Kind(static_cast<FindingId>(i));
    std::fprintf(out,
                 "%s\n        {\"id\": \"%s\", \"shortDescription\": {\"text\": \"%s\"}, "
                 "\"defaultConfiguration\": {\"level\": \"%s\"}",
                 i ? "," : "", kind.code, JsonEscaped(kind.title).c_str(), LevelOf(kind.severity));
    if (kind.follows) std::fprintf(out, ", \"properties\": {\"follows\": \"%s\"}", kind.follows);
    std::fputs("}", out);
  }
}

void WriteResult(std::FILE* out, const ReportItem& item, const SarifRun& run) {
  if (item.kind) {
    std::fprintf(out, "{\"ruleId\": \"%s\", \"ruleIndex\": %d, \"level\": \"%s\", ",
                 item.kind->code, static_cast<int>(item.kind->id), LevelOf(item.kind->severity));
  } else {
    std::fputs("{\"kind\": \"informational\", \"level\": \"none\", ", out);
  }
  std::fprintf(out, "\"message\": {\"text\": %s}, ", Quoted(item.text, run).c_str());
  std::fprintf(out,
               "\"locations\": [{\"physicalLocation\": {\"artifactLocation\": {\"uri\": \"%s\"}",
               JsonEscaped(UriOf(run.to_utf8 ? run.to_utf8(item.where) : item.where)).c_str());
  if (item.line > 0) std::fprintf(out, ", \"region\": {\"startLine\": %d}", item.line);
  std::fprintf(out, "}}], \"properties\": {\"section\": %s", Quoted(item.section, run).c_str());
  if (item.kind) {
    std::fputs(", \"arguments\": [", out);
    for (std::size_t i = 0; i < item.args.size(); ++i) {
      std::fprintf(out, "%s%s", i ? ", " : "", Quoted(item.args[i], run).c_str());
    }
    std::fputs("]", out);
  }
  std::fputs("}}", out);
}

}  // namespace

void WriteSarif(std::FILE* out, const std::vector<ReportItem>& items, const SarifRun& run) {
  std::fprintf(out, "{\n  \"$schema\": \"%s\",\n  \"version\": \"2.1.0\",\n  \"runs\": [{\n",
               kSchema);
  std::fprintf(out,
               "    \"tool\": {\"driver\": {\"name\": \"qndcheck\", \"version\": \"%s\", "
               "\"rules\": [",
               JsonEscaped(run.version).c_str());
  WriteRules(out);
  std::fputs("]}},\n", out);
  std::fprintf(out, "    \"invocations\": [{\"executionSuccessful\": true, \"exitCode\": %d}],\n",
               run.exit_status);
  std::fputs("    \"results\": [", out);
  bool first = true;
  for (const ReportItem& item : items) {
    std::fputs(first ? "\n      " : ",\n      ", out);
    WriteResult(out, item, run);
    first = false;
  }
  std::fprintf(
      out, "],\n    \"properties\": {\"errors\": %d, \"warnings\": %d, \"ignored\": %d}\n  }]\n}\n",
      run.errors, run.warnings, run.silenced);
  (void)std::fflush(out);  // the console's: when it cannot take the log there is no one to tell
}

std::string JsonEscaped(const std::string& text) {
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20) {
      char escape[8];
      (void)std::snprintf(escape, sizeof escape, "\\u%04x", byte);  // 6 characters: it fits
      out += escape;
    } else {
      out += c;
    }
  }
  return out;
}

std::string UriOf(const std::string& where) {
  std::string path = where;
  for (char& c : path) c = c == '\\' ? '/' : c;
  std::string prefix;
  if (path.size() >= 3 && IsAsciiLetter(path[0]) && path[1] == ':' && path[2] == '/') {
    prefix = "file:///";
  } else if (path.size() >= 2 && path[0] == '/' && path[1] == '/') {
    prefix = "file:";
  }
  static const char kAllowed[] = "-._~/:@!$&'()*+,;=";
  std::string out = prefix;
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80 &&
        (IsAsciiLetter(c) || (c >= '0' && c <= '9') || (c != '\0' && std::strchr(kAllowed, c)))) {
      out += c;
    } else {
      char escape[4];
      (void)std::snprintf(escape, sizeof escape, "%%%02X", byte);  // 3 characters: it fits
      out += escape;
    }
  }
  return out;
}

}  // namespace qnd
