// The suite's stand-in for the mail server's storage library "db.dll".
//
// It keeps domains and accounts in plain files in the folder "dbstore\"
// beside the library and records every call in "db-calls.log" beside it,
// so that tests can see what the setup asked for:
//
//   dbstore\domains.txt       one line per domain, "name<TAB>address", the
//                             primary domain first; address "0.0.0.0" until set
//   dbstore\<domain>.domain   the domain record as given to DBSetDomain (913 bytes)
//   dbstore\<domain>.users    the domain's account records, 2,848 bytes each,
//                             in the order they were added
//   db-calls.log              one line per call: the entry point's name, then
//                             each argument behind a tab
//
// A test makes calls fail through "db-fail.txt" beside the library, read at
// every call: a line holding an entry point's name makes that call fail
// (with an error text for DBGetErrorString); a line "throw <name>" makes it
// raise a C++ exception instead. Domain names are compared without regard
// to case. Entry points the setup never calls record their call and
// answer 0.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include "serverconf/database_entry_points.h"

namespace {

constexpr size_t kAccountRecordSize = 2848;
constexpr size_t kDomainRecordSize = 913;
constexpr size_t kAliasOffset = 260;

HMODULE g_module = nullptr;
std::string g_error;  // for DBGetErrorString

std::string Folder() {
  char path[MAX_PATH];
  const DWORD n = ::GetModuleFileNameA(g_module, path, MAX_PATH);
  const std::string text(path, n);
  return text.substr(0, text.find_last_of('\\') + 1);
}

std::string Store() { return Folder() + "dbstore\\"; }

std::string ReadAll(const std::string& path) {
  std::string bytes;
  HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  char buffer[16384];
  DWORD got = 0;
  while (::ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  ::CloseHandle(file);
  return bytes;
}

bool WriteAll(const std::string& path, const std::string& bytes, bool append = false) {
  HANDLE file = ::CreateFileA(path.c_str(), append ? FILE_APPEND_DATA : GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              append ? OPEN_ALWAYS : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = bytes.empty() ||
                  (::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                   written == bytes.size());
  ::CloseHandle(file);
  return ok;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return text;
}

std::string Text(const char* text) { return text ? std::string(text, strnlen(text, 255)) : std::string(); }

// Records the call and applies db-fail.txt: false when the call is to fail.
bool Enter(const char* name, const std::vector<std::string>& arguments = {}) {
  std::string line = name;
  for (const std::string& argument : arguments) line += "\t" + argument;
  WriteAll(Folder() + "db-calls.log", line + "\r\n", true);
  for (const std::string& order : Lines(ReadAll(Folder() + "db-fail.txt"))) {
    if (order == std::string("throw ") + name) throw std::runtime_error(std::string(name) + " raised as asked");
    if (order == name) {
      g_error = std::string(name) + " failed as asked by db-fail.txt";
      return false;
    }
  }
  return true;
}

int Fail(const std::string& error) {
  g_error = error;
  return 0;
}

struct DomainLine {
  std::string name;
  std::string address;
};

std::vector<DomainLine> ReadDomains() {
  std::vector<DomainLine> domains;
  for (const std::string& line : Lines(ReadAll(Store() + "domains.txt"))) {
    if (line.empty()) continue;
    const size_t tab = line.find('\t');
    domains.push_back({line.substr(0, tab), tab == std::string::npos ? "0.0.0.0" : line.substr(tab + 1)});
  }
  return domains;
}

bool WriteDomains(const std::vector<DomainLine>& domains) {
  std::string text;
  for (const DomainLine& d : domains) text += d.name + "\t" + d.address + "\r\n";
  ::CreateDirectoryA(Store().c_str(), nullptr);
  return WriteAll(Store() + "domains.txt", text);
}

int FindDomain(const std::vector<DomainLine>& domains, const std::string& name) {
  for (size_t i = 0; i < domains.size(); ++i)
    if (domains[i].name == Lower(name)) return static_cast<int>(i);
  return -1;
}

std::string UsersFile(const std::string& domain) { return Store() + Lower(domain) + ".users"; }

std::vector<std::string> ReadAccounts(const std::string& domain) {
  const std::string bytes = ReadAll(UsersFile(domain));
  std::vector<std::string> records;
  for (size_t at = 0; at + kAccountRecordSize <= bytes.size(); at += kAccountRecordSize)
    records.push_back(bytes.substr(at, kAccountRecordSize));
  return records;
}

// Whether `alias` is one of the ";"-items of the record's alias list.
bool AnswersTo(const std::string& record, const std::string& alias) {
  const size_t length = uint8_t(record[kAliasOffset]);
  const std::string list = Lower(record.substr(kAliasOffset + 1, length));
  const std::string wanted = Lower(alias);
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(';', start);
    if (end == std::string::npos) end = list.size();
    if (!wanted.empty() && list.compare(start, end - start, wanted) == 0) return true;
    start = end + 1;
  }
  return false;
}

struct Walk {
  std::vector<std::string> records;
  size_t next = 0;
};

std::string Pointer(const void* p) {
  char text[16];
  std::snprintf(text, sizeof text, "%p", p);
  return text;
}

}  // namespace

extern "C" {

int __stdcall DBGetErrorString(char* buffer, int size) {
  Enter("DBGetErrorString", {std::to_string(size)});
  if (buffer == nullptr || size <= 0) return 0;
  const size_t n = std::min(g_error.size(), static_cast<size_t>(size - 1));
  std::memcpy(buffer, g_error.data(), n);
  buffer[n] = '\0';
  return 1;
}

int __stdcall DBSetConnection(const char* connection) {
  if (!Enter("DBSetConnection", {Text(connection)})) return 0;
  ::CreateDirectoryA(Store().c_str(), nullptr);
  return 1;
}

int __stdcall DBReloadConfig() { return Enter("DBReloadConfig") ? 1 : 0; }

void __stdcall DBDoneConnection() {
  Enter("DBDoneConnection");
}

int __stdcall DBAddDomain(const char* domain) {
  if (!Enter("DBAddDomain", {Text(domain)})) return 0;
  const std::string name = Lower(Text(domain));
  std::vector<DomainLine> domains = ReadDomains();
  if (name.empty()) return Fail("DBAddDomain: no domain name");
  if (FindDomain(domains, name) >= 0) return Fail("DBAddDomain: domain " + name + " exists");
  domains.push_back({name, "0.0.0.0"});
  return WriteDomains(domains) ? 1 : Fail("DBAddDomain: cannot write domains.txt");
}

int __stdcall DBMakeDomainPrimary(const char* domain) {
  if (!Enter("DBMakeDomainPrimary", {Text(domain)})) return 0;
  std::vector<DomainLine> domains = ReadDomains();
  const int index = FindDomain(domains, Text(domain));
  if (index < 0) return Fail("DBMakeDomainPrimary: no domain " + Text(domain));
  const DomainLine primary = domains[index];
  domains.erase(domains.begin() + index);
  domains.insert(domains.begin(), primary);
  return WriteDomains(domains) ? 1 : Fail("DBMakeDomainPrimary: cannot write domains.txt");
}

int __stdcall DBSetDomainIP(const char* domain, const char* address) {
  if (!Enter("DBSetDomainIP", {Text(domain), Text(address)})) return 0;
  std::vector<DomainLine> domains = ReadDomains();
  const int index = FindDomain(domains, Text(domain));
  if (index < 0) return Fail("DBSetDomainIP: no domain " + Text(domain));
  domains[index].address = Text(address);
  return WriteDomains(domains) ? 1 : Fail("DBSetDomainIP: cannot write domains.txt");
}

int __stdcall DBSetDomain(const char* domain, const unsigned char* record, int size) {
  if (!Enter("DBSetDomain", {Text(domain), std::to_string(size)})) return 0;
  if (size != static_cast<int>(kDomainRecordSize) || record == nullptr)
    return Fail("DBSetDomain: a domain record has 913 bytes, not " + std::to_string(size));
  if (FindDomain(ReadDomains(), Text(domain)) < 0) return Fail("DBSetDomain: no domain " + Text(domain));
  const std::string bytes(reinterpret_cast<const char*>(record), kDomainRecordSize);
  return WriteAll(Store() + Lower(Text(domain)) + ".domain", bytes) ? 1 : Fail("DBSetDomain: cannot write");
}

int __stdcall DBSaveUsers(const char* domain, const unsigned char* record, int size, int index) {
  if (!Enter("DBSaveUsers", {Text(domain), std::to_string(size), std::to_string(index)})) return 0;
  if (size != static_cast<int>(kAccountRecordSize) || record == nullptr)
    return Fail("DBSaveUsers: an account record has 2848 bytes, not " + std::to_string(size));
  if (FindDomain(ReadDomains(), Text(domain)) < 0) return Fail("DBSaveUsers: no domain " + Text(domain));
  std::vector<std::string> records = ReadAccounts(Text(domain));
  const std::string bytes(reinterpret_cast<const char*>(record), kAccountRecordSize);
  if (index == -1)
    records.push_back(bytes);
  else if (index >= 0 && static_cast<size_t>(index) < records.size())
    records[index] = bytes;
  else
    return Fail("DBSaveUsers: no account " + std::to_string(index));
  std::string all;
  for (const std::string& r : records) all += r;
  return WriteAll(UsersFile(Text(domain)), all) ? 1 : Fail("DBSaveUsers: cannot write");
}

int __stdcall DBGetUsersIndex(const char* domain, const char* alias) {
  if (!Enter("DBGetUsersIndex", {Text(domain), Text(alias)})) return -1;
  const std::vector<std::string> records = ReadAccounts(Text(domain));
  for (size_t i = 0; i < records.size(); ++i)
    if (AnswersTo(records[i], Text(alias))) return static_cast<int>(i);
  return -1;
}

int __stdcall DBInitUsers(const char* domain, void** cursor, int mode, int skip) {
  if (!Enter("DBInitUsers", {Text(domain), std::to_string(mode), std::to_string(skip)})) return 0;
  if (cursor == nullptr) return Fail("DBInitUsers: no cursor");
  Walk* walk = new Walk;
  walk->records = ReadAccounts(Text(domain));
  walk->next = skip > 0 ? static_cast<size_t>(skip) : 0;
  *cursor = walk;
  return 1;
}

int __stdcall DBNextUser(void* cursor, unsigned char* record, int size) {
  if (!Enter("DBNextUser", {Pointer(cursor), std::to_string(size)})) return 1;
  Walk* walk = static_cast<Walk*>(cursor);
  if (walk == nullptr || record == nullptr || size < 0 || walk->next >= walk->records.size()) return 1;
  const std::string& next = walk->records[walk->next++];
  const size_t n = std::min(next.size(), static_cast<size_t>(size));
  std::memcpy(record, next.data(), n);
  std::memset(record + n, 0, static_cast<size_t>(size) - n);
  return 0;
}

void __stdcall DBDoneUsers(void* cursor) {
  Enter("DBDoneUsers", {Pointer(cursor)});
  delete static_cast<Walk*>(cursor);
}

// The entry points the setup binds but never calls.
#define TARNO_UNUSED_ENTRY(name) \
  int __stdcall name() {         \
    Enter(#name);                \
    return 0;                    \
  }
TARNO_UNUSED_ENTRY(DBCheckConnection)
TARNO_UNUSED_ENTRY(DBGetConnection)
TARNO_UNUSED_ENTRY(DBCreateTables)
TARNO_UNUSED_ENTRY(DBDropTables)
TARNO_UNUSED_ENTRY(DBDeleteUsers)
TARNO_UNUSED_ENTRY(DBGetLocalUser)
TARNO_UNUSED_ENTRY(DBAuthenticateUser)
TARNO_UNUSED_ENTRY(DBAuthenticateNext)
TARNO_UNUSED_ENTRY(DBAuthenticateDone)
TARNO_UNUSED_ENTRY(DBFindUserString)
TARNO_UNUSED_ENTRY(DBGetTotalUsers)
TARNO_UNUSED_ENTRY(DBGetUsers)
TARNO_UNUSED_ENTRY(DBGetUsersReal)
TARNO_UNUSED_ENTRY(DBCheckNewAlias)
TARNO_UNUSED_ENTRY(DBCheckForMailbox)
TARNO_UNUSED_ENTRY(DBGetDomain)
TARNO_UNUSED_ENTRY(DBGetDomains)
TARNO_UNUSED_ENTRY(DBGetDomainCount)
TARNO_UNUSED_ENTRY(DBRenameDomain)
TARNO_UNUSED_ENTRY(DBDeleteDomain)
TARNO_UNUSED_ENTRY(DBEmailFile)
TARNO_UNUSED_ENTRY(DBRemoveEmailList)
TARNO_UNUSED_ENTRY(DBDoLog)
TARNO_UNUSED_ENTRY(DBCreateLogTables)
TARNO_UNUSED_ENTRY(DBDropLogTables)
TARNO_UNUSED_ENTRY(DBGLDeleteOld)
TARNO_UNUSED_ENTRY(DBGLGet)
TARNO_UNUSED_ENTRY(DBGLSet)
TARNO_UNUSED_ENTRY(DBSenderChallenge)
TARNO_UNUSED_ENTRY(DBAddSenderChallenge)
TARNO_UNUSED_ENTRY(DBSetSenderChallenge)
TARNO_UNUSED_ENTRY(DBGetChallengeOlderFolders)
TARNO_UNUSED_ENTRY(DBDeleteChallengeFolder)
TARNO_UNUSED_ENTRY(DBChallengeCreateTables)
TARNO_UNUSED_ENTRY(DBChallengeDropTables)
TARNO_UNUSED_ENTRY(DBChallengeGetList)
TARNO_UNUSED_ENTRY(DBChallengeFreeList)
TARNO_UNUSED_ENTRY(DBChallengeDeleteEmail)
TARNO_UNUSED_ENTRY(DBUpdateDB)
TARNO_UNUSED_ENTRY(DBGetChallengeFolder)
#undef TARNO_UNUSED_ENTRY

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_module = instance;
  return TRUE;
}

}  // extern "C"

// Both sides of every call the setup makes agree on its signature.
static_assert(std::is_same_v<decltype(&DBGetErrorString), serverconf::DBGetErrorStringFn>);
static_assert(std::is_same_v<decltype(&DBSetConnection), serverconf::DBSetConnectionFn>);
static_assert(std::is_same_v<decltype(&DBReloadConfig), serverconf::DBReloadConfigFn>);
static_assert(std::is_same_v<decltype(&DBDoneConnection), serverconf::DBDoneConnectionFn>);
static_assert(std::is_same_v<decltype(&DBAddDomain), serverconf::DBAddDomainFn>);
static_assert(std::is_same_v<decltype(&DBMakeDomainPrimary), serverconf::DBMakeDomainPrimaryFn>);
static_assert(std::is_same_v<decltype(&DBSetDomainIP), serverconf::DBSetDomainIPFn>);
static_assert(std::is_same_v<decltype(&DBSetDomain), serverconf::DBSetDomainFn>);
static_assert(std::is_same_v<decltype(&DBSaveUsers), serverconf::DBSaveUsersFn>);
static_assert(std::is_same_v<decltype(&DBGetUsersIndex), serverconf::DBGetUsersIndexFn>);
static_assert(std::is_same_v<decltype(&DBInitUsers), serverconf::DBInitUsersFn>);
static_assert(std::is_same_v<decltype(&DBNextUser), serverconf::DBNextUserFn>);
static_assert(std::is_same_v<decltype(&DBDoneUsers), serverconf::DBDoneUsersFn>);
