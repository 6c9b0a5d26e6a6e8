// The suite's stand-in for the antivirus engine's installer "avastoem.exe".
//
//   avastoem.exe <target folder> [options...]
//
// Puts the engine into the target folder: "aswengin.dll" (a text naming the
// options it was installed with) and the folder "setup\" holding copies of
// "setiface.dll" and its companion "suitesupport.dll" from the installer's
// own folder, so that the installed engine can update and remove itself.
// Exit code 0 on success; the system's error code when a step fails; 3 when
// "setiface-fail.txt" (in the folder named by TARNO_SETIFACE_STATE, or beside
// the installer) holds a line "avastoem", in which case nothing is written.
#include <windows.h>

#include <string>

#include "support/suite_support.h"

namespace {

std::string StateFolder(const std::string& own_folder) {
  char buffer[MAX_PATH];
  const DWORD n = ::GetEnvironmentVariableA("TARNO_SETIFACE_STATE", buffer, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return own_folder;
  std::string folder(buffer, n);
  if (folder.back() != '\\') folder += '\\';
  return folder;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return ERROR_INVALID_PARAMETER;
  char buffer[MAX_PATH];
  if (!SuiteModuleFolder(nullptr, buffer, MAX_PATH)) return ERROR_BUFFER_OVERFLOW;
  const std::string own = buffer;
  if (SuiteFindLine((StateFolder(own) + "setiface-fail.txt").c_str(), "avastoem", nullptr, 0)) return 3;

  std::string target = argv[1];
  if (target.empty()) return ERROR_INVALID_PARAMETER;
  if (target.back() != '\\') target += '\\';
  std::string options;
  for (int i = 2; i < argc; ++i) options += (i > 2 ? " " : "") + std::string(argv[i]);

  ::CreateDirectoryA(target.c_str(), nullptr);
  ::CreateDirectoryA((target + "setup").c_str(), nullptr);
  for (const char* name : {"setiface.dll", "suitesupport.dll"}) {
    if (!::CopyFileA((own + name).c_str(), (target + "setup\\" + name).c_str(), FALSE)) return ::GetLastError();
  }
  ::DeleteFileA((target + "aswengin.dll").c_str());
  if (!SuiteAppendLine((target + "aswengin.dll").c_str(), ("engine installed with " + options).c_str()))
    return ::GetLastError();
  return 0;
}
