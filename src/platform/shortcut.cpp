#include "platform/shortcut.h"

#include <windows.h>
#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

#include "win32/log.h"
#include "win32/scoped_handle.h"
#include "win32/win32_error.h"

namespace platform {
namespace {

void LogComFailure(const std::string& action, const std::string& link_file, HRESULT result) {
  win32::LogFailure(action, link_file, static_cast<DWORD>(result));
}

}  // namespace

void CreateShortcut(const std::string& target, const std::string& link_file, const std::string& arguments,
                    int icon_index) {
  // The result is of no interest: an apartment already set up by another
  // caller serves as well, and a failure shows in the creation below.
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

  win32::ScopedComPtr<IShellLinkA> link;
  HRESULT result = ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                      reinterpret_cast<void**>(link.receive()));
  if (FAILED(result)) {
    LogComFailure("creating the shell link object for", link_file, result);
    return;
  }
  link.get()->SetPath(target.c_str());
  if (icon_index != 0) link.get()->SetIconLocation(target.c_str(), icon_index);
  if (!arguments.empty()) link.get()->SetArguments(arguments.c_str());

  win32::ScopedComPtr<IPersistFile> file;
  result = link.get()->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.receive()));
  if (FAILED(result)) {
    LogComFailure("asking the shell link for IPersistFile to save", link_file, result);
    return;
  }
  wchar_t wide[MAX_PATH];
  const int length = ::MultiByteToWideChar(CP_ACP, 0, link_file.c_str(), -1, wide, MAX_PATH);
  if (length == 0) {
    win32::LogFailure("converting the link file name", link_file, ::GetLastError());
    return;
  }
  result = file.get()->Save(wide, TRUE);
  if (FAILED(result)) LogComFailure("saving the shortcut", link_file, result);
}

}  // namespace platform
