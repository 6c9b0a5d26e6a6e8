// DomainTable: the mail server's list of domains, "domains.cfg" in the
// configuration directory: `count` entries of 96 bytes, not scrambled.
//
//   offset 0   length byte and up to 91 characters: the domain name, lower case
//   offset 92  4 bytes: the bound IPv4 address in network order;
//              0.0.0.0 = none, 255.255.255.255 = the binding is in the
//              domain's bind.dat
//
// The table is held as one block of capacity x 96 bytes with a count; bytes
// the store does not interpret are carried through unchanged. Older
// configurations kept the table at the end of settings.cfg (from file offset
// 20,344, scrambled as part of that file), in 32-byte entries (length byte
// and up to 31 characters), or as an early list of up to 100 names in the
// settings record; LoadDomainTable converts all of these.
//
// Pure: no <windows.h>; file access is the caller's.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "serverconf/server_settings.h"

namespace serverconf {

inline constexpr size_t kDomainEntrySize = 96;
inline constexpr size_t kNarrowDomainEntrySize = 32;
inline constexpr size_t kDomainNameMaxChars = 91;        // the name must not reach the address at 92
inline constexpr size_t kNarrowDomainNameMaxChars = 31;
inline constexpr size_t kDomainAddressOffset = 92;
inline constexpr size_t kSettingsTailOffset = 20344;     // table inside older settings.cfg files
inline constexpr size_t kEarlyDomainSlot = 128;
inline constexpr size_t kEarlyDomainSlots = 100;

using DomainAddress = std::array<uint8_t, 4>;            // network order
inline constexpr DomainAddress kNoDomainAddress{0, 0, 0, 0};
inline constexpr DomainAddress kDomainAddressInFile{255, 255, 255, 255};

// What FindDomain may use besides the table.
struct DomainLookupOptions {
  bool idn = true;         // decode "xn--" labels from Punycode (to UTF-8)
  bool ip_literal = true;  // answer "[address]" forms
  std::vector<std::string> own_addresses;  // the server's own addresses
  // The lines of subdomains.dat ("pattern=domain", "*" and "?" wildcards);
  // empty when there is no such file.
  std::vector<std::string> subdomain_lines;
  // The binding text of a domain (";"-separated addresses); when not set,
  // the table address is used.
  std::function<std::string(size_t)> binding_of;
};

class DomainTable {
 public:
  size_t Count() const { return count_; }
  size_t Capacity() const { return capacity_; }

  // Entry accessors throw std::out_of_range for an index at or past Count().
  std::string Name(size_t index) const;
  // Stores the name lower-cased and cut to 91 characters; the rest of the
  // name slot is zeroed, the address kept.
  void SetName(size_t index, const std::string& name);
  DomainAddress Address(size_t index) const;
  void SetAddress(size_t index, DomainAddress address);

  // Grows the block to count + step entries (zero-filled) when the count
  // has reached the capacity or the step is not 1, raising the capacity by
  // step; then appends a non-empty name. A step of 0 with a full table
  // still grows it by one entry, so a name is never dropped.
  void Add(const std::string& name, size_t step = 1);
  // No entries, no capacity.
  void Clear();
  // Exchanges the names of entries a and b (addresses stay).
  void SwapNames(size_t a, size_t b);

  // Looks a name up (see the algorithm in domain_table.cpp): lower-cased;
  // "user@domain" gives the domain; "xn--" labels decoded; "[address]"
  // matched against bindings and own addresses; subdomains.dat patterns.
  // The last successful lookup is remembered until the table changes.
  std::optional<size_t> Find(const std::string& name, const DomainLookupOptions& options);

  // The whole block (capacity x 96 bytes).
  const std::vector<uint8_t>& Block() const { return block_; }
  // What domains.cfg holds: min(count, capacity) x 96 bytes of the block.
  std::vector<uint8_t> FileImage() const;

  // A table of `count` entries whose block is zero-filled and then laid
  // with at most `size` bytes of `data`. Nothing is converted.
  static DomainTable FromBytes(const uint8_t* data, size_t size, size_t count);

 private:
  void Forget() { last_name_.clear(); }
  uint8_t* Entry(size_t index);
  const uint8_t* Entry(size_t index) const;

  std::vector<uint8_t> block_;
  size_t count_ = 0;
  size_t capacity_ = 0;
  std::string last_name_;  // empty: nothing remembered
  size_t last_index_ = 0;
};

// "a.b.c.d".
std::string DomainAddressText(DomainAddress address);
// "a.b.c.d" (blanks around allowed); nothing for any other text.
std::optional<DomainAddress> ParseDomainAddress(const std::string& text);

// The binding text of a domain from its table address and the first line
// of its bind.dat (nothing when there is none): the line, trimmed, then the
// address unless it is 0.0.0.0 or 255.255.255.255, joined by ";".
std::string ComposeDomainBinding(DomainAddress address, const std::optional<std::string>& bind_file_line);

// Builds the table from the configuration and runs the conversions of older
// layouts, in this order:
//  1. The source: `domains_file` (the whole content of domains.cfg) when
//     present, else the tail of `settings_file` (the whole content of
//     settings.cfg) from offset 20,344, unscrambled from key position 8.
//     The count is the record's count (offset 7020); for domains.cfg a count
//     of 0 becomes the file size / 96 (/ 32 for a table still in 32-byte
//     form). A count beyond what the source can hold (more entries than
//     size / 32 and more than 100) is cut there, so a damaged count never
//     allocates without bound.
//  2. Early list: when the count is above 0 and the first entry is empty,
//     the count is limited to 100; when the record's first early slot
//     (offset 7024), trimmed, is not empty, the table becomes the names of
//     the first `count` slots (added one by one), else it becomes empty.
//  3. Widening: when the record's byte 7001 is 0 and the table did not come
//     from the early list, entry n moves from byte n x 32 to n x 96 (at most
//     31 characters, the rest of the entry zeroed), last entry first.
//  4. Byte 7001 becomes 1; every name is lower-cased and cut to 91
//     characters; the record's count becomes the table's count.
DomainTable LoadDomainTable(ServerSettings& settings, const std::optional<std::string>& domains_file,
                            const std::string& settings_file);

// Whether `text` matches `pattern`: "*" any run of characters, "?" one
// character, everything else itself (exact comparison).
bool WildcardMatch(const std::string& pattern, const std::string& text);

}  // namespace serverconf
