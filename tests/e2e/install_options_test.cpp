// Installations through the wizard of setup.exe that take the less common
// roads: components left out, optional containers missing from the
// distribution, an old separate web mail, upgrades from releases whose
// configuration needs more than the usual care, and a report whose mail
// server takes its time.
#include <string>

#include "holding_smtp_server.h"
#include "install_fixture.h"
#include "serverconf/server_settings.h"
#include "support/config_store_test_support.h"

namespace e2e {
namespace {

constexpr char kWebMailProductKey[] = "Software\\Cordane\\Cordane Web Mail";
constexpr char kRequireWebMailText[] =
    "Setup has detected an old version of Cordane Web Mail on your computer. It is required for you to upgrade "
    "Cordane Web Mail or it will not function properly.";

// The web server configuration of an older release: its filter section, a
// virtual host still pointing at the old web mail module, and a section
// the update must leave alone.
constexpr char kOldWebServerConfig[] =
    "[Filter]\r\n=modules\\old.dll|[old]\r\n\r\n"
    "[Virtual-Host]\r\n/mail/=webmail\\web.dll\r\n\r\n"
    "[Other]\r\nkey=webmail\\Web.dll\r\n";
// The same after the update: the client script module's filter as the last
// line of its section, its virtual host as the first of its own, the module
// name replaced where its case matches.
constexpr char kUpdatedWebServerConfig[] =
    "[Filter]\r\n=modules\\old.dll|[old]\r\n=modules\\wcs.dll|[wcs]\r\n\r\n"
    "[Virtual-Host]\r\n/wcs/=[wcs]\r\n/mail/=php\\php.dll\r\n\r\n"
    "[Other]\r\nkey=webmail\\Web.dll\r\n";

// A settings.cfg as an installed server wrote it: `edition` at its offset,
// `console` as the console file, everything else zero.
std::string SettingsFile(uint8_t edition, const std::string& console) {
  using namespace serverconf::testing;
  std::string plain(serverconf::kServerSettingsSize, '\0');
  plain[serverconf::settings_field::kProductEdition] = char(edition);
  PutStr(plain, serverconf::settings_field::kConsoleFile.offset, console);
  return Scrambled(plain);
}

class InstallOptionsTest : public InstallTest {
 protected:
  void RemoveFromDistribution(const char* name) {
    ASSERT_TRUE(::DeleteFileA((run_.dist() + name).c_str())) << name << " error " << ::GetLastError();
  }

  // The link names in the installation's Start-menu group.
  std::vector<std::string> Links() { return FileNames(ShellFolder(CSIDL_COMMON_PROGRAMS) + kGroupName + "\\", "*.lnk"); }
};

// Without web mail and without the two optional containers web mail and the
// antivirus engine come in: the installation needs neither, and nothing of
// either is installed.
TEST_F(InstallOptionsTest, WithoutWebMailAndTheAntivirusContainerNothingOfEitherIsInstalled) {
  ASSERT_NO_FATAL_FAILURE(RemoveFromDistribution("setupweb.dat"));
  ASSERT_NO_FATAL_FAILURE(RemoveFromDistribution("setupav.dat"));
  ASSERT_NO_FATAL_FAILURE(WalkToDestination({1}));
  ASSERT_NO_FATAL_FAILURE(InstallInto(install_));
  EXPECT_EQ(ProgressPosition(), 12);

  for (const char* absent : {"html\\mail\\", "webmail\\", "control.exe.local", "avast\\"})
    EXPECT_FALSE(win32::test_files::Exists(install_ + absent)) << absent << " was installed";
  EXPECT_TRUE(win32::test_files::Exists(install_ + "html\\")) << "the server's own pages are missing";
  EXPECT_TRUE(win32::test_files::Exists(install_ + "smtp.exe"));
  EXPECT_EQ(AvCalls(), std::vector<std::string>{}) << ReadFile(av_state_ + "setiface-calls.log");

  // The web mail documentation link comes with web mail only.
  std::vector<std::string> links = Links();
  EXPECT_EQ(std::count(links.begin(), links.end(), "Cordane WebMail Documentation.lnk"), 0)
      << ::testing::PrintToString(links);
  EXPECT_EQ(links.size(), 8u) << ::testing::PrintToString(links);
  EXPECT_EQ(RegDword(HKEY_LOCAL_MACHINE, kProductKey, "NoInstallWebMail"), std::optional<DWORD>(1));
  // The antivirus engine stays chosen: only its container was missing.
  EXPECT_EQ(RegDword(HKEY_LOCAL_MACHINE, kProductKey, "NoInstallAV"), std::optional<DWORD>(0));
  for (const char* name : kServices)
    EXPECT_TRUE(WaitForState(name, SERVICE_RUNNING)) << name << " is not running";
}

// An old separately installed web mail: the installation ends with the
// warning that it must be upgraded too, after everything else is done and
// before the finish page. The report meanwhile goes to a mail server of the
// test's own that holds its replies: the progress bar stands at 11 while the
// report and the demonstration message are in flight and at 12 once they
// were sent.
TEST_F(InstallOptionsTest, ProgressWhileTheReportIsInFlightAndTheOldWebMailWarning) {
  HoldingSmtpServer smtp;
  ASSERT_NE(smtp.port(), 0) << "no listener for the report";
  const std::string host = "127.0.0.1:" + std::to_string(smtp.port());
  ::SetEnvironmentVariableA("TARNO_REPORT_MAIL_HOST", host.c_str());
  // Beside the installation folder, so that it goes with it.
  const std::string old_web_mail = install_.substr(0, install_.rfind('\\', install_.size() - 2) + 1) + "Web Mail\\";
  ASSERT_TRUE(::CreateDirectoryA(old_web_mail.c_str(), nullptr)) << old_web_mail << " error " << ::GetLastError();
  WriteString(HKEY_LOCAL_MACHINE, kWebMailProductKey, "Version", "4.2.1");
  WriteString(HKEY_LOCAL_MACHINE, kWebMailProductKey, "InstallDir", old_web_mail);

  ASSERT_NO_FATAL_FAILURE(WalkToDestination());
  HWND progress = Control("ProgressBar");
  HWND text = Control("InstallPanelText");
  // Answered by the setup while its user-interface thread is busy; -1 when
  // the window does not answer within 5 seconds.
  auto position = [&] {
    DWORD_PTR value = 0;
    if (!::SendMessageTimeoutA(progress, PBM_GETPOS, 0, 0, SMTO_NORMAL, 5000, &value)) return -1;
    return static_cast<int>(value);
  };
  driver::SetText(Control("PathEdit"), install_);
  driver::Click(Control("NextButton"));

  // The report first, then the demonstration message of a new installation.
  for (size_t message = 1; message <= 2; ++message) {
    ASSERT_TRUE(smtp.WaitHeld(message, kInstallTimeout)) << "message " << message << " never came; log:\n"
                                                          << run_.Log();
    EXPECT_EQ(position(), 11) << "while message " << message << " is in flight";
    smtp.Release();
  }
  std::vector<std::string> mails = smtp.Messages();
  ASSERT_EQ(mails.size(), 2u);
  EXPECT_NE(mails[0].find("<VERSION>8.3.8</VERSION>"), std::string::npos) << mails[0];
  EXPECT_NE(mails[1].find("Subject: Demonstration message"), std::string::npos) << mails[1];

  HWND box = driver::WaitForMessageBox(run_.process().id(), "Warning", kInstallTimeout);
  ASSERT_NE(box, nullptr) << "no warning; log:\n" << run_.Log();
  driver::MessageBoxInfo info = driver::ReadMessageBox(box);
  EXPECT_EQ(info.text, kRequireWebMailText) << driver::Describe(info);
  EXPECT_EQ(info.icon, driver::MessageBoxIcon::kInformation) << driver::Describe(info);
  EXPECT_EQ(info.ButtonIds(), std::vector<int>{IDOK}) << driver::Describe(info);
  // Everything else is done: the servers run, the bar is full, the finish
  // page waits for the box.
  EXPECT_EQ(position(), 12);
  EXPECT_EQ(driver::Text(text), "Installation Complete");
  EXPECT_TRUE(driver::IsVisible(Control("InstallingPanel")));
  EXPECT_FALSE(driver::IsVisible(Control("FinishedPanel")));
  EXPECT_TRUE(WaitForState("TarnoSMTP", SERVICE_RUNNING));
  driver::AnswerMessageBox(box, IDOK);
  EXPECT_TRUE(WaitForPanel("FinishedPanel")) << driver::DescribeTree(main_);
  EXPECT_EQ(smtp.Messages().size(), 2u) << "the report was sent more than once";
}

class UpgradeOptionsTest : public SeededInstallationTest {
 protected:
  // The servers run again, the one the administrator disabled disabled again.
  void ExpectServersUpgraded() {
    EXPECT_EQ(StartType("TarnoPOP3"), static_cast<DWORD>(SERVICE_DISABLED));
    for (const char* name : {"TarnoSMTP", "TarnoControl", "TarnoIM", "TarnoCalendar"})
      EXPECT_TRUE(WaitForState(name, SERVICE_RUNNING)) << name << " is not running";
  }
};

// An upgrade that leaves web mail out: the web mail pages of the earlier
// release go, its configuration and projects stay, and its container is not
// needed.
TEST_F(UpgradeOptionsTest, WithoutWebMailThePagesGoAndTheWebMailDataStays) {
  ASSERT_NO_FATAL_FAILURE(SeedInstallation("8.2.6"));
  ::CreateDirectoryA((install_ + "html").c_str(), nullptr);
  ::CreateDirectoryA((install_ + "html\\mail").c_str(), nullptr);
  ::CreateDirectoryA((install_ + "html\\mail\\skins").c_str(), nullptr);
  WriteFile(install_ + "html\\mail\\index.html", "the earlier web mail");
  WriteFile(install_ + "html\\mail\\skins\\blue.css", "a skin");
  ::CreateDirectoryA((install_ + "webmail\\projects").c_str(), nullptr);
  WriteFile(install_ + "webmail\\projects\\mine.prj", "the administrator's project");
  const std::map<std::string, std::string> before = AdministratorFiles();
  ASSERT_TRUE(::DeleteFileA((run_.dist() + "setupweb.dat").c_str())) << ::GetLastError();

  ASSERT_NO_FATAL_FAILURE(WalkToDestination({1}));
  ASSERT_NO_FATAL_FAILURE(InstallInto(install_));
  EXPECT_EQ(ProgressPosition(), 12);

  EXPECT_FALSE(win32::test_files::Exists(install_ + "html\\mail\\")) << "the web mail pages stay";
  EXPECT_TRUE(win32::test_files::Exists(install_ + "help\\index.html"));
  EXPECT_EQ(ReadFile(install_ + "webmail\\projects\\mine.prj"), "the administrator's project");
  EXPECT_FALSE(win32::test_files::Exists(install_ + "control.exe.local"));
  EXPECT_EQ(AdministratorFiles(), before);
  EXPECT_EQ(RegDword(HKEY_LOCAL_MACHINE, kProductKey, "NoInstallWebMail"), std::optional<DWORD>(1));
  ExpectServersUpgraded();
}

// A 3.x installation's edition is derived again from its storage library
// (Professional beside "db.dll"), and the installation stores it; the
// console mode stays as configured, and the web server configuration of a
// release that old is brought up to date.
TEST_F(UpgradeOptionsTest, From3xTheRederivedEditionIsStored) {
  ASSERT_NO_FATAL_FAILURE(SeedInstallation("3.9.1"));
  WriteFile(install_ + "db.dll", "the storage library of 3.9.1");
  WriteFile(install_ + "config\\settings.cfg", SettingsFile(serverconf::kEditionStandard, "basic.xml"));
  WriteFile(install_ + "config\\webserver.cfg", kOldWebServerConfig);

  ASSERT_NO_FATAL_FAILURE(WalkToDestination());
  EXPECT_TRUE(driver::IsChecked(Control("TarnoProRadio")));
  ASSERT_NO_FATAL_FAILURE(InstallInto(install_));
  EXPECT_EQ(ProgressPosition(), 12);

  using serverconf::testing::Unscrambled;
  const std::string settings = Unscrambled(ReadFile(install_ + "config\\settings.cfg"));
  ASSERT_EQ(settings.size(), serverconf::kServerSettingsSize);
  EXPECT_EQ(int(uint8_t(settings[serverconf::settings_field::kProductEdition])), int(serverconf::kEditionProfessional));
  EXPECT_EQ(serverconf::testing::Str(settings, serverconf::settings_field::kConsoleFile.offset), "basic.xml");
  EXPECT_EQ(ReadFile(install_ + "config\\webserver.cfg"), kUpdatedWebServerConfig);
}

// The pixels of the screen under `window` that are darker than the
// background, as text is drawn: how much of a text the screen shows there.
int DarkPixelsOnScreen(HWND window, std::vector<uint32_t>* pixels = nullptr) {
  RECT rect;
  if (!::GetWindowRect(window, &rect)) return -1;
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = ::SelectObject(memory, bitmap);
  const bool copied = ::BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  ::GdiFlush();
  int dark = copied ? 0 : -1;
  for (int i = 0; copied && i < width * height; ++i) {
    const uint32_t pixel = static_cast<const uint32_t*>(bits)[i] & 0xFFFFFF;
    if (pixels != nullptr) pixels->push_back(pixel);
    if ((pixel & 0xFF) < 0x60 && ((pixel >> 8) & 0xFF) < 0x60 && ((pixel >> 16) & 0xFF) < 0x60) ++dark;
  }
  ::SelectObject(memory, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  return dark;
}

// The text a window of another process holds, read without a message to
// it (its thread may be busy).
std::string HeldText(HWND window) {
  char text[256] = {};
  ::GetWindowTextA(window, text, sizeof text);
  return text;
}

// While a server that takes seconds to shut down is being stopped, the
// installing page already shows what is going on.
TEST_F(UpgradeOptionsTest, TheFirstTextIsOnTheScreenWhileAServerIsStopped) {
  ::CreateDirectoryA(install_.c_str(), nullptr);
  const std::string ini = install_ + "smtp.ini";
  WriteFile(ini, "[StandIn]\r\nStopDelay=5000\r\n");
  ASSERT_NO_FATAL_FAILURE(SeedInstallation("8.2.6"));
  win32::ScopedHandle smtp(::OpenProcess(SYNCHRONIZE, FALSE, ServiceProcess("TarnoSMTP")));
  ASSERT_TRUE(smtp) << "error " << ::GetLastError();
  ASSERT_NO_FATAL_FAILURE(WalkToDestination());
  HWND text = Control("InstallPanelText");
  driver::Click(Control("NextButton"));

  // The setup sets the text, then asks the SMTP server to stop and waits
  // for it (five seconds).
  bool shown = driver::WaitUntil([&] { return HeldText(text) == "Checking For Running Services..."; },
                                 driver::Milliseconds(60000), driver::Milliseconds(20));
  int dark = 0;
  bool on_screen = shown && driver::WaitUntil([&] { return (dark = DarkPixelsOnScreen(text)) > 20; },
                                              driver::Milliseconds(3000), driver::Milliseconds(50));
  const bool still_stopping = ::WaitForSingleObject(smtp.get(), 0) == WAIT_TIMEOUT;
  // The installed server is to stop at once, as the others.
  WriteFile(ini, "[StandIn]\r\nStopDelay=0\r\n");
  ASSERT_TRUE(shown) << "the text never came; log:\n" << run_.Log();
  EXPECT_TRUE(on_screen) << dark << " dark pixels under the installing page's text";
  EXPECT_TRUE(still_stopping) << "the SMTP server ended before the text was looked at";
  ASSERT_NO_FATAL_FAILURE(WaitForFinishPage());
  ExpectServersUpgraded();
}

struct WebServerConfigCase {
  const char* previous;
  const char* expected;
};

class WebServerConfigUpgradeTest : public SeededInstallationTest,
                                   public ::testing::WithParamInterface<WebServerConfigCase> {};

// Releases before 7.7.3 get the web client script entries; from 7.7.3 on
// the file is not touched.
TEST_P(WebServerConfigUpgradeTest, IsUpdatedOnlyFromReleasesBefore773) {
  const WebServerConfigCase& c = GetParam();
  ASSERT_NO_FATAL_FAILURE(SeedInstallation(c.previous));
  WriteFile(install_ + "config\\webserver.cfg", kOldWebServerConfig);
  ASSERT_NO_FATAL_FAILURE(WalkToDestination());
  ASSERT_NO_FATAL_FAILURE(InstallInto(install_));
  EXPECT_EQ(ReadFile(install_ + "config\\webserver.cfg"), c.expected);
}

INSTANTIATE_TEST_SUITE_P(PreviousVersions, WebServerConfigUpgradeTest,
                         ::testing::Values(WebServerConfigCase{"7.7.2", kUpdatedWebServerConfig},
                                           WebServerConfigCase{"7.7.3", kOldWebServerConfig}),
                         FromPreviousVersionName());

}  // namespace
}  // namespace e2e
