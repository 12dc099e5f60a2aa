// Readers for the two forms in which the plug-in ships: the dynamic symbol
// table of an ELF shared object and the export, import and version resource
// directories of a PE image (32 or 64 bit).  Portable: they read bytes, so
// either build can check either file.  Every read is bounds-checked; a
// malformed file gives ok = false and a reason, never a crash.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace qvtest {

bool ReadFileBytes(const std::string& path, std::vector<uint8_t>& out);

struct ElfSymbols {
  bool ok = false;
  std::string error;
  // Names of the symbols that the file defines in .dynsym (global or weak,
  // section index not SHN_UNDEF).
  std::vector<std::string> defined;
};
ElfSymbols ReadElfDynamicSymbols(const std::vector<uint8_t>& file);

struct PeInfo {
  bool ok = false;
  std::string error;
  uint16_t machine = 0;  // 0x14C i386, 0x8664 x86-64
  bool pe32plus = false;
  bool isDll = false;
  std::string exportDllName;                     // the name in the export directory
  std::vector<std::string> exportNames;          // names, in the table's order
  uint32_t exportFunctionCount = 0;              // entries of the address table
  std::vector<std::string> importDlls;           // one per import descriptor
  std::vector<std::string> delayImportDlls;      // delay-load descriptors
  std::map<std::string, std::string> versionStrings;  // StringFileInfo, UTF-8 keys and values
  uint32_t fileVersionMS = 0, fileVersionLS = 0;      // VS_FIXEDFILEINFO
  bool hasVersionResource = false;
};
PeInfo ReadPeImage(const std::vector<uint8_t>& file);

}  // namespace qvtest
