/* A C89 program that links against the import library (libqndsetup.dll.a) and calls the
 * exports through the public header, as a C or C++ setup tool does. Exit code 0 when each call
 * gives what it must. */
#include <stdio.h>
#include <windows.h>

#include "qndsetup.h"

int main(void) {
  char buffer[MAX_PATH];
  QndPathContext context;
  int failures = 0;
  context.dir0 = "C:\\Prog";
  context.dir4 = 0;
  if (Internal010() != 0) failures |= 1;
  if (GetFolder('1', buffer) != 1 || buffer[0] == '\0') failures |= 2;
  if (GetFolder('4', buffer) != 0) failures |= 4;
  if (DoReg("Z:\\no\\such.srg", &context, 0) != 1) failures |= 8;
  if (RegisterQuindo("") != 0) failures |= 16;
  if (Internal015(buffer) != 1) failures |= 32;
  printf("failures: %d\n", failures);
  return failures;
}
