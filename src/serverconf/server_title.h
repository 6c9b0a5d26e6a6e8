// ServerTitle: "servertitle.dat" in the configuration directory. Its first
// line, comment-stripped and trimmed, when not empty, replaces the product
// title; every further line that holds "=" after comment removal adds a
// title replacement: the text before the first "=" and the text after it,
// each cut to 255 characters.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace serverconf {

inline constexpr char kDefaultProductTitle[] = "Tarno 8.3.8";

struct ServerTitle {
  std::string title = kDefaultProductTitle;
  std::vector<std::pair<std::string, std::string>> replacements;
};

ServerTitle ParseServerTitle(const std::string& text);

}  // namespace serverconf
