#include "win32/file_identity.h"

#include <windows.h>

#include "win32/scoped_handle.h"

namespace win32 {

std::optional<FileIdentity> IdentityOf(const std::string& path) {
  // No access asked for: the attributes may be read even of a program that
  // is running, and every sharing mode lets the others go on meanwhile.
  // Backup semantics let a directory be opened as well.
  ScopedHandle file(::CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION information{};
  if (!::GetFileInformationByHandle(file.get(), &information)) return std::nullopt;
  return FileIdentity{information.dwVolumeSerialNumber,
                      (static_cast<uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow};
}

}  // namespace win32
