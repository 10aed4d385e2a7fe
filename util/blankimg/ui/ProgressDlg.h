// "Creating Disk Image...": the modal progress dialog of an image run, with a Cancel button.
// It follows the writer by reading its sector count on a timer, so the writer never waits for
// the user interface thread.
#pragma once

#include <QDialog>
#include <QTimer>

class QProgressBar;
class QPushButton;

namespace blankimg {

class ImageRun;

class ProgressDlg : public QDialog {
  Q_OBJECT
 public:
  explicit ProgressDlg(QWidget* parent = nullptr);

  // Shows the dialog modally until the run ends (Accepted) or the user cancels (Rejected).
  int follow(const ImageRun& run);

  QProgressBar* progressBar() const { return pbProgress_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private slots:
  void tmPollTimer();

 private:
  QProgressBar* pbProgress_;
  QPushButton* bbCancel_;
  QTimer tmPoll_;
  const ImageRun* run_ = nullptr;
};

}  // namespace blankimg
