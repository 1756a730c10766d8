// SPDX-License-Identifier: MIT
// SHA-256 against the published test vectors, fed in uneven pieces.
#include "app/sha256.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace tastomat {
namespace {

std::string hex(const Sha256Digest& d) {
  std::string out;
  char byte[3];
  for (auto b : d) {
    std::snprintf(byte, sizeof byte, "%02x", b);
    out += byte;
  }
  return out;
}

struct Vector {
  std::string message;
  const char* digest;
};

TEST(Sha256, PublishedVectorsWholeAndInPieces) {
  const Vector vectors[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrl"
       "mnopqrsmnopqrstnopqrstu",
       "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
      {std::string(1000000, 'a'),
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const auto& v : vectors) {
    SCOPED_TRACE(v.message.substr(0, 40));
    EXPECT_EQ(hex(sha256(v.message)), v.digest);
    // Pieces that straddle the 64-byte blocks and the padding boundary.
    Sha256 pieces;
    for (std::size_t pos = 0, step = 1; pos < v.message.size(); pos += step, step = step % 97 + 7) {
      pieces.update(std::string_view(v.message).substr(pos, step));
    }
    EXPECT_EQ(hex(pieces.finish()), v.digest);
  }
}

TEST(Sha256, PaddingEdgeLengths) {
  // 55, 56 and 64 bytes: the length field fits, just misses, or needs a block.
  const std::pair<std::size_t, const char*> cases[] = {
      {55, "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
      {56, "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
      {64, "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
  };
  for (const auto& [length, digest] : cases) {
    EXPECT_EQ(hex(sha256(std::string(length, 'a'))), digest) << length;
  }
}

TEST(Sha256, EqualConstantTimeSeesEveryByte) {
  const Sha256Digest a = sha256("abc");
  EXPECT_TRUE(equalConstantTime(a, a));
  for (std::size_t i : {0u, 17u, 31u}) {
    Sha256Digest b = a;
    b[i] ^= 0x01;
    EXPECT_FALSE(equalConstantTime(a, b)) << i;
  }
}

}  // namespace
}  // namespace tastomat
