// The choices and detected facts that the wizard, the installation, the
// uninstall sequence, the post-install actions and the report share. Owned by
// the main window for the life of the process.
#pragma once

#include <cstdint>
#include <string>

namespace setup {

// The suite version this setup installs.
inline constexpr char kSetupVersion[] = "8.3.8";

// Process exit codes. Every end of the program after a question, a cancel or
// a finished command is kExitOk; a fatal error box ends with kExitFatal so
// that a caller (a script, a deployment tool) sees that nothing was done.
inline constexpr unsigned kExitOk = 0;
inline constexpr unsigned kExitFatal = 1;

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

  // Clears every flag and returns to page 0, as each start-up does.
  void ResetFlags() {
    EditionSelectable = EditionRedetected = PreviousOlderThan827 = OldWebMailDetected = false;
    SilentStart = NoInstallWebMail = NoInstallIAS = NoInstallAV = NoInstallIM = NoInstallCalendar = false;
    ConfigPresentAtDestination = WebMailInstalled = false;
    CurrentPage = 0;
  }
};

}  // namespace setup
