// TfmTracer: the debugger window shown while the machine is stopped: registers, a memory dump
// and a listing around PC, single step, step over, skip, go to, register and flag editing.
#pragma once

#include <QWidget>
#include <cstdint>

class QFrame;
class QLabel;
class TfmInput;
class TfmMain;

class TfmTracer : public QWidget {
  Q_OBJECT
 public:
  // The classic client area; a pane font with larger metrics makes the window larger.
  static constexpr int kClientWidth = 569;
  static constexpr int kClientHeight = 219;

  TfmTracer(TfmMain& main, QWidget* parent);
  void setInputBox(TfmInput* input) { fmInput_ = input; }

  uint16_t DumpAddress = 0700;
  uint16_t LastPc = 0;
  uint16_t NextPc = 0;
  bool Stepping = false;

  QFrame *pAsm = nullptr, *pReg = nullptr, *pDump = nullptr, *Panel1 = nullptr;
  QLabel *lbAsm = nullptr, *lbReg = nullptr, *lbDump = nullptr, *Label1 = nullptr;

  // Rebuilds the three panes from the machine state.
  void UpdateAll();
  // Shown because the machine stopped: at a break point, or by Stop with LastPc given.
  void ShowStopped();
  void ShowStopped(uint16_t lastPc);
  // Hidden by the main window itself (Play, close): leaving this way presses nothing.
  void hideQuietly();

  void FormKeyDown(uint16_t virtualKey, uint8_t shiftState);
  void FormKeyUp(uint16_t virtualKey, uint8_t shiftState);
  // Leaving the tracer while the machine is stopped presses Play.
  void FormDeactivate();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QString RegisterText();
  QString DumpText();
  QString ListingText();
  void TraceInto();
  void RunTo(uint16_t breakAddress);
  // Runs the number box; the number, or a negative value when cancelled.
  int32_t AskNumber(const QString& caption, int32_t value);
  void EditRegister(int n);
  void ToggleFlag(uint8_t& flag);
  void SetPanelColours();

  TfmMain& main_;
  TfmInput* fmInput_ = nullptr;
  bool inputOpen_ = false;
  bool quietHide_ = false;
};
