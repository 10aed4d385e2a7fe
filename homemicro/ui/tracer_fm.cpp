#include "tracer_fm.h"

#include <algorithm>

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

#include "homemicro/frontend/qt_keys.h"
#include "homemicro/frontend/run_loop.h"
#include "input_fm.h"
#include "main_fm.h"

using namespace homemicro;

namespace {

const char* const kRegisterNames[] = {"R0", "R1", "R2", "R3", "R4", "R5", "SP", "PC"};
const char* const kHelpLine =
    "0..7 - registers; N,Z,V,C - flags; D - dump; G - go to; F7 - trace into; F8 - step over; F9 - skip";

// "Courier New" when it is installed, else the system's fixed-pitch font, so the columns stay
// aligned whatever the desktop has.
QFont PaneFont() {
  QFont wanted("Courier New", 8);
  wanted.setStyleHint(QFont::TypeWriter);
  wanted.setFixedPitch(true);
  const QFontInfo got(wanted);
  if (got.family() == wanted.family() && got.fixedPitch()) return wanted;
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  fixed.setPointSize(8);
  return fixed;
}

QFrame* MakePanel(QWidget* parent, const char* name, QRect geometry) {
  auto* panel = new QFrame(parent);
  panel->setObjectName(name);
  panel->setGeometry(geometry);
  panel->setFrameShape(QFrame::Panel);
  panel->setFrameShadow(QFrame::Sunken);
  panel->setAutoFillBackground(true);
  return panel;
}

QLabel* FillPanel(QFrame* panel, const char* name, const QFont& font) {
  auto* label = new QLabel(panel);
  label->setObjectName(name);
  label->setFont(font);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  auto* layout = new QVBoxLayout(panel);
  layout->setContentsMargins(3, 1, 3, 1);
  layout->addWidget(label);
  return label;
}

}  // namespace

TfmTracer::TfmTracer(TfmMain& main, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      main_(main) {
  setObjectName("fmTracer");
  setWindowTitle("Tracer");
  setFont(QFont("MS Sans Serif", 8));
  const QFont mono = PaneFont();
  // The panes hold nine listing lines, nine register lines and four dump lines of the font
  // actually used; the classic sizes are the least they get.
  const QFontMetrics metrics(mono);
  const int line = metrics.lineSpacing();
  const int margins = 2 * 1 + 2 * 2;                     // layout margins and the panel's frame
  const int upper = std::max(134, 10 * line + margins);  // nine lines and the last line end
  const int regWidth = std::max(79, metrics.horizontalAdvance("PS: T NZVC") + 6 + 4);
  const int listingWidth = std::max(489, metrics.horizontalAdvance(QString(52, QChar('0'))) + 10);
  // A dump line: address, eight words and sixteen characters, 80 in all.
  const int dumpWidth = metrics.horizontalAdvance(QString(80, QChar('0'))) + 10;
  const int asmWidth = std::max(listingWidth, dumpWidth - 1 - regWidth);
  const int width = asmWidth + 1 + regWidth;
  const int dump = std::max(65, 5 * line + margins);
  const int help = std::max(17, QFontMetrics(font()).lineSpacing() + 2);
  pAsm = MakePanel(this, "pAsm", QRect(0, 1, asmWidth, upper));
  pReg = MakePanel(this, "pReg", QRect(asmWidth + 1, 1, regWidth, upper));
  pDump = MakePanel(this, "pDump", QRect(0, upper + 2, width, dump));
  Panel1 = MakePanel(this, "Panel1", QRect(0, upper + dump + 3, width, help));
  setFixedSize(width, upper + dump + 3 + help);
  lbAsm = FillPanel(pAsm, "lbAsm", mono);
  lbReg = FillPanel(pReg, "lbReg", mono);
  lbDump = FillPanel(pDump, "lbDump", mono);
  Label1 = FillPanel(Panel1, "Label1", font());
  Label1->setText(kHelpLine);
  Label1->setEnabled(false);
  for (QFrame* panel : {pAsm, pReg, pDump}) {
    panel->setFocusPolicy(Qt::StrongFocus);
    panel->installEventFilter(this);
  }
  for (QLabel* label : {lbAsm, lbReg, lbDump}) label->installEventFilter(this);
  qApp->installEventFilter(this);  // clicks into the main window leave the tracer
  setTabOrder(pAsm, pReg);
  setTabOrder(pReg, pDump);
  SetPanelColours();

  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - QPoint(this->width() / 2, height() / 2));
}

void TfmTracer::SetPanelColours() {
  for (QFrame* panel : {pAsm, pReg, pDump}) {
    QPalette colours = panel->palette();
    colours.setColor(QPalette::Window,
                     QApplication::palette().color(panel->hasFocus() ? QPalette::Base : QPalette::Button));
    panel->setPalette(colours);
  }
}

bool TfmTracer::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress && watched->isWidgetType() && isVisible() &&
      static_cast<QWidget*>(watched)->window() == &main_ && !QApplication::activeModalWidget()) {
    FormDeactivate();  // the user clicked the main window
    return false;
  }
  if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
    SetPanelColours();
  } else if (event->type() == QEvent::MouseButtonPress) {
    if (watched == lbAsm) pAsm->setFocus();
    if (watched == lbReg) pReg->setFocus();
    if (watched == lbDump) pDump->setFocus();
  }
  return QWidget::eventFilter(watched, event);
}

void TfmTracer::ShowStopped() {
  show();
  raise();
  activateWindow();
  if (!pAsm->hasFocus() && !pReg->hasFocus() && !pDump->hasFocus()) pAsm->setFocus();
  UpdateAll();
}

void TfmTracer::ShowStopped(uint16_t lastPc) {
  LastPc = lastPc;
  ShowStopped();
}

void TfmTracer::hideQuietly() {
  quietHide_ = true;
  hide();
  quietHide_ = false;
}

void TfmTracer::FormDeactivate() {
  if (Stepping || inputOpen_) return;
  if (main_.Session().State().RunTimerEnabled) return;  // already running: nothing to resume
  main_.sbPlayClick();
}

// Losing the focus alone resumes nothing: window managers hand the focus about when a number
// box closes (to the main window, then back, in any order), and the machine must stay stopped
// then. Leaving is a click into the main window (eventFilter) or closing the tracer.
void TfmTracer::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) UpdateAll();  // FormActivate
}

void TfmTracer::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  if (!quietHide_) FormDeactivate();
}

void TfmTracer::keyPressEvent(QKeyEvent* event) {
  const int modifiers = static_cast<int>(event->modifiers());
  const uint16_t key = QtKeyToVirtualKey(event->key(), modifiers);
  if (key == 0) return;
  FormKeyDown(key, QtModifiersToShiftState(event->key(), modifiers));
}

void TfmTracer::keyReleaseEvent(QKeyEvent* event) {
  if (event->isAutoRepeat()) return;
  const int modifiers = static_cast<int>(event->modifiers());
  FormKeyUp(QtKeyToVirtualKey(event->key(), modifiers), QtModifiersToShiftState(event->key(), modifiers));
}

void TfmTracer::FormKeyDown(uint16_t key, uint8_t shiftState) {
  MachineState& state = main_.Session().GetMachine().State();
  if (key == vk::Space || key == vk::F7) {
    TraceInto();
  } else if (key == vk::F8) {
    LastPc = state.R[kPC];
    RunTo(NextPc);
  } else if (key == vk::F9) {
    LastPc = state.R[kPC];
    main_.Session().GetMachine().WriteWord(RegisterAddress(kPC), NextPc);
    UpdateAll();
  } else if (key == 'G') {
    const int32_t address = AskNumber("Enter address of BreakPoint", NextPc);
    if (address < 0) return;
    LastPc = state.R[kPC];
    RunTo(static_cast<uint16_t>(address));
  } else if (key == 'D') {
    const int32_t address = AskNumber("Enter dump address", DumpAddress);
    if (address < 0) return;
    DumpAddress = static_cast<uint16_t>(address);
    UpdateAll();
  } else if (key >= '0' && key <= '7') {
    EditRegister(key - '0');
  } else if (key == 'N' || key == 'Z' || key == 'V' || key == 'C') {
    ToggleFlag(key == 'N' ? state.FlagN : key == 'Z' ? state.FlagZ : key == 'V' ? state.FlagV : state.FlagC);
  } else {
    main_.FormKeyDown(key, shiftState);
    UpdateAll();
  }
}

void TfmTracer::FormKeyUp(uint16_t key, uint8_t shiftState) {
  switch (key) {
    case vk::Space:
    case '0':
    case '1':
    case '2':
    case '3':
    case '4':
    case '5':
    case '6':
    case '7':
    case 'C':
    case 'D':
    case 'G':
    case 'N':
    case 'S':
    case 'V':
    case 'Z':
    case vk::F7:
    case vk::F8:
    case vk::F9:
      return;
    default:
      main_.FormKeyUp(key, shiftState);
      UpdateAll();
  }
}

void TfmTracer::TraceInto() {
  // The window stays up while the one instruction runs: Stepping keeps the focus changes of
  // any dialog the instruction opens (the tape call) from resuming the machine.
  Machine& machine = main_.Session().GetMachine();
  LastPc = machine.State().R[kPC];
  Stepping = true;
  try {
    machine.Step();
  } catch (...) {
    Stepping = false;
    main_.ReportEmulationFailure(QString::fromStdString(RegisterDumpMessage(machine.State())));
    return;
  }
  // The tape call starts the run timer after its dialog; a single step leaves the machine
  // stopped all the same.
  if (main_.Session().State().RunTimerEnabled) main_.Session().BeginModal();
  main_.UpdateScreen();
  Stepping = false;
  UpdateAll();
}

void TfmTracer::RunTo(uint16_t breakAddress) {
  // Leaving presses Play (clearing the break point), then the tracer sets its own.
  hideQuietly();
  main_.sbPlayClick();
  main_.Session().State().BreakAddress = breakAddress;
}

int32_t TfmTracer::AskNumber(const QString& caption, int32_t value) {
  fmInput_->InputValue = value;
  fmInput_->Tag = 0;
  fmInput_->setWindowTitle(caption);
  inputOpen_ = true;
  fmInput_->exec();
  inputOpen_ = false;
  activateWindow();
  return fmInput_->Tag;
}

void TfmTracer::EditRegister(int n) {
  Machine& machine = main_.Session().GetMachine();
  int32_t value =
      AskNumber(QString("Enter value for ") + kRegisterNames[n], machine.ReadWord(RegisterAddress(n)));
  if (value < 0) return;
  if ((n == kSP || n == kPC) && (value & 1)) value -= 1;
  machine.WriteWord(RegisterAddress(n), static_cast<uint16_t>(value));
  UpdateAll();
}

void TfmTracer::ToggleFlag(uint8_t& flag) {
  flag = flag == 1 ? 0 : 1;
  UpdateAll();
}
