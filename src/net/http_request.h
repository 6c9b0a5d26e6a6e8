// The HTTP client's addresses and requests: what an "http://" or "https://"
// address names, the request written for it, and where a redirect leads.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace serverconf {

// The parts of an address. `https` is decided by the scheme alone.
struct HttpTarget {
  bool https = false;
  std::string host;  // percent-decoded; letters, digits, ".", "-" and "_" only
  uint16_t port = 80;
  std::string path;  // from the first "/" after the host on; "/" when none
  std::string user, password;  // percent-decoded when they hold "%"
  bool has_credentials = false;
};

// Reads "http[s]://[user[:password]@]host[:port][/path]". The scheme is
// compared ignoring case; the text before the last "@" of the host part is
// the user name and password, split at the first ":". False with `error`
// set for another scheme, a blank or control character anywhere, an empty
// or unusable host, or a port that is not a number from 1 to 65535.
bool ParseHttpUrl(std::string_view url, HttpTarget& target, std::string& error);

// "%41" becomes "A"; a "%" not followed by two hexadecimal digits stays.
std::string PercentDecode(std::string_view text);

// The request: method (GET when empty), " ", path, " HTTP/1.0", CR LF,
// "Host: ", host, CR LF, the Basic authorization line when `target` has
// credentials, the extra header lines (each ending in CR LF), CR LF.
std::string BuildHttpRequest(std::string_view method, std::string_view path, const HttpTarget& target,
                             std::string_view extra_headers);

// Resolves a "Location" that names no scheme against the path of the
// current request: the current path without its query, cut after its last
// "/"; a location path starting with "/" replaces it, another is appended;
// "." segments are dropped and ".." removes the segment before it; the
// location's query is put back.
std::string ResolveRedirectPath(std::string_view current_path, std::string_view location);

// The address a redirect from `current` with `location` leads to: `location`
// itself when it holds "://", otherwise the current scheme, host and port
// with the resolved path. False with `error` set when the next address is
// not http or https, or would go from https down to http.
bool RedirectTarget(const HttpTarget& current, std::string_view location, std::string& next_url,
                    std::string& error);

}  // namespace serverconf
