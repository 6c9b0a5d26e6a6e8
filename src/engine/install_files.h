// Installation helpers: copying into the installation directory with progress
// on the installing page, ending the setup on a mandatory failure.
//
// The main window is reached through InstallProgress, which it implements;
// tests implement it to watch the texts and boxes.
#pragma once

#include <string>

#include "engine/file_helpers.h"
#include "setup/setup_state.h"

namespace engine {

// What the installation helpers need of the main window.
class InstallProgress {
 public:
  virtual ~InstallProgress() = default;

  // Lets pending window messages run, sets InstallPanelText to `text` and
  // repaints it at once.
  virtual void SetProgressText(const std::string& text) = 0;

  // Advances ProgressBar (maximum 12, step 1) by one.
  virtual void StepProgress() = 0;

  // Shows `text` in a task-modal box with the error icon and the caption
  // "Error", then ends the setup (no rollback) with `exit_code` (one of the
  // setup's exit codes). The main window never returns from it; should an
  // implementation return (a test double does), the helpers stop copying and
  // answer false.
  virtual void FatalError(const std::string& text, unsigned exit_code) = 0;
};

// Copies `source_directory` + `name` to `target_directory` + `name` (both
// directories with trailing backslash, or without: one is added). First the
// progress text "Copying File:\r\n" (cCopying) + target + "..."; an existing
// target loses all its attributes so that a read-only, hidden or system file
// can be replaced. When the copy fails and `mandatory` is set, FatalError gets
// cErrorFile formatted with the system's text for the error and `name`.
// A failing optional copy is ignored. Returns whether the file was copied.
bool CopyInstallFile(InstallProgress& progress, const std::string& name,
                     const std::string& source_directory, const std::string& target_directory,
                     bool mandatory);

// Places what was unpacked into the staging directory into the installation
// directory with the visible result of copying it with CopyInstallFile, file
// by file and directory by directory (the same targets, the same
// replacements, the same progress texts in the same order, the same error box
// on a failing mandatory file; a target directory is made only for a
// directory that holds files, so empty directories are not created; links to
// directories in the source are not entered), touching each file once: a
// staged file is moved (renamed) instead of copied, and a staged directory
// whose target does not exist yet is moved as a whole with one rename when
// every directory in it holds files. Use it only for staged items that
// nothing reads from the staging directory again: a moved item is gone from
// there.
//
// A moved item is given the security a new file in its target directory gets
// (ResetToInheritedSecurity), as a copy would have. Where a rename cannot work
// (the staging directory on another volume, a target in use) the file is
// copied; once a rename was refused for another volume, every later item is
// copied straight away.
class StagedFilePlacer {
 public:
  // `reset_security` is what gives a moved item its new security (a test
  // hands in a recorder).
  using SecurityReset = bool (*)(const std::string& path);
  explicit StagedFilePlacer(InstallProgress& progress, SecurityReset reset_security = ResetToInheritedSecurity)
      : progress_(progress), reset_security_(reset_security) {}

  // CopyInstallFile, moving the file.
  bool PlaceFile(const std::string& name, const std::string& source_directory,
                 const std::string& target_directory, bool mandatory);

  // `source_root` + `relative_directory` (empty, or ending in '\') with all
  // its subdirectories into `installation_directory` + `relative_directory`,
  // every file mandatory, moving the files (or the whole directory). A source
  // that does not exist places nothing (logged). False only when a mandatory
  // file failed (after FatalError returned): the files after it stay.
  bool PlaceTree(const std::string& installation_directory, const std::string& source_root,
                 const std::string& relative_directory);

  // The progress texts PlaceTree shows for placing the files now in
  // `installation_directory` + `relative_directory` onto themselves, in the
  // order the system lists them; a file named `skip_top_file` directly in that
  // directory is left out. For a tree that is already in place and would be
  // copied again with the same content.
  void AnnounceTree(const std::string& installation_directory, const std::string& relative_directory,
                    const std::string& skip_top_file = std::string());

  bool renames_work() const { return renames_work_; }

 private:
  bool MoveIntoPlace(const std::string& source, const std::string& target, bool replace);

  InstallProgress& progress_;
  SecurityReset reset_security_;
  bool renames_work_ = true;
};

// Copies the text file `source_file` (relative names are taken in
// `staging_directory`) into `target_directory` under the same name, line by
// line, replacing on each line the first "%%installpath%%" by
// `installation_directory` and then the first "%%temppath%%" by the Windows
// directory + "temp\" (whose "cache\" subdirectory is created). Lines end in
// CR LF, LF or CR and are written with CR LF. Creates `target_directory`
// first. Fails silently (false) when the source cannot be read or the target
// cannot be created; nothing is created for a missing source.
bool CopyTemplateFile(const std::string& installation_directory,
                      const std::string& staging_directory, const std::string& source_file,
                      const std::string& target_directory);

}  // namespace engine
