// The installation report: a small XML document naming the user, the product
// and the version installed, mailed at the end of every installation to the
// maker's setup-report mailbox; and the demonstration message a new
// installation drops into the demo domain.
#pragma once

#include <string>

#include "mailclient/text_mail.h"

namespace mailclient {

// The maker's setup-report mailbox and mail host.
inline constexpr char kReportAddress[] = "setup-report@tarno.example";
inline constexpr char kReportMailHost[] = "mail.tarno.example";
// The mail server just installed on this machine.
inline constexpr char kLocalMailHost[] = "127.0.0.1";

// What the report says and where it goes. The installation fills it from
// the setup's state and messages; the endpoints are the product's unless a
// test points them elsewhere (a host text may carry ":port").
struct InstallationReport {
  std::string UserName, UserEmail, UserCompany, UserCountry;
  std::string ProductName;      // message cName
  std::string Version;          // the version installed
  bool Upgrade = false;         // a configuration directory existed before
  std::string PreviousVersion;  // reported only on an upgrade
  std::string Subject;          // the setup's window caption
  std::string DemoMessage;      // message DemoMsg
  std::string DemoMessageSubject;  // message DemoMsgSubject
  std::string ReportAddress = kReportAddress;
  std::string ReportMailHost = kReportMailHost;
  std::string LocalMailHost = kLocalMailHost;
};

// The demo domain's mailboxes: the demonstration message goes to the
// administrator, from the demo user.
std::string DemoAdministratorMailbox();
std::string DemoUserMailbox();

// "<?xml version="1.0"?>", CR LF, the "SETUP" element formatted, CR LF.
// `date` is today as "yyyymmdd". Every text is encoded (escaped, UTF-8).
std::string BuildReportDocument(const InstallationReport& report, const std::string& date);

// Mails the report through the local server, and through ReportMailHost when
// the local server did not accept it; after a new installation also the
// demonstration message through the local server. Nothing is shown and
// nothing is raised whatever fails.
void SendInstallationReport(MailTransport& transport, const InstallationReport& report, bool new_installation);

}  // namespace mailclient
