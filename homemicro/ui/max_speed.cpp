// TfmMain's maximum speed: the run timer fires whenever the window is idle and each event runs
// ticks for a slice of host time (RunPacing); the sound is muted meanwhile.
#include <QTimer>
#include <QToolButton>

#include "main_fm.h"

void TfmMain::sbMaxSpeedClick() {
  SetMaxSpeed(!pacing_.MaxSpeed());
}

void TfmMain::SetMaxSpeed(bool on) {
  pacing_.SetMaxSpeed(on);
  tmProcessor->setInterval(pacing_.TimerIntervalMilliseconds());
  if (sbMaxSpeed) sbMaxSpeed->setChecked(on);
}
