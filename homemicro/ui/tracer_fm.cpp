#include "tracer_fm.h"

#include <algorithm>

#include <QApplication>
#include <QCloseEvent>
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
#include "input_fm.h"
#include "main_fm.h"

using namespace homemicro;

namespace {

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
  Session().SetHost(this);
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
  const int help = std::max(17, QFontMetrics(font()).lineSpacing() + margins);
  pAsm = MakePanel(this, "pAsm", QRect(0, 1, asmWidth, upper));
  pReg = MakePanel(this, "pReg", QRect(asmWidth + 1, 1, regWidth, upper));
  pDump = MakePanel(this, "pDump", QRect(0, upper + 2, width, dump));
  Panel1 = MakePanel(this, "Panel1", QRect(0, upper + dump + 3, width, help));
  setFixedSize(width, upper + dump + 3 + help);
  lbAsm = FillPanel(pAsm, "lbAsm", mono);
  lbReg = FillPanel(pReg, "lbReg", mono);
  lbDump = FillPanel(pDump, "lbDump", mono);
  Label1 = FillPanel(Panel1, "Label1", font());
  Label1->setText(QString::fromUtf8(kTracerHelpLine.data(), static_cast<qsizetype>(kTracerHelpLine.size())));
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

TfmTracer::~TfmTracer() {
  Session().SetHost(nullptr);
}

TracerSession& TfmTracer::Session() {
  return main_.Session().Tracer();
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
    Session().Leave();  // the user clicked the main window
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

void TfmTracer::UpdateAll() {
  Session().UpdateAll();
  ShowPanes();
}

void TfmTracer::ShowPanes() {
  const TracerPanes& panes = Session().Panes();
  lbAsm->setText(QString::fromStdString(panes.Listing));
  lbReg->setText(QString::fromStdString(panes.Registers));
  lbDump->setText(QString::fromStdString(panes.Dump));
}

// Losing the focus resumes nothing: window managers hand the focus about when a number box
// closes (to the main window, then back, in any order), and the machine must stay stopped
// then. Leaving is a click into the main window (eventFilter) or the close box.
void TfmTracer::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow() && isVisible()) UpdateAll();
}

void TfmTracer::closeEvent(QCloseEvent* event) {
  event->accept();
  Session().Leave();
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
  Session().KeyDown(key, shiftState);
  ShowPanes();
}

void TfmTracer::FormKeyUp(uint16_t key, uint8_t shiftState) {
  Session().KeyUp(key, shiftState);
  ShowPanes();
}

PromptAnswer TfmTracer::AskNumber(std::string_view caption, uint16_t value) {
  if (!fmInput_ || inputOpen_ || main_.ProgramEnding()) return {PromptAnswer::Kind::Refused, 0};
  fmInput_->InputValue = value;
  fmInput_->Tag = 0;
  fmInput_->setWindowTitle(QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())));
  inputOpen_ = true;
  fmInput_->exec();
  inputOpen_ = false;
  if (isVisible()) activateWindow();
  if (fmInput_->Tag < 0) return {PromptAnswer::Kind::Cancelled, 0};
  return {PromptAnswer::Kind::Answered, fmInput_->Tag};
}

void TfmTracer::PassKeyDown(uint16_t key, uint8_t shiftState) {
  main_.FormKeyDown(key, shiftState);
}

void TfmTracer::PassKeyUp(uint16_t key, uint8_t shiftState) {
  main_.FormKeyUp(key, shiftState);
}

void TfmTracer::ScreenChanged() {
  main_.UpdateScreen();
}

void TfmTracer::EmulationFailed(const std::string& message) {
  main_.ReportEmulationFailure(QString::fromStdString(message));
}
