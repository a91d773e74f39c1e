/* qndsetup.h - setup services of the translation product (qndsetup.dll).
 *
 * Every export is __stdcall, bound by its plain name, takes ANSI strings and 32-bit integers
 * and returns a 32-bit integer: 1 for success and 0 for failure unless said otherwise.
 * When the environment variable QNDSETUP_LOG names a file, each call appends to it what it was
 * called with, what it changed, why it gave 0 and what it returned (read at every call).
 * Usable from C and C++. */
#ifndef QNDSETUP_H
#define QNDSETUP_H

#ifdef __cplusplus
extern "C" {
#endif

#ifndef QND_CALL
#ifdef _WIN32
#define QND_CALL __stdcall
#else
#define QND_CALL
#endif
#endif

#ifndef QND_API
#ifndef _WIN32
#define QND_API
#elif defined(QND_BUILDING_DLL)
#define QND_API __declspec(dllexport)
#else
#define QND_API __declspec(dllimport)
#endif
#endif

/* The directories that the "$0" and "$4" macros of a registry script stand for. Either may
 * lack its trailing backslash; a null reference makes a macro that needs it fail. The record
 * is only read. */
typedef struct QndPathContext {
  const char* dir0; /* "$0" */
  const char* dir4; /* "$4" */
} QndPathContext;

/* Applies a registry script: writes every value of every key section, with its "$" macros
 * expanded, in file order, stopping at the first entry that fails. 1 when every entry was
 * written (also for a missing file), else 0; what was written before a failure stays.
 * `reserved` has no effect. */
QND_API int QND_CALL DoReg(const char* script, const QndPathContext* context, int reserved);

/* Applies "QUINDO.SRG" of the installation directory (with or without a trailing backslash),
 * with that directory as "$0". 0 for an empty string, else the result of DoReg. */
QND_API int QND_CALL RegisterQuindo(const char* directory);

/* Reverses a registry script: carries out its "UNINSTALL" list, whose entries each name a
 * value to delete, or a key to delete with everything below it. 1 when every entry was carried
 * out (also for a missing file or list; a missing key or value counts as removed), else 0 at
 * the first failing entry. `reserved` has no effect. */
QND_API int QND_CALL UndoReg(const char* script, const QndPathContext* context, int reserved);

/* Reverses "QUINDO.SRG" of the installation directory, with that directory as "$0".
 * 0 for an empty string, else the result of UndoReg. */
QND_API int QND_CALL UnregisterQuindo(const char* directory);

/* Installs the fonts of a font list file (an INI file; a name without directory is looked for
 * in the Windows directory) whose files already lie in the Windows FONTS directory: each
 * raster font of section "Fonts" and TrueType font of section "TrueTypes" (key: file name,
 * value: description) is loaded, for a TrueType font through a ".FOT" file built beside it,
 * recorded as description=key in section "Fonts" of the Windows profile, and announced to
 * every top-level window; then the entries of section "FontSubstitutes" are copied into the
 * profile section of that name. A non-zero `skipFonts` copies only the substitutes. 1 when
 * every step succeeded (also for a missing list or sections); 0 at the first failure (an empty
 * value, a font that cannot be loaded or recorded, a name beyond the limits, a font file that is
 * not there, a TrueType key naming a ".FOT" file, a description that would not stay one WIN.INI
 * entry, a list whose full path exceeds 259 characters), with what came before kept. A failing
 * entry leaves another program's font, ".FOT" file and WIN.INI entries as they were. Entry
 * names beyond the 32,768 characters of a section's name list are not seen. */
QND_API int QND_CALL Internal007(const char* list, int skipFonts);

/* Writes the directory of a one-character folder code into `buffer` (260 characters):
 * "1" Windows, "2"/"3" system, "5" desktop, "6" Start menu, "7" Programs, "8" Startup,
 * "9" Fonts, "A" documents, "B" Program Files, "C" Send To, "D" templates, "E" recent
 * documents, "F" temporary directory without its trailing backslash. Letters in either case.
 * 0 for any other code, or when the directory cannot be had. */
QND_API int QND_CALL GetFolder(int code, char* buffer);

/* Does nothing; always 0. */
QND_API int QND_CALL Internal010(void);

/* Writes into `buffer` (260 characters) the directory, with its trailing backslash, of an
 * earlier installation recorded in "quindo.ini" or else "quindohr.ini" of the Windows directory
 * (entry "English-Russian" or else "Russian-English" of section "Application"); "C:\" when
 * there is none. Always 1. */
QND_API int QND_CALL Internal015(char* buffer);

/* Writes `value` as entry "Path" of section "Setup" of directory\Quindo32.uni (the directory
 * given without trailing backslash, at most 246 characters). 1 when written; 0 when the profile
 * writer failed or the directory is longer. Creates no directory. */
QND_API int QND_CALL Internal012(const char* directory, const char* value);

/* Installs the product's Office 95 add-ins for the current user. First deletes the older Word
 * template "QND_WW7.DOT" from Word's start-up directory, then the first older Excel add-in
 * value (one that names "QND_XL7"); then, for Excel 7.0 and Word 7.0 where present, registers
 * "QND_OF7.XLA" of `source_dir` in the first free "OPEN" value of Excel's options, copies
 * "QND_OF7.DOT" into Word's start-up directory (creating its last level), copies "QND_OF7.DLL"
 * into the system directory, and sets the first-call marker; an installed component is
 * installed anew. `source_dir` holds the three files, without trailing backslash; null means
 * the directory of the host program's executable, and a relative directory is made absolute
 * from the current directory. A "Startup-Path" that is relative or whose last level ends in a
 * dot or a blank is no start-up directory: Word's add-in is then not installed. 1 when all of
 * it succeeded; 0 otherwise, at once while Word runs and after the first step while Excel runs.
 * Nothing is undone. */
QND_API int QND_CALL InstallOfficeSupport(const char* source_dir);
/* Posts the registered message "QUINDO_GO_HOME" to every top-level window, then, while a
 * window of another setup of the product, of the product, of Word, Excel, Exchange or Outlook
 * exists, asks the user in a Retry/Cancel box "Setup" (owned by the "InstallShield_Win" window,
 * if any answers) to close the first of them. Setup windows of the calling process itself do
 * not count. 1 when none runs; 0 on Cancel or when the box cannot be shown. */
QND_API int QND_CALL CheckApplicationsActive(void);

#ifdef __cplusplus
}
#endif

#endif /* QNDSETUP_H */
