// Test program: writes the full path of its own program file and then its
// command line after the program name into the file named by the
// environment variable TARNO_PROBE_OUT, one per line, so that a test can see
// which program a command line started and with what.
#include <windows.h>

#include <string>

int main() {
  char out[MAX_PATH];
  const DWORD n = ::GetEnvironmentVariableA("TARNO_PROBE_OUT", out, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return 2;
  char self[MAX_PATH];
  const DWORD length = ::GetModuleFileNameA(nullptr, self, MAX_PATH);
  // The arguments: what follows the program name, quoted or not.
  const char* line = ::GetCommandLineA();
  if (*line == '"') {
    ++line;
    while (*line != '\0' && *line != '"') ++line;
    if (*line == '"') ++line;
  } else {
    while (*line != '\0' && *line != ' ' && *line != '\t') ++line;
  }
  while (*line == ' ' || *line == '\t') ++line;
  const std::string text = std::string(self, length) + "\r\n" + line + "\r\n";
  HANDLE file = ::CreateFileA(out, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  ::CloseHandle(file);
  return 0;
}
