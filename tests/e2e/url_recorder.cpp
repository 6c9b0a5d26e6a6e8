// Stands in for the browser in the logon tests: registered as the shell's
// handler of "http" addresses for the duration of a test, it appends the
// address it is opened with to a file and ends.
//
//   url_recorder.exe <record file> <address>
//
// Each call adds one line "<address>"; exit code 0, or 2 when the arguments
// are missing or the file cannot be written.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "win32/scoped_handle.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  if (__argc < 3) return 2;
  const std::string line = std::string(__argv[2]) + "\r\n";
  win32::ScopedHandle file(::CreateFileA(__argv[1], FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return 2;
  DWORD written = 0;
  const BOOL ok = ::WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  return ok && written == line.size() ? 0 : 2;
}
