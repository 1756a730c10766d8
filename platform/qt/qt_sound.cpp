// SPDX-License-Identifier: MIT
// Short sounds from memory, played over the default audio output without waiting.
#include "platform/qt/qt_sound.h"

#include <QMediaDevices>

#include "platform/qt/wav_data.h"

namespace tastomat {

SoundPlayer::~SoundPlayer() {
  clear();
}

bool SoundPlayer::start() {
  device_ = QMediaDevices::defaultAudioOutput();
  return !device_.isNull();
}

bool SoundPlayer::load(int number, std::span<const std::uint8_t> wav) {
  const auto data = parseWav(wav);
  if (!data) {
    return false;
  }
  Sound sound;
  sound.format.setSampleRate(data->sampleRate);
  sound.format.setChannelCount(data->channels);
  sound.format.setSampleFormat(data->bitsPerSample == 8 ? QAudioFormat::UInt8
                                                        : QAudioFormat::Int16);
  sound.pcm = QByteArray(reinterpret_cast<const char*>(data->samples.data()),
                         static_cast<qsizetype>(data->samples.size()));
  sounds_.erase(number);
  sounds_.emplace(number, std::move(sound));
  return true;
}

void SoundPlayer::play(int number) {
  const auto found = sounds_.find(number);
  if (found == sounds_.end() || device_.isNull()) {
    return;
  }
  Sound& sound = found->second;
  if (!sound.sink) {
    sound.buffer = std::make_unique<QBuffer>(&sound.pcm);
    sound.sink = std::make_unique<QAudioSink>(device_, sound.format);
  }
  sound.sink->stop();
  sound.buffer->close();
  sound.buffer->open(QIODevice::ReadOnly);  // opening rewinds to the first sample
  sound.sink->start(sound.buffer.get());
}

void SoundPlayer::clear() {
  for (auto& [number, sound] : sounds_) {
    if (sound.sink) {
      sound.sink->stop();
    }
    sound.sink.reset();
    sound.buffer.reset();
  }
  sounds_.clear();
}

}  // namespace tastomat
