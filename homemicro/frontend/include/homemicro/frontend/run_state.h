// Whether the machine runs: the one record the Play and Stop buttons, the run timer and the
// tracer all read, so they cannot disagree. What each of them shows is worked out from three
// facts: the user's choice (Play or Stop), how many dialogs hold the machine, and whether the
// program is ending.
#pragma once

#include <functional>

namespace homemicro {

class RunState {
 public:
  // sbPlay down (sbStop up otherwise); the configuration stores it.
  bool PlayDown() const { return playing_; }
  // tmProcessor enabled: played, no dialog open, not ending.
  bool TimerEnabled() const { return playing_ && holds_ == 0 && !ended_; }
  // The tracer is up while the machine is stopped and no dialog covers it.
  bool TracerShown() const { return !playing_ && holds_ == 0 && !ended_; }
  bool Ended() const { return ended_; }
  int Holds() const { return holds_; }

  void Play() {
    Change([this] { playing_ = true; });
  }
  void Stop() {
    Change([this] { playing_ = false; });
  }
  // A dialog takes the machine (the timer stops, the tracer steps aside) and gives it back.
  // A release with nothing held does nothing.
  void Hold() {
    Change([this] { ++holds_; });
  }
  void Release() {
    Change([this] {
      if (holds_ > 0) --holds_;
    });
  }
  // Holds left by a caller that never gave them back (the ROM load stops the timer for good).
  void DropHolds(int keep) {
    Change([this, keep] {
      if (holds_ > keep) holds_ = keep;
    });
  }
  // A failure or the end of the program: nothing runs or shows from now on.
  void End() {
    Change([this] { ended_ = true; });
  }

  // Called after every change that alters what the buttons, the timer or the tracer show.
  void SetListener(std::function<void()> listener) { listener_ = std::move(listener); }

 private:
  template <typename Body>
  void Change(Body body) {
    const bool play = PlayDown(), timer = TimerEnabled(), tracer = TracerShown();
    body();
    if (listener_ && (play != PlayDown() || timer != TimerEnabled() || tracer != TracerShown())) listener_();
  }

  bool playing_ = true;
  int holds_ = 0;
  bool ended_ = false;
  std::function<void()> listener_;
};

}  // namespace homemicro
