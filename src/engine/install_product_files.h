// The file stage of the installation: the staging directory, the product
// files placed into the installation directory (InstallFiles with
// InstallComponentTrees), the configuration containers of a new
// installation, and the removal of components that were not chosen.
//
// INSTALL is SetupState::InstallFolder, STAGING the staging directory, both
// with a trailing backslash. Staged files are moved into place where nothing
// reads them from STAGING again (StagedFilePlacer); the result on disk and the
// progress texts are those of copying them. A step that ends the setup shows
// its box through InstallProgress::FatalError; should that return (a test
// double), the function stops and answers false.
#pragma once

#include <string>
#include <vector>
#include <string_view>

#include "engine/install_files.h"
#include "setup/setup_state.h"

namespace engine {

// What the file stage asks of the Windows integration: the ODBC data sources
// and the antivirus engine's setup interface. The installation hands in the
// real ones; results are for the caller to ignore or use as it says.
class ComponentServices {
 public:
  virtual ~ComponentServices() = default;
  virtual bool DSNExists(const std::string& name) = 0;
  virtual bool CreateAccessDSN(const std::string& name, const std::string& database_file) = 0;
  virtual bool LoadAvSetupInterface(const std::string& directory) = 0;
  virtual bool InstallAvEngine(const std::string& target_directory) = 0;
  virtual void UnloadAvSetupInterface() = 0;
  virtual bool UpdateAvEngineFiles() = 0;
};

// The fixed lists of the file stage.
inline constexpr std::string_view kProgramFiles[] = {
    "smtp.exe", "pop3.exe",     "control.exe",  "config.exe", "dnsquery.exe", "tool.exe",  "sendmail.exe",
    "api.dll",  "libeay32.dll", "libssl32.dll", "db.dll",     "ldap32.dll",   "regex.dll"};
inline constexpr std::string_view kOptionalProgramFiles[] = {"cordanecom.dll"};
inline constexpr std::string_view kComponentProgramFiles[] = {"im.exe", "cal.exe"};  // when staged
// Files of the older layout that lived directly in INSTALL.
inline constexpr std::string_view kOldLayoutConfigFiles[] = {"cert.pem", "cert.dat", "default.ini", "db.ini"};
inline constexpr std::string_view kSharedTrees[] = {"help\\", "modules\\", "html\\", "wizards\\"};
inline constexpr std::string_view kDocumentTrees[] = {"api\\", "tutorial\\", "examples\\", "xml\\"};
inline constexpr std::string_view kCompanionDocuments[] = {"readme.txt", "releasenotes.txt"};
inline constexpr char kLdapKeepList[] =
    ";slapd.conf;schema\\corba.schema;schema\\core.schema;schema\\cosine.schema;schema\\inetorgperson.schema;"
    "schema\\java.schema;schema\\krb5-kdc.schema;schema\\misc.schema;schema\\nadf.schema;schema\\nis.schema;"
    "schema\\openldap.schema;ldbm\\dn2id.dbb;ldbm\\id2entry.dbb;ldbm\\nextid.dbb;ldbm\\objectClass.dbb;";
// Rule files of older releases begin with these digits; they are replaced.
inline constexpr std::string_view kReplacedSpamRuleMasks[] = {"1*.*", "2*.*", "3*.*", "4*.*", "5*.*", "6*.*"};
inline constexpr char kSpamChallengeDsn[] = "CordaneSpamChallenge";
inline constexpr char kCalendarDsn[] = "CordaneCalendar";

// Where the file stage finds its inputs.
struct FileStagePaths {
  std::string staging;       // STAGING
  std::string program_dir;   // the setup program's directory (companion files)
  std::string program_file;  // the setup program's file name as started
};

// The temporary directory + "tarnoinstall\"; the setup program's directory +
// "temp\" when the system gives no temporary directory.
std::string StagingDirectoryPath(const std::string& program_dir);

// Makes `staging` a new, empty directory: whatever an interrupted run or
// another user of the temporary folder left there is removed first, links
// removed without being followed. When something there cannot be removed, a
// new directory beside it that did not exist before is used instead. Returns
// the directory used, or empty (logged) when none could be made.
std::string MakeFreshStagingDirectory(const std::string& staging);

// Extracts `container` into `destination` with overwriteAll set; when that
// fails, the "Extracting files error: data file error" box (cErrorDataFile).
bool ExtractRequiredContainer(InstallProgress& progress, const std::string& container,
                              const std::string& destination);

// The containers beside the setup program (`program_dir`) that an
// installation with the choices of `state` unpacks: "setup.Dat" always;
// "setupav.dat" when present and the antivirus engine is chosen;
// "setupldap.dat" and "setupphp.dat" when present; "setupweb.dat" whenever web
// mail is chosen (its absence ends the installation too); "other.dat" when
// present. Full paths, in the order the installation uses them.
std::vector<std::string> ContainersOfInstallation(const setup::SetupState& state, const std::string& program_dir);

// Reads every container of ContainersOfInstallation through (DataFileIntact)
// before anything is stopped or changed: a missing, truncated or damaged one,
// or one that is not the container this setup.exe was built with
// (ContainerOfThisBuild), shows the "Extracting files error: data file error"
// box and answers false.
bool DistributionIntact(InstallProgress& progress, const setup::SetupState& state, const std::string& program_dir);

// Step 7 of the installation: the progress text "Extracting Files...", a
// fresh staging directory, "setup.Dat" from the program's directory unpacked
// into it. Returns the staging directory, empty after the error box.
std::string ExtractSetupData(InstallProgress& progress, const std::string& program_dir);

// "tarno.mcb" beside the setup program into INSTALL + "config\", on a new
// installation only; failures are ignored.
void ExtractTarnoMcb(const setup::SetupState& state, const std::string& program_dir);

// STAGING + "demo.dat" into INSTALL + "config\", on a new installation only;
// failures are ignored.
void ExtractDemoData(const setup::SetupState& state, const std::string& staging);

// Creates INSTALL and places the product files. Sets state.WebMailInstalled
// when web mail is installed. False when a step ended the setup.
bool InstallFiles(InstallProgress& progress, ComponentServices& services, setup::SetupState& state,
                  const FileStagePaths& paths);

// The component trees of InstallFiles (step 9). False when a step ended the
// setup.
bool InstallComponentTrees(InstallProgress& progress, StagedFilePlacer& placer, ComponentServices& services,
                           const setup::SetupState& state, const FileStagePaths& paths);

// Deletes from INSTALL what belongs to components that were not chosen;
// failures are silent.
void RemoveDeselectedComponents(const setup::SetupState& state);

}  // namespace engine
