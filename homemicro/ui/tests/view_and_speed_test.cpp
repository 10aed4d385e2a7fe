// The main window's ROM fallback, ROM file chooser, window sizes kept across a restart and the
// maximum speed toggle, driven as a user would.
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "homemicro/frontend/config_file.h"
#include "homemicro/frontend/rom_locator.h"
#include "homemicro/frontend/virtual_keys.h"
#include "options_fm.h"
#include "ui_support.h"
#include "ui_test_support.h"

using namespace homemicro;

namespace {

// A ROM that counts R0 up for ever and sounds a square wave now and then.
QByteArray BusyRom() {
  return IdleRomThen({012737, 0100, 0177716,  // MOV #100,@#177716: the speaker line high
                      005200,                 // INC R0
                      012737, 0, 0177716,     // MOV #0,@#177716
                      000770});               // BR to the first MOV
}

}  // namespace

class ViewAndSpeedTest : public QObject {
  Q_OBJECT
 private slots:
  void kitRomStandsInWithANote();
  void settingsDialogChoosesARomFileAnywhere();
  void windowSizeIsKeptAcrossARestart();
  void maximumSpeedRunsManyTicksPerEventAndIsMuted();
};

void ViewAndSpeedTest::kitRomStandsInWithANote() {
  // Started where there is no homemicro.rom: the kit's ROM (found beside the test program,
  // where the build puts a copy) boots, no error box, and the note says so.
  QTemporaryDir empty;
  const std::optional<std::filesystem::path> kit = TfmMain::LocateKitRom();
  QVERIFY2(kit, "the build places homemicro.rom beside the programs of this folder");
  TfmMain w(std::make_unique<FakeSound>(true));
  auto answer = AnswerMessage();
  QVERIFY(w.StartUp(empty.path()));
  QVERIFY(!answer->seen);
  QVERIFY(w.Session().UsingKitRom());
  QCOMPARE(w.lbRomNote->text(), FromView(kKitRomNote));
  QVERIFY(!w.lbRomNote->isHidden());
  // A ROM put in place and a hard reset: the note goes.
  WriteFile(QDir(empty.path()).filePath("homemicro.rom"), IdleRom());
  w.FormKeyDown(vk::F12, kCtrlBit);
  QVERIFY(!w.Session().UsingKitRom());
  QVERIFY(w.lbRomNote->isHidden());
  // With a ROM of its own there is no note from the start.
  StartedMain own;
  QVERIFY(own.started);
  QVERIFY(own.window->lbRomNote->isHidden());
}

void ViewAndSpeedTest::settingsDialogChoosesARomFileAnywhere() {
  StartedMain m;
  QVERIFY(m.started);
  TfmMain& w = *m.window;
  QTemporaryDir elsewhere;
  const QString deepName = QDir(elsewhere.path()).filePath("a folder with a long name/my firmware 1986.rom");
  QDir().mkpath(QFileInfo(deepName).path());
  WriteFile(deepName, IdleRomThen({012700, 01234, 000777}));  // MOV #1234,R0
  struct Case {
    QString Chosen;
    QString Kept;
  } const cases[] = {
      {deepName, deepName},                                // anywhere: the whole path
      {m.dir.filePath("homemicro.rom"), "homemicro.rom"},  // the start directory: the name
      {QString(), "homemicro.rom"},                        // cancelled: unchanged
      {deepName, deepName},
  };
  for (const Case& c : cases) {
    FileRequest asked;
    w.fileChooser = [&](const FileRequest& request) {
      asked = request;
      return c.Chosen;
    };
    WhenModal<TfmOptions>([](TfmOptions* options) {
      options->sbROMFile->click();
      options->accept();
    });
    w.sbOptionsClick();
    QCOMPARE(asked.title, QString("Выберите файл ПЗУ"));
    QCOMPARE(asked.filter, QString("Файлы ПЗУ (*.rom);;Все файлы (*.*)"));
    QCOMPARE(w.fmOptions->edROMName->text(), c.Kept);
  }
  // The long name counts from the next hard reset, and a restart keeps it.
  w.FormKeyDown(vk::F12, kCtrlBit);
  QCOMPARE(m.machine().State().Memory[0100010], uint8_t(01234 & 0xFF));
  w.close();
  TfmMain again(std::make_unique<FakeSound>(true));
  QVERIFY(again.StartUp(m.dir.path()));
  QCOMPARE(QString::fromStdString(again.Session().Settings().RomFileName), deepName);
  QCOMPARE(again.fmOptions->edROMName->text(), deepName);
  QCOMPARE(again.Session().GetMachine().State().Memory[0100010], uint8_t(01234 & 0xFF));
}

void ViewAndSpeedTest::windowSizeIsKeptAcrossARestart() {
  struct Case {
    const char* What;
    std::function<void(TfmMain&)> Size;
    QSize Expected;
    qsizetype FileSize;  // the record alone when nothing needs the tail
  } const cases[] = {
      {"2x by key", [](TfmMain& w) { w.FormKeyDown('2', kCtrlBit | kAltBit); }, QSize(1280, 800), 48 + 4 + 7},
      {"free size", [](TfmMain& w) { w.resize(700, 555); }, QSize(700, 555), 48 + 4 + 7},
      {"1x", [](TfmMain& w) { w.SetWindowScale(1); }, QSize(640, 400), 48},
  };
  for (const Case& c : cases) {
    StartedMain m;
    QVERIFY(m.started);
    m.window->show();
    c.Size(*m.window);
    QTRY_COMPARE(m.window->size(), c.Expected);
    m.window->close();
    QCOMPARE(ReadFile(m.dir.filePath("homemicro.cfg")).size(), c.FileSize);
    TfmMain again(std::make_unique<FakeSound>(true));
    QVERIFY(again.StartUp(m.dir.path()));
    // A size larger than this screen shrinks to fit it (the offscreen screen is 800 x 800).
    const QSize room = QGuiApplication::primaryScreen()->availableGeometry().size();
    QCOMPARE(again.size(), c.Expected.boundedTo(room).expandedTo(QSize(640, 400)));
  }
}

void ViewAndSpeedTest::maximumSpeedRunsManyTicksPerEventAndIsMuted() {
  std::vector<int16_t> played;
  StartedMain m(BusyRom(), true, &played);
  QVERIFY(m.started);
  TfmMain& w = *m.window;
  w.tmProcessor->stop();  // timer events by hand
  const auto run = [&] {
    const uint64_t before = w.Session().Loop().InstructionsExecuted();
    played.clear();
    w.tmProcessorTimer();
    return w.Session().Loop().InstructionsExecuted() - before;
  };
  const uint64_t perTick = static_cast<uint64_t>(w.Session().State().EmulationSpeed);
  QCOMPARE(run(), perTick);
  QVERIFY(!played.empty());

  w.FormKeyDown(vk::F11, kCtrlBit);
  QVERIFY(w.MaxSpeed());
  QVERIFY(w.sbMaxSpeed->isChecked());
  QCOMPARE(w.sbMaxSpeed->toolTip(), QString(TfmMain::kMaxSpeedHint));
  QCOMPARE(w.tmProcessor->interval(), 0);
  // One event runs ticks for its slice of host time: more than one tick, whole ticks, silent.
  const uint64_t fast = run();
  QVERIFY2(fast > perTick, qPrintable(QString::number(fast)));
  QCOMPARE(fast % perTick, uint64_t(0));
  QVERIFY(played.empty());
  // The machine is still stopped by F11 at maximum speed, and runs fast again after Play.
  w.FormKeyDown(vk::F11, 0);
  QCOMPARE(run(), uint64_t(0));
  w.FormKeyDown(vk::F11, 0);
  QVERIFY(w.MaxSpeed());

  w.sbMaxSpeed->click();  // the tool bar button: back to the set speed
  QVERIFY(!w.MaxSpeed());
  QCOMPARE(w.tmProcessor->interval(), 55);
  w.tmProcessor->stop();
  QCOMPARE(run(), perTick);
  QVERIFY(!played.empty());
}

QTEST_MAIN(ViewAndSpeedTest)
#include "view_and_speed_test.moc"
