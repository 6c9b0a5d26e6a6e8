#include "ui/drive_controls.h"

#include <algorithm>
#include <cctype>

#include "ui/application.h"
#include "win32/file_attributes.h"
#include "win32/scoped_handle.h"

namespace ui {
namespace {

// Indentation of one folder level in the directory list.
constexpr char kIndent[] = "   ";

WNDPROC g_list_proc = nullptr;

// A drive without a disc must answer "not there" instead of asking the user
// to insert one.
using win32::NoCriticalErrorBoxes;

// The full form of `path`: no trailing backslash except on a drive's root.
std::string FullPath(const std::string& path) {
  if (path.empty()) return {};
  char buffer[MAX_PATH * 2];
  DWORD n = ::GetFullPathNameA(path.c_str(), sizeof(buffer), buffer, nullptr);
  if (n == 0 || n >= sizeof(buffer)) return {};
  std::string full(buffer, n);
  while (full.size() > 3 && full.back() == '\\') full.pop_back();
  if (full.size() == 2 && full[1] == ':') full += '\\';
  if (full.size() >= 2 && full[1] == ':') full[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(full[0])));
  return full;
}

// Splits a full path into its root ("C:\" or "\\server\share\") and folders.
void SplitPath(const std::string& full, std::string& root, std::vector<std::string>& folders) {
  size_t start;
  if (full.rfind("\\\\", 0) == 0) {
    size_t server_end = full.find('\\', 2);
    size_t share_end = server_end == std::string::npos ? std::string::npos : full.find('\\', server_end + 1);
    root = share_end == std::string::npos ? full + "\\" : full.substr(0, share_end + 1);
    start = share_end == std::string::npos ? full.size() : share_end + 1;
  } else {
    root = full.substr(0, std::min<size_t>(3, full.size()));
    start = root.size();
  }
  folders.clear();
  while (start < full.size()) {
    size_t end = full.find('\\', start);
    if (end == std::string::npos) end = full.size();
    if (end > start) folders.push_back(full.substr(start, end - start));
    start = end + 1;
  }
}

std::string JoinPath(const std::string& base, const std::string& name) {
  if (!base.empty() && base.back() == '\\') return base + name;
  return base + "\\" + name;
}

// The visible subfolders of `directory`, sorted by name as the system compares them.
std::vector<std::string> Subfolders(const std::string& directory) {
  std::vector<std::string> names;
  NoCriticalErrorBoxes quiet;
  WIN32_FIND_DATAA found{};
  win32::ScopedFindHandle find(::FindFirstFileA(JoinPath(directory, "*").c_str(), &found));
  if (!find.valid()) return names;  // an empty or unreadable folder simply has no subfolders to show
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) continue;
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0) continue;
    std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    names.push_back(name);
  } while (::FindNextFileA(find.get(), &found));
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return ::lstrcmpiA(a.c_str(), b.c_str()) < 0; });
  return names;
}

std::string Indent(size_t level) {
  std::string text;
  for (size_t i = 0; i < level; ++i) text += kIndent;
  return text;
}

}  // namespace

// ---- TDirectoryListBox -------------------------------------------------------

TDirectoryListBox::TDirectoryListBox(std::string name, Control* parent, Bounds bounds)
    : Control(std::move(name), "TDirectoryListBox", parent, bounds) {
  char current[MAX_PATH];
  DWORD n = ::GetCurrentDirectoryA(sizeof(current), current);
  directory_ = n > 0 && n < sizeof(current) ? FullPath(std::string(current, n)) : "C:\\";
}

Control::WindowParams TDirectoryListBox::Params() const {
  return {"LISTBOX", LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP | WS_GROUP, WS_EX_CLIENTEDGE};
}

void TDirectoryListBox::AfterCreate() {
  WNDPROC previous = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrA(handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ListProc)));
  if (g_list_proc == nullptr) g_list_proc = previous;
  Fill();
}

// Enter changes into the selected folder instead of pressing the window's
// default button, as in the classic directory list.
LRESULT CALLBACK TDirectoryListBox::ListProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_GETDLGCODE) {
    auto* msg = reinterpret_cast<const MSG*>(lparam);
    if (msg != nullptr && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN)
      return ::CallWindowProcA(g_list_proc, window, message, wparam, lparam) | DLGC_WANTALLKEYS;
  } else if (message == WM_KEYDOWN && wparam == VK_RETURN) {
    auto* self = dynamic_cast<TDirectoryListBox*>(Control::FromHandle(window));
    if (self != nullptr) {
      try {
        self->OpenCurrent();
      } catch (...) {
        Application::Instance().HandleException(std::current_exception());
      }
      return 0;
    }
  } else if (message == WM_CHAR && wparam == '\r') {
    return 0;  // already handled on the key-down
  }
  return ::CallWindowProcA(g_list_proc, window, message, wparam, lparam);
}

void TDirectoryListBox::Fill() {
  std::string root;
  std::vector<std::string> folders;
  SplitPath(directory_, root, folders);
  paths_.clear();
  std::vector<std::string> texts;
  std::string path = root;
  paths_.push_back(path);
  texts.push_back(root);
  for (size_t i = 0; i < folders.size(); ++i) {
    path = JoinPath(path, folders[i]);
    paths_.push_back(path);
    texts.push_back(Indent(i + 1) + folders[i]);
  }
  current_index_ = static_cast<int>(paths_.size()) - 1;
  for (const std::string& name : Subfolders(directory_)) {
    paths_.push_back(JoinPath(directory_, name));
    texts.push_back(Indent(folders.size() + 1) + name);
  }
  if (handle() == nullptr) return;
  ::SendMessageA(handle(), WM_SETREDRAW, FALSE, 0);
  ::SendMessageA(handle(), LB_RESETCONTENT, 0, 0);
  for (const std::string& text : texts)
    ::SendMessageA(handle(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  ::SendMessageA(handle(), LB_SETCURSEL, current_index_, 0);
  ::SendMessageA(handle(), WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(handle(), nullptr, TRUE);
}

bool TDirectoryListBox::SetDirectory(const std::string& path) {
  std::string full = FullPath(path);
  if (full.empty()) return false;
  {
    NoCriticalErrorBoxes quiet;
    if (!win32::IsDirectory(full)) return false;
  }
  bool changed = ::lstrcmpiA(full.c_str(), directory_.c_str()) != 0;
  directory_ = full;
  Fill();
  if (changed) {
    if (drive_follower_) drive_follower_();
    Fire(OnChange);
  }
  return true;
}

char TDirectoryListBox::Drive() const {
  if (directory_.size() >= 2 && directory_[1] == ':')
    return static_cast<char>(std::toupper(static_cast<unsigned char>(directory_[0])));
  return 0;
}

bool TDirectoryListBox::SetDrive(char letter) {
  letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  if (letter == Drive()) return true;
  return SetDirectory(std::string(1, letter) + ":\\");
}

int TDirectoryListBox::ItemIndex() const {
  return handle() ? static_cast<int>(::SendMessageA(handle(), LB_GETCURSEL, 0, 0)) : -1;
}

void TDirectoryListBox::SetItemIndex(int index) {
  if (handle() != nullptr) ::SendMessageA(handle(), LB_SETCURSEL, index, 0);
}

void TDirectoryListBox::OpenCurrent() {
  int index = ItemIndex();
  if (index < 0 || index >= static_cast<int>(paths_.size())) return;
  // A folder that went away since the list was filled: show what is there now.
  if (!SetDirectory(paths_[static_cast<size_t>(index)])) Fill();
}

void TDirectoryListBox::HandleCommand(WORD code) {
  if (code == LBN_DBLCLK) OpenCurrent();
}

// ---- TDriveComboBox ----------------------------------------------------------

TDriveComboBox::TDriveComboBox(std::string name, Control* parent, Bounds bounds)
    : Control(std::move(name), "TDriveComboBox", parent, bounds) {}

Control::WindowParams TDriveComboBox::Params() const {
  return {"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_GROUP};
}

void TDriveComboBox::AfterCreate() { Refresh(); }

void TDriveComboBox::Refresh() {
  drives_.clear();
  DWORD mask = ::GetLogicalDrives();
  for (int i = 0; i < 26; ++i)
    if (mask & (1u << i)) drives_.push_back(static_cast<char>('A' + i));
  if (handle() == nullptr) return;
  ::SendMessageA(handle(), CB_RESETCONTENT, 0, 0);
  NoCriticalErrorBoxes quiet;
  for (char letter : drives_) {
    std::string root = std::string(1, letter) + ":\\";
    std::string text = std::string(1, static_cast<char>(std::tolower(static_cast<unsigned char>(letter)))) + ":";
    // Only fixed drives are asked for their label: a removable drive would
    // spin up, a network drive could keep the window waiting.
    char label[MAX_PATH] = "";
    if (::GetDriveTypeA(root.c_str()) == DRIVE_FIXED &&
        ::GetVolumeInformationA(root.c_str(), label, sizeof(label), nullptr, nullptr, nullptr, nullptr, 0) &&
        label[0] != '\0')
      text += std::string(" [") + label + "]";
    ::SendMessageA(handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  SelectLetter(dir_list_ ? dir_list_->Drive() : 0);
}

void TDriveComboBox::SelectLetter(char letter) {
  auto it = std::find(drives_.begin(), drives_.end(), letter);
  int index = it == drives_.end() ? -1 : static_cast<int>(it - drives_.begin());
  if (handle() != nullptr) ::SendMessageA(handle(), CB_SETCURSEL, index, 0);
}

char TDriveComboBox::Drive() const {
  if (handle() == nullptr) return 0;
  int index = static_cast<int>(::SendMessageA(handle(), CB_GETCURSEL, 0, 0));
  return index >= 0 && index < static_cast<int>(drives_.size()) ? drives_[static_cast<size_t>(index)] : 0;
}

bool TDriveComboBox::SetDrive(char letter) {
  letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  if (std::find(drives_.begin(), drives_.end(), letter) == drives_.end()) return false;
  if (dir_list_ != nullptr && !dir_list_->SetDrive(letter)) {
    SelectLetter(dir_list_->Drive());
    return false;
  }
  SelectLetter(letter);
  Fire(OnChange);
  return true;
}

void TDriveComboBox::SetDirList(TDirectoryListBox* list) {
  if (dir_list_ != nullptr) dir_list_->drive_follower_ = nullptr;
  dir_list_ = list;
  if (list == nullptr) return;
  list->drive_follower_ = [this] { SelectLetter(dir_list_->Drive()); };
  SelectLetter(list->Drive());
}

void TDriveComboBox::HandleCommand(WORD code) {
  if (code != CBN_SELCHANGE || handle() == nullptr) return;
  int index = static_cast<int>(::SendMessageA(handle(), CB_GETCURSEL, 0, 0));
  if (index < 0 || index >= static_cast<int>(drives_.size())) return;
  if (!SetDrive(drives_[static_cast<size_t>(index)])) ::MessageBeep(MB_ICONWARNING);
}

}  // namespace ui
