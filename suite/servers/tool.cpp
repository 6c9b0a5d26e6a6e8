// tool.exe: sends one command to a running server through its command pipe,
// as the administration tools do.
//
//   tool <service name> <message> [p1] [p2]
//
// Exit code 0 when the 20-byte record was written, 1 otherwise.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: tool <service name> <message> [p1] [p2]\n");
    return 2;
  }
  uint32_t fields[5] = {0x1000, static_cast<uint32_t>(std::strtoul(argv[2], nullptr, 0)),
                        argc > 3 ? static_cast<uint32_t>(std::strtoul(argv[3], nullptr, 0)) : 0,
                        argc > 4 ? static_cast<uint32_t>(std::strtoul(argv[4], nullptr, 0)) : 0, 0};
  uint8_t record[20];
  for (int i = 0; i < 20; ++i) record[i] = static_cast<uint8_t>(fields[i / 4] >> (8 * (i % 4)));
  const std::string name = std::string("\\\\.\\pipe\\") + argv[1];
  HANDLE pipe = ::CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                              nullptr);
  if (pipe == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_PIPE_BUSY && ::WaitNamedPipeA(name.c_str(), 10000))
    pipe = ::CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                         nullptr);
  if (pipe == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "tool: cannot open %s (error %lu)\n", name.c_str(), ::GetLastError());
    return 1;
  }
  DWORD written = 0;
  bool ok = ::WriteFile(pipe, record, sizeof(record), &written, nullptr) && written == sizeof(record);
  ::CloseHandle(pipe);
  if (!ok) std::fprintf(stderr, "tool: writing to %s failed\n", name.c_str());
  return ok ? 0 : 1;
}
