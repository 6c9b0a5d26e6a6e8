#include "engine/file_helpers.h"

#include <windows.h>
#include <aclapi.h>

#include <algorithm>
#include <vector>

#include "win32/scoped_handle.h"
#include "win32/win32_error.h"

namespace engine {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool MakeDirectoryTree(const std::string& path) {
  if (IsDirectory(path)) return true;
  ::CreateDirectoryA(path.c_str(), nullptr);
  if (IsDirectory(path)) return true;

  std::string level = path;
  if (!level.empty() && IsSeparator(level.back())) level.pop_back();
  // A path of two characters or less is a drive ("C:") or a root: the walk up
  // ends there, whether it exists or not.
  if (level.size() > 2 && !IsDirectory(level)) {
    size_t last = level.find_last_of("\\/:");
    if (last != std::string::npos) {
      std::string parent = level.substr(0, last + 1);
      if (parent != level) {
        MakeDirectoryTree(parent);
        ::CreateDirectoryA(level.c_str(), nullptr);
      }
    }
  }
  return IsDirectory(path);
}

struct DirectoryEntry {
  std::string name;
  DWORD attributes;
};

// The entries of `pattern` other than "." and "..". Collected before anything
// is deleted so that the deletions do not disturb the listing.
std::vector<DirectoryEntry> ListEntries(const std::string& pattern) {
  std::vector<DirectoryEntry> entries;
  WIN32_FIND_DATAA data;
  win32::ScopedFindHandle find(::FindFirstFileA(pattern.c_str(), &data));
  if (!find) return entries;
  do {
    std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    entries.push_back({name, data.dwFileAttributes});
  } while (::FindNextFileA(find.get(), &data));
  return entries;
}

// `base` ends in a backslash.
void DeleteEntries(const std::string& base, const std::string& mask, bool recurse) {
  for (const DirectoryEntry& entry : ListEntries(base + mask)) {
    std::string full = base + entry.name;
    switch (DeleteTreeEntryAction(entry.attributes, recurse)) {
      case TreeEntryAction::kDeleteFile:
        // A read-only file refuses and stays by design, keeping its directory.
        ::DeleteFileA(full.c_str());
        break;
      case TreeEntryAction::kEnterAndRemove:
        DeleteEntries(full + "\\", mask, recurse);
        ::RemoveDirectoryA(full.c_str());
        break;
      case TreeEntryAction::kRemoveLink:
        ::RemoveDirectoryA(full.c_str());
        break;
      case TreeEntryAction::kLeave:
        break;
    }
  }
}

}  // namespace

TreeEntryAction DeleteTreeEntryAction(unsigned long attributes, bool recurse) {
  // A file symbolic link is deleted like a file: DeleteFileA removes the link,
  // not what it points to.
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return TreeEntryAction::kDeleteFile;
  if (!recurse) return TreeEntryAction::kLeave;
  // A junction or directory symbolic link: its target belongs to someone else.
  // Removing the link leaves the target as it is.
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return TreeEntryAction::kRemoveLink;
  return TreeEntryAction::kEnterAndRemove;
}

bool ForceDirectoryTree(const std::string& path) {
  if (path.empty()) return false;
  if (MakeDirectoryTree(path)) return true;
  DWORD error = ::GetLastError();
  win32::LogFailure("create directory tree", path, error);
  ::SetLastError(error);
  return false;
}

bool DeleteDirectoryTree(const std::string& directory, const std::string& mask, bool recurse) {
  std::string base = AdjustTrailingBackslash(directory, true, false);
  std::string root = AdjustTrailingBackslash(directory, false, false);
  // An empty path, "\" or a drive's root would empty a whole drive: never a
  // directory the setup owns, so most likely an unset path.
  if (root.empty() || (root.size() == 2 && root[1] == ':')) {
    win32::LogFailure("delete directory tree", "\"" + directory + "\"", ERROR_ACCESS_DENIED);
    return false;
  }

  DWORD attributes = ::GetFileAttributesA(root.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    // The directory handed in is itself a link: only the link goes.
    return ::RemoveDirectoryA(root.c_str()) != 0;
  }

  DeleteEntries(base, mask.empty() ? std::string("*.*") : mask, recurse);
  // Fails when something stayed (read-only files, unmatched entries); the
  // caller learns that from the result, nothing is shown.
  return ::RemoveDirectoryA(root.c_str()) != 0;
}

std::string ProgramDirectory() {
  std::string buffer(MAX_PATH, '\0');
  for (;;) {
    DWORD n = ::GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return std::string();
    if (n < buffer.size()) {
      buffer.resize(n);
      return DirectoryOf(buffer);
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::string GetSpecialDirectory(SpecialDirectoryKind kind, bool no_fallback) {
  auto ask = [kind](char* buffer, DWORD size) -> DWORD {
    switch (kind) {
      case SpecialDirectoryKind::kTemporary:
        return ::GetTempPathA(size, buffer);
      case SpecialDirectoryKind::kWindows:
        return ::GetWindowsDirectoryA(buffer, size);
      case SpecialDirectoryKind::kSystem:
        return ::GetSystemDirectoryA(buffer, size);
    }
    return 0;
  };

  std::string answer;
  DWORD size = ask(nullptr, 0);
  if (size > 0) {
    answer.assign(size, '\0');
    DWORD n = ask(answer.data(), size);
    // n counts without the terminating zero; n >= size means the name grew
    // between the two calls, which is as good as no answer.
    answer.resize(n < size ? n : 0);
  }
  std::string program_directory = no_fallback ? std::string() : ProgramDirectory();
  return FinishSpecialDirectory(answer, no_fallback, program_directory);
}

bool CopyFileTo(const std::string& source, const std::string& target, bool fail_if_exists) {
  if (::CopyFileA(source.c_str(), target.c_str(), fail_if_exists ? TRUE : FALSE)) return true;
  DWORD error = ::GetLastError();
  win32::LogFailure("copy file", source + " to " + target, error);
  ::SetLastError(error);
  return false;
}

bool MoveFileTo(const std::string& source, const std::string& target) {
  if (::MoveFileA(source.c_str(), target.c_str())) return true;
  DWORD error = ::GetLastError();
  win32::LogFailure("move file", source + " to " + target, error);
  ::SetLastError(error);
  return false;
}

bool ResetToInheritedSecurity(const std::string& path) {
  ACL empty;
  if (!::InitializeAcl(&empty, sizeof(empty), ACL_REVISION)) {
    win32::LogFailure("make an empty access list for", path, ::GetLastError());
    return false;
  }
  // An empty, unprotected list keeps no explicit entry and lets the parent's
  // inheritable entries apply, as for a file created there.
  DWORD result = ::SetNamedSecurityInfoA(const_cast<char*>(path.c_str()), SE_FILE_OBJECT,
                                         DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION,
                                         nullptr, nullptr, &empty, nullptr);
  if (result == ERROR_SUCCESS) return true;
  win32::LogFailure("reset security of", path, result);
  return false;
}

std::optional<std::string> ReadFileBytes(const std::string& path) {
  win32::ScopedHandle file(::CreateFileA(path.c_str(), GENERIC_READ,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    DWORD error = ::GetLastError();
    // Many files the setup reads are optional; their absence is no failure.
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
      win32::LogFailure("open file", path, error);
    ::SetLastError(error);
    return std::nullopt;
  }
  std::string text;
  LARGE_INTEGER size;
  if (::GetFileSizeEx(file.get(), &size) && size.QuadPart > 0 && size.QuadPart < (1LL << 30))
    text.reserve(static_cast<size_t>(size.QuadPart));
  char buffer[64 * 1024];
  for (;;) {
    DWORD read = 0;
    if (!::ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr)) {
      DWORD error = ::GetLastError();
      win32::LogFailure("read file", path, error);
      ::SetLastError(error);
      return std::nullopt;
    }
    if (read == 0) break;
    text.append(buffer, read);
  }
  return text;
}

std::string ReadFileText(const std::string& path, bool delete_after) {
  std::optional<std::string> text = ReadFileBytes(path);
  // "In any case": the caller hands over a file it no longer wants, whether
  // or not its content could be read.
  if (delete_after) ::DeleteFileA(path.c_str());
  return text ? std::move(*text) : std::string();
}

bool WriteTextFile(const std::string& text, const std::string& path, bool delete_if_empty,
                   bool append) {
  std::string directory = DirectoryOf(path);
  if (!directory.empty()) ForceDirectoryTree(directory);

  if (delete_if_empty && text.empty()) {
    ::DeleteFileA(path.c_str());
    return ::GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES;
  }

  // OPEN_ALWAYS and an explicit truncation rather than CREATE_ALWAYS: the
  // latter refuses to replace a hidden or system file.
  win32::ScopedHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    DWORD error = ::GetLastError();
    win32::LogFailure("create file", path, error);
    ::SetLastError(error);
    return false;
  }
  LARGE_INTEGER zero{};
  BOOL positioned = append ? ::SetFilePointerEx(file.get(), zero, nullptr, FILE_END)
                           : ::SetEndOfFile(file.get());
  if (!positioned) {
    DWORD error = ::GetLastError();
    win32::LogFailure(append ? "seek to end of file" : "truncate file", path, error);
    ::SetLastError(error);
    return false;
  }
  size_t done = 0;
  while (done < text.size()) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(text.size() - done, 1u << 20));
    DWORD written = 0;
    if (!::WriteFile(file.get(), text.data() + done, chunk, &written, nullptr) || written == 0) {
      DWORD error = ::GetLastError();
      win32::LogFailure("write file", path, error);
      ::SetLastError(error);
      return false;
    }
    done += written;
  }
  return true;
}

}  // namespace engine
