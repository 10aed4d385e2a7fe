// Fixtures for the window tests: a start directory holding a tiny ROM image, a sound output
// that records what it is given, and helpers that answer modal windows from inside their loop.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

#include "main_fm.h"
#include "sound_output.h"

class FakeSound : public SoundOutput {
 public:
  explicit FakeSound(bool available, std::vector<int16_t>* played = nullptr)
      : available_(available), played_(played) {}
  bool Available() const override { return available_; }
  int SampleRate() const override { return 44100; }
  void Play(std::span<const int16_t> samples) override {
    if (played_) played_->insert(played_->end(), samples.begin(), samples.end());
  }

 private:
  bool available_;
  std::vector<int16_t>* played_;
};

// Words of a ROM image placed from 0100000 on; the rest of the 32 KB stays zero.
inline QByteArray RomImage(std::initializer_list<uint16_t> words) {
  QByteArray image(32768, '\0');
  int at = 0;
  for (uint16_t w : words) {
    image[at++] = static_cast<char>(w & 0xFF);
    image[at++] = static_cast<char>(w >> 8);
  }
  return image;
}

// Disables the keyboard interrupt, then waits in place: typed keys stay in the registers.
inline QByteArray IdleRom() {
  return RomImage({012737, 0100, 0177660, 000777});
}

// Disables the keyboard interrupt, then runs `words`.
inline QByteArray IdleRomThen(std::initializer_list<uint16_t> words) {
  QByteArray image = RomImage({012737, 0100, 0177660});
  const QByteArray rest = RomImage(words);
  image.replace(6, image.size() - 6, rest.left(image.size() - 6));
  return image;
}

inline void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  file.open(QIODevice::WriteOnly);
  file.write(bytes);
}

inline QByteArray ReadFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

// Runs `action` on the next modal window of type T as soon as it is shown. With a `watch`,
// the wait ends unanswered once the watched object is gone.
template <typename T>
void WhenModal(std::function<void(T*)> action, std::weak_ptr<void> watch = {}) {
  const bool watched = !watch.expired();
  // Only the pending timer holds the poll, so nothing is left behind once it is answered.
  auto poll = std::make_shared<std::function<void()>>();
  std::weak_ptr<std::function<void()>> self = poll;
  *poll = [action, self, watch, watched] {
    if (watched && watch.expired()) return;
    if (auto* window = qobject_cast<T*>(QApplication::activeModalWidget()); window && window->isVisible()) {
      action(window);
      return;
    }
    if (auto again = self.lock()) QTimer::singleShot(5, qApp, [again] { (*again)(); });
  };
  QTimer::singleShot(0, qApp, [poll] { (*poll)(); });
}

// Answers the next message box with `button` and keeps its text; the wait ends with the
// returned object.
struct MessageAnswer {
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QString caption;
  bool seen = false;
};

inline std::shared_ptr<MessageAnswer> AnswerMessage(QMessageBox::StandardButton button = QMessageBox::Ok) {
  auto answer = std::make_shared<MessageAnswer>();
  std::weak_ptr<MessageAnswer> weak = answer;
  WhenModal<QMessageBox>(
      [weak, button](QMessageBox* box) {
        if (auto answer = weak.lock()) {
          answer->text = box->text();
          answer->icon = box->icon();
          answer->caption = box->windowTitle();
          answer->seen = true;
        }
        box->done(button);
      },
      weak);
  return answer;
}

// A start directory with a ROM image and a main window started in it.
struct StartedMain {
  explicit StartedMain(const QByteArray& rom = IdleRom(), bool audio = true,
                       std::vector<int16_t>* played = nullptr, const QByteArray* config = nullptr) {
    WriteFile(dir.filePath("homemicro.rom"), rom);
    if (config) WriteFile(dir.filePath("homemicro.cfg"), *config);
    window = std::make_unique<TfmMain>(std::make_unique<FakeSound>(audio, played));
    started = window->StartUp(dir.path());
  }
  homemicro::Machine& machine() { return window->Session().GetMachine(); }
  uint16_t pc() { return machine().State().R[homemicro::kPC]; }

  QTemporaryDir dir;
  std::unique_ptr<TfmMain> window;
  bool started = false;
};
