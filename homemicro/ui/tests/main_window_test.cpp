// The main window driven as a user would: start-up with and without a configuration, the
// command keys, the tool bar, the colour and file commands, closing, typing and sound.
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <stdexcept>

#include "caption_dialog.h"
#include "homemicro/core/oct.h"
#include "homemicro/frontend/config_file.h"
#include "homemicro/frontend/palette_file.h"
#include "homemicro/frontend/virtual_keys.h"
#include "input_fm.h"
#include "options_fm.h"
#include "palette_fm.h"
#include "screen_box.h"
#include "tracer_fm.h"
#include "ui_support.h"
#include "ui_test_support.h"

using namespace homemicro;

namespace {

QByteArray ConfigBytes(const ConfigRecord& record) {
  const auto bytes = EncodeConfig(record);
  return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

QColor PanelColour(QFrame* panel) {
  return panel->palette().color(QPalette::Window);
}

QColor CellColour(int cell) {
  return QColor(ToQRgb(kColorTable[static_cast<size_t>(cell)].Color));
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void startUpWithoutConfigurationUsesDefaultsAndCloseWritesOne();
  void startUpAppliesStoredConfiguration();
  void badConfigurationEndsTheProgram_data();
  void badConfigurationEndsTheProgram();
  void toolBarControlsSitAtTheirPlaces();
  void largerWindowScalesByWholeFactor_data();
  void largerWindowScalesByWholeFactor();
  void f11StopsAndPlays();
  void f12WhileStoppedMovesPcOnly();
  void ctrlF12HardResetRedrawsAndKeepsRunning();
  void scrollLockWhileStoppedChangesModeButNotScreen();
  void f4AndF6Toggle();
  void withoutAudioSoundIsOffAndF4DoesNothing();
  void altF4ClosesWithoutTogglingSound();
  void closingStoresSettingsAndRomNameCut();
  void runLoopDrawsTheRomsPicture();
  void typedKeyReachesTheMachine();
  void speakerReachesSoundOutputOnlyWhenOn();
  void colourPanelOpensChooserAndResumes();
  void paletteFilesLoadAndReportErrors_data();
  void paletteFilesLoadAndReportErrors();
  void ramImageSaveAskAndLoad();
  void modalCommandsPauseAndResume_data();
  void modalCommandsPauseAndResume();
  void settingsDialogRomNameChangeSetsPc();
  void tapeCallOpensTheFileDialog();
  void failureInsideATickShowsRegistersAndEnds();
};

void MainWindowTest::startUpWithoutConfigurationUsesDefaultsAndCloseWritesOne() {
  StartedMain m;
  QVERIFY(m.started);
  TfmMain& w = *m.window;
  QVERIFY(w.sbPlay->isChecked() && w.sbBpp1->isChecked() && w.sbSound->isChecked() &&
          w.sbROMCtrl->isChecked());
  QVERIFY(w.tmProcessor->isActive());
  QCOMPARE(w.tmProcessor->interval(), 55);
  QCOMPARE(m.pc(), 0100000);
  QCOMPARE(w.Session().State().BreakAddress, 0177600);
  for (int n = 0; n < 4; ++n) QCOMPARE(PanelColour(w.pnColor[n]), CellColour(std::array{0, 14, 12, 10}[n]));
  QVERIFY(w.fmTracer && w.fmInput && w.fmAbout && w.fmPalette && w.fmDir && w.fmOptions);

  // The configuration goes to the start directory even after the current directory moved.
  QTemporaryDir elsewhere;
  const QString before = QDir::currentPath();
  QDir::setCurrent(elsewhere.path());
  w.close();
  QDir::setCurrent(before);
  QVERIFY(!QFile::exists(elsewhere.filePath("homemicro.cfg")));
  const QByteArray written = ReadFile(m.dir.filePath("homemicro.cfg"));
  QCOMPARE(written.size(), 48);
  const auto record = DecodeConfig(std::span(reinterpret_cast<const uint8_t*>(written.data()), 48));
  QVERIFY(record.has_value());
  QCOMPARE(*record, ConfigRecord{});
}

void MainWindowTest::startUpAppliesStoredConfiguration() {
  ConfigRecord stored;
  stored.Play = false;
  stored.OneBitMode = false;
  stored.Sound = false;
  stored.RomWriteControl = false;
  stored.BorderColor = 0x00336699;
  stored.EmulationSpeed = 20000;
  stored.RepaintCount = 3;
  stored.StartAddress = 100004;
  stored.PaletteEntries = {255, 247, 1, 3};
  const QByteArray bytes = ConfigBytes(stored);
  StartedMain m(IdleRom(), true, nullptr, &bytes);
  QVERIFY(m.started);
  TfmMain& w = *m.window;
  QVERIFY(w.sbStop->isChecked() && w.sbBpp2->isChecked() && w.sbSound2->isChecked() &&
          w.sbROMCtrl2->isChecked());
  QVERIFY(!w.tmProcessor->isActive());
  QVERIFY(!w.Session().Settings().SoundOn);
  QVERIFY(!w.Session().Settings().RomWriteControl);
  QCOMPARE(w.pbScreen->borderColour(), QColor(0x99, 0x66, 0x33));
  QCOMPARE(m.pc(), 0100004);
  QCOMPARE(w.fmOptions->seSpeed->value(), 20000);
  QCOMPARE(w.fmOptions->seRepaint->value(), 3);
  QCOMPARE(w.fmOptions->edAddr->text(), QString("100004"));
  for (int n = 0; n < 4; ++n) QCOMPARE(PanelColour(w.pnColor[n]), CellColour(std::array{8, 9, 2, 3}[n]));
}

void MainWindowTest::badConfigurationEndsTheProgram_data() {
  QTest::addColumn<QByteArray>("config");
  const QByteArray good = ConfigBytes(ConfigRecord{});
  QTest::newRow("47 bytes") << good.left(47);
  QByteArray wrongMagic = good;
  wrongMagic[3] = 'P';
  QTest::newRow("wrong magic") << wrongMagic;
}

void MainWindowTest::badConfigurationEndsTheProgram() {
  QFETCH(QByteArray, config);
  auto answer = AnswerMessage();
  StartedMain m(IdleRom(), true, nullptr, &config);
  QVERIFY(!m.started);
  QVERIFY(m.window->ProgramEnding());
  QVERIFY(answer->seen);
  QCOMPARE(answer->text, QString("Ошибка в файле конфигурации"));
  QCOMPARE(answer->caption, QString("Emul"));
  QCOMPARE(answer->icon, QMessageBox::Critical);
  QVERIFY(!m.window->tmProcessor->isActive());
}

void MainWindowTest::toolBarControlsSitAtTheirPlaces() {
  StartedMain m;
  TfmMain& w = *m.window;
  const struct {
    QWidget* control;
    int x;
    const char* hint;
  } rows[] = {
      {w.Image1, 5, "О программе (F1)"},
      {w.sbPlay, 46, "Воспроизведение (F11)"},
      {w.sbStop, 74, "Останов (F11)"},
      {w.sbBpp1, 104, "1 бит в пикселе (ScrollLock)"},
      {w.sbBpp2, 132, "2 бита в пикселе (ScrollLock)"},
      {w.pnColor[0], 162, "Щелкни для изменения"},
      {w.pnColor[3], 246, "Щелкни для изменения"},
      {w.sbCReset, 276, "Цвета по умолчанию"},
      {w.sbLoadPal, 306, "Загрузить палитру"},
      {w.sbSavePal, 334, "Сохранить палитру"},
      {w.sbBorder, 364, "Цвет бордюра"},
      {w.sbSound, 394, "Звук вкл/выкл (F4)"},
      {w.sbROMCtrl, 424, "Контроль записи в ПЗУ вкл/выкл (F6)"},
      {w.sbReset, 454, "Мягкий перезапуск (F12)"},
      {w.sbHReset, 482, "Жесткий перезапуск (Ctrl+F12)"},
      {w.sbCDir, 512, "Сменить текущий каталог (F7)"},
      {w.sbOptions, 542, "Установки (F10)"},
      {w.sbMinimize, 584, "Свернуть"},
      {w.sbClose, 608, "Выход (Alt+F4)"},
  };
  for (const auto& row : rows) {
    QCOMPARE(row.control->x(), row.x);
    QCOMPARE(row.control->toolTip(), QString(row.hint));
  }
  QCOMPARE(w.sbBpp1->text(), QString("1bit"));
  QCOMPARE(w.sbROMCtrl->text(), QString("RC"));
  QCOMPARE(w.sbHReset->text(), QString("HR"));
  QVERIFY(!w.sbMinimize->isEnabled());
  QCOMPARE(w.windowTitle(), QString("БК-0010.01"));
  QVERIFY(w.windowFlags() & Qt::FramelessWindowHint);
  w.show();
  QCOMPARE(w.size(), QSize(640, 400));
  QCOMPARE(w.pnTools->height(), 36);
  // At factor 1 the picture sits where the 640 x 400 display puts it.
  QCOMPARE(w.pbScreen->mapTo(&w, w.pbScreen->pictureRect().topLeft()), QPoint(64, 73));
}

void MainWindowTest::largerWindowScalesByWholeFactor_data() {
  QTest::addColumn<QSize>("size");
  QTest::addColumn<int>("factor");
  QTest::addColumn<QPoint>("topLeft");  // of the picture, in window coordinates
  QTest::newRow("just under twice") << QSize(1279, 799) << 1 << QPoint(383, 272);
  QTest::newRow("twice") << QSize(1280, 800) << 2 << QPoint(128, 146);
  QTest::newRow("wide, not tall enough for three") << QSize(1920, 1000) << 2 << QPoint(448, 246);
}

void MainWindowTest::largerWindowScalesByWholeFactor() {
  QFETCH(QSize, size);
  QFETCH(int, factor);
  QFETCH(QPoint, topLeft);
  StartedMain m;
  TfmMain& w = *m.window;
  w.show();
  w.resize(size);
  QApplication::processEvents();
  QCOMPARE(w.pbScreen->scaleFactor(), factor);
  const QRect picture = w.pbScreen->pictureRect();
  QCOMPARE(picture.size(), QSize(512 * factor, 256 * factor));
  QCOMPARE(w.pbScreen->mapTo(&w, picture.topLeft()), topLeft);
}

void MainWindowTest::f11StopsAndPlays() {
  StartedMain m;
  TfmMain& w = *m.window;
  w.show();
  m.machine().State().R[kPC] = 01000;
  w.FormKeyDown(vk::F11, 0);
  QVERIFY(!w.tmProcessor->isActive());
  QVERIFY(w.sbStop->isChecked());
  QVERIFY(w.fmTracer->isVisible());
  QCOMPARE(w.fmTracer->Session().LastPc, 0776);
  w.FormKeyDown(vk::F11, 0);
  QVERIFY(w.tmProcessor->isActive());
  QVERIFY(w.sbPlay->isChecked());
  QVERIFY(!w.fmTracer->isVisible());
  QCOMPARE(w.Session().State().BreakAddress, 0177600);
}

void MainWindowTest::f12WhileStoppedMovesPcOnly() {
  StartedMain m;
  TfmMain& w = *m.window;
  w.sbStop->click();
  m.machine().State().R[kPC] = 01234;
  m.machine().State().R[0] = 0777;
  w.fmOptions->edAddr->setText("1000");
  w.FormKeyDown(vk::F12, 0);
  QCOMPARE(m.pc(), 01000);
  QCOMPARE(m.machine().State().R[0], 0777);
  QVERIFY(!w.tmProcessor->isActive());
  QVERIFY(w.sbStop->isChecked());
}

void MainWindowTest::ctrlF12HardResetRedrawsAndKeepsRunning() {
  StartedMain m;
  TfmMain& w = *m.window;
  m.machine().State().R[kPC] = 01234;
  m.machine().PokeWord(040000, 0xFFFF);
  w.FormKeyDown(vk::F12, kCtrlBit);
  QCOMPARE(m.pc(), 0100000);
  QCOMPARE(m.machine().State().R[kSP], 01000);
  QVERIFY(w.tmProcessor->isActive());
  // Video RAM was refilled by the reset and the picture redrawn from it at once.
  const homemicro::Display& display = w.Session().GetDisplay();
  QCOMPARE(display.PicturePixel(0, 0), m.machine().PeekByte(040000) & 1 ? 255 : 0);
}

void MainWindowTest::scrollLockWhileStoppedChangesModeButNotScreen() {
  StartedMain m;
  TfmMain& w = *m.window;
  w.show();
  m.machine().PokeWord(040000, 0x0001);  // first BK pixel: white in one-bit, colour 2 in two-bit mode
  w.UpdateScreen();
  QCOMPARE(w.Session().GetDisplay().PicturePixel(0, 0), 255);
  w.FormKeyDown(vk::F11, 0);
  w.FormKeyDown(vk::ScrollLock, 0);
  QVERIFY(!w.Session().State().OneBitMode);
  QVERIFY(w.sbBpp2->isChecked());
  QCOMPARE(w.Session().GetDisplay().PicturePixel(0, 0), 255);  // unchanged while stopped
  w.FormKeyDown(vk::F11, 0);
  w.FormKeyDown(vk::ScrollLock, 0);
  QVERIFY(w.sbBpp1->isChecked());
  w.FormKeyDown(vk::ScrollLock, 0);  // running: redrawn at once, lime for colour number 2
  QCOMPARE(w.Session().GetDisplay().PicturePixel(0, 0), 250);
}

void MainWindowTest::f4AndF6Toggle() {
  StartedMain m;
  TfmMain& w = *m.window;
  w.FormKeyDown(vk::F4, 0);
  QVERIFY(!w.Session().Settings().SoundOn);
  QVERIFY(w.sbSound2->isChecked() && !w.sbSound->isChecked());
  w.sbSound->click();
  QVERIFY(w.Session().Settings().SoundOn);
  QVERIFY(w.sbSound->isChecked());
  w.FormKeyDown(vk::F6, 0);
  QVERIFY(!w.Session().Settings().RomWriteControl);
  QVERIFY(w.sbROMCtrl2->isChecked());
  w.FormKeyDown(vk::F6, 0);
  QVERIFY(w.Session().Settings().RomWriteControl);
  QVERIFY(w.sbROMCtrl->isChecked());
}

void MainWindowTest::withoutAudioSoundIsOffAndF4DoesNothing() {
  StartedMain m(IdleRom(), false);
  TfmMain& w = *m.window;
  QVERIFY(!w.Session().Settings().SoundOn);
  QVERIFY(!w.sbSound->isEnabled());
  QCOMPARE(w.sbSound->toolTip(), QString("Нет устройства вывода звука: звук выключен"));
  QVERIFY(w.sbSound->isChecked());  // the stored choice is kept for the next start
  w.FormKeyDown(vk::F4, 0);
  QVERIFY(!w.Session().Settings().SoundOn);
  QVERIFY(w.sbSound->isChecked());
}

void MainWindowTest::altF4ClosesWithoutTogglingSound() {
  StartedMain m;
  TfmMain& w = *m.window;
  w.show();
  QTest::keyClick(&w, Qt::Key_F4, Qt::AltModifier);
  QVERIFY(!w.isVisible());
  QVERIFY(w.Session().Settings().SoundOn);
  const QByteArray written = ReadFile(m.dir.filePath("homemicro.cfg"));
  QCOMPARE(written.size(), 48);
  QCOMPARE(int(written[6]), 1);
}

void MainWindowTest::closingStoresSettingsAndRomNameCut() {
  StartedMain m;
  TfmMain& w = *m.window;
  w.sbStop->click();
  w.sbBpp2->click();
  w.FormKeyDown(vk::F6, 0);
  w.fmOptions->edROMName->setText("abcdefghijklmnopqrst");  // 20 characters
  QCOMPARE(w.Session().Settings().RomFileName, std::string("abcdefghijklmnopqrst"));
  w.close();
  const QByteArray written = ReadFile(m.dir.filePath("homemicro.cfg"));
  const auto record = DecodeConfig(std::span(reinterpret_cast<const uint8_t*>(written.data()), 48));
  QVERIFY(record.has_value());
  QVERIFY(!record->Play);
  QVERIFY(!record->OneBitMode);
  QVERIFY(record->Sound);
  QVERIFY(!record->RomWriteControl);
  QCOMPARE(record->RomFileName, std::string("abcdefghijklmnop"));
}

void MainWindowTest::runLoopDrawsTheRomsPicture() {
  // Fills video RAM with 0125252 (alternate pixels) and waits.
  StartedMain m(RomImage({012700, 040000, 012701, 020000, 012720, 0125252, 077103, 000777}));
  TfmMain& w = *m.window;
  w.show();
  w.tmProcessorTimer();
  w.tmProcessorTimer();
  const homemicro::Display& display = w.Session().GetDisplay();
  for (int x = 0; x < 16; ++x) QCOMPARE(display.PicturePixel(x, 255), x % 2 ? 255 : 0);
  QCOMPARE(m.pc(), 0100016);
}

void MainWindowTest::typedKeyReachesTheMachine() {
  StartedMain m;
  TfmMain& w = *m.window;
  w.show();
  QTest::keyPress(&w, Qt::Key_A);
  w.tmProcessorTimer();
  QCOMPARE(m.machine().PeekWord(0177662), 0101);
  QVERIFY(m.machine().PeekWord(0177660) & 0200);
  QVERIFY(w.Session().Settings().KeyHeld);
  QTest::keyRelease(&w, Qt::Key_A);
  QVERIFY(!w.Session().Settings().KeyHeld);
  // Tab belongs to the machine, not to the focus chain. It waits until the program has read A.
  QTest::keyPress(&w, Qt::Key_Tab);
  w.tmProcessorTimer();
  QCOMPARE(m.machine().PeekWord(0177662), 0101);
  m.machine().ReadWord(0177662);
  w.tmProcessorTimer();
  QCOMPARE(m.machine().PeekWord(0177662), 011);
}

void MainWindowTest::speakerReachesSoundOutputOnlyWhenOn() {
  // Toggles bit 6 of 0177716 forever: a square wave.
  std::vector<int16_t> played;
  StartedMain m(RomImage({012700, 0100, 010037, 0177716, 005000, 000774}), true, &played);
  TfmMain& w = *m.window;
  for (int i = 0; i < 4; ++i) w.tmProcessorTimer();
  QVERIFY(played.size() > 4000);
  const auto [low, high] = std::minmax_element(played.begin(), played.end());
  QVERIFY(*high - *low > 1000);
  played.clear();
  w.FormKeyDown(vk::F4, 0);
  for (int i = 0; i < 4; ++i) w.tmProcessorTimer();
  QVERIFY(played.empty());
}

void MainWindowTest::colourPanelOpensChooserAndResumes() {
  StartedMain m;
  TfmMain& w = *m.window;
  w.sbStop->click();
  WhenModal<TfmPalette>([](TfmPalette* chooser) {
    QCOMPARE(chooser->currentCell(), 14);  // blue, entry 1 by default
    QTest::mouseClick(chooser->pbPalette, Qt::LeftButton, {}, QPoint(40, 40));
    chooser->findChild<QPushButton*>("bbApply")->click();
  });
  QTest::mouseClick(w.pnColor[1], Qt::LeftButton);
  QCOMPARE(w.Session().State().PaletteEntries[1], 247);
  QCOMPARE(PanelColour(w.pnColor[1]), CellColour(9));
  QVERIFY(w.tmProcessor->isActive());  // a modal command resumes a stopped machine
  QVERIFY(w.sbPlay->isChecked());

  WhenModal<TfmPalette>([](TfmPalette* chooser) {
    QTest::mouseClick(chooser->pbPalette, Qt::LeftButton, {}, QPoint(0, 0));
    chooser->findChild<QPushButton*>("bbCancel")->click();
  });
  QTest::mouseClick(w.pnColor[1], Qt::LeftButton);
  QCOMPARE(w.Session().State().PaletteEntries[1], 247);
  w.sbCResetClick();
  QCOMPARE(PanelColour(w.pnColor[1]), CellColour(14));
}

void MainWindowTest::paletteFilesLoadAndReportErrors_data() {
  QTest::addColumn<QByteArray>("file");
  QTest::addColumn<QString>("message");
  QTest::newRow("valid") << QByteArray("\003BKP\xff\xf7\x01\x03", 8) << QString();
  QTest::newRow("magic of a configuration")
      << QByteArray("\003BKC\xff\xf7\x01\x03", 8) << "Это не файл палитры";
  QTest::newRow("4 bytes") << QByteArray("\003BKP", 4) << "Ошибка в файле палитры";
  QTest::newRow("missing file") << QByteArray() << "Ошибка открытия файла";
}

void MainWindowTest::paletteFilesLoadAndReportErrors() {
  QFETCH(QByteArray, file);
  QFETCH(QString, message);
  StartedMain m;
  TfmMain& w = *m.window;
  const QString path = m.dir.filePath("colours.bkp");
  if (!file.isEmpty()) WriteFile(path, file);
  FileRequest asked;
  w.fileChooser = [&](const FileRequest& request) {
    asked = request;
    return path;
  };
  auto answer = AnswerMessage();
  w.sbLoadPal->click();
  QCOMPARE(asked.title, QString("Выберите файл для загрузки..."));
  QCOMPARE(asked.filter, QString("Файлы палитры (*.bkp);;Все файлы (*.*)"));
  QCOMPARE(asked.defaultSuffix, QString("bkp"));
  QVERIFY(!asked.save);
  if (message.isEmpty()) {
    QCOMPARE(w.Session().State().PaletteEntries, (Palette{255, 247, 1, 3}));
    QCOMPARE(PanelColour(w.pnColor[0]), CellColour(8));
    // Saving writes the same record back.
    const QString copy = m.dir.filePath("copy.bkp");
    w.fileChooser = [&](const FileRequest& request) {
      asked = request;
      return copy;
    };
    w.sbSavePal->click();
    QCOMPARE(asked.title, QString("Введите имя файла палитры для сохранения..."));
    QVERIFY(asked.save);
    QCOMPARE(ReadFile(copy), file);
  } else {
    QTRY_VERIFY(answer->seen);
    QCOMPARE(answer->text, message);
    QCOMPARE(answer->icon, QMessageBox::Critical);
    QCOMPARE(w.Session().State().PaletteEntries, kDefaultPalette);
  }
  QVERIFY(w.tmProcessor->isActive());
}

void MainWindowTest::ramImageSaveAskAndLoad() {
  StartedMain m;
  TfmMain& w = *m.window;
  const QString path = m.dir.filePath("ram.bin");
  FileRequest asked;
  w.fileChooser = [&](const FileRequest& request) {
    asked = request;
    return path;
  };
  m.machine().PokeWord(040000, 0123456);
  m.machine().PokeWord(0, 0777);
  auto saved = AnswerMessage();
  w.sbSaveMemClick();
  QVERIFY(saved->seen);
  QCOMPARE(saved->text, QString("RAM successfully saved"));
  QCOMPARE(saved->icon, QMessageBox::Information);
  QCOMPARE(asked.filter, QString("BIN-files (*.bin);;All files (*.*)"));
  QCOMPARE(asked.defaultSuffix, QString("bin"));
  const QByteArray image = ReadFile(path);
  QCOMPARE(image.size(), 32768);

  // A second save asks first; No leaves the file as it was.
  m.machine().PokeWord(0, 0);
  auto question = AnswerMessage(QMessageBox::No);
  w.sbSaveMemClick();
  QCOMPARE(question->text, QString("File already exists. Overwrite?"));
  QCOMPARE(question->icon, QMessageBox::Question);
  QCOMPARE(ReadFile(path), image);

  m.machine().PokeWord(040000, 0);
  auto loaded = AnswerMessage();
  w.sbLoadMemClick();
  QCOMPARE(loaded->text, QString("RAM successfully loaded"));
  QCOMPARE(m.machine().PeekWord(040000), 0123456);
  QCOMPARE(m.machine().PeekWord(0), 0777);
  QCOMPARE(w.Session().GetDisplay().PicturePixel(1, 0), 255);  // 0123456: bit 1 set

  // A short image is an error and leaves memory alone.
  WriteFile(path, QByteArray(100, '\0'));
  auto failed = AnswerMessage();
  w.sbLoadMemClick();
  QVERIFY(failed->seen);
  QCOMPARE(failed->icon, QMessageBox::Critical);
  QCOMPARE(m.machine().PeekWord(040000), 0123456);
}

void MainWindowTest::modalCommandsPauseAndResume_data() {
  QTest::addColumn<int>("key");
  QTest::addColumn<QString>("caption");
  QTest::newRow("F1 About") << int(vk::F1) << "О программе...";
  QTest::newRow("F7 directory") << int(vk::F7) << "Выберите каталог";
  QTest::newRow("F10 settings") << int(vk::F10) << "Установки";
}

void MainWindowTest::modalCommandsPauseAndResume() {
  QFETCH(int, key);
  QFETCH(QString, caption);
  StartedMain m;
  TfmMain& w = *m.window;
  w.show();
  w.sbStop->click();  // stopped, tracer up
  bool timerWhileOpen = true;
  QString shownCaption;
  WhenModal<CaptionDialog>([&](CaptionDialog* dialog) {
    timerWhileOpen = w.tmProcessor->isActive();
    shownCaption = dialog->lbCaption->text();
    dialog->reject();
  });
  w.FormKeyDown(static_cast<uint16_t>(key), 0);
  QCOMPARE(shownCaption, caption);
  QVERIFY(!timerWhileOpen);
  QVERIFY(w.tmProcessor->isActive());  // resumed, even though it was stopped before
  QVERIFY(w.sbPlay->isChecked());
  QVERIFY(!w.fmTracer->isVisible());
}

void MainWindowTest::settingsDialogRomNameChangeSetsPc() {
  StartedMain m;
  TfmMain& w = *m.window;
  m.machine().State().R[kPC] = 01234;
  WhenModal<TfmOptions>([](TfmOptions* options) { QTest::keyClick(options->edAddr, Qt::Key_Escape); });
  w.FormKeyDown(vk::F10, 0);
  QCOMPARE(m.pc(), 01234);  // nothing edited: PC stays
  WhenModal<TfmOptions>([](TfmOptions* options) {
    options->edROMName->setText("other.rom");
    QTest::keyClick(options->edROMName, Qt::Key_Return);
  });
  w.FormKeyDown(vk::F10, 0);
  QCOMPARE(m.pc(), 0100000);
  QCOMPARE(m.machine().PeekWord(0100000), 012737);  // the ROM in memory is unchanged
  QVERIFY(w.tmProcessor->isActive());
}

namespace {

// Loads through the tape call with an empty name (so the open dialog is asked), then waits.
// The parameter block at 01000 asks to load at the address stored in the file.
QByteArray TapeLoadRom() {
  return IdleRomThen({012701, 001000, 0104036, 000777});
}

void PutLoadBlock(Machine& machine) {
  machine.PokeWord(01000, 3);  // command 3: read; answer 0
  machine.PokeWord(01002, 0);
  machine.PokeWord(01004, 0);
  for (int i = 0; i < 16; i += 2) machine.PokeWord(static_cast<uint16_t>(01006 + i), 0x2020);
}

}  // namespace

void MainWindowTest::tapeCallOpensTheFileDialog() {
  StartedMain m(TapeLoadRom());
  TfmMain& w = *m.window;
  PutLoadBlock(m.machine());
  const QString file = m.dir.filePath("game.bin");
  WriteFile(file, QByteArray("\x00\x04\x02\x00\x34\x12", 6));  // address 02000, 2 bytes
  FileRequest asked;
  w.fileChooser = [&](const FileRequest& request) {
    asked = request;
    return file;
  };
  w.tmProcessorTimer();
  QCOMPARE(asked.title, QString("Выберите файл для загрузки"));
  QVERIFY(asked.filter.startsWith("Исполняемые файлы БК (*.bin);;Файлы БК (*.bin *.ov* *.scr);;"));
  QCOMPARE(asked.defaultSuffix, QString("bin"));
  QVERIFY(!asked.save);
  QCOMPARE(m.machine().PeekWord(02000), 0x1234);
  QCOMPARE(m.machine().PeekByte(01001), 0);  // answer: success
  QVERIFY(w.tmProcessor->isActive());
}

void MainWindowTest::failureInsideATickShowsRegistersAndEnds() {
  StartedMain m(TapeLoadRom());
  TfmMain& w = *m.window;
  PutLoadBlock(m.machine());
  w.fileChooser = [](const FileRequest&) -> QString { throw std::runtime_error("host failure"); };
  QSignalSpy ended(&w, &TfmMain::programEnded);
  auto answer = AnswerMessage();
  w.tmProcessorTimer();
  QVERIFY(answer->seen);
  QCOMPARE(answer->caption, QString("Emul"));
  QCOMPARE(answer->icon, QMessageBox::Critical);
  QVERIFY(answer->text.startsWith("Сбой в эмуляции. Содержимое регистров:"));
  QVERIFY(answer->text.contains("R1=001000"));
  QVERIFY(w.ProgramEnding());
  QVERIFY(!w.tmProcessor->isActive());
  QCOMPARE(ended.count(), 1);
  QCOMPARE(ended[0][0].toInt(), 1);
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
