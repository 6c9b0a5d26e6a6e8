// The answers file of an unattended run ("/UNATTENDED /ANSWERS=<file>"): the
// wizard's answers in an INI text, read and checked before anything changes.
//
//   [Setup]       Destination (required, an absolute folder), Edition
//                 (Professional, Standard, Lite), ConsoleMode (Advanced, Basic)
//   [Components]  WebMail, AntiSpam, AntiVirus, InstantMessaging, GroupWare
//                 (yes/no, true/false, 1/0)
//   [User]        Name, Email, Company, Country
//   [FirstRun]    Run (yes/no), HostName, Domain, AdminUser, AdminPassword
//
// Section and key names are compared without regard to case; blanks around
// names and values are dropped, and a value in double quotes keeps its
// blanks. Lines starting with ";" or "#" and empty lines are comments. An
// unknown section or key, a key given twice, a key outside a section, a line
// that is none of these, a value the key cannot take or a missing required
// answer is an error naming the line. What is not answered keeps what the
// wizard would show: the components and user details of the installation
// found, the edition Professional with its console mode, no first-run wizard.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace setup {

struct UnattendedAnswers {
  std::string destination;
  std::optional<uint8_t> edition;       // 1 Professional, 0 Standard, 2 Lite
  std::optional<bool> basic_console;    // true Basic, false Advanced
  // Chosen (true) or left out (false); not answered: as installed before.
  std::optional<bool> web_mail, anti_spam, anti_virus, instant_messaging, groupware;
  std::optional<std::string> user_name, user_email, user_company, user_country;
  bool run_first_run_wizard = false;    // HostName, Domain and AdminUser are then not blank
  std::string host_name, domain, admin_user, admin_password;
};

struct AnswersReading {
  std::optional<UnattendedAnswers> answers;  // set exactly when `error` is empty
  std::string error;                         // "line 3: unknown key \"Colour\" in [Setup]", ...
};

AnswersReading ParseAnswers(std::string_view text);

// Whether `folder` is absolute: a drive letter, ":" and "\" or "/", or a
// network path "\\server\share".
bool IsAbsoluteFolder(std::string_view folder);

}  // namespace setup
