// Test support: links made on the host side of Wine. Wine cannot make a
// symbolic link or junction itself; the host's own "ln" can, and Wine then
// shows the link as a reparse point that leads where the host link does.
#pragma once

#include <windows.h>

#include <string>

#include "window_driver/window_driver.h"

namespace win32::test_links {

// The host's own path of a Windows path; empty when not under Wine.
inline std::string HostPath(const std::string& path) {
  using UnixName = char*(CDECL*)(const WCHAR*);
  auto unix_name = reinterpret_cast<UnixName>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (unix_name == nullptr) return "";
  std::wstring wide(path.begin(), path.end());
  char* name = unix_name(wide.c_str());
  std::string result = name == nullptr ? "" : name;
  if (name != nullptr) ::HeapFree(::GetProcessHeap(), 0, name);
  return result;
}

// Runs a host program (Wine starts host programs as they are; it does not
// report their end, so the caller watches for their effect).
inline bool RunHostProgram(const std::string& command_line) {
  driver::Process program;
  return program.Start(command_line);
}

// Makes `link` a host symbolic link to the folder `target` (with a trailing
// backslash). Answers why not, or "" when `link` now is such a link.
inline std::string MakeHostLink(const std::string& link, const std::string& target) {
  const std::string host_target = HostPath(target.substr(0, target.size() - 1));
  const std::string host_link = HostPath(link);
  if (host_target.empty() || host_link.empty()) return "no host path (not running under Wine)";
  if (!RunHostProgram("Z:\\bin\\ln -s \"" + host_target + "\" \"" + host_link + "\""))
    return "cannot start the host's ln";
  const bool made = driver::WaitUntil([&] {
    const DWORD attributes = ::GetFileAttributesA(link.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
  }, driver::Milliseconds(5000));
  return made ? "" : "no reparse point appeared at " + link;
}

// Removes a host link `link` made by MakeHostLink (Wine cannot remove it),
// waiting (bounded) until it is gone. Nothing when `link` is no link.
inline void RemoveHostLink(const std::string& link) {
  const DWORD attributes = ::GetFileAttributesA(link.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return;
  RunHostProgram("Z:\\bin\\rm -f \"" + HostPath(link) + "\"");
  driver::WaitUntil([&] { return ::GetFileAttributesA(link.c_str()) == INVALID_FILE_ATTRIBUTES; },
                    driver::Milliseconds(5000));
}

}  // namespace win32::test_links
