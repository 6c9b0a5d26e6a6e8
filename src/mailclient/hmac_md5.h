// MD5 (RFC 1321) and HMAC-MD5 (RFC 2104, 64-byte blocks), for the CRAM-MD5
// authentication of the SMTP client.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace mailclient {

std::array<uint8_t, 16> Md5(std::string_view data);

std::array<uint8_t, 16> HmacMd5(std::string_view key, std::string_view message);

// The digest as 32 lower-case hexadecimal digits.
std::string HexDigest(const std::array<uint8_t, 16>& digest);

}  // namespace mailclient
