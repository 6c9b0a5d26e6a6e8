#include "engine/install_product_files.h"

#include <windows.h>

#include <string>
#include <vector>

#include "engine/built_containers.h"
#include "engine/extract_data_file.h"
#include "engine/file_helpers.h"
#include "messages/setup_messages.h"
#include "win32/log.h"
#include "win32/win32_error.h"

namespace engine {
namespace {

std::string Str(std::string_view text) { return std::string(text); }

bool FileExists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Optional containers lie beside the setup program or not at all.
bool BesideProgram(const FileStagePaths& paths, const char* container) {
  return FileExists(paths.program_dir + container);
}

void DeleteFileSilently(const std::string& path) {
  // What is deleted here is either staging material or a component that was
  // not chosen; a file that stays does no harm to the installation.
  ::DeleteFileA(path.c_str());
}

bool CreateInstallDirectory(InstallProgress& progress, const std::string& install) {
  if (IsDirectory(install)) return true;
  // One level only: a destination whose parent is missing is most likely a
  // typing error, which the administrator should see.
  if (::CreateDirectoryA(install.c_str(), nullptr)) return true;
  DWORD error = ::GetLastError();
  win32::LogFailure("create installation directory", install, error);
  progress.FatalError(setup::Messages().cErrorDir + win32::ErrorText(error), setup::kExitDestinationNotCreatable);
  return false;
}

// An older layout kept some configuration files directly in INSTALL. Where
// the configuration directory already holds one, the move fails and both
// files stay.
void MoveOldLayoutFiles(const std::string& install) {
  for (std::string_view name : kOldLayoutConfigFiles) {
    std::string old_path = install + Str(name);
    if (FileExists(old_path)) MoveFileTo(old_path, install + "config\\" + Str(name));
  }
}

bool InstallWebMail(InstallProgress& progress, StagedFilePlacer& placer, setup::SetupState& state,
                    const FileStagePaths& paths) {
  const std::string& install = state.InstallFolder;
  const std::string staged = paths.staging + "webmail\\";
  state.WebMailInstalled = true;
  progress.SetProgressText(setup::Messages().cInstallingWeb);
  WriteTextFile("", install + "control.exe.local", false, false);
  if (!ExtractRequiredContainer(progress, paths.program_dir + "setupweb.dat", staged)) return false;

  const std::string config = install + "webmail\\config\\";
  // The administrator's web mail settings and users are never replaced.
  if (!FileExists(config + "settings.dat")) CopyTemplateFile(install, paths.staging, staged + "settings.dat", config);
  DeleteFileSilently(staged + "settings.dat");
  if (!FileExists(config + "users.dat")) {
    ForceDirectoryTree(config);
    if (!placer.PlaceFile("users.dat", staged + "config\\", config, true)) return false;
  }
  DeleteFileSilently(staged + "config\\users.dat");

  if (!placer.PlaceTree(install + "html\\mail\\", staged + "html\\", "")) return false;
  DeleteDirectoryTree(staged + "html\\");
  DeleteDirectoryTree(install + "webmail\\projects\\");
  if (!placer.PlaceTree(install + "webmail\\", staged, "")) return false;
  RemoveExtractedTree(staged);
  return true;
}

void InstallPhp(const std::string& install, const FileStagePaths& paths) {
  const std::string php = install + "php\\";
  ExtractDataFile(paths.program_dir + "setupphp.dat", php, true, "", 0, "");
  CopyTemplateFile(install, paths.staging, php + "wmi.ini", GetSpecialDirectory(SpecialDirectoryKind::kWindows));
  DeleteFileSilently(php + "wmi.ini");
}

bool InstallSpamTrees(StagedFilePlacer& placer, ComponentServices& services, const std::string& install,
                      const std::string& staging) {
  const bool spam_new = !IsDirectory(install + "spam\\");
  if (spam_new && !placer.PlaceTree(install, staging, "spam\\")) return false;
  if (!FileExists(install + "spam\\challenge.mdb") &&
      !placer.PlaceFile("challenge.mdb", staging + "spam\\", install + "spam\\", true))
    return false;
  if (!services.DSNExists(kSpamChallengeDsn))
    services.CreateAccessDSN(kSpamChallengeDsn, install + "spam\\challenge.mdb");

  const std::string rules = install + "spam\\rules\\";
  if (spam_new) {
    // The whole staged tree was placed a moment ago (moved, so its rules
    // may be gone from STAGING): replacing its rules 1 to 6 by the same
    // staged files would change nothing on disk, so only the texts of that
    // second copy are shown ("local.cf" is not copied again).
    placer.AnnounceTree(install, "spam\\rules\\", "local.cf");
    return true;
  }
  if (IsDirectory(rules)) {
    for (std::string_view mask : kReplacedSpamRuleMasks) DeleteDirectoryTree(rules, Str(mask), false);
    // The administrator's own rules stay.
    DeleteFileSilently(staging + "spam\\rules\\local.cf");
  }
  return placer.PlaceTree(install, staging, "spam\\rules\\");
}

bool InstallCalendarTrees(StagedFilePlacer& placer, ComponentServices& services, const std::string& install,
                          const std::string& staging) {
  if (IsDirectory(install + "calendar\\")) {
    placer.PlaceFile("calendar.xml", staging + "calendar\\", install + "calendar\\", false);
    if (!placer.PlaceTree(install, staging, "calendar\\holidays\\")) return false;
    if (!placer.PlaceTree(install, staging, "calendar\\doc\\")) return false;
  } else if (!placer.PlaceTree(install, staging, "calendar\\")) {
    return false;
  }
  if (!FileExists(install + "calendar\\calendar.mdb") &&
      !placer.PlaceFile("calendar.mdb", staging + "calendar\\", install + "calendar\\", true))
    return false;
  if (!services.DSNExists(kCalendarDsn)) services.CreateAccessDSN(kCalendarDsn, install + "calendar\\calendar.mdb");
  return true;
}

bool InstallAntivirus(InstallProgress& progress, ComponentServices& services, const setup::SetupState& state,
                      const FileStagePaths& paths) {
  const std::string& install = state.InstallFolder;
  progress.SetProgressText(setup::Messages().cInstallingAV);
  const std::string staged = paths.staging + "avast\\";
  if (!ExtractRequiredContainer(progress, paths.program_dir + "setupav.dat", staged)) return false;
  if (IsDirectory(install + "avast") && state.PreviousOlderThan827) DeleteDirectoryTree(install + "avast\\");
  // The engine's own setup reports nothing the installation acts upon.
  services.LoadAvSetupInterface(staged);
  services.InstallAvEngine(install + "avast");
  services.UnloadAvSetupInterface();
  services.LoadAvSetupInterface(install + "avast\\setup\\");
  services.UpdateAvEngineFiles();
  services.UnloadAvSetupInterface();
  RemoveExtractedTree(staged);
  return true;
}

}  // namespace

std::string StagingDirectoryPath(const std::string& program_dir) {
  std::string temp = GetSpecialDirectory(SpecialDirectoryKind::kTemporary, true);
  if (temp.empty()) return AdjustTrailingBackslash(program_dir, true, false) + "temp\\";
  return temp + "tarnoinstall\\";
}

std::string MakeFreshStagingDirectory(const std::string& staging) {
  if (PrepareFreshDirectory(staging)) return staging;
  // Something there resists removal (a file in use, one owned by another
  // user). Its content must not be installed, so a new directory is taken.
  std::string base = AdjustTrailingBackslash(staging, false, false);
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    std::string other = base + "." + std::to_string(::GetCurrentProcessId()) + "." + std::to_string(attempt);
    if (::CreateDirectoryA(other.c_str(), nullptr)) return other + "\\";
    DWORD error = ::GetLastError();
    if (error != ERROR_ALREADY_EXISTS) {
      win32::LogFailure("create staging directory", other, error);
      break;
    }
  }
  return std::string();
}

bool ExtractRequiredContainer(InstallProgress& progress, const std::string& container,
                              const std::string& destination) {
  if (ExtractDataFile(container, destination, true, "", 0, "")) return true;
  progress.FatalError(setup::Messages().cErrorDataFile, setup::kExitDamagedDistribution);
  return false;
}

std::vector<std::string> ContainersOfInstallation(const setup::SetupState& state, const std::string& program_dir) {
  const std::string dir = AdjustTrailingBackslash(program_dir, true, false);
  std::vector<std::string> containers{dir + "setup.Dat"};
  auto present = [&](const char* name) { return FileExists(dir + name); };
  if (present("setupav.dat") && !state.NoInstallAV) containers.push_back(dir + "setupav.dat");
  if (present("setupldap.dat")) containers.push_back(dir + "setupldap.dat");
  if (present("setupphp.dat")) containers.push_back(dir + "setupphp.dat");
  if (!state.NoInstallWebMail) containers.push_back(dir + "setupweb.dat");
  if (present("other.dat")) containers.push_back(dir + "other.dat");
  return containers;
}

bool DistributionIntact(InstallProgress& progress, const setup::SetupState& state, const std::string& program_dir) {
  for (const std::string& container : ContainersOfInstallation(state, program_dir)) {
    // Each check logs why it refused the container.
    if (ContainerOfThisBuild(container) && DataFileIntact(container)) continue;
    progress.FatalError(setup::Messages().cErrorDataFile, setup::kExitDamagedDistribution);
    return false;
  }
  return true;
}

std::string ExtractSetupData(InstallProgress& progress, const std::string& program_dir) {
  progress.SetProgressText(setup::Messages().cExtractingFiles);
  std::string staging = MakeFreshStagingDirectory(StagingDirectoryPath(program_dir));
  if (staging.empty()) {
    progress.FatalError(setup::Messages().cErrorDataFile, setup::kExitDamagedDistribution);
    return std::string();
  }
  if (!ExtractRequiredContainer(progress, AdjustTrailingBackslash(program_dir, true, false) + "setup.Dat", staging))
    return std::string();
  return staging;
}

void ExtractTarnoMcb(const setup::SetupState& state, const std::string& program_dir) {
  std::string container = AdjustTrailingBackslash(program_dir, true, false) + "tarno.mcb";
  if (state.ConfigPresentAtDestination || !FileExists(container)) return;
  ExtractDataFile(container, state.InstallFolder + "config\\", true, "", 0, "");
}

void ExtractDemoData(const setup::SetupState& state, const std::string& staging) {
  if (state.ConfigPresentAtDestination) return;
  ExtractDataFile(staging + "demo.dat", state.InstallFolder + "config\\", true, "", 0, "");
}

bool InstallFiles(InstallProgress& progress, ComponentServices& services, setup::SetupState& state,
                  const FileStagePaths& paths) {
  const std::string& install = state.InstallFolder;
  const std::string& staging = paths.staging;
  StagedFilePlacer placer(progress);

  if (!CreateInstallDirectory(progress, install)) return false;
  ForceDirectoryTree(install + "config\\");
  ForceDirectoryTree(install + "xml\\");
  CopyInstallFile(progress, "info.xml", paths.program_dir, install + "xml\\", false);

  for (std::string_view name : kProgramFiles)
    if (!placer.PlaceFile(Str(name), staging, install, true)) return false;
  for (std::string_view name : kOptionalProgramFiles) placer.PlaceFile(Str(name), staging, install, false);
  for (std::string_view name : kComponentProgramFiles)
    if (FileExists(staging + Str(name)) && !placer.PlaceFile(Str(name), staging, install, true)) return false;

  MoveOldLayoutFiles(install);
  // An existing certificate is never replaced.
  if (!FileExists(install + "config\\cert.pem")) placer.PlaceFile("cert.pem", staging, install + "config\\", false);

  if (!InstallComponentTrees(progress, placer, services, state, paths)) return false;

  for (std::string_view name : kCompanionDocuments)
    if (!CopyInstallFile(progress, Str(name), paths.program_dir, install, true)) return false;
  if (!FileExists(install + "config\\webserver.dat"))
    CopyTemplateFile(install, staging, staging + "webserver.dat", install + "config\\");
  if (!CopyInstallFile(progress, paths.program_file, paths.program_dir, install, true)) return false;

  if (BesideProgram(paths, "setupldap.dat"))
    ExtractDataFile(paths.program_dir + "setupldap.dat", install + "ldap\\", false, kLdapKeepList, 0, "");
  if (BesideProgram(paths, "setupphp.dat")) InstallPhp(install, paths);
  if (!state.NoInstallWebMail && !InstallWebMail(progress, placer, state, paths)) return false;
  if (BesideProgram(paths, "other.dat")) ExtractDataFile(paths.program_dir + "other.dat", install, true, "", 0, "");
  return true;
}

bool InstallComponentTrees(InstallProgress& progress, StagedFilePlacer& placer, ComponentServices& services,
                           const setup::SetupState& state, const FileStagePaths& paths) {
  const std::string& install = state.InstallFolder;
  const std::string& staging = paths.staging;
  for (std::string_view tree : kSharedTrees)
    if (!placer.PlaceTree(install, staging, Str(tree))) return false;
  if (!InstallSpamTrees(placer, services, install, staging)) return false;
  if (!InstallCalendarTrees(placer, services, install, staging)) return false;
  for (std::string_view tree : kDocumentTrees)
    if (!placer.PlaceTree(install, staging, Str(tree))) return false;
  if (BesideProgram(paths, "setupav.dat") && !state.NoInstallAV)
    return InstallAntivirus(progress, services, state, paths);
  return true;
}

void RemoveDeselectedComponents(const setup::SetupState& state) {
  const std::string& install = state.InstallFolder;
  if (state.NoInstallIM) DeleteFileSilently(install + "im.exe");
  if (state.NoInstallCalendar) DeleteFileSilently(install + "cal.exe");
  if (state.NoInstallWebMail) DeleteDirectoryTree(install + "html\\mail\\");
  if (state.NoInstallAV) DeleteDirectoryTree(install + "avast\\");
  if (state.NoInstallIAS) DeleteDirectoryTree(install + "spam\\");
}

}  // namespace engine
