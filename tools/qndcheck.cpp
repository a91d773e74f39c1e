// qndcheck: a checker for setup authors. It explains a registry script, finds the traps of its
// format and what its uninstall leaves behind, and shows what the font list and Office add-in
// installation would find and do on this machine, with the very code the library runs. It
// never changes the registry, a profile file or a directory.
//
//   qndcheck script QUINDO.SRG --dir0 "C:\Program Files\Quindo" --ignore Q201
//   qndcheck office
//   qndcheck --help
//   qndcheck --version
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "check/fonts_check.h"
#include "check/office_check.h"
#include "check/report.h"
#include "check/script_check.h"
#include "frame/profile_text.h"

namespace {

const char kHelp[] =
    "usage: qndcheck COMMAND [ARGUMENTS...]\n"
    "       qndcheck --version\n"
    "\n"
    "Options may stand anywhere on the command line, before or after the command.\n"
    "Checks what the setup library (qndsetup.dll) will do on this machine, with its own code,\n"
    "and changes nothing: not the registry, not a profile file, not a directory (a scratch\n"
    "file of its own in the temporary directory, deleted at once, asks the profile reader\n"
    "its letter case).\n"
    "\n"
    "  qndcheck script FILE [--dir0 DIR] [--dir4 DIR]\n"
    "      A registry script, as DoReg applies it and UndoReg reverses it. $0 is DIR of --dir0,\n"
    "      else the script's own directory (as RegisterQuindo gives it); $4 is DIR of --dir4,\n"
    "      else none (RegisterQuindo gives none). Three parts:\n"
    "      explain   every value DoReg would write, in order: key, value name (@ for the\n"
    "                default value), type and data with this machine's directories; and the\n"
    "                entry where DoReg would stop.\n"
    "      lint      the traps of the format: \"DWORD:\" in another case, \"dword:\" inside\n"
    "                text, sections that look like keys but begin with no root name, repeated\n"
    "                entry names and sections, unknown \"$\" codes, \"$4\" under RegisterQuindo,\n"
    "                UNINSTALL entries without a root name, removal of a key that Windows\n"
    "                and other programs share, texts near or over their limits, and every\n"
    "                entry that fails.\n"
    "      coverage  an install followed by the uninstall, on a model of this machine's\n"
    "                registry (read, never written): what it leaves behind, and what the\n"
    "                uninstall removes that was there before and the script never writes.\n"
    "                HKEY_CLASSES_ROOT and HKEY_CURRENT_USER are the keys the platform\n"
    "                names them, and links are what the platform says they are.\n"
    "\n"
    "  qndcheck office [--source DIR]\n"
    "      The plan InstallOfficeSupport carries out for the current user: the Office 7.0\n"
    "      applications present or running, Word's start-up directory, every OPEN add-in\n"
    "      value of Excel, then each change in the library's order (the older template and\n"
    "      add-in value removed, the slot the add-in is written to, the files copied) up to\n"
    "      where it stops, and its result. --source DIR: the directory given to the export\n"
    "      (a relative one made absolute as the library makes it); its files are checked.\n"
    "\n"
    "  qndcheck fonts LIST [--skip-fonts]\n"
    "      What Internal007 would do with each entry of a font list, in order, and whether it\n"
    "      would succeed on this machine: the font file in the FONTS directory (whether the\n"
    "      platform can add a raster font is asked of it), empty values, the name limits, a\n"
    "      directory part that is ignored, repeated entries, entries written over; and the\n"
    "      substitutes it would merge into WIN.INI. --skip-fonts: as Internal007(LIST, 1).\n"
    "\n"
    "  FILE and LIST are read as every command-line tool reads a file: a relative path from\n"
    "  the current directory. Given a bare name, the exports read the Windows directory's\n"
    "  file instead; a note names it.\n"
    "\n"
    "  --ignore CODE (with any command, anywhere on the command line, repeatable)\n"
    "      Silences the findings of CODE, such as Q201, and the notes listed under them.\n"
    "  --format sarif (with any command, anywhere on the command line)\n"
    "      The report as one SARIF 2.1.0 log, as CI code scanning takes it in: each finding a\n"
    "      result with its code as ruleId, its level, file, line and wording; each line of\n"
    "      the listing a result of kind \"informational\"; the catalogue as the rules.\n"
    "\n"
    "Findings read FILE:LINE: warning: ... [CODE] or FILE:LINE: error: ... [CODE], as a\n"
    "compiler's do. Exit status: 0 no finding, 1 warnings only, 2 an error (the library would\n"
    "fail) or bad usage. Text from the machine or a file reads back one-to-one: \\\\ a\n"
    "backslash, \\\" a quotation mark, \\n \\r \\t \\xHH those characters (\\x3a a colon\n"
    "before a digit), a backslash before anything else itself. The findings:\n";

[[nodiscard]] int Usage(const char* problem) {
  std::fprintf(stderr, "qndcheck: %s (qndcheck --help explains the commands)\n", problem);
  return qnd::kExitErrors;
}

// Takes "--name VALUE" at argv[*i]; false when it is not `name` or has no value.
[[nodiscard]] bool TakeOption(int argc, char** argv, int* i, const char* name, const char** value) {
  if (std::strcmp(argv[*i], name) != 0 || *i + 1 >= argc) return false;
  *value = argv[++*i];
  return true;
}

[[nodiscard]] int Script(int argc, char** argv, qnd::Report& report) {
  qnd::ScriptOptions options;
  for (int i = 2; i < argc; ++i) {
    if (TakeOption(argc, argv, &i, "--dir0", &options.dir0) ||
        TakeOption(argc, argv, &i, "--dir4", &options.dir4)) {
      continue;
    }
    if (argv[i][0] == '-' || !options.file.empty())
      return Usage("script takes FILE, --dir0 DIR, --dir4 DIR");
    options.file = argv[i];
  }
  if (options.file.empty()) return Usage("script needs the script's FILE");
  return qnd::CheckScript(options, report);
}

[[nodiscard]] int Fonts(int argc, char** argv, qnd::Report& report) {
  qnd::FontsOptions options;
  for (int i = 2; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--skip-fonts")) {
      options.skip_fonts = true;
    } else if (argv[i][0] == '-' || !options.file.empty()) {
      return Usage("fonts takes LIST and --skip-fonts");
    } else {
      options.file = argv[i];
    }
  }
  if (options.file.empty()) return Usage("fonts needs the font LIST");
  return qnd::CheckFonts(options, report);
}

[[nodiscard]] int Office(int argc, char** argv, qnd::Report& report) {
  qnd::OfficeOptions options;
  for (int i = 2; i < argc; ++i) {
    if (!TakeOption(argc, argv, &i, "--source", &options.source_dir)) {
      return Usage("office takes only --source DIR");
    }
  }
  return qnd::CheckOffice(options, report);
}

// The options that take a value, wherever they stand on the command line.
constexpr const char* kValueOptions[] = {"--ignore", "--format", "--dir0", "--dir4", "--source"};

[[nodiscard]] bool TakesValue(const char* arg) {
  for (const char* option : kValueOptions) {
    if (!std::strcmp(arg, option)) return true;
  }
  return false;
}

// The place of the command: the first argument that is neither an option nor an option's value;
// 0 when there is none.
[[nodiscard]] int CommandAt(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (argv[i][0] != '-') return i;
    if (TakesValue(argv[i])) ++i;
  }
  return 0;
}

// --help or --version anywhere on the command line (the command "help" too): prints it and
// gives true.
[[nodiscard]] bool HelpOrVersion(int argc, char** argv, int at) {
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h") ||
        (i == at && !std::strcmp(argv[i], "help"))) {
      std::fputs(kHelp, stdout);
      std::fputs(qnd::FindingsHelp().c_str(), stdout);
      return true;
    }
    if (!std::strcmp(argv[i], "--version")) {
      std::printf("qndcheck %s\n", QND_VERSION);
      return true;
    }
    if (TakesValue(argv[i])) ++i;
  }
  return false;
}

// The report's form, from --format anywhere on the command line; false for a form it does not
// know.
[[nodiscard]] bool FormatOf(int argc, char** argv, qnd::ReportFormat& format) {
  format = qnd::ReportFormat::Text;
  for (int i = 1; i < argc; ++i) {
    const char* name = nullptr;
    if (!TakeOption(argc, argv, &i, "--format", &name)) continue;
    if (std::strcmp(name, "sarif") != 0 && std::strcmp(name, "text") != 0) return false;
    format = std::strcmp(name, "sarif") == 0 ? qnd::ReportFormat::Sarif : qnd::ReportFormat::Text;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const int at = CommandAt(argc, argv);
  if (HelpOrVersion(argc, argv, at)) return qnd::kExitClean;
  if (!at) return Usage("no command");
  const std::string command = argv[at];
  qnd::ReportFormat format = qnd::ReportFormat::Text;
  if (!FormatOf(argc, argv, format)) return Usage("--format takes text or sarif");
  qnd::Report report(stdout, format);
  // The command line without the command and its --ignore and --format options, options
  // anywhere: the commands read their own from argv[2] on.
  std::vector<char*> args = {argv[0], argv[at]};
  for (int i = 1; i < argc; ++i) {
    const char* code = nullptr;
    if (i == at || TakeOption(argc, argv, &i, "--format", &code)) continue;
    if (!TakeOption(argc, argv, &i, "--ignore", &code)) {
      args.push_back(argv[i]);
    } else if (!report.Ignore(code)) {
      return Usage((std::string("no finding has the code ") + code).c_str());
    }
  }
  const int n = static_cast<int>(args.size());
  int status = qnd::kExitErrors;
  if (command == "script") {
    status = Script(n, args.data(), report);
  } else if (command == "office") {
    status = Office(n, args.data(), report);
  } else if (command == "fonts") {
    status = Fonts(n, args.data(), report);
  } else {
    return Usage("unknown command");
  }
  report.Finish(QND_VERSION, qnd::AnsiToUtf8);
  return status;
}
