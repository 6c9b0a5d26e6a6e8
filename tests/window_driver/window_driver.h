// Drives the windows of another process the way a user would, for the
// end-to-end tests: start a program, wait for its windows, find controls by
// component name, read what they show, type, click, press keys and answer
// message boxes.
//
// Contract:
// - Waits poll every kPollInterval up to their timeout and answer nullptr or
//   false when the state did not come; none sleeps a fixed time.
// - No call can hang on the target: reads use SendMessageTimeout (at most
//   kAnswerTimeout), clicks, keys and closes are posted.
// - Talking to a handle that is not a window, a window that does not answer in
//   time, or a control a user could not use (a click on a disabled or hidden
//   button) throws driver::Error; its text names the window (Describe).
// - A Process owns the program it started and terminates it when it is
//   destroyed while still running, so a failing test leaves nothing behind.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "win32/scoped_handle.h"

namespace driver {

using Milliseconds = std::chrono::milliseconds;

inline constexpr Milliseconds kDefaultTimeout{10000};
inline constexpr Milliseconds kPollInterval{20};
// How long a read waits for the target's window procedure to answer.
inline constexpr Milliseconds kAnswerTimeout{15000};
// Exit code given to a program that Process::Terminate ends.
inline constexpr UINT kTerminatedExitCode = 0xDEAD;

// A driver operation could not be carried out; what() says what and on which window.
class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// ---- Processes -------------------------------------------------------------

// One program started by a test. Move-only; owns the process handle.
class Process {
 public:
  Process() = default;
  ~Process();
  Process(Process&& other) noexcept;
  Process& operator=(Process&& other) noexcept;
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  // Starts `command_line` (program first, quoted when its path has blanks) in
  // `working_directory` (empty: this process's). A program still owned from an
  // earlier Start is terminated first. Returns false and sets error() when the
  // program cannot be started.
  bool Start(const std::string& command_line, const std::string& working_directory = {});

  bool started() const { return process_.valid(); }
  DWORD id() const { return id_; }
  HANDLE handle() const { return process_.get(); }
  // Why the last Start failed: the command line and the system's error text.
  const std::string& error() const { return error_; }

  bool IsRunning() const;
  // The exit code once the program has ended; nullopt when it still runs after
  // `timeout` (or nothing was started).
  std::optional<DWORD> WaitForExit(Milliseconds timeout = kDefaultTimeout) const;
  // Ends the program with `exit_code` if it still runs and waits (bounded) for
  // it to be gone. True when it is not running afterwards.
  bool Terminate(UINT exit_code = kTerminatedExitCode);

 private:
  win32::ScopedHandle process_;
  DWORD id_ = 0;
  std::string error_;
};

// The folder of this test program, with a trailing backslash.
std::string ProgramFolder();
// `path` in double quotes, for a command line.
std::string Quote(const std::string& path);

// ---- Waiting ---------------------------------------------------------------

// Calls `condition` every `interval` until it answers true (true) or `timeout`
// has passed (false); it is always called at least once, and once more at the end.
bool WaitUntil(const std::function<bool()>& condition, Milliseconds timeout = kDefaultTimeout,
               Milliseconds interval = kPollInterval);

// Which top-level windows a search accepts. Empty texts and 0 match anything;
// the class name compares as Windows compares class names (ignoring case), the
// caption exactly (as GetWindowText reads it). visible_only leaves out windows
// that are not shown (IsWindowVisible), as a user does not see them.
struct WindowQuery {
  std::string class_name = {};
  std::string caption = {};
  DWORD process_id = 0;
  bool visible_only = true;
};
std::string Describe(const WindowQuery& query);

// Top-level windows matching `query`, in Z order (topmost first).
std::vector<HWND> FindTopLevelWindows(const WindowQuery& query);
HWND FindTopLevelWindow(const WindowQuery& query);
// The first matching window once there is one, or nullptr after `timeout`.
HWND WaitForWindow(const WindowQuery& query, Milliseconds timeout = kDefaultTimeout);
// True once `window` is destroyed or hidden, as a user sees it go.
bool WaitForWindowGone(HWND window, Milliseconds timeout = kDefaultTimeout);
// True once no window matches `query`.
bool WaitForNoWindow(const WindowQuery& query, Milliseconds timeout = kDefaultTimeout);

// ---- Finding controls ------------------------------------------------------

// Every descendant of `window` (children, their children, ...), parents first.
std::vector<HWND> Descendants(HWND window);
// The component name a window carries (ui::GetComponentName); empty when none.
std::string ComponentName(HWND window);
// The first descendant whose component name is `name` (exact case), or nullptr.
HWND FindControl(HWND window, const std::string& name);
// The first descendant with control id `id`, or nullptr.
HWND FindControlById(HWND window, int id);
// The `index`-th descendant (0-based) of class `class_name` (case-insensitive), or nullptr.
HWND FindControlByClass(HWND window, const std::string& class_name, size_t index = 0);
// FindControl, throwing Error that lists the names present when there is none.
HWND RequireControl(HWND window, const std::string& name);
// FindControl, polled until the control exists.
HWND WaitForControl(HWND window, const std::string& name, Milliseconds timeout = kDefaultTimeout);

// ---- Reading ---------------------------------------------------------------

// "TMainForm 'Setup' [NextButton] id 12, disabled, hidden, pid 40 (hwnd 0x1002a)":
// never throws, never waits on the window; for failure messages.
std::string Describe(HWND window);
// One Describe line per descendant, indented by depth.
std::string DescribeTree(HWND window);

std::string ClassName(HWND window);
int ControlId(HWND window);
DWORD ProcessIdOf(HWND window);
// The window's text as its window procedure answers WM_GETTEXT (an edit's contents).
std::string Text(HWND window);
bool IsEnabled(HWND window);
// IsWindowVisible: the window and all its ancestors are shown.
bool IsVisible(HWND window);
// BM_GETCHECK: BST_UNCHECKED, BST_CHECKED or BST_INDETERMINATE.
int CheckState(HWND button);
bool IsChecked(HWND button);
// The control that has the keyboard focus in the thread owning `window`, or nullptr.
HWND FocusedControl(HWND window);

// List boxes (and check list boxes built on them) and combo boxes: a class
// name containing "combo" is read with CB_ messages, anything else with LB_.
int ItemCount(HWND list);
std::string ItemText(HWND list, int index);
std::vector<std::string> Items(HWND list);
// The selected item, -1 when none.
int SelectedIndex(HWND list);
// The application value kept with an item (LB_GETITEMDATA / CB_GETITEMDATA);
// LB_ERR (-1) when there is no such item.
LRESULT ItemData(HWND list, int index);

// ---- Acting ----------------------------------------------------------------

// Replaces the text (WM_SETTEXT, sent). The parent hears EN_CHANGE as after
// typing: a single-line edit sends it itself, a multi-line edit does not, so
// for one the driver sends it to the parent.
void SetText(HWND window, const std::string& text);
// Posts BM_CLICK, so a message box the click opens does not block the caller.
// Throws when the button is disabled or hidden.
void Click(HWND button);
// Posts the key's WM_KEYDOWN and WM_KEYUP to the control focused in `window`
// (or to `window` when the focus is elsewhere); the target's TranslateMessage
// makes the WM_CHAR, as for a real key press.
void PressKey(HWND window, UINT virtual_key);
// Selects item `index` (-1: none) as a user's choice: the selection moves and
// the parent hears LBN_SELCHANGE / CBN_SELCHANGE.
void SelectItem(HWND list, int index);
// Posts WM_CLOSE, as the title bar's close button.
void Close(HWND window);

// ---- Message boxes ---------------------------------------------------------

enum class MessageBoxIcon { kNone, kError, kQuestion, kWarning, kInformation, kUnknown };
const char* IconName(MessageBoxIcon icon);
// "IDYES" for IDYES, ..., "id N" for others.
std::string ButtonName(int id);

struct MessageBoxButton {
  int id = 0;
  std::string text;
  bool enabled = false;
};

struct MessageBoxInfo {
  HWND window = nullptr;
  std::string caption;
  std::string text;
  std::vector<MessageBoxButton> buttons;  // the visible push buttons, left to right
  MessageBoxIcon icon = MessageBoxIcon::kUnknown;

  bool HasButton(int id) const;
  std::vector<int> ButtonIds() const;
};
// "'Question' question icon [IDYES, IDNO]: Do you want ...".
std::string Describe(const MessageBoxInfo& box);

// A visible message box ("#32770" dialog) of process `process_id`, with caption
// `caption` unless that is empty; nullptr after `timeout`.
HWND WaitForMessageBox(DWORD process_id, const std::string& caption = {},
                       Milliseconds timeout = kDefaultTimeout);
MessageBoxInfo ReadMessageBox(HWND box);
// The message text (the static control with id 0xFFFF).
std::string MessageBoxText(HWND box);
// Which standard icon the box shows; kUnknown when it cannot be told.
MessageBoxIcon MessageBoxIconOf(HWND box);
// Presses the box's button `button_id` (IDYES, IDNO, ...). Throws when the box
// has no such visible and enabled button.
void AnswerMessageBox(HWND box, int button_id);

}  // namespace driver
