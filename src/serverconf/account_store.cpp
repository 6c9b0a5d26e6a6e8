#include "serverconf/account_store.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "engine/file_helpers.h"
#include "serverconf/config_comment.h"
#include "serverconf/config_store.h"
#include "serverconf/database_library.h"
#include "win32/log.h"
#include "win32/win32_error.h"

namespace serverconf {
namespace {

constexpr size_t kDomainNameForWalk = 95;

UserFilter& InstalledFilter() {
  static UserFilter filter;
  return filter;
}

std::string UsersFile(const std::string& domain_dir) { return domain_dir + "users.cfg"; }

std::optional<std::string> DomainDirectoryOrLog(size_t index) {
  std::optional<std::string> dir = DomainDirectory(index);
  if (!dir) win32::LogLine("configuration store: domain " + std::to_string(index) + " has no usable directory");
  return dir;
}

std::string DomainName(size_t index) { return index < Domains().Count() ? Domains().Name(index) : std::string(); }

bool ReadExact(HANDLE file, void* data, DWORD size) {
  DWORD got = 0;
  return ::ReadFile(file, data, size, &got, nullptr) && got == size;
}

// The number of whole records in an open users.cfg; -1 (logged) on failure.
int RecordCount(HANDLE file, const std::string& path) {
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file, &size)) {
    win32::LogFailure("reading the size of", path, ::GetLastError());
    return -1;
  }
  return static_cast<int>(size.QuadPart / static_cast<LONGLONG>(kUserRecordSize));
}

bool SeekToRecord(HANDLE file, int index) {
  LARGE_INTEGER at{};
  at.QuadPart = static_cast<LONGLONG>(index) * static_cast<LONGLONG>(kUserRecordSize);
  return ::SetFilePointerEx(file, at, nullptr, FILE_BEGIN) != 0;
}

// Reads the record at the file position and unscrambles it.
bool ReadRecord(HANDLE file, UserRecord& record) {
  std::vector<uint8_t> image(kUserRecordSize);
  if (!ReadExact(file, image.data(), static_cast<DWORD>(image.size()))) return false;
  record.ReadFileImage(image.data(), image.size());
  return true;
}

win32::ScopedHandle OpenUsersFile(const std::string& path, bool write) {
  win32::ScopedHandle file(::CreateFileA(path.c_str(), write ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ,
                                         FILE_SHARE_READ | (write ? 0 : FILE_SHARE_WRITE), nullptr,
                                         write ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD code = ::GetLastError();
    if (write || (code != ERROR_FILE_NOT_FOUND && code != ERROR_PATH_NOT_FOUND))
      win32::LogFailure(write ? "opening for writing" : "opening", path, code);
  }
  return file;
}

// What the store does after an account is written: the mailbox's marker
// files. Mailboxes are relative to the mail directory; one that would leave
// it is not touched.
void AfterUserSaved(const UserRecord& record) {
  if (record.AccountType() != kUserAccount) return;
  const std::string mailbox = record.Mailbox();
  if (!IsContainedMailbox(mailbox)) {
    if (!mailbox.empty()) win32::LogLine("configuration store: mailbox " + mailbox + " is outside the mail directory");
    return;
  }
  const std::string dir = engine::AdjustTrailingBackslash(Paths().mail_dir + mailbox, true, false);
  if (!(record.Byte(user_field::kFlags) & user_field::kKeepRespondFile)) {
    const std::string respond = dir + "respond.dat";
    if (!::DeleteFileA(respond.c_str()) && ::GetLastError() != ERROR_FILE_NOT_FOUND &&
        ::GetLastError() != ERROR_PATH_NOT_FOUND)
      win32::LogFailure("deleting", respond, ::GetLastError());
  }
  if (record.Word(user_field::kRequireActiveFile) != 0 && !win32::FileExists(dir + "active.dat")) {
    if (engine::ForceDirectoryTree(dir)) engine::WriteTextFile("", dir + "active.dat");
  }
}

bool SaveUserToFile(size_t domain_index, const UserRecord& record, int record_index) {
  const std::optional<std::string> dir = DomainDirectoryOrLog(domain_index);
  if (!dir) return false;
  StoreLock lock(StoreLockPurpose::kAccountFiles);
  if (!engine::ForceDirectoryTree(*dir)) return false;
  const std::string path = UsersFile(*dir);
  win32::ScopedHandle file = OpenUsersFile(path, true);
  if (!file) return false;
  const int count = RecordCount(file.get(), path);
  if (count < 0) return false;
  if (record_index == -1) record_index = count;
  if (record_index < 0 || record_index > count) {
    win32::LogLine("configuration store: account index " + std::to_string(record_index) + " is beyond the " +
                   std::to_string(count) + " records of " + path);
    return false;
  }
  const std::vector<uint8_t> image = record.FileImage();
  DWORD written = 0;
  if (!SeekToRecord(file.get(), record_index) ||
      !::WriteFile(file.get(), image.data(), static_cast<DWORD>(image.size()), &written, nullptr) ||
      written != image.size()) {
    win32::LogFailure("writing an account to", path, ::GetLastError());
    return false;
  }
  return true;
}

std::vector<AccountGroup> ReadGroups() {
  const std::optional<std::string> text = engine::ReadFileBytes(Paths().config_dir + "groups.dat");
  if (!text) return {};
  return ParseGroups(*text);
}

}  // namespace

bool SaveDomainRecord(const DomainRecord& record, size_t index) {
  try {
    if (DatabaseMode()) {
      const std::vector<uint8_t> bytes(record.Bytes().begin(), record.Bytes().end());
      db::SetDomain(DomainName(index), bytes);
    }
    const std::optional<std::string> dir = DomainDirectoryOrLog(index);
    if (!dir || !engine::ForceDirectoryTree(*dir)) return false;
    const std::vector<uint8_t> image = record.FileImage();
    return engine::WriteTextFile(std::string(image.begin(), image.end()), *dir + "domain.cfg");
  } catch (const std::exception& e) {
    win32::LogLine(std::string("configuration store: saving a domain record failed: ") + e.what());
    return false;
  }
}

bool SaveUser(size_t domain_index, const UserRecord& record, int record_index, bool /*refresh_cache*/) {
  try {
    if (TrimConfigText(record.Aliases()).empty()) return false;
    bool saved;
    if (DatabaseMode()) {
      const std::vector<uint8_t> bytes(record.Bytes().begin(), record.Bytes().end());
      saved = db::SaveUsers(DomainName(domain_index), bytes, record_index);
    } else {
      saved = SaveUserToFile(domain_index, record, record_index);
    }
    if (saved) AfterUserSaved(record);
    return saved;
  } catch (const std::exception& e) {
    win32::LogLine(std::string("configuration store: saving an account failed: ") + e.what());
    return false;
  }
}

int FindUserIndex(size_t domain_index, const std::string& alias) {
  try {
    if (DatabaseMode()) return db::GetUsersIndex(DomainName(domain_index), alias);
    const std::optional<std::string> dir = DomainDirectoryOrLog(domain_index);
    if (!dir) return -1;
    const std::vector<AccountGroup> groups = ReadGroups();
    StoreLock lock(StoreLockPurpose::kAccountFiles);
    const std::string path = UsersFile(*dir);
    win32::ScopedHandle file = OpenUsersFile(path, false);
    if (!file) return -1;
    UserRecord record;
    for (int index = 0; ReadRecord(file.get(), record); ++index)
      if (AliasMatches(alias, record.Aliases(), groups)) return index;
    return -1;
  } catch (const std::exception& e) {
    win32::LogLine(std::string("configuration store: finding an account failed: ") + e.what());
    return -1;
  }
}

void SetUserFilter(UserFilter filter) { InstalledFilter() = std::move(filter); }

bool OpenUserEnumeration(const std::string& domain, UserEnumerator& walk, const std::string& filter, uint8_t mode,
                         int skip) {
  try {
    CloseUserEnumeration(walk);
    walk.domain = domain.substr(0, kDomainNameForWalk);
    walk.count = 0;
    walk.index = -1;
    walk.mode = mode;
    walk.filter = filter;
    walk.record = UserRecord();
    walk.database = DatabaseMode();
    if (walk.database) {
      walk.open = db::InitUsers(walk.domain, &walk.database_cursor, -1, skip);
      return walk.open;
    }
    if (walk.domain.empty() || walk.domain.find_first_of("\\/:") != std::string::npos || walk.domain == "." ||
        walk.domain == "..")
      return false;
    const std::string path = UsersFile(Paths().config_dir + walk.domain + "\\");
    walk.file = OpenUsersFile(path, false);
    if (!walk.file) return false;
    walk.count = RecordCount(walk.file.get(), path);
    if (walk.count < 0) {
      walk.file.reset();
      return false;
    }
    if (skip > 0 && walk.count > skip) {
      if (!SeekToRecord(walk.file.get(), skip)) {
        win32::LogFailure("moving in", path, ::GetLastError());
        walk.file.reset();
        return false;
      }
      walk.index = skip - 1;
    }
    walk.open = true;
    return true;
  } catch (const std::exception& e) {
    win32::LogLine(std::string("configuration store: opening the accounts of ") + domain + " failed: " + e.what());
    walk.file.reset();
    walk.open = false;
    return false;
  }
}

bool NextUser(UserEnumerator& walk) {
  try {
    if (!walk.open) return true;
    if (walk.database) {
      std::vector<uint8_t> bytes;
      if (db::NextUser(walk.database_cursor, bytes, kUserRecordSize)) return true;
      std::copy_n(bytes.begin(), std::min(bytes.size(), kUserRecordSize), walk.record.Bytes().begin());
      ++walk.index;
      return false;
    }
    const UserFilter& accept = InstalledFilter();
    while (walk.index + 1 < walk.count) {
      if (!ReadRecord(walk.file.get(), walk.record)) return true;
      ++walk.index;
      if (walk.filter.empty() || !accept || accept(walk.record, walk.filter)) return false;
    }
    return true;
  } catch (const std::exception& e) {
    win32::LogLine(std::string("configuration store: reading the accounts of ") + walk.domain + " failed: " + e.what());
    return true;
  }
}

void CloseUserEnumeration(UserEnumerator& walk) {
  if (walk.database && walk.open) db::DoneUsers(walk.database_cursor);
  walk.database_cursor = nullptr;
  walk.file.reset();
  walk.open = false;
}

}  // namespace serverconf
