// The little of a C runtime that the DLL needs, so that it links none: Windows 95 has no
// msvcrt.dll of its own. Memory comes from the process heap; the string and memory helpers are
// the ones the compiler and the code call. Plain loops: the DLL is small, its strings short.
//
// Built for the DLL alone (the tools keep their runtime), with -fno-builtin and without loop
// pattern recognition, so that no loop here turns back into a call of itself.
#include <cstdlib>

#include "frame/win.h"

// The C library's headers name the parameters otherwise, with names reserved to it.
// NOLINTBEGIN(readability-inconsistent-declaration-parameter-name)
extern "C" {

void* malloc(std::size_t size) { return HeapAlloc(GetProcessHeap(), 0, size); }

void free(void* block) {
  if (block) HeapFree(GetProcessHeap(), 0, block);
}

void* memcpy(void* to, const void* from, std::size_t n) {
  auto* d = static_cast<unsigned char*>(to);
  const auto* s = static_cast<const unsigned char*>(from);
  while (n--) *d++ = *s++;
  return to;
}

void* memmove(void* to, const void* from, std::size_t n) {
  auto* d = static_cast<unsigned char*>(to);
  const auto* s = static_cast<const unsigned char*>(from);
  if (d <= s || d >= s + n) return memcpy(to, from, n);
  while (n--) d[n] = s[n];  // overlapping, the copy lies above: from the end
  return to;
}

void* memset(void* to, int c, std::size_t n) {
  auto* d = static_cast<unsigned char*>(to);
  while (n--) *d++ = static_cast<unsigned char>(c);
  return to;
}

int memcmp(const void* a, const void* b, std::size_t n) {
  const auto* x = static_cast<const unsigned char*>(a);
  const auto* y = static_cast<const unsigned char*>(b);
  for (; n; --n, ++x, ++y) {
    if (*x != *y) return *x - *y;
  }
  return 0;
}

std::size_t strlen(const char* s) {
  const char* e = s;
  while (*e) ++e;
  return static_cast<std::size_t>(e - s);
}

int strcmp(const char* a, const char* b) {
  for (; *a && *a == *b; ++a, ++b) {
  }
  return static_cast<unsigned char>(*a) - static_cast<unsigned char>(*b);
}

char* strchr(const char* s, int c) {
  for (;; ++s) {
    if (*s == static_cast<char>(c)) return const_cast<char*>(s);
    if (!*s) return nullptr;
  }
}

char* strrchr(const char* s, int c) {
  const char* found = nullptr;
  for (;; ++s) {
    if (*s == static_cast<char>(c)) found = s;
    if (!*s) return const_cast<char*>(found);
  }
}

std::size_t strspn(const char* s, const char* accept) {
  std::size_t n = 0;
  while (s[n] && strchr(accept, s[n])) ++n;
  return n;
}

char* strpbrk(const char* s, const char* accept) {
  for (; *s; ++s) {
    if (strchr(accept, *s)) return const_cast<char*>(s);
  }
  return nullptr;
}

char* strstr(const char* s, const char* find) {
  const std::size_t n = strlen(find);
  for (; *s; ++s) {
    if (memcmp(s, find, n) == 0) return const_cast<char*>(s);
  }
  return n == 0 ? const_cast<char*>(s) : nullptr;
}

}  // extern "C"
// NOLINTEND(readability-inconsistent-declaration-parameter-name)
