// One setup at a time, as two administrators of one machine meet it: while a
// setup runs (its wizard open, or an unattended installation in the middle of
// its work), a second setup that would change the machine ends at once with
// exit code 9 and changes nothing: in the wizard after the box "Setup is
// already running.", unattended with a line in its log. The commands that
// change nothing still run, and once the first setup has ended, the next one
// runs.
#include <optional>
#include <string>
#include <vector>

#include "holding_smtp_server.h"
#include "install_fixture.h"
#include "setup/setup_state.h"

namespace e2e {
namespace {

using driver::Milliseconds;

constexpr DWORD kAnotherSetupRunning = 9;
static_assert(setup::kExitSetupRunning == kAnotherSetupRunning);

// What a second setup did: the boxes it showed (each answered with OK),
// whether its wizard came up, its exit code (none while its wizard is open)
// and its log.
struct SecondRun {
  std::vector<driver::MessageBoxInfo> boxes;
  bool wizard = false;
  std::optional<DWORD> exit_code;
  std::string log;
};

// Runs setup.exe `arguments` from a distribution folder of its own until it
// ends or shows its wizard; a wizard that came up is closed by terminating
// the program.
SecondRun RunSecond(const std::string& arguments) {
  SecondRun result;
  SetupRun run;
  if (!run.Start(arguments)) return result;
  const DWORD id = run.process().id();
  driver::WaitUntil(
      [&] {
        if (driver::FindTopLevelWindow({"TMainForm", "", id, true}) != nullptr) result.wizard = true;
        if (HWND box = driver::FindTopLevelWindow({"#32770", "", id, true})) {
          result.boxes.push_back(driver::ReadMessageBox(box));
          driver::AnswerMessageBox(box, IDOK);
          driver::WaitForWindowGone(box);
        }
        return result.wizard || !run.process().IsRunning();
      },
      Milliseconds(60000), Milliseconds(20));
  if (!result.wizard) result.exit_code = run.process().WaitForExit(Milliseconds(10000));
  result.log = run.Log();
  return result;
}

std::string Described(const std::vector<driver::MessageBoxInfo>& boxes) {
  std::string text;
  for (const driver::MessageBoxInfo& box : boxes) text += driver::Describe(box) + "\n";
  return text;
}

// A wizard, or a run with the box: refused with the box and exit code 9.
void ExpectRefusedWithTheBox(const SecondRun& run, const std::string& arguments) {
  EXPECT_EQ(run.exit_code, std::optional<DWORD>(kAnotherSetupRunning)) << "setup.exe " << arguments << "\n" << run.log;
  EXPECT_FALSE(run.wizard) << "setup.exe " << arguments << " showed its wizard";
  ASSERT_EQ(run.boxes.size(), 1u) << "setup.exe " << arguments << ":\n" << Described(run.boxes);
  const driver::MessageBoxInfo& box = run.boxes[0];
  EXPECT_EQ(box.text, "Setup is already running.") << driver::Describe(box);
  EXPECT_EQ(box.caption, "Tarno Mail Server Setup") << driver::Describe(box);
  EXPECT_EQ(box.icon, driver::MessageBoxIcon::kWarning) << driver::Describe(box);
  EXPECT_EQ(box.ButtonIds(), std::vector<int>{IDOK}) << driver::Describe(box);
  EXPECT_NE(run.log.find("start-up: another setup is running"), std::string::npos) << run.log;
}

// An unattended run: refused without a box, the log saying why.
void ExpectRefusedInTheLog(const SecondRun& run, const std::string& arguments) {
  EXPECT_EQ(run.exit_code, std::optional<DWORD>(kAnotherSetupRunning)) << "setup.exe " << arguments << "\n" << run.log;
  EXPECT_FALSE(run.wizard) << "setup.exe " << arguments << " showed its wizard";
  EXPECT_TRUE(run.boxes.empty()) << "setup.exe " << arguments << ":\n" << Described(run.boxes);
  EXPECT_NE(run.log.find("start-up: another setup is running"), std::string::npos) << run.log;
  EXPECT_NE(run.log.find("notice Tarno Mail Server Setup: Setup is already running."), std::string::npos) << run.log;
  EXPECT_NE(run.log.find("the program ends with exit code 9"), std::string::npos) << run.log;
}

class SingleSetupTest : public ::testing::Test {
 protected:
  SavedKey company_{HKEY_LOCAL_MACHINE, "Software\\Cordane"};
  SetupRun first_;

  HWND StartFirstWizard() {
    if (!first_.Start("/SILENT")) return nullptr;
    HWND main = first_.WaitForMainWindow();
    EXPECT_NE(main, nullptr) << "the first setup showed no wizard; log:\n" << first_.Log();
    return main;
  }
};

TEST_F(SingleSetupTest, WhileTheWizardOfAnotherIsOpenOnlyCommandsRun) {
  HWND main = StartFirstWizard();
  ASSERT_NE(main, nullptr);
  // Without "/SILENT" the install question would come first if the check
  // came later.
  for (const char* arguments : {"", "/SILENT", "/UNINSTALL"})
    ExpectRefusedWithTheBox(RunSecond(arguments), arguments);
  for (const char* arguments : {"/UNATTENDED", "/UNINSTALL /UNATTENDED"})
    ExpectRefusedInTheLog(RunSecond(arguments), arguments);

  // A command that changes nothing takes no part.
  const SecondRun help = RunSecond("/HELP");
  EXPECT_EQ(help.exit_code, std::optional<DWORD>(setup::kExitOk)) << help.log;
  EXPECT_TRUE(help.boxes.empty()) << Described(help.boxes);

  // The first setup goes on as before.
  EXPECT_TRUE(first_.process().IsRunning());
  EXPECT_TRUE(WaitForPage(main, "WelcomePanel"));
  EXPECT_EQ(first_.Log().find("another setup is running"), std::string::npos) << first_.Log();
}

TEST_F(SingleSetupTest, OnceTheFirstHasEndedTheNextRuns) {
  HWND main = StartFirstWizard();
  ASSERT_NE(main, nullptr);
  ExpectRefusedWithTheBox(RunSecond("/SILENT"), "/SILENT");

  // The administrator cancels the first setup.
  driver::Click(first_.Control(main, "CloseButton"));
  HWND question = driver::WaitForMessageBox(first_.process().id());
  ASSERT_NE(question, nullptr) << "no question to the cancel; log:\n" << first_.Log();
  driver::AnswerMessageBox(question, IDYES);
  ASSERT_EQ(first_.process().WaitForExit(), std::optional<DWORD>(setup::kExitOk)) << first_.Log();
  SecondRun next = RunSecond("/SILENT");
  EXPECT_TRUE(next.wizard) << "the next setup showed no wizard; log:\n" << next.log;
  EXPECT_TRUE(next.boxes.empty()) << Described(next.boxes);

  // A setup that was ended from outside (killed) keeps nobody out either.
  ASSERT_NE(StartFirstWizard(), nullptr);
  ASSERT_TRUE(first_.process().Terminate());
  next = RunSecond("/SILENT");
  EXPECT_TRUE(next.wizard) << "the next setup showed no wizard after a killed one; log:\n" << next.log;
}

// An unattended installation of the sample distribution, held while its
// report is in flight (a mail server of the test's own holds the reply).
class SingleSetupWhileInstallingTest : public InstallTest {};

TEST_F(SingleSetupWhileInstallingTest, AnUnattendedInstallationKeepsTheOthersOut) {
  HoldingSmtpServer smtp;
  ASSERT_NE(smtp.port(), 0) << "no listener for the report";
  const std::string host = "127.0.0.1:" + std::to_string(smtp.port());
  ::SetEnvironmentVariableA("TARNO_REPORT_MAIL_HOST", host.c_str());
  const std::string answers = run_.dist() + "answers.ini";
  WriteFile(answers, "[Setup]\r\nDestination=" + install_ + "\r\n[User]\r\nName=Ann Admin\r\nEmail=ann@example.test\r\n");
  const std::string log = run_.dist() + "unattended.log";
  ASSERT_TRUE(run_.Start("/UNATTENDED /LOG=" + driver::Quote(log) + " /ANSWERS=" + driver::Quote(answers)));
  ASSERT_TRUE(smtp.WaitHeld(1, kInstallTimeout)) << "the report never came; log:\n" << ReadFile(log);

  // The first setup is in the middle of its installation.
  ExpectRefusedWithTheBox(RunSecond("/SILENT"), "/SILENT");
  ExpectRefusedInTheLog(RunSecond("/UNATTENDED /ANSWERS=" + driver::Quote(answers)), "/UNATTENDED");
  ExpectRefusedInTheLog(RunSecond("/UNINSTALL /UNATTENDED"), "/UNINSTALL /UNATTENDED");

  // Let the report and the demonstration message go: the first setup ends
  // as if nobody had knocked.
  smtp.Release();
  ASSERT_TRUE(smtp.WaitHeld(2, kInstallTimeout)) << "no demonstration message; log:\n" << ReadFile(log);
  smtp.Release();
  EXPECT_EQ(run_.process().WaitForExit(kInstallTimeout), std::optional<DWORD>(setup::kExitOk)) << ReadFile(log);
  EXPECT_TRUE(win32::test_files::Exists(install_ + "smtp.exe"));
  EXPECT_EQ(ReadFile(log).find("another setup is running"), std::string::npos) << ReadFile(log);

  SecondRun next = RunSecond("/SILENT");
  EXPECT_TRUE(next.wizard) << "no wizard after the installation ended; log:\n" << next.log;
  EXPECT_TRUE(next.boxes.empty()) << Described(next.boxes);
}

}  // namespace
}  // namespace e2e
