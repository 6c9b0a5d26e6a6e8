#define SUITE_SUPPORT_BUILD
#include "suite_support.h"

#include <cstring>
#include <string>

namespace {

std::string ReadAll(const char* path) {
  std::string bytes;
  HANDLE file = ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  char buffer[4096];
  DWORD got = 0;
  while (::ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  ::CloseHandle(file);
  return bytes;
}

}  // namespace

BOOL WINAPI SuiteAppendLine(const char* path, const char* line) {
  HANDLE file = ::CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return FALSE;
  const std::string text = std::string(line) + "\r\n";
  DWORD written = 0;
  const BOOL ok = ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  ::CloseHandle(file);
  return ok && written == text.size();
}

int WINAPI SuiteFindLine(const char* path, const char* word, char* rest, int rest_size) {
  const std::string text = ReadAll(path);
  const size_t word_length = std::strlen(word);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    start = end + 1;
    if (line.compare(0, word_length, word) != 0) continue;
    if (line.size() > word_length && line[word_length] != ' ') continue;
    if (rest != nullptr && rest_size > 0) {
      const std::string tail = line.size() > word_length ? line.substr(word_length + 1) : std::string();
      const size_t n = tail.size() < static_cast<size_t>(rest_size - 1) ? tail.size() : rest_size - 1;
      std::memcpy(rest, tail.data(), n);
      rest[n] = '\0';
    }
    return 1;
  }
  return 0;
}

int WINAPI SuiteModuleFolder(HMODULE module, char* folder, int folder_size) {
  char path[MAX_PATH];
  const DWORD n = ::GetModuleFileNameA(module, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return 0;
  std::string text(path, n);
  text.erase(text.find_last_of('\\') + 1);
  if (text.size() + 1 > static_cast<size_t>(folder_size)) return 0;
  std::memcpy(folder, text.c_str(), text.size() + 1);
  return 1;
}
