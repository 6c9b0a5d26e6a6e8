#include "win32/notice.h"

#include "win32/log.h"

namespace win32 {
namespace {

bool unattended_run = false;

std::string OneLine(const std::string& text) {
  std::string line;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      line += " | ";
    } else {
      line += text[i];
    }
  }
  return line;
}

}  // namespace

void SetUnattendedRun(bool unattended) { unattended_run = unattended; }
bool UnattendedRun() { return unattended_run; }

void ShowNotice(HWND owner, const std::string& text, const std::string& caption, UINT icon) {
  LogLine("notice " + caption + ": " + OneLine(text));
  if (unattended_run) return;
  ::MessageBoxA(owner, text.c_str(), caption.c_str(), MB_OK | icon | MB_TASKMODAL);
}

}  // namespace win32
