#include "setup/command_line.h"

#include <gtest/gtest.h>

namespace setup {
namespace {

using Args = std::vector<std::string>;

TEST(SplitCommandLineTest, SplitsAtBlanksAndGroupsQuotes) {
  EXPECT_EQ(SplitCommandLine("setup.exe"), (Args{"setup.exe"}));
  EXPECT_EQ(SplitCommandLine("\"C:\\Program Files\\Tarno\\setup.exe\" /UNINSTALL"),
            (Args{"C:\\Program Files\\Tarno\\setup.exe", "/UNINSTALL"}));
  EXPECT_EQ(SplitCommandLine("  a \t b  "), (Args{"a", "b"}));
  EXPECT_EQ(SplitCommandLine("x /InstallDir=\"C:\\My Mail\\\" y"),
            (Args{"x", "/InstallDir=C:\\My Mail\\", "y"}));
  EXPECT_EQ(SplitCommandLine("x \"\""), (Args{"x", ""}));
  EXPECT_EQ(SplitCommandLine(""), Args{});
}

TEST(ClassifyStartModeTest, OnlyTheFirstArgumentDecidesInAnyCase) {
  EXPECT_EQ(ClassifyStartMode({"setup.exe"}), StartMode::kWizard);
  EXPECT_EQ(ClassifyStartMode({"setup.exe", "/silent"}), StartMode::kSilentWizard);
  EXPECT_EQ(ClassifyStartMode({"setup.exe", "/Silent"}), StartMode::kSilentWizard);
  EXPECT_EQ(ClassifyStartMode({"setup.exe", "/SILENT", "/UNINSTALL"}), StartMode::kSilentWizard);
  EXPECT_EQ(ClassifyStartMode({"setup.exe", "/uninstall"}), StartMode::kUninstall);
  EXPECT_EQ(ClassifyStartMode({"setup.exe", "/WebMailLogon"}), StartMode::kWebMailLogon);
  EXPECT_EQ(ClassifyStartMode({"setup.exe", "/webadminlogon"}), StartMode::kWebAdminLogon);
  EXPECT_EQ(ClassifyStartMode({"setup.exe", "/HELP", "/SILENT"}), StartMode::kUnknown);
  EXPECT_EQ(ClassifyStartMode({"setup.exe", "-silent"}), StartMode::kUnknown);
  EXPECT_EQ(ClassifyStartMode({"setup.exe", "/SILENTX"}), StartMode::kUnknown);
  EXPECT_EQ(ClassifyStartMode({"setup.exe", ""}), StartMode::kUnknown);
}

TEST(InstallDirSwitchTest, AcceptsEachPrefixAnyCaseAnyPosition) {
  EXPECT_EQ(InstallDirSwitch({"s", "/UNINSTALL", "/InstallDir=C:\\Mail"}), "C:\\Mail\\");
  EXPECT_EQ(InstallDirSwitch({"s", "-installdir=C:\\Mail\\", "/UNINSTALL"}), "C:\\Mail\\");
  EXPECT_EQ(InstallDirSwitch({"s", "/x", "--INSTALLDIR=D:\\T"}), "D:\\T\\");
  EXPECT_EQ(InstallDirSwitch({"s", "//InstallDir=D:\\T"}), "D:\\T\\");
  EXPECT_EQ(InstallDirSwitch({"s", "/InstallDir=C:\\A", "/InstallDir=C:\\B"}), "C:\\A\\");
}

TEST(InstallDirSwitchTest, RejectsOtherForms) {
  EXPECT_EQ(InstallDirSwitch({"/InstallDir=C:\\ProgramItself"}), "");
  EXPECT_EQ(InstallDirSwitch({"s", "InstallDir=C:\\A"}), "");     // no slash or dash
  EXPECT_EQ(InstallDirSwitch({"s", "///InstallDir=C:\\A"}), "");  // three of them
  EXPECT_EQ(InstallDirSwitch({"s", "/InstallDir"}), "");          // no "="
  EXPECT_EQ(InstallDirSwitch({"s", "/InstallDirX=C:\\A"}), "");
  EXPECT_EQ(InstallDirSwitch({"s", "/InstallDir="}), "");
}

// The run switches leave the arguments in any position; what remains
// follows the rules of the first argument.
TEST(TakeRunSwitchesTest, TakesLogUnattendedAndAnswersFromAnyPosition) {
  RunSwitches s = TakeRunSwitches({"setup.exe", "/LOG=C:\\logs\\setup.log", "/UNINSTALL", "/unattended"});
  EXPECT_EQ(s.args, (Args{"setup.exe", "/UNINSTALL"}));
  EXPECT_EQ(s.log_file, "C:\\logs\\setup.log");
  EXPECT_TRUE(s.unattended);
  EXPECT_FALSE(s.answers_given);
  EXPECT_EQ(ClassifyStartMode(s.args), StartMode::kUninstall);

  s = TakeRunSwitches({"setup.exe", "/Unattended", "/answers=a b.ini", "/log=x.log", "/log=y.log"});
  EXPECT_EQ(s.args, Args{"setup.exe"});
  EXPECT_EQ(ClassifyStartMode(s.args), StartMode::kWizard);
  EXPECT_TRUE(s.answers_given);
  EXPECT_EQ(s.answers_file, "a b.ini");
  EXPECT_EQ(s.log_file, "y.log") << "the last one counts";

  s = TakeRunSwitches({"setup.exe", "/DryRun", "/UNATTENDED", "/ANSWERS=C:\\a.ini"});
  EXPECT_EQ(s.args, Args{"setup.exe"});
  EXPECT_TRUE(s.dry_run);
  EXPECT_TRUE(s.unattended);
  EXPECT_FALSE(TakeRunSwitches({"setup.exe", "/UNATTENDED"}).dry_run);

  s = TakeRunSwitches({"setup.exe", "/ANSWERS=", "/HELP"});
  EXPECT_TRUE(s.answers_given);
  EXPECT_EQ(s.answers_file, "");
  EXPECT_FALSE(s.unattended);
  EXPECT_EQ(ClassifyStartMode(s.args), StartMode::kUnknown);
}

TEST(TakeRunSwitchesTest, LeavesEverythingElse) {
  // Not the switches: no "=" or no value separator, another prefix, a longer name.
  const Args others = {"setup.exe", "/LOG", "-LOG=x", "LOG=x", "/LOGFILE=x", "/UNATTENDEDX", "/ANSWER=x", "/DRYRUNX", "-DRYRUN",
                       "/InstallDir=C:\\T\\"};
  RunSwitches s = TakeRunSwitches(others);
  EXPECT_EQ(s.args, others);
  EXPECT_EQ(s.log_file, "");
  EXPECT_FALSE(s.unattended);
  EXPECT_FALSE(s.answers_given);
  EXPECT_EQ(TakeRunSwitches({}).args, Args{});
}

}  // namespace
}  // namespace setup
