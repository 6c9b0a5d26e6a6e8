#include "net/http_fetch.h"

#include "net/http_request.h"
#include "net/http_response_head.h"
#include "xmldoc/xml_tag_scanner.h"

namespace serverconf {
namespace {

constexpr int kReadSize = 8192;

// Where one request goes and what it asks for.
struct Route {
  HttpTarget target;          // the address asked for
  std::string connect_host;   // the server or the proxy
  uint16_t connect_port = 80;
  bool tls = false;
  std::string path;           // the request path: the whole address through a proxy
};

bool PlanRoute(const HttpRequestState& state, Route& route, std::string& error) {
  if (!ParseHttpUrl(state.url, route.target, error)) return false;
  if (state.proxy.empty()) {
    route.connect_host = route.target.host;
    route.connect_port = route.target.port;
    route.tls = route.target.https;
    route.path = route.target.path;
    return true;
  }
  // Through a proxy the request is plain HTTP; an https address would travel
  // unencrypted and unverified, so it is refused.
  if (route.target.https) {
    error = "an https address cannot be fetched through the proxy";
    return false;
  }
  HttpTarget proxy;
  if (!ParseHttpUrl("http://" + state.proxy, proxy, error)) {
    error = "proxy \"" + state.proxy + "\": " + error;
    return false;
  }
  route.connect_host = proxy.host;
  route.connect_port = proxy.port;
  route.path = state.url;
  return true;
}

bool ReadHead(HttpConnection& connection, HttpResponseHead& head, std::string& error) {
  char buffer[kReadSize];
  while (!head.Complete()) {
    const int read = connection.Receive(buffer, sizeof buffer);
    if (read <= 0) {
      error = read == 0 ? "the server closed the connection before the end of the response head"
                        : "reading the response head failed or timed out";
      return false;
    }
    head.Append(std::string_view(buffer, static_cast<size_t>(read)));
    if (head.TooLarge()) {
      error = "the response head is larger than " + std::to_string(kMaxHttpHeadSize) + " bytes";
      return false;
    }
  }
  return true;
}

bool ReadBody(HttpConnection& connection, std::string& document, std::string& error) {
  char buffer[kReadSize];
  for (;;) {
    if (document.size() > kMaxHttpDocumentSize) {
      error = "the document is larger than " + std::to_string(kMaxHttpDocumentSize) + " bytes";
      return false;
    }
    const int read = connection.Receive(buffer, sizeof buffer);
    if (read == 0) return true;
    if (read < 0) {
      error = "reading the document failed or timed out";
      return false;
    }
    document.append(buffer, static_cast<size_t>(read));
  }
}

}  // namespace

std::optional<std::string> HttpFetch(HttpNetwork& network, HttpRequestState& state, std::string& error) {
  for (;;) {
    ++state.depth;
    Route route;
    if (!PlanRoute(state, route, error)) return std::nullopt;
    std::unique_ptr<HttpConnection> connection = network.Connect(route.connect_host, route.connect_port, route.tls);
    if (!connection) {
      error = "no connection to " + route.connect_host + ":" + std::to_string(route.connect_port);
      return std::nullopt;
    }
    if (!connection->Send(BuildHttpRequest(state.method, route.path, route.target, state.extra_headers))) {
      error = "sending the request failed";
      return std::nullopt;
    }
    HttpResponseHead head;
    if (!ReadHead(*connection, head, error)) return std::nullopt;
    const std::string cookie = head.Field("Set-Cookie");
    if (!cookie.empty()) {
      state.extra_headers += "Cookie: " + cookie + "\r\n";
      state.header_flag = true;
    }
    const int status = head.StatusCode();
    if (status == 200) {
      std::string document = state.header_flag ? head.Text() : std::string();
      document += head.BodyStart();
      if (!ReadBody(*connection, document, error)) return std::nullopt;
      return document;
    }
    if (status != 301 && status != 302) {
      error = "the server answered \"" + head.Text().substr(0, head.Text().find("\r\n")) + "\"";
      return std::nullopt;
    }
    const std::string location = head.Field("Location");
    if (location.empty()) {
      error = "a redirect without a Location";
      return std::nullopt;
    }
    std::string next;
    if (!RedirectTarget(route.target, location, next, error)) return std::nullopt;
    if (state.depth >= kMaxHttpRequests) {
      error = "more than " + std::to_string(kMaxHttpRequests) + " requests in one chain of redirects";
      return std::nullopt;
    }
    state.url = next;
  }
}

ProductEntry ReadProductEntry(const std::string& document, std::string_view product_tag) {
  xmldoc::TXMLType record;
  record.Data = document;
  std::string element, text;
  ProductEntry entry;
  if (!xmldoc::FindXMLTag(record, product_tag, true, false, element)) return entry;
  xmldoc::FindXMLTag(record, product_tag, false, true, text);
  entry.ok = true;
  entry.download_url = xmldoc::GetXMLTagAttribute(element, "url");
  entry.release_date = xmldoc::GetXMLTagAttribute(element, "date");
  entry.latest_version = text;
  return entry;
}

}  // namespace serverconf
