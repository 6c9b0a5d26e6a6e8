#include "platform/server_command.h"

#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

#include "platform/server_command_record.h"
#include "platform/service_control.h"
#include "platform/service_table.h"
#include "platform/system_family.h"
#include "win32/log.h"
#include "win32/scoped_handle.h"
#include "win32/win32_error.h"

namespace platform {
namespace {

constexpr DWORD kPipeBusyWaitMs = 10000;

// One wait for a busy pipe at a time in the process: the lock all pipe
// clients of the process share.
std::mutex& PipeWaitLock() {
  static std::mutex lock;
  return lock;
}

HWND ServerWindow(std::size_t row) {
  return ::FindWindowA(ServiceTable[row].ServerWindowClass, ServiceTable[row].ServerWindowCaption);
}

bool IsReachable(std::size_t row) {
  return QueryServiceState(ServiceTable[row].ServiceName) == SERVICE_RUNNING || ServerWindow(row) != nullptr;
}

win32::ScopedHandle OpenCommandPipe(const std::string& name) {
  auto open = [&] {
    return win32::ScopedHandle(::CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                             OPEN_EXISTING, 0, nullptr));
  };
  win32::ScopedHandle pipe = open();
  if (!pipe && ::GetLastError() == ERROR_PIPE_BUSY) {
    std::lock_guard<std::mutex> hold(PipeWaitLock());
    if (::WaitNamedPipeA(name.c_str(), kPipeBusyWaitMs)) pipe = open();
  }
  if (!pipe) win32::LogFailure("opening the command pipe", name, ::GetLastError());
  return pipe;
}

bool WriteAll(HANDLE pipe, const uint8_t* bytes, DWORD size) {
  while (size > 0) {
    DWORD written = 0;
    if (!::WriteFile(pipe, bytes, size, &written, nullptr) || written == 0) return false;
    bytes += written;
    size -= written;
  }
  return true;
}

// Sends one record; for kCommandWithAnswer `answer` receives the server's result.
bool SendThroughPipe(std::size_t row, const ServerCommandMessage& command, std::optional<uint32_t>* answer) {
  if (!IsReachable(row)) return false;
  const std::string name = std::string("\\\\.\\pipe\\") + ServiceTable[row].ServiceName;
  win32::ScopedHandle pipe = OpenCommandPipe(name);
  if (!pipe) return false;
  const auto bytes = EncodeServerCommand(command);
  if (!WriteAll(pipe.get(), bytes.data(), static_cast<DWORD>(bytes.size()))) {
    win32::LogFailure("writing a command to", name, ::GetLastError());
    return false;
  }
  if (answer == nullptr) return true;
  std::vector<uint8_t> reply(kServerAnswerLimit);
  DWORD read = 0;
  if (!::ReadFile(pipe.get(), reply.data(), static_cast<DWORD>(reply.size()), &read, nullptr)) {
    win32::LogFailure("reading the answer from", name, ::GetLastError());
    return false;
  }
  *answer = DecodeServerAnswer(std::span<const uint8_t>(reply.data(), read));
  return answer->has_value();
}

}  // namespace

bool ServerCommand(std::size_t row, uint32_t message, uint32_t param1, uint32_t param2) {
  if (!IsNtFamily()) {
    if (HWND window = ServerWindow(row))
      ::SendMessageA(window, message, static_cast<WPARAM>(param1), static_cast<LPARAM>(param2));
    return true;
  }
  return SendThroughPipe(row, {kCommandWithoutAnswer, message, param1, param2, 0}, nullptr);
}

std::optional<uint32_t> ServerCommandWithAnswer(std::size_t row, uint32_t message, uint32_t param1,
                                                uint32_t param2) {
  std::optional<uint32_t> answer;
  if (!IsNtFamily() || !SendThroughPipe(row, {kCommandWithAnswer, message, param1, param2, 0}, &answer))
    return std::nullopt;
  return answer;
}

}  // namespace platform
