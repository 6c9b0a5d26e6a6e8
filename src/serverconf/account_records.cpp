#include "serverconf/account_records.h"

#include <cctype>
#include <string_view>

#include "serverconf/config_comment.h"

namespace serverconf {
namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// "[name]" with a name beginning with a letter; the name, lower-cased.
std::string GroupReference(const std::string& item) {
  if (item.size() < 3 || item.front() != '[' || item.back() != ']') return {};
  if (!std::isalpha(static_cast<unsigned char>(item[1]))) return {};
  return item.substr(1, item.size() - 2);
}

}  // namespace

std::string UserRecord::FirstAlias() const {
  const std::string list = Aliases();
  return TrimConfigText(list.substr(0, list.find(';')));
}

std::vector<AccountGroup> ParseGroups(const std::string& text) {
  std::vector<AccountGroup> groups;
  for (const std::string& raw : SplitConfigLines(text)) {
    const std::string line = TrimConfigText(StripConfigComment(raw));
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    AccountGroup group{TrimConfigText(line.substr(0, eq)), {}};
    if (group.name.empty()) continue;
    group.members = SplitLowerListItems(line.substr(eq + 1));
    groups.push_back(std::move(group));
  }
  return groups;
}

bool AliasMatches(const std::string& given, const std::string& aliases, const std::vector<AccountGroup>& groups) {
  const std::string wanted = Lower(TrimConfigText(given));
  const std::string list = Lower(TrimConfigText(aliases));
  if (wanted.empty() || list.empty()) return false;
  if (wanted.find(';') == std::string::npos && list.find(';') == std::string::npos) return wanted == list;
  const std::vector<std::string> wanted_items = SplitLowerListItems(wanted);
  for (const std::string& item : SplitLowerListItems(list)) {
    for (const std::string& w : wanted_items)
      if (w == item) return true;
    const std::string group_name = GroupReference(item);
    if (group_name.empty()) continue;
    for (const AccountGroup& group : groups) {
      if (Lower(group.name) != group_name) continue;
      for (const std::string& member : group.members)
        for (const std::string& w : wanted_items)
          if (w == member) return true;
    }
  }
  return false;
}

std::string CleanFileName(const std::string& text, uint8_t mode) {
  const char* removed = mode == 0 ? "\"*/:<>?|" : mode == 1 ? "\"*<>?|" : "";
  std::string out;
  for (char c : text)
    if (std::string_view(removed).find(c) == std::string_view::npos) out += c;
  return out;
}

bool IsContainedMailbox(const std::string& mailbox) {
  if (mailbox.empty() || mailbox.front() == '\\' || mailbox.front() == '/' ||
      mailbox.find(':') != std::string::npos)
    return false;
  size_t start = 0;
  while (start < mailbox.size()) {
    size_t end = mailbox.find_first_of("\\/", start);
    if (end == std::string::npos) end = mailbox.size();
    const std::string segment = TrimConfigText(mailbox.substr(start, end - start));
    if (!segment.empty() && segment.find_first_not_of('.') == std::string::npos) return false;
    start = end + 1;
  }
  return true;
}

double RecordDate(int year, int month, int day) {
  // Days from the civil calendar (proleptic Gregorian), counted from
  // 1970-01-01, then moved to the record's epoch 1899-12-30.
  const int y = year - (month <= 2 ? 1 : 0);
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yoe = y - era * 400;
  const int doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const long days_since_1970 = static_cast<long>(era) * 146097 + doe - 719468;
  return static_cast<double>(days_since_1970 + 25569);
}

}  // namespace serverconf
