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

bool FileExists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }


// What is deleted is staging material, a component that was not chosen or,
// in the uninstall, a program file: one that stays does no harm to what
// follows, so a failure is logged and the run goes on.
void DeleteFileSilently(const std::string& path) {
  if (::DeleteFileA(path.c_str())) return;
  const DWORD error = ::GetLastError();
  if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) win32::LogFailure("deleting", path, error);
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

DistributionContents ProbeDistribution(const std::string& program_dir) {
  const std::string dir = AdjustTrailingBackslash(program_dir, true, false);
  DistributionContents d;
  d.antivirus = FileExists(dir + "setupav.dat");
  d.ldap = FileExists(dir + "setupldap.dat");
  d.php = FileExists(dir + "setupphp.dat");
  d.other = FileExists(dir + "other.dat");
  d.tarno_mcb = FileExists(dir + "tarno.mcb");
  return d;
}

void ProbeDestination(const std::string& install, InstallDetection& d) {
  d.config_present = IsDirectory(install + "config\\");
  d.spam_present = IsDirectory(install + "spam\\");
  d.spam_rules_present = IsDirectory(install + "spam\\rules\\");
  d.calendar_present = IsDirectory(install + "calendar\\");
  d.antivirus_present = IsDirectory(install + "avast");
}

bool ContainerIntact(const std::string& container) {
  // Each check logs why it refused the container.
  return ContainerOfThisBuild(container) && DataFileIntact(container);
}

bool DistributionIntact(InstallProgress& progress, const std::string& program_dir,
                        const std::vector<std::string>& containers) {
  const std::string dir = AdjustTrailingBackslash(program_dir, true, false);
  for (const std::string& name : containers) {
    if (ContainerIntact(dir + name)) continue;
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

bool ApplyRemovalStep(const PlanStep& step, const PlanRoots& roots) {
  const std::string target = ResolvePlanPath(step.target, roots);
  switch (step.kind) {
    case StepKind::kDeleteFile:
      DeleteFileSilently(target);
      return true;
    case StepKind::kDeleteMatching:
      DeleteDirectoryTree(target, step.name, false);
      return true;
    case StepKind::kDeleteTree:
      DeleteDirectoryTree(target);
      return true;
    default:
      return false;
  }
}

bool ApplyFileStep(const PlanStep& step, FileStageParts& parts) {
  InstallProgress& progress = parts.progress;
  StagedFilePlacer& placer = parts.placer;
  const std::string source = ResolvePlanPath(step.source, parts.roots);
  const std::string target = ResolvePlanPath(step.target, parts.roots);
  switch (step.kind) {
    case StepKind::kProgressText:
      progress.SetProgressText(step.name);
      return true;
    case StepKind::kCreateInstallDirectory:
      return CreateInstallDirectory(progress, target);
    case StepKind::kForceDirectory:
      ForceDirectoryTree(target);
      return true;
    case StepKind::kCopyFile:
      return CopyInstallFile(progress, step.name, source, target, step.mandatory) || !step.mandatory;
    case StepKind::kPlaceFile:
      if (step.rule == PlaceRule::kWhenMissing && FileExists(target + step.name)) return true;
      if (step.rule == PlaceRule::kWhenStaged && !FileExists(source + step.name)) return true;
      return placer.PlaceFile(step.name, source, target, step.mandatory) || !step.mandatory;
    case StepKind::kPlaceTree:
      return placer.PlaceTree(target, source, step.name);
    case StepKind::kAnnounceTree:
      placer.AnnounceTree(target, step.source.relative, step.name);
      return true;
    case StepKind::kMoveFile:
      // Where the target exists already the move fails and both files stay.
      if (FileExists(source)) MoveFileTo(source, target);
      return true;
    case StepKind::kCopyTemplate: {
      const std::string name = source.substr(source.find_last_of('\\') + 1);
      if (step.rule == PlaceRule::kWhenMissing && FileExists(target + name)) return true;
      CopyTemplateFile(parts.roots.install, parts.roots.staging, source, target);
      return true;
    }
    case StepKind::kExtractContainer:
      if (step.required) return ExtractRequiredContainer(progress, source, target);
      // An optional container that cannot be read is logged by the reader;
      // the installation does without it.
      ExtractDataFile(source, target, step.overwrite_all, step.keep_list, 0, "");
      return true;
    case StepKind::kWriteEmptyFile:
      WriteTextFile("", target, false, false);
      return true;
    case StepKind::kRemoveExtractedTree:
      RemoveExtractedTree(target);
      return true;
    case StepKind::kCreateDataSource:
      if (!parts.services.DSNExists(step.name)) parts.services.CreateAccessDSN(step.name, target);
      return true;
    // The engine's own setup reports nothing the installation acts upon.
    case StepKind::kLoadAvSetupInterface:
      parts.services.LoadAvSetupInterface(target);
      return true;
    case StepKind::kInstallAvEngine:
      parts.services.InstallAvEngine(target);
      return true;
    case StepKind::kUnloadAvSetupInterface:
      parts.services.UnloadAvSetupInterface();
      return true;
    case StepKind::kUpdateAvEngineFiles:
      parts.services.UpdateAvEngineFiles();
      return true;
    default:
      if (ApplyRemovalStep(step, parts.roots)) return true;
      win32::LogLine("file stage: step kind " + std::to_string(static_cast<int>(step.kind)) +
                     " is no file step; skipped");
      return true;
  }
}

InstallDetection FileStageDetection(const setup::SetupState& state) {
  InstallDetection detection;
  detection.previous_version = state.PreviousVersion;
  detection.previous_older_than_827 = state.PreviousOlderThan827;
  ProbeDestination(state.InstallFolder, detection);
  return detection;
}

InstallRequest FileStageRequest(const setup::SetupState& state, const FileStagePaths& paths) {
  InstallRequest request;
  request.install_folder = state.InstallFolder;
  request.program_file = paths.program_file;
  request.excluded.instant_messaging = state.NoInstallIM;
  request.excluded.web_mail = state.NoInstallWebMail;
  request.excluded.groupware = state.NoInstallCalendar;
  request.excluded.anti_virus = state.NoInstallAV;
  request.excluded.anti_spam = state.NoInstallIAS;
  return request;
}

bool InstallFiles(InstallProgress& progress, ComponentServices& services, setup::SetupState& state,
                  const FileStagePaths& paths) {
  const InstallRequest request = FileStageRequest(state, paths);
  const std::string program_dir = AdjustTrailingBackslash(paths.program_dir, true, false);
  StagedFilePlacer placer(progress);
  FileStageParts parts{progress, placer, services,
                       {state.InstallFolder, paths.staging, program_dir,
                        GetSpecialDirectory(SpecialDirectoryKind::kWindows), {}, {}}};
  state.WebMailInstalled = !request.excluded.web_mail;
  for (const PlanStep& step : PlanFileStage(FileStageDetection(state), request, ProbeDistribution(program_dir),
                                            setup::Messages()))
    if (!ApplyFileStep(step, parts)) return false;
  return true;
}

void RemoveDeselectedComponents(const setup::SetupState& state) {
  const PlanRoots roots{state.InstallFolder, {}, {}, {}, {}, {}};
  for (const PlanStep& step : PlanDeselectedComponents(FileStageRequest(state, {}).excluded))
    ApplyRemovalStep(step, roots);
}

}  // namespace engine
