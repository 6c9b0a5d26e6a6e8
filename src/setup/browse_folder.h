// TBrowseFolder: the "Choose Folder" window in which the destination folder
// is picked. Created hidden at program start; shown modally from the
// destination page (BrowseForDestination).
//
// The directory tree and the drive list are linked; every change of the
// tree's current directory is copied into PathEdit, which the user may also
// edit freely. Closing with OK asks whether a folder that does not exist
// should be created (the installation creates it later); No keeps the
// window open. Escape, the Cancel button and the close box cancel.
#pragma once

#include <string>

#include "ui/controls.h"
#include "ui/drive_controls.h"
#include "ui/form.h"

namespace setup {

class TBrowseFolder : public ui::Form {
 public:
  TBrowseFolder();

  ui::TEdit* PathEdit = nullptr;
  ui::TDirectoryListBox* DirectoryListBox = nullptr;
  ui::TDriveComboBox* DriveComboBox = nullptr;
  ui::TButton* Netbutton = nullptr;
  ui::TButton* OKButton = nullptr;
  ui::TButton* CancelButton = nullptr;

  // Selects the edit's text and gives it the focus; runs at every show.
  void FormShow() override;
  // The tree's current directory changed: the edit takes it.
  void DirectoryListBoxDblClick();
  // The system's dialog for connecting a network drive, owned by this window.
  void NetbuttonClick();
  // Escape closes the window as cancelled.
  bool FormKeyPress(char key) override;
  // With the OK result pending: true when the folder in the edit exists or
  // the user agrees that it be created later; false keeps the window open.
  bool FormCloseQuery() override;

  // Closes with `result` (IDOK or IDCANCEL) when FormCloseQuery allows it.
  void CloseWithResult(int result);

 protected:
  void AfterCreate() override;
};

// The text of the question asked when the chosen folder does not exist.
std::string FolderMissingQuestion(const std::string& folder);

// Shows `browser` modally with `folder` in its edit (the tree opens at the
// nearest existing folder above it). On OK, `folder` takes the edit's text as
// typed (no backslash is added) and the result is true; otherwise `folder`
// is unchanged and the result is false.
bool BrowseForDestination(TBrowseFolder& browser, std::string& folder);

}  // namespace setup
