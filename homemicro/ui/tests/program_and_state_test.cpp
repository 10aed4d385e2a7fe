// One step to a running program and snapshots of the whole machine, through the window: the
// command line, a dropped file, the menu command, F2 and F3; the screen shows the result.
#include <QMimeData>
#include <QTest>
#include <QToolButton>
#include <QUrl>

#include "homemicro/frontend/machine_snapshot.h"
#include "homemicro/frontend/tape_program.h"
#include "homemicro/frontend/virtual_keys.h"
#include "screen_box.h"
#include "ui_support.h"
#include "ui_test_support.h"

using namespace homemicro;

namespace {

// A tape file at 01000 whose program fills the first screen line with white, then waits.
QByteArray ScreenLineTape() {
  const std::initializer_list<uint16_t> words = {
      01000,   16,       // address, length
      0012700, 0040000,  // MOV #40000,R0
      0012701, 0000040,  // MOV #32.,R1
      0012720, 0177777,  // 1$: MOV #177777,(R0)+
      0077103,           // SOB R1,1$
      0000777,           // BR .
  };
  QByteArray bytes;
  for (uint16_t w : words) bytes.append(static_cast<char>(w & 0xFF)).append(static_cast<char>(w >> 8));
  return bytes;
}

bool FirstLineWhite(TfmMain& w) {
  for (int x = 0; x < 512; x += 37)
    if (w.Session().GetDisplay().PicturePixel(x, 0) != 255) return false;
  return true;
}

void RunTicks(TfmMain& w, int ticks) {
  for (int i = 0; i < ticks; ++i) w.tmProcessorTimer();
}

void Drop(TfmMain& w, const QString& path) {
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(path)});
  QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&w, &enter);
  QVERIFY(enter.isAccepted());
  QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&w, &drop);
}

}  // namespace

class ProgramAndStateTest : public QObject {
  Q_OBJECT
 private slots:
  void commandLineProgramStartsAfterTheMonitor();
  void menuCommandAndDropStartAProgram();
  void notATapeFileIsRefused();
  void f2SavesAndF3LoadsTheWholeMachine();
};

void ProgramAndStateTest::commandLineProgramStartsAfterTheMonitor() {
  StartedMain m;
  TfmMain& w = *m.window;
  WriteFile(m.dir.filePath("line.bin"), ScreenLineTape());
  QDir::setCurrent(m.dir.path());
  w.OpenCommandLine({"line.bin"});  // relative to the folder the program starts in
  RunTicks(w, TfmMain::kProgramStartTicks);
  QVERIFY(!FirstLineWhite(w));
  QVERIFY(m.pc() >= 0100000);  // the ROM still runs
  RunTicks(w, 2);
  QVERIFY(FirstLineWhite(w));
  QCOMPARE(m.machine().PeekWord(0264), 01000);
}

void ProgramAndStateTest::menuCommandAndDropStartAProgram() {
  StartedMain m;
  TfmMain& w = *m.window;
  const QString path = m.dir.filePath("line.bin");
  WriteFile(path, ScreenLineTape());
  FileRequest asked;
  w.fileChooser = [&](const FileRequest& request) {
    asked = request;
    return path;
  };
  w.sbStopClick();  // the program runs whatever the state before
  w.sbLoadProgramClick();
  QCOMPARE(asked.title, FromView(kLoadProgramTitle));
  QCOMPARE(asked.filter, QString("Программы БК (*.bin);;Все файлы (*.*)"));
  QVERIFY(w.Session().State().Run.TimerEnabled());
  QVERIFY(w.sbPlay->isChecked());
  RunTicks(w, 1);
  QVERIFY(FirstLineWhite(w));

  w.Session().HardReset();
  RunTicks(w, 1);
  QVERIFY(!FirstLineWhite(w));
  Drop(w, path);
  RunTicks(w, 1);
  QVERIFY(FirstLineWhite(w));
}

void ProgramAndStateTest::notATapeFileIsRefused() {
  StartedMain m;
  TfmMain& w = *m.window;
  const QString path = m.dir.filePath("notes.txt");
  WriteFile(path, "just some text\n");
  const uint16_t pc = m.pc();
  auto refused = AnswerMessage();
  Drop(w, path);
  QVERIFY(refused->seen);
  QCOMPARE(refused->icon, QMessageBox::Critical);
  QCOMPARE(refused->caption, QString("Emul"));
  QVERIFY2(refused->text.startsWith(FromView(kNotTapeFileMessage)), qPrintable(refused->text));
  QCOMPARE(m.pc(), pc);
}

void ProgramAndStateTest::f2SavesAndF3LoadsTheWholeMachine() {
  StartedMain m;
  TfmMain& w = *m.window;
  const QString path = m.dir.filePath("machine.bks");
  w.fileChooser = [&](const FileRequest&) { return path; };
  WriteFile(m.dir.filePath("line.bin"), ScreenLineTape());
  w.LoadProgramFile(m.dir.filePath("line.bin"));
  RunTicks(w, 1);
  const auto saved = std::make_unique<MachineState>(m.machine().State());
  auto done = AnswerMessage();
  w.FormKeyDown(vk::F2, 0);
  QCOMPARE(done->text, FromView(kSnapshotSavedMessage));

  w.Session().HardReset();
  RunTicks(w, 1);
  QVERIFY(!FirstLineWhite(w));
  w.FormKeyDown(vk::F3, 0);
  QVERIFY(FirstLineWhite(w));
  QVERIFY(memcmp(saved.get(), &m.machine().State(), sizeof(MachineState)) == 0);

  // A damaged file: the message, and the machine as it was.
  QByteArray bytes = ReadFile(path);
  bytes[3000] = static_cast<char>(bytes[3000] ^ 1);
  WriteFile(path, bytes);
  w.Session().HardReset();
  const uint16_t pc = m.pc();
  auto refused = AnswerMessage();
  w.FormKeyDown(vk::F3, 0);
  QCOMPARE(refused->text, FromView(kSnapshotDamagedMessage));
  QCOMPARE(m.pc(), pc);
  QVERIFY(!FirstLineWhite(w));
}

QTEST_MAIN(ProgramAndStateTest)
#include "program_and_state_test.moc"
