#include "engine/install_files.h"

#include <windows.h>

#include <vector>

#include "engine/file_helpers.h"
#include "engine/template_text.h"
#include "messages/setup_messages.h"
#include "win32/scoped_handle.h"
#include "win32/win32_error.h"

namespace engine {

namespace {

// The target as CopyInstallFile shows and prepares it: the progress text,
// then an existing target loses all its attributes.
std::string AnnounceTarget(InstallProgress& progress, const std::string& name,
                           const std::string& target_directory) {
  std::string target = AdjustTrailingBackslash(target_directory, true, false) + name;
  progress.SetProgressText(setup::Messages().cCopying + target + "...");
  // A read-only, hidden or system file left by an earlier version must not
  // stop its replacement.
  if (::GetFileAttributesA(target.c_str()) != INVALID_FILE_ATTRIBUTES)
    ::SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
  return target;
}

bool CopyAnnouncedFile(InstallProgress& progress, const std::string& name, const std::string& source,
                       const std::string& target, bool mandatory) {
  if (CopyFileTo(source, target, false)) return true;
  DWORD error = ::GetLastError();
  if (mandatory) {
    progress.FatalError(
        setup::FormatText(setup::Messages().cErrorFile, {win32::ErrorText(error), name}), setup::kExitCopyFailed);
  }
  // An optional file that cannot be copied is left out.
  return false;
}

}  // namespace

bool CopyInstallFile(InstallProgress& progress, const std::string& name,
                     const std::string& source_directory, const std::string& target_directory,
                     bool mandatory) {
  std::string target = AnnounceTarget(progress, name, target_directory);
  return CopyAnnouncedFile(progress, name, AdjustTrailingBackslash(source_directory, true, false) + name,
                           target, mandatory);
}

namespace {

// Lists the files of the tree below `directory` (ending in '\\') in the
// order a copy meets them, as names relative to it. True when every
// directory of the tree, itself included, holds at least one file somewhere
// below it and the tree has no links: then moving it whole gives what
// copying its files gives.
bool ListMovableTree(const std::string& directory, const std::string& relative, std::vector<std::string>& files) {
  WIN32_FIND_DATAA data;
  win32::ScopedFindHandle find(::FindFirstFileA((directory + relative + "*.*").c_str(), &data));
  if (!find) return false;
  bool has_file = false;
  do {
    std::string name = data.cFileName;
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      files.push_back(relative + name);
      has_file = true;
      continue;
    }
    if (name == "." || name == "..") continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return false;
    if (!ListMovableTree(directory, relative + name + "\\", files)) return false;
    has_file = true;  // through the subdirectory
  } while (::FindNextFileA(find.get(), &data));
  return has_file;
}

}  // namespace

bool StagedFilePlacer::MoveIntoPlace(const std::string& source, const std::string& target, bool replace) {
  if (!renames_work_) return false;
  if (!::MoveFileExA(source.c_str(), target.c_str(), replace ? MOVEFILE_REPLACE_EXISTING : 0)) {
    DWORD error = ::GetLastError();
    // Another volume: a rename can never work there, so the rest is copied.
    if (error == ERROR_NOT_SAME_DEVICE) renames_work_ = false;
    // A missing source is the copy's failure to report.
    else if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
      win32::LogFailure("move staged item (copying instead)", source + " to " + target, error);
    return false;
  }
  // The moved item still carries the security of the staging directory; a
  // copy would have taken the target directory's. Should that fail (logged
  // there) the item is in place all the same.
  reset_security_(target);
  return true;
}

bool StagedFilePlacer::PlaceFile(const std::string& name, const std::string& source_directory,
                                 const std::string& target_directory, bool mandatory) {
  std::string target = AnnounceTarget(progress_, name, target_directory);
  std::string source = AdjustTrailingBackslash(source_directory, true, false) + name;
  if (MoveIntoPlace(source, target, true)) return true;
  return CopyAnnouncedFile(progress_, name, source, target, mandatory);
}

bool StagedFilePlacer::PlaceTree(const std::string& installation_directory, const std::string& source_root,
                                 const std::string& relative_directory) {
  std::string relative = AdjustTrailingBackslash(relative_directory, true, false);
  std::string source_directory = AdjustTrailingBackslash(source_root, true, false) + relative;
  std::string target_directory = AdjustTrailingBackslash(installation_directory, true, false) + relative;

  // The names are listed before the move and announced after it: a rename
  // keeps a directory's order, so the texts are the copy's without a second
  // walk of the tree.
  std::string target_path = AdjustTrailingBackslash(target_directory, false, false);
  std::vector<std::string> files;
  if (renames_work_ && ::GetFileAttributesA(target_path.c_str()) == INVALID_FILE_ATTRIBUTES &&
      ListMovableTree(source_directory, std::string(), files)) {
    ForceDirectoryTree(DirectoryOf(target_path));
    if (MoveIntoPlace(AdjustTrailingBackslash(source_directory, false, false), target_path, false)) {
      for (const std::string& file : files)
        progress_.SetProgressText(setup::Messages().cCopying + target_directory + file + "...");
      return true;
    }
  }

  WIN32_FIND_DATAA data;
  win32::ScopedFindHandle find(::FindFirstFileA((source_directory + "*.*").c_str(), &data));
  if (!find) {
    // A tree the payload does not hold has nothing to place.
    if (!IsDirectory(source_directory)) win32::LogFailure("list directory", source_directory, ::GetLastError());
    return true;
  }
  do {
    std::string name = data.cFileName;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (name == "." || name == "..") continue;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
      if (!PlaceTree(installation_directory, source_root, relative + name + "\\")) return false;
    } else {
      ForceDirectoryTree(target_directory);
      if (!PlaceFile(name, source_directory, target_directory, true)) return false;
    }
  } while (::FindNextFileA(find.get(), &data));
  return true;
}

void StagedFilePlacer::AnnounceTree(const std::string& installation_directory,
                                    const std::string& relative_directory, const std::string& skip_top_file) {
  std::string directory = AdjustTrailingBackslash(installation_directory, true, false) +
                          AdjustTrailingBackslash(relative_directory, true, false);
  WIN32_FIND_DATAA data;
  win32::ScopedFindHandle find(::FindFirstFileA((directory + "*.*").c_str(), &data));
  if (!find) return;
  do {
    std::string name = data.cFileName;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (name == "." || name == ".." || (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) continue;
      AnnounceTree(directory, name + "\\");
    } else if (skip_top_file.empty() || ::lstrcmpiA(name.c_str(), skip_top_file.c_str()) != 0) {
      progress_.SetProgressText(setup::Messages().cCopying + directory + name + "...");
    }
  } while (::FindNextFileA(find.get(), &data));
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
