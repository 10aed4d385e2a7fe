#include "ProgressDlg.h"

#include <QKeyEvent>
#include <QProgressBar>
#include <QPushButton>

#include "DialogUnits.h"
#include "ImageRun.h"

namespace blankimg {

// Often enough to look smooth, rare enough to cost the writer nothing.
constexpr int kPollMilliseconds = 40;

ProgressDlg::ProgressDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      pbProgress_(new QProgressBar(this)),
      bbCancel_(new QPushButton(tr("Cancel"), this)) {
  setWindowTitle(QStringLiteral("Creating Disk Image..."));
  setModal(true);
  setFont(dialogFont(font()));
  const DialogUnits du(font());
  setFixedSize(du.x(187), du.y(43));
  pbProgress_->setObjectName(QStringLiteral("pbProgress"));
  pbProgress_->setRange(0, 100);
  pbProgress_->setTextVisible(false);
  du.place(pbProgress_, 7, 7, 173, 13);
  bbCancel_->setObjectName(QStringLiteral("bbCancel"));
  bbCancel_->setAutoDefault(false);  // Enter must not cancel the run
  du.place(bbCancel_, 72, 25, 41, 15);
  connect(bbCancel_, &QPushButton::clicked, this, &QDialog::reject);
  tmPoll_.setInterval(kPollMilliseconds);
  connect(&tmPoll_, &QTimer::timeout, this, &ProgressDlg::tmPollTimer);
}

int ProgressDlg::follow(const ImageRun& run) {
  run_ = &run;
  pbProgress_->setValue(0);
  // The timer's first tick comes from exec()'s own loop: a writer that ends before the window
  // is up still closes it.
  tmPoll_.start();
  const int result = exec();
  tmPoll_.stop();
  run_ = nullptr;
  return result;
}

void ProgressDlg::tmPollTimer() {
  if (run_ == nullptr) return;
  const bool finished = run_->finished();
  pbProgress_->setValue(progressPercent(run_->sectorsReported(), run_->totalSectors()));
  if (finished) accept();
}

void ProgressDlg::keyPressEvent(QKeyEvent* event) {
  // Enter does nothing; Escape cancels.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) return;
  QDialog::keyPressEvent(event);
}

}  // namespace blankimg
