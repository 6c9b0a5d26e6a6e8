// HttpDownload and CheckNewVersion: the new-version check as the wizard runs
// it, over WinSock and the system's TLS.
#pragma once

#include <string>

#include "net/http_fetch.h"

namespace serverconf {

// The maker's product list, asked when "info.xml" names none.
inline constexpr char kProductsXmlUrl[] = "http://www.tarno.example/products.xml";

// Connections of the program: WinSock sockets, https through Schannel with
// the certificate verified for the host. Every wait is bounded.
class WinsockHttpNetwork : public HttpNetwork {
 public:
  static constexpr int kConnectTimeoutMs = 15000;
  static constexpr int kReadTimeoutMs = 30000;
  std::unique_ptr<HttpConnection> Connect(const std::string& host, uint16_t port, bool tls) override;
};

// A new name for a download: the system's temporary folder (made when
// missing), the time now as "yyyymmddhhnnss", a process-wide request counter
// as 4 digits, ".tmp".
std::string HttpTempFileName();

// Fetches `url` (HttpFetch) into a new temporary file, whose name is put in
// `output_file`; `output_file` is empty when nothing was received. The
// request state's other parts are as HttpRequestState describes; `depth` and
// `extra_headers` come back as the chain left them. Failures are logged.
void HttpDownload(const std::string& url, bool header_flag, const std::string& method, std::string& output_file,
                  const std::string& proxy, int& depth, std::string& extra_headers);

// Reads the product list at `products_url` (kProductsXmlUrl when empty) and
// answers the entry of `product_tag`; the downloaded file is deleted. `ok`
// false, and nothing shown, on any failure.
ProductEntry CheckNewVersion(const std::string& products_url, const std::string& product_tag);

}  // namespace serverconf
