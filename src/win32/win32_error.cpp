#include "win32/win32_error.h"

#include <cstdio>

#include "win32/log.h"

namespace win32 {

std::string ErrorText(DWORD code) {
  char* buffer = nullptr;
  DWORD n = ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::string text;
  if (n != 0 && buffer != nullptr) {
    text.assign(buffer, n);
    ::LocalFree(buffer);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' '))
      text.pop_back();
  }
  if (text.empty()) text = "error " + std::to_string(code);
  return text;
}

Error::Error(const std::string& what, DWORD code) : std::runtime_error(what), code_(code) {}

static std::string FailureText(const std::string& action, const std::string& object, DWORD code) {
  return action + " " + object + ": " + ErrorText(code) + " (" + std::to_string(code) + ")";
}

DWORD LogFailure(const std::string& action, const std::string& object, DWORD code) {
  LogLine(FailureText(action, object, code));
  return code;
}

void ThrowFailure(const std::string& action, const std::string& object, DWORD code) {
  std::string text = FailureText(action, object, code);
  LogLine(text);
  throw Error(text, code);
}

}  // namespace win32
