// The trust status of a server's certificate chain (CertGetCertificateChain),
// checked besides the SSL chain policy: the policy alone has been seen to
// answer success for a chain that does not reach a root (Wine's, for a leaf
// signed by an authority the machine does not know). Every error the chain
// engine reports refuses the server, except the two that only say that
// revocation could not be checked: the setup asks for no revocation check,
// which would need the network beyond the server itself.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <string>
#include <vector>

namespace serverconf {

// The names of the error bits in `error_status` (CERT_TRUST_STATUS
// dwErrorStatus) that refuse a chain, in ascending bit order, each as
// "CERT_TRUST_IS_PARTIAL_CHAIN (the chain does not reach a root certificate)";
// an error bit without a name as "unknown trust error 0x...". Empty when
// none refuses.
std::vector<std::string> RefusingTrustErrors(DWORD error_status);

// True when the chain's trust status refuses nothing. Otherwise logs, once,
// "https: the certificate chain of <host> is refused: ..." with each
// refusing error and the position of the certificate it concerns (0 is the
// server's own), and answers false.
bool ChainTrustAccepted(const CERT_CHAIN_CONTEXT& chain, const std::string& host);

}  // namespace serverconf
