#include "platform/system_family.h"

#include <windows.h>

#include "setup/replaceable.h"

namespace platform {
namespace {

class WindowsFamily : public SystemFamily {
 public:
  bool IsNt() override {
    static const bool nt = [] {
      OSVERSIONINFOA info{};
      info.dwOSVersionInfoSize = sizeof(info);
      // Without an answer the system is taken for NT: every Windows this
      // program still starts on is.
      return !::GetVersionExA(&info) || info.dwPlatformId == VER_PLATFORM_WIN32_NT;
    }();
    return nt;
  }
};

using Current = setup::Replaceable<SystemFamily>;

}  // namespace

bool IsNtFamily() {
  static WindowsFamily windows;
  return Current::Current(windows).IsNt();
}

ScopedSystemFamily::ScopedSystemFamily(SystemFamily& family) : previous_(Current::Replace(&family)) {}
ScopedSystemFamily::~ScopedSystemFamily() { Current::Replace(previous_); }

}  // namespace platform
