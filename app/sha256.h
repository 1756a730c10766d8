// SPDX-License-Identifier: MIT
// SHA-256 (FIPS 180-4), small and dependency-free, for the login check.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace tastomat {

using Sha256Digest = std::array<std::uint8_t, 32>;

class Sha256 {
 public:
  Sha256();
  void update(std::span<const std::uint8_t> bytes);
  void update(std::string_view text);
  // Pads and returns the digest; the object must not be updated afterwards.
  Sha256Digest finish();

 private:
  void compress(const std::uint8_t* block);

  std::array<std::uint32_t, 8> state_;
  std::array<std::uint8_t, 64> buffer_{};
  std::size_t buffered_ = 0;
  std::uint64_t totalBytes_ = 0;
};

Sha256Digest sha256(std::string_view text);

// Compares without an early exit, so the time taken does not tell how many
// leading bytes matched.
bool equalConstantTime(const Sha256Digest& a, const Sha256Digest& b);

}  // namespace tastomat
