// Conversions of what earlier versions wrote, and the wizard's choices
// written into the configuration of the installation.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace serverconf {

// Copies the values of the early product keys under HKEY_LOCAL_MACHINE
// ("\Software\Tarno", "\Software\CWEBMAIL") into the current keys below
// "\Software\Cordane", and with `delete_old` removes the early keys. Does
// nothing once "\Software\Cordane" exists. Never fails the caller: the first
// failure is logged and ends the conversion there, leaving what was already
// written; a failure to delete an early key is logged and passed over.
void ConvertRegistry(bool delete_old);

// Sets the temporary, mail and log directory fields of the loaded settings
// (and the paths that follow them) to `install_dir` + "temp\", "mail\" and
// "logs\"; a missing trailing backslash of `install_dir` is added. Loads and
// saves nothing.
void StoreInstallPaths(const std::string& install_dir);

// The console mode of the wizard; stored as the console file name.
enum class InterfaceMode { kAdvanced, kBasic };

// Writes the wizard's server type and console mode into the configuration
// under `install_dir` + "config\": loads it, stores `edition` (0 Standard,
// 1 Professional, 2 Lite; nothing or another value keeps the stored one)
// and "advanced.xml" or "basic.xml", sets the directories of a new
// installation (StoreInstallPaths) unless `config_present` says the
// configuration was there before the installation, and saves. File errors
// are those of the store: logged, never reported.
void StoreEditionChoice(std::optional<uint8_t> edition, InterfaceMode mode, bool config_present,
                        const std::string& install_dir);

}  // namespace serverconf
