// The tracer window over a stopped machine: its three panes, stepping, skipping, running to a
// break point, the number prompts, the flag keys, and leaving it.
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "homemicro/frontend/virtual_keys.h"
#include "input_fm.h"
#include "options_fm.h"
#include "tracer_fm.h"
#include "ui_test_support.h"

using namespace homemicro;

namespace {

QStringList Lines(QLabel* label) {
  return label->text().split('\n', Qt::SkipEmptyParts);
}

// Types `text` and Enter into the next number box, or Esc when `text` is empty; keeps the box's
// caption and the number it showed.
struct Prompt {
  QString caption;
  QString shown;
};

std::shared_ptr<Prompt> AnswerNumber(const QString& text) {
  auto prompt = std::make_shared<Prompt>();
  WhenModal<TfmInput>([prompt, text](TfmInput* box) {
    prompt->caption = box->lbCaption->text();
    prompt->shown = box->edNum->text();
    if (text.isEmpty()) {
      QTest::keyClick(box->edNum, Qt::Key_Escape);
    } else {
      QTest::keyClicks(box->edNum, text);
      QTest::keyClick(box->edNum, Qt::Key_Return);
    }
  });
  return prompt;
}

void Poke(Machine& machine, uint16_t address, std::initializer_list<uint16_t> words) {
  for (uint16_t w : words) {
    machine.PokeWord(address, w);
    address = static_cast<uint16_t>(address + 2);
  }
}

// A machine stopped with F11 at `pc` and the tracer up.
struct StoppedAt : StartedMain {
  explicit StoppedAt(uint16_t pcValue) {
    window->show();
    machine().State().R[kPC] = static_cast<uint16_t>(pcValue + 2);  // Stop shows PC - 2 first
    window->FormKeyDown(vk::F11, 0);
    machine().State().R[kPC] = pcValue;
    tracer().Session().LastPc = static_cast<uint16_t>(pcValue - 2);
    tracer().UpdateAll();
  }
  TfmTracer& tracer() { return *window->fmTracer; }
  // Puts words into memory and refreshes the panes, as the user sees them before a key.
  void load(uint16_t address, std::initializer_list<uint16_t> words) {
    Poke(machine(), address, words);
    tracer().UpdateAll();
  }
  void key(Qt::Key k) { QTest::keyClick(&tracer(), k); }
};

}  // namespace

class TracerTest : public QObject {
  Q_OBJECT
 private slots:
  void windowLayout();
  void stopShowsLastInstructionThenPc();
  void takenMarkOnlyAtPc();
  void registerPaneShowsStatusLetters();
  void dumpStartsAt700AndWrapsAfterD();
  void registerPrompts_data();
  void registerPrompts();
  void cancelledPromptsChangeNothing();
  void spaceRunsOneInstruction();
  void singleStepOfTapeCallKeepsTheMachineStopped();
  void f9SkipsACallWithoutRunningIt();
  void f8RunsAWholeLoop();
  void goToRunsToTheAddressTyped();
  void otherKeysGoToTheMainWindow();
  void leavingTheTracerResumes();
  void buttonsTimerAndTracerFollowTheRunState();
};

void TracerTest::windowLayout() {
  StoppedAt m(01000);
  TfmTracer& t = m.tracer();
  QCOMPARE(t.windowTitle(), QString("Tracer"));
  QVERIFY(t.windowFlags() & Qt::WindowStaysOnTopHint);
  // The classic layout, grown to the pane font actually used so that every line shows whole.
  QVERIFY(t.width() >= 569 && t.height() >= 219);
  QVERIFY(t.pAsm->width() >= 489 && t.pAsm->height() >= 134);
  QCOMPARE(t.pReg->geometry().left(), t.pAsm->geometry().right() + 2);
  QCOMPARE(t.pReg->height(), t.pAsm->height());
  QCOMPARE(t.pDump->geometry().top(), t.pAsm->geometry().bottom() + 2);
  QCOMPARE(t.Panel1->geometry().top(), t.pDump->geometry().bottom() + 2);
  QCOMPARE(t.Panel1->geometry().bottom(), t.height() - 1);
  QCOMPARE(t.pReg->geometry().right(), t.width() - 1);
  t.show();
  for (QLabel* pane : {t.lbAsm, t.lbReg, t.lbDump, t.Label1}) {
    const QSize needed = pane->sizeHint();
    QVERIFY2(needed.height() <= pane->height() && needed.width() <= pane->width(),
             qPrintable(QString("%1 is cut off: needs %2x%3, has %4x%5")
                            .arg(pane->objectName())
                            .arg(needed.width())
                            .arg(needed.height())
                            .arg(pane->width())
                            .arg(pane->height())));
  }
  QCOMPARE(t.lbAsm->text().count('\n') + (t.lbAsm->text().endsWith('\n') ? 0 : 1), 9);
  QVERIFY(t.lbReg->text().contains("PS: "));
  QVERIFY(!t.Label1->isEnabled());
  // The focused pane is lit, the others are not; a click on a label moves the focus.
  t.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&t));
  QTest::mouseClick(t.lbDump, Qt::LeftButton);
  QVERIFY(t.pDump->hasFocus());
  QVERIFY(t.pDump->palette().color(QPalette::Window) != t.pAsm->palette().color(QPalette::Window));
  QCOMPARE(t.pAsm->palette().color(QPalette::Window), t.pReg->palette().color(QPalette::Window));
}

void TracerTest::stopShowsLastInstructionThenPc() {
  StartedMain m;
  m.window->show();
  Poke(m.machine(), 0776, {000240, 012737, 000001, 001000, 005000});
  m.machine().State().R[kPC] = 01000;
  m.window->sbStop->click();
  TfmTracer& t = *m.window->fmTracer;
  QVERIFY(t.isVisible());
  QVERIFY(!m.window->tmProcessor->isActive());
  const QStringList lines = Lines(t.lbAsm);
  QCOMPARE(lines.size(), 9);
  QCOMPARE(lines[0], QString("000776)    NOP"));
  QCOMPARE(lines[1], QString("001000) -> MOV #1,@#1000"));
  QCOMPARE(lines[2], QString("001006)    CLR R0"));
  QCOMPARE(t.Session().NextPc, 01006);
}

void TracerTest::takenMarkOnlyAtPc() {
  StoppedAt m(01000);
  m.machine().State().FlagZ = 1;
  m.load(0776, {001404, 001404, 001404});
  const QStringList lines = Lines(m.tracer().lbAsm);
  QCOMPARE(lines[0], QString("000776)    BEQ 1010"));
  QCOMPARE(lines[1], QString("001000) -> BEQ 1012            TRUE"));
  QCOMPARE(lines[2], QString("001002)    BEQ 1014"));
  m.key(Qt::Key_Z);  // Z clear: the branch is not taken
  QCOMPARE(Lines(m.tracer().lbAsm)[1], QString("001000) -> BEQ 1012"));
}

void TracerTest::registerPaneShowsStatusLetters() {
  StoppedAt m(01000);
  MachineState& s = m.machine().State();
  s.FlagN = s.FlagZ = s.FlagV = s.FlagC = 0;
  s.R[0] = 0177777;
  s.R[5] = 7;
  m.key(Qt::Key_Z);
  m.key(Qt::Key_C);
  QStringList lines = Lines(m.tracer().lbReg);
  QCOMPARE(lines.size(), 9);
  QCOMPARE(lines[0], QString("R0: 177777"));
  QCOMPARE(lines[5], QString("R5: 000007"));
  QCOMPARE(lines[6], QString("SP: 001000"));
  QCOMPARE(lines[7], QString("PC: 001000"));
  QCOMPARE(lines[8], QString("PS: - -Z-C"));
  QCOMPARE(int(s.FlagZ), 1);
  s.FlagN = 5;  // any value but 1 toggles to 1
  s.TraceTrapPending = 1;
  m.key(Qt::Key_N);
  m.key(Qt::Key_V);
  m.key(Qt::Key_C);
  QCOMPARE(Lines(m.tracer().lbReg)[8], QString("PS: T NZV-"));
  QCOMPARE(int(s.FlagN), 1);
}

void TracerTest::dumpStartsAt700AndWrapsAfterD() {
  StoppedAt m(01000);
  Poke(m.machine(), 0700, {0x4241, 0x0120});
  m.tracer().UpdateAll();
  QStringList lines = Lines(m.tracer().lbDump);
  QCOMPARE(lines.size(), 4);
  QCOMPARE(lines[0],
           QString("000700) 041101 000440 000401 000401 000401 000401 000401 000401 AB ............."));
  QVERIFY(lines[3].startsWith("000760) "));

  auto prompt = AnswerNumber("177760");
  m.key(Qt::Key_D);
  QCOMPARE(prompt->caption, QString("Enter dump address"));
  QCOMPARE(prompt->shown, QString("700"));
  QCOMPARE(m.tracer().Session().DumpAddress, 0177760);
  lines = Lines(m.tracer().lbDump);
  QVERIFY(lines[0].startsWith("177760) "));
  QVERIFY(lines[1].startsWith("000000) "));
  QVERIFY(lines[3].startsWith("000040) "));
}

void TracerTest::registerPrompts_data() {
  QTest::addColumn<int>("key");
  QTest::addColumn<QString>("caption");
  QTest::addColumn<QString>("shown");
  QTest::addColumn<QString>("typed");
  QTest::addColumn<int>("reg");
  QTest::addColumn<int>("stored");
  QTest::newRow("PC made even") << int(Qt::Key_7) << "Enter value for PC"
                                << "1000"
                                << "1001" << 7 << 01000;
  QTest::newRow("R0 kept odd") << int(Qt::Key_0) << "Enter value for R0"
                               << "0"
                               << "1001" << 0 << 01001;
  QTest::newRow("SP made even") << int(Qt::Key_6) << "Enter value for SP"
                                << "1000"
                                << "777" << 6 << 0776;
  QTest::newRow("R5 low 16 bits") << int(Qt::Key_5) << "Enter value for R5"
                                  << "0"
                                  << "200003" << 5 << 3;
}

void TracerTest::registerPrompts() {
  QFETCH(int, key);
  QFETCH(QString, caption);
  QFETCH(QString, shown);
  QFETCH(QString, typed);
  QFETCH(int, reg);
  QFETCH(int, stored);
  StoppedAt m(01000);
  auto prompt = AnswerNumber(typed);
  m.key(Qt::Key(key));
  QCOMPARE(prompt->caption, caption);
  QCOMPARE(prompt->shown, shown);
  QCOMPARE(int(m.machine().State().R[static_cast<size_t>(reg)]), stored);
  QCOMPARE(Lines(m.tracer().lbReg)[reg],
           QString("%1: %2").arg(caption.right(2)).arg(stored, 6, 8, QChar('0')));
  QVERIFY(!m.window->tmProcessor->isActive());
  QVERIFY(m.tracer().isVisible());
}

void TracerTest::cancelledPromptsChangeNothing() {
  StoppedAt m(01000);
  const MachineState before = m.machine().State();
  const uint16_t dump = m.tracer().Session().DumpAddress;
  for (Qt::Key k : {Qt::Key_G, Qt::Key_D, Qt::Key_3, Qt::Key_7}) {
    auto prompt = AnswerNumber(QString());
    m.key(k);
    QVERIFY(!prompt->caption.isEmpty());
  }
  QCOMPARE(m.machine().State().R, before.R);
  QCOMPARE(m.tracer().Session().DumpAddress, dump);
  QCOMPARE(m.window->Session().State().BreakAddress, 0177600);
  QVERIFY(!m.window->tmProcessor->isActive());
  QVERIFY(m.tracer().isVisible());
}

void TracerTest::spaceRunsOneInstruction() {
  StoppedAt m(01000);
  m.load(01000, {012700, 5, 005300});
  m.key(Qt::Key_Space);
  QCOMPARE(m.machine().State().R[0], 5);
  QCOMPARE(m.pc(), 01004);
  QCOMPARE(m.tracer().Session().LastPc, 01000);
  QCOMPARE(Lines(m.tracer().lbAsm)[0], QString("001000)    MOV #5,R0"));
  QTest::keyClick(&m.tracer(), Qt::Key_F7);
  QCOMPARE(m.machine().State().R[0], 4);
  QVERIFY(m.tracer().isVisible());
  QVERIFY(!m.window->tmProcessor->isActive());
}

void TracerTest::singleStepOfTapeCallKeepsTheMachineStopped() {
  // The tape call starts the run timer again after its dialog; a single step must not let the
  // machine run off with the tracer still showing.
  StoppedAt m(01000);
  m.load(02000, {3, 0, 0, 0x2020, 0x2020, 0x2020, 0x2020, 0x2020, 0x2020, 0x2020, 0x2020});
  m.machine().State().R[1] = 02000;
  m.load(01000, {0104036, 000240});
  bool asked = false;
  m.window->fileChooser = [&](const FileRequest&) {
    asked = true;
    return QString();  // cancelled
  };
  m.key(Qt::Key_Space);
  QVERIFY(asked);
  QCOMPARE(m.pc(), 01002);
  QCOMPARE(m.machine().PeekByte(02001), 2);  // answer: cancelled
  QVERIFY(!m.window->tmProcessor->isActive());
  QVERIFY(!m.window->Session().State().Run.TimerEnabled());
  QVERIFY(m.tracer().isVisible());
}

void TracerTest::f9SkipsACallWithoutRunningIt() {
  StoppedAt m(01000);
  m.load(01000, {004767, 000010, 000240});
  const uint16_t sp = m.machine().State().R[kSP];
  QTest::keyClick(&m.tracer(), Qt::Key_F9);
  QCOMPARE(m.pc(), 01004);
  QCOMPARE(m.machine().State().R[kSP], sp);
  QCOMPARE(m.tracer().Session().LastPc, 01000);
  QVERIFY(!m.window->tmProcessor->isActive());
}

void TracerTest::f8RunsAWholeLoop() {
  StoppedAt m(01006);
  m.machine().State().R[0] = 5;
  m.load(01000, {012700, 5, 005300, 001376, 000777});
  QTest::keyClick(&m.tracer(), Qt::Key_F8);
  QVERIFY(!m.tracer().isVisible());
  QVERIFY(m.window->tmProcessor->isActive());
  QCOMPARE(m.window->Session().State().BreakAddress, 01010);
  m.window->tmProcessorTimer();
  QVERIFY(m.tracer().isVisible());
  QVERIFY(!m.window->tmProcessor->isActive());
  QCOMPARE(m.pc(), 01010);
  QCOMPARE(m.machine().State().R[0], 0);
  QCOMPARE(m.tracer().Session().LastPc, 01006);
  QCOMPARE(Lines(m.tracer().lbAsm)[1], QString("001010) -> BR 1010            TRUE"));
}

void TracerTest::goToRunsToTheAddressTyped() {
  StoppedAt m(01000);
  m.load(01020, {000777});
  m.load(01000, {005200, 000137, 001020});
  auto prompt = AnswerNumber("1020");
  m.key(Qt::Key_G);
  QCOMPARE(prompt->caption, QString("Enter address of BreakPoint"));
  QCOMPARE(prompt->shown, QString("1002"));  // NextPc is offered
  QCOMPARE(m.window->Session().State().BreakAddress, 01020);
  m.window->tmProcessorTimer();
  QCOMPARE(m.pc(), 01020);
  QCOMPARE(m.machine().State().R[0], 1);
  QVERIFY(m.tracer().isVisible());
}

void TracerTest::otherKeysGoToTheMainWindow() {
  StoppedAt m(01000);
  QTest::keyPress(&m.tracer(), Qt::Key_A);
  QVERIFY(m.window->Session().Settings().KeyHeld);
  QVERIFY(m.window->Session().Settings().KeyPending);
  QTest::keyRelease(&m.tracer(), Qt::Key_S);  // dropped
  QVERIFY(m.window->Session().Settings().KeyHeld);
  QTest::keyRelease(&m.tracer(), Qt::Key_A);
  QVERIFY(!m.window->Session().Settings().KeyHeld);
  m.window->fmOptions->edAddr->setText("2000");
  QTest::keyClick(&m.tracer(), Qt::Key_F12);  // soft reset, the panes follow
  QCOMPARE(Lines(m.tracer().lbReg)[7], QString("PC: 002000"));
  QTest::keyClick(&m.tracer(), Qt::Key_F11);  // Play
  QVERIFY(m.window->tmProcessor->isActive());
  QVERIFY(!m.tracer().isVisible());
}

void TracerTest::leavingTheTracerResumes() {
  StoppedAt m(01000);
  m.window->Session().State().BreakAddress = 01234;
  m.tracer().close();  // the close box
  QVERIFY(m.window->tmProcessor->isActive());
  QVERIFY(m.window->sbPlay->isChecked());
  QCOMPARE(m.window->Session().State().BreakAddress, 0177600);

  m.window->FormKeyDown(vk::F11, 0);
  QVERIFY(m.tracer().isVisible());
  // The focus moving to the main window, as window managers do after a number box, is no leave.
  m.window->activateWindow();
  QCoreApplication::sendEvent(&m.tracer(), new QEvent(QEvent::ActivationChange));
  QVERIFY(!m.window->tmProcessor->isActive());
  QVERIFY(m.tracer().isVisible());
  // A click into the main window is.
  QTest::mouseClick(m.window->pnTools, Qt::LeftButton, {}, QPoint(300, 5));
  QVERIFY(m.window->tmProcessor->isActive());
  QVERIFY(!m.tracer().isVisible());
}

// The paths where the buttons, the timer and the tracer used to drift apart.
void TracerTest::buttonsTimerAndTracerFollowTheRunState() {
  StartedMain m;
  TfmMain& w = *m.window;
  w.show();
  const auto agree = [&w](bool running, const char* path) {
    QVERIFY2(w.tmProcessor->isActive() == running, path);
    QVERIFY2(w.sbPlay->isChecked() == running && w.sbStop->isChecked() == !running, path);
    QVERIFY2(w.fmTracer->isVisible() == !running, path);
  };
  // A break point in a tick.
  w.Session().State().BreakAddress = m.pc();
  w.tmProcessorTimer();
  agree(false, "break point");
  // A dialog opened from the tracer hides it while open, and the machine runs afterwards.
  bool hiddenDuringDialog = false;
  WhenModal<QDialog>([&](QDialog* about) {
    hiddenDuringDialog = !w.fmTracer->isVisible() && !w.tmProcessor->isActive();
    about->reject();
  });
  QTest::keyClick(w.fmTracer, Qt::Key_F1);
  QVERIFY(hiddenDuringDialog);
  agree(true, "after the About box");
  // A hard reset that finds no ROM file, and no kit ROM to stand in.
  QFile::remove(m.dir.filePath("homemicro.rom"));
  w.Session().SetKitRom(std::nullopt);
  auto message = AnswerMessage();
  w.FormKeyDown(vk::F12, kCtrlBit);
  QVERIFY(message->seen);
  agree(false, "hard reset without ROM");
  QCOMPARE(w.fmTracer->Session().Panes().Registers.substr(0, 4), std::string("R0: "));
}

QTEST_MAIN(TracerTest)
#include "tracer_test.moc"
