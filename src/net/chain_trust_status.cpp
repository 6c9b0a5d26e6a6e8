#include "net/chain_trust_status.h"

#include <cstdio>

#include "win32/log.h"

namespace serverconf {
namespace {

struct TrustError {
  DWORD bit;
  const char* name;
  const char* meaning;
};

constexpr TrustError kTrustErrors[] = {
    {CERT_TRUST_IS_NOT_TIME_VALID, "CERT_TRUST_IS_NOT_TIME_VALID", "a certificate is expired or not yet valid"},
    {CERT_TRUST_IS_NOT_TIME_NESTED, "CERT_TRUST_IS_NOT_TIME_NESTED",
     "a certificate's validity does not lie within its issuer's"},
    {CERT_TRUST_IS_REVOKED, "CERT_TRUST_IS_REVOKED", "a certificate is revoked"},
    {CERT_TRUST_IS_NOT_SIGNATURE_VALID, "CERT_TRUST_IS_NOT_SIGNATURE_VALID", "a signature does not verify"},
    {CERT_TRUST_IS_NOT_VALID_FOR_USAGE, "CERT_TRUST_IS_NOT_VALID_FOR_USAGE",
     "a certificate is not valid for server authentication"},
    {CERT_TRUST_IS_UNTRUSTED_ROOT, "CERT_TRUST_IS_UNTRUSTED_ROOT", "the root certificate is not trusted"},
    {CERT_TRUST_IS_CYCLIC, "CERT_TRUST_IS_CYCLIC", "the chain runs in a circle"},
    {CERT_TRUST_INVALID_EXTENSION, "CERT_TRUST_INVALID_EXTENSION", "a certificate has an invalid extension"},
    {CERT_TRUST_INVALID_POLICY_CONSTRAINTS, "CERT_TRUST_INVALID_POLICY_CONSTRAINTS",
     "the policy constraints are violated"},
    {CERT_TRUST_INVALID_BASIC_CONSTRAINTS, "CERT_TRUST_INVALID_BASIC_CONSTRAINTS",
     "an issuer is not a certificate authority, or a path length is exceeded"},
    {CERT_TRUST_INVALID_NAME_CONSTRAINTS, "CERT_TRUST_INVALID_NAME_CONSTRAINTS", "the name constraints are invalid"},
    {CERT_TRUST_HAS_NOT_SUPPORTED_NAME_CONSTRAINT, "CERT_TRUST_HAS_NOT_SUPPORTED_NAME_CONSTRAINT",
     "a name constraint is not supported"},
    {CERT_TRUST_HAS_NOT_DEFINED_NAME_CONSTRAINT, "CERT_TRUST_HAS_NOT_DEFINED_NAME_CONSTRAINT",
     "a name constraint is not defined"},
    {CERT_TRUST_HAS_NOT_PERMITTED_NAME_CONSTRAINT, "CERT_TRUST_HAS_NOT_PERMITTED_NAME_CONSTRAINT",
     "a name is not permitted by the name constraints"},
    {CERT_TRUST_HAS_EXCLUDED_NAME_CONSTRAINT, "CERT_TRUST_HAS_EXCLUDED_NAME_CONSTRAINT",
     "a name is excluded by the name constraints"},
    {CERT_TRUST_IS_PARTIAL_CHAIN, "CERT_TRUST_IS_PARTIAL_CHAIN", "the chain does not reach a root certificate"},
    {CERT_TRUST_CTL_IS_NOT_TIME_VALID, "CERT_TRUST_CTL_IS_NOT_TIME_VALID", "a trust list is not time valid"},
    {CERT_TRUST_CTL_IS_NOT_SIGNATURE_VALID, "CERT_TRUST_CTL_IS_NOT_SIGNATURE_VALID",
     "a trust list's signature does not verify"},
    {CERT_TRUST_CTL_IS_NOT_VALID_FOR_USAGE, "CERT_TRUST_CTL_IS_NOT_VALID_FOR_USAGE",
     "a trust list is not valid for this use"},
    {CERT_TRUST_HAS_WEAK_SIGNATURE, "CERT_TRUST_HAS_WEAK_SIGNATURE", "a signature uses a weak algorithm"},
    {CERT_TRUST_NO_ISSUANCE_CHAIN_POLICY, "CERT_TRUST_NO_ISSUANCE_CHAIN_POLICY", "no issuance policy"},
    {CERT_TRUST_IS_EXPLICIT_DISTRUST, "CERT_TRUST_IS_EXPLICIT_DISTRUST", "a certificate is explicitly distrusted"},
    {CERT_TRUST_HAS_NOT_SUPPORTED_CRITICAL_EXT, "CERT_TRUST_HAS_NOT_SUPPORTED_CRITICAL_EXT",
     "a certificate has a critical extension that is not supported"},
};

// Revocation that could not be checked: the setup does not ask for a
// revocation check, so these say nothing about the server.
constexpr DWORD kAcceptedTrustErrors = CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION;

std::string Joined(const std::vector<std::string>& parts) {
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : ", ") + part;
  return text;
}

}  // namespace

std::vector<std::string> RefusingTrustErrors(DWORD error_status) {
  std::vector<std::string> names;
  const DWORD refusing = error_status & ~kAcceptedTrustErrors;
  for (int bit = 0; bit < 32; ++bit) {
    const DWORD mask = DWORD(1) << bit;
    if ((refusing & mask) == 0) continue;
    const TrustError* known = nullptr;
    for (const TrustError& error : kTrustErrors)
      if (error.bit == mask) known = &error;
    if (known != nullptr) {
      names.push_back(std::string(known->name) + " (" + known->meaning + ")");
    } else {
      char text[40];
      std::snprintf(text, sizeof text, "unknown trust error 0x%08lx", static_cast<unsigned long>(mask));
      names.push_back(text);
    }
  }
  return names;
}

bool ChainTrustAccepted(const CERT_CHAIN_CONTEXT& chain, const std::string& host) {
  const std::vector<std::string> refusing = RefusingTrustErrors(chain.TrustStatus.dwErrorStatus);
  if (refusing.empty()) return true;
  std::string where;
  for (DWORD c = 0; c < chain.cChain; ++c) {
    const CERT_SIMPLE_CHAIN& simple = *chain.rgpChain[c];
    for (DWORD e = 0; e < simple.cElement; ++e) {
      const std::vector<std::string> errors = RefusingTrustErrors(simple.rgpElement[e]->TrustStatus.dwErrorStatus);
      if (errors.empty()) continue;
      where += "; certificate " + std::to_string(e) + " of " + std::to_string(simple.cElement);
      if (chain.cChain > 1) where += " in chain " + std::to_string(c);
      where += ": " + Joined(errors);
    }
  }
  win32::LogLine("https: the certificate chain of " + host + " is refused: " + Joined(refusing) + where);
  return false;
}

}  // namespace serverconf
