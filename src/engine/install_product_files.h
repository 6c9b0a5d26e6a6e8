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
#include "engine/install_plan.h"
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

// The optional containers and files that lie beside the setup program in
// `program_dir` (trailing backslash optional).
DistributionContents ProbeDistribution(const std::string& program_dir);

// What the file stage's plan needs to know of the destination `install`
// (trailing backslash): which of the administrator's folders exist already.
// Sets the destination fields of `detection`; the others stay.
void ProbeDestination(const std::string& install, InstallDetection& detection);

// Whether the container at `container` (a full path) belongs to this setup
// program (ContainerOfThisBuild: the SHA-256 the build wrote into it) and is
// read through without damage (DataFileIntact). Why it is not is logged.
bool ContainerIntact(const std::string& container);

// Reads every container of `containers` (names beside the setup program in
// `program_dir`, as ContainersOf lists them) through before anything is
// stopped or changed: one that is missing, truncated, damaged or not of this
// build (ContainerIntact) shows the "Extracting files error: data file error"
// box and answers false.
bool DistributionIntact(InstallProgress& progress, const std::string& program_dir,
                        const std::vector<std::string>& containers);

// Unpacking the payload: the progress text "Extracting Files...", a fresh
// staging directory, "setup.Dat" from the program's directory unpacked into
// it. Returns the staging directory, empty after the error box.
std::string ExtractSetupData(InstallProgress& progress, const std::string& program_dir);

// What the steps of the file stage work through.
struct FileStageParts {
  InstallProgress& progress;
  StagedFilePlacer& placer;
  ComponentServices& services;
  PlanRoots roots;
};

// Applies one step of the file stage (the kinds from kProgressText on, see
// install_plan.h) with its rule. False when the step ended the setup (after
// FatalError returned); a failing optional step is logged or ignored as the
// step's kind says, and answers true. A step of another kind is a mistake of
// the caller: it is logged and does nothing.
bool ApplyFileStep(const PlanStep& step, FileStageParts& parts);

// Applies a removal (kDeleteFile, kDeleteMatching, kDeleteTree) with paths
// under `roots`; a file or tree that cannot be removed is logged and stays.
// False, doing nothing, for a step of another kind.
bool ApplyRemovalStep(const PlanStep& step, const PlanRoots& roots);

// The detection, request and distribution of the file stage taken from
// `state` (InstallFolder, the exclusions, PreviousOlderThan827) and `paths`,
// the destination probed now.
InstallDetection FileStageDetection(const setup::SetupState& state);
InstallRequest FileStageRequest(const setup::SetupState& state, const FileStagePaths& paths);

// Creates INSTALL and places the product files: PlanFileStage for `state`
// applied step by step. Sets state.WebMailInstalled when web mail is
// installed. False when a step ended the setup.
bool InstallFiles(InstallProgress& progress, ComponentServices& services, setup::SetupState& state,
                  const FileStagePaths& paths);

// Deletes from INSTALL what belongs to components that were not chosen
// (PlanDeselectedComponents); failures are silent.
void RemoveDeselectedComponents(const setup::SetupState& state);

}  // namespace engine
