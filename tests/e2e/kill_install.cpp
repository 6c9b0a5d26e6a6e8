// The kill test's driver (bench/kill-install.sh runs it, one point per
// process): an upgrade over a seeded installation whose servers run is
// started through the wizard, the setup process is killed at a point of the
// installation, then the setup is run again to its finish page. The second
// run must complete, the administrator's files must be byte for byte as
// before, the servers must be as after an uninterrupted upgrade and the
// version-gated commands of the upgrade must have reached the SMTP server once.
//
//   kill_install --gtest_filter=*   with the environment
//     TARNO_KILL_POINT  0: no kill, the run's duration is measured and printed;
//                       1..N: kill after (point - 0.5) / N of that duration
//     TARNO_KILL_POINTS N (default 20)
//     TARNO_KILL_RUN_MS the measured duration (required for points above 0)
// Prints one "kill-point ..." line with what was found.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "install_fixture.h"

namespace e2e {
namespace {

int EnvInt(const char* name, int fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? std::atoi(value) : fallback;
}

using Clock = std::chrono::steady_clock;

// What the SMTP server receives on an upgrade from 8.2.6, each command once.
constexpr const char* kUpgradeCommands = "pipe 4096 1280 2 9 0\r\npipe 4096 1280 2 10 0\r\n";

class KillInstallTest : public SeededInstallationTest {
 protected:
  // What differs from an uninterrupted upgrade: four servers running and
  // automatic, the POP3 service disabled as the administrator had it.
  std::string ServersAfterTheUpgrade() {
    std::string differences;
    for (const char* name : {"TarnoSMTP", "TarnoControl", "TarnoIM", "TarnoCalendar"}) {
      if (!WaitForState(name, SERVICE_RUNNING)) differences += std::string(" ") + name + " not running;";
      if (StartType(name) != SERVICE_AUTO_START) differences += std::string(" ") + name + " not automatic;";
    }
    if (StartType("TarnoPOP3") != SERVICE_DISABLED) differences += " TarnoPOP3 no longer disabled;";
    return differences;
  }

  // Clicks Install; waits for the finish page or, when `kill_after_ms` is not
  // negative, kills the setup that long after the click. Answers what the
  // progress bar showed when the run ended, and the milliseconds it took.
  std::pair<int, long> InstallOrKill(long kill_after_ms, bool& killed) {
    driver::SetText(Control("PathEdit"), install_);
    const Clock::time_point start = Clock::now();
    driver::Click(Control("NextButton"));
    killed = false;
    int progress = 0;
    auto elapsed = [&] {
      return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
    };
    driver::WaitUntil(
        [&] {
          if (!run_.process().IsRunning()) return true;
          if (kill_after_ms >= 0 && elapsed() >= kill_after_ms) {
            run_.process().Terminate();
            killed = true;
            return true;
          }
          // The setup's window thread is busy while it installs: a bounded ask.
          DWORD_PTR position = 0;
          if (::SendMessageTimeoutA(Control("ProgressBar"), PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 100, &position))
            progress = static_cast<int>(position);
          HWND page = driver::FindControl(main_, "FinishedPanel");
          return page != nullptr && driver::IsVisible(page) && driver::IsEnabled(Control("NextButton"));
        },
        kInstallTimeout, driver::Milliseconds(20));
    return {progress, elapsed()};
  }
};

TEST_F(KillInstallTest, SecondRunCompletesAndKeepsTheAdministratorsData) {
  const int point = EnvInt("TARNO_KILL_POINT", 0);
  const int points = EnvInt("TARNO_KILL_POINTS", 20);
  const long run_ms = EnvInt("TARNO_KILL_RUN_MS", 0);
  ASSERT_TRUE(point == 0 || run_ms > 0) << "TARNO_KILL_RUN_MS is needed for a kill point";
  ASSERT_NO_FATAL_FAILURE(SeedInstallation("8.2.6"));
  const std::map<std::string, std::string> before = AdministratorFiles();

  ASSERT_NO_FATAL_FAILURE(WalkToDestination());
  const long kill_after = point == 0 ? -1 : static_cast<long>(run_ms * (point - 0.5) / points);
  bool killed = false;
  const auto [progress, took] = InstallOrKill(kill_after, killed);
  if (point == 0) {
    ASSERT_FALSE(killed);
    std::printf("kill-point 0: uninterrupted upgrade took %ld ms, progress %d\n", took, progress);
    EXPECT_EQ(AdministratorFiles(), before);
    EXPECT_EQ(ServersAfterTheUpgrade(), "");
    EXPECT_EQ(ReadFile(install_ + "smtp-commands.log"), kUpgradeCommands);
    return;
  }
  ASSERT_TRUE(killed) << "the setup finished after " << took << " ms, before the kill point (progress " << progress
                      << "); run the point again with a shorter TARNO_KILL_RUN_MS";
  ASSERT_TRUE(run_.process().WaitForExit(driver::Milliseconds(10000)).has_value());
  std::string services_after_kill;
  for (const char* name : kServices) {
    const std::optional<SERVICE_STATUS> status = ServiceStatus(name);
    services_after_kill += std::string(" ") + name + "=" +
                           (status ? (status->dwCurrentState == SERVICE_RUNNING ? "running" : "stopped") : "missing");
  }

  // The second run, through the whole wizard again.
  ASSERT_NO_FATAL_FAILURE(WalkToDestination());
  ASSERT_NO_FATAL_FAILURE(InstallInto(install_));
  const std::map<std::string, std::string> after = AdministratorFiles();
  std::string changed;
  for (const auto& [name, content] : before)
    if (after.at(name) != content) changed += " " + name;
  const std::string servers = ServersAfterTheUpgrade();
  const std::string commands = ReadFile(install_ + "smtp-commands.log");
  std::printf("kill-point %d/%d: killed at %ld ms (progress %d/12); after the kill:%s; second run completed; "
              "administrator's files %s; servers %s; upgrade commands %s\n",
              point, points, took, progress, services_after_kill.c_str(),
              changed.empty() ? "identical" : ("CHANGED:" + changed).c_str(),
              servers.empty() ? "as after an uninterrupted upgrade" : servers.c_str(),
              commands == kUpgradeCommands ? "sent once" : ("WRONG: \"" + commands + "\"").c_str());
  EXPECT_TRUE(changed.empty()) << "changed:" << changed;
  EXPECT_EQ(servers, "");
  EXPECT_EQ(commands, kUpgradeCommands) << "the SMTP server's commands of the upgrade from 8.2.6";
}

}  // namespace
}  // namespace e2e
