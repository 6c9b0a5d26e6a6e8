#include "standin.h"

#include <tlhelp32.h>
#include <ws2tcpip.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "smtp_session.h"

namespace standin {
namespace {

constexpr size_t kRecordSize = 20;
constexpr uint32_t kCodeWithAnswer = 0x1003;
constexpr DWORD kClientTimeoutMs = 60000;

std::mutex& LogLock() {
  static std::mutex* lock = new std::mutex;  // never destroyed: threads may log until the process ends
  return *lock;
}

void AppendToFile(const std::string& path, const std::string& bytes) {
  // A reader that holds the log without sharing it for writing (a test
  // reading it) is waited for: a command is never dropped from the log.
  HANDLE file = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 500 && file == INVALID_HANDLE_VALUE; ++attempt) {
    file = ::CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_SHARING_VIOLATION) return;
    if (file == INVALID_HANDLE_VALUE) ::Sleep(10);
  }
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  ::CloseHandle(file);
}

uint32_t Field(const uint8_t* bytes, int index) {
  const uint8_t* p = bytes + 4 * index;
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// The command pipe: one instance, made before the server reports that it
// runs, so that a command sent at once finds it.
HANDLE CreateCommandPipe(const std::string& name) {
  HANDLE pipe = ::CreateNamedPipeA(name.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT,
                                   1, 4096, 4096, 0, nullptr);
  if (pipe == INVALID_HANDLE_VALUE)
    LogCommand("error creating the pipe " + name + ": " + std::to_string(::GetLastError()));
  return pipe;
}

// Serves the command pipe: one client at a time, every record logged in the
// order it arrives.
void ServeCommandPipe(HANDLE pipe) {
  static std::atomic<uint32_t> received{0};
  for (;;) {
    if (!::ConnectNamedPipe(pipe, nullptr) && ::GetLastError() != ERROR_PIPE_CONNECTED) {
      ::Sleep(10);
      continue;
    }
    uint8_t record[kRecordSize];
    size_t have = 0;
    DWORD read = 0;
    while (::ReadFile(pipe, record + have, static_cast<DWORD>(kRecordSize - have), &read, nullptr) && read > 0) {
      have += read;
      if (have < kRecordSize) continue;
      have = 0;
      const uint32_t count = ++received;
      LogCommand("pipe " + std::to_string(Field(record, 0)) + " " + std::to_string(Field(record, 1)) + " " +
                 std::to_string(Field(record, 2)) + " " + std::to_string(Field(record, 3)) + " " +
                 std::to_string(Field(record, 4)));
      if (Field(record, 0) == kCodeWithAnswer) {
        // The answer: how many records this server has received.
        uint8_t answer[4] = {static_cast<uint8_t>(count), static_cast<uint8_t>(count >> 8),
                             static_cast<uint8_t>(count >> 16), static_cast<uint8_t>(count >> 24)};
        DWORD written = 0;
        ::WriteFile(pipe, answer, sizeof(answer), &written, nullptr);
      }
    }
    ::DisconnectNamedPipe(pipe);
  }
}

bool StoreMail(const ReceivedMail& mail) {
  static std::atomic<unsigned> counter{0};
  const std::string folder = ProgramFolder() + "mail\\";
  ::CreateDirectoryA(folder.c_str(), nullptr);
  std::string text = "Return-Path: <" + mail.from + ">\r\n";
  for (const std::string& to : mail.recipients) text += "X-Tarno-Recipient: <" + to + ">\r\n";
  text += mail.data;
  const std::string name = folder + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(::GetTickCount()) +
                           "-" + std::to_string(++counter) + ".eml";
  HANDLE file = ::CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
            written == text.size();
  ::CloseHandle(file);
  return ok;
}

bool SendAll(SOCKET client, const std::string& text) {
  size_t sent = 0;
  while (sent < text.size()) {
    int n = ::send(client, text.data() + sent, static_cast<int>(text.size() - sent), 0);
    if (n <= 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}

void ServeSmtpClient(SOCKET client) {
  DWORD timeout = kClientTimeoutMs;
  ::setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof(timeout));
  SmtpSession session(StoreMail);
  std::string pending;
  char buffer[4096];
  bool open = SendAll(client, SmtpSession::Greeting());
  while (open && !session.closed()) {
    int n = ::recv(client, buffer, sizeof(buffer), 0);
    if (n <= 0) break;
    pending.append(buffer, static_cast<size_t>(n));
    size_t end;
    while (open && !session.closed() && (end = pending.find("\r\n")) != std::string::npos) {
      std::string reply = session.OnLine(pending.substr(0, end));
      pending.erase(0, end + 2);
      if (!reply.empty()) open = SendAll(client, reply);
    }
    // A line that never ends is cut off rather than held without limit.
    if (pending.size() > 64 * 1024) {
      SendAll(client, "500 Line too long\r\n");
      break;
    }
  }
  ::closesocket(client);
}

void AcceptSmtpClients(SOCKET listener) {
  for (;;) {
    SOCKET client = ::accept(listener, nullptr, nullptr);
    if (client == INVALID_SOCKET) return;
    std::thread(ServeSmtpClient, client).detach();
  }
}

}  // namespace

std::string ProgramFolder() {
  char path[MAX_PATH];
  DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string full(path, n);
  return full.substr(0, full.find_last_of('\\') + 1);
}

std::string ProgramBaseName() {
  char path[MAX_PATH];
  DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string name(path, n);
  name = name.substr(name.find_last_of('\\') + 1);
  return name.substr(0, name.rfind('.'));
}

Settings LoadSettings() {
  const std::string ini = ProgramFolder() + ProgramBaseName() + ".ini";
  Settings settings;
  settings.ignore_stop = ::GetPrivateProfileIntA("StandIn", "IgnoreStop", 0, ini.c_str()) != 0;
  settings.fail_start = ::GetPrivateProfileIntA("StandIn", "FailStart", 0, ini.c_str()) != 0;
  settings.hold_port = static_cast<int>(::GetPrivateProfileIntA("StandIn", "HoldPort", 0, ini.c_str()));
  settings.smtp_port = static_cast<int>(::GetPrivateProfileIntA("StandIn", "SmtpPort", 25, ini.c_str()));
  settings.stop_delay_ms = static_cast<int>(::GetPrivateProfileIntA("StandIn", "StopDelay", 0, ini.c_str()));
  return settings;
}

bool StartedByServiceManager() {
  HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return false;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof(entry);
  DWORD parent = 0;
  std::vector<PROCESSENTRY32> processes;
  for (BOOL more = ::Process32First(snapshot, &entry); more; more = ::Process32Next(snapshot, &entry)) {
    processes.push_back(entry);
    if (entry.th32ProcessID == ::GetCurrentProcessId()) parent = entry.th32ParentProcessID;
  }
  ::CloseHandle(snapshot);
  for (const PROCESSENTRY32& process : processes)
    if (process.th32ProcessID == parent) return lstrcmpiA(process.szExeFile, "services.exe") == 0;
  return false;
}

int RunMainWindow(const char* window_class, const char* caption, WNDPROC procedure) {
  HINSTANCE instance = ::GetModuleHandleA(nullptr);
  WNDCLASSA registration{};
  registration.lpfnWndProc = procedure;
  registration.hInstance = instance;
  registration.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  registration.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  registration.lpszClassName = window_class;
  if (!::RegisterClassA(&registration)) return 1;
  HWND window = ::CreateWindowA(window_class, caption, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 420, 200,
                                nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 1;
  ::ShowWindow(window, SW_SHOWDEFAULT);
  MSG message;
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
  return 0;
}

void LogCommand(const std::string& line) {
  std::lock_guard<std::mutex> hold(LogLock());
  AppendToFile(ProgramFolder() + ProgramBaseName() + "-commands.log", line + "\r\n");
}

Server::Server(const char* service_name, bool smtp) : pipe_name_(std::string("\\\\.\\pipe\\") + service_name), smtp_(smtp) {}

bool Server::Listen(int port, SOCKET& socket_out) {
  SOCKET listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<u_short>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  BOOL exclusive = TRUE;
  ::setsockopt(listener, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive), sizeof(exclusive));
  if (listener == INVALID_SOCKET || ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
      ::listen(listener, SOMAXCONN) != 0) {
    error_code_ = static_cast<DWORD>(::WSAGetLastError());
    error_ = "cannot listen on 127.0.0.1:" + std::to_string(port) + " (error " + std::to_string(error_code_) + ")";
    if (listener != INVALID_SOCKET) ::closesocket(listener);
    return false;
  }
  socket_out = listener;
  return true;
}

bool Server::Start(const Settings& settings) {
  WSADATA data;
  ::WSAStartup(MAKEWORD(2, 2), &data);
  SOCKET socket = INVALID_SOCKET;
  if (settings.hold_port != 0 && !Listen(settings.hold_port, socket)) return false;
  if (smtp_) {
    if (!Listen(settings.smtp_port, socket)) return false;
    std::thread(AcceptSmtpClients, socket).detach();
  }
  HANDLE pipe = CreateCommandPipe(pipe_name_);
  if (pipe != INVALID_HANDLE_VALUE) std::thread(ServeCommandPipe, pipe).detach();
  return true;
}

}  // namespace standin
