// The entry points of the antivirus engine's setup interface "setiface.dll",
// as the setup resolves them by name. Shared by the setup and by the suite's
// stand-in, so that both sides agree on every call.
//
// All use the stdcall convention and are exported under their plain names.
// Texts are NUL-terminated single-byte strings. The result is a 32-bit code,
// 0 for success; the last argument is a 32-bit status word that the caller
// sets to 0 before the call and the library fills in.
#pragma once

#include <cstddef>
#include <cstdint>

#include "serverconf/stdcall.h"

namespace serverconf {

// Resolved in this order; only install, update files and uninstall are called.
inline constexpr const char* kAvEntryPoints[] = {
    "setifaceInstallProgram",         "setifaceUpdatePackages", "setifaceUpdateFiles",
    "setifaceUninstallProgram",       "setifaceGimmePathToSetifaceVpu",
    "setifaceGetPartVersions",        "setifaceCheckUpdate",
};
inline constexpr size_t kAvEntryPointCount = sizeof(kAvEntryPoints) / sizeof(kAvEntryPoints[0]);
inline constexpr size_t kAvInstallProgram = 0;
inline constexpr size_t kAvUpdateFiles = 2;
inline constexpr size_t kAvUninstallProgram = 3;

// The partner name every call carries first.
inline constexpr char kAvPartnerName[] = "Cordane";
// The status word of a finished update or uninstallation.
inline constexpr uint32_t kAvSuccessStatus = 0x20000000;
// The mode argument the setup passes to every call.
inline constexpr int32_t kAvCallMode = 2;

// (partner, full path of the engine installer, target folder without a final
// "\", installer options, mode, status)
using SetifaceInstallProgramFn = uint32_t(TARNO_STDCALL*)(const char*, const char*, const char*, const char*,
                                                          int32_t, uint32_t*);
// (partner, options, mode, status)
using SetifaceUpdateFilesFn = uint32_t(TARNO_STDCALL*)(const char*, const char*, int32_t, uint32_t*);
// (partner, options (the setup passes none), mode, status)
using SetifaceUninstallProgramFn = uint32_t(TARNO_STDCALL*)(const char*, const char*, int32_t, uint32_t*);

}  // namespace serverconf
