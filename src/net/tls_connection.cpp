#include "net/tls_connection.h"

#define SECURITY_WIN32
#include <windows.h>
#include <wincrypt.h>
#include <schannel.h>
#include <security.h>
#include <sspi.h>

#include <vector>

#include "net/chain_trust_status.h"
#include "win32/library_search.h"
#include "win32/log.h"
#include "win32/win32_error.h"

namespace serverconf {
namespace {

// The TLS and certificate libraries, from the system directory, once per
// process.
struct TlsLibraries {
  PSecurityFunctionTableA sspi = nullptr;
  decltype(&::CertGetCertificateChain) get_chain = nullptr;
  decltype(&::CertVerifyCertificateChainPolicy) verify_policy = nullptr;
  decltype(&::CertFreeCertificateChain) free_chain = nullptr;
  decltype(&::CertFreeCertificateContext) free_certificate = nullptr;
  bool loaded() const { return sspi && get_chain && verify_policy && free_chain && free_certificate; }
};

template <class Function>
void Bind(HMODULE module, const char* name, Function& function) {
  function = win32::ProcedureAddress<Function>(module, name);
}

const TlsLibraries& Libraries() {
  static const TlsLibraries libraries = [] {
    TlsLibraries l;
    HMODULE secur32 = win32::LoadSystemLibrary("secur32.dll").release();  // both kept for the run
    HMODULE crypt32 = win32::LoadSystemLibrary("crypt32.dll").release();
    INIT_SECURITY_INTERFACE_A init = nullptr;
    Bind(secur32, "InitSecurityInterfaceA", init);
    if (init != nullptr) l.sspi = init();
    Bind(crypt32, "CertGetCertificateChain", l.get_chain);
    Bind(crypt32, "CertVerifyCertificateChainPolicy", l.verify_policy);
    Bind(crypt32, "CertFreeCertificateChain", l.free_chain);
    Bind(crypt32, "CertFreeCertificateContext", l.free_certificate);
    if (!l.loaded()) win32::LogLine("https: the system's TLS libraries (secur32.dll, crypt32.dll) are not usable");
    return l;
  }();
  return libraries;
}

constexpr DWORD kContextFlags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                                ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM | ISC_REQ_EXTENDED_ERROR;
constexpr size_t kMaxRecordBuffer = 1 << 20;

class TlsConnection : public HttpConnection {
 public:
  TlsConnection(win32::TcpSocket socket, std::string host, int read_timeout_ms)
      : socket_(std::move(socket)), host_(std::move(host)), read_timeout_ms_(read_timeout_ms) {}
  ~TlsConnection() override {
    const TlsLibraries& l = Libraries();
    if (have_context_) l.sspi->DeleteSecurityContext(&context_);
    if (have_credentials_) l.sspi->FreeCredentialsHandle(&credentials_);
  }

  bool Handshake();
  bool VerifyCertificate();
  bool Send(std::string_view data) override;
  int Receive(char* buffer, int size) override;

 private:
  // Appends what the socket has to incoming_: > 0 read, 0 closed, < 0 failed or timed out.
  int ReadMore();
  bool SendToken(SecBuffer& token);

  win32::TcpSocket socket_;
  std::string host_;
  int read_timeout_ms_;
  CredHandle credentials_{};
  CtxtHandle context_{};
  bool have_credentials_ = false, have_context_ = false;
  SecPkgContext_StreamSizes sizes_{};
  std::string incoming_;  // received, not yet decrypted
  std::string plain_;     // decrypted, not yet handed out
  bool ended_ = false;
};

int TlsConnection::ReadMore() {
  if (incoming_.size() > kMaxRecordBuffer) return -1;
  if (!socket_.WaitReadable(read_timeout_ms_)) {
    win32::LogLine("https: no data from " + host_ + " within " + std::to_string(read_timeout_ms_) + " ms");
    return -1;
  }
  char buffer[16384];
  const int read = socket_.Receive(buffer, sizeof buffer);
  if (read > 0) incoming_.append(buffer, static_cast<size_t>(read));
  return read;
}

bool TlsConnection::SendToken(SecBuffer& token) {
  bool sent = true;
  if (token.pvBuffer != nullptr) {
    if (token.cbBuffer > 0)
      sent = socket_.SendAll(std::string_view(static_cast<const char*>(token.pvBuffer), token.cbBuffer));
    Libraries().sspi->FreeContextBuffer(token.pvBuffer);
    token.pvBuffer = nullptr;
  }
  return sent;
}

bool TlsConnection::Handshake() {
  const TlsLibraries& l = Libraries();
  SCHANNEL_CRED settings{};
  settings.dwVersion = SCHANNEL_CRED_VERSION;
  // The provider neither checks the certificate nor sends one of ours: the
  // check is VerifyCertificate's.
  settings.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
  TimeStamp expiry;
  SECURITY_STATUS status = l.sspi->AcquireCredentialsHandleA(nullptr, const_cast<char*>(UNISP_NAME_A),
                                                             SECPKG_CRED_OUTBOUND, nullptr, &settings, nullptr,
                                                             nullptr, &credentials_, &expiry);
  if (status != SEC_E_OK) {
    win32::LogFailure("acquiring TLS credentials for", host_, static_cast<DWORD>(status));
    return false;
  }
  have_credentials_ = true;
  bool first = true;
  for (;;) {
    SecBuffer in[2] = {{static_cast<unsigned long>(incoming_.size()), SECBUFFER_TOKEN, incoming_.data()},
                       {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc in_desc{SECBUFFER_VERSION, 2, in};
    SecBuffer out[1] = {{0, SECBUFFER_TOKEN, nullptr}};
    SecBufferDesc out_desc{SECBUFFER_VERSION, 1, out};
    unsigned long attributes = 0;
    status = l.sspi->InitializeSecurityContextA(&credentials_, first ? nullptr : &context_,
                                                const_cast<char*>(host_.c_str()), kContextFlags, 0, 0,
                                                first ? nullptr : &in_desc, 0, &context_, &out_desc, &attributes,
                                                &expiry);
    if (first) have_context_ = status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED;
    first = false;
    if (status == SEC_E_INCOMPLETE_MESSAGE) {
      if (ReadMore() <= 0) return false;
      continue;
    }
    if (!SendToken(out[0])) return false;
    if (status != SEC_E_OK && status != SEC_I_CONTINUE_NEEDED) {
      win32::LogFailure("the TLS handshake with", host_, static_cast<DWORD>(status));
      return false;
    }
    // What the provider did not take belongs to the next step or, once the
    // handshake is done, to the first record.
    if (in[1].BufferType == SECBUFFER_EXTRA && in[1].cbBuffer > 0 && in[1].cbBuffer <= incoming_.size())
      incoming_.erase(0, incoming_.size() - in[1].cbBuffer);
    else if (incoming_.size() > 0)
      incoming_.clear();
    if (status == SEC_E_OK) break;
    if (incoming_.empty() && ReadMore() <= 0) {
      win32::LogLine("https: " + host_ + " ended the connection during the TLS handshake");
      return false;
    }
  }
  status = l.sspi->QueryContextAttributesA(&context_, SECPKG_ATTR_STREAM_SIZES, &sizes_);
  if (status != SEC_E_OK) {
    win32::LogFailure("reading the TLS record sizes of", host_, static_cast<DWORD>(status));
    return false;
  }
  return true;
}

bool TlsConnection::VerifyCertificate() {
  const TlsLibraries& l = Libraries();
  PCCERT_CONTEXT certificate = nullptr;
  SECURITY_STATUS status = l.sspi->QueryContextAttributesA(&context_, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &certificate);
  if (status != SEC_E_OK || certificate == nullptr) {
    win32::LogFailure("reading the certificate of", host_, static_cast<DWORD>(status));
    return false;
  }
  char server_auth[] = szOID_PKIX_KP_SERVER_AUTH;
  LPSTR usages[] = {server_auth};
  CERT_CHAIN_PARA chain_para{};
  chain_para.cbSize = sizeof chain_para;
  chain_para.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
  chain_para.RequestedUsage.Usage.cUsageIdentifier = 1;
  chain_para.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
  PCCERT_CHAIN_CONTEXT chain = nullptr;
  bool trusted = false;
  if (!l.get_chain(nullptr, certificate, nullptr, certificate->hCertStore, &chain_para, 0, nullptr, &chain)) {
    win32::LogFailure("building the certificate chain of", host_, ::GetLastError());
  } else {
    const bool chain_accepted = ChainTrustAccepted(*chain, host_);  // the policy alone is not enough
    std::wstring wide_host(host_.begin(), host_.end());  // host names are ASCII (ParseHttpUrl)
    HTTPSPolicyCallbackData ssl{};
    ssl.cbStruct = sizeof ssl;
    ssl.dwAuthType = AUTHTYPE_SERVER;
    ssl.pwszServerName = wide_host.data();
    CERT_CHAIN_POLICY_PARA policy{};
    policy.cbSize = sizeof policy;
    policy.pvExtraPolicyPara = &ssl;
    CERT_CHAIN_POLICY_STATUS result{};
    result.cbSize = sizeof result;
    if (!l.verify_policy(CERT_CHAIN_POLICY_SSL, chain, &policy, &result))
      win32::LogFailure("verifying the certificate chain of", host_, ::GetLastError());
    else if (result.dwError != 0)
      win32::LogFailure("the certificate of", host_, result.dwError);
    else
      trusted = chain_accepted;
    l.free_chain(chain);
  }
  l.free_certificate(certificate);
  return trusted;
}

bool TlsConnection::Send(std::string_view data) {
  const TlsLibraries& l = Libraries();
  while (!data.empty()) {
    const size_t part = std::min<size_t>(data.size(), sizes_.cbMaximumMessage);
    std::vector<char> record(sizes_.cbHeader + part + sizes_.cbTrailer);
    std::copy(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(part), record.begin() + sizes_.cbHeader);
    SecBuffer buffers[4] = {{sizes_.cbHeader, SECBUFFER_STREAM_HEADER, record.data()},
                            {static_cast<unsigned long>(part), SECBUFFER_DATA, record.data() + sizes_.cbHeader},
                            {sizes_.cbTrailer, SECBUFFER_STREAM_TRAILER, record.data() + sizes_.cbHeader + part},
                            {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers};
    const SECURITY_STATUS status = l.sspi->EncryptMessage(&context_, 0, &desc, 0);
    if (status != SEC_E_OK) {
      win32::LogFailure("encrypting for", host_, static_cast<DWORD>(status));
      return false;
    }
    const size_t length = buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer;
    if (!socket_.SendAll(std::string_view(record.data(), length))) return false;
    data.remove_prefix(part);
  }
  return true;
}

int TlsConnection::Receive(char* buffer, int size) {
  const TlsLibraries& l = Libraries();
  while (plain_.empty()) {
    if (ended_) return 0;
    if (incoming_.empty()) {
      const int read = ReadMore();
      if (read <= 0) return read;
    }
    SecBuffer buffers[4] = {{static_cast<unsigned long>(incoming_.size()), SECBUFFER_DATA, incoming_.data()},
                            {0, SECBUFFER_EMPTY, nullptr},
                            {0, SECBUFFER_EMPTY, nullptr},
                            {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers};
    const SECURITY_STATUS status = l.sspi->DecryptMessage(&context_, &desc, 0, nullptr);
    if (status == SEC_E_INCOMPLETE_MESSAGE) {
      const int read = ReadMore();
      if (read <= 0) return read < 0 ? read : -1;  // the connection ended inside a record
      continue;
    }
    if (status == SEC_I_CONTEXT_EXPIRED) {
      ended_ = true;  // the server's close_notify
      return 0;
    }
    if (status != SEC_E_OK) {
      win32::LogFailure("decrypting from", host_, static_cast<DWORD>(status));
      return -1;
    }
    std::string extra;
    for (const SecBuffer& b : buffers) {
      if (b.BufferType == SECBUFFER_DATA && b.cbBuffer > 0) plain_.append(static_cast<const char*>(b.pvBuffer), b.cbBuffer);
      if (b.BufferType == SECBUFFER_EXTRA && b.cbBuffer > 0)
        extra.assign(incoming_.data() + incoming_.size() - b.cbBuffer, b.cbBuffer);
    }
    incoming_ = std::move(extra);
  }
  const size_t count = std::min(plain_.size(), static_cast<size_t>(size));
  plain_.copy(buffer, count);
  plain_.erase(0, count);
  return static_cast<int>(count);
}

}  // namespace

std::unique_ptr<HttpConnection> OpenTlsConnection(win32::TcpSocket socket, const std::string& host,
                                                  int read_timeout_ms) {
  if (!Libraries().loaded()) return nullptr;
  auto connection = std::make_unique<TlsConnection>(std::move(socket), host, read_timeout_ms);
  if (!connection->Handshake() || !connection->VerifyCertificate()) return nullptr;
  return connection;
}

}  // namespace serverconf
