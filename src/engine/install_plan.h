// The installation and the uninstall as plans: plain data that say, in the
// order they are applied, every change a run makes. A plan is made from three
// values: what the machine holds (InstallDetection), what the administrator
// asked for (InstallRequest) and what lies beside the setup program
// (DistributionContents); making it reads nothing and changes nothing, so the
// same inputs always give the same plan.
//
// The apply phase (install_plan_apply.h) runs a plan step by step. A dry run
// only describes it (DescribePlanStep). Paths in a plan are relative to one of
// the roots a run knows (PlanRoot) and are made absolute only when applied or
// described.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/upgrade_commands.h"
#include "messages/setup_messages.h"

namespace engine {

// The program files of the installation, placed from the staging directory
// into the installation directory and removed again by the uninstall.
inline constexpr std::string_view kProgramFiles[] = {
    "smtp.exe", "pop3.exe",     "control.exe",  "config.exe", "dnsquery.exe", "tool.exe",  "sendmail.exe",
    "api.dll",  "libeay32.dll", "libssl32.dll", "db.dll",     "ldap32.dll",   "regex.dll"};
inline constexpr std::string_view kOptionalProgramFiles[] = {"cordanecom.dll"};
// The programs of the instant messaging and groupware servers, placed when
// the distribution holds them.
inline constexpr std::string_view kComponentProgramFiles[] = {"im.exe", "cal.exe"};
// Files of the older layout that lived directly in INSTALL.
inline constexpr std::string_view kOldLayoutConfigFiles[] = {"cert.pem", "cert.dat", "default.ini", "db.ini"};
inline constexpr std::string_view kSharedTrees[] = {"help\\", "modules\\", "html\\", "wizards\\"};
inline constexpr std::string_view kDocumentTrees[] = {"api\\", "tutorial\\", "examples\\", "xml\\"};
inline constexpr std::string_view kCompanionDocuments[] = {"readme.txt", "releasenotes.txt"};
// The program trees the uninstall removes whole, in this order; then the
// antivirus engine's tree.
inline constexpr std::string_view kProgramDirectories[] = {"help\\", "wizards\\", "modules\\", "spam\\",
                                                           "html\\", "api\\",     "tutorial\\", "examples\\",
                                                           "xml\\",  "php\\"};
inline constexpr char kAntivirusTree[] = "avast\\";
// The self-registering COM servers of the installation.
inline constexpr std::string_view kComServers[] = {"api.dll", "cordanecom.dll"};
inline constexpr char kLdapKeepList[] =
    ";slapd.conf;schema\\corba.schema;schema\\core.schema;schema\\cosine.schema;schema\\inetorgperson.schema;"
    "schema\\java.schema;schema\\krb5-kdc.schema;schema\\misc.schema;schema\\nadf.schema;schema\\nis.schema;"
    "schema\\openldap.schema;ldbm\\dn2id.dbb;ldbm\\id2entry.dbb;ldbm\\nextid.dbb;ldbm\\objectClass.dbb;";
// Rule files of older releases begin with these digits; they are replaced.
inline constexpr std::string_view kReplacedSpamRuleMasks[] = {"1*.*", "2*.*", "3*.*", "4*.*", "5*.*", "6*.*"};
inline constexpr char kSpamChallengeDsn[] = "CordaneSpamChallenge";
inline constexpr char kCalendarDsn[] = "CordaneCalendar";

// The component flags written under the product key, in their order.
inline constexpr const char* kComponentFlagNames[] = {"NoInstallIM", "NoInstallWebMail", "NoInstallCalendar",
                                                       "NoInstallAV", "NoInstallIAS"};

// The number of times the installation advances the progress bar.
inline constexpr int kInstallProgressSteps = 12;

// The five component exclusions: true means the component is not installed.
struct ComponentExclusions {
  bool instant_messaging = false;  // NoInstallIM: "im.exe", service TarnoIM
  bool web_mail = false;           // NoInstallWebMail: "setupweb.dat", "html\mail\"
  bool groupware = false;          // NoInstallCalendar: "cal.exe", service TarnoCalendar
  bool anti_virus = false;         // NoInstallAV: "setupav.dat", "avast\"
  bool anti_spam = false;          // NoInstallIAS: "spam\"
};

// What the machine holds, read before anything is changed.
struct InstallDetection {
  std::string previous_version;          // the version installed (or an interrupted upgrade's); empty: none
  bool edition_selectable = true;        // no earlier installation: edition and console mode are chosen
  bool edition_redetected = false;       // the edition was told from the installed libraries
  bool previous_older_than_827 = false;  // the installed antivirus engine is replaced whole
  bool old_web_mail_detected = false;    // a separate web mail older than 4.2.2
  bool nt_family = true;                 // services exist
  // The destination as it is before the run.
  bool config_present = false;    // INSTALL + "config\" is a directory: an upgrade
  bool spam_present = false;      // INSTALL + "spam\"
  bool spam_rules_present = false;  // INSTALL + "spam\rules\"
  bool calendar_present = false;  // INSTALL + "calendar\"
  bool antivirus_present = false;  // INSTALL + "avast" is a directory
};

// What the administrator asked for, from the wizard's pages or the answers
// file.
struct InstallRequest {
  std::string install_folder;             // INSTALL, with a trailing backslash
  std::optional<uint8_t> edition;         // 1 Professional, 0 Standard, 2 Lite; none: the stored one stays
  bool basic_console = false;             // console mode Basic (else Advanced)
  ComponentExclusions excluded;
  std::string program_file;               // the setup program's file name as started
};

// The optional containers and files that lie beside the setup program.
// "setup.Dat" is required and "setupweb.dat" is required whenever web mail is
// chosen, so neither is asked here.
struct DistributionContents {
  bool antivirus = false;  // "setupav.dat"
  bool ldap = false;       // "setupldap.dat"
  bool php = false;        // "setupphp.dat"
  bool other = false;      // "other.dat"
  bool tarno_mcb = false;  // "tarno.mcb"
};

// The folders a plan's paths are relative to.
enum class PlanRoot : uint8_t {
  kInstall,   // INSTALL
  kStaging,   // the staging directory, made fresh by the run
  kProgram,   // the setup program's folder (the distribution)
  kWindows,   // the Windows directory
};

struct PlanPath {
  PlanRoot root = PlanRoot::kInstall;
  std::string relative;  // empty: the root itself; a folder ends in '\'
  friend bool operator==(const PlanPath&, const PlanPath&) = default;
};

// When a placement happens.
enum class PlaceRule : uint8_t {
  kAlways,          // replaces what is there
  kWhenMissing,     // only when the target does not exist yet (the administrator's copy stays)
  kWhenStaged,      // only when the staging directory holds the source
};

enum class StepKind : uint8_t {
  // The sequence.
  kConvertRegistry,          // the registry keys of earlier versions are converted
  kWriteComponentFlags,      // the five flags under the product key (flags)
  kCheckContainers,          // every container the run uses is read through (containers)
  kRememberStartTypes,       // start types read, disabled services set to automatic
  kProgressStep,             // the progress bar advances (number)
  kStopServers,              // the running servers are stopped (two passes)
  kExtractSetupData,         // "Extracting Files...", a fresh staging directory, "setup.Dat" unpacked into it
  kSaveServerConfig,         // the re-detected edition is saved
  kPrepareDemoConfiguration, // the demo configuration of a new installation
  kStoreEditionChoice,       // edition (number, -1 none) and console mode (text)
  kUpdateWebServerConfig,    // the web server configuration of an older installation
  kNoteUpgradingFrom,        // "UpgradingFrom" = text, until the commands went out
  kCreateIconsAndUninstallEntry,
  kInstallAndStartServices,  // services created and started, COM servers registered
  kRemoveStaging,            // the staging directory is removed
  kWaitBeforeReport,         // the servers settle before the report goes through them
  kSendReport,               // the installation report (flag: new installation)
  kCheckServicesStarted,
  kRestoreStartTypes,
  kServerCommand,            // command
  kClearUpgradingFrom,
  kWarnOldWebMail,
  // The file stage.
  kProgressText,             // text
  kCreateInstallDirectory,   // INSTALL, one level
  kForceDirectory,           // target
  kCopyFile,                 // source -> target folder (name), a copy: the source stays
  kPlaceFile,                // staged source -> target folder (name), moved where it can be
  kPlaceTree,                // staged tree source -> target
  kAnnounceTree,             // texts of a tree placed a moment ago (target; name: file left out)
  kMoveFile,                 // source -> target, when the source exists; an existing target stays
  kCopyTemplate,             // template source -> target folder, when target + name is missing
  kExtractContainer,         // container (source) -> target folder
  kWriteEmptyFile,           // target, truncated
  kDeleteFile,               // target
  kDeleteMatching,           // in target, the entries matching name, not recursing
  kDeleteTree,               // target with everything below it
  kRemoveExtractedTree,      // a staged tree, once used
  kCreateDataSource,         // name for the database target, unless one of that name exists
  kLoadAvSetupInterface,     // from target
  kInstallAvEngine,          // into target
  kUnloadAvSetupInterface,
  kUpdateAvEngineFiles,
  // The uninstall.
  kPauseAfterStop,           // the stopped servers' processes end
  kDeleteServices,           // every registered service that is stopped
  kDeleteProgramGroup,
  kDeleteUninstallEntry,
  kUnregisterComServer,      // target
  kUninstallAvEngine,        // through the interface in target (loaded, asked, unloaded)
};

// One step. Only the fields its kind names are used.
struct PlanStep {
  StepKind kind = StepKind::kConvertRegistry;
  PlanPath source;
  PlanPath target;
  std::string name;         // a file name, mask, data source, message text or version
  PlaceRule rule = PlaceRule::kAlways;
  bool mandatory = false;   // a failure ends the installation (copy error box)
  bool overwrite_all = true;  // kExtractContainer: every entry replaced (else keep list)
  bool required = false;    // kExtractContainer: a failure ends the installation (data file error)
  std::string keep_list;    // kExtractContainer with overwrite_all clear
  int number = 0;           // kProgressStep: its number; kStoreEditionChoice: the edition or -1
  bool flag = false;        // kSendReport: a new installation
  // kWriteComponentFlags: each value and its setting; kInstallAndStartServices:
  // each service and whether its component is chosen.
  std::vector<std::pair<std::string, bool>> flags;
  std::vector<std::string> containers;               // kCheckContainers: names beside the program
  ServerCommandCall command{};                       // kServerCommand
  bool nt_family = true;    // kCreateIconsAndUninstallEntry, kInstallAndStartServices
  friend bool operator==(const PlanStep&, const PlanStep&) = default;
};

struct InstallPlan {
  std::vector<PlanStep> steps;
  bool new_installation = false;   // the demo configuration is prepared
  bool web_mail_installed = false; // the links include the web mail manual
};

// The containers an installation with `request` unpacks, in the order it uses
// them: "setup.Dat" always; "setupav.dat" when present and the engine is
// chosen; "setupldap.dat" and "setupphp.dat" when present; "setupweb.dat"
// whenever web mail is chosen (its absence is a damaged distribution);
// "other.dat" when present.
std::vector<std::string> ContainersOf(const InstallRequest& request, const DistributionContents& distribution);

// The whole installation, in the order of its sequence, with the progress bar
// advanced exactly kInstallProgressSteps times.
InstallPlan PlanInstallation(const InstallDetection& detection, const InstallRequest& request,
                             const DistributionContents& distribution, const setup::SetupMessages& messages);

// The file stage alone (create INSTALL, place the program files, component
// trees, documents, the setup program, LDAP, PHP, web mail, other.dat): the
// part of PlanInstallation between the first and the fourth advance of the bar.
std::vector<PlanStep> PlanFileStage(const InstallDetection& detection, const InstallRequest& request,
                                    const DistributionContents& distribution, const setup::SetupMessages& messages);

// The component trees of the file stage, in its order: the shared trees, the
// anti-spam and calendar trees with their databases and data sources, the
// document trees, and the antivirus engine when its container lies beside
// the program and it is chosen.
std::vector<PlanStep> PlanComponentTrees(const InstallDetection& detection, const InstallRequest& request,
                                         const DistributionContents& distribution,
                                         const setup::SetupMessages& messages);

// What an installation removes of the components that were not chosen.
std::vector<PlanStep> PlanDeselectedComponents(const ComponentExclusions& excluded);

// The uninstall of the installation in the setup program's folder (PlanRoot
// kInstall there): the servers stopped, the services, program group and
// uninstall entry deleted, the COM servers unregistered, every program file
// the installation places (the component programs included) deleted, the
// program trees and the antivirus engine removed. The same lists as the
// installation's, so that the two cannot drift apart.
std::vector<PlanStep> PlanUninstall();

// The absolute folders of a run, each with a trailing backslash, and what a
// description names besides them.
struct PlanRoots {
  std::string install, staging, program, windows;
  std::string program_group;  // the program group's folder (links); empty: not known
  std::string setup_version;  // the version registered
};

// `path` made absolute with `roots`.
std::string ResolvePlanPath(const PlanPath& path, const PlanRoots& roots);

// What the step does, with absolute paths, one line for each file, tree,
// registry value, service, link, data source and server command it touches
// ("place file C:\Tarno\smtp.exe from C:\Temp\tarnoinstall\smtp.exe
// (replaced; a failure ends the installation)"); a dry run logs them.
std::vector<std::string> DescribePlanStep(const PlanStep& step, const PlanRoots& roots,
                                          const setup::SetupMessages& messages);

}  // namespace engine
