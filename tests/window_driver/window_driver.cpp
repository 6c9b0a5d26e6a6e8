#include "window_driver/window_driver.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>
#include <utility>

#include "ui/component_name.h"
#include "win32/win32_error.h"

namespace driver {

namespace {

using Clock = std::chrono::steady_clock;

DWORD ToDword(Milliseconds ms) {
  return ms.count() <= 0 ? 0 : static_cast<DWORD>(ms.count());
}

std::string Hex(ULONG_PTR value) {
  char buffer[32];
  std::snprintf(buffer, sizeof(buffer), "0x%lx", static_cast<unsigned long>(value));
  return buffer;
}

bool EqualsIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

bool ContainsIgnoringCase(const std::string& text, const std::string& part) {
  auto it = std::search(text.begin(), text.end(), part.begin(), part.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
  });
  return it != text.end();
}

// The caption as the window manager keeps it. For a window of another process
// this reads the stored text without sending it a message, so it cannot hang.
std::string StoredCaption(HWND window) {
  char buffer[512];
  int n = ::GetWindowTextA(window, buffer, sizeof(buffer));
  return std::string(buffer, n > 0 ? static_cast<size_t>(n) : 0);
}

std::string RawClassName(HWND window) {
  char buffer[256];
  int n = ::GetClassNameA(window, buffer, sizeof(buffer));
  return std::string(buffer, n > 0 ? static_cast<size_t>(n) : 0);
}

[[noreturn]] void Fail(const std::string& what, HWND window) {
  throw Error(what + ": " + Describe(window));
}

void RequireWindow(HWND window, const char* action) {
  if (window == nullptr || !::IsWindow(window)) Fail(std::string("cannot ") + action + " a window that does not exist", window);
}

// One message sent to another process's window, shared by the caller and the
// thread that waits for the answer, so that either may go first.
struct Exchange {
  HWND window = nullptr;
  UINT message = 0;
  WPARAM wparam = 0;
  LPARAM lparam = 0;
  bool wide = false;                 // SendMessageTimeoutW instead of A
  bool lparam_is_buffer = false;     // LPARAM points to `buffer`
  std::vector<char> buffer;
  DWORD_PTR result = 0;
  BOOL answered = FALSE;
  DWORD error = ERROR_SUCCESS;
  win32::ScopedHandle done;
};

// Sends the message of `exchange` on a thread of its own and waits at most
// kAnswerTimeout for the window procedure's answer. Wine does not end a
// SendMessageTimeout to another process whose thread does not take messages
// (it returns when that thread wakes up, however late), so the wait is made
// here; a thread left waiting owns its half of the exchange and ends when the
// target answers or goes away.
DWORD WINAPI SendExchange(void* parameter) {
  std::unique_ptr<std::shared_ptr<Exchange>> owned(static_cast<std::shared_ptr<Exchange>*>(parameter));
  Exchange& exchange = **owned;
  LPARAM lparam = exchange.lparam_is_buffer ? reinterpret_cast<LPARAM>(exchange.buffer.data()) : exchange.lparam;
  ::SetLastError(ERROR_SUCCESS);
  auto send = exchange.wide ? ::SendMessageTimeoutW : ::SendMessageTimeoutA;
  exchange.answered = send(exchange.window, exchange.message, exchange.wparam, lparam, SMTO_NORMAL,
                           ToDword(kAnswerTimeout), &exchange.result);
  exchange.error = exchange.answered ? ERROR_SUCCESS : ::GetLastError();
  ::SetEvent(exchange.done.get());
  return 0;
}

std::shared_ptr<Exchange> Exchanged(HWND window, std::shared_ptr<Exchange> exchange, const char* what) {
  exchange->done.reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
  if (!exchange->done) Fail(std::string("cannot send ") + what + " (" + win32::ErrorText(::GetLastError()) + ")", window);
  // A plain system thread: it owns a reference to the exchange, so that the
  // exchange outlives a caller that stopped waiting.
  auto* owned = new std::shared_ptr<Exchange>(exchange);
  HANDLE thread = ::CreateThread(nullptr, 0, SendExchange, owned, 0, nullptr);
  if (thread == nullptr) {
    DWORD error = ::GetLastError();
    delete owned;
    Fail(std::string("cannot send ") + what + " (" + win32::ErrorText(error) + ")", window);
  }
  ::CloseHandle(thread);
  DWORD waited = ::WaitForSingleObject(exchange->done.get(), ToDword(kAnswerTimeout) + 500);
  DWORD code = waited != WAIT_OBJECT_0 ? ERROR_TIMEOUT : exchange->error;
  if (waited != WAIT_OBJECT_0 || !exchange->answered) {
    if (code == ERROR_SUCCESS) code = ERROR_TIMEOUT;
    Fail(std::string("no answer to ") + what + " within " + std::to_string(kAnswerTimeout.count()) + " ms (" +
             win32::ErrorText(code) + ")",
         window);
  }
  return exchange;
}

std::shared_ptr<Exchange> NewExchange(HWND window, UINT message, WPARAM wparam, bool wide) {
  auto exchange = std::make_shared<Exchange>();
  exchange->window = window;
  exchange->message = message;
  exchange->wparam = wparam;
  exchange->wide = wide;
  return exchange;
}

// Sends a message without data and answers its result.
LRESULT Ask(HWND window, UINT message, WPARAM wparam, LPARAM lparam, const char* what) {
  auto exchange = NewExchange(window, message, wparam, false);
  exchange->lparam = lparam;
  return static_cast<LRESULT>(Exchanged(window, std::move(exchange), what)->result);
}

// Sends a message whose LPARAM points to `bytes` (copied, and copied back):
// answers the result and the buffer as the window procedure left it.
std::pair<LRESULT, std::vector<char>> AskWithBuffer(HWND window, UINT message, WPARAM wparam, std::vector<char> bytes,
                                                    bool wide, const char* what) {
  auto exchange = NewExchange(window, message, wparam, wide);
  exchange->buffer = std::move(bytes);
  exchange->lparam_is_buffer = true;
  exchange = Exchanged(window, std::move(exchange), what);
  return {static_cast<LRESULT>(exchange->result), exchange->buffer};
}

std::string FromWide(const wchar_t* text, size_t length) {
  if (length == 0) return {};
  int n = ::WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
  std::string result(n > 0 ? static_cast<size_t>(n) : 0, '\0');
  if (n > 0) ::WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), result.data(), n, nullptr, nullptr);
  return result;
}

void Post(HWND window, UINT message, WPARAM wparam, LPARAM lparam, const char* what) {
  if (!::PostMessageA(window, message, wparam, lparam)) {
    DWORD code = ::GetLastError();
    Fail(std::string("cannot post ") + what + " (" + win32::ErrorText(code) + ")", window);
  }
}

// Collects the enumerated windows into the std::vector<HWND> at `context`.
// No exception may cross the system's enumeration: running out of memory
// stops the walk instead, and the caller sees fewer windows.
BOOL CALLBACK CollectWindow(HWND window, LPARAM context) {
  try {
    reinterpret_cast<std::vector<HWND>*>(context)->push_back(window);
    return TRUE;
  } catch (...) {
    return FALSE;
  }
}

std::vector<HWND> AllTopLevelWindows() {
  std::vector<HWND> windows;
  ::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

bool Matches(HWND window, const WindowQuery& query) {
  if (query.visible_only && !::IsWindowVisible(window)) return false;
  if (query.process_id != 0 && ProcessIdOf(window) != query.process_id) return false;
  if (!query.class_name.empty() && !EqualsIgnoringCase(RawClassName(window), query.class_name)) return false;
  if (!query.caption.empty() && StoredCaption(window) != query.caption) return false;
  return true;
}

bool IsComboBox(HWND list) { return ContainsIgnoringCase(RawClassName(list), "combo"); }

bool IsEditControl(HWND window) {
  char real[256];
  UINT n = ::RealGetWindowClassA(window, real, sizeof(real));
  return EqualsIgnoringCase(RawClassName(window), "Edit") ||
         EqualsIgnoringCase(std::string(real, n), "Edit");
}

// ---- Message box icon -----------------------------------------------------

struct StandardIcon {
  LPCSTR resource;
  MessageBoxIcon icon;
};
const StandardIcon kStandardIcons[] = {
    {IDI_HAND, MessageBoxIcon::kError},
    {IDI_QUESTION, MessageBoxIcon::kQuestion},
    {IDI_EXCLAMATION, MessageBoxIcon::kWarning},
    {IDI_ASTERISK, MessageBoxIcon::kInformation},
};

// A 32-bit top-down DIB selected into its own memory DC.
class Canvas {
 public:
  Canvas(int width, int height) : width_(width), height_(height) {
    dc_ = ::CreateCompatibleDC(nullptr);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_ = ::CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<uint32_t*>(bits);
    if (dc_ != nullptr && bitmap_ != nullptr) old_ = ::SelectObject(dc_, bitmap_);
  }
  ~Canvas() {
    if (old_ != nullptr) ::SelectObject(dc_, old_);
    if (bitmap_ != nullptr) ::DeleteObject(bitmap_);
    if (dc_ != nullptr) ::DeleteDC(dc_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  bool valid() const { return old_ != nullptr && bits_ != nullptr; }
  HDC dc() const { return dc_; }
  uint32_t pixel(int i) const { return bits_[i] & 0xFFFFFFu; }
  int size() const { return width_ * height_; }
  void Fill(COLORREF color) {
    ::GdiFlush();
    std::fill(bits_, bits_ + size(), static_cast<uint32_t>(color));
  }

 private:
  int width_;
  int height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  uint32_t* bits_ = nullptr;
};

bool Near(uint32_t a, uint32_t b) {
  for (int shift = 0; shift < 24; shift += 8) {
    int x = static_cast<int>((a >> shift) & 0xFF);
    int y = static_cast<int>((b >> shift) & 0xFF);
    if (std::abs(x - y) > 24) return false;
  }
  return true;
}

// Which standard icon the pixels on screen at `icon_static` show. Icon handles
// belong to the process that loaded them (under Wine always, under Windows
// not for the shared system icons), so the picture is compared: each standard
// icon is drawn on black and on white, and its opaque pixels (equal on both)
// are compared with the screen.
MessageBoxIcon IconOnScreen(HWND icon_static) {
  RECT client;
  if (!::GetClientRect(icon_static, &client)) return MessageBoxIcon::kUnknown;
  POINT origin = {0, 0};
  ::ClientToScreen(icon_static, &origin);
  int width = client.right - client.left;
  int height = client.bottom - client.top;
  if (width <= 0 || height <= 0 || width > 256 || height > 256) return MessageBoxIcon::kUnknown;

  Canvas screen(width, height), on_black(width, height), on_white(width, height);
  if (!screen.valid() || !on_black.valid() || !on_white.valid()) return MessageBoxIcon::kUnknown;
  HDC screen_dc = ::GetDC(nullptr);
  if (screen_dc == nullptr) return MessageBoxIcon::kUnknown;
  BOOL copied = ::BitBlt(screen.dc(), 0, 0, width, height, screen_dc, origin.x, origin.y, SRCCOPY);
  ::ReleaseDC(nullptr, screen_dc);
  if (!copied) return MessageBoxIcon::kUnknown;
  ::GdiFlush();

  MessageBoxIcon best = MessageBoxIcon::kUnknown;
  double best_score = 0, second_score = 0;
  for (const StandardIcon& candidate : kStandardIcons) {
    HICON icon = ::LoadIconA(nullptr, candidate.resource);
    if (icon == nullptr) continue;
    on_black.Fill(RGB(0, 0, 0));
    on_white.Fill(RGB(255, 255, 255));
    ::DrawIconEx(on_black.dc(), 0, 0, icon, width, height, 0, nullptr, DI_NORMAL);
    ::DrawIconEx(on_white.dc(), 0, 0, icon, width, height, 0, nullptr, DI_NORMAL);
    ::GdiFlush();
    int opaque = 0, matching = 0;
    for (int i = 0; i < screen.size(); ++i) {
      if (on_black.pixel(i) != on_white.pixel(i)) continue;
      ++opaque;
      if (Near(on_black.pixel(i), screen.pixel(i))) ++matching;
    }
    if (opaque < 16) continue;
    double score = static_cast<double>(matching) / opaque;
    if (score > best_score) {
      second_score = best_score;
      best_score = score;
      best = candidate.icon;
    } else if (score > second_score) {
      second_score = score;
    }
  }
  // A clear winner only: the box may not have painted yet, or be covered. The
  // question and information icons share their round blue body and differ in
  // the sign only (under Wine some 13 % of their opaque pixels).
  if (best_score >= 0.95 && second_score <= best_score - 0.05) return best;
  return MessageBoxIcon::kUnknown;
}

HWND IconStatic(HWND box) {
  for (HWND child : Descendants(box)) {
    if (!EqualsIgnoringCase(RawClassName(child), "Static")) continue;
    LONG style = ::GetWindowLongA(child, GWL_STYLE);
    if ((style & SS_TYPEMASK) == SS_ICON) return child;
  }
  return nullptr;
}

}  // namespace

// ---- Process ----------------------------------------------------------------

Process::~Process() { Terminate(); }

Process::Process(Process&& other) noexcept
    : process_(std::move(other.process_)), id_(std::exchange(other.id_, 0)), error_(std::move(other.error_)) {}

Process& Process::operator=(Process&& other) noexcept {
  if (this != &other) {
    Terminate();
    process_ = std::move(other.process_);
    id_ = std::exchange(other.id_, 0);
    error_ = std::move(other.error_);
  }
  return *this;
}

bool Process::Start(const std::string& command_line, const std::string& working_directory) {
  Terminate();
  process_.reset();
  id_ = 0;
  error_.clear();

  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  std::string mutable_command = command_line;  // CreateProcessA may write into it
  if (!::CreateProcessA(nullptr, mutable_command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        working_directory.empty() ? nullptr : working_directory.c_str(), &startup, &info)) {
    DWORD code = ::GetLastError();
    std::string object = "[" + command_line + "]";
    if (!working_directory.empty()) object += " in \"" + working_directory + "\"";
    win32::LogFailure("start", object, code);
    error_ = "start " + object + ": " + win32::ErrorText(code) + " (" + std::to_string(code) + ")";
    return false;
  }
  ::CloseHandle(info.hThread);
  process_.reset(info.hProcess);
  id_ = info.dwProcessId;
  return true;
}

bool Process::IsRunning() const {
  return process_.valid() && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> Process::WaitForExit(Milliseconds timeout) const {
  if (!process_.valid()) return std::nullopt;
  if (::WaitForSingleObject(process_.get(), ToDword(timeout)) != WAIT_OBJECT_0) return std::nullopt;
  DWORD code = 0;
  if (!::GetExitCodeProcess(process_.get(), &code)) return std::nullopt;
  return code;
}

bool Process::Terminate(UINT exit_code) {
  if (!IsRunning()) return true;
  if (!::TerminateProcess(process_.get(), exit_code)) {
    DWORD code = ::GetLastError();
    // It may have ended by itself between the check and the call.
    if (!IsRunning()) return true;
    win32::LogFailure("terminate", "process " + std::to_string(id_), code);
  }
  return ::WaitForSingleObject(process_.get(), ToDword(kDefaultTimeout)) == WAIT_OBJECT_0;
}

std::string ProgramFolder() {
  char path[MAX_PATH];
  DWORD n = ::GetModuleFileNameA(nullptr, path, sizeof(path));
  std::string folder(path, n < sizeof(path) ? n : 0);
  size_t slash = folder.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
}

std::string Quote(const std::string& path) { return "\"" + path + "\""; }

// ---- Waiting ------------------------------------------------------------------

bool WaitUntil(const std::function<bool()>& condition, Milliseconds timeout, Milliseconds interval) {
  const Clock::time_point deadline = Clock::now() + timeout;
  for (;;) {
    if (condition()) return true;
    Clock::time_point now = Clock::now();
    if (now >= deadline) return false;
    auto left = std::chrono::duration_cast<Milliseconds>(deadline - now) + Milliseconds(1);
    ::Sleep(ToDword(std::min(interval, left)));
  }
}

std::string Describe(const WindowQuery& query) {
  std::string text = "top-level window";
  if (!query.class_name.empty()) text += " of class " + query.class_name;
  if (!query.caption.empty()) text += " captioned '" + query.caption + "'";
  if (query.process_id != 0) text += " of process " + std::to_string(query.process_id);
  if (query.visible_only) text += ", visible";
  return text;
}

std::vector<HWND> FindTopLevelWindows(const WindowQuery& query) {
  std::vector<HWND> found;
  for (HWND window : AllTopLevelWindows())
    if (Matches(window, query)) found.push_back(window);
  return found;
}

HWND FindTopLevelWindow(const WindowQuery& query) {
  for (HWND window : AllTopLevelWindows())
    if (Matches(window, query)) return window;
  return nullptr;
}

HWND WaitForWindow(const WindowQuery& query, Milliseconds timeout) {
  HWND found = nullptr;
  WaitUntil([&] { return (found = FindTopLevelWindow(query)) != nullptr; }, timeout);
  return found;
}

bool WaitForWindowGone(HWND window, Milliseconds timeout) {
  return WaitUntil([&] { return !::IsWindow(window) || !::IsWindowVisible(window); }, timeout);
}

bool WaitForNoWindow(const WindowQuery& query, Milliseconds timeout) {
  return WaitUntil([&] { return FindTopLevelWindow(query) == nullptr; }, timeout);
}

// ---- Finding controls -------------------------------------------------------

std::vector<HWND> Descendants(HWND window) {
  std::vector<HWND> windows;
  if (window == nullptr || !::IsWindow(window)) return windows;
  // EnumChildWindows walks the whole subtree, each parent before its children.
  ::EnumChildWindows(window, CollectWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

std::string ComponentName(HWND window) { return window == nullptr ? std::string() : ui::GetComponentName(window); }

HWND FindControl(HWND window, const std::string& name) {
  for (HWND child : Descendants(window))
    if (ui::GetComponentName(child) == name) return child;
  return nullptr;
}

HWND FindControlById(HWND window, int id) {
  for (HWND child : Descendants(window))
    if (::GetDlgCtrlID(child) == id) return child;
  return nullptr;
}

HWND FindControlByClass(HWND window, const std::string& class_name, size_t index) {
  for (HWND child : Descendants(window)) {
    if (!EqualsIgnoringCase(RawClassName(child), class_name)) continue;
    if (index == 0) return child;
    --index;
  }
  return nullptr;
}

HWND RequireControl(HWND window, const std::string& name) {
  RequireWindow(window, "find a control in");
  if (HWND control = FindControl(window, name)) return control;
  std::string present;
  for (HWND child : Descendants(window)) {
    std::string child_name = ui::GetComponentName(child);
    if (child_name.empty()) continue;
    if (!present.empty()) present += ", ";
    present += child_name;
  }
  Fail("no control named \"" + name + "\" (named controls: " + (present.empty() ? "none" : present) + ") in",
       window);
}

HWND WaitForControl(HWND window, const std::string& name, Milliseconds timeout) {
  HWND found = nullptr;
  WaitUntil([&] { return (found = FindControl(window, name)) != nullptr; }, timeout);
  return found;
}

// ---- Reading ------------------------------------------------------------------

std::string Describe(HWND window) {
  if (window == nullptr) return "no window (null handle)";
  std::string handle = "hwnd " + Hex(reinterpret_cast<ULONG_PTR>(window));
  if (!::IsWindow(window)) return "no window (" + handle + " does not exist)";
  std::string text = RawClassName(window);
  std::string caption = StoredCaption(window);
  if (caption.size() > 80) caption = caption.substr(0, 77) + "...";
  text += " '" + caption + "'";
  std::string name = ui::GetComponentName(window);
  if (!name.empty()) text += " [" + name + "]";
  LONG style = ::GetWindowLongA(window, GWL_STYLE);
  if (style & WS_CHILD) text += " id " + std::to_string(::GetDlgCtrlID(window));
  if (!::IsWindowEnabled(window)) text += ", disabled";
  if (!::IsWindowVisible(window)) text += ", hidden";
  text += ", pid " + std::to_string(ProcessIdOf(window)) + " (" + handle + ")";
  return text;
}

std::string DescribeTree(HWND window) {
  std::string text = Describe(window) + "\n";
  for (HWND child : Descendants(window)) {
    int depth = 0;
    for (HWND up = ::GetParent(child); up != nullptr && up != window; up = ::GetParent(up)) ++depth;
    text += std::string(2 * (depth + 1), ' ') + Describe(child) + "\n";
  }
  return text;
}

std::string ClassName(HWND window) {
  RequireWindow(window, "read the class name of");
  return RawClassName(window);
}

int ControlId(HWND window) {
  RequireWindow(window, "read the control id of");
  return ::GetDlgCtrlID(window);
}

DWORD ProcessIdOf(HWND window) {
  DWORD process_id = 0;
  ::GetWindowThreadProcessId(window, &process_id);
  return process_id;
}

std::string Text(HWND window) {
  RequireWindow(window, "read the text of");
  LRESULT length = Ask(window, WM_GETTEXTLENGTH, 0, 0, "WM_GETTEXTLENGTH");
  if (length <= 0) return {};
  size_t size = static_cast<size_t>(length) + 1;
  auto [copied, buffer] = AskWithBuffer(window, WM_GETTEXT, size, std::vector<char>(size, '\0'), false, "WM_GETTEXT");
  return std::string(buffer.data(), static_cast<size_t>(std::clamp<LRESULT>(copied, 0, length)));
}

bool IsEnabled(HWND window) {
  RequireWindow(window, "tell whether it is enabled");
  return ::IsWindowEnabled(window) != FALSE;
}

bool IsVisible(HWND window) {
  RequireWindow(window, "tell whether it is visible");
  return ::IsWindowVisible(window) != FALSE;
}

int CheckState(HWND button) {
  RequireWindow(button, "read the check state of");
  return static_cast<int>(Ask(button, BM_GETCHECK, 0, 0, "BM_GETCHECK"));
}

bool IsChecked(HWND button) { return CheckState(button) == BST_CHECKED; }

HWND FocusedControl(HWND window) {
  RequireWindow(window, "find the focus of");
  GUITHREADINFO info = {};
  info.cbSize = sizeof(info);
  if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

int ItemCount(HWND list) {
  RequireWindow(list, "count the items of");
  bool combo = IsComboBox(list);
  LRESULT count = Ask(list, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0, combo ? "CB_GETCOUNT" : "LB_GETCOUNT");
  if (count < 0) Fail("the item count is not available", list);
  return static_cast<int>(count);
}

std::string ItemText(HWND list, int index) {
  RequireWindow(list, "read an item of");
  bool combo = IsComboBox(list);
  // In UTF-16: Wine hands an item of another process's list to the "A" call
  // unconverted, as UTF-16 cut to the ANSI length.
  auto length_exchange = NewExchange(list, combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, static_cast<WPARAM>(index), true);
  auto length = static_cast<LRESULT>(
      Exchanged(list, std::move(length_exchange), combo ? "CB_GETLBTEXTLEN" : "LB_GETTEXTLEN")->result);
  if (length < 0) Fail("there is no item " + std::to_string(index) + " in", list);
  std::vector<char> bytes((static_cast<size_t>(length) + 1) * sizeof(wchar_t), '\0');
  auto [copied, buffer] = AskWithBuffer(list, combo ? CB_GETLBTEXT : LB_GETTEXT, static_cast<WPARAM>(index),
                                        std::move(bytes), true, combo ? "CB_GETLBTEXT" : "LB_GETTEXT");
  if (copied < 0) Fail("cannot read item " + std::to_string(index) + " of", list);
  return FromWide(reinterpret_cast<const wchar_t*>(buffer.data()), static_cast<size_t>(std::min(copied, length)));
}

std::vector<std::string> Items(HWND list) {
  std::vector<std::string> items;
  int count = ItemCount(list);
  for (int i = 0; i < count; ++i) items.push_back(ItemText(list, i));
  return items;
}

int SelectedIndex(HWND list) {
  RequireWindow(list, "read the selection of");
  bool combo = IsComboBox(list);
  LRESULT index = Ask(list, combo ? CB_GETCURSEL : LB_GETCURSEL, 0, 0, combo ? "CB_GETCURSEL" : "LB_GETCURSEL");
  return index < 0 ? -1 : static_cast<int>(index);
}

LRESULT ItemData(HWND list, int index) {
  RequireWindow(list, "read item data of");
  bool combo = IsComboBox(list);
  return Ask(list, combo ? CB_GETITEMDATA : LB_GETITEMDATA, static_cast<WPARAM>(index), 0,
             combo ? "CB_GETITEMDATA" : "LB_GETITEMDATA");
}

// ---- Acting -------------------------------------------------------------------

void SetText(HWND window, const std::string& text) {
  RequireWindow(window, "set the text of");
  std::vector<char> bytes(text.begin(), text.end());
  bytes.push_back('\0');
  if (!AskWithBuffer(window, WM_SETTEXT, 0, std::move(bytes), false, "WM_SETTEXT").first)
    Fail("WM_SETTEXT was refused by", window);
  if (IsEditControl(window) && (::GetWindowLongA(window, GWL_STYLE) & ES_MULTILINE)) {
    HWND parent = ::GetParent(window);
    if (parent != nullptr)
      Post(parent, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(window), EN_CHANGE), reinterpret_cast<LPARAM>(window),
           "EN_CHANGE");
  }
}

void Click(HWND button) {
  RequireWindow(button, "click");
  if (!::IsWindowVisible(button)) Fail("cannot click a hidden button", button);
  if (!::IsWindowEnabled(button)) Fail("cannot click a disabled button", button);
  Post(button, BM_CLICK, 0, 0, "BM_CLICK");
}

void PressKey(HWND window, UINT virtual_key) {
  RequireWindow(window, "press a key in");
  HWND target = FocusedControl(window);
  if (target == nullptr || (target != window && !::IsChild(window, target))) target = window;
  UINT scan = ::MapVirtualKeyA(virtual_key, MAPVK_VK_TO_VSC);
  LPARAM down = 1 | (static_cast<LPARAM>(scan & 0xFF) << 16);
  LPARAM up = down | (1L << 30) | static_cast<LPARAM>(1UL << 31);
  Post(target, WM_KEYDOWN, virtual_key, down, "WM_KEYDOWN");
  Post(target, WM_KEYUP, virtual_key, up, "WM_KEYUP");
}

void SelectItem(HWND list, int index) {
  RequireWindow(list, "select an item of");
  bool combo = IsComboBox(list);
  int count = ItemCount(list);
  if (index < -1 || index >= count)
    Fail("there is no item " + std::to_string(index) + " (items: " + std::to_string(count) + ") in", list);
  LRESULT result = Ask(list, combo ? CB_SETCURSEL : LB_SETCURSEL, static_cast<WPARAM>(index), 0,
                       combo ? "CB_SETCURSEL" : "LB_SETCURSEL");
  // Both answer an error for -1 (no selection), which is what was asked for.
  if (result < 0 && index != -1) Fail("cannot select item " + std::to_string(index) + " of", list);
  // A list box tells its parent about a user's choice only with LBS_NOTIFY.
  bool notifies = combo || (::GetWindowLongA(list, GWL_STYLE) & LBS_NOTIFY);
  HWND parent = ::GetParent(list);
  if (notifies && parent != nullptr)
    Post(parent, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(list), combo ? CBN_SELCHANGE : LBN_SELCHANGE),
         reinterpret_cast<LPARAM>(list), "the selection change");
}

void Close(HWND window) {
  RequireWindow(window, "close");
  Post(window, WM_CLOSE, 0, 0, "WM_CLOSE");
}

// ---- Message boxes --------------------------------------------------------------

const char* IconName(MessageBoxIcon icon) {
  switch (icon) {
    case MessageBoxIcon::kNone: return "no icon";
    case MessageBoxIcon::kError: return "error icon";
    case MessageBoxIcon::kQuestion: return "question icon";
    case MessageBoxIcon::kWarning: return "warning icon";
    case MessageBoxIcon::kInformation: return "information icon";
    case MessageBoxIcon::kUnknown: break;
  }
  return "unknown icon";
}

std::string ButtonName(int id) {
  switch (id) {
    case IDOK: return "IDOK";
    case IDCANCEL: return "IDCANCEL";
    case IDABORT: return "IDABORT";
    case IDRETRY: return "IDRETRY";
    case IDIGNORE: return "IDIGNORE";
    case IDYES: return "IDYES";
    case IDNO: return "IDNO";
    case IDCLOSE: return "IDCLOSE";
    case IDHELP: return "IDHELP";
    case IDTRYAGAIN: return "IDTRYAGAIN";
    case IDCONTINUE: return "IDCONTINUE";
  }
  return "id " + std::to_string(id);
}

bool MessageBoxInfo::HasButton(int id) const {
  return std::any_of(buttons.begin(), buttons.end(), [id](const MessageBoxButton& b) { return b.id == id; });
}

std::vector<int> MessageBoxInfo::ButtonIds() const {
  std::vector<int> ids;
  for (const MessageBoxButton& b : buttons) ids.push_back(b.id);
  return ids;
}

std::string Describe(const MessageBoxInfo& box) {
  std::string text = "'" + box.caption + "' " + IconName(box.icon) + " [";
  for (size_t i = 0; i < box.buttons.size(); ++i) {
    if (i > 0) text += ", ";
    text += ButtonName(box.buttons[i].id);
    if (!box.buttons[i].enabled) text += " (disabled)";
  }
  return text + "]: " + box.text;
}

HWND WaitForMessageBox(DWORD process_id, const std::string& caption, Milliseconds timeout) {
  return WaitForWindow({.class_name = "#32770", .caption = caption, .process_id = process_id, .visible_only = true},
                       timeout);
}

std::string MessageBoxText(HWND box) {
  RequireWindow(box, "read the message of");
  if (HWND text = ::GetDlgItem(box, 0xFFFF)) return Text(text);
  // Older Wine numbers the message text 100; take the first static that is no icon.
  for (HWND child : Descendants(box)) {
    if (!EqualsIgnoringCase(RawClassName(child), "Static")) continue;
    if ((::GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) continue;
    return Text(child);
  }
  Fail("no message text in", box);
}

MessageBoxIcon MessageBoxIconOf(HWND box) {
  RequireWindow(box, "read the icon of");
  HWND icon_static = IconStatic(box);
  if (icon_static == nullptr || !::IsWindowVisible(icon_static)) return MessageBoxIcon::kNone;
  auto handle = reinterpret_cast<HICON>(Ask(icon_static, STM_GETICON, 0, 0, "STM_GETICON"));
  if (handle == nullptr) return MessageBoxIcon::kNone;
  for (const StandardIcon& candidate : kStandardIcons)
    if (::LoadIconA(nullptr, candidate.resource) == handle) return candidate.icon;
  // Until the box has painted itself the screen shows something else.
  MessageBoxIcon icon = MessageBoxIcon::kUnknown;
  WaitUntil([&] { return (icon = IconOnScreen(icon_static)) != MessageBoxIcon::kUnknown; }, Milliseconds(2000));
  return icon;
}

MessageBoxInfo ReadMessageBox(HWND box) {
  RequireWindow(box, "read");
  MessageBoxInfo info;
  info.window = box;
  info.caption = Text(box);
  info.text = MessageBoxText(box);
  std::vector<std::pair<LONG, MessageBoxButton>> placed;
  for (HWND child : Descendants(box)) {
    if (!EqualsIgnoringCase(RawClassName(child), "Button") || !::IsWindowVisible(child)) continue;
    RECT rect = {};
    ::GetWindowRect(child, &rect);
    placed.push_back({rect.left, {::GetDlgCtrlID(child), Text(child), ::IsWindowEnabled(child) != FALSE}});
  }
  std::stable_sort(placed.begin(), placed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto& [left, button] : placed) info.buttons.push_back(std::move(button));
  info.icon = MessageBoxIconOf(box);
  return info;
}

void AnswerMessageBox(HWND box, int button_id) {
  RequireWindow(box, "answer");
  HWND button = ::GetDlgItem(box, button_id);
  if (button == nullptr || !EqualsIgnoringCase(RawClassName(button), "Button") || !::IsWindowVisible(button))
    Fail("no button " + ButtonName(button_id) + " in message box", box);
  if (!::IsWindowEnabled(button)) Fail("button " + ButtonName(button_id) + " is disabled in message box", box);
  // The dialog's own command path: what a click on the button ends in, without
  // depending on which window is active.
  Post(box, WM_COMMAND, MAKEWPARAM(button_id, BN_CLICKED), reinterpret_cast<LPARAM>(button), "the answer");
}

}  // namespace driver
