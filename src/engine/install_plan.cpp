#include "engine/install_plan.h"

#include "platform/service_table.h"
#include "platform/shortcut_plan.h"

namespace engine {
namespace {

std::string Str(std::string_view text) { return std::string(text); }

PlanPath Install(std::string relative = {}) { return {PlanRoot::kInstall, std::move(relative)}; }
PlanPath Staging(std::string relative = {}) { return {PlanRoot::kStaging, std::move(relative)}; }
PlanPath Program(std::string relative = {}) { return {PlanRoot::kProgram, std::move(relative)}; }

// Builds a list of steps in order; each helper appends one step.
class Steps {
 public:
  explicit Steps(std::vector<PlanStep>& steps) : steps_(steps) {}

  PlanStep& Add(StepKind kind) {
    PlanStep& step = steps_.emplace_back();
    step.kind = kind;
    return step;
  }
  void Text(const std::string& text) { Add(StepKind::kProgressText).name = text; }
  void Directory(PlanPath target) { Add(StepKind::kForceDirectory).target = std::move(target); }
  void CopyFile(std::string name, PlanPath from, PlanPath to, bool mandatory) {
    PlanStep& s = Add(StepKind::kCopyFile);
    s.name = std::move(name);
    s.source = std::move(from);
    s.target = std::move(to);
    s.mandatory = mandatory;
  }
  void PlaceFile(std::string name, PlanPath from, PlanPath to, bool mandatory, PlaceRule rule = PlaceRule::kAlways) {
    PlanStep& s = Add(StepKind::kPlaceFile);
    s.name = std::move(name);
    s.source = std::move(from);
    s.target = std::move(to);
    s.mandatory = mandatory;
    s.rule = rule;
  }
  // The tree `relative` of `from` into the same place under `to`.
  void PlaceTree(std::string relative, PlanPath from = Staging(), PlanPath to = Install()) {
    PlanStep& s = Add(StepKind::kPlaceTree);
    s.name = std::move(relative);
    s.source = std::move(from);
    s.target = std::move(to);
    s.mandatory = true;
  }
  void Extract(PlanPath container, PlanPath to, bool required, const char* keep_list = nullptr) {
    PlanStep& s = Add(StepKind::kExtractContainer);
    s.source = std::move(container);
    s.target = std::move(to);
    s.required = required;
    if (keep_list != nullptr) {
      s.overwrite_all = false;
      s.keep_list = keep_list;
    }
  }
  // `source` (a file) expanded into `to`, when `to` + its name is missing
  // (kWhenMissing) or always.
  void Template(PlanPath source, PlanPath to, PlaceRule rule) {
    PlanStep& s = Add(StepKind::kCopyTemplate);
    s.source = std::move(source);
    s.target = std::move(to);
    s.rule = rule;
  }
  void DeleteFile(PlanPath target) { Add(StepKind::kDeleteFile).target = std::move(target); }
  void DeleteTree(PlanPath target) { Add(StepKind::kDeleteTree).target = std::move(target); }
  void DataSource(const char* name, PlanPath database) {
    PlanStep& s = Add(StepKind::kCreateDataSource);
    s.name = name;
    s.target = std::move(database);
  }
  void Progress() { Add(StepKind::kProgressStep).number = ++progress_steps_; }

 private:
  std::vector<PlanStep>& steps_;
  int progress_steps_ = 0;
};

void PlanSpamTrees(Steps& add, const InstallDetection& d) {
  const bool spam_new = !d.spam_present;
  if (spam_new) add.PlaceTree("spam\\");
  add.PlaceFile("challenge.mdb", Staging("spam\\"), Install("spam\\"), true, PlaceRule::kWhenMissing);
  add.DataSource(kSpamChallengeDsn, Install("spam\\challenge.mdb"));
  if (spam_new) {
    // The whole staged tree was placed a moment ago: replacing its rules 1
    // to 6 by the same files would change nothing on disk, so only the texts
    // of that second copy are shown ("local.cf" is not copied again).
    PlanStep& s = add.Add(StepKind::kAnnounceTree);
    s.target = Install();
    s.source = Install("spam\\rules\\");
    s.name = "local.cf";
    return;
  }
  if (d.spam_rules_present) {
    for (std::string_view mask : kReplacedSpamRuleMasks) {
      PlanStep& s = add.Add(StepKind::kDeleteMatching);
      s.target = Install("spam\\rules\\");
      s.name = Str(mask);
    }
    // The administrator's own rules stay.
    add.DeleteFile(Staging("spam\\rules\\local.cf"));
  }
  add.PlaceTree("spam\\rules\\");
}

void PlanCalendarTrees(Steps& add, const InstallDetection& d) {
  if (d.calendar_present) {
    add.PlaceFile("calendar.xml", Staging("calendar\\"), Install("calendar\\"), false);
    add.PlaceTree("calendar\\holidays\\");
    add.PlaceTree("calendar\\doc\\");
  } else {
    add.PlaceTree("calendar\\");
  }
  add.PlaceFile("calendar.mdb", Staging("calendar\\"), Install("calendar\\"), true, PlaceRule::kWhenMissing);
  add.DataSource(kCalendarDsn, Install("calendar\\calendar.mdb"));
}

void PlanAntivirus(Steps& add, const InstallDetection& d, const setup::SetupMessages& m) {
  add.Text(m.cInstallingAV);
  add.Extract(Program("setupav.dat"), Staging("avast\\"), true);
  if (d.antivirus_present && d.previous_older_than_827) add.DeleteTree(Install("avast\\"));
  // The engine's own setup reports nothing the installation acts upon.
  add.Add(StepKind::kLoadAvSetupInterface).target = Staging("avast\\");
  add.Add(StepKind::kInstallAvEngine).target = Install("avast");
  add.Add(StepKind::kUnloadAvSetupInterface);
  add.Add(StepKind::kLoadAvSetupInterface).target = Install("avast\\setup\\");
  add.Add(StepKind::kUpdateAvEngineFiles);
  add.Add(StepKind::kUnloadAvSetupInterface);
  add.Add(StepKind::kRemoveExtractedTree).target = Staging("avast\\");
}

void AddComponentTrees(Steps& add, const InstallDetection& d, const InstallRequest& r,
                        const DistributionContents& dist, const setup::SetupMessages& m) {
  for (std::string_view tree : kSharedTrees) add.PlaceTree(Str(tree));
  PlanSpamTrees(add, d);
  PlanCalendarTrees(add, d);
  for (std::string_view tree : kDocumentTrees) add.PlaceTree(Str(tree));
  if (dist.antivirus && !r.excluded.anti_virus) PlanAntivirus(add, d, m);
}

void PlanWebMail(Steps& add, const setup::SetupMessages& m) {
  add.Text(m.cInstallingWeb);
  add.Add(StepKind::kWriteEmptyFile).target = Install("control.exe.local");
  add.Extract(Program("setupweb.dat"), Staging("webmail\\"), true);
  // The administrator's web mail settings and users are never replaced.
  add.Template(Staging("webmail\\settings.dat"), Install("webmail\\config\\"), PlaceRule::kWhenMissing);
  add.DeleteFile(Staging("webmail\\settings.dat"));
  add.Directory(Install("webmail\\config\\"));
  add.PlaceFile("users.dat", Staging("webmail\\config\\"), Install("webmail\\config\\"), true,
                PlaceRule::kWhenMissing);
  add.DeleteFile(Staging("webmail\\config\\users.dat"));
  add.PlaceTree("", Staging("webmail\\html\\"), Install("html\\mail\\"));
  add.DeleteTree(Staging("webmail\\html\\"));
  add.DeleteTree(Install("webmail\\projects\\"));
  add.PlaceTree("", Staging("webmail\\"), Install("webmail\\"));
  add.Add(StepKind::kRemoveExtractedTree).target = Staging("webmail\\");
}

void PlanFiles(Steps& add, const InstallDetection& d, const InstallRequest& r, const DistributionContents& dist,
               const setup::SetupMessages& m) {
  add.Add(StepKind::kCreateInstallDirectory).target = Install();
  add.Directory(Install("config\\"));
  add.Directory(Install("xml\\"));
  add.CopyFile("info.xml", Program(), Install("xml\\"), false);

  for (std::string_view name : kProgramFiles) add.PlaceFile(Str(name), Staging(), Install(), true);
  for (std::string_view name : kOptionalProgramFiles) add.PlaceFile(Str(name), Staging(), Install(), false);
  for (std::string_view name : kComponentProgramFiles)
    add.PlaceFile(Str(name), Staging(), Install(), true, PlaceRule::kWhenStaged);

  // An older layout kept some configuration files directly in INSTALL. Where
  // the configuration directory already holds one, the move fails and both
  // files stay.
  for (std::string_view name : kOldLayoutConfigFiles) {
    PlanStep& s = add.Add(StepKind::kMoveFile);
    s.source = Install(Str(name));
    s.target = Install("config\\" + Str(name));
  }
  // An existing certificate is never replaced.
  add.PlaceFile("cert.pem", Staging(), Install("config\\"), false, PlaceRule::kWhenMissing);

  AddComponentTrees(add, d, r, dist, m);

  for (std::string_view name : kCompanionDocuments) add.CopyFile(Str(name), Program(), Install(), true);
  add.Template(Staging("webserver.dat"), Install("config\\"), PlaceRule::kWhenMissing);
  add.CopyFile(r.program_file, Program(), Install(), true);

  if (dist.ldap) add.Extract(Program("setupldap.dat"), Install("ldap\\"), false, kLdapKeepList);
  if (dist.php) {
    add.Extract(Program("setupphp.dat"), Install("php\\"), false);
    add.Template(Install("php\\wmi.ini"), {PlanRoot::kWindows, ""}, PlaceRule::kAlways);
    add.DeleteFile(Install("php\\wmi.ini"));
  }
  if (!r.excluded.web_mail) PlanWebMail(add, m);
  if (dist.other) add.Extract(Program("other.dat"), Install(), false);
}

bool Upgrading(const InstallDetection& d) { return d.config_present && d.nt_family; }

}  // namespace

std::vector<std::string> ContainersOf(const InstallRequest& request, const DistributionContents& distribution) {
  std::vector<std::string> containers{"setup.Dat"};
  if (distribution.antivirus && !request.excluded.anti_virus) containers.push_back("setupav.dat");
  if (distribution.ldap) containers.push_back("setupldap.dat");
  if (distribution.php) containers.push_back("setupphp.dat");
  if (!request.excluded.web_mail) containers.push_back("setupweb.dat");
  if (distribution.other) containers.push_back("other.dat");
  return containers;
}

std::vector<PlanStep> PlanFileStage(const InstallDetection& detection, const InstallRequest& request,
                                    const DistributionContents& distribution, const setup::SetupMessages& messages) {
  std::vector<PlanStep> steps;
  Steps add(steps);
  PlanFiles(add, detection, request, distribution, messages);
  return steps;
}

std::vector<PlanStep> PlanComponentTrees(const InstallDetection& detection, const InstallRequest& request,
                                         const DistributionContents& distribution,
                                         const setup::SetupMessages& messages) {
  std::vector<PlanStep> steps;
  Steps add(steps);
  AddComponentTrees(add, detection, request, distribution, messages);
  return steps;
}

std::vector<PlanStep> PlanDeselectedComponents(const ComponentExclusions& excluded) {
  std::vector<PlanStep> steps;
  Steps add(steps);
  if (excluded.instant_messaging) add.DeleteFile(Install("im.exe"));
  if (excluded.groupware) add.DeleteFile(Install("cal.exe"));
  if (excluded.web_mail) add.DeleteTree(Install("html\\mail\\"));
  if (excluded.anti_virus) add.DeleteTree(Install(kAntivirusTree));
  if (excluded.anti_spam) add.DeleteTree(Install("spam\\"));
  return steps;
}

InstallPlan PlanInstallation(const InstallDetection& d, const InstallRequest& r, const DistributionContents& dist,
                             const setup::SetupMessages& m) {
  InstallPlan plan;
  Steps add(plan.steps);
  const std::string& previous = d.previous_version;

  add.Add(StepKind::kConvertRegistry);
  PlanStep& flags = add.Add(StepKind::kWriteComponentFlags);
  const bool excluded[] = {r.excluded.instant_messaging, r.excluded.web_mail, r.excluded.groupware,
                           r.excluded.anti_virus, r.excluded.anti_spam};
  for (size_t i = 0; i < std::size(excluded); ++i) flags.flags.emplace_back(kComponentFlagNames[i], excluded[i]);
  // A damaged or truncated container is found before anything is stopped
  // or changed, so that a bad download leaves the mail server running.
  add.Add(StepKind::kCheckContainers).containers = ContainersOf(r, dist);
  if (Upgrading(d)) add.Add(StepKind::kRememberStartTypes);
  add.Progress();  // 1
  add.Add(StepKind::kStopServers);
  add.Progress();  // 2
  add.Add(StepKind::kExtractSetupData).source = Program("setup.Dat");
  if (d.edition_redetected) add.Add(StepKind::kSaveServerConfig);
  add.Progress();  // 3
  PlanFiles(add, d, r, dist, m);
  add.Progress();  // 4
  if (!d.config_present && dist.tarno_mcb) add.Extract(Program("tarno.mcb"), Install("config\\"), false);
  add.Progress();  // 5
  if (!d.config_present) {
    add.Extract(Staging("demo.dat"), Install("config\\"), false);
    add.Add(StepKind::kPrepareDemoConfiguration).target = Install("config\\");
    plan.new_installation = true;
  }
  add.Progress();  // 6
  if (d.edition_selectable) {
    PlanStep& s = add.Add(StepKind::kStoreEditionChoice);
    s.number = r.edition ? *r.edition : -1;
    s.name = r.basic_console ? "basic.xml" : "advanced.xml";
    s.target = Install("config\\");
  }
  add.Progress();  // 7
  if (d.config_present && PreviousVersionBelow(previous, kWebServerConfigUpdateBelow))
    add.Add(StepKind::kUpdateWebServerConfig).target = Install("config\\");
  add.Progress();  // 8
  add.Progress();  // 9
  // The new version is registered here, the commands of the versions passed
  // over go out at the end: a run ending in between leaves a note.
  if (!previous.empty()) add.Add(StepKind::kNoteUpgradingFrom).name = previous;
  plan.web_mail_installed = !r.excluded.web_mail;
  PlanStep& links = add.Add(StepKind::kCreateIconsAndUninstallEntry);
  links.target = Install();
  links.name = r.program_file;
  links.flag = plan.web_mail_installed;
  links.nt_family = d.nt_family;
  add.Progress();  // 10
  for (PlanStep& step : PlanDeselectedComponents(r.excluded)) plan.steps.push_back(std::move(step));
  PlanStep& services = add.Add(StepKind::kInstallAndStartServices);
  services.nt_family = d.nt_family;
  for (size_t row = 0; row < platform::kServerCount; ++row) {
    const bool chosen = row == platform::kImRow        ? !r.excluded.instant_messaging
                        : row == platform::kCalendarRow ? !r.excluded.groupware
                                                        : true;
    services.flags.emplace_back(platform::ServiceTable[row].ServiceName, chosen);
  }
  add.Progress();  // 11
  add.Add(StepKind::kRemoveStaging);
  add.Add(StepKind::kWaitBeforeReport);
  add.Add(StepKind::kSendReport).flag = plan.new_installation;
  add.Progress();  // 12
  add.Text(m.cFinished);
  add.Add(StepKind::kCheckServicesStarted);
  if (Upgrading(d)) add.Add(StepKind::kRestoreStartTypes);
  for (const ServerCommandCall& call : UpgradeCommandsFor(previous)) add.Add(StepKind::kServerCommand).command = call;
  if (!previous.empty()) add.Add(StepKind::kClearUpgradingFrom);
  if (d.old_web_mail_detected) add.Add(StepKind::kWarnOldWebMail).name = m.cSetupRequireWebMail;
  return plan;
}

std::vector<PlanStep> PlanUninstall() {
  std::vector<PlanStep> steps;
  Steps add(steps);
  add.Add(StepKind::kStopServers);
  add.Add(StepKind::kPauseAfterStop);
  add.Add(StepKind::kDeleteServices);
  add.Add(StepKind::kDeleteProgramGroup);
  add.Add(StepKind::kDeleteUninstallEntry);
  for (std::string_view library : kComServers) add.Add(StepKind::kUnregisterComServer).target = Install(Str(library));
  for (std::string_view name : kProgramFiles) add.DeleteFile(Install(Str(name)));
  for (std::string_view name : kOptionalProgramFiles) add.DeleteFile(Install(Str(name)));
  for (std::string_view name : kComponentProgramFiles) add.DeleteFile(Install(Str(name)));
  for (std::string_view tree : kProgramDirectories) add.DeleteTree(Install(Str(tree)));
  // The engine's own interface in the installation removes the engine; its
  // answer changes nothing about the deletion that follows.
  add.Add(StepKind::kUninstallAvEngine).target = Install(std::string(kAntivirusTree) + "setup\\");
  add.DeleteTree(Install(kAntivirusTree));
  return steps;
}

std::string ResolvePlanPath(const PlanPath& path, const PlanRoots& roots) {
  switch (path.root) {
    case PlanRoot::kInstall: return roots.install + path.relative;
    case PlanRoot::kStaging: return roots.staging + path.relative;
    case PlanRoot::kProgram: return roots.program + path.relative;
    case PlanRoot::kWindows: return roots.windows + path.relative;
  }
  return path.relative;
}

namespace {

std::string RuleText(const PlanStep& s) {
  const char* when = s.rule == PlaceRule::kWhenMissing  ? "only when missing"
                     : s.rule == PlaceRule::kWhenStaged ? "when the distribution holds it"
                                                        : "replaced";
  return std::string("(") + when + (s.mandatory ? "; a failure ends the installation)" : "; optional)");
}

std::string FileName(const std::string& path) {
  const size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string OneLine(std::string text) {
  for (char& c : text)
    if (c == '\r' || c == '\n') c = ' ';
  return text;
}

}  // namespace

std::vector<std::string> DescribePlanStep(const PlanStep& s, const PlanRoots& roots,
                                          const setup::SetupMessages& m) {
  const std::string source = ResolvePlanPath(s.source, roots);
  const std::string target = ResolvePlanPath(s.target, roots);
  switch (s.kind) {
    case StepKind::kConvertRegistry:
      return {"convert the registry keys and values of earlier versions"};
    case StepKind::kWriteComponentFlags: {
      std::vector<std::string> lines;
      for (const auto& [name, value] : s.flags)
        lines.push_back("registry value " + name + " = " + (value ? "1" : "0") + " under the product key");
      return lines;
    }
    case StepKind::kCheckContainers: {
      std::vector<std::string> lines;
      for (const std::string& name : s.containers) lines.push_back("check container " + roots.program + name);
      return lines;
    }
    case StepKind::kRememberStartTypes:
      return {"remember the services' start types; a disabled service is automatic for the run"};
    case StepKind::kProgressStep:
      return {"progress step " + std::to_string(s.number) + " of " + std::to_string(kInstallProgressSteps)};
    case StepKind::kStopServers:
      return {"stop the running servers"};
    case StepKind::kExtractSetupData:
      return {"unpack " + source + " into the fresh staging folder " + roots.staging};
    case StepKind::kSaveServerConfig:
      return {"save the configuration with the edition told from the installed libraries"};
    case StepKind::kPrepareDemoConfiguration:
      return {"prepare the demo configuration in " + target};
    case StepKind::kStoreEditionChoice:
      return {"store in " + target + " the edition " +
              (s.number == 1 ? "Professional" : s.number == 0 ? "Standard" : s.number == 2 ? "Lite" : "(kept)") +
              " and the console " + s.name};
    case StepKind::kUpdateWebServerConfig:
      return {"update the web server configuration in " + target};
    case StepKind::kNoteUpgradingFrom:
      return {"registry value UpgradingFrom = " + s.name + " under the product key (until the commands went out)"};
    case StepKind::kCreateIconsAndUninstallEntry: {
      std::vector<std::string> lines;
      if (!roots.program_group.empty()) {
        platform::ShortcutPlanInput in{target, s.name, roots.program_group, s.flag, s.nt_family};
        for (const platform::PlannedShortcut& link : platform::PlanShortcuts(in, m))
          lines.push_back("link " + link.link_file + " -> " + link.target +
                          (link.arguments.empty() ? "" : " " + link.arguments));
      }
      lines.push_back("uninstall entry UninstallString = " + platform::UninstallCommandLine(target, s.name));
      lines.push_back("uninstall entry QuietUninstallString = " +
                      platform::QuietUninstallCommandLine(target, s.name));
      lines.push_back("registry value InstallDir = " + target + " under the product key");
      lines.push_back("registry value Version = " + roots.setup_version + " under the product key");
      return lines;
    }
    case StepKind::kInstallAndStartServices: {
      std::vector<std::string> lines;
      for (size_t row = 0; row < s.flags.size() && row < platform::kServerCount; ++row) {
        const auto& [service, chosen] = s.flags[row];
        if (!chosen) continue;
        const std::string program = target + platform::ServiceTable[row].Executable;
        lines.push_back(s.nt_family ? "service " + service + " (" + program +
                                          "): registered when missing, start type automatic, started unless "
                                          "it was disabled"
                                    : "server " + program + ": started");
      }
      for (std::string_view library : kComServers) lines.push_back("register COM server " + target + Str(library));
      return lines;
    }
    case StepKind::kRemoveStaging:
      return {"remove the staging folder " + roots.staging};
    case StepKind::kWaitBeforeReport:
      return {"let the servers settle before the report"};
    case StepKind::kSendReport:
      return {std::string("send the installation report") + (s.flag ? " and the demonstration message" : "")};
    case StepKind::kCheckServicesStarted:
      return {"check that the chosen servers run"};
    case StepKind::kRestoreStartTypes:
      return {"put the remembered start types back"};
    case StepKind::kServerCommand: {
      const uint32_t server = s.command.server;
      const std::string name = server < platform::kServerCount ? platform::ServiceTable[server].ServiceName
                                                                : std::to_string(server);
      return {"server command to " + name + ": message " + std::to_string(s.command.message) + ", " +
              std::to_string(s.command.first) + ", " + std::to_string(s.command.second)};
    }
    case StepKind::kClearUpgradingFrom:
      return {"registry value UpgradingFrom cleared"};
    case StepKind::kWarnOldWebMail:
      return {"warning: " + OneLine(s.name)};
    case StepKind::kProgressText:
      return {"progress text: " + OneLine(s.name)};
    case StepKind::kCreateInstallDirectory:
      return {"create the folder " + target + " (one level)"};
    case StepKind::kForceDirectory:
      return {"create the folder " + target};
    case StepKind::kCopyFile:
      return {"copy file " + target + s.name + " from " + source + s.name + " " + RuleText(s)};
    case StepKind::kPlaceFile:
      return {"place file " + target + s.name + " from " + source + s.name + " " + RuleText(s)};
    case StepKind::kPlaceTree:
      return {"place tree " + target + s.name + " from " + source + s.name};
    case StepKind::kAnnounceTree:
      return {"tree " + source + " is in place already (" + s.name + " left as it is)"};
    case StepKind::kMoveFile:
      return {"move file " + source + " to " + target + " (when present; an existing one stays)"};
    case StepKind::kCopyTemplate:
      return {"write file " + target + FileName(source) + " from the template " + source +
              (s.rule == PlaceRule::kWhenMissing ? " (only when missing)" : "")};
    case StepKind::kExtractContainer:
      return {"unpack " + source + " into " + target +
              (s.overwrite_all ? "" : " (the existing files of the keep list stay)") +
              (s.required ? " (a failure ends the installation)" : " (optional)")};
    case StepKind::kWriteEmptyFile:
      return {"write file " + target + " (empty)"};
    case StepKind::kDeleteFile:
      return {"delete file " + target};
    case StepKind::kDeleteMatching:
      return {"delete " + target + s.name};
    case StepKind::kDeleteTree:
      return {"delete tree " + target};
    case StepKind::kRemoveExtractedTree:
      return {"remove the staged tree " + target};
    case StepKind::kCreateDataSource:
      return {"data source " + s.name + " for " + target + " (when there is none of that name)"};
    case StepKind::kLoadAvSetupInterface:
      return {"antivirus engine: load the setup interface from " + target};
    case StepKind::kInstallAvEngine:
      return {"antivirus engine: install into " + target};
    case StepKind::kUnloadAvSetupInterface:
      return {"antivirus engine: unload the setup interface"};
    case StepKind::kUpdateAvEngineFiles:
      return {"antivirus engine: update its files"};
    case StepKind::kPauseAfterStop:
      return {"let the stopped servers end"};
    case StepKind::kDeleteServices:
      return {"delete the registered services that are stopped"};
    case StepKind::kDeleteProgramGroup:
      return {"delete the program group"};
    case StepKind::kDeleteUninstallEntry:
      return {"delete the uninstall entry"};
    case StepKind::kUnregisterComServer:
      return {"unregister COM server " + target};
    case StepKind::kUninstallAvEngine:
      return {"antivirus engine: uninstall through the setup interface in " + target};
  }
  return {};
}

}  // namespace engine
