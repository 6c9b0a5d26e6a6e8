#include "platform/shortcut_plan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace platform {
namespace {

std::string Describe(const std::vector<PlannedShortcut>& plan) {
  std::string text;
  for (const PlannedShortcut& s : plan)
    text += "  " + s.link_file + " -> " + s.target + " [" + s.arguments + "] icon " + std::to_string(s.icon_index) +
            "\n";
  return text;
}

ShortcutPlanInput Input(bool web_mail, bool nt) {
  return {"C:\\Program Files\\Tarno\\", "setup.exe", "G:\\Group\\", web_mail, nt};
}

// On the NT family: the fixed five, the uninstall link, then the two web
// links, in this order, each with its own arguments and icon; nothing more.
TEST(ShortcutPlanTest, NtFamilyWithoutWebMail) {
  const setup::SetupMessages m;
  const auto plan = PlanShortcuts(Input(false, true), m);
  const std::vector<PlannedShortcut> expected = {
      {"C:\\Program Files\\Tarno\\config.exe", "G:\\Group\\Tarno Mail Server Administration.lnk", "", 0},
      {"C:\\Program Files\\Tarno\\readme.txt", "G:\\Group\\Tarno Mail Server Readme.lnk", "", 0},
      {"C:\\Program Files\\Tarno\\help\\manual.chm", "G:\\Group\\Tarno Mail Server Help.lnk", "", 0},
      {"C:\\Program Files\\Tarno\\dnsquery.exe", "G:\\Group\\DNS Query Tool.lnk", "", 0},
      {"C:\\Program Files\\Tarno\\tutorial\\index.html", "G:\\Group\\Tarno Mail Server Tutorial.lnk", "", 0},
      {"C:\\Program Files\\Tarno\\setup.exe", "G:\\Group\\Uninstall Tarno Mail Server.lnk", "/UNINSTALL", 1},
      {"C:\\Program Files\\Tarno\\setup.exe", "G:\\Group\\Tarno Mail Server Web Mail.lnk", "/WEBMAILLOGON", 2},
      {"C:\\Program Files\\Tarno\\setup.exe", "G:\\Group\\Tarno Mail Server Web Administration.lnk",
       "/WEBADMINLOGON", 2},
  };
  ASSERT_EQ(plan.size(), expected.size()) << Describe(plan);
  for (size_t i = 0; i < plan.size(); ++i) {
    EXPECT_EQ(plan[i].target, expected[i].target) << i;
    EXPECT_EQ(plan[i].link_file, expected[i].link_file) << i;
    EXPECT_EQ(plan[i].arguments, expected[i].arguments) << i;
    EXPECT_EQ(plan[i].icon_index, expected[i].icon_index) << i;
  }
}

// Web mail adds its manual after the uninstall link; outside the NT family
// the five server start links come before the web links, whatever was chosen.
TEST(ShortcutPlanTest, WebMailManualAndServerLinksTakeTheirPlaces) {
  setup::SetupMessages m;
  m.cWebMailManual = "Manual";
  m.cWebMailManualFile = "html\\manual.htm";
  m.TarnoGWLinkDesc = "Start GW";
  const auto plan = PlanShortcuts(Input(true, false), m);
  ASSERT_EQ(plan.size(), 14u) << Describe(plan);
  EXPECT_EQ(plan[6].link_file, "G:\\Group\\Manual.lnk");
  EXPECT_EQ(plan[6].target, "C:\\Program Files\\Tarno\\html\\manual.htm");
  const char* programs[] = {"smtp.exe", "pop3.exe", "control.exe", "im.exe", "cal.exe"};
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(plan[7 + i].target, std::string("C:\\Program Files\\Tarno\\") + programs[i]) << Describe(plan);
    EXPECT_EQ(plan[7 + i].arguments, "");
    EXPECT_EQ(plan[7 + i].icon_index, 0);
  }
  EXPECT_EQ(plan[7].link_file, "G:\\Group\\Start Tarno SMTP Service.lnk");
  EXPECT_EQ(plan[11].link_file, "G:\\Group\\Start GW.lnk");
  EXPECT_EQ(plan[12].arguments, "/WEBMAILLOGON");
  EXPECT_EQ(plan[13].arguments, "/WEBADMINLOGON");
}

// The group folder is deleted with its content on every installation: a
// name that would make it the programs folder itself, or a folder elsewhere,
// is never used.
TEST(ShortcutPlanTest, ProgramGroupNameNamesOneFolder) {
  EXPECT_EQ(ProgramGroupName("Tarno Serveur"), "Tarno Serveur");
  EXPECT_EQ(ProgramGroupName("Tarno 8.3"), "Tarno 8.3");
  for (const char* bad : {"", " ", ".", "..", ". .", "..\\..", "a\\b", "a/b", "C:", "\\"})
    EXPECT_EQ(ProgramGroupName(bad), "Tarno Mail Server") << "\"" << bad << "\"";
}

TEST(ShortcutPlanTest, UninstallCommandLineQuotesTheProgram) {
  EXPECT_EQ(UninstallCommandLine("C:\\Program Files\\Tarno\\", "setup.exe"),
            "\"C:\\Program Files\\Tarno\\setup.exe\" /UNINSTALL");
  EXPECT_EQ(QuietUninstallCommandLine("C:\\Program Files\\Tarno\\", "setup.exe"),
            "\"C:\\Program Files\\Tarno\\setup.exe\" /UNINSTALL /UNATTENDED");
}

}  // namespace
}  // namespace platform
