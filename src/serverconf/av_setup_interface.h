// The antivirus engine's setup interface "setiface.dll": loading it, and the
// three calls the setup makes of it to install, update and remove the
// engine.
//
// Process-wide state: at most one interface is loaded at a time, with its
// directory and its seven entry points; every use is bracketed by
// LoadAvSetupInterface and UnloadAvSetupInterface. The process's current
// directory is changed only for a load and for the install call, and is
// always put back. Nothing is shown to the user: a failed load is logged
// ("setiface.dll function LoadLibrary(<path>) error <code> : <message>"),
// and the calls answer false. Used from the user-interface thread only.
#pragma once

#include <cstdint>
#include <string>

namespace serverconf {

// Loads directory + "setiface.dll" (the directory given a trailing
// backslash; an empty `directory` means the installed engine's interface,
// install directory + "avast\setup\"), made the current directory for the
// load, so that the library's own folder serves its companions. True when
// loaded, also when one was loaded already; false when it cannot be loaded.
bool LoadAvSetupInterface(const std::string& directory = std::string());
// Releases the loaded interface; nothing when none is loaded.
void UnloadAvSetupInterface();
bool AvSetupInterfaceLoaded();

// Installs the engine into `target` (the engine folder, install directory +
// "avast\") with the installer "avastoem.exe" of the interface's directory:
// setifaceInstallProgram("Cordane", installer, target without a final "\",
// "/minicore /noreboot /forceinstall", 2, status) with the interface's
// directory as current directory for the call. False without any call when
// the interface is not loaded or the engine is present already (target +
// "setup\setiface.dll" exists). True when the call answered code 0.
bool InstallAvEngine(const std::string& target);
// setifaceUpdateFiles("Cordane", "/overwrite", 2, status). True when the
// code is 0 and the status 0x20000000; false without a call when not loaded.
bool UpdateAvEngineFiles();
// setifaceUninstallProgram("Cordane", null, 2, status). True as for the update.
bool UninstallAvEngine();

// The last call's result code and status word (0 before any call).
uint32_t LastAvResultCode();
uint32_t LastAvStatus();

}  // namespace serverconf
