#include "mailclient/installation_report.h"

#include <cstdio>
#include <exception>

#include "serverconf/demo_configuration.h"
#include "xmldoc/xml_object.h"

namespace mailclient {

std::string DemoAdministratorMailbox() { return std::string("admin@") + serverconf::kDemoDomainName; }
std::string DemoUserMailbox() { return std::string("john@") + serverconf::kDemoDomainName; }

std::string BuildReportDocument(const InstallationReport& report, const std::string& date) {
  xmldoc::TXMLObject document;
  xmldoc::TXMLObject& setup = document.AddChild("SETUP");
  setup.AddChild("NAME", report.UserName, true);
  setup.AddChild("EMAIL", report.UserEmail, true);
  setup.AddChild("COMPANY", report.UserCompany, true);
  setup.AddChild("COUNTRY", report.UserCountry, true);
  setup.AddChild("PRODUCT", report.ProductName, true);
  setup.AddChild("VERSION", report.Version, true);
  setup.AddChild("DATE", date, true);
  if (report.Upgrade) setup.AddChild("PREVIOUS_VERSION", report.PreviousVersion, true);
  return "<?xml version=\"1.0\"?>\r\n" + document.GetXML(true) + "\r\n";
}

void SendInstallationReport(MailTransport& transport, const InstallationReport& report, bool new_installation) {
  try {
    const MailTime now = transport.Now();
    char date[16];
    std::snprintf(date, sizeof date, "%.4d%.2d%.2d", now.year % 10000, now.month % 100, now.day % 100);
    const std::string text = BuildReportDocument(report, date);
    if (!SendTextMail(transport, report.ReportAddress, report.ReportAddress, report.ReportAddress,
                      report.LocalMailHost, text, report.Subject))
      SendTextMail(transport, report.ReportAddress, report.ReportAddress, report.ReportAddress,
                   report.ReportMailHost, text, report.Subject);
    if (new_installation)
      SendTextMail(transport, DemoAdministratorMailbox(), DemoUserMailbox(), DemoUserMailbox(),
                   report.LocalMailHost, report.DemoMessage, report.DemoMessageSubject);
  } catch (const std::exception&) {
    // The report is a courtesy: nothing that fails here stops the installation.
  }
}

}  // namespace mailclient
