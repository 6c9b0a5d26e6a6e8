#include "setup/shell_actions.h"

#include <shellapi.h>

#include <cstdint>

#include "setup/replaceable.h"
#include "ui/application.h"
#include "win32/end_program.h"
#include "win32/win32_error.h"

namespace setup {
namespace {

class ProductShellActions : public ShellActions {
 public:
  bool Open(HWND owner, const std::string& target) override {
    HINSTANCE result = ::ShellExecuteA(owner, "open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    // Values above 32 mean success; below, the value is the reason.
    const auto code = static_cast<DWORD>(reinterpret_cast<uintptr_t>(result));
    if (code > 32) return true;
    win32::LogFailure("opening with the shell", "\"" + target + "\"", code);
    return false;
  }
  void EndProgram() override { ui::Application::Instance().Terminate(); }
  void EndProgramNow(unsigned exit_code) override { win32::EndProgram(exit_code); }
};

}  // namespace

ShellActions& CurrentShellActions() {
  static ProductShellActions product;
  return Replaceable<ShellActions>::Current(product);
}

ShellActions* SetShellActions(ShellActions* actions) { return Replaceable<ShellActions>::Replace(actions); }

}  // namespace setup
