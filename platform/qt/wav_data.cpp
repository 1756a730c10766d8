// SPDX-License-Identifier: MIT
// Reads the format and sample bytes of a RIFF/WAVE PCM file held in memory.
#include "platform/qt/wav_data.h"

#include <algorithm>
#include <cstring>

namespace tastomat {
namespace {

std::uint32_t le16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8;
}

std::uint32_t le32(std::span<const std::uint8_t> b, std::size_t at) {
  return le16(b, at) | le16(b, at + 2) << 16;
}

bool tagIs(std::span<const std::uint8_t> b, std::size_t at, const char* tag) {
  return std::memcmp(b.data() + at, tag, 4) == 0;
}

constexpr std::size_t riffHeaderSize = 12;
constexpr std::size_t chunkHeaderSize = 8;
constexpr std::size_t pcmFormatSize = 16;
constexpr std::uint32_t pcmFormatTag = 1;

}  // namespace

std::optional<WavData> parseWav(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < riffHeaderSize || !tagIs(bytes, 0, "RIFF") || !tagIs(bytes, 8, "WAVE")) {
    return std::nullopt;
  }
  WavData wav;
  bool haveFormat = false;
  std::size_t at = riffHeaderSize;
  while (at + chunkHeaderSize <= bytes.size()) {
    const std::size_t size = le32(bytes, at + 4);
    const std::size_t body = at + chunkHeaderSize;
    const std::size_t present = std::min(size, bytes.size() - body);
    if (tagIs(bytes, at, "fmt ")) {
      if (present < pcmFormatSize || le16(bytes, body) != pcmFormatTag) {
        return std::nullopt;
      }
      wav.channels = static_cast<int>(le16(bytes, body + 2));
      wav.sampleRate = static_cast<int>(le32(bytes, body + 4));
      wav.bitsPerSample = static_cast<int>(le16(bytes, body + 14));
      haveFormat = true;
    } else if (tagIs(bytes, at, "data")) {
      if (!haveFormat) {
        return std::nullopt;
      }
      const bool channelsOk = wav.channels == 1 || wav.channels == 2;
      const bool bitsOk = wav.bitsPerSample == 8 || wav.bitsPerSample == 16;
      if (!channelsOk || !bitsOk || wav.sampleRate <= 0) {
        return std::nullopt;
      }
      const std::size_t frame = static_cast<std::size_t>(wav.channels * wav.bitsPerSample / 8);
      wav.samples = bytes.subspan(body, present - present % frame);
      return wav;
    }
    if (size > bytes.size() - body) {
      break;
    }
    at = body + size + size % 2;  // chunks are padded to an even length
  }
  return std::nullopt;
}

}  // namespace tastomat
