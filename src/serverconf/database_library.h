// The storage library of database mode ("db.dll") and the store's locks.
//
// In database mode (settings byte 3633 = 2) domains and accounts live in a
// database reached through "db.dll". The library is loaded from the install
// directory, or failing that from its "lib\" subdirectory, by full path
// only (never through the search path), and every entry point of
// kDatabaseEntryPoints is bound by name. Each call is made while holding
// the store's database lock and inside an exception guard: a library that
// raises counts as a failure of that call. (A C++ exception raised inside a
// library with a runtime of its own cannot reach the guard on i686: that
// library's runtime ends the process. See database_library.cpp.) Every
// failure is logged once with what failed; callers only see the result.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace serverconf {

// The store's locks, by purpose. The setup calls the store from its one
// user-interface thread; the locks serialise it with server code that
// shares the store. Locks are recursive.
enum class StoreLockPurpose { kAccountFiles = 0, kAccountCache = 4, kDatabase = 5, kLogging = 7 };

class StoreLock {
 public:
  explicit StoreLock(StoreLockPurpose purpose);
  ~StoreLock();
  StoreLock(const StoreLock&) = delete;
  StoreLock& operator=(const StoreLock&) = delete;

 private:
  StoreLockPurpose purpose_;
};

namespace db {

// Loads and binds db.dll from `install_dir` or `install_dir` + "lib\"
// unless it is loaded already. A failed load is logged as
// "<module> function LoadLibrary(<path>) error <code> : <system message>";
// a library that lacks an entry point is released again (logged). True
// when the library is loaded and bound.
bool Load(const std::string& install_dir);
// DBDoneConnection and release of the library; nothing when none is loaded.
void Unload();
bool Loaded();
// The full path of the loaded library; empty when none is loaded.
std::string LoadedPath();

// The calls. Each answers false (or -1, or the end of a walk) when the
// library is not loaded, when the call fails, or when it raises.
bool SetConnection(const std::string& connection);
bool ReloadConfig();
bool AddDomain(const std::string& domain);
bool MakeDomainPrimary(const std::string& domain);
bool SetDomainIP(const std::string& domain, const std::string& address);
bool SetDomain(const std::string& domain, const std::vector<uint8_t>& record);
// `index` -1 = a new account.
bool SaveUsers(const std::string& domain, const std::vector<uint8_t>& record, int index);
int GetUsersIndex(const std::string& domain, const std::string& alias);
// A walk over the accounts of a domain; `cursor` is the library's.
bool InitUsers(const std::string& domain, void** cursor, int mode, int skip);
// True at the end of the walk (and on failure); false when `record` (resized
// to `size` bytes) holds the next account.
bool NextUser(void* cursor, std::vector<uint8_t>& record, size_t size);
void DoneUsers(void* cursor);

}  // namespace db
}  // namespace serverconf
