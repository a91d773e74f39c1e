/* Built as Microsoft's tools build (clang for i686-pc-windows-msvc, lld-link, no C runtime)
 * against qndsetup.lib: each call goes through the decorated import symbol of the header's
 * __stdcall declaration (__imp__GetFolder@8), which must bind the plain export. The exit code
 * holds one bit per failed row. */
#include "qndsetup.h"

__declspec(dllimport) void __stdcall ExitProcess(unsigned code);

void start(void) {
  char buffer[260];
  QndPathContext context = {"C:\\Prog", 0};
  /* every export once, with arguments whose result does not depend on the machine */
  const int rows[][2] = {
      /* 0 */ {GetFolder('1', buffer), 1},
      /* 1 */ {GetFolder('4', buffer), 0},
      /* 2 */ {Internal010(), 0},
      /* 3 */ {Internal015(buffer), 1},
      /* 4 */ {DoReg("Z:\\no\\such.srg", &context, 0), 1},
      /* 5 */ {UndoReg("Z:\\no\\such.srg", &context, 0), 1},
      /* 6 */ {RegisterQuindo(""), 0},
      /* 7 */ {UnregisterQuindo(""), 0},
      /* 8 */ {Internal007(0, 0), 0},
      /* 9 */ {Internal012("", "value"), 0},
      /* 10 */ {InstallOfficeSupport("Z:\\no\\such"), 1},
      /* 11 */ {CheckApplicationsActive(), 1},
  };
  unsigned failures = 0;
  unsigned i;
  for (i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
    if (rows[i][0] != rows[i][1]) failures |= 1u << i;
  }
  ExitProcess(failures);
}
