// The library's entry point and the one export that belongs to no subsystem.
#include "frame/trace.h"

// The loader calls it by this name; no platform header declares it.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);

// Reports success for every reason: the library allocates nothing, starts nothing and never
// refuses to load.
extern "C" BOOL WINAPI DllMain(HINSTANCE /*instance*/, DWORD /*reason*/, LPVOID /*reserved*/) {
  return TRUE;
}

// Internal010: see qndsetup.h.
extern "C" int __stdcall Internal010(void) {
  qnd::Trace trace("Internal010", {});
  return trace.Return(0);
}
