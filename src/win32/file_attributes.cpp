#include "win32/file_attributes.h"

#include <windows.h>

namespace win32 {

bool FileExists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool IsDirectory(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// SetErrorMode only answers the previous mode by setting a new one: the first
// call learns it, the second keeps whatever else it held.
NoCriticalErrorBoxes::NoCriticalErrorBoxes() : previous_(::SetErrorMode(SEM_FAILCRITICALERRORS)) {
  ::SetErrorMode(previous_ | SEM_FAILCRITICALERRORS);
}

NoCriticalErrorBoxes::~NoCriticalErrorBoxes() { ::SetErrorMode(previous_); }

}  // namespace win32
