// sendmail.exe: hands a message file to the SMTP server on this machine.
//
//   sendmail <from> <to> <message file> [port]
//
// Connects to 127.0.0.1 (port 25 unless given), sends the file's lines with
// leading dots doubled, and exits with 0 when the server accepted the message.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

// Reads one reply (all its lines) and answers its code; 0 when the connection failed.
int ReadReply(SOCKET server, std::string& pending) {
  char buffer[1024];
  for (;;) {
    size_t end;
    while ((end = pending.find("\r\n")) != std::string::npos) {
      std::string line = pending.substr(0, end);
      pending.erase(0, end + 2);
      if (line.size() >= 4 && line[3] == '-') continue;
      return std::atoi(line.substr(0, 3).c_str());
    }
    int n = ::recv(server, buffer, sizeof(buffer), 0);
    if (n <= 0) return 0;
    pending.append(buffer, static_cast<size_t>(n));
  }
}

bool Send(SOCKET server, const std::string& text) {
  return ::send(server, text.data(), static_cast<int>(text.size()), 0) == static_cast<int>(text.size());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: sendmail <from> <to> <message file> [port]\n");
    return 2;
  }
  std::ifstream file(argv[3], std::ios::binary);
  if (!file) {
    std::fprintf(stderr, "sendmail: cannot read %s\n", argv[3]);
    return 1;
  }
  std::stringstream body;
  std::string line;
  while (std::getline(file, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    body << (line.starts_with(".") ? "." : "") << line << "\r\n";
  }
  WSADATA data;
  ::WSAStartup(MAKEWORD(2, 2), &data);
  SOCKET server = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<u_short>(argc > 4 ? std::atoi(argv[4]) : 25));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(server, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
    std::fprintf(stderr, "sendmail: cannot connect (error %d)\n", ::WSAGetLastError());
    return 1;
  }
  std::string pending;
  const struct {
    std::string command;
    int expected;
  } steps[] = {{"", 220},
               {"HELO localhost\r\n", 250},
               {std::string("MAIL FROM:<") + argv[1] + ">\r\n", 250},
               {std::string("RCPT TO:<") + argv[2] + ">\r\n", 250},
               {"DATA\r\n", 354},
               {body.str() + ".\r\n", 250},
               {"QUIT\r\n", 221}};
  for (const auto& step : steps) {
    if (!step.command.empty() && !Send(server, step.command)) return 1;
    int code = ReadReply(server, pending);
    if (code != step.expected) {
      std::fprintf(stderr, "sendmail: the server answered %d where %d was expected\n", code, step.expected);
      ::closesocket(server);
      return 1;
    }
  }
  ::closesocket(server);
  ::WSACleanup();
  return 0;
}
