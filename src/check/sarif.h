// The checker's report as a SARIF 2.1.0 log (the Static Analysis Results Interchange Format
// that CI code scanning takes in): each finding a result with its code as ruleId, its level,
// its file and line and its wording; each line of a listing (explain, coverage, the plan) a
// result of kind "informational"; every finding of the catalogue a rule. A result's properties
// hold its heading ("section") and a finding's the texts that fill its wording ("arguments").
// Portable: no platform headers.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "check/findings.h"

namespace qnd {

// One thing the report said: a finding (`kind` set) or a line of a listing (`kind` null).
struct ReportItem {
  const FindingKind* kind = nullptr;
  std::string where;              // the file (as given) or the command ("office")
  int line = 0;                   // 0: none
  std::string text;               // the wording as the listing shows it (Escaped)
  std::string section;            // the heading it stands under, as shown
  std::vector<std::string> args;  // a finding's: what fills its wording, in order, as shown
};

// What the log says about the run as a whole.
struct SarifRun {
  const char* version;  // the tool's
  int errors, warnings, silenced, exit_status;
  // Text of the ANSI code page into UTF-8 (null: each byte taken as Latin-1).
  std::string (*to_utf8)(const std::string& text);
};

// Writes the log of `items` to `out`.
void WriteSarif(std::FILE* out, const std::vector<ReportItem>& items, const SarifRun& run);

// `text` as the contents of a JSON string: quotation marks, backslashes and control characters
// escaped (bytes from 0x80 up pass as they are: UTF-8).
[[nodiscard]] std::string JsonEscaped(const std::string& text);

// `where` as a URI reference: an absolute Windows path as a "file:" URI, a relative one with
// slashes; every byte outside the characters a URI allows, percent-encoded (from UTF-8).
[[nodiscard]] std::string UriOf(const std::string& where);

}  // namespace qnd
