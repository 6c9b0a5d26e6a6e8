// The window the window driver's own test drives: one control of each kind
// the setup's windows use, each tagged with its component name, and reactions
// a test can observe from outside (the status label, the exit code).
//
//   driver_test_app.exe [--notice=error|warning|information|none]
//
// - NameEdit: each change shows "changed N: <text>"; AskButton is enabled
//   exactly while NameEdit is not empty.
// - NotesMemo (multi-line): each change shows "notes N: <text>".
// - AskButton: question box "Question" (Yes/No); the program ends with the
//   answer as exit code (IDYES 6, IDNO 7).
// - NoticeButton: box "Notice" (OK/Cancel) with the icon chosen by --notice
//   (default information); shows "notice: <answer id>".
// - AgreeCheck shows "agree: checked" / "agree: unchecked"; ColorList
//   "color: <item>"; SizeCombo "size: <item>".
// - HangButton: shows "hanging" and stops answering for 30 s.
// - Escape anywhere in the window shows "escape N".
// - CountLabel keeps the counts of all three: "name N, notes N, escape N", so
//   that a test can tell that nothing arrived twice.
// - Closing the window ends the program with exit code 3.
#include <windows.h>

#include <string>

#include "ui/component_name.h"

namespace {

constexpr char kClassName[] = "TDriverTestForm";
constexpr char kCaption[] = "Driver Test";
constexpr int kExitClosed = 3;

enum ControlId {
  kNameEdit = 101,
  kAskButton = 102,
  kAgreeCheck = 103,
  kColorList = 104,
  kSizeCombo = 105,
  kStatusLabel = 106,
  kHiddenLabel = 107,
  kHangButton = 108,
  kNoticeButton = 109,
  kNotesMemo = 110,
  kDirLabel = 111,
  kCountLabel = 112,
};

struct ControlDesign {
  ControlId id;
  const char* name;
  const char* window_class;
  const char* text;
  DWORD style;
  int x, y, width, height;
};

constexpr ControlDesign kControls[] = {
    {kNameEdit, "NameEdit", "EDIT", "", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 10, 10, 200, 22},
    {kAskButton, "AskButton", "BUTTON", "&Ask", WS_TABSTOP | BS_PUSHBUTTON | WS_DISABLED, 220, 10, 80, 24},
    {kAgreeCheck, "AgreeCheck", "BUTTON", "I &agree", WS_TABSTOP | BS_AUTOCHECKBOX, 10, 40, 120, 22},
    {kColorList, "ColorList", "LISTBOX", "", WS_BORDER | WS_TABSTOP | LBS_NOTIFY | WS_VSCROLL, 10, 70, 120, 70},
    {kSizeCombo, "SizeCombo", "COMBOBOX", "", WS_TABSTOP | CBS_DROPDOWNLIST | WS_VSCROLL, 140, 70, 120, 120},
    {kStatusLabel, "StatusLabel", "STATIC", "ready", SS_LEFT, 10, 150, 380, 20},
    {kHiddenLabel, "HiddenLabel", "STATIC", "not shown", SS_LEFT, 10, 175, 100, 20},
    {kHangButton, "HangButton", "BUTTON", "&Hang", WS_TABSTOP | BS_PUSHBUTTON, 220, 40, 80, 24},
    {kNoticeButton, "NoticeButton", "BUTTON", "N&otice", WS_TABSTOP | BS_PUSHBUTTON, 310, 40, 80, 24},
    {kNotesMemo, "NotesMemo", "EDIT", "", WS_BORDER | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL, 270, 70, 120, 70},
    {kDirLabel, "DirLabel", "STATIC", "", SS_LEFT, 10, 200, 380, 20},
    {kCountLabel, "CountLabel", "STATIC", "name 0, notes 0, escape 0", SS_LEFT, 120, 175, 270, 20},
};

constexpr struct {
  const char* text;
  COLORREF data;
} kColors[] = {{"Red", RGB(255, 0, 0)}, {"Green", RGB(0, 255, 0)}, {"Blue", RGB(0, 0, 255)}};
constexpr const char* kSizes[] = {"Small", "Medium", "Large"};

UINT g_notice_icon = MB_ICONINFORMATION;
int g_exit_code = kExitClosed;
int g_name_changes = 0;
int g_notes_changes = 0;
int g_escapes = 0;

std::string WindowText(HWND window) {
  int length = ::GetWindowTextLengthA(window);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  int n = ::GetWindowTextA(window, text.data(), length + 1);
  text.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return text;
}

void SetStatus(HWND form, const std::string& text) {
  ::SetWindowTextA(::GetDlgItem(form, kStatusLabel), text.c_str());
  std::string counts = "name " + std::to_string(g_name_changes) + ", notes " + std::to_string(g_notes_changes) +
                       ", escape " + std::to_string(g_escapes);
  ::SetWindowTextA(::GetDlgItem(form, kCountLabel), counts.c_str());
}

void CreateControls(HWND form) {
  HFONT font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
  for (const ControlDesign& design : kControls) {
    DWORD style = WS_CHILD | design.style;
    if (design.id != kHiddenLabel) style |= WS_VISIBLE;
    HWND control = ::CreateWindowExA(design.id == kNameEdit || design.id == kNotesMemo ? WS_EX_CLIENTEDGE : 0,
                                     design.window_class, design.text, style, design.x, design.y, design.width, design.height,
                                     form, reinterpret_cast<HMENU>(static_cast<INT_PTR>(design.id)), nullptr, nullptr);
    if (control == nullptr) continue;
    ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    ui::SetComponentName(control, design.name);
  }
  HWND colors = ::GetDlgItem(form, kColorList);
  for (const auto& color : kColors) {
    LRESULT index = ::SendMessageA(colors, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(color.text));
    ::SendMessageA(colors, LB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(color.data));
  }
  HWND sizes = ::GetDlgItem(form, kSizeCombo);
  for (const char* size : kSizes) ::SendMessageA(sizes, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(size));
  ::SendMessageA(sizes, CB_SETCURSEL, 1, 0);

  char directory[MAX_PATH];
  DWORD n = ::GetCurrentDirectoryA(sizeof(directory), directory);
  if (n > 0 && n < sizeof(directory)) ::SetWindowTextA(::GetDlgItem(form, kDirLabel), directory);
}

void OnCommand(HWND form, int id, int code, HWND control) {
  switch (id) {
    case kNameEdit:
      if (code == EN_CHANGE) {
        std::string text = WindowText(control);
        SetStatus(form, "changed " + std::to_string(++g_name_changes) + ": " + text);
        ::EnableWindow(::GetDlgItem(form, kAskButton), !text.empty());
      }
      break;
    case kNotesMemo:
      if (code == EN_CHANGE) SetStatus(form, "notes " + std::to_string(++g_notes_changes) + ": " + WindowText(control));
      break;
    case kAskButton:
      if (code == BN_CLICKED) {
        int answer = ::MessageBoxA(form, "Do you want to go on?\r\nAnswer Yes or No.", "Question",
                                   MB_YESNO | MB_ICONQUESTION);
        g_exit_code = answer == IDYES || answer == IDNO ? answer : 1;
        ::DestroyWindow(form);
      }
      break;
    case kNoticeButton:
      if (code == BN_CLICKED) {
        int answer = ::MessageBoxA(form, "Something to note.", "Notice", MB_OKCANCEL | g_notice_icon);
        SetStatus(form, "notice: " + std::to_string(answer));
      }
      break;
    case kHangButton:
      if (code == BN_CLICKED) {
        SetStatus(form, "hanging");
        ::Sleep(30000);
        SetStatus(form, "hang over");
      }
      break;
    case kAgreeCheck:
      if (code == BN_CLICKED) {
        bool checked = ::SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
        SetStatus(form, checked ? "agree: checked" : "agree: unchecked");
      }
      break;
    case kColorList:
      if (code == LBN_SELCHANGE) {
        LRESULT index = ::SendMessageA(control, LB_GETCURSEL, 0, 0);
        SetStatus(form, index >= 0 ? "color: " + std::string(kColors[index].text) : "color: none");
      }
      break;
    case kSizeCombo:
      if (code == CBN_SELCHANGE) {
        LRESULT index = ::SendMessageA(control, CB_GETCURSEL, 0, 0);
        SetStatus(form, index >= 0 ? "size: " + std::string(kSizes[index]) : "size: none");
      }
      break;
  }
}

LRESULT CALLBACK FormProc(HWND form, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      CreateControls(form);
      return 0;
    case WM_COMMAND:
      OnCommand(form, LOWORD(wparam), HIWORD(wparam), reinterpret_cast<HWND>(lparam));
      return 0;
    case WM_DESTROY:
      for (const ControlDesign& design : kControls) ui::ClearComponentName(::GetDlgItem(form, design.id));
      ::PostQuitMessage(g_exit_code);
      return 0;
  }
  return ::DefWindowProcA(form, message, wparam, lparam);
}

void ReadOptions(const std::string& command_line) {
  const std::string option = "--notice=";
  size_t at = command_line.find(option);
  if (at == std::string::npos) return;
  std::string kind = command_line.substr(at + option.size());
  kind = kind.substr(0, kind.find(' '));
  if (kind == "error") g_notice_icon = MB_ICONERROR;
  else if (kind == "warning") g_notice_icon = MB_ICONWARNING;
  else if (kind == "information") g_notice_icon = MB_ICONINFORMATION;
  else if (kind == "none") g_notice_icon = 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int show) {
  ReadOptions(command_line != nullptr ? command_line : "");

  WNDCLASSA window_class = {};
  window_class.lpfnWndProc = FormProc;
  window_class.hInstance = instance;
  window_class.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = kClassName;
  if (!::RegisterClassA(&window_class)) return 2;

  HWND form = ::CreateWindowExA(0, kClassName, kCaption, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                100, 100, 410, 260, nullptr, nullptr, instance, nullptr);
  if (form == nullptr) return 2;
  ::ShowWindow(form, show);
  ::UpdateWindow(form);
  ::SetFocus(::GetDlgItem(form, kNameEdit));

  MSG message;
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
    // Keyboard preview, as the setup's forms have it: Escape typed into any
    // control of the window belongs to the window.
    if (message.message == WM_CHAR && message.wParam == VK_ESCAPE &&
        (message.hwnd == form || ::IsChild(form, message.hwnd))) {
      SetStatus(form, "escape " + std::to_string(++g_escapes));
      continue;
    }
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}
