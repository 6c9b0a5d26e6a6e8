// The stand-in servers' own view of the five servers: what each must
// answer to (service name, command pipe, main window). The stand-ins are
// separate programs and share nothing with the setup.
#pragma once

namespace standin {

struct ServerRow {
  const char* service;  // service name and the command pipe's name
  const char* program;  // program file
  const char* window_class;
  const char* caption;
};

inline constexpr ServerRow kServerRows[] = {
    {"TarnoSMTP", "smtp.exe", "TSMTPForm", "SMTP"},
    {"TarnoPOP3", "pop3.exe", "TPOP3Form", "POP3"},
    {"TarnoControl", "control.exe", "TControlForm", "Control"},
    {"TarnoIM", "im.exe", "TIMForm", "Instant Messaging Server"},
    {"TarnoCalendar", "cal.exe", "TGroupWareForm", "GroupWare"},
};

}  // namespace standin
