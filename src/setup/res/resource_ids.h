// Names of the resources that setup.exe carries, for setup.rc and for C++.
//
// The four icon groups are found by index (ExtractIcon, shell link icon
// locations) as well as by name. Their index is their place in the resource
// directory, which sorts names alphabetically, so these names in this order
// give MAINICON 0, UNINSTALLICON 1, XICON1 2, XICON2 3. A further icon group
// must sort after "XICON2" (or be numbered), or it shifts the indices that
// existing shortcuts point at.
#pragma once

// The resource compiler takes a name as a bare word (a quoted one would join
// the quoted file name before it); C++ takes it as a string.
#ifdef RC_INVOKED
#define TARNO_RES_NAME(name) name
#else
#define TARNO_RES_NAME(name) #name
#endif

#define TARNO_RES_MAINICON TARNO_RES_NAME(MAINICON)
#define TARNO_RES_UNINSTALLICON TARNO_RES_NAME(UNINSTALLICON)
#define TARNO_RES_XICON1 TARNO_RES_NAME(XICON1)
#define TARNO_RES_XICON2 TARNO_RES_NAME(XICON2)
#define TARNO_RES_LOGO TARNO_RES_NAME(LOGO)

// The bitmap of the wizard's top band, in pixels.
#define TARNO_RES_LOGO_WIDTH 59
#define TARNO_RES_LOGO_HEIGHT 50

#ifndef RC_INVOKED

namespace setup_res {

// Icon indices as shortcuts and ExtractIcon use them.
inline constexpr int kMainIconIndex = 0;       // program and window icon
inline constexpr int kUninstallIconIndex = 1;  // uninstall shortcut
inline constexpr int kWebIconIndex = 2;        // web mail and web administration shortcuts
inline constexpr int kAdminIconIndex = 3;      // carried, used by no shortcut

// The icon groups in index order.
inline constexpr const char* kIconGroups[] = {TARNO_RES_MAINICON, TARNO_RES_UNINSTALLICON,
                                              TARNO_RES_XICON1, TARNO_RES_XICON2};

}  // namespace setup_res

#endif  // RC_INVOKED
