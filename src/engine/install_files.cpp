#include "engine/install_files.h"

#include <windows.h>

#include "engine/file_helpers.h"
#include "engine/template_text.h"
#include "messages/setup_messages.h"
#include "win32/scoped_handle.h"
#include "win32/win32_error.h"

namespace engine {

bool CopyInstallFile(InstallProgress& progress, const std::string& name,
                     const std::string& source_directory, const std::string& target_directory,
                     bool mandatory) {
  std::string source = AdjustTrailingBackslash(source_directory, true, false) + name;
  std::string target = AdjustTrailingBackslash(target_directory, true, false) + name;
  progress.SetProgressText(setup::Messages().cCopying + target + "...");

  // A read-only, hidden or system file left by an earlier version must not
  // stop its replacement.
  if (::GetFileAttributesA(target.c_str()) != INVALID_FILE_ATTRIBUTES)
    ::SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);

  if (CopyFileTo(source, target, false)) return true;
  DWORD error = ::GetLastError();
  if (mandatory) {
    progress.FatalError(
        setup::FormatText(setup::Messages().cErrorFile, {win32::ErrorText(error), name}));
  }
  // An optional file that cannot be copied is left out.
  return false;
}

bool CopyInstallTree(InstallProgress& progress, const std::string& installation_directory,
                     const std::string& source_root, const std::string& relative_directory) {
  std::string source_directory = AdjustTrailingBackslash(source_root, true, false) +
                                 AdjustTrailingBackslash(relative_directory, true, false);
  std::string target_directory = AdjustTrailingBackslash(installation_directory, true, false) +
                                 AdjustTrailingBackslash(relative_directory, true, false);
  std::string relative = AdjustTrailingBackslash(relative_directory, true, false);

  WIN32_FIND_DATAA data;
  std::string pattern = source_directory + "*.*";
  win32::ScopedFindHandle find(::FindFirstFileA(pattern.c_str(), &data));
  if (!find) {
    DWORD error = ::GetLastError();
    if (IsDirectory(source_directory)) return true;  // nothing in it (a drive's root)
    win32::LogFailure("list directory", source_directory, error);
    ::SetLastError(error);
    return false;
  }
  do {
    std::string name = data.cFileName;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (name == "." || name == "..") continue;
      // A link in the source could lead anywhere, even back up the tree; what
      // the payload holds is real directories only.
      if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
      if (!CopyInstallTree(progress, installation_directory, source_root, relative + name + "\\"))
        return false;
    } else {
      ForceDirectoryTree(target_directory);
      if (!CopyInstallFile(progress, name, source_directory, target_directory, true)) return false;
    }
  } while (::FindNextFileA(find.get(), &data));
  return true;
}

bool CopyTemplateFile(const std::string& installation_directory,
                      const std::string& staging_directory, const std::string& source_file,
                      const std::string& target_directory) {
  ForceDirectoryTree(target_directory);
  std::string temp_path = GetSpecialDirectory(SpecialDirectoryKind::kWindows, false) + "temp\\";
  ForceDirectoryTree(temp_path + "cache\\");

  std::string source = IsAbsolutePath(source_file)
                           ? source_file
                           : AdjustTrailingBackslash(staging_directory, true, false) + source_file;
  std::optional<std::string> text = ReadFileBytes(source);
  // A template the payload does not hold is simply not installed.
  if (!text) return false;

  std::string target = AdjustTrailingBackslash(target_directory, true, false) + FileNameOf(source_file);
  return WriteTextFile(ExpandTemplateText(*text, installation_directory, temp_path), target, false,
                       false);
}

}  // namespace engine
