// The suite's server programs run as ordinary programs: the other family's
// start, stop and commands (through the family seam), the command pipe of a
// server found by its window, and a mail delivered to the SMTP server on
// 127.0.0.1:25. A service's windows live on another window station, so the
// window branches are shown with programs, as on Windows since services got
// a session of their own.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <future>

#include "platform/running_servers.h"
#include "platform/server_command.h"
#include "platform/service_control.h"
#include "platform/service_table.h"
#include "support/services_test_support.h"

namespace platform {
namespace {

using namespace platform::testing;
using Clock = std::chrono::steady_clock;

driver::WindowQuery WindowOf(size_t row) {
  return {ServiceTable[row].ServerWindowClass, ServiceTable[row].ServerWindowCaption, 0, false};
}

class ServerPrograms : public ::testing::Test {
 protected:
  // Starts the row's program from the suite folder as an ordinary program.
  void Run(driver::Process& process, size_t row) {
    ASSERT_TRUE(process.Start(driver::Quote(folder_.dir() + ServiceTable[row].Executable), folder_.dir()))
        << process.error();
    ASSERT_NE(driver::WaitForWindow(WindowOf(row)), nullptr) << ServiceTable[row].Executable << " shows no window";
  }
  SuiteFolder folder_;
};

TEST_F(ServerPrograms, OtherFamilyStartsCommandsAndStopsByWindow) {
  OtherFamily other;
  ScopedSystemFamily family(other);
  ASSERT_TRUE(::DeleteFileA((folder_.dir() + "control.exe").c_str()));
  StartServer(folder_.dir(), kControlRow);
  EXPECT_FALSE(IsServerRunning(kControlRow).found);
  EXPECT_TRUE(ServerCommand(kControlRow, 1280, 3, 0)) << "delivered as far as the setup can tell";

  EXPECT_TRUE(::CopyFileA((driver::ProgramFolder() + "suite\\control.exe").c_str(),
                          (folder_.dir() + "control.exe").c_str(), FALSE));
  StartServer(folder_.dir(), kControlRow);
  HWND window = driver::WaitForWindow(WindowOf(kControlRow));
  ASSERT_NE(window, nullptr) << "control.exe was not launched";
  EXPECT_TRUE(IsServerRunning(kControlRow).found);
  EXPECT_TRUE(IsRunningPresence(IsServerRunning(kControlRow)));

  EXPECT_TRUE(ServerCommand(kControlRow, 1280, 3, 0));
  EXPECT_TRUE(ServerCommand(kControlRow, 1281, 0, 7));
  EXPECT_EQ(folder_.Log("control"), "window 1280 3 0\r\nwindow 1281 0 7\r\n");

  DWORD process_id = driver::ProcessIdOf(window);
  win32::ScopedHandle process(::OpenProcess(SYNCHRONIZE, FALSE, process_id));
  auto start = Clock::now();
  StopServer(folder_.dir(), kControlRow);
  EXPECT_LT(SecondsSince(start), 3.0) << "returns as soon as the window is gone";
  EXPECT_EQ(::FindWindowA("TControlForm", "Control"), nullptr);
  EXPECT_EQ(::WaitForSingleObject(process.get(), 5000), static_cast<DWORD>(WAIT_OBJECT_0));
}

// On the NT family a server is reachable by its window too; the records
// arrive exactly as sent, in order, and a busy pipe is waited for.
TEST_F(ServerPrograms, CommandPipeDeliversEveryRecordInOrder) {
  driver::Process pop3;
  Run(pop3, kPop3Row);
  for (uint32_t i = 0; i < 20; ++i) ASSERT_TRUE(ServerCommand(kPop3Row, 2000 + i, i, ~i)) << i;
  std::string expected;
  for (uint32_t i = 0; i < 20; ++i)
    expected += "pipe 4096 " + std::to_string(2000 + i) + " " + std::to_string(i) + " " + std::to_string(~i) + " 0\r\n";
  // The server writes its log after the record arrived.
  EXPECT_TRUE(driver::WaitUntil([&] { return folder_.Log("pop3") == expected; })) << folder_.Log("pop3");

  // The one pipe instance is taken by another client: the command waits for it.
  win32::ScopedHandle holder(::CreateFileA("\\\\.\\pipe\\TarnoPOP3", GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                           OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(holder) << ::GetLastError();
  auto sent = std::async(std::launch::async, [] { return ServerCommand(kPop3Row, 4242, 1, 2); });
  EXPECT_EQ(sent.wait_for(std::chrono::milliseconds(500)), std::future_status::timeout)
      << "the command did not wait for the busy pipe";
  holder.reset();
  ASSERT_EQ(sent.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_TRUE(sent.get());
  EXPECT_TRUE(driver::WaitUntil([&] { return folder_.Log("pop3") == expected + "pipe 4096 4242 1 2 0\r\n"; }))
      << folder_.Log("pop3");
  pop3.Terminate();
}

class SmtpClient {
 public:
  SmtpClient() {
    WSADATA data;
    ::WSAStartup(MAKEWORD(2, 2), &data);
    socket_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    DWORD timeout = 10000;
    ::setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof(timeout));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(25);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connected_ = ::connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
  }
  ~SmtpClient() {
    ::closesocket(socket_);
    ::WSACleanup();
  }
  bool connected() const { return connected_; }
  // Sends `text` (may be empty) and answers the next reply line.
  std::string Say(const std::string& text) {
    if (!text.empty()) ::send(socket_, text.data(), static_cast<int>(text.size()), 0);
    char c;
    std::string line;
    while (::recv(socket_, &c, 1, 0) == 1) {
      line += c;
      if (line.ends_with("\r\n")) return line.substr(0, 3);
    }
    return "<connection ended: " + line + ">";
  }

 private:
  SOCKET socket_;
  bool connected_ = false;
};

std::vector<std::string> StoredMail(const std::string& folder) {
  std::vector<std::string> files;
  WIN32_FIND_DATAA data;
  win32::ScopedFindHandle find(::FindFirstFileA((folder + "mail\\*.eml").c_str(), &data));
  if (find) do files.push_back(win32::test_files::GetFile(folder + "mail\\" + data.cFileName));
    while (::FindNextFileA(find.get(), &data));
  return files;
}

TEST_F(ServerPrograms, SmtpServerStoresAMessageFromPort25) {
  driver::Process smtp;
  Run(smtp, kSmtpRow);
  {
    SmtpClient client;
    ASSERT_TRUE(client.connected()) << "nothing listens on 127.0.0.1:25";
    EXPECT_EQ(client.Say(""), "220");
    EXPECT_EQ(client.Say("RCPT TO:<early@example.org>\r\n"), "503") << "no recipient before the sender";
    EXPECT_EQ(client.Say("EHLO client\r\n"), "250");
    EXPECT_EQ(client.Say("DATA\r\n"), "503") << "no data without recipients";
    EXPECT_EQ(client.Say("MAIL FROM:<admin@example.org>\r\n"), "250");
    EXPECT_EQ(client.Say("RCPT TO:<a@example.org>\r\n"), "250");
    EXPECT_EQ(client.Say("RCPT TO:<b@example.org>\r\n"), "250");
    EXPECT_EQ(client.Say("DATA\r\n"), "354");
    EXPECT_EQ(client.Say("Subject: Report\r\n\r\n..leading dot\r\n.\r\n"), "250");
    EXPECT_EQ(client.Say("QUIT\r\n"), "221");
  }
  std::vector<std::string> mail = StoredMail(folder_.dir());
  ASSERT_EQ(mail.size(), 1u);
  EXPECT_EQ(mail[0],
            "Return-Path: <admin@example.org>\r\nX-Tarno-Recipient: <a@example.org>\r\n"
            "X-Tarno-Recipient: <b@example.org>\r\nSubject: Report\r\n\r\n.leading dot\r\n");

  // The suite's own sendmail delivers the same way.
  win32::test_files::PutFile(folder_.dir() + "message.txt", "Subject: Second\r\n\r\n.\r\nend\r\n");
  driver::Process sendmail;
  ASSERT_TRUE(sendmail.Start(driver::Quote(folder_.dir() + "sendmail.exe") + " from@example.org to@example.org " +
                                 driver::Quote(folder_.dir() + "message.txt"),
                             folder_.dir()));
  EXPECT_EQ(sendmail.WaitForExit(), std::optional<DWORD>(0));
  mail = StoredMail(folder_.dir());
  ASSERT_EQ(mail.size(), 2u);
  EXPECT_NE(std::find(mail.begin(), mail.end(),
                      "Return-Path: <from@example.org>\r\nX-Tarno-Recipient: <to@example.org>\r\n"
                      "Subject: Second\r\n\r\n.\r\nend\r\n"),
            mail.end());
  smtp.Terminate();
}

}  // namespace
}  // namespace platform
