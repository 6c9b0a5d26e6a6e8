// The program's mail transport: WinSock connections and the system clock;
// and the installation report sent through it.
#pragma once

#include "mailclient/installation_report.h"

namespace mailclient {

class WinsockMailTransport : public MailTransport {
 public:
  // How long a connection may take to be made.
  static constexpr int kConnectTimeoutMs = 20000;

  std::unique_ptr<SmtpConnection> Connect(const SmtpHost& host) override;
  MailTime Now() override;
};

// SendInstallationReport through WinsockMailTransport.
void SendInstallationReport(const InstallationReport& report, bool new_installation);

}  // namespace mailclient
