#include "net/http_response_head.h"

#include <cctype>

namespace serverconf {
namespace {

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  return text;
}

}  // namespace

bool HttpResponseHead::Append(std::string_view data) {
  if (complete_) {
    body_start_.append(data);
    return true;
  }
  // The end may straddle two reads: look again from three bytes back.
  const size_t from = text_.size() < 3 ? 0 : text_.size() - 3;
  text_.append(data);
  const size_t end = text_.find("\r\n\r\n", from);
  if (end == std::string::npos) return false;
  body_start_ = text_.substr(end + 4);
  text_.resize(end + 4);
  complete_ = true;
  return true;
}

int HttpResponseHead::StatusCode() const {
  const std::string_view head = text_;
  const std::string_view line = head.substr(0, head.find("\r\n"));
  if (line.size() < 12 || !EqualIgnoringCase(line.substr(0, 5), "HTTP/")) return 0;
  const size_t space = line.find(' ');
  if (space == std::string_view::npos || space + 4 > line.size()) return 0;
  int code = 0;
  for (size_t i = space + 1; i < space + 4; ++i) {
    if (!std::isdigit(static_cast<unsigned char>(line[i]))) return 0;
    code = code * 10 + (line[i] - '0');
  }
  if (space + 4 < line.size() && line[space + 4] != ' ') return 0;
  return code;
}

std::string HttpResponseHead::Field(std::string_view name) const {
  const std::string_view head = text_;
  size_t start = head.find("\r\n");
  while (start != std::string_view::npos && start + 2 < head.size()) {
    start += 2;
    const size_t end = head.find("\r\n", start);
    const std::string_view line = head.substr(start, end == std::string_view::npos ? end : end - start);
    const size_t colon = line.find(':');
    if (colon != std::string_view::npos && EqualIgnoringCase(line.substr(0, colon), name))
      return std::string(Trim(line.substr(colon + 1)));
    start = end;
  }
  return {};
}

}  // namespace serverconf
