// The library's entry point and the one export that belongs to no subsystem.
#include "frame/trace.h"

// Reports success for every reason: the library allocates nothing, starts nothing and never
// refuses to load.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }

// Internal010(): does nothing; always 0.
extern "C" int __stdcall Internal010(void) {
  qnd::Trace trace("Internal010", {});
  return trace.Return(0);
}
