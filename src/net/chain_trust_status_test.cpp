// The trust status of a certificate chain: every error refuses the server
// except the two that only say revocation could not be checked, and the log
// names what refused it and which certificate. The chains here are records
// made by the test; http_download_test.cpp has the real ones of local https
// servers.
#include "net/chain_trust_status.h"

#include <gtest/gtest.h>

#include "support/test_files.h"

namespace serverconf {
namespace {

TEST(ChainTrustStatusTest, OnlyUncheckedRevocationIsAccepted) {
  EXPECT_TRUE(RefusingTrustErrors(CERT_TRUST_NO_ERROR).empty());
  EXPECT_TRUE(RefusingTrustErrors(CERT_TRUST_REVOCATION_STATUS_UNKNOWN).empty());
  EXPECT_TRUE(RefusingTrustErrors(CERT_TRUST_IS_OFFLINE_REVOCATION).empty());
  EXPECT_TRUE(RefusingTrustErrors(CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION).empty());
  // Every other bit, named or not, refuses on its own.
  for (int bit = 0; bit < 32; ++bit) {
    const DWORD mask = DWORD(1) << bit;
    if (mask == CERT_TRUST_REVOCATION_STATUS_UNKNOWN || mask == CERT_TRUST_IS_OFFLINE_REVOCATION) continue;
    EXPECT_EQ(RefusingTrustErrors(mask).size(), 1u) << "bit " << bit;
    EXPECT_EQ(RefusingTrustErrors(mask | CERT_TRUST_REVOCATION_STATUS_UNKNOWN).size(), 1u) << "bit " << bit;
  }
}

TEST(ChainTrustStatusTest, RefusingErrorsAreNamedInBitOrder) {
  const std::vector<std::string> names = RefusingTrustErrors(
      CERT_TRUST_IS_PARTIAL_CHAIN | CERT_TRUST_IS_NOT_TIME_VALID | CERT_TRUST_REVOCATION_STATUS_UNKNOWN | 0x40000000);
  ASSERT_EQ(names.size(), 3u) << ::testing::PrintToString(names);
  EXPECT_EQ(names[0], "CERT_TRUST_IS_NOT_TIME_VALID (a certificate is expired or not yet valid)");
  EXPECT_EQ(names[1], "CERT_TRUST_IS_PARTIAL_CHAIN (the chain does not reach a root certificate)");
  EXPECT_EQ(names[2], "unknown trust error 0x40000000");
  for (DWORD bit : {CERT_TRUST_IS_UNTRUSTED_ROOT, CERT_TRUST_IS_NOT_VALID_FOR_USAGE, CERT_TRUST_IS_NOT_SIGNATURE_VALID,
                    CERT_TRUST_IS_REVOKED, CERT_TRUST_INVALID_BASIC_CONSTRAINTS, CERT_TRUST_INVALID_NAME_CONSTRAINTS,
                    CERT_TRUST_HAS_NOT_PERMITTED_NAME_CONSTRAINT, CERT_TRUST_IS_EXPLICIT_DISTRUST}) {
    const std::vector<std::string> one = RefusingTrustErrors(bit);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].rfind("CERT_TRUST_", 0), 0u) << one[0];
  }
}

// A chain of two certificates whose issuer (position 1) is no authority.
TEST(ChainTrustStatusTest, ARefusedChainIsLoggedWithTheCertificateItConcerns) {
  char temp[MAX_PATH];
  ASSERT_GT(::GetTempPathA(MAX_PATH, temp), 0u);
  const std::string log = std::string(temp) + "tarno chain trust " + std::to_string(::GetCurrentProcessId()) + ".log";
  ::DeleteFileA(log.c_str());
  ASSERT_TRUE(::SetEnvironmentVariableA("TARNO_SETUP_LOG", log.c_str()));

  CERT_CHAIN_ELEMENT leaf{}, issuer{};
  leaf.cbSize = issuer.cbSize = sizeof(CERT_CHAIN_ELEMENT);
  leaf.TrustStatus.dwErrorStatus = CERT_TRUST_REVOCATION_STATUS_UNKNOWN;
  issuer.TrustStatus.dwErrorStatus = CERT_TRUST_INVALID_BASIC_CONSTRAINTS;
  PCERT_CHAIN_ELEMENT elements[] = {&leaf, &issuer};
  CERT_SIMPLE_CHAIN simple{};
  simple.cbSize = sizeof simple;
  simple.cElement = 2;
  simple.rgpElement = elements;
  simple.TrustStatus.dwErrorStatus = CERT_TRUST_INVALID_BASIC_CONSTRAINTS | CERT_TRUST_REVOCATION_STATUS_UNKNOWN;
  PCERT_SIMPLE_CHAIN chains[] = {&simple};
  CERT_CHAIN_CONTEXT chain{};
  chain.cbSize = sizeof chain;
  chain.cChain = 1;
  chain.rgpChain = chains;
  chain.TrustStatus = simple.TrustStatus;

  EXPECT_FALSE(ChainTrustAccepted(chain, "localhost"));
  chain.TrustStatus.dwErrorStatus = simple.TrustStatus.dwErrorStatus = CERT_TRUST_REVOCATION_STATUS_UNKNOWN;
  issuer.TrustStatus.dwErrorStatus = CERT_TRUST_NO_ERROR;
  EXPECT_TRUE(ChainTrustAccepted(chain, "localhost")) << "revocation that could not be checked";

  const std::string text = win32::test_files::GetFile(log);
  ::SetEnvironmentVariableA("TARNO_SETUP_LOG", nullptr);
  ::DeleteFileA(log.c_str());
  EXPECT_EQ(text,
            "[Setup] https: the certificate chain of localhost is refused: CERT_TRUST_INVALID_BASIC_CONSTRAINTS (an "
            "issuer is not a certificate authority, or a path length is exceeded); certificate 1 of 2: "
            "CERT_TRUST_INVALID_BASIC_CONSTRAINTS (an issuer is not a certificate authority, or a path length is "
            "exceeded)\r\n");
}

}  // namespace
}  // namespace serverconf
