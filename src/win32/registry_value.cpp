#include "win32/registry_value.h"

namespace win32 {

LONG QueryRegistryValue(HKEY key, const std::string& name, DWORD* type, std::vector<BYTE>* data) {
  data->assign(512, 0);
  for (int attempt = 0; attempt < 8; ++attempt) {
    DWORD size = static_cast<DWORD>(data->size());
    LONG rc = ::RegQueryValueExA(key, name.c_str(), nullptr, type, data->data(), &size);
    if (rc == ERROR_SUCCESS) {
      data->resize(size);
      return rc;
    }
    if (rc != ERROR_MORE_DATA) return rc;
    data->assign(static_cast<size_t>(size) + 1, 0);
  }
  return ERROR_MORE_DATA;
}

std::string RegistryText(const std::vector<BYTE>& data) {
  std::string text(reinterpret_cast<const char*>(data.data()), data.size());
  size_t nul = text.find('\0');
  if (nul != std::string::npos) text.resize(nul);
  return text;
}

}  // namespace win32
