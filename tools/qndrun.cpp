// qndrun: calls one export of qndsetup.dll with the arguments of its command line and prints
// the result and any output buffer (after Internal007, the font faces it added). Loads the
// library by name and binds the export by its plain name, as the installer engine does.
//
//   qndrun GetFolder B
//   qndrun --help
//   qndrun --version
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "qndsetup.h"

namespace {

// How each argument of an export is made, one letter per 32-bit argument, in order:
//   c  a folder code: the first character of the next command-line word
//   s  a string: the next word
//   n  a string or null: the next word, "-" for null
//   i  an integer: the next word, in decimal
//   p  a path context: the next two words, the "$0" and "$4" directories ("-" for none)
//   o  an output path buffer of 260 characters, printed after the call
struct ExportShape {
  const char* name;
  const char* args;
  const char* usage;
};

constexpr ExportShape kExports[] = {
    {"DoReg", "spi", "SCRIPT DIR0 DIR4 RESERVED"},
    {"RegisterQuindo", "s", "DIRECTORY"},
    {"UndoReg", "spi", "SCRIPT DIR0 DIR4 RESERVED"},
    {"UnregisterQuindo", "s", "DIRECTORY"},
    {"GetFolder", "co", "CODE"},
    {"Internal010", "", ""},
    {"Internal015", "o", ""},
    {"Internal012", "ss", "DIRECTORY VALUE"},
    {"InstallOfficeSupport", "n", "SOURCEDIR|-"},
    {"Internal007", "si", "LIST SKIPFONTS"},
    {"CheckApplicationsActive", "", ""},
};

const ExportShape* FindShape(const char* name) {
  for (const ExportShape& e : kExports) {
    if (_stricmp(e.name, name) == 0) return &e;
  }
  return nullptr;
}

void PrintHelp() {
  std::printf(
      "usage: qndrun EXPORT [ARGUMENTS...]\n       qndrun --version\n\n"
      "Exports it can call:\n");
  for (const ExportShape& e : kExports) std::printf("  %s %s\n", e.name, e.usage);
  std::printf(
      "\nA path context is given as two words, the $0 and $4 directories; '-' means none.\n");
  std::printf("InstallOfficeSupport - passes null: the directory of qndrun.exe itself.\n");
}

typedef int(__stdcall* Fn0)();
typedef int(__stdcall* Fn1)(DWORD_PTR);
typedef int(__stdcall* Fn2)(DWORD_PTR, DWORD_PTR);
typedef int(__stdcall* Fn3)(DWORD_PTR, DWORD_PTR, DWORD_PTR);

[[nodiscard]] int Call(FARPROC fn, const DWORD_PTR* a, int n) {
  switch (n) {
    case 0: return reinterpret_cast<Fn0>(fn)();
    case 1: return reinterpret_cast<Fn1>(fn)(a[0]);
    case 2: return reinterpret_cast<Fn2>(fn)(a[0], a[1]);
    default: return reinterpret_cast<Fn3>(fn)(a[0], a[1], a[2]);
  }
}

[[nodiscard]] const char* OrNull(const char* word) {
  return std::strcmp(word, "-") == 0 ? nullptr : word;
}

// The font faces GDI enumerates in this process.
int CALLBACK AddFace(const LOGFONTA* font, const TEXTMETRICA* /*metrics*/, DWORD /*type*/,
                     LPARAM faces) {
  // NOLINTNEXTLINE(performance-no-int-to-ptr): the set FontFaces hands EnumFontFamiliesExA
  reinterpret_cast<std::set<std::string>*>(faces)->insert(font->lfFaceName);
  return 1;
}
[[nodiscard]] std::set<std::string> FontFaces() {
  std::set<std::string> faces;
  LOGFONTA all = {};
  all.lfCharSet = DEFAULT_CHARSET;
  HDC dc = GetDC(nullptr);
  EnumFontFamiliesExA(dc, &all, AddFace, reinterpret_cast<LPARAM>(&faces), 0);
  ReleaseDC(nullptr, dc);
  return faces;
}

// After a font list was installed: the faces that GDI enumerates now and did not before.
void PrintNewFaces(const std::set<std::string>& before) {
  for (const std::string& face : FontFaces()) {
    if (!before.contains(face)) std::printf("new font face: %s\n", face.c_str());
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    PrintHelp();
    return argc < 2 ? 2 : 0;
  }
  if (std::strcmp(argv[1], "--version") == 0) {
    std::printf("qndrun %s\n", QND_VERSION);
    return 0;
  }
  const ExportShape* shape = FindShape(argv[1]);
  if (!shape) {
    std::fprintf(stderr, "qndrun: no export '%s' (qndrun --help lists them)\n", argv[1]);
    return 2;
  }
  HMODULE dll = LoadLibraryA("qndsetup.dll");
  if (!dll) {
    std::fprintf(stderr, "qndrun: cannot load qndsetup.dll (error %lu)\n", GetLastError());
    return 2;
  }
  FARPROC fn = GetProcAddress(dll, shape->name);
  if (!fn) {
    std::fprintf(stderr, "qndrun: qndsetup.dll has no export %s\n", shape->name);
    return 2;
  }

  DWORD_PTR args[3] = {};
  QndPathContext context = {};
  char buffer[MAX_PATH] = {};
  bool has_buffer = false;
  int word = 2, n = 0;
  for (const char* a = shape->args; *a; ++a, ++n) {
    const int need = *a == 'o' ? 0 : *a == 'p' ? 2 : 1;
    if (word + need > argc) {
      std::fprintf(stderr, "usage: qndrun %s %s\n", shape->name, shape->usage);
      return 2;
    }
    switch (*a) {
      case 'c': args[n] = static_cast<unsigned char>(argv[word][0]); break;
      case 's': args[n] = reinterpret_cast<DWORD_PTR>(argv[word]); break;
      case 'n': args[n] = reinterpret_cast<DWORD_PTR>(OrNull(argv[word])); break;
      case 'i': args[n] = static_cast<DWORD_PTR>(std::strtol(argv[word], nullptr, 10)); break;
      case 'p':
        context.dir0 = OrNull(argv[word]);
        context.dir4 = OrNull(argv[word + 1]);
        args[n] = reinterpret_cast<DWORD_PTR>(&context);
        break;
      case 'o':
        args[n] = reinterpret_cast<DWORD_PTR>(buffer);
        has_buffer = true;
        break;
    }
    word += need;
  }

  const bool fonts = std::strcmp(shape->name, "Internal007") == 0;
  const std::set<std::string> faces = fonts ? FontFaces() : std::set<std::string>();
  const int result = Call(fn, args, n);
  std::printf("%s -> %d\n", shape->name, result);
  if (fonts) PrintNewFaces(faces);
  if (has_buffer && result) std::printf("buffer: %s\n", buffer);
  return 0;
}
