// SPDX-License-Identifier: MIT
// Short sounds from memory, played over the default audio output without waiting.
#pragma once

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QByteArray>

#include <cstdint>
#include <map>
#include <memory>
#include <span>

namespace tastomat {

// QSoundEffect plays only from a URL; a QAudioSink over a QBuffer plays the PCM
// bytes as they are, with nothing written to disk.
class SoundPlayer {
 public:
  SoundPlayer() = default;
  SoundPlayer(const SoundPlayer&) = delete;
  SoundPlayer& operator=(const SoundPlayer&) = delete;
  ~SoundPlayer();

  // True when there is a default audio output. Without one nothing is played.
  bool start();
  // Keeps the PCM data of a RIFF/WAVE file under the number; false if unreadable.
  bool load(int number, std::span<const std::uint8_t> wav);
  // From the start, without waiting; a sound still playing starts again.
  void play(int number);
  bool isLoaded(int number) const { return sounds_.contains(number); }
  void clear();

 private:
  struct Sound {
    QAudioFormat format;
    QByteArray pcm;
    std::unique_ptr<QBuffer> buffer;  // outlives the sink that reads it
    std::unique_ptr<QAudioSink> sink;
  };
  std::map<int, Sound> sounds_;
  QAudioDevice device_;
};

}  // namespace tastomat
