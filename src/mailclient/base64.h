// Base64 of RFC 4648 (standard alphabet, "=" padding), as SMTP
// authentication and HTTP Basic authentication carry user names and
// passwords.
#pragma once

#include <string>
#include <string_view>

namespace mailclient {

std::string Base64Encode(std::string_view data);

// Decodes `text` into `data`. Blanks and line ends are skipped; padding may be
// missing. False (with `data` empty) when a character outside the alphabet
// occurs or the text ends with a single character of a group.
bool Base64Decode(std::string_view text, std::string& data);

}  // namespace mailclient
