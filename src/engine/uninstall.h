// The uninstall sequence: stops and removes the services, shortcuts,
// registry entries and files of the installation the configuration store
// points at.
//
// The sequence reaches the window it runs under through UninstallWindow,
// which the main window implements; it never depends on the wizard itself.
#pragma once

#include <string>

namespace engine {

// What the uninstall sequence needs of the window it runs under.
class UninstallWindow {
 public:
  virtual ~UninstallWindow() = default;

  // Lets pending window messages run (between stopping the servers and
  // removing their registrations).
  virtual void ProcessMessages() = 0;

  // Shows `text` in a task-modal box with the information icon and the
  // caption "Information", owned by the window; returns when it is closed.
  virtual void ShowInformation(const std::string& text) = 0;
};

void RunUninstall(UninstallWindow& window);

}  // namespace engine
