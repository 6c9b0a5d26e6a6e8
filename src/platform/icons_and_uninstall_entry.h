// The installation's Start-menu program group, its Add/Remove Programs entry
// and the installation facts under the product key.
#pragma once

#include <string>

namespace engine {
class InstallProgress;
}
namespace setup {
class TAdvancedRegistry;
}

namespace platform {

// The maker's web address, shown by the uninstall entry.
inline constexpr char kMakerWebAddress[] = "http://www.cordane.com/";
inline constexpr char kPublisher[] = "Cordane";

struct IconsAndUninstallInput {
  std::string install_dir;      // with trailing backslash
  std::string setup_file_name;  // the running program's file name; a copy lies in install_dir
  bool web_mail_installed = false;
  bool nt_family = true;
  std::string user_name, user_email, user_company, user_country;
};

// The registry components it works through, as the main window owns them.
struct IconsAndUninstallKeys {
  setup::TAdvancedRegistry& shell_folders;  // AdvancedRegistry: ...\Explorer, "Shell Folders"
  setup::TAdvancedRegistry& uninstall;      // AdvancedRegistryInstall: the uninstall entry "Tarno"
  setup::TAdvancedRegistry& product;        // PathRegistry: the product key
};

// Shows cCreatingIcons; deletes the per-user group of older installations
// (the current user's "Programs" shell folder + cName, when the value is
// there); rebuilds the all-users group (ProgramGroupFolder, which switches
// `keys.shell_folders` to HKEY_LOCAL_MACHINE for good) from nothing: deleted
// with everything in it and made again; writes the links of PlanShortcuts
// into it. Without a programs folder no link is written (never into the
// current folder).
//
// Then the uninstall entry: "DisplayName" (cName), "UninstallString" (the
// quoted setup program + " /UNINSTALL"), "QuietUninstallString" (the same +
// " /UNATTENDED"), "DisplayVersion", "Publisher",
// "InstallLocation", "DisplayIcon" (the setup program, icon 0),
// "EstimatedSize" (KiB of what the installation directory holds now),
// "NoModify" and "NoRepair" (1), "URLInfoAbout"; and under the product key
// "InstallDir", "Name", "Email", "Company", "Country", "Version", in this
// order. Link and folder failures are logged and silent. A registry write
// that fails ends the setup through `progress.FatalError` with cRegistryError,
// the error's text and the note on other mail servers.
void CreateIconsAndUninstallEntry(engine::InstallProgress& progress, const IconsAndUninstallKeys& keys,
                                  const IconsAndUninstallInput& input);

}  // namespace platform
