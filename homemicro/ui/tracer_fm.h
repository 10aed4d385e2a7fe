// TfmTracer: the debugger window shown while the machine is stopped. What its keys do and
// what its panes say is homemicro::TracerSession's; this window draws the panes' text, hands
// the keys on and runs the number box.
#pragma once

#include <QWidget>
#include <cstdint>

#include "homemicro/frontend/tracer_session.h"

class QFrame;
class QLabel;
class TfmInput;
class TfmMain;

class TfmTracer : public QWidget, private homemicro::TracerHost {
  Q_OBJECT
 public:
  // The classic client area; a pane font with larger metrics makes the window larger.
  static constexpr int kClientWidth = 569;
  static constexpr int kClientHeight = 219;

  TfmTracer(TfmMain& main, QWidget* parent);
  ~TfmTracer() override;
  void setInputBox(TfmInput* input) { fmInput_ = input; }

  homemicro::TracerSession& Session();

  QFrame *pAsm = nullptr, *pReg = nullptr, *pDump = nullptr, *Panel1 = nullptr;
  QLabel *lbAsm = nullptr, *lbReg = nullptr, *lbDump = nullptr, *Label1 = nullptr;

  // Rebuilds the three panes from the machine state.
  void UpdateAll();
  // Shown because the machine stopped (Stop, a break point, a stopped start).
  void ShowStopped();

  void FormKeyDown(uint16_t virtualKey, uint8_t shiftState);
  void FormKeyUp(uint16_t virtualKey, uint8_t shiftState);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // TracerHost
  homemicro::PromptAnswer AskNumber(std::string_view caption, uint16_t value) override;
  void PassKeyDown(uint16_t virtualKey, uint8_t shiftState) override;
  void PassKeyUp(uint16_t virtualKey, uint8_t shiftState) override;
  void ScreenChanged() override;
  void EmulationFailed(const std::string& message) override;

  void ShowPanes();
  void SetPanelColours();

  TfmMain& main_;
  TfmInput* fmInput_ = nullptr;
  bool inputOpen_ = false;
};
