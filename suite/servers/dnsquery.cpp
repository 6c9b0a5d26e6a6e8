// dnsquery.exe: resolves a host name with the system's resolver and prints
// each address on a line of its own.
//
//   dnsquery <host name>
//
// Exit code 0 when the name resolved, 1 otherwise.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: dnsquery <host name>\n");
    return 2;
  }
  WSADATA data;
  if (::WSAStartup(MAKEWORD(2, 2), &data) != 0) return 1;
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  int error = ::getaddrinfo(argv[1], nullptr, &hints, &found);
  if (error != 0) {
    std::fprintf(stderr, "dnsquery: %s: error %d\n", argv[1], error);
    ::WSACleanup();
    return 1;
  }
  for (addrinfo* a = found; a != nullptr; a = a->ai_next) {
    char text[NI_MAXHOST];
    if (::getnameinfo(a->ai_addr, static_cast<socklen_t>(a->ai_addrlen), text, sizeof(text), nullptr, 0,
                      NI_NUMERICHOST) == 0)
      std::printf("%s\n", text);
  }
  ::freeaddrinfo(found);
  ::WSACleanup();
  return 0;
}
