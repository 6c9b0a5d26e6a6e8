#include "engine/install_plan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace engine {
namespace {

const setup::SetupMessages kMessages;

PlanRoots Roots() {
  PlanRoots roots;
  roots.install = "C:\\Tarno\\";
  roots.staging = "C:\\Temp\\tarnoinstall\\";
  roots.program = "D:\\dist\\";
  roots.windows = "C:\\Windows\\";
  roots.program_group = "C:\\Users\\All\\Programs\\Tarno Mail Server\\";
  roots.setup_version = "8.3.8";
  return roots;
}

InstallDetection NewMachine() { return InstallDetection{}; }

InstallDetection Installed(const std::string& version) {
  InstallDetection d;
  d.previous_version = version;
  d.edition_selectable = false;
  d.previous_older_than_827 = !version.empty() && PreviousVersionBelow(version, kAntivirusReplacedBelow);
  d.config_present = d.spam_present = d.spam_rules_present = d.calendar_present = d.antivirus_present = true;
  return d;
}

InstallRequest Request() {
  InstallRequest r;
  r.install_folder = "C:\\Tarno\\";
  r.edition = 1;
  r.program_file = "setup.exe";
  return r;
}

DistributionContents FullDistribution() { return {true, true, true, true, true}; }

// The whole plan as the dry run would log it, one line each.
std::vector<std::string> Lines(const std::vector<PlanStep>& steps) {
  std::vector<std::string> lines;
  for (const PlanStep& step : steps)
    for (std::string& line : DescribePlanStep(step, Roots(), kMessages)) lines.push_back(std::move(line));
  return lines;
}

bool HasLine(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

size_t IndexOf(const std::vector<std::string>& lines, const std::string& line) {
  return static_cast<size_t>(std::find(lines.begin(), lines.end(), line) - lines.begin());
}

std::vector<StepKind> Kinds(const std::vector<PlanStep>& steps) {
  std::vector<StepKind> kinds;
  for (const PlanStep& s : steps) kinds.push_back(s.kind);
  return kinds;
}

size_t Count(const std::vector<PlanStep>& steps, StepKind kind) {
  return static_cast<size_t>(std::count_if(steps.begin(), steps.end(), [&](const PlanStep& s) { return s.kind == kind; }));
}

std::string Dump(const std::vector<std::string>& lines) {
  std::string all;
  for (const std::string& line : lines) all += line + "\n";
  return all;
}

// A new installation: every step of the sequence in its order, the progress
// bar advanced twelve times, the demo configuration, the edition stored, the
// report with the demonstration message, no gate of an upgrade.
TEST(InstallPlanTest, NewInstallationRunsEveryStepInItsOrder) {
  const InstallPlan plan = PlanInstallation(NewMachine(), Request(), FullDistribution(), kMessages);
  EXPECT_TRUE(plan.new_installation);
  EXPECT_TRUE(plan.web_mail_installed);
  EXPECT_EQ(Count(plan.steps, StepKind::kProgressStep), static_cast<size_t>(kInstallProgressSteps));
  int expected = 0;
  for (const PlanStep& s : plan.steps)
    if (s.kind == StepKind::kProgressStep) {
      EXPECT_EQ(s.number, ++expected);
    }

  // The order of the sequence's own steps.
  std::vector<StepKind> sequence;
  for (StepKind k : Kinds(plan.steps))
    if (k == StepKind::kConvertRegistry || k == StepKind::kWriteComponentFlags || k == StepKind::kCheckContainers ||
        k == StepKind::kStopServers || k == StepKind::kExtractSetupData || k == StepKind::kCreateInstallDirectory ||
        k == StepKind::kPrepareDemoConfiguration || k == StepKind::kStoreEditionChoice ||
        k == StepKind::kCreateIconsAndUninstallEntry || k == StepKind::kInstallAndStartServices ||
        k == StepKind::kRemoveStaging || k == StepKind::kWaitBeforeReport || k == StepKind::kSendReport ||
        k == StepKind::kCheckServicesStarted)
      sequence.push_back(k);
  const std::vector<StepKind> want = {
      StepKind::kConvertRegistry,       StepKind::kWriteComponentFlags,   StepKind::kCheckContainers,
      StepKind::kStopServers,           StepKind::kExtractSetupData,      StepKind::kCreateInstallDirectory,
      StepKind::kPrepareDemoConfiguration, StepKind::kStoreEditionChoice, StepKind::kCreateIconsAndUninstallEntry,
      StepKind::kInstallAndStartServices, StepKind::kRemoveStaging,      StepKind::kWaitBeforeReport,
      StepKind::kSendReport,            StepKind::kCheckServicesStarted};
  EXPECT_EQ(sequence, want);

  for (StepKind absent : {StepKind::kRememberStartTypes, StepKind::kRestoreStartTypes, StepKind::kServerCommand,
                          StepKind::kNoteUpgradingFrom, StepKind::kClearUpgradingFrom, StepKind::kSaveServerConfig,
                          StepKind::kUpdateWebServerConfig, StepKind::kWarnOldWebMail, StepKind::kDeleteMatching})
    EXPECT_EQ(Count(plan.steps, absent), 0u) << "step kind " << static_cast<int>(absent);

  const std::vector<std::string> lines = Lines(plan.steps);
  for (const std::string& line : lines)
    if (line.rfind("delete tree C:\\Tarno\\", 0) == 0) {
      EXPECT_EQ(line, "delete tree C:\\Tarno\\webmail\\projects\\") << "a new installation removes nothing else";
    }
  // The report is sent once the bar has reached 11 and before it reaches 12.
  EXPECT_LT(IndexOf(lines, "progress step 11 of 12"), IndexOf(lines, "send the installation report and the demonstration message"));
  EXPECT_LT(IndexOf(lines, "send the installation report and the demonstration message"), IndexOf(lines, "progress step 12 of 12"));
  EXPECT_TRUE(HasLine(lines, "store in C:\\Tarno\\config\\ the edition Professional and the console advanced.xml"))
      << Dump(lines);
  EXPECT_TRUE(HasLine(lines, "unpack C:\\Temp\\tarnoinstall\\demo.dat into C:\\Tarno\\config\\ (optional)"));
  EXPECT_TRUE(HasLine(lines, "unpack D:\\dist\\tarno.mcb into C:\\Tarno\\config\\ (optional)"));
  EXPECT_TRUE(HasLine(lines, "registry value NoInstallIM = 0 under the product key"));
  EXPECT_TRUE(HasLine(lines, "uninstall entry UninstallString = \"C:\\Tarno\\setup.exe\" /UNINSTALL")) << Dump(lines);
  EXPECT_TRUE(HasLine(lines, "place tree C:\\Tarno\\spam\\ from C:\\Temp\\tarnoinstall\\spam\\"));
  EXPECT_TRUE(HasLine(lines, "place tree C:\\Tarno\\calendar\\ from C:\\Temp\\tarnoinstall\\calendar\\"));
  EXPECT_TRUE(HasLine(lines, "data source CordaneCalendar for C:\\Tarno\\calendar\\calendar.mdb (when there is none "
                             "of that name)"));
  // Nine links: the five of the fixed table, the uninstall link, the web
  // mail manual and the two web links.
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("link ", 0) == 0; }),
            9)
      << Dump(lines);
  // Five services on a new machine with every component.
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("service ", 0) == 0; }),
            5);
}

// The containers checked before anything is stopped are exactly those the
// run unpacks later, in the same order.
TEST(InstallPlanTest, TheContainersCheckedAreTheOnesTheRunUnpacks) {
  for (bool no_av : {false, true})
    for (bool no_web : {false, true})
      for (DistributionContents dist : {FullDistribution(), DistributionContents{}}) {
        InstallRequest request = Request();
        request.excluded.anti_virus = no_av;
        request.excluded.web_mail = no_web;
        const InstallPlan plan = PlanInstallation(NewMachine(), request, dist, kMessages);
        std::vector<std::string> unpacked;
        std::vector<std::string> checked;
        for (const PlanStep& s : plan.steps) {
          if (s.kind == StepKind::kCheckContainers) checked = s.containers;
          if ((s.kind == StepKind::kExtractContainer || s.kind == StepKind::kExtractSetupData) &&
              s.source.root == PlanRoot::kProgram && s.source.relative != "tarno.mcb")
            unpacked.push_back(s.source.relative);
        }
        EXPECT_EQ(checked, unpacked) << "no_av " << no_av << " no_web " << no_web;
        EXPECT_EQ(checked.front(), "setup.Dat");
      }
}

// Each component left out: its container is neither checked nor unpacked,
// its files are removed from an earlier installation, its service is not
// set up, and its flag is written as set.
TEST(InstallPlanTest, EachComponentLeftOut) {
  struct Case {
    const char* name;
    bool ComponentExclusions::*flag;
    const char* flag_value;
    const char* removed;
    const char* absent;
  } cases[] = {
      {"instant messaging", &ComponentExclusions::instant_messaging, "NoInstallIM", "delete file C:\\Tarno\\im.exe",
       "service TarnoIM"},
      {"groupware", &ComponentExclusions::groupware, "NoInstallCalendar", "delete file C:\\Tarno\\cal.exe",
       "service TarnoCalendar"},
      {"web mail", &ComponentExclusions::web_mail, "NoInstallWebMail", "delete tree C:\\Tarno\\html\\mail\\",
       "unpack D:\\dist\\setupweb.dat"},
      {"antivirus", &ComponentExclusions::anti_virus, "NoInstallAV", "delete tree C:\\Tarno\\avast\\",
       "unpack D:\\dist\\setupav.dat"},
      {"anti-spam", &ComponentExclusions::anti_spam, "NoInstallIAS", "delete tree C:\\Tarno\\spam\\", nullptr},
  };
  for (const Case& c : cases) {
    InstallRequest request = Request();
    request.excluded.*c.flag = true;
    const std::vector<std::string> lines =
        Lines(PlanInstallation(Installed("8.2.7"), request, FullDistribution(), kMessages).steps);
    EXPECT_TRUE(HasLine(lines, std::string("registry value ") + c.flag_value + " = 1 under the product key")) << c.name;
    EXPECT_TRUE(HasLine(lines, c.removed)) << c.name << "\n" << Dump(lines);
    // Nothing else is removed as a deselected component.
    for (const Case& other : cases)
      if (&other != &c) {
        EXPECT_FALSE(HasLine(lines, other.removed)) << c.name << " removes " << other.removed;
      }
    if (c.absent != nullptr) {
      EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                              [&](const std::string& l) { return l.rfind(c.absent, 0) == 0; }),
                0)
          << c.name;
    }
    // The removal comes after the links and before the services.
    EXPECT_LT(IndexOf(lines, "uninstall entry QuietUninstallString = \"C:\\Tarno\\setup.exe\" /UNINSTALL /UNATTENDED"),
              IndexOf(lines, c.removed));
    EXPECT_LT(IndexOf(lines, c.removed), IndexOf(lines, "register COM server C:\\Tarno\\api.dll"));
  }
  InstallRequest no_web = Request();
  no_web.excluded.web_mail = true;
  const InstallPlan plan = PlanInstallation(NewMachine(), no_web, FullDistribution(), kMessages);
  EXPECT_FALSE(plan.web_mail_installed);
  EXPECT_EQ(Count(plan.steps, StepKind::kWriteEmptyFile), 0u) << "control.exe.local belongs to web mail";
}

// The upgrade gates: from each version the commands of every row below
// which it lies, in table order, after the start types were put back; the
// web server configuration below 7.7.3; the antivirus engine replaced whole
// below 8.2.7; the note of the version it started from around the commands.
TEST(InstallPlanTest, UpgradesFromEachGatedVersion) {
  struct Gate {
    const char* from;
    size_t commands;
    bool web_server_update;
    bool engine_replaced;
  } gates[] = {
      {"7.1.2", 12, true, true},  {"7.1.3", 9, true, true},  {"7.4.6", 7, true, true},  {"7.4.7", 5, true, true},
      {"7.6.1", 4, true, true},   {"7.6.3", 3, true, true},  {"7.7.2", 2, true, true},  {"7.7.3", 2, false, true},
      {"8.2.6", 2, false, true},  {"8.2.7", 2, false, false}, {"8.2.10", 1, false, false}, {"8.2.12", 1, false, false},
      {"8.2.13", 0, false, false}, {"8.3.8", 0, false, false},
  };
  for (const Gate& g : gates) {
    const InstallPlan plan = PlanInstallation(Installed(g.from), Request(), FullDistribution(), kMessages);
    EXPECT_FALSE(plan.new_installation) << g.from;
    std::vector<ServerCommandCall> sent;
    for (const PlanStep& s : plan.steps)
      if (s.kind == StepKind::kServerCommand) sent.push_back(s.command);
    EXPECT_EQ(sent, UpgradeCommandsFor(g.from)) << g.from;
    EXPECT_EQ(sent.size(), g.commands) << g.from;
    EXPECT_EQ(Count(plan.steps, StepKind::kUpdateWebServerConfig), g.web_server_update ? 1u : 0u) << g.from;
    const std::vector<std::string> lines = Lines(plan.steps);
    EXPECT_EQ(HasLine(lines, "delete tree C:\\Tarno\\avast\\"), g.engine_replaced) << g.from;
    if (g.engine_replaced) {
      EXPECT_LT(IndexOf(lines, "unpack D:\\dist\\setupav.dat into C:\\Temp\\tarnoinstall\\avast\\ (a failure ends the "
                               "installation)"),
                IndexOf(lines, "delete tree C:\\Tarno\\avast\\"))
          << g.from;
    }

    // Upgrades keep the edition and the configuration: no demo, no edition
    // stored; the start types are remembered first and put back before the
    // commands; the note is written before the new version is registered
    // and cleared after the last command.
    EXPECT_EQ(Count(plan.steps, StepKind::kPrepareDemoConfiguration), 0u);
    EXPECT_EQ(Count(plan.steps, StepKind::kStoreEditionChoice), 0u);
    const std::vector<StepKind> kinds = Kinds(plan.steps);
    auto at = [&](StepKind k) { return std::find(kinds.begin(), kinds.end(), k) - kinds.begin(); };
    auto last = [&](StepKind k) { return kinds.rend() - std::find(kinds.rbegin(), kinds.rend(), k) - 1; };
    EXPECT_LT(at(StepKind::kCheckContainers), at(StepKind::kRememberStartTypes));
    EXPECT_LT(at(StepKind::kRememberStartTypes), at(StepKind::kStopServers));
    EXPECT_LT(at(StepKind::kNoteUpgradingFrom), at(StepKind::kCreateIconsAndUninstallEntry));
    EXPECT_LT(at(StepKind::kCheckServicesStarted), at(StepKind::kRestoreStartTypes));
    if (!sent.empty()) {
      EXPECT_LT(at(StepKind::kRestoreStartTypes), at(StepKind::kServerCommand));
      EXPECT_LT(last(StepKind::kServerCommand), at(StepKind::kClearUpgradingFrom));
    }
    EXPECT_TRUE(HasLine(lines, std::string("registry value UpgradingFrom = ") + g.from +
                                   " under the product key (until the commands went out)"));
  }
  // An installation without services keeps its start types.
  InstallDetection not_nt = Installed("8.2.6");
  not_nt.nt_family = false;
  const InstallPlan plan = PlanInstallation(not_nt, Request(), FullDistribution(), kMessages);
  EXPECT_EQ(Count(plan.steps, StepKind::kRememberStartTypes), 0u);
  EXPECT_EQ(Count(plan.steps, StepKind::kRestoreStartTypes), 0u);
}

// An upgrade keeps the administrator's data: existing spam and calendar
// trees are not placed again, only their rules, holidays and documentation;
// the single files of the administrator are placed only when missing.
TEST(InstallPlanTest, UpgradeKeepsTheAdministratorsFiles) {
  const std::vector<std::string> lines =
      Lines(PlanInstallation(Installed("8.2.6"), Request(), FullDistribution(), kMessages).steps);
  EXPECT_FALSE(HasLine(lines, "place tree C:\\Tarno\\spam\\ from C:\\Temp\\tarnoinstall\\spam\\"));
  EXPECT_FALSE(HasLine(lines, "place tree C:\\Tarno\\calendar\\ from C:\\Temp\\tarnoinstall\\calendar\\"));
  for (const char* line : {"delete C:\\Tarno\\spam\\rules\\1*.*", "delete C:\\Tarno\\spam\\rules\\6*.*",
                           "delete file C:\\Temp\\tarnoinstall\\spam\\rules\\local.cf",
                           "place tree C:\\Tarno\\spam\\rules\\ from C:\\Temp\\tarnoinstall\\spam\\rules\\",
                           "place tree C:\\Tarno\\calendar\\holidays\\ from C:\\Temp\\tarnoinstall\\calendar\\holidays\\",
                           "place file C:\\Tarno\\calendar\\calendar.xml from C:\\Temp\\tarnoinstall\\calendar\\calendar.xml "
                           "(replaced; optional)",
                           "place file C:\\Tarno\\config\\cert.pem from C:\\Temp\\tarnoinstall\\cert.pem (only when "
                           "missing; optional)",
                           "place file C:\\Tarno\\webmail\\config\\users.dat from "
                           "C:\\Temp\\tarnoinstall\\webmail\\config\\users.dat (only when missing; a failure ends the "
                           "installation)",
                           "write file C:\\Tarno\\config\\webserver.dat from the template "
                           "C:\\Temp\\tarnoinstall\\webserver.dat (only when missing)"})
    EXPECT_TRUE(HasLine(lines, line)) << line << "\n" << Dump(lines);
  EXPECT_FALSE(HasLine(lines, "unpack D:\\dist\\tarno.mcb into C:\\Tarno\\config\\ (optional)"))
      << "tarno.mcb is for new installations";
  // The rule files go before the rules are placed, the staged local.cf too.
  EXPECT_LT(IndexOf(lines, "delete file C:\\Temp\\tarnoinstall\\spam\\rules\\local.cf"),
            IndexOf(lines, "place tree C:\\Tarno\\spam\\rules\\ from C:\\Temp\\tarnoinstall\\spam\\rules\\"));
}

// The LDAP tree keeps its configuration, schema and database files; PHP's
// settings go to the Windows directory.
TEST(InstallPlanTest, LdapKeepListAndPhp) {
  const InstallPlan plan = PlanInstallation(Installed("8.2.6"), Request(), FullDistribution(), kMessages);
  const auto ldap = std::find_if(plan.steps.begin(), plan.steps.end(), [](const PlanStep& s) {
    return s.kind == StepKind::kExtractContainer && s.source.relative == "setupldap.dat";
  });
  ASSERT_NE(ldap, plan.steps.end());
  EXPECT_FALSE(ldap->overwrite_all);
  EXPECT_FALSE(ldap->required);
  EXPECT_EQ(ldap->keep_list, kLdapKeepList);
  EXPECT_EQ(ldap->target, (PlanPath{PlanRoot::kInstall, "ldap\\"}));
  for (const char* kept : {";slapd.conf;", ";schema\\core.schema;", ";ldbm\\id2entry.dbb;"})
    EXPECT_NE(ldap->keep_list.find(kept), std::string::npos) << kept;
  const std::vector<std::string> lines = Lines(plan.steps);
  EXPECT_TRUE(HasLine(lines, "write file C:\\Windows\\wmi.ini from the template C:\\Tarno\\php\\wmi.ini"));
  // Without the optional containers nothing of them is planned.
  const std::vector<std::string> bare = Lines(PlanInstallation(Installed("8.2.6"), Request(), {}, kMessages).steps);
  for (const std::string& line : bare) {
    EXPECT_EQ(line.find("setupldap.dat"), std::string::npos) << line;
    EXPECT_EQ(line.find("php"), std::string::npos) << line;
    EXPECT_EQ(line.find("setupav.dat"), std::string::npos) << line;
    EXPECT_EQ(line.find("other.dat"), std::string::npos) << line;
  }
}

// The edition told from the installed libraries is saved once setup.Dat is
// unpacked; a separate old web mail gets its warning at the very end.
TEST(InstallPlanTest, EditionRedetectionAndOldWebMail) {
  InstallDetection d = Installed("3.9.1");
  d.edition_redetected = true;
  d.old_web_mail_detected = true;
  const InstallPlan plan = PlanInstallation(d, Request(), FullDistribution(), kMessages);
  const std::vector<StepKind> kinds = Kinds(plan.steps);
  const auto save = std::find(kinds.begin(), kinds.end(), StepKind::kSaveServerConfig);
  ASSERT_NE(save, kinds.end());
  EXPECT_EQ(*(save - 1), StepKind::kExtractSetupData);
  EXPECT_EQ(*(save + 1), StepKind::kProgressStep);
  EXPECT_EQ(kinds.back(), StepKind::kWarnOldWebMail);
  EXPECT_EQ(plan.steps.back().name, kMessages.cSetupRequireWebMail);
  EXPECT_EQ(Count(PlanInstallation(Installed("8.2.6"), Request(), FullDistribution(), kMessages).steps,
                  StepKind::kWarnOldWebMail),
            0u);
}

// A new installation without a chosen edition keeps the stored one; Basic
// is stored as its file name.
TEST(InstallPlanTest, EditionChoiceOnANewInstallation) {
  InstallRequest request = Request();
  request.edition.reset();
  request.basic_console = true;
  const std::vector<std::string> lines =
      Lines(PlanInstallation(NewMachine(), request, FullDistribution(), kMessages).steps);
  EXPECT_TRUE(HasLine(lines, "store in C:\\Tarno\\config\\ the edition (kept) and the console basic.xml")) << Dump(lines);
}

// The uninstall removes every program file the installation can place, from
// the same lists, the component programs included, and keeps the
// administrator's data folders.
TEST(InstallPlanTest, UninstallRemovesWhatTheInstallationPlaces) {
  const std::vector<PlanStep> uninstall = PlanUninstall();
  std::set<std::string> deleted_files;
  std::vector<std::string> deleted_trees;
  for (const PlanStep& s : uninstall) {
    if (s.kind == StepKind::kDeleteFile) deleted_files.insert(s.target.relative);
    if (s.kind == StepKind::kDeleteTree) deleted_trees.push_back(s.target.relative);
    EXPECT_EQ(s.target.root, PlanRoot::kInstall);
  }
  InstallDetection d = NewMachine();
  const std::vector<PlanStep> files = PlanFileStage(d, Request(), FullDistribution(), kMessages);
  for (const PlanStep& s : files)
    if (s.kind == StepKind::kPlaceFile && s.target == PlanPath{PlanRoot::kInstall, ""}) {
      EXPECT_TRUE(deleted_files.count(s.name)) << s.name << " is installed and never removed";
    }
  EXPECT_TRUE(deleted_files.count("im.exe"));
  EXPECT_FALSE(deleted_files.count("setup.exe")) << "the setup program stays";
  const std::vector<std::string> want_trees = {"help\\", "wizards\\", "modules\\", "spam\\",    "html\\", "api\\",
                                               "tutorial\\", "examples\\", "xml\\", "php\\", "avast\\"};
  EXPECT_EQ(deleted_trees, want_trees);
  for (const std::string& tree : deleted_trees)
    for (const char* kept : {"config\\", "mail\\", "logs\\", "calendar\\", "ldap\\", "webmail\\"})
      EXPECT_NE(tree, kept);
  const std::vector<StepKind> kinds = Kinds(uninstall);
  const std::vector<StepKind> head(kinds.begin(), kinds.begin() + 5);
  EXPECT_EQ(head, (std::vector<StepKind>{StepKind::kStopServers, StepKind::kPauseAfterStop, StepKind::kDeleteServices,
                                        StepKind::kDeleteProgramGroup, StepKind::kDeleteUninstallEntry}));
}

// Every kind of step has a description, and a step's description names the
// absolute paths of its roots.
TEST(InstallPlanTest, EveryStepIsDescribed) {
  InstallDetection d = Installed("7.1.2");
  d.edition_redetected = d.old_web_mail_detected = true;
  InstallPlan plan = PlanInstallation(d, Request(), FullDistribution(), kMessages);
  const InstallPlan fresh = PlanInstallation(NewMachine(), Request(), FullDistribution(), kMessages);
  plan.steps.insert(plan.steps.end(), fresh.steps.begin(), fresh.steps.end());
  const std::vector<PlanStep> uninstall = PlanUninstall();
  plan.steps.insert(plan.steps.end(), uninstall.begin(), uninstall.end());
  std::set<StepKind> seen;
  for (const PlanStep& s : plan.steps) {
    seen.insert(s.kind);
    const std::vector<std::string> lines = DescribePlanStep(s, Roots(), kMessages);
    EXPECT_FALSE(lines.empty()) << "step kind " << static_cast<int>(s.kind);
    for (const std::string& line : lines) {
      EXPECT_FALSE(line.empty());
      EXPECT_EQ(line.find('\n'), std::string::npos) << line;
    }
  }
  EXPECT_EQ(seen.size(), static_cast<size_t>(StepKind::kUninstallAvEngine) + 1) << "a kind no plan uses";
  EXPECT_EQ(ResolvePlanPath({PlanRoot::kWindows, "wmi.ini"}, Roots()), "C:\\Windows\\wmi.ini");
}

}  // namespace
}  // namespace engine
