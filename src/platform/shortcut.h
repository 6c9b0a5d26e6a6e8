// Shell link files, written through the shell's link object.
#pragma once

#include <string>

namespace platform {

// Writes the link file `link_file` pointing at `target`: COM is initialised
// for the thread (apartment model, never uninitialised), the shell link
// object is asked for IShellLinkA, the path is set, the icon location is set
// to the target with `icon_index` unless that is 0 (the link then shows its
// target's own icon), the arguments are set unless empty; working directory,
// description, hot key and show command stay unset. The link is saved
// through IPersistFile with the remember flag set.
//
// Failures are logged and otherwise silent (the caller goes on with the next
// link); a link file path that does not fit MAX_PATH UTF-16 characters is
// refused rather than cut, so a link never lands under another name.
void CreateShortcut(const std::string& target, const std::string& link_file, const std::string& arguments,
                    int icon_index);

}  // namespace platform
