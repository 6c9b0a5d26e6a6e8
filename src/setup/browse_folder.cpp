#include "setup/browse_folder.h"

#include <winnetwk.h>

#include "ui/dialog_behaviour.h"
#include "win32/file_attributes.h"
#include "win32/library_search.h"
#include "win32/win32_error.h"

namespace setup {
namespace {

constexpr int kClientWidth = 340;
constexpr int kClientHeight = 286;

bool FolderExists(const std::string& folder) {
  // A drive without a disc answers "does not exist" instead of asking for one.
  win32::NoCriticalErrorBoxes quiet;
  return win32::IsDirectory(folder);
}

// The folder itself when it exists, else the nearest existing folder above
// it; empty when there is none.
std::string NearestExistingFolder(std::string folder) {
  for (;;) {
    while (folder.size() > 3 && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
    if (folder.empty()) return {};
    if (FolderExists(folder)) return folder;
    size_t cut = folder.find_last_of("\\/", folder.size() - 2);
    if (cut == std::string::npos || cut == 0) return {};
    bool drive_root = cut == 2 && folder[1] == ':';
    folder.resize(drive_root ? cut + 1 : cut);  // "C:\" stays whole
  }
}

using ConnectionDialogFn = DWORD(WINAPI*)(HWND, DWORD);

ConnectionDialogFn ConnectionDialog() {
  static ConnectionDialogFn function = [] {
    HMODULE mpr = win32::LoadSystemLibrary("mpr.dll").release();  // kept loaded for the life of the process
    return win32::ProcedureAddress<ConnectionDialogFn>(mpr, "WNetConnectionDialog");
  }();
  return function;
}

}  // namespace

std::string FolderMissingQuestion(const std::string& folder) {
  return "The Folder:\r\n\r\n'" + folder + "'" + "\r\n\r\n" + "does not exist. Do you want the folder to be created?";
}

TBrowseFolder::TBrowseFolder() : Form("BrowseFolder", "TBrowseFolder", kClientWidth, kClientHeight, Frame::kDialog) {
  key_preview = true;
  caption_ = "Choose Folder";
}

void TBrowseFolder::AfterCreate() {
  Form::AfterCreate();
  // Creation order is the tab order; each label comes just before the
  // control its accelerator key moves to.
  Add<ui::TLabel>("ChooseLabel", this, ui::Bounds{12, 10, 316, 16}, "Please choose the installation folder.");
  Add<ui::TLabel>("PathLabel", this, ui::Bounds{12, 37, 40, 16}, "&Path: ");
  PathEdit = Add<ui::TEdit>("PathEdit", this, ui::Bounds{54, 33, 274, 21});
  Add<ui::TLabel>("DirectoriesLabel", this, ui::Bounds{12, 64, 190, 16}, "&Directories");
  DirectoryListBox = Add<ui::TDirectoryListBox>("DirectoryListBox", this, ui::Bounds{12, 81, 196, 193});
  Add<ui::TLabel>("DrivesLabel", this, ui::Bounds{220, 64, 108, 16}, "Dr&ives:");
  DriveComboBox = Add<ui::TDriveComboBox>("DriveComboBox", this, ui::Bounds{220, 81, 108, 200});
  Netbutton = Add<ui::TButton>("Netbutton", this, ui::Bounds{220, 113, 108, 25}, "&Network...");
  OKButton = Add<ui::TButton>("OKButton", this, ui::Bounds{220, 216, 108, 25}, "&OK");
  CancelButton = Add<ui::TButton>("CancelButton", this, ui::Bounds{220, 249, 108, 25}, "&Cancel");

  DriveComboBox->SetDirList(DirectoryListBox);
  DirectoryListBox->OnChange = [this](ui::Control&) { DirectoryListBoxDblClick(); };
  Netbutton->OnClick = [this](ui::Control&) { NetbuttonClick(); };
  OKButton->OnClick = [this](ui::Control&) { CloseWithResult(IDOK); };
  CancelButton->OnClick = [this](ui::Control&) { CloseWithResult(IDCANCEL); };
  default_button = OKButton;
  ::SendMessageA(OKButton->handle(), BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
  ui::InstallDialogBehaviour(*this);
}

void TBrowseFolder::FormShow() {
  PathEdit->SelectAll();
  ui::FocusControl(*this, *PathEdit);
}

void TBrowseFolder::DirectoryListBoxDblClick() { PathEdit->SetCaption(DirectoryListBox->Directory()); }

void TBrowseFolder::NetbuttonClick() {
  ConnectionDialogFn dialog = ConnectionDialog();
  if (dialog == nullptr) {
    win32::LogFailure("find WNetConnectionDialog in", "mpr.dll", ::GetLastError());
    return;
  }
  DWORD result = dialog(handle(), RESOURCETYPE_DISK);
  if (result == NO_ERROR) {
    DriveComboBox->Refresh();  // the new drive appears in the list
  } else if (result != static_cast<DWORD>(-1)) {  // -1: the user cancelled
    win32::LogFailure("open the network drive dialog for", "the folder browser", result);
  }
}

bool TBrowseFolder::FormKeyPress(char key) {
  if (key != VK_ESCAPE) return false;
  CloseWithResult(IDCANCEL);
  return true;
}

bool TBrowseFolder::FormCloseQuery() {
  if (modal_result != IDOK) return true;
  std::string folder = PathEdit->Caption();
  if (FolderExists(folder)) return true;
  std::string question = FolderMissingQuestion(folder);
  return ::MessageBoxA(nullptr, question.c_str(), "Setup", MB_YESNO | MB_ICONQUESTION | MB_TASKMODAL) == IDYES;
}

void TBrowseFolder::CloseWithResult(int result) {
  modal_result = result;
  if (!FormCloseQuery()) modal_result = 0;
}

bool BrowseForDestination(TBrowseFolder& browser, std::string& folder) {
  std::string start = NearestExistingFolder(folder);
  if (!start.empty()) browser.DirectoryListBox->SetDirectory(start);
  browser.PathEdit->SetCaption(folder);
  if (browser.ShowModal() != IDOK) return false;
  folder = browser.PathEdit->Caption();
  return true;
}

}  // namespace setup
