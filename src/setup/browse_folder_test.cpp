// The "Choose Folder" window, created in this test process (it needs the
// harness's display). The modal parts are driven from a second thread with
// the window driver, as a user would: type, click, press keys, answer boxes.
#include "setup/browse_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <thread>

#include "support/modal_script.h"
#include "ui/application.h"
#include "window_driver/window_driver.h"

namespace setup {
namespace {

bool FolderExists(const std::string& path) {
  DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The window's text, read on this (the window's own) thread; the driver's
// reads are for the driving thread.
std::string WindowText(HWND window) {
  char text[512] = "";
  ::GetWindowTextA(window, text, sizeof(text));
  return text;
}

class BrowseFolderTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ui::Application& app = ui::Application::Instance();
    app.Initialize();
    // A main window stands in for the wizard, as at program start: closing
    // the browser must not end the program.
    app.CreateForm<ui::Form>("TestMainForm", "TBrowseFolderTestMain", 200, 100, ui::Form::Frame::kSingle);
    browser_ = app.CreateForm<TBrowseFolder>();

    char temp[MAX_PATH];
    ::GetTempPathA(sizeof(temp), temp);
    root_ = std::string(temp) + "tarno_browse_test_" + std::to_string(::GetCurrentProcessId());
    for (const std::string& folder : {root_, root_ + "\\alpha", root_ + "\\beta", root_ + "\\beta\\inner"})
      ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr)) << folder << ": " << ::GetLastError();
    // The tree shows full paths the way the system spells them.
    char full[MAX_PATH];
    ::GetLongPathNameA(root_.c_str(), full, sizeof(full));
    root_ = full;
  }
  static void TearDownTestSuite() {
    for (const std::string& folder : {root_ + "\\beta\\inner", root_ + "\\beta", root_ + "\\alpha", root_})
      ::RemoveDirectoryA(folder.c_str());
  }
  void SetUp() override {
    ASSERT_TRUE(browser_->DirectoryListBox->SetDirectory(root_));
    browser_->PathEdit->SetCaption("");
  }

  static std::string ItemText(int index) {
    HWND list = browser_->DirectoryListBox->handle();
    std::string text(static_cast<size_t>(::SendMessageA(list, LB_GETTEXTLEN, index, 0)) + 1, '\0');
    text.resize(static_cast<size_t>(::SendMessageA(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()))));
    return text;
  }
  static HWND Browser() {
    return driver::WaitForWindow({"TBrowseFolder", "Choose Folder", ::GetCurrentProcessId()});
  }

  static TBrowseFolder* browser_;
  static std::string root_;
};
TBrowseFolder* BrowseFolderTest::browser_ = nullptr;
std::string BrowseFolderTest::root_;

TEST_F(BrowseFolderTest, WindowIsTheDesignedDialog) {
  HWND window = browser_->handle();
  char class_name[64] = "";
  ::GetClassNameA(window, class_name, sizeof(class_name));
  EXPECT_STREQ(class_name, "TBrowseFolder");
  EXPECT_EQ(WindowText(window), "Choose Folder");
  EXPECT_NE(::GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME, 0) << "dialog frame";
  EXPECT_TRUE(browser_->key_preview);
  RECT r{}, work{};
  ::GetWindowRect(window, &r);
  ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_LE(std::abs((r.left + r.right) - (work.left + work.right)), 2) << "centred horizontally";
  EXPECT_LE(std::abs((r.top + r.bottom) - (work.top + work.bottom)), 2) << "centred vertically";

  struct Expected {
    const char* name;
    const char* text;
  };
  for (Expected e : {Expected{"ChooseLabel", "Please choose the installation folder."},
                     Expected{"PathLabel", "&Path: "}, Expected{"DirectoriesLabel", "&Directories"},
                     Expected{"DrivesLabel", "Dr&ives:"}, Expected{"Netbutton", "&Network..."},
                     Expected{"OKButton", "&OK"}, Expected{"CancelButton", "&Cancel"}}) {
    HWND control = driver::FindControl(window, e.name);
    ASSERT_NE(control, nullptr) << e.name << " missing";
    EXPECT_EQ(WindowText(control), e.text) << e.name;
  }
  for (const char* name : {"PathEdit", "DirectoryListBox", "DriveComboBox"})
    EXPECT_NE(driver::FindControl(window, name), nullptr) << name;
  EXPECT_EQ(browser_->DirectoryListBox->class_name(), "TDirectoryListBox");
  EXPECT_EQ(browser_->DriveComboBox->class_name(), "TDriveComboBox");

  LRESULT def = ::SendMessageA(window, DM_GETDEFID, 0, 0);
  EXPECT_EQ(HIWORD(def), DC_HASDEFID);
  EXPECT_EQ(static_cast<int>(LOWORD(def)), ::GetDlgCtrlID(browser_->OKButton->handle())) << "OK is the default";
  EXPECT_NE(::GetWindowLongA(browser_->OKButton->handle(), GWL_STYLE) & BS_DEFPUSHBUTTON, 0);
}

// The tree lists the path folder by folder, each deeper than its parent,
// then the subfolders of the current directory; every change goes into the edit.
TEST_F(BrowseFolderTest, TreeShowsThePathAndSubfoldersAndFeedsTheEdit) {
  ui::TDirectoryListBox& tree = *browser_->DirectoryListBox;
  ASSERT_TRUE(tree.SetDirectory(root_ + "\\beta\\"));
  EXPECT_EQ(tree.Directory(), root_ + "\\beta");
  EXPECT_EQ(browser_->PathEdit->Caption(), root_ + "\\beta") << "the edit receives the tree's directory";

  const std::vector<std::string>& paths = tree.ItemPaths();
  ASSERT_GE(paths.size(), 3u);
  EXPECT_EQ(paths.front(), root_.substr(0, 3));
  EXPECT_EQ(paths[static_cast<size_t>(tree.CurrentIndex())], root_ + "\\beta");
  EXPECT_EQ(tree.CurrentIndex(), static_cast<int>(paths.size()) - 2) << "one subfolder after the current one";
  EXPECT_EQ(paths.back(), root_ + "\\beta\\inner");
  EXPECT_EQ(tree.ItemIndex(), tree.CurrentIndex()) << "the current directory is selected";
  EXPECT_EQ(::SendMessageA(tree.handle(), LB_GETCOUNT, 0, 0), static_cast<LRESULT>(paths.size()));
  size_t previous_indent = 0;
  for (int i = 0; i < static_cast<int>(paths.size()); ++i) {
    std::string text = ItemText(i);
    size_t indent = text.find_first_not_of(' ');
    if (i > 0) {
      EXPECT_GT(indent, previous_indent) << "item " << i << " '" << text << "'";
    }
    previous_indent = indent;
  }
  EXPECT_EQ(ItemText(static_cast<int>(paths.size()) - 1).substr(previous_indent), "inner");

  EXPECT_FALSE(tree.SetDirectory(root_ + "\\missing")) << "a folder that does not exist is refused";
  EXPECT_EQ(tree.Directory(), root_ + "\\beta");
}

// A double click, or Enter, on an item changes into that folder (and does
// not press the default button).
TEST_F(BrowseFolderTest, DoubleClickAndEnterChangeIntoTheFolder) {
  ui::TDirectoryListBox& tree = *browser_->DirectoryListBox;
  ASSERT_TRUE(tree.SetDirectory(root_ + "\\beta"));
  HWND list = tree.handle();
  tree.SetItemIndex(static_cast<int>(tree.ItemPaths().size()) - 1);
  ::SendMessageA(browser_->handle(), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(list), LBN_DBLCLK),
                 reinterpret_cast<LPARAM>(list));
  EXPECT_EQ(tree.Directory(), root_ + "\\beta\\inner");
  EXPECT_EQ(browser_->PathEdit->Caption(), root_ + "\\beta\\inner");

  // Enter on the item of the parent folder, through the message loop as typed.
  int parent = tree.CurrentIndex() - 1;
  tree.SetItemIndex(parent);
  std::string parent_path = tree.ItemPaths()[static_cast<size_t>(parent)];
  browser_->modal_result = 0;
  ::PostMessageA(list, WM_KEYDOWN, VK_RETURN, 1);
  ::PostMessageA(list, WM_KEYUP, VK_RETURN, 0xC0000001);
  ui::Application::Instance().ProcessMessages();
  EXPECT_EQ(tree.Directory(), parent_path);
  EXPECT_EQ(browser_->PathEdit->Caption(), parent_path);
  EXPECT_EQ(browser_->modal_result, 0) << "Enter in the tree does not press OK";
}

// Choosing another drive moves the tree to its root and the edit with it;
// moving the tree to another drive moves the drive list.
TEST_F(BrowseFolderTest, DriveListMovesTheTreeAndTheEdit) {
  ui::TDriveComboBox& drives = *browser_->DriveComboBox;
  ui::TDirectoryListBox& tree = *browser_->DirectoryListBox;
  EXPECT_EQ(drives.Drive(), root_[0]) << "the drive list shows the tree's drive";
  char other = 0;
  for (char letter : drives.Drives())
    if (letter != root_[0] && FolderExists(std::string(1, letter) + ":\\")) other = letter;
  if (other == 0) GTEST_SKIP() << "this computer has one readable drive only";

  auto it = std::find(drives.Drives().begin(), drives.Drives().end(), other);
  // As a user's choice: the selection moves and the window hears CBN_SELCHANGE.
  HWND combo = drives.handle();
  ::SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(it - drives.Drives().begin()), 0);
  ::SendMessageA(browser_->handle(), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(combo), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
  std::string other_root = std::string(1, other) + ":\\";
  EXPECT_EQ(tree.Directory(), other_root);
  EXPECT_EQ(browser_->PathEdit->Caption(), other_root);
  EXPECT_EQ(tree.ItemPaths().front(), other_root);

  ASSERT_TRUE(tree.SetDirectory(root_ + "\\alpha"));
  EXPECT_EQ(drives.Drive(), root_[0]) << "the drive list follows the tree";
  EXPECT_EQ(browser_->PathEdit->Caption(), root_ + "\\alpha");
}

TEST_F(BrowseFolderTest, MissingFolderQuestionText) {
  EXPECT_EQ(FolderMissingQuestion("C:\\Tarno"),
            "The Folder:\r\n\r\n'C:\\Tarno'\r\n\r\ndoes not exist. Do you want the folder to be created?");
}

// OK on a folder that does not exist asks; No keeps the browser open, Yes
// closes it with the folder as typed, which is still not created.
TEST_F(BrowseFolderTest, MissingFolderNoKeepsOpenYesReturnsIt) {
  const std::string missing = root_ + "\\beta\\New Folder";
  std::string folder = missing;
  bool result = false;
  RunModal(*browser_, [&] {
    HWND window = Browser();
    ASSERT_NE(window, nullptr) << "the browser was not shown";
    HWND edit = driver::RequireControl(window, "PathEdit");
    EXPECT_EQ(driver::Text(edit), missing) << "the edit receives the folder";
    EXPECT_TRUE(driver::WaitUntil([&] { return driver::FocusedControl(window) == edit; }))
        << "the edit has the focus; focused: " << driver::Describe(driver::FocusedControl(window));
    DWORD start = 0, end = 0;
    ::SendMessageTimeoutA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end),
                          SMTO_ABORTIFHUNG, 5000, nullptr);
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, missing.size()) << "the edit's text is selected";
    HWND ok = driver::RequireControl(window, "OKButton");

    driver::Click(ok);
    HWND box = driver::WaitForMessageBox(::GetCurrentProcessId(), "Setup");
    ASSERT_NE(box, nullptr) << "no existence question";
    driver::MessageBoxInfo info = driver::ReadMessageBox(box);
    EXPECT_EQ(info.text, FolderMissingQuestion(missing)) << driver::Describe(info);
    EXPECT_EQ(info.icon, driver::MessageBoxIcon::kQuestion) << driver::Describe(info);
    EXPECT_EQ(info.ButtonIds(), (std::vector<int>{IDYES, IDNO})) << driver::Describe(info);
    EXPECT_EQ(::GetWindow(box, GW_OWNER), nullptr) << "the question has no owner window";
    EXPECT_FALSE(::IsWindowEnabled(window)) << "task-modal: the browser is disabled while the box is up";
    driver::AnswerMessageBox(box, IDNO);
    ASSERT_TRUE(driver::WaitForWindowGone(box));
    EXPECT_TRUE(driver::WaitUntil([&] { return ::IsWindowEnabled(window) != FALSE; }));
    EXPECT_TRUE(::IsWindowVisible(window)) << "No keeps the browser open";

    driver::Click(ok);
    box = driver::WaitForMessageBox(::GetCurrentProcessId(), "Setup");
    ASSERT_NE(box, nullptr) << "no existence question the second time";
    driver::AnswerMessageBox(box, IDYES);
    EXPECT_TRUE(driver::WaitForWindowGone(window)) << "Yes lets the browser close";
  }, [&] { result = BrowseForDestination(*browser_, folder); });
  EXPECT_TRUE(result);
  EXPECT_EQ(folder, missing);
  EXPECT_FALSE(FolderExists(missing)) << "the browser does not create the folder";
  EXPECT_EQ(browser_->DirectoryListBox->Directory(), root_ + "\\beta")
      << "the tree opened at the nearest existing folder";
}

// An existing folder closes without a question, with the text as typed
// (a trailing backslash stays, none is added).
TEST_F(BrowseFolderTest, ExistingFolderReturnsTheTextAsTyped) {
  std::string folder = root_ + "\\beta";
  const std::string typed = root_ + "\\alpha\\";
  bool result = false;
  RunModal(*browser_, [&] {
    HWND window = Browser();
    ASSERT_NE(window, nullptr);
    driver::SetText(driver::RequireControl(window, "PathEdit"), typed);
    driver::Click(driver::RequireControl(window, "OKButton"));
    EXPECT_TRUE(driver::WaitForWindowGone(window));
  }, [&] { result = BrowseForDestination(*browser_, folder); });
  EXPECT_TRUE(result);
  EXPECT_EQ(folder, typed);
  EXPECT_EQ(driver::FindTopLevelWindow({"#32770", "", ::GetCurrentProcessId()}), nullptr) << "no question";
}

// Escape, the Cancel button and the close box all cancel without a question,
// and the folder stays as it was whatever the edit held.
TEST_F(BrowseFolderTest, EscapeCancelAndCloseBoxCancel) {
  enum class Way { kEscape, kCancelButton, kCloseBox };
  for (Way way : {Way::kEscape, Way::kCancelButton, Way::kCloseBox}) {
    SCOPED_TRACE(static_cast<int>(way));
    const std::string original = root_ + "\\alpha";
    std::string folder = original;
    bool result = true;
    RunModal(*browser_, [&] {
      HWND window = Browser();
      ASSERT_NE(window, nullptr);
      HWND edit = driver::RequireControl(window, "PathEdit");
      driver::SetText(edit, root_ + "\\not there");
      switch (way) {
        case Way::kEscape:
          ASSERT_TRUE(driver::WaitUntil([&] { return driver::FocusedControl(window) == edit; }));
          driver::PressKey(window, VK_ESCAPE);
          break;
        case Way::kCancelButton:
          driver::Click(driver::RequireControl(window, "CancelButton"));
          break;
        case Way::kCloseBox:
          driver::Close(window);
          break;
      }
      EXPECT_TRUE(driver::WaitForWindowGone(window));
    }, [&] { result = BrowseForDestination(*browser_, folder); });
    EXPECT_FALSE(result);
    EXPECT_EQ(folder, original);
    EXPECT_EQ(driver::FindTopLevelWindow({"#32770", "", ::GetCurrentProcessId()}), nullptr) << "no question";
  }
}

}  // namespace
}  // namespace setup
