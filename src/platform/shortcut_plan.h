// The Start-menu shortcuts of an installation and the command line of its
// uninstall entry, as texts: which link files the product's program group
// holds, where each points, with which arguments and icon.
//
// Link names of the fixed table are not translated; the others come from
// the setup's messages at the moment the plan is made, so a language file
// that renames them renames the link files.
#pragma once

#include <string>
#include <vector>

#include "messages/setup_messages.h"

namespace platform {

// Icon indexes of the setup program's icon groups, in resource order.
inline constexpr int kMainIcon = 0;       // shortcuts with it show their target's own icon
inline constexpr int kUninstallIcon = 1;  // the uninstall shortcut
inline constexpr int kWebIcon = 2;        // the two web shortcuts

// A shortcut of the fixed table: link name, target relative to the
// installation directory.
struct FixedShortcut {
  const char* name;
  const char* target;
};

inline constexpr FixedShortcut kFixedShortcuts[] = {
    {"Tarno Mail Server Administration", "config.exe"},
    {"Tarno Mail Server Readme", "readme.txt"},
    {"Tarno Mail Server Help", "help\\manual.chm"},
    {"DNS Query Tool", "dnsquery.exe"},
    {"Tarno Mail Server Tutorial", "tutorial\\index.html"},
};

// The server start shortcuts of the systems where the servers run as
// programs: the message holding the link name, the program.
struct ServerShortcut {
  std::string setup::SetupMessages::*name;
  const char* program;
};

inline constexpr ServerShortcut kServerShortcuts[] = {
    {&setup::SetupMessages::TarnoSMTPLinkDesc, "smtp.exe"},
    {&setup::SetupMessages::TarnoPOP3LinkDesc, "pop3.exe"},
    {&setup::SetupMessages::TarnoControlLinkDesc, "control.exe"},
    {&setup::SetupMessages::TarnoIMLinkDesc, "im.exe"},
    {&setup::SetupMessages::TarnoGWLinkDesc, "cal.exe"},
};

// One link file to write.
struct PlannedShortcut {
  std::string target;     // full path of what the link starts
  std::string link_file;  // full path of the ".lnk" file
  std::string arguments;  // empty: none
  int icon_index = kMainIcon;
};

struct ShortcutPlanInput {
  std::string install_dir;      // with trailing backslash
  std::string setup_file_name;  // the running setup program's file name ("setup.exe")
  std::string program_group;    // the group folder, with trailing backslash
  bool web_mail_installed = false;
  bool nt_family = true;
};

// The links in the order they are written: the fixed table; the uninstall
// shortcut ("/UNINSTALL", icon 1); the web mail manual when web mail was
// installed in this run; on systems outside the NT family the five server
// start shortcuts; the web mail and web administration shortcuts
// ("/WEBMAILLOGON", "/WEBADMINLOGON", icon 2).
std::vector<PlannedShortcut> PlanShortcuts(const ShortcutPlanInput& input, const setup::SetupMessages& messages);

// The name of the product's program group folder: `name` (the text of cName)
// when it names exactly one folder. An empty name, "." or "..", a name with
// a path separator or a drive colon, or one made only of blanks and dots
// would put the group (which is deleted with all its content on every
// installation) onto the programs folder itself or outside it; such a name
// gives the English default "Tarno Mail Server" instead.
std::string ProgramGroupName(const std::string& name);

// The uninstall entry's command line: the setup program in the installation
// directory, in double quotes (a path with blanks must not start another
// program), then " /UNINSTALL".
std::string UninstallCommandLine(const std::string& install_dir, const std::string& setup_file_name);

// The same with " /UNATTENDED": the uninstall without its question and its
// final message, for deployment tools ("QuietUninstallString").
std::string QuietUninstallCommandLine(const std::string& install_dir, const std::string& setup_file_name);

}  // namespace platform
