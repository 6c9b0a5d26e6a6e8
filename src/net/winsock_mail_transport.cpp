#include "net/winsock_mail_transport.h"

#include "net/tcp_socket.h"

#include <windows.h>

namespace mailclient {
namespace {

class WinsockConnection : public SmtpConnection {
 public:
  explicit WinsockConnection(win32::TcpSocket socket) : socket_(std::move(socket)) {}
  bool WaitReadable(int timeout_ms) override { return socket_.WaitReadable(timeout_ms); }
  int Receive(char* buffer, int size) override { return socket_.Receive(buffer, size); }
  void Send(std::string_view data) override {
    if (!socket_.SendAll(data)) throw SmtpError("sending to the mail server failed");
  }

 private:
  win32::TcpSocket socket_;
};

}  // namespace

std::unique_ptr<SmtpConnection> WinsockMailTransport::Connect(const SmtpHost& host) {
  win32::TcpSocket socket = win32::TcpSocket::Connect(host.host, host.port, kConnectTimeoutMs);
  if (!socket.valid()) return nullptr;
  return std::make_unique<WinsockConnection>(std::move(socket));
}

MailTime WinsockMailTransport::Now() {
  SYSTEMTIME local;
  ::GetLocalTime(&local);
  TIME_ZONE_INFORMATION zone;
  LONG bias = 0;  // minutes UTC is ahead of local time
  switch (::GetTimeZoneInformation(&zone)) {
    case TIME_ZONE_ID_DAYLIGHT:
      bias = zone.Bias + zone.DaylightBias;
      break;
    case TIME_ZONE_ID_STANDARD:
      bias = zone.Bias + zone.StandardBias;
      break;
    case TIME_ZONE_ID_UNKNOWN:
      bias = zone.Bias;
      break;
    default:
      break;  // unknown: the date says UTC
  }
  return MailTime{local.wYear, local.wMonth, local.wDay, local.wDayOfWeek, local.wHour,
                  local.wMinute, local.wSecond, static_cast<int>(-bias)};
}

void SendInstallationReport(const InstallationReport& report, bool new_installation) {
  WinsockMailTransport transport;
  SendInstallationReport(transport, report, new_installation);
}

}  // namespace mailclient
