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

/* Applies a registry script: writes every value of every key section (a section whose name
 * begins with a root name; any other section is skipped whole), with its "$" macros expanded,
 * in file order, stopping at the first entry that fails. 1 when every entry was written (also
 * for a missing or empty file). 0 at the first entry that fails (a macro that cannot be
 * resolved, a text over 511 characters, a key path with an empty level once its macros are
 * expanded - two backslashes in a row, the end included -, a key or value the registry
 * refuses, an entry whose data cannot be found again by its listed name), for a null script
 * path, a script that is there but cannot be read or whose full path exceeds 259 characters
 * (nothing is written then), or when no memory for a name list could be had; what was written
 * before a failure stays. `context` may be null
 * when the script uses neither "$0" nor "$4". `reserved` has no effect. */
QND_API int QND_CALL DoReg(const char* script, const QndPathContext* context, int reserved);

/* Applies "QUINDO.SRG" of the installation directory (with or without a trailing backslash),
 * with that directory, ending in a backslash, as "$0" and no "$4". 0 for a null or empty
 * string, or a directory too long for the script's path to fit 259 characters; else the result
 * of DoReg. */
QND_API int QND_CALL RegisterQuindo(const char* directory);

/* Reverses a registry script: carries out its "UNINSTALL" list in file order, whose entries
 * each name a value to delete, or a key to delete with everything below it (the last level of
 * its path; a registry link as the link, its target untouched). 1 when every entry was carried
 * out (also for a missing file or list; a missing key or value counts as removed, and so do a
 * value the registry will not delete and a key whose path the platform refuses as too long).
 * 0 at the first entry that fails (a key that exists but cannot be opened or deleted, a tree
 * deeper than 512 levels, an entry that names no root or a whole root key, a key path with an
 * empty level, a macro that cannot be resolved, an entry whose data cannot be found again),
 * for a null script path, a script that is there but cannot be read or whose full path exceeds
 * 259 characters (nothing is removed then), or when no memory for the list could be had; what
 * was removed before a failure stays removed.
 * `reserved` has no effect. */
QND_API int QND_CALL UndoReg(const char* script, const QndPathContext* context, int reserved);

/* Reverses "QUINDO.SRG" of the installation directory, with that directory, ending in a
 * backslash, as "$0" and no "$4". 0 for a null or empty string, or a directory too long for the
 * script's path to fit 259 characters; else the result of UndoReg. */
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
 * not there, a TrueType key naming a ".FOT" file, a description or copied substitute key that
 * would not stay one WIN.INI entry or holds a control character), for a null list, and for a
 * list that is there but cannot be read or whose full path exceeds 259 characters (nothing is
 * changed then), with what came before kept. A failing entry leaves another program's font, ".FOT"
 * file and WIN.INI entries as they were. Entry names beyond the 32,768 characters of a section's
 * name list are not seen. */
QND_API int QND_CALL Internal007(const char* list, int skipFonts);

/* Writes the directory of a one-character folder code into `buffer` (260 characters):
 * "1" Windows, "2"/"3" system, "5" desktop, "6" Start menu, "7" Programs, "8" Startup,
 * "9" Fonts, "A" documents, "B" Program Files ("ProgramFilesDir" as stored), "C" Send To,
 * "D" templates, "E" recent documents, "F" temporary directory without its trailing
 * backslash. Letters in either case; only the low 8 bits of `code` count. The directory is the
 * platform's: without a trailing backslash unless it is a drive's root. 1 when it was written
 * (always for "1" to "3"); 0 for any other code (the buffer untouched), or when the directory
 * cannot be had or does not fit. */
QND_API int QND_CALL GetFolder(int code, char* buffer);

/* Does nothing; always 0. */
QND_API int QND_CALL Internal010(void);

/* Writes into `buffer` (260 characters) the directory, with its trailing backslash, of an
 * earlier installation: the data of entry "English-Russian", or else "Russian-English", of
 * section "Application" in the first of "quindo.ini" and "quindohr.ini" of the Windows
 * directory that exists, cut after its last backslash (data without one is kept whole);
 * "C:\" when there is none. Always 1. */
QND_API int QND_CALL Internal015(char* buffer);

/* Writes `value` as entry "Path" of section "Setup" of directory\Quindo32.uni (the directory
 * given without trailing backslash, at most 246 characters; a backslash is put between them in
 * every case). 1 when written; 0 when the profile writer failed (a missing directory), for a
 * null directory or value, an empty or longer directory, and a directory or value holding a
 * line break (nothing is written then). Creates no directory. */
QND_API int QND_CALL Internal012(const char* directory, const char* value);

/* Installs the product's Office 95 add-ins for the current user, in three phases. First deletes
 * the older Word template "QND_WW7.DOT" from Word's start-up directory, then the first older
 * Excel add-in value (one that names "QND_XL7"); then, for Excel 7.0 and Word 7.0 where
 * present, registers "QND_OF7.XLA" of `source_dir` in the first free "OPEN" value of Excel's
 * options, copies "QND_OF7.DOT" into Word's start-up directory (creating its last level),
 * copies "QND_OF7.DLL" into the system directory, and sets the first-call marker; an installed
 * component is installed anew. `source_dir` holds the three files, without trailing backslash;
 * null means the directory of the host program's executable, and a relative directory is made
 * absolute from the current directory (0 before anything changes when that fails or does not
 * fit 1023 characters). A "Startup-Path" that is relative or whose last level ends in a dot or
 * a blank is no start-up directory: Word's add-in is then not installed. The plan of it all is
 * worked out first, and a step it foresees to fail is not tried. 1 when all of it succeeded;
 * 0 otherwise: at once while Word runs, after the first phase while Excel runs, and at the end
 * when a component fails (the other one is still installed). Nothing is undone. */
QND_API int QND_CALL InstallOfficeSupport(const char* source_dir);

/* Posts the registered message "QUINDO_GO_HOME" to every top-level window, then, while a
 * window of another setup of the product, of the product, of Word, Excel, Exchange or Outlook
 * exists, asks the user in a Retry/Cancel box "Setup" to close the first of them; Retry looks
 * at them all again. The box is owned by an "InstallShield_Win" window that answers within 2
 * seconds, else by none, so that it always comes. Setup windows of the calling process itself
 * do not count. 1 when none runs (at once, or after Retry); 0 on Cancel or when the box cannot be
 * shown. */
QND_API int QND_CALL CheckApplicationsActive(void);

#ifdef __cplusplus
}
#endif

#endif /* QNDSETUP_H */
