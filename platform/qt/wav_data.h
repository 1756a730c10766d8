// SPDX-License-Identifier: MIT
// Reads the format and sample bytes of a RIFF/WAVE PCM file held in memory.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace tastomat {

struct WavData {
  int sampleRate = 0;
  int channels = 0;
  int bitsPerSample = 0;                  // 8 (unsigned) or 16 (signed)
  std::span<const std::uint8_t> samples;  // whole frames only, inside the given bytes
};

// Plain PCM with 1 or 2 channels of 8 or 16 bits. Chunks other than "fmt " and
// "data" are skipped; a data chunk that claims more than the file holds is cut
// to what is there. Anything else, or a file too short for its headers: none.
std::optional<WavData> parseWav(std::span<const std::uint8_t> bytes);

}  // namespace tastomat
