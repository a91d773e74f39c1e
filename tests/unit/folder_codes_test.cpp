#include "frame/folder_codes.h"

#include <gtest/gtest.h>

#include <cstring>

namespace qnd {
namespace {

// Every byte value: the assigned ones map as the table says, everything else is Unassigned.
TEST(FolderCodes, EveryByteValue) {
  const char* assigned = "12356789ABCDEFabcdef";
  for (int b = 0; b < 256; ++b) {
    const FolderEntry e = LookupFolderCode(b);
    const bool expect = b != 0 && std::strchr(assigned, b) != nullptr;
    EXPECT_EQ(expect, e.source != FolderSource::Unassigned) << "byte 0x" << std::hex << b;
  }
}

TEST(FolderCodes, TableEntries) {
  struct Row {
    char code;
    FolderSource source;
    int csidl;
  } rows[] = {
      {'1', FolderSource::WindowsDir, 0},   {'2', FolderSource::SystemDir, 0},
      {'3', FolderSource::SystemDir, 0},    {'5', FolderSource::ShellFolder, 0},
      {'6', FolderSource::ShellFolder, 11}, {'7', FolderSource::ShellFolder, 2},
      {'8', FolderSource::ShellFolder, 7},  {'9', FolderSource::ShellFolder, 20},
      {'A', FolderSource::ShellFolder, 5},  {'B', FolderSource::ProgramFiles, 0},
      {'C', FolderSource::ShellFolder, 9},  {'D', FolderSource::ShellFolder, 21},
      {'E', FolderSource::ShellFolder, 8},  {'F', FolderSource::TempDir, 0},
  };
  for (const Row& r : rows) {
    for (char c : {r.code, static_cast<char>(r.code | 0x20)}) {  // letters in either case
      const FolderEntry e = LookupFolderCode(c);
      EXPECT_EQ(r.source, e.source) << "code " << c;
      if (r.source == FolderSource::ShellFolder) EXPECT_EQ(r.csidl, e.csidl) << "code " << c;
    }
  }
}

// Only the low 8 bits of the argument count; a byte from 0x80 up is negative and unassigned.
TEST(FolderCodes, OnlyTheLowByteCounts) {
  EXPECT_EQ(FolderSource::WindowsDir, LookupFolderCode(0x7FFFFF00 | '1').source);
  EXPECT_EQ(FolderSource::TempDir, LookupFolderCode(-256 + 'f').source);
  EXPECT_EQ(FolderSource::Unassigned, LookupFolderCode(0x100 | 0xC0).source);  // Cyrillic A
  EXPECT_EQ(FolderSource::Unassigned, LookupFolderCode(-1).source);
}

}  // namespace
}  // namespace qnd
