// The suite's stand-in for the antivirus engine's setup interface
// "setiface.dll".
//
// Every call is recorded as one line of "setiface-calls.log": the entry
// point's name, then each argument behind a tab ("(null)" for a null text,
// "status=N" for the status word as it came in), then "cwd=" and the current
// directory. The log and the failure file lie in the folder named by the
// environment variable TARNO_SETIFACE_STATE, or beside the library without
// it, so that the staging copy and the installed copy write one log.
//
// setifaceInstallProgram runs the given installer ("avastoem.exe") with the
// target folder and the options and answers its exit code; the installer
// puts the engine, with its own "setup\setiface.dll", into the target.
// The other calls answer code 0 and status 0x20000000. A line
// "<entry point> <code> <status>" in "setiface-fail.txt" makes that call
// answer the given numbers (decimal or 0x hex) instead, doing nothing else.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "serverconf/av_entry_points.h"
#include "support/suite_support.h"

namespace {

HMODULE g_module = nullptr;

std::string StateFolder() {
  char buffer[MAX_PATH];
  const DWORD n = ::GetEnvironmentVariableA("TARNO_SETIFACE_STATE", buffer, MAX_PATH);
  if (n > 0 && n < MAX_PATH) {
    std::string folder(buffer, n);
    if (folder.back() != '\\') folder += '\\';
    return folder;
  }
  return SuiteModuleFolder(g_module, buffer, MAX_PATH) ? buffer : "";
}

std::string Text(const char* text) { return text == nullptr ? "(null)" : text; }

void Record(const std::string& entry, const std::string& arguments, const uint32_t* status) {
  char cwd[MAX_PATH] = {};
  ::GetCurrentDirectoryA(MAX_PATH, cwd);
  const std::string line = entry + arguments + "\tstatus=" + (status ? std::to_string(*status) : "(null)") +
                           "\tcwd=" + cwd;
  SuiteAppendLine((StateFolder() + "setiface-calls.log").c_str(), line.c_str());
}

// True when the failure file names `entry`; then `code` and `status` hold its numbers.
bool RequestedFailure(const char* entry, uint32_t* code, uint32_t* status) {
  char rest[128];
  if (!SuiteFindLine((StateFolder() + "setiface-fail.txt").c_str(), entry, rest, sizeof rest)) return false;
  char* end = nullptr;
  *code = static_cast<uint32_t>(std::strtoul(rest, &end, 0));
  const uint32_t value = static_cast<uint32_t>(std::strtoul(end, nullptr, 0));
  if (status != nullptr) *status = value;
  return true;
}

uint32_t Finish(const char* entry, uint32_t* status) {
  uint32_t code = 0;
  if (RequestedFailure(entry, &code, status)) return code;
  if (status != nullptr) *status = serverconf::kAvSuccessStatus;
  return 0;
}

uint32_t RunInstaller(const std::string& installer, const std::string& target, const std::string& options) {
  std::string command = "\"" + installer + "\" \"" + target + "\" " + options;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!::CreateProcessA(installer.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
    return ::GetLastError();
  ::CloseHandle(process.hThread);
  DWORD exit_code = WAIT_TIMEOUT;
  if (::WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0) ::GetExitCodeProcess(process.hProcess, &exit_code);
  ::CloseHandle(process.hProcess);
  return exit_code;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = instance;
    ::DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

extern "C" __declspec(dllexport) uint32_t WINAPI setifaceInstallProgram(const char* partner, const char* installer,
                                                                         const char* target, const char* options,
                                                                         int32_t mode, uint32_t* status) {
  Record("setifaceInstallProgram", "\t" + Text(partner) + "\t" + Text(installer) + "\t" + Text(target) + "\t" +
                                       Text(options) + "\t" + std::to_string(mode),
         status);
  uint32_t code = 0;
  if (RequestedFailure("setifaceInstallProgram", &code, status)) return code;
  if (installer == nullptr || target == nullptr) return ERROR_INVALID_PARAMETER;
  code = RunInstaller(installer, target, Text(options));
  if (status != nullptr) *status = code == 0 ? serverconf::kAvSuccessStatus : 0;
  return code;
}

extern "C" __declspec(dllexport) uint32_t WINAPI setifaceUpdateFiles(const char* partner, const char* options,
                                                                      int32_t mode, uint32_t* status) {
  Record("setifaceUpdateFiles", "\t" + Text(partner) + "\t" + Text(options) + "\t" + std::to_string(mode), status);
  return Finish("setifaceUpdateFiles", status);
}

extern "C" __declspec(dllexport) uint32_t WINAPI setifaceUninstallProgram(const char* partner, const char* options,
                                                                           int32_t mode, uint32_t* status) {
  Record("setifaceUninstallProgram", "\t" + Text(partner) + "\t" + Text(options) + "\t" + std::to_string(mode),
         status);
  return Finish("setifaceUninstallProgram", status);
}

// Entry points the setup resolves but never calls: recorded, then success.
#define STANDIN_UNUSED_ENTRY(name)                                          \
  extern "C" __declspec(dllexport) uint32_t WINAPI name() {                 \
    Record(#name, "", nullptr);                                             \
    return 0;                                                               \
  }
STANDIN_UNUSED_ENTRY(setifaceUpdatePackages)
STANDIN_UNUSED_ENTRY(setifaceGimmePathToSetifaceVpu)
STANDIN_UNUSED_ENTRY(setifaceGetPartVersions)
STANDIN_UNUSED_ENTRY(setifaceCheckUpdate)
