// A frameless modal window that draws its own title: a bevelled strip across the top whose centred
// label `lbCaption` shows the window title. The strip also lets the user drag the window about.
#pragma once

#include <QDialog>
#include <QPoint>

class QLabel;
class QVBoxLayout;

class CaptionDialog : public QDialog {
  Q_OBJECT
 public:
  explicit CaptionDialog(QWidget* parent = nullptr);

  QLabel* lbCaption = nullptr;

 protected:
  // The layout under the caption strip, for the derived window's own controls.
  QVBoxLayout* body() const { return body_; }
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  // Centre on the screen of the parent (or the primary screen) before showing.
  void centreOnScreen();

 private:
  QVBoxLayout* body_ = nullptr;
  QPoint dragOffset_;
  bool dragging_ = false;
};
