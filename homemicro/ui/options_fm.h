// TfmOptions: the settings dialog. Every change takes effect while it is typed; there is no
// cancel. Closing after the ROM name was edited sets PC to the start address.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "caption_dialog.h"

class QLabel;
class QLineEdit;
class QSpinBox;
class QToolButton;

class TfmOptions : public CaptionDialog {
  Q_OBJECT
 public:
  struct Settings {
    int32_t& EmulationSpeed;
    int32_t& RepaintCount;
    std::string& RomFileName;
    int32_t& StartAddress;
  };

  // softReset runs when the dialog closes after the ROM name was edited. The controls are
  // filled from `settings` here, once.
  TfmOptions(Settings settings, std::function<void()> softReset, QWidget* parent = nullptr);

  bool RomNameChanged = false;
  // Asks for a ROM file anywhere and gives the name to keep ("" when cancelled); the main
  // window supplies it (its file dialog, a bare name for a file in the start directory).
  std::function<QString()> chooseRomFile;

  static constexpr const char* kChooseRomHint = "Выбрать файл ПЗУ";

  QSpinBox* seSpeed = nullptr;
  QSpinBox* seRepaint = nullptr;
  QLineEdit* edROMName = nullptr;
  QToolButton* sbROMFile = nullptr;  // "...": the file dialog for the ROM image
  QLineEdit* edAddr = nullptr;
  QLabel* lbSpeedClock = nullptr;  // what the speed means in machine time

 protected:
  void showEvent(QShowEvent* event) override;
  void done(int result) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void edAddrChange(const QString& text);
  void sbROMFileClick();
  void ShowSpeedClock(int speed);

  Settings settings_;
  std::function<void()> softReset_;
};
