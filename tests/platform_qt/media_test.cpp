// SPDX-License-Identifier: MIT
// Sound from memory without a sound device, the WAV reader, message boxes and
// opening a web address.
#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QObject>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <cstring>
#include <optional>

#include "platform/qt/wav_data.h"
#include "tests/platform_qt/platform_fixture.h"

namespace tastomat {
namespace {

// A click as the program carries it: 16-bit mono PCM at 22050 Hz.
std::vector<std::uint8_t> wavFile(std::uint16_t format, std::uint16_t channels, std::uint16_t bits,
                                  std::uint32_t dataBytes, std::uint32_t presentBytes) {
  std::vector<std::uint8_t> file;
  file.reserve(64 + presentBytes);
  const auto tag = [&](const char* t) {
    for (int i = 0; i < 4; ++i) {
      file.push_back(static_cast<std::uint8_t>(t[i]));
    }
  };
  const auto u16 = [&](std::uint32_t v) {
    file.push_back(static_cast<std::uint8_t>(v));
    file.push_back(static_cast<std::uint8_t>(v >> 8));
  };
  const auto u32 = [&](std::uint32_t v) {
    u16(v & 0xffff);
    u16(v >> 16);
  };
  tag("RIFF");
  u32(36 + dataBytes);
  tag("WAVE");
  tag("LIST");  // a chunk a reader must step over
  u32(3);
  tag("abc");  // odd size: three bytes and one pad byte
  tag("fmt ");
  u32(16);
  u16(format);
  u16(channels);
  u32(22050);
  u32(22050u * channels * bits / 8);
  u16(channels * bits / 8);
  u16(bits);
  tag("data");
  u32(dataBytes);
  file.resize(file.size() + presentBytes, 0x10);
  return file;
}

TEST(WavReader, AcceptsPcmAndRejectsTheRest) {
  struct Case {
    const char* name;
    std::vector<std::uint8_t> bytes;
    std::optional<std::size_t> sampleBytes;
  };
  std::vector<std::uint8_t> notRiff = wavFile(1, 1, 16, 1360, 1360);
  std::memcpy(notRiff.data(), "RIFX", 4);
  const Case cases[] = {
      {"click", wavFile(1, 1, 16, 1360, 1360), 1360},
      {"8-bit stereo", wavFile(1, 2, 8, 100, 100), 100},
      {"data cut short", wavFile(1, 1, 16, 1360, 101), 100},
      {"not PCM", wavFile(3, 1, 32, 1360, 1360), std::nullopt},
      {"24-bit", wavFile(1, 1, 24, 1359, 1359), std::nullopt},
      {"no channels", wavFile(1, 0, 16, 100, 100), std::nullopt},
      {"not RIFF", notRiff, std::nullopt},
      {"headers only", std::vector<std::uint8_t>(notRiff.begin(), notRiff.begin() + 20),
       std::nullopt},
      {"empty", {}, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto wav = parseWav(c.bytes);
    ASSERT_EQ(wav.has_value(), c.sampleBytes.has_value());
    if (wav) {
      EXPECT_EQ(wav->samples.size(), *c.sampleBytes);
      EXPECT_EQ(wav->sampleRate, 22050);
      EXPECT_GE(wav->samples.data(), c.bytes.data());
      EXPECT_LE(wav->samples.data() + wav->samples.size(), c.bytes.data() + c.bytes.size());
    }
  }
}

class Media : public PlatformTest {};

// With or without a sound device (tests run without one): nothing hangs,
// nothing waits for a sound to end, and an empty number plays nothing.
TEST_F(Media, SoundNeverBlocks) {
  const auto start = std::chrono::steady_clock::now();
  const bool started = platform.startSound();
  EXPECT_TRUE(platform.loadSound(0, wavFile(1, 1, 16, 1360, 1360)));
  EXPECT_FALSE(platform.loadSound(1, std::vector<std::uint8_t>(64, 0)));
  for (int i = 0; i < 5; ++i) {
    platform.playSound(0);  // restarts while the last one still sounds
  }
  platform.playSound(1);
  platform.playSound(9);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  RecordProperty("soundDevice", started ? "yes" : "no");
}

TEST_F(Media, MessageBoxIsModalWithOneOkAndNoIcon) {
  add(button(10, 10, 10));
  settle();
  QWidget* owner = platform.windowWidget(window);
  bool seen = false;
  QTimer::singleShot(20, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    seen = true;
    EXPECT_EQ(box->windowTitle(), QString("AVR-NET-IO: Problem"));
    EXPECT_EQ(box->text(), QString("Falsch!   \n\n Neustart & Ende"));
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
    EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
    EXPECT_EQ(box->buttons().size(), 1);
    EXPECT_EQ(box->parentWidget(), owner);
    EXPECT_TRUE(box->isModal());
    box->button(QMessageBox::Ok)->click();
  });
  platform.messageBox("AVR-NET-IO: Problem", "Falsch!   \r\r Neustart & Ende");
  EXPECT_TRUE(seen);
  EXPECT_EQ(platform.waitEvent(20).kind, EventKind::None);
}

TEST_F(Media, MessageBoxWithoutAnyWindow) {
  platform.closeWindow(window);
  acceptNextModalBox(20);
  platform.messageBox("DEMO-Tastomat: Problem", "Das Netzwerk kann nicht initialisiert werden!");
  SUCCEED();
}

class UrlCatcher : public QObject {
  Q_OBJECT
 public:
  QList<QUrl> opened;
 public slots:
  void open(const QUrl& url) { opened.append(url); }
};

TEST_F(Media, OpenUrlHandsTheAddressToTheDesktop) {
  UrlCatcher catcher;
  QDesktopServices::setUrlHandler("https", &catcher, "open");
  platform.openUrl("https://example.org/bastelwerk?x=1&y=2");
  QDesktopServices::unsetUrlHandler("https");
  ASSERT_EQ(catcher.opened.size(), 1);
  EXPECT_EQ(catcher.opened[0].toString(), QString("https://example.org/bastelwerk?x=1&y=2"));
}

}  // namespace
}  // namespace tastomat

#include "media_test.moc"
