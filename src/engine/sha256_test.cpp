// SHA-256 against known answers (FIPS 180-4's examples, a one-byte message of
// NIST's byte-oriented vectors, and messages around the block boundary whose
// digests come from an independent implementation), fed whole and in pieces.
#include "engine/sha256.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace engine {
namespace {

struct KnownAnswer {
  std::string message;
  const char* digest;
};

std::vector<KnownAnswer> KnownAnswers() {
  return {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrstu",
       "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
      {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
      // One byte, then 55, 56 and 64 bytes: the length field just fits into
      // the last block, just does not, and a block is exactly full.
      {"\xd3", "28969cdfa74a12c82f3bad960b0b000aca2ac329deea5c2328ebc6f2ba9802c1"},
      {std::string(55, 'a'), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
      {std::string(56, 'a'), "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
      {std::string(64, 'a'), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
  };
}

TEST(Sha256Test, KnownAnswersWhole) {
  for (const KnownAnswer& answer : KnownAnswers())
    EXPECT_EQ(HexDigest(Sha256Of(answer.message)), answer.digest) << "message of " << answer.message.size() << " bytes";
}

// Pieces of 1, 3, 63, 64, 65 and 4,097 bytes give the digest of the whole.
TEST(Sha256Test, KnownAnswersInPieces) {
  for (const KnownAnswer& answer : KnownAnswers()) {
    for (size_t piece : {1u, 3u, 63u, 64u, 65u, 4097u}) {
      if (answer.message.size() > 100000 && piece < 63) continue;  // the million bytes byte by byte: slow under ASan
      Sha256 hash;
      for (size_t at = 0; at < answer.message.size(); at += piece)
        hash.Update(answer.message.data() + at, std::min(piece, answer.message.size() - at));
      EXPECT_EQ(HexDigest(hash.Final()), answer.digest)
          << "message of " << answer.message.size() << " bytes in pieces of " << piece;
    }
  }
}

TEST(Sha256Test, FinalStartsANewMessage) {
  Sha256 hash;
  hash.Update("xyz", 3);
  hash.Final();
  hash.Update("abc", 3);
  EXPECT_EQ(HexDigest(hash.Final()), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

}  // namespace
}  // namespace engine
