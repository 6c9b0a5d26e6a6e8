#include "serverconf/domain_table.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "serverconf/config_comment.h"
#include "serverconf/config_scramble.h"
#include "serverconf/punycode.h"

namespace serverconf {
namespace {

std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

// The domain of "user@domain" (no ":" in the text); the text itself otherwise.
std::string DomainPart(const std::string& name) {
  const size_t at = name.find('@');
  if (at == std::string::npos || name.find(':') != std::string::npos) return name;
  return name.substr(at + 1);
}

// The text between the first "[" and the next "]", without an "ipv6:" prefix.
std::optional<std::string> AddressLiteral(const std::string& name) {
  const size_t open = name.find('[');
  if (open == std::string::npos) return std::nullopt;
  const size_t close = name.find(']', open + 1);
  if (close == std::string::npos) return std::nullopt;
  std::string literal = TrimConfigText(name.substr(open + 1, close - open - 1));
  if (literal.rfind("ipv6:", 0) == 0) literal.erase(0, 5);
  if (literal.empty()) return std::nullopt;
  return literal;
}

std::string LowerNameInPlace(uint8_t* entry) {
  size_t length = std::min<size_t>(entry[0], kDomainNameMaxChars);
  entry[0] = static_cast<uint8_t>(length);
  std::string name(reinterpret_cast<const char*>(entry + 1), length);
  name = Lower(name);
  std::memcpy(entry + 1, name.data(), length);
  return name;
}

}  // namespace

uint8_t* DomainTable::Entry(size_t index) {
  if (index >= count_ || index >= capacity_) throw std::out_of_range("domain index " + std::to_string(index));
  return block_.data() + index * kDomainEntrySize;
}

const uint8_t* DomainTable::Entry(size_t index) const {
  if (index >= count_ || index >= capacity_) throw std::out_of_range("domain index " + std::to_string(index));
  return block_.data() + index * kDomainEntrySize;
}

std::string DomainTable::Name(size_t index) const {
  const uint8_t* entry = Entry(index);
  return std::string(reinterpret_cast<const char*>(entry + 1), std::min<size_t>(entry[0], kDomainNameMaxChars));
}

void DomainTable::SetName(size_t index, const std::string& name) {
  uint8_t* entry = Entry(index);
  const std::string lower = Lower(name.substr(0, kDomainNameMaxChars));
  std::memset(entry, 0, kDomainAddressOffset);
  entry[0] = static_cast<uint8_t>(lower.size());
  std::memcpy(entry + 1, lower.data(), lower.size());
  Forget();
}

DomainAddress DomainTable::Address(size_t index) const {
  const uint8_t* entry = Entry(index) + kDomainAddressOffset;
  return {entry[0], entry[1], entry[2], entry[3]};
}

void DomainTable::SetAddress(size_t index, DomainAddress address) {
  std::memcpy(Entry(index) + kDomainAddressOffset, address.data(), address.size());
  Forget();
}

void DomainTable::Add(const std::string& name, size_t step) {
  if (count_ >= capacity_ || step != 1) {
    const size_t grow = std::max<size_t>(step, count_ >= capacity_ ? 1 : 0);
    const size_t entries = std::max(capacity_, count_) + grow;
    block_.resize(entries * kDomainEntrySize, 0);
    capacity_ = entries;
  }
  if (!name.empty()) {
    ++count_;
    SetName(count_ - 1, name);
  }
  Forget();
}

void DomainTable::Clear() {
  block_.clear();
  count_ = capacity_ = 0;
  Forget();
}

void DomainTable::SwapNames(size_t a, size_t b) {
  const std::string name_a = Name(a), name_b = Name(b);
  SetName(a, name_b);
  SetName(b, name_a);
}

std::vector<uint8_t> DomainTable::FileImage() const {
  const size_t entries = std::min(count_, capacity_);
  return std::vector<uint8_t>(block_.begin(), block_.begin() + static_cast<std::ptrdiff_t>(entries * kDomainEntrySize));
}

DomainTable DomainTable::FromBytes(const uint8_t* data, size_t size, size_t count) {
  DomainTable table;
  table.block_.assign(count * kDomainEntrySize, 0);
  const size_t laid = std::min(size, table.block_.size());
  if (laid > 0) std::memcpy(table.block_.data(), data, laid);
  table.count_ = table.capacity_ = count;
  return table;
}

// 1. Lower-case; the name of the last successful lookup answers at once.
// 2. "user@domain" (no ":") keeps the domain.
// 3. Exact search, with the name as given and, with the IDN option, with its
//    "xn--" labels decoded.
// 4. With the address-literal option, "[address]" answers the domain bound
//    to that address, else domain 0 when the address is the server's own.
// 5. subdomains.dat: the first "pattern=domain" line whose pattern matches
//    and whose domain is in the table answers that domain.
std::optional<size_t> DomainTable::Find(const std::string& given, const DomainLookupOptions& options) {
  const std::string lowered = Lower(given.substr(0, 255));
  if (!last_name_.empty() && lowered == last_name_ && last_index_ < count_) return last_index_;
  const std::string name = DomainPart(lowered);

  auto search = [this](const std::string& wanted) -> std::optional<size_t> {
    if (wanted.empty()) return std::nullopt;
    for (size_t i = 0; i < count_; ++i)
      if (Name(i) == wanted) return i;
    return std::nullopt;
  };

  std::optional<size_t> found = search(name);
  if (!found && options.idn && name.size() >= 5 && name.find("xn--") != std::string::npos)
    found = search(Lower(DecodeIdnName(name)));

  if (!found && options.ip_literal) {
    if (const auto literal = AddressLiteral(name)) {
      for (size_t i = 0; i < count_ && !found; ++i) {
        const std::string binding =
            options.binding_of ? options.binding_of(i) : ComposeDomainBinding(Address(i), std::nullopt);
        for (const std::string& item : SplitLowerListItems(binding))
          if (item == *literal) found = i;
      }
      if (!found && count_ > 0)
        for (const std::string& own : options.own_addresses)
          if (Lower(TrimConfigText(own)) == *literal) found = 0;
    }
  }

  if (!found) {
    for (const std::string& raw : options.subdomain_lines) {
      const std::string line = Lower(TrimConfigText(StripConfigComment(raw)));
      const size_t equals = line.find('=');
      if (equals == std::string::npos) continue;
      const std::string pattern = TrimConfigText(line.substr(0, equals));
      const std::string domain = TrimConfigText(line.substr(equals + 1));
      if (pattern.empty() || !WildcardMatch(pattern, name)) continue;
      found = search(domain);
      if (found) break;
    }
  }

  if (found) {
    last_name_ = lowered;
    last_index_ = *found;
  }
  return found;
}

std::string DomainAddressText(DomainAddress address) {
  char text[20];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", address[0], address[1], address[2], address[3]);
  return text;
}

std::optional<DomainAddress> ParseDomainAddress(const std::string& raw) {
  const std::string text = TrimConfigText(raw);
  DomainAddress address{};
  size_t pos = 0;
  for (size_t part = 0; part < 4; ++part) {
    if (part > 0) {
      if (pos >= text.size() || text[pos] != '.') return std::nullopt;
      ++pos;
    }
    unsigned value = 0;
    size_t digits = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && digits < 4) {
      value = value * 10 + static_cast<unsigned>(text[pos] - '0');
      ++pos;
      ++digits;
    }
    if (digits == 0 || digits > 3 || value > 255) return std::nullopt;
    address[part] = static_cast<uint8_t>(value);
  }
  if (pos != text.size()) return std::nullopt;
  return address;
}

std::string ComposeDomainBinding(DomainAddress address, const std::optional<std::string>& bind_file_line) {
  std::string table_text = DomainAddressText(address);
  if (address == kNoDomainAddress || address == kDomainAddressInFile) table_text.clear();
  const std::string line = bind_file_line ? TrimConfigText(*bind_file_line) : std::string();
  std::string text = line;
  if (!table_text.empty()) text += (text.empty() ? "" : ";") + table_text;
  while (!text.empty() && text[0] == ';') text.erase(0, 1);
  return text;
}

DomainTable LoadDomainTable(ServerSettings& settings, const std::optional<std::string>& domains_file,
                            const std::string& settings_file) {
  namespace f = settings_field;
  const bool narrow = settings.Byte(f::kDomainTableWide) == 0;

  std::string source;
  if (domains_file) {
    source = *domains_file;
  } else if (settings_file.size() > kSettingsTailOffset) {
    source = settings_file.substr(kSettingsTailOffset);
    ConfigScramble(reinterpret_cast<uint8_t*>(source.data()), source.size(), kSettingsTailOffset % 16);
  }

  size_t count = settings.DWord(f::kDomainCount);
  if (domains_file && count == 0) count = source.size() / (narrow ? kNarrowDomainEntrySize : kDomainEntrySize);
  const size_t bound = std::max(kEarlyDomainSlots, (source.size() + kNarrowDomainEntrySize - 1) / kNarrowDomainEntrySize);
  count = std::min(count, bound);

  DomainTable table =
      DomainTable::FromBytes(reinterpret_cast<const uint8_t*>(source.data()), source.size(), count);

  bool from_early_list = false;
  if (table.Count() > 0 && table.Block()[0] == 0) {
    const size_t early = std::min(table.Count(), kEarlyDomainSlots);
    auto slot = [&settings](size_t i) {
      return settings.String({f::kEarlyDomainList + i * kEarlyDomainSlot, kEarlyDomainSlot - 1});
    };
    table.Clear();
    if (!TrimConfigText(slot(0)).empty()) {
      for (size_t i = 0; i < early; ++i) table.Add(slot(i), 1);
      from_early_list = true;
    }
  }

  std::vector<uint8_t> block = table.Block();
  if (narrow && !from_early_list) {
    for (size_t n = table.Count(); n-- > 0;) {
      uint8_t entry[kDomainEntrySize] = {};
      const uint8_t* from = block.data() + n * kNarrowDomainEntrySize;
      const size_t length = std::min<size_t>(from[0], kNarrowDomainNameMaxChars);
      entry[0] = static_cast<uint8_t>(length);
      std::memcpy(entry + 1, from + 1, length);
      std::memcpy(block.data() + n * kDomainEntrySize, entry, kDomainEntrySize);
    }
  }
  const size_t final_count = table.Count();
  for (size_t n = 0; n < final_count; ++n) LowerNameInPlace(block.data() + n * kDomainEntrySize);
  table = DomainTable::FromBytes(block.data(), block.size(), final_count);

  settings.SetByte(f::kDomainTableWide, 1);
  settings.SetDWord(f::kDomainCount, static_cast<uint32_t>(table.Count()));
  return table;
}

bool WildcardMatch(const std::string& pattern, const std::string& text) {
  size_t p = 0, t = 0, star = std::string::npos, resume = 0;
  while (t < text.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == text[t])) {
      ++p;
      ++t;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = t;
    } else if (star != std::string::npos) {
      p = star + 1;
      t = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace serverconf
