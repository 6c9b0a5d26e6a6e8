// The five servers of the suite: the one table every service, window and
// command operation of the setup is driven by.
#pragma once

#include <array>
#include <cstddef>

namespace platform {

struct ServiceRow {
  const char* ServiceName;          // the service's key name
  const char* Executable;           // program file in the installation directory
  const char* DisplayName;          // written into the service's registration
  const char* Description;          // written into the service's registration
  const char* ServerWindowClass;    // main window of the program run as an ordinary program
  const char* ServerWindowCaption;
};

inline constexpr std::size_t kServerCount = 5;

// Row indices. Rows 3 and 4 belong to optional components.
inline constexpr std::size_t kSmtpRow = 0;
inline constexpr std::size_t kPop3Row = 1;
inline constexpr std::size_t kControlRow = 2;  // the web and control server
inline constexpr std::size_t kImRow = 3;
inline constexpr std::size_t kCalendarRow = 4;

inline constexpr std::array<ServiceRow, kServerCount> ServiceTable = {{
    {"TarnoSMTP", "smtp.exe", "Tarno Mail Server SMTP", "Provides support for SMTP protocol.", "TSMTPForm", "SMTP"},
    {"TarnoPOP3", "pop3.exe", "Tarno Mail Server POP3 / IMAP", "Provides support for POP3 and IMAP4 protocols.",
     "TPOP3Form", "POP3"},
    {"TarnoControl", "control.exe", "Tarno Mail Server Web / Control",
     "Provides support for remote administration and web services.", "TControlForm", "Control"},
    {"TarnoIM", "im.exe", "Tarno Instant Messaging Server", "Provides support for Instant Messaging.", "TIMForm",
     "Instant Messaging Server"},
    {"TarnoCalendar", "cal.exe", "Tarno GroupWare Server", "Provides support for GroupWare & Calendaring.",
     "TGroupWareForm", "GroupWare"},
}};

}  // namespace platform
