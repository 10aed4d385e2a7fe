// The small dialogs driven through their real widgets: number entry, colour chooser, settings,
// directory chooser and About box.
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include "about_fm.h"
#include "dir_fm.h"
#include "input_fm.h"
#include "options_fm.h"
#include "palette_fm.h"
#include "ui_support.h"
#include "ui_test_support.h"

class DialogsTest : public QObject {
  Q_OBJECT
 private slots:
  void numberBox_data();
  void numberBox();
  void numberBoxRejectsNonNumberAndStaysOpen();
  void numberBoxPlacedBesideAnchor();
  void colourChooserClickAndCancel();
  void colourChooserDrawsCellsAndCursor();
  void settingsStartAddress_data();
  void settingsStartAddress();
  void settingsRomNameChangeRunsSoftResetOnce();
  void settingsKeepsOutOfRangeValuesUntilEdited();
  void directoryChooserCancelGoesBack();
  void aboutLinksAndText();
};

void DialogsTest::numberBox_data() {
  QTest::addColumn<int>("mode");  // Tag on the way in
  QTest::addColumn<int>("inputValue");
  QTest::addColumn<QString>("shown");
  QTest::addColumn<QString>("label");
  QTest::addColumn<QString>("typed");  // empty: press Esc instead of typing
  QTest::addColumn<int>("result");
  QTest::newRow("octal zero shows 0") << 0 << 0 << "0"
                                      << "Octal"
                                      << "0" << 0;
  QTest::newRow("octal 777 is 511") << 0 << 0 << "0"
                                    << "Octal"
                                    << "777" << 511;
  QTest::newRow("octal -1 is -1") << 0 << 0 << "0"
                                  << "Octal"
                                  << "-1" << -1;
  QTest::newRow("octal shows low 16 bits") << 0 << 0x1FFFF << "177777"
                                           << "Octal"
                                           << "1000" << 512;
  QTest::newRow("octal digit 8 taken as eight") << 0 << 01000 << "1000"
                                                << "Octal"
                                                << "18" << 16;
  QTest::newRow("decimal") << 1 << 70000 << "70000"
                           << "Decimal"
                           << "123456" << 123456;
  QTest::newRow("Esc gives -1") << 0 << 0700 << "700"
                                << "Octal"
                                << "" << -1;
}

void DialogsTest::numberBox() {
  QFETCH(int, mode);
  QFETCH(int, inputValue);
  QFETCH(QString, shown);
  QFETCH(QString, label);
  QFETCH(QString, typed);
  QFETCH(int, result);
  TfmInput box;
  box.setWindowTitle("Enter dump address");
  box.Tag = mode;
  box.InputValue = inputValue;
  box.show();
  QCOMPARE(box.edNum->text(), shown);
  QCOMPARE(box.Label1->text(), label);
  QCOMPARE(box.edNum->selectedText(), shown);
  QCOMPARE(box.lbCaption->text(), QString("Enter dump address"));
  if (typed.isEmpty()) {
    QTest::keyClick(box.edNum, Qt::Key_Escape);
  } else {
    QTest::keyClicks(box.edNum, typed);  // replaces the selected text
    QTest::keyClick(box.edNum, Qt::Key_Return);
  }
  QVERIFY(!box.isVisible());
  QCOMPARE(box.Tag, result);
}

void DialogsTest::numberBoxRejectsNonNumberAndStaysOpen() {
  TfmInput box;
  box.Tag = 0;
  box.InputValue = 0;
  box.show();
  QTest::keyClicks(box.edNum, "12x");
  auto answer = AnswerMessage();
  QTest::keyClick(box.edNum, Qt::Key_Return);
  QVERIFY(answer->seen);
  QVERIFY(answer->text.contains("12x"));
  QCOMPARE(answer->caption, QString("Emul"));
  QVERIFY(box.isVisible());
  QCOMPARE(box.edNum->text(), QString("12x"));
  QCOMPARE(box.Tag, 0);
}

void DialogsTest::numberBoxPlacedBesideAnchor() {
  QWidget anchor;
  anchor.setGeometry(100, 120, 300, 200);
  anchor.show();
  TfmInput box;
  box.setAnchor(&anchor);
  box.show();
  QCOMPARE(box.frameGeometry().topLeft(), anchor.frameGeometry().topLeft() + QPoint(278, 24));
}

void DialogsTest::colourChooserClickAndCancel() {
  TfmPalette chooser(ColorTableColours());
  auto* cancel = chooser.findChild<QPushButton*>("bbCancel");
  auto* apply = chooser.findChild<QPushButton*>("bbApply");
  chooser.Tag = 14;
  chooser.show();
  QCOMPARE(chooser.currentCell(), 14);
  QTest::mouseClick(chooser.pbPalette, Qt::LeftButton, {}, QPoint(40, 40));
  QCOMPARE(chooser.currentCell(), 9);
  cancel->click();
  QCOMPARE(chooser.Tag, 14);

  chooser.show();
  QTest::mouseClick(chooser.pbPalette, Qt::LeftButton, {}, QPoint(255, 0));
  apply->click();
  QCOMPARE(chooser.Tag, 7);
}

void DialogsTest::colourChooserDrawsCellsAndCursor() {
  TfmPalette chooser(ColorTableColours());
  chooser.Tag = 0;
  chooser.show();
  chooser.bmRePaint(9);
  const QImage picture = chooser.workBitmap().toImage();
  QCOMPARE(picture.size(), QSize(256, 64));
  // Centre of every cell shows its colour; the cursor only marks the edge of cell 9.
  for (int cell = 0; cell < 16; ++cell) {
    const QPoint centre((cell % 8) * 32 + 16, (cell / 8) * 32 + 16);
    QCOMPARE(picture.pixel(centre) & 0xFFFFFF, ToQRgb(homemicro::kColorTable[cell].Color) & 0xFFFFFF);
  }
  const QRgb silver = ToQRgb(homemicro::kColorTable[9].Color) & 0xFFFFFF;
  QVERIFY((picture.pixel(32 + 3, 32 + 3) & 0xFFFFFF) != silver);
  QCOMPARE(picture.pixel(0 + 3, 0 + 3) & 0xFFFFFF, ToQRgb(homemicro::kColorTable[0].Color) & 0xFFFFFF);
}

void DialogsTest::settingsStartAddress_data() {
  QTest::addColumn<QString>("typed");
  QTest::addColumn<int>("startAddress");
  QTest::addColumn<int>("startPc");
  QTest::newRow("177600") << "177600" << 177600 << 0177600;
  QTest::newRow("digit 8 taken as eight") << "18" << 18 << 020;
  QTest::newRow("cleared keeps the old value") << "" << 100000 << 0100000;
  QTest::newRow("a letter gives 0") << "A" << 0 << 0;
}

void DialogsTest::settingsStartAddress() {
  QFETCH(QString, typed);
  QFETCH(int, startAddress);
  QFETCH(int, startPc);
  int32_t speed = 13750, repaint = 5, start = 100000;
  std::string rom = "homemicro.rom";
  TfmOptions options({speed, repaint, rom, start}, nullptr);
  options.show();
  QCOMPARE(options.edAddr->text(), QString("100000"));
  options.edAddr->selectAll();
  QTest::keyClick(options.edAddr, Qt::Key_Delete);
  QTest::keyClicks(options.edAddr, typed);
  QTest::keyClick(options.edAddr, Qt::Key_Return);
  QVERIFY(!options.isVisible());
  QCOMPARE(start, startAddress);
  QCOMPARE(homemicro::Oct(start), startPc);
}

void DialogsTest::settingsRomNameChangeRunsSoftResetOnce() {
  int32_t speed = 13750, repaint = 5, start = 100000;
  std::string rom = "homemicro.rom";
  int resets = 0;
  TfmOptions options({speed, repaint, rom, start}, [&] { ++resets; });
  options.show();
  QTest::keyClick(options.edAddr, Qt::Key_Escape);
  QCOMPARE(resets, 0);

  options.show();
  options.edROMName->setFocus();
  options.edROMName->end(false);
  QTest::keyClicks(options.edROMName, "_other_version");
  QCOMPARE(rom, std::string("homemicro.rom_other_version"));
  QTest::keyClick(options.edROMName, Qt::Key_Escape);
  QCOMPARE(resets, 1);

  options.show();  // activation clears the flag again
  options.findChild<QPushButton*>("bbClose")->click();
  QCOMPARE(resets, 1);
}

void DialogsTest::settingsKeepsOutOfRangeValuesUntilEdited() {
  int32_t speed = 60000, repaint = 0, start = 100000;
  std::string rom = "x.rom";
  TfmOptions options({speed, repaint, rom, start}, nullptr);
  options.show();
  QCOMPARE(speed, 60000);
  QCOMPARE(repaint, 0);
  QTest::keyClick(options.seSpeed, Qt::Key_Down);
  QCOMPARE(speed, 49000);
  options.seRepaint->setValue(7);
  QCOMPARE(repaint, 7);
  // Enter in a spin box closes the dialog too.
  options.seRepaint->setFocus();
  QTest::keyClick(options.seRepaint, Qt::Key_Return);
  QVERIFY(!options.isVisible());
}

void DialogsTest::directoryChooserCancelGoesBack() {
  QTemporaryDir root;
  QVERIFY(QDir(root.path()).mkpath("a/b"));
  const QString before = QDir::currentPath();
  QVERIFY(QDir::setCurrent(root.path()));
  const QString start = QDir::currentPath();
  TfmDir chooser;
  chooser.show();
  QCOMPARE(chooser.rememberedDirectory(), start);
  chooser.selectDirectory(start + "/a/b");
  QCOMPARE(QDir::currentPath(), start + "/a/b");
  chooser.findChild<QPushButton*>("bbCancel")->click();
  QVERIFY(!chooser.isVisible());
  QCOMPARE(QDir::currentPath(), start);

  chooser.show();
  chooser.selectDirectory(start + "/a");
  chooser.findChild<QPushButton*>("bbApply")->click();
  QCOMPARE(QDir::currentPath(), start + "/a");
  QDir::setCurrent(before);
}

void DialogsTest::aboutLinksAndText() {
  TfmAbout about;
  about.show();
  QCOMPARE(about.lbCaption->text(), QString("О программе..."));
  const QStringList lines = about.lbText->text().split('\n');
  QCOMPARE(lines.size(), 10);
  QCOMPARE(lines[1], QString("бытового компьютера БК-0010.01"));
  QCOMPARE(lines[9], QString("А НУ, КЫШЬ ОТСЮДА!!!"));
  QVERIFY(TfmAbout::mailTarget().startsWith("mailto:"));
  QVERIFY(TfmAbout::mailTarget().contains("?Subject="));
  QEvent enter(QEvent::Enter);
  QApplication::sendEvent(about.lbWeb, &enter);
  QVERIFY(about.lbWeb->font().underline());
  QVERIFY(!about.lbMail->font().underline());
  QApplication::sendEvent(about.lbMail, &enter);
  QVERIFY(!about.lbWeb->font().underline());
  QVERIFY(about.lbMail->font().underline());
}

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"
