#include "sound_output.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QIODevice>
#include <QMediaDevices>
#include <algorithm>

namespace {

constexpr int kPreferredRate = 44100;
// A little more than two ticks of sound: enough to ride over a late timer, short enough that
// a key's beep is heard with it.
constexpr double kBufferSeconds = 0.15;

class AudioSinkOutput final : public SoundOutput {
 public:
  AudioSinkOutput() {
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) return;
    QAudioFormat format;
    format.setSampleRate(kPreferredRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format)) {
      format.setSampleRate(device.preferredFormat().sampleRate());
      if (!device.isFormatSupported(format)) return;
    }
    sink_ = std::make_unique<QAudioSink>(device, format);
    sink_->setBufferSize(static_cast<qsizetype>(format.sampleRate() * kBufferSeconds) * 2);
    stream_ = sink_->start();
    if (!stream_) {
      sink_.reset();
      return;
    }
    rate_ = format.sampleRate();
  }

  bool Available() const override { return stream_ != nullptr; }
  int SampleRate() const override { return rate_; }

  void Play(std::span<const int16_t> samples) override {
    if (!stream_) return;
    const qsizetype room = sink_->bytesFree() & ~qsizetype{1};
    const qsizetype bytes = std::min<qsizetype>(room, static_cast<qsizetype>(samples.size_bytes()));
    if (bytes > 0) stream_->write(reinterpret_cast<const char*>(samples.data()), bytes);
  }

 private:
  std::unique_ptr<QAudioSink> sink_;
  QIODevice* stream_ = nullptr;  // owned by the sink
  int rate_ = kPreferredRate;
};

}  // namespace

std::unique_ptr<SoundOutput> MakeAudioSinkOutput() {
  return std::make_unique<AudioSinkOutput>();
}
