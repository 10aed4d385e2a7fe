// TfmInput: the tracer's number entry box, octal or decimal.
#pragma once

#include <cstdint>

#include "caption_dialog.h"

class QLineEdit;

class TfmInput : public CaptionDialog {
  Q_OBJECT
 public:
  explicit TfmInput(QWidget* parent = nullptr);

  // In: the value shown (16 bits used in octal mode, 32 in decimal mode).
  int32_t InputValue = 0;
  // In: 0 selects octal entry, anything else decimal. Out: the number, or -1 when cancelled.
  int32_t Tag = 0;
  bool InputOctal = true;

  // The window the box is placed beside (278 right of and 24 below its top-left corner).
  void setAnchor(QWidget* anchor) { anchor_ = anchor; }

  QLineEdit* edNum = nullptr;
  QLabel* Label1 = nullptr;

  void accept() override;  // Enter
  void reject() override;  // Esc

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QWidget* anchor_ = nullptr;
};
