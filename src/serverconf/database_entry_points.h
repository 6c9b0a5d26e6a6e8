// The entry points of the mail server's storage library "db.dll", as the
// configuration store binds them by name. Shared by the store and by the
// suite's db.dll, so that both sides agree on every call the setup makes.
//
// All entry points use the stdcall convention and are exported under their
// plain names. Texts are NUL-terminated ANSI strings of at most 255
// characters. An `int` result is nonzero for success unless stated
// otherwise. Records are passed as raw bytes with their size, unscrambled.
//
// The store binds every name in kDatabaseEntryPoints; a library that lacks
// one of them is not used. Entry points that the setup never calls are bound
// all the same (the server shares the table) and have no signature here.
#pragma once

#include <cstddef>

#include "serverconf/stdcall.h"

namespace serverconf {

inline constexpr const char* kDatabaseEntryPoints[] = {
    "DBGetErrorString",  "DBCheckConnection",      "DBDoneConnection",        "DBSetConnection",
    "DBGetConnection",   "DBCreateTables",         "DBDropTables",            "DBSaveUsers",
    "DBDeleteUsers",     "DBGetLocalUser",         "DBAuthenticateUser",      "DBAuthenticateNext",
    "DBAuthenticateDone", "DBFindUserString",      "DBGetTotalUsers",         "DBGetUsers",
    "DBGetUsersReal",    "DBGetUsersIndex",        "DBInitUsers",             "DBNextUser",
    "DBDoneUsers",       "DBCheckNewAlias",        "DBCheckForMailbox",       "DBGetDomain",
    "DBSetDomain",       "DBGetDomains",           "DBGetDomainCount",        "DBAddDomain",
    "DBRenameDomain",    "DBDeleteDomain",         "DBSetDomainIP",           "DBMakeDomainPrimary",
    "DBEmailFile",       "DBRemoveEmailList",      "DBDoLog",                 "DBCreateLogTables",
    "DBDropLogTables",   "DBReloadConfig",         "DBGLDeleteOld",           "DBGLGet",
    "DBGLSet",           "DBSenderChallenge",      "DBAddSenderChallenge",    "DBSetSenderChallenge",
    "DBGetChallengeOlderFolders", "DBDeleteChallengeFolder", "DBChallengeCreateTables", "DBChallengeDropTables",
    "DBChallengeGetList", "DBChallengeFreeList",   "DBChallengeDeleteEmail",  "DBUpdateDB",
    "DBGetChallengeFolder",
};
inline constexpr size_t kDatabaseEntryPointCount = sizeof(kDatabaseEntryPoints) / sizeof(kDatabaseEntryPoints[0]);

// The calls the setup makes.
extern "C" {
// Copies the text of the last failure (NUL-terminated, cut to `size`).
using DBGetErrorStringFn = int(TARNO_STDCALL*)(char* buffer, int size);
// Opens the connection described by `connection` (the settings' database
// connection text).
using DBSetConnectionFn = int(TARNO_STDCALL*)(const char* connection);
using DBReloadConfigFn = int(TARNO_STDCALL*)();
using DBDoneConnectionFn = void(TARNO_STDCALL*)();
using DBAddDomainFn = int(TARNO_STDCALL*)(const char* domain);
using DBMakeDomainPrimaryFn = int(TARNO_STDCALL*)(const char* domain);
// `address` is "a.b.c.d"; "0.0.0.0" = none, "255.255.255.255" = in bind.dat.
using DBSetDomainIPFn = int(TARNO_STDCALL*)(const char* domain, const char* address);
// `record` is a whole domain record (913 bytes).
using DBSetDomainFn = int(TARNO_STDCALL*)(const char* domain, const unsigned char* record, int size);
// `record` is a whole account record (2,848 bytes); `index` -1 = a new account.
using DBSaveUsersFn = int(TARNO_STDCALL*)(const char* domain, const unsigned char* record, int size, int index);
// The index of the first account of `domain` answering to `alias`, or -1.
using DBGetUsersIndexFn = int(TARNO_STDCALL*)(const char* domain, const char* alias);
// Opens a walk over the accounts of `domain`; `*cursor` receives the walk.
// `mode` -1 = every account; `skip` accounts are passed over first.
using DBInitUsersFn = int(TARNO_STDCALL*)(const char* domain, void** cursor, int mode, int skip);
// Fills `record` (size bytes) with the next account. Nonzero at the end of
// the walk (nothing filled), 0 when a record was delivered.
using DBNextUserFn = int(TARNO_STDCALL*)(void* cursor, unsigned char* record, int size);
using DBDoneUsersFn = void(TARNO_STDCALL*)(void* cursor);
}

}  // namespace serverconf
