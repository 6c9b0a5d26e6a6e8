// The HTTP client's exchange: one GET (or another method) with HTTP/1.0,
// following redirects, carrying a cookie across them. Pure logic over a
// connection interface; the program's connections are WinSock sockets, with
// the system's TLS for https (http_download.h).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace serverconf {

// One connection to a web server or proxy.
class HttpConnection {
 public:
  virtual ~HttpConnection() = default;
  // Writes all of `data`; false when that failed.
  virtual bool Send(std::string_view data) = 0;
  // Reads up to `size` bytes: the count read (> 0); 0 when the server ended
  // the response; less than 0 on a failure or a time-out.
  virtual int Receive(char* buffer, int size) = 0;
};

class HttpNetwork {
 public:
  virtual ~HttpNetwork() = default;
  // A connection to `host`:`port`, with TLS and the server's certificate
  // verified for `host` when `tls` is set; nullptr (logged) when none could
  // be made.
  virtual std::unique_ptr<HttpConnection> Connect(const std::string& host, uint16_t port, bool tls) = 0;
};

// A chain of requests: at most this many, redirects included.
inline constexpr int kMaxHttpRequests = 32;
// A document larger than this is refused.
inline constexpr size_t kMaxHttpDocumentSize = 4 * 1024 * 1024;

// The state of one request and the redirects that follow it.
struct HttpRequestState {
  std::string url;
  bool header_flag = false;  // the document starts with the response head; set once a cookie arrives
  std::string method;        // "GET" when empty
  std::string proxy;         // "host:port" of an HTTP proxy, or empty
  int depth = 0;             // requests made so far in this chain
  std::string extra_headers; // header lines, each ending in CR LF
};

// Fetches state.url. A status 200 answers the document: the body, after the
// response head when the header flag is set. 301 and 302 are followed to
// their "Location" (relative ones on the same scheme, host and port; only to
// http or https, never from https to http) while the chain stays within
// kMaxHttpRequests. A "Set-Cookie" field is sent on as "Cookie" with every
// later request of the chain and sets the header flag. nullopt, with `error`
// set, for anything else: no connection, another status, a missing Location,
// a head or document over its limit, a failed read.
std::optional<std::string> HttpFetch(HttpNetwork& network, HttpRequestState& state, std::string& error);

// What a product list says of one product.
struct ProductEntry {
  bool ok = false;
  std::string download_url;    // attribute "url"
  std::string latest_version;  // the element's text
  std::string release_date;    // attribute "date"
};

// Reads the first element named `product_tag` of a product list document
// (which may start with a response head). `ok` false when there is none.
ProductEntry ReadProductEntry(const std::string& document, std::string_view product_tag);

}  // namespace serverconf
