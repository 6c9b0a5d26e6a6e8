// The drive list and the directory tree of a folder chooser, in the style of
// the classic Windows file dialogs.
//
// TDirectoryListBox is a list box that shows the path of its current
// directory folder by folder, each indented one step deeper than its parent
// ("C:\", "Program Files", "Tarno"), followed by the subfolders of the
// current directory one step deeper again, sorted by name. A double click or
// Enter on an item changes into that folder. OnChange fires after every
// change of the current directory, whoever made it.
//
// TDriveComboBox lists the drives of the computer ("c: [SYSTEM]"). Linked to
// a directory list (SetDirList), choosing a drive moves the list to that
// drive's root, and the combo box follows the list when the list moves to
// another drive. A drive that cannot be read (no disc) leaves the list where
// it was and the combo box back on the list's drive.
#pragma once

#include <string>
#include <vector>

#include "ui/controls.h"

namespace ui {

class TDirectoryListBox : public Control {
 public:
  TDirectoryListBox(std::string name, Control* parent, Bounds bounds);

  // The current directory, a full path without a trailing backslash except
  // for a drive's root ("C:\").
  const std::string& Directory() const { return directory_; }
  // Makes `path` (absolute, or relative to the process's current directory)
  // the current directory. Returns false, and changes nothing, when it is not
  // an existing directory.
  bool SetDirectory(const std::string& path);
  // The drive letter of the current directory (upper case), 0 for a UNC path.
  char Drive() const;
  // Moves to the root of drive `letter`; false when that drive cannot be read.
  bool SetDrive(char letter);

  // The full path each item stands for, in item order.
  const std::vector<std::string>& ItemPaths() const { return paths_; }
  // The item of the current directory.
  int CurrentIndex() const { return current_index_; }
  int ItemIndex() const;
  void SetItemIndex(int index);
  // Changes into the folder of the selected item, as a double click does.
  void OpenCurrent();

  void HandleCommand(WORD code) override;

 protected:
  WindowParams Params() const override;
  void AfterCreate() override;

 private:
  friend class TDriveComboBox;
  void Fill();
  static LRESULT CALLBACK ListProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

  std::string directory_;
  std::vector<std::string> paths_;
  int current_index_ = -1;
  // Set by a linked drive list, told of every change of the directory.
  std::function<void()> drive_follower_;
};

class TDriveComboBox : public Control {
 public:
  TDriveComboBox(std::string name, Control* parent, Bounds bounds);

  // The drive letters listed (upper case), in item order.
  const std::vector<char>& Drives() const { return drives_; }
  // The selected drive (upper case), 0 when none.
  char Drive() const;
  // Selects drive `letter` and, when linked, moves the directory list to it.
  // False when the drive is not listed or cannot be read.
  bool SetDrive(char letter);
  // Links the directory list; the combo box shows the list's drive.
  void SetDirList(TDirectoryListBox* list);
  // Reads the drives of the computer again (after a network drive was
  // connected), keeping the selection on the list's drive.
  void Refresh();

  void HandleCommand(WORD code) override;

 protected:
  WindowParams Params() const override;
  void AfterCreate() override;

 private:
  void SelectLetter(char letter);

  std::vector<char> drives_;
  TDirectoryListBox* dir_list_ = nullptr;
};

}  // namespace ui
