// SPDX-License-Identifier: MIT
// The embedded media: every header field, the click's shape, and the loading rules.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "media/media.h"
#include "tests/scripted/scripted_platform.h"

namespace tastomat {
namespace {

std::uint32_t le(std::span<const std::uint8_t> bytes, std::size_t offset, std::size_t size) {
  std::uint32_t value = 0;
  for (std::size_t i = size; i-- > 0;) {
    value = (value << 8) | bytes[offset + i];
  }
  return value;
}

std::string tagAt(std::span<const std::uint8_t> bytes, std::size_t offset, std::size_t size) {
  return std::string(reinterpret_cast<const char*>(bytes.data() + offset), size);
}

// One header field: a text tag when 'tag' is set, otherwise a little-endian number.
struct Field {
  std::size_t offset;
  std::size_t size;
  const char* tag;
  std::uint32_t value;
};

void expectFields(std::span<const std::uint8_t> bytes, const std::vector<Field>& fields) {
  for (const Field& f : fields) {
    SCOPED_TRACE("offset " + std::to_string(f.offset));
    ASSERT_LE(f.offset + f.size, bytes.size());
    if (f.tag != nullptr) {
      EXPECT_EQ(tagAt(bytes, f.offset, f.size), f.tag);
    } else {
      EXPECT_EQ(le(bytes, f.offset, f.size), f.value);
    }
  }
}

TEST(ClickWave, HeaderFieldsAndSize) {
  const auto wav = clickWave();
  EXPECT_EQ(wav.size(), 1404u);
  expectFields(wav, {
                        {0, 4, "RIFF", 0},
                        {4, 4, nullptr, 1396},
                        {8, 4, "WAVE", 0},
                        {12, 4, "fmt ", 0},
                        {16, 4, nullptr, 16},
                        {20, 2, nullptr, 1},
                        {22, 2, nullptr, 1},
                        {24, 4, nullptr, 22050},
                        {28, 4, nullptr, 44100},
                        {32, 2, nullptr, 2},
                        {34, 2, nullptr, 16},
                        {36, 4, "data", 0},
                        {40, 4, nullptr, 1360},
                    });
}

TEST(ClickWave, IsAShortQuietClick) {
  const auto wav = clickWave();
  ASSERT_EQ(wav.size(), 1404u);
  std::vector<int> samples;
  for (std::size_t offset = 44; offset < wav.size(); offset += 2) {
    samples.push_back(static_cast<std::int16_t>(le(wav, offset, 2)));
  }
  ASSERT_EQ(samples.size(), 680u);
  int peak = 0;
  std::size_t peakAt = 0;
  for (std::size_t i = 0; i < samples.size(); ++i) {
    if (std::abs(samples[i]) > peak) {
      peak = std::abs(samples[i]);
      peakAt = i;
    }
  }
  EXPECT_GE(peak, 32768 * 7 / 100);
  EXPECT_LE(peak, 32768 * 11 / 100);
  // A click: loud at once, then dying away; it starts and ends without a jump.
  EXPECT_LT(peakAt, 680u / 8);
  EXPECT_LT(std::abs(samples.front()), peak / 2);
  EXPECT_EQ(samples.back(), 0);
}

TEST(LogoBitmap, HeaderFieldsAndSize) {
  const auto bmp = logoBitmap();
  EXPECT_EQ(bmp.size(), 24834u);
  expectFields(bmp, {
                        {0, 2, "BM", 0},
                        {2, 4, nullptr, 24834},
                        {6, 2, nullptr, 0},
                        {8, 2, nullptr, 0},
                        {10, 4, nullptr, 54},
                        {14, 4, nullptr, 40},
                        {18, 4, nullptr, 140},
                        {22, 4, nullptr, 59},
                        {26, 2, nullptr, 1},
                        {28, 2, nullptr, 24},
                        {30, 4, nullptr, 0},
                        {34, 4, nullptr, 24780},
                        {38, 4, nullptr, 2835},
                        {42, 4, nullptr, 2835},
                        {46, 4, nullptr, 0},
                        {50, 4, nullptr, 0},
                    });
}

TEST(LogoBitmap, WhiteBackgroundWithDarkKeys) {
  const auto bmp = logoBitmap();
  ASSERT_EQ(bmp.size(), 24834u);
  auto pixel = [&](int x, int yFromTop) {
    const std::size_t at = 54 + static_cast<std::size_t>(58 - yFromTop) * 420 + x * 3;
    return std::vector<int>{bmp[at], bmp[at + 1], bmp[at + 2]};
  };
  EXPECT_EQ(pixel(0, 0), (std::vector<int>{255, 255, 255}));
  EXPECT_EQ(pixel(139, 58), (std::vector<int>{255, 255, 255}));
  int dark = 0;
  for (int y = 0; y < 59; ++y) {
    for (int x = 0; x < 140; ++x) {
      const auto p = pixel(x, y);
      dark += (p[0] < 120 && p[1] < 120 && p[2] < 120) ? 1 : 0;
    }
  }
  // Eight keys of about 15 x 11 pixels make up most of the dark area.
  EXPECT_GT(dark, 8 * 100);
  EXPECT_LT(dark, 140 * 59 / 4);
}

TEST(ProgramIcon, Is47By37TwentyFourBitBottomUp) {
  const auto bmp = programIcon();
  const std::uint32_t rowBytes = (47 * 3 + 3) & ~3u;
  EXPECT_EQ(bmp.size(), 54 + rowBytes * 37);
  expectFields(bmp, {
                        {0, 2, "BM", 0},
                        {2, 4, nullptr, static_cast<std::uint32_t>(bmp.size())},
                        {10, 4, nullptr, 54},
                        {14, 4, nullptr, 40},
                        {18, 4, nullptr, 47},
                        {22, 4, nullptr, 37},
                        {26, 2, nullptr, 1},
                        {28, 2, nullptr, 24},
                        {30, 4, nullptr, 0},
                        {34, 4, nullptr, rowBytes * 37},
                    });
}

TEST(LoadLogo, DecodesTheLogoAsImageZero) {
  testing::ScriptedPlatform platform;
  loadLogo(platform);
  EXPECT_EQ(platform.calls, (std::vector<std::string>{"loadImage 0 24834"}));
}

TEST(LoadLogo, AFailedDecodeIsNotReported) {
  testing::ScriptedPlatform platform;
  platform.imagesLoad = false;
  loadLogo(platform);
  EXPECT_EQ(platform.calls, (std::vector<std::string>{"loadImage 0 24834"}));
}

// The start-up rule and what a later playClick does, for each combination of
// a working sound system and the settings switch.
TEST(ClickSoundRules, StartThenPlay) {
  struct Case {
    bool soundStarts;
    int enabled;
    int readyAfterStart;
    std::vector<std::string> startCalls;
    std::vector<std::string> playCalls;
  };
  const std::vector<Case> cases = {
      {true, 1, 1, {"startSound -> 1", "loadSound 0 1404"}, {"playSound 0"}},
      {false, 1, 0, {"startSound -> 0"}, {}},
      {true, 0, 0, {"startSound -> 1"}, {}},
      {false, 0, 0, {"startSound -> 0"}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("sound starts ") + (c.soundStarts ? "yes" : "no") + ", enabled " +
                 std::to_string(c.enabled));
    testing::ScriptedPlatform platform;
    platform.soundStarts = c.soundStarts;
    ClickSound click;
    click.clickSoundEnabled = c.enabled;
    startClickSound(platform, click);
    EXPECT_EQ(click.soundReady, c.readyAfterStart);
    EXPECT_EQ(platform.calls, c.startCalls);
    platform.calls.clear();
    playClick(platform, click);
    EXPECT_EQ(platform.calls, c.playCalls);
  }
}

TEST(ClickSoundRules, PlayNeedsBothFlags) {
  for (int ready : {0, 1}) {
    for (int enabled : {0, 1}) {
      testing::ScriptedPlatform platform;
      playClick(platform, ClickSound{ready, enabled});
      EXPECT_EQ(platform.calls.size(), ready == 1 && enabled == 1 ? 1u : 0u)
          << "ready " << ready << " enabled " << enabled;
    }
  }
}

}  // namespace
}  // namespace tastomat
