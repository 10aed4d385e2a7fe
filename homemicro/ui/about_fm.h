// TfmAbout: the About box, a text block and two links opened by the desktop's handler.
#pragma once

#include "caption_dialog.h"

class QLabel;

class TfmAbout : public CaptionDialog {
  Q_OBJECT
 public:
  explicit TfmAbout(QWidget* parent = nullptr);

  static const char* const kWebAddress;
  static const char* const kMailAddress;
  static const char* const kMailSubject;

  QLabel* lbText = nullptr;
  QLabel* lbWeb = nullptr;
  QLabel* lbMail = nullptr;

  // The address handed to the desktop for each link.
  static QString webTarget();
  static QString mailTarget();

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  void underline(QLabel* hovered);
};
