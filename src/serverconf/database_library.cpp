#include "serverconf/database_library.h"

#include <windows.h>

#include <exception>
#include <iterator>
#include <string_view>

#include "engine/path_text.h"
#include "serverconf/database_entry_points.h"
#include "win32/library_search.h"
#include "win32/log.h"
#include "win32/scoped_handle.h"
#include "win32/win32_error.h"

namespace serverconf {
namespace {

// The lock table. The critical sections live to the end of the process:
// server threads may still hold one while static objects are destroyed, so
// they are never deleted.
class LockTable {
 public:
  static constexpr int kSlots = 8;
  LockTable() {
    for (CRITICAL_SECTION& section : sections_) ::InitializeCriticalSection(&section);
  }
  CRITICAL_SECTION& operator[](StoreLockPurpose purpose) { return sections_[static_cast<int>(purpose)]; }

 private:
  CRITICAL_SECTION sections_[kSlots];
};

LockTable& Locks() {
  static LockTable* table = new LockTable;
  return *table;
}

constexpr const char* kModuleName = "db.dll";

constexpr size_t EntryIndex(std::string_view name) {
  for (size_t i = 0; i < kDatabaseEntryPointCount; ++i)
    if (name == kDatabaseEntryPoints[i]) return i;
  return kDatabaseEntryPointCount;
}

struct Library {
  win32::ScopedModule module;
  std::string path;
  FARPROC entries[kDatabaseEntryPointCount] = {};
};

// Guarded by the database lock.
Library& Held() {
  static Library library;
  return library;
}

// "db.dll function <function>(<argument>) error <code> : <system message>",
// the form the server's own log uses for a failed system call.
void LogSystemFailure(const char* function, const std::string& argument, DWORD code) {
  win32::LogLine(std::string(kModuleName) + " function " + function + "(" + argument + ") error " +
                 std::to_string(code) + " : " + win32::ErrorText(code));
}

std::string FullPath(const std::string& path) {
  char buffer[MAX_PATH];
  const DWORD n = ::GetFullPathNameA(path.c_str(), MAX_PATH, buffer, nullptr);
  return n > 0 && n < MAX_PATH ? std::string(buffer, n) : path;
}

bool IsFile(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Bind(Library& library) {
  for (size_t i = 0; i < kDatabaseEntryPointCount; ++i) {
    library.entries[i] = ::GetProcAddress(library.module.get(), kDatabaseEntryPoints[i]);
    if (library.entries[i] == nullptr) {
      LogSystemFailure("GetProcAddress", kDatabaseEntryPoints[i], ::GetLastError());
      return false;
    }
  }
  return true;
}

void Release(Library& library) {
  library.module.reset();
  library.path.clear();
  for (FARPROC& entry : library.entries) entry = nullptr;
}

// The bound entry point `name`; nullptr when none is bound under that name.
template <class Fn>
Fn Entry(std::string_view name) {
  const size_t index = EntryIndex(name);
  if (index >= kDatabaseEntryPointCount) return nullptr;
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(Held().entries[index]));
}

// The library's own text for its last failure; empty when it has none or
// cannot say.
std::string LibraryErrorText() {
  auto get = Entry<DBGetErrorStringFn>("DBGetErrorString");
  char buffer[256] = {};
  if (get == nullptr) return std::string();
  try {
    get(buffer, sizeof buffer);
  } catch (...) {
    return std::string();
  }
  buffer[sizeof buffer - 1] = '\0';
  return buffer;
}

// Runs one call of the library under the database lock and the exception
// guard. `call` receives the bound entry point and answers whether the
// library reported success; a failure is logged with the library's own
// error text, an exception with what it said.
//
// The guard sees what raises on the setup's side of the call. Whether a C++
// exception raised inside db.dll gets here depends on the unwinder: with the
// static i686 runtime (DWARF-2 unwinding) the setup and the library each
// carry their own unwinder, which knows only its own module's tables, so
// the library's runtime finds no handler past its own frames and ends the
// process; with table-based (SEH) unwinding, as in x86-64 builds, the
// exception crosses into this frame and counts as a failed call. Only a
// library that catches at its entry points is safe everywhere.
template <class Fn, class Call>
bool Guarded(const char* function, const std::string& argument, Call call) {
  StoreLock lock(StoreLockPurpose::kDatabase);
  const std::string head = std::string(kModuleName) + " function " + function + "(" + argument + ")";
  const Fn entry = Entry<Fn>(function);
  if (!Held().module || entry == nullptr) {
    win32::LogLine(head + ": the library is not loaded");
    return false;
  }
  try {
    if (call(entry)) return true;
  } catch (const std::exception& e) {
    win32::LogLine(head + " raised: " + e.what());
    return false;
  } catch (...) {
    win32::LogLine(head + " raised an exception");
    return false;
  }
  win32::LogLine(head + " failed : " + LibraryErrorText());
  return false;
}

using engine::Cut;

}  // namespace

StoreLock::StoreLock(StoreLockPurpose purpose) : purpose_(purpose) { ::EnterCriticalSection(&Locks()[purpose_]); }
StoreLock::~StoreLock() { ::LeaveCriticalSection(&Locks()[purpose_]); }

namespace db {

static_assert(EntryIndex("DBGetChallengeFolder") == kDatabaseEntryPointCount - 1);
static_assert(EntryIndex("DBNotAnEntryPoint") == kDatabaseEntryPointCount);

bool Load(const std::string& install_dir) {
  StoreLock lock(StoreLockPurpose::kDatabase);
  Library& library = Held();
  if (library.module) return true;
  const std::string candidates[] = {FullPath(install_dir + "db.dll"), FullPath(install_dir + "lib\\db.dll")};
  for (size_t i = 0; i < std::size(candidates); ++i) {
    const std::string& path = candidates[i];
    // The lib\ folder is the last resort: a library missing from the
    // install directory is not worth a log line of its own.
    if (i + 1 < std::size(candidates) && !IsFile(path)) continue;
    library.module.reset(win32::LoadLibraryWithOwnFolder(path));
    if (!library.module) {
      LogSystemFailure("LoadLibrary", path, ::GetLastError());
      continue;
    }
    if (!Bind(library)) {
      Release(library);
      return false;
    }
    library.path = path;
    return true;
  }
  return false;
}

void Unload() {
  StoreLock lock(StoreLockPurpose::kDatabase);
  Library& library = Held();
  if (!library.module) return;
  Guarded<DBDoneConnectionFn>("DBDoneConnection", "", [](DBDoneConnectionFn fn) {
    fn();
    return true;
  });
  Release(library);
}

bool Loaded() {
  StoreLock lock(StoreLockPurpose::kDatabase);
  return Held().module.valid();
}

std::string LoadedPath() {
  StoreLock lock(StoreLockPurpose::kDatabase);
  return Held().path;
}

bool SetConnection(const std::string& connection) {
  const std::string text = Cut(connection);
  return Guarded<DBSetConnectionFn>("DBSetConnection", text,
                                    [&](DBSetConnectionFn fn) { return fn(text.c_str()) != 0; });
}

bool ReloadConfig() {
  return Guarded<DBReloadConfigFn>("DBReloadConfig", "", [](DBReloadConfigFn fn) { return fn() != 0; });
}

bool AddDomain(const std::string& domain) {
  const std::string name = Cut(domain);
  return Guarded<DBAddDomainFn>("DBAddDomain", name, [&](DBAddDomainFn fn) { return fn(name.c_str()) != 0; });
}

bool MakeDomainPrimary(const std::string& domain) {
  const std::string name = Cut(domain);
  return Guarded<DBMakeDomainPrimaryFn>("DBMakeDomainPrimary", name,
                                        [&](DBMakeDomainPrimaryFn fn) { return fn(name.c_str()) != 0; });
}

bool SetDomainIP(const std::string& domain, const std::string& address) {
  const std::string name = Cut(domain);
  const std::string ip = Cut(address);
  return Guarded<DBSetDomainIPFn>("DBSetDomainIP", name + ", " + ip,
                                  [&](DBSetDomainIPFn fn) { return fn(name.c_str(), ip.c_str()) != 0; });
}

bool SetDomain(const std::string& domain, const std::vector<uint8_t>& record) {
  const std::string name = Cut(domain);
  return Guarded<DBSetDomainFn>("DBSetDomain", name, [&](DBSetDomainFn fn) {
    return fn(name.c_str(), record.data(), static_cast<int>(record.size())) != 0;
  });
}

bool SaveUsers(const std::string& domain, const std::vector<uint8_t>& record, int index) {
  const std::string name = Cut(domain);
  return Guarded<DBSaveUsersFn>("DBSaveUsers", name + ", " + std::to_string(index), [&](DBSaveUsersFn fn) {
    return fn(name.c_str(), record.data(), static_cast<int>(record.size()), index) != 0;
  });
}

int GetUsersIndex(const std::string& domain, const std::string& alias) {
  const std::string name = Cut(domain);
  const std::string who = Cut(alias);
  int index = -1;
  // -1 is also the answer for an alias nobody has: that is no failure of
  // the library and is not logged.
  Guarded<DBGetUsersIndexFn>("DBGetUsersIndex", name + ", " + who, [&](DBGetUsersIndexFn fn) {
    index = fn(name.c_str(), who.c_str());
    return true;
  });
  return index < 0 ? -1 : index;
}

bool InitUsers(const std::string& domain, void** cursor, int mode, int skip) {
  const std::string name = Cut(domain);
  *cursor = nullptr;
  return Guarded<DBInitUsersFn>("DBInitUsers", name + ", " + std::to_string(mode) + ", " + std::to_string(skip),
                                [&](DBInitUsersFn fn) { return fn(name.c_str(), cursor, mode, skip) != 0; });
}

bool NextUser(void* cursor, std::vector<uint8_t>& record, size_t size) {
  bool at_end = true;
  record.assign(size, 0);
  Guarded<DBNextUserFn>("DBNextUser", "", [&](DBNextUserFn fn) {
    at_end = fn(cursor, record.data(), static_cast<int>(size)) != 0;
    return true;
  });
  return at_end;
}

void DoneUsers(void* cursor) {
  Guarded<DBDoneUsersFn>("DBDoneUsers", "", [&](DBDoneUsersFn fn) {
    fn(cursor);
    return true;
  });
}

}  // namespace db
}  // namespace serverconf
