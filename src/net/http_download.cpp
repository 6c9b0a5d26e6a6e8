#include "net/http_download.h"

#include "net/tcp_socket.h"

#include <windows.h>

#include <atomic>
#include <cstdio>

#include "net/tls_connection.h"
#include "win32/log.h"
#include "win32/scoped_handle.h"
#include "win32/win32_error.h"
#include "xmldoc/xml_tag_scanner.h"

namespace serverconf {
namespace {

class PlainConnection : public HttpConnection {
 public:
  explicit PlainConnection(win32::TcpSocket socket) : socket_(std::move(socket)) {}
  bool Send(std::string_view data) override { return socket_.SendAll(data); }
  int Receive(char* buffer, int size) override {
    if (!socket_.WaitReadable(WinsockHttpNetwork::kReadTimeoutMs)) return -1;
    return socket_.Receive(buffer, size);
  }

 private:
  win32::TcpSocket socket_;
};

std::atomic<unsigned> request_counter{0};

bool WriteNewFile(const std::string& name, const std::string& data) {
  win32::ScopedHandle file(::CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                         FILE_ATTRIBUTE_TEMPORARY, nullptr));
  if (!file.valid()) {
    win32::LogFailure("creating", name, ::GetLastError());
    return false;
  }
  DWORD written = 0;
  if (!::WriteFile(file.get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr) ||
      written != data.size()) {
    win32::LogFailure("writing", name, ::GetLastError());
    file.reset();
    ::DeleteFileA(name.c_str());
    return false;
  }
  return true;
}

}  // namespace

std::unique_ptr<HttpConnection> WinsockHttpNetwork::Connect(const std::string& host, uint16_t port, bool tls) {
  win32::TcpSocket socket = win32::TcpSocket::Connect(host, port, kConnectTimeoutMs);
  if (!socket.valid()) return nullptr;
  if (tls) return OpenTlsConnection(std::move(socket), host, kReadTimeoutMs);
  return std::make_unique<PlainConnection>(std::move(socket));
}

std::string HttpTempFileName() {
  char folder[MAX_PATH + 1] = {};
  const DWORD length = ::GetTempPathA(sizeof folder, folder);
  std::string name = length > 0 && length < sizeof folder ? std::string(folder, length) : std::string(".\\");
  if (::GetFileAttributesA(name.c_str()) == INVALID_FILE_ATTRIBUTES) ::CreateDirectoryA(name.c_str(), nullptr);
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  char stamp[40];
  std::snprintf(stamp, sizeof stamp, "%.4u%.2u%.2u%.2u%.2u%.2u%.4u.tmp", now.wYear, now.wMonth, now.wDay, now.wHour,
                now.wMinute, now.wSecond, (++request_counter) % 10000);
  return name + stamp;
}

void HttpDownload(const std::string& url, bool header_flag, const std::string& method, std::string& output_file,
                  const std::string& proxy, int& depth, std::string& extra_headers) {
  output_file.clear();
  HttpRequestState state;
  state.url = url;
  state.header_flag = header_flag;
  state.method = method;
  state.proxy = proxy;
  state.depth = depth;
  state.extra_headers = extra_headers;
  WinsockHttpNetwork network;
  std::string error;
  const std::optional<std::string> document = HttpFetch(network, state, error);
  depth = state.depth;
  extra_headers = state.extra_headers;
  if (!document) {
    win32::LogLine("downloading " + url + ": " + error);
    return;
  }
  const std::string name = HttpTempFileName();
  if (WriteNewFile(name, *document)) output_file = name;
}

ProductEntry CheckNewVersion(const std::string& products_url, const std::string& product_tag) {
  const std::string url = products_url.empty() ? kProductsXmlUrl : products_url;
  std::string file, extra_headers;
  int depth = 0;
  HttpDownload(url, false, "", file, "", depth, extra_headers);
  if (file.empty()) return {};
  xmldoc::TXMLType list;
  bool read = false;
  try {
    read = xmldoc::LoadXMLType(list, file);
  } catch (const std::exception& e) {
    win32::LogLine("reading the product list " + file + ": " + e.what());
  }
  if (!::DeleteFileA(file.c_str())) win32::LogFailure("deleting", file, ::GetLastError());
  if (!read) return {};
  ProductEntry entry = ReadProductEntry(list.Data, product_tag);
  if (!entry.ok) win32::LogLine("new-version check: the product list " + url + " has no " + product_tag + " entry");
  return entry;
}

}  // namespace serverconf
