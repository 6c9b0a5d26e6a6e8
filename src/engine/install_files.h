// Installation helpers: copying into the installation directory with progress
// on the installing page, ending the setup on a mandatory failure.
//
// The main window is reached through InstallProgress, which it implements;
// tests implement it to watch the texts and boxes.
#pragma once

#include <string>

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
  // "Error", then ends the setup (no rollback). The main window never returns
  // from it; should an implementation return (a test double does), the
  // helpers stop copying and answer false.
  virtual void FatalError(const std::string& text) = 0;
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

// Copies `source_root` + `relative_directory` (empty, or ending in '\') with
// all its subdirectories into `installation_directory` + `relative_directory`;
// every file is mandatory. Files and subdirectories are handled in the order
// the system lists them; a target directory is made only for a directory that
// holds files, so empty directories are not created. Junctions and symbolic
// links to directories in the source are not entered. Returns false when a
// copy failed (after FatalError returned) or the source cannot be listed.
bool CopyInstallTree(InstallProgress& progress, const std::string& installation_directory,
                     const std::string& source_root, const std::string& relative_directory);

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
