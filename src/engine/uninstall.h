// The uninstall sequence: stops and removes the services, the Start-menu
// group, the uninstall entry, the COM registrations, the program files and
// directories and the antivirus engine of the installation the setup program
// was started from (its own directory).
//
// What the administrator and the servers produced stays: "config\", mail,
// logs, temporary folders, "calendar\", "ldap\", "webmail\", the product key,
// the data sources, every file not named here and the installation
// directory itself. No deletion follows a junction or symbolic link: a link
// inside the installation is removed as a link, never what it points at.
//
// The sequence reaches the window it runs under through UninstallWindow,
// which the main window implements; it never depends on the wizard itself.
#pragma once

#include <string>

namespace setup {
class TAdvancedRegistry;
}

namespace engine {

// What the uninstall sequence needs of the window it runs under.
class UninstallWindow {
 public:
  virtual ~UninstallWindow() = default;

  // Lets pending window messages run (between stopping the servers and
  // removing their registrations).
  virtual void ProcessMessages() = 0;

  // Shows `text` in a task-modal box with the information icon and the
  // caption cInformation ("Information"), owned by the window; returns when
  // it is closed.
  virtual void ShowInformation(const std::string& text) = 0;
};

// The registry components it works through, as the main window owns them.
struct UninstallKeys {
  setup::TAdvancedRegistry& shell_folders;    // AdvancedRegistry: ...\Explorer, "Shell Folders"
  setup::TAdvancedRegistry& uninstall_entry;  // AdvancedRegistryInstall: the uninstall entry "Tarno"
};

// The whole sequence on the running program's directory: the steps of
// PlanUninstall in order (install_plan.h): stops every running server; lets
// messages run and waits 1,500 ms; on the NT family deletes every registered
// service that is stopped; deletes the all-users program group where the
// installation put it (platform::ProgramGroupFolder, which switches
// `keys.shell_folders` to HKEY_LOCAL_MACHINE); deletes the uninstall entry,
// the key of `keys.uninstall_entry` under HKEY_LOCAL_MACHINE, with its
// subkeys; unregisters "api.dll" and "cordanecom.dll";
// deletes every program file the installation places; deletes the program
// trees; lets the installed antivirus engine ("avast\setup\setiface.dll")
// uninstall itself and deletes "avast\" whatever it answered. Then it logs
// what stayed and shows cCompleteRemove. No step ends the
// sequence: a service registration that cannot be deleted shows the service
// warning, every other failure is only logged.
void UninstallProduct(UninstallWindow& window, const UninstallKeys& keys);

// UninstallProduct on the installation in `program_dir` (trailing backslash
// optional). Refuses (logged, nothing done) a path that is not absolute or is
// a drive's root.
void UninstallProduct(UninstallWindow& window, const UninstallKeys& keys, const std::string& program_dir);

// The end of the uninstall on the installation in `program_dir` (trailing
// backslash): the trees "help\", "wizards\", "modules\", "spam\", "html\",
// "api\", "tutorial\", "examples\", "xml\", "php\" deleted in this order;
// then the installed antivirus engine ("avast\setup\setiface.dll")
// uninstalls itself and the tree "avast\" is deleted whatever it answered.
void RemoveProgramDirectories(const std::string& program_dir);

}  // namespace engine
