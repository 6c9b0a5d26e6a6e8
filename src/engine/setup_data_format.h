// The layout of a setup data file (SetupDataFile), the container every
// installed file comes out of, and the rules for the names of its entries.
//
//   [ "ILDS" | optionsLength:u32 | DataFileOptions (optionsLength bytes) ]   optional
//   DataFileEntry*  until end of file or a name that is empty after trimming
//
// DataFileOptions: compressed:u8 (non-zero = each entry is one zlib stream),
// nameFormat:u32 (below 2 = 256-byte name fields, 2 or more = length-prefixed
// names). A file without the magic has no header: raw data, 256-byte names.
// DataFileEntry: name, size:i32, size bytes of data. Integers little-endian.
// Nothing here touches the file system.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace engine {

inline constexpr char kDataFileMagic[4] = {'I', 'L', 'D', 'S'};
inline constexpr size_t kDataFileHeaderSize = 8;      // magic + optionsLength
inline constexpr uint32_t kDataFileOptionsSize = 5;   // compressed + nameFormat
inline constexpr size_t kFixedNameFieldSize = 256;    // length byte + 255 characters
inline constexpr size_t kMaxEntryNameLength = 255;
inline constexpr size_t kDataCopyBlockSize = 0x10000;  // the one 64 KiB copy buffer
inline constexpr uint32_t kNameFormatFixed = 1;
inline constexpr uint32_t kNameFormatPrefixed = 2;

struct DataFileOptions {
  bool compressed = false;
  uint32_t nameFormat = 0;

  bool prefixedNames() const { return nameFormat >= kNameFormatPrefixed; }
};

// Why an entry name may not be extracted. Any of these makes the container
// damaged: extracting it would write outside the destination directory or
// into a device instead of a file.
enum class EntryNameProblem {
  kNone,
  kAbsolute,          // starts with '\' or '/' ("\x", "\\server\share\x")
  kDriveOrStream,     // holds ':' ("C:\x", "C:x", "file.txt:stream")
  kDotSegment,        // a segment made of dots (and blanks): "..", ".", "... "
  kControlCharacter,  // a byte below ' ' inside the name
  kDeviceName,        // a segment naming a device: CON, NUL, COM1, LPT1.txt, ...
  kTrailingDotOrBlank,  // a segment ending in '.' or ' ': Windows opens it under
                        // another name ("b." is "b"), so two entries can be one file
};

// Checks a name as stored (either separator) that is not empty after
// trimming. Trailing blanks and dots of a segment are ignored the way Windows
// ignores them when it opens a path, so "..  " counts as ".." and "nul. " as
// "nul"; any other segment ending in a blank or dot is kTrailingDotOrBlank.
EntryNameProblem CheckEntryName(std::string_view name);

// A short English text for log lines and the packing tool ("has a drive or stream").
const char* EntryNameProblemText(EntryNameProblem problem);

// True when the name is empty after trimming blanks and control characters:
// such a name ends the container.
bool IsEndOfContainerName(std::string_view name);

// '/' replaced by '\' (names are used with Windows separators).
std::string ToBackslashes(std::string_view name);

// ASCII letters lower-cased; other bytes kept (the setup's name comparisons).
std::string LowerAscii(std::string_view text);

// Little-endian integer helpers for the fixed fields.
inline uint32_t LoadLe32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline void StoreLe32(unsigned char* p, uint32_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
  p[2] = static_cast<unsigned char>(v >> 16);
  p[3] = static_cast<unsigned char>(v >> 24);
}

}  // namespace engine
