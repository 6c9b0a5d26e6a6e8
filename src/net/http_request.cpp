#include "net/http_request.h"

#include <cctype>
#include <vector>

#include "mailclient/base64.h"

namespace serverconf {
namespace {

std::string Lower(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return result;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && Lower(text.substr(0, prefix.size())) == prefix;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsHostCharacter(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_';
}

}  // namespace

std::string PercentDecode(std::string_view text) {
  std::string result;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
      result += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      result += text[i];
    }
  }
  return result;
}

bool ParseHttpUrl(std::string_view url, HttpTarget& target, std::string& error) {
  target = HttpTarget{};
  for (unsigned char c : url) {
    if (c <= ' ' || c == 0x7F) {
      error = "the address holds a blank or a control character";
      return false;
    }
  }
  if (StartsWith(url, "https://")) {
    target.https = true;
    target.port = 443;
  } else if (!StartsWith(url, "http://")) {
    error = "not an http or https address";
    return false;
  }
  std::string_view rest = url.substr(url.find("//") + 2);
  const size_t slash = rest.find('/');
  target.path = slash == std::string_view::npos ? "/" : std::string(rest.substr(slash));
  std::string_view host_part = rest.substr(0, slash);
  const size_t at = host_part.rfind('@');
  if (at != std::string_view::npos) {
    const std::string_view credentials = host_part.substr(0, at);
    const size_t colon = credentials.find(':');
    target.user = std::string(credentials.substr(0, colon));
    if (colon != std::string_view::npos) target.password = std::string(credentials.substr(colon + 1));
    if (target.user.find('%') != std::string::npos) target.user = PercentDecode(target.user);
    if (target.password.find('%') != std::string::npos) target.password = PercentDecode(target.password);
    target.has_credentials = true;
    host_part = host_part.substr(at + 1);
  }
  const std::string host_and_port = PercentDecode(host_part);
  const size_t colon = host_and_port.find(':');
  target.host = host_and_port.substr(0, colon);
  if (colon != std::string::npos) {
    const std::string port = host_and_port.substr(colon + 1);
    unsigned value = 0;
    bool digits = !port.empty() && port.size() <= 5;
    for (char c : port) {
      if (c < '0' || c > '9') digits = false;
      else value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (!digits || value < 1 || value > 65535) {
      error = "the port \"" + port + "\" is not a port number";
      return false;
    }
    target.port = static_cast<uint16_t>(value);
  }
  if (target.host.empty()) {
    error = "the address names no host";
    return false;
  }
  for (char c : target.host) {
    if (!IsHostCharacter(c)) {
      error = "the host \"" + target.host + "\" is no host name";
      return false;
    }
  }
  return true;
}

std::string BuildHttpRequest(std::string_view method, std::string_view path, const HttpTarget& target,
                             std::string_view extra_headers) {
  std::string request = method.empty() ? "GET" : std::string(method);
  request += " " + std::string(path) + " HTTP/1.0\r\nHost: " + target.host + "\r\n";
  if (target.has_credentials)
    request += "Authorization: Basic " + mailclient::Base64Encode(target.user + ":" + target.password) + "\r\n";
  request.append(extra_headers);
  request += "\r\n";
  return request;
}

std::string ResolveRedirectPath(std::string_view current_path, std::string_view location) {
  std::string base(current_path.substr(0, current_path.find('?')));
  base.erase(base.rfind('/') == std::string::npos ? 0 : base.rfind('/') + 1);
  const size_t question = location.find('?');
  const std::string_view location_path = location.substr(0, question);
  const std::string combined =
      !location_path.empty() && location_path.front() == '/' ? std::string(location_path) : base + std::string(location_path);

  std::vector<std::string> segments;
  size_t start = 0;
  for (;;) {
    const size_t end = combined.find('/', start);
    const std::string segment = combined.substr(start, end == std::string::npos ? end : end - start);
    const bool last = end == std::string::npos;
    if (segment == ".") {
      if (last) segments.emplace_back();
    } else if (segment == "..") {
      if (segments.size() > 1) segments.pop_back();
      if (last) segments.emplace_back();
    } else {
      segments.push_back(segment);
    }
    if (last) break;
    start = end + 1;
  }
  std::string result;
  for (size_t i = 0; i < segments.size(); ++i) result += (i == 0 ? "" : "/") + segments[i];
  if (question != std::string_view::npos) result += std::string(location.substr(question));
  return result;
}

bool RedirectTarget(const HttpTarget& current, std::string_view location, std::string& next_url,
                    std::string& error) {
  if (location.find("://") != std::string_view::npos) {
    next_url = std::string(location);
  } else {
    std::string path = ResolveRedirectPath(current.path, location);
    if (!path.empty() && path.front() == '/') path.erase(0, 1);
    next_url = std::string(current.https ? "https://" : "http://") + current.host + ":" +
               std::to_string(current.port) + "/" + path;
  }
  HttpTarget next;
  if (!ParseHttpUrl(next_url, next, error)) {
    error = "redirect to \"" + next_url + "\": " + error;
    return false;
  }
  if (current.https && !next.https) {
    error = "redirect from https down to http (\"" + next_url + "\")";
    return false;
  }
  return true;
}

}  // namespace serverconf
