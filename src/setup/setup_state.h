// The choices and detected facts that the wizard, the installation, the
// uninstall sequence, the post-install actions and the report share. Owned by
// the main window for the life of the process.
#pragma once

#include <cstdint>
#include <string>

namespace setup {

// The suite version this setup installs.
inline constexpr char kSetupVersion[] = "8.3.8";

// Process exit codes, one per outcome, so that a caller (a script, a
// deployment tool) can tell what happened. An interactive run ends with
// kExitOk after a declined question, a cancel or the warning that servers did
// not start, as it always did; each fatal error box ends with its own code.
inline constexpr unsigned kExitOk = 0;                       // installed, upgraded, uninstalled, command done
inline constexpr unsigned kExitFatal = 1;                    // any other fatal error (registry, ...)
inline constexpr unsigned kExitDeclined = 2;                 // declined or cancelled (unattended runs)
inline constexpr unsigned kExitDamagedDistribution = 3;      // a container missing, truncated or damaged
inline constexpr unsigned kExitDestinationNotCreatable = 4;  // the installation directory cannot be made
inline constexpr unsigned kExitCopyFailed = 5;               // a mandatory file could not be placed
inline constexpr unsigned kExitServersNotStarted = 6;        // servers did not start (unattended runs)
inline constexpr unsigned kExitBadAnswers = 7;               // the answers file is missing or wrong
inline constexpr unsigned kExitSetupRunning = 9;             // another setup is running (setup_mutex.h)

struct SetupState {
  std::string ProgramDir;          // folder of the running program, trailing backslash
  std::string WindowCaption;       // 255
  std::string ProductsXmlUrl;
  std::string PreviousInstallDir;  // empty: a fresh installation
  std::string PreviousVersion;     // 255
  bool EditionSelectable = false;
  bool EditionRedetected = false;
  bool PreviousOlderThan827 = false;
  bool OldWebMailDetected = false;
  bool SilentStart = false;
  bool NoInstallWebMail = false;
  bool NoInstallIAS = false;
  bool NoInstallAV = false;
  bool NoInstallIM = false;
  bool NoInstallCalendar = false;
  uint8_t CurrentPage = 0;
  std::string InstallFolder;
  bool ConfigPresentAtDestination = false;
  bool WebMailInstalled = false;
  bool ServersNotStarted = false;  // the final check found a chosen server not running

  // Clears every flag and returns to page 0, as each start-up does.
  void ResetFlags() {
    EditionSelectable = EditionRedetected = PreviousOlderThan827 = OldWebMailDetected = false;
    SilentStart = NoInstallWebMail = NoInstallIAS = NoInstallAV = NoInstallIM = NoInstallCalendar = false;
    ConfigPresentAtDestination = WebMailInstalled = ServersNotStarted = false;
    CurrentPage = 0;
  }
};

}  // namespace setup
