// Checks the wizard makes on what the user typed.
#pragma once

#include <string_view>

namespace setup {

// The user details page lets the user go on exactly when the name holds more
// than blanks and the e-mail address has an "@" that is neither its first
// nor its last character, followed somewhere by a last "." that is not the
// address's last character.
bool UserDetailsComplete(std::string_view name, std::string_view email);

}  // namespace setup
