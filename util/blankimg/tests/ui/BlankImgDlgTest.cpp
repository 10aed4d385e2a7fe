// The main dialog and its helpers driven through their controls: the list filters, the Disk
// Information boxes, Save As and the image runs, keys, and a look at the painted picture.
// Set BLANKIMG_SCREENSHOT to a file name to keep the picture.
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <sys/resource.h>

#include <csignal>
#endif

#include "ui/BlankImgDlg.h"
#include "ui/DiskTableDlg.h"

using namespace blankimg;

namespace {

// Everything the user sees in the main dialog, found by the controls' names.
struct View {
  explicit View(BlankImgDlg& dlg)
      : system(dlg.findChild<QComboBox*>("cbSystem")),
        controller(dlg.findChild<QComboBox*>("cbController")),
        diskType(dlg.findChild<QComboBox*>("cbDiskType")),
        description(dlg.findChild<QLineEdit*>("edDescription")),
        size(dlg.findChild<QLineEdit*>("edSize")),
        unit(dlg.findChild<QLineEdit*>("edUnit")),
        blocks(dlg.findChild<QLineEdit*>("edBlocks")),
        sectors(dlg.findChild<QLineEdit*>("edSectors")),
        blockSize(dlg.findChild<QLineEdit*>("edBlockSize")),
        saveAs(dlg.findChild<QAction*>("miSaveAs")) {}

  QStringList diskTypes() const {
    QStringList names;
    for (int i = 0; i < diskType->count(); ++i) names << diskType->itemText(i);
    return names;
  }
  bool boxesEmpty() const {
    for (QLineEdit* box : {description, size, unit, blocks, sectors, blockSize})
      if (!box->text().isEmpty()) return false;
    return true;
  }
  // Chooses a disk type by name in the current list; false if the list does not hold it.
  bool choose(const QString& name, int occurrence = 0) const {
    for (int i = 1; i < diskType->count(); ++i)
      if (diskType->itemText(i) == name && occurrence-- == 0) {
        diskType->setCurrentIndex(i);
        return true;
      }
    return false;
  }

  QComboBox *system, *controller, *diskType;
  QLineEdit *description, *size, *unit, *blocks, *sectors, *blockSize;
  QAction* saveAs;
};

}  // namespace

class BlankImgDlgTest : public QObject {
  Q_OBJECT

 private slots:
  void startsWithNothingChosen() {
    BlankImgDlg dlg;
    View v(dlg);
    QCOMPARE(dlg.windowTitle(), QString("BLANKIMG"));
    QCOMPARE(v.system->currentText(), QString("Select System"));
    QCOMPARE(v.system->count(), 5);
    QVERIFY(v.system->isEnabled());
    QVERIFY(!v.controller->isEnabled());
    QCOMPARE(v.controller->currentText(), QString("All controllers"));
    QVERIFY(!v.diskType->isEnabled());
    QCOMPARE(v.diskTypes(), QStringList{"Select Disk Type"});
    QVERIFY(!v.saveAs->isEnabled());
    QVERIFY(v.boxesEmpty());
    QVERIFY(dlg.selectedRow() == nullptr);
  }

  void filtersBySystemAndController() {
    BlankImgDlg dlg;
    View v(dlg);
    v.system->setCurrentIndex(3);  // Professional
    QVERIFY(!v.controller->isEnabled());
    QCOMPARE(v.controller->currentIndex(), 0);
    QCOMPARE(v.diskTypes(), (QStringList{"Select disk type", "rd51-p", "rd31-p", "rd52-p", "rd52-p1",
                                         "rd52-p2", "rd52-p3", "rd32-p", "rd53-p"}));

    v.system->setCurrentIndex(4);  // VAX
    QVERIFY(v.controller->isEnabled());
    QCOMPARE(v.diskTypes(), (QStringList{"Select disk type", "rd50", "rm03", "rm05", "rm80", "rp06", "rd51",
                                         "rd52", "rd53", "rd54"}));
    v.controller->setCurrentIndex(1);  // MSCP
    QCOMPARE(v.diskTypes(), (QStringList{"Select disk type", "rd51", "rd52", "rd53", "rd54"}));

    v.system->setCurrentIndex(1);  // All: the controller goes back to All controllers
    QCOMPARE(v.controller->currentIndex(), 0);
    QCOMPARE(v.diskType->count(), 69);
  }

  void showsDiskInformation_data() {
    QTest::addColumn<int>("system");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("size");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("blocks");
    QTest::addColumn<QString>("sectors");
    QTest::addColumn<QString>("blockSize");
    QTest::newRow("rk05") << 2 << "rk05"
                          << "DEC RK05 cartridge disk drive"
                          << "2.4"
                          << "Mb"
                          << "4872"
                          << "12"
                          << "512";
    QTest::newRow("rx01") << 1 << "rx01"
                          << "DEC RX11 floppy"
                          << "250"
                          << "Kb"
                          << "2002"
                          << "26"
                          << "128";
    QTest::newRow("rs04") << 2 << "rs04"
                          << "DEC RS04 disk drive"
                          << "1024"
                          << "Kb"
                          << "4096"
                          << "64"
                          << "256";
    QTest::newRow("rl02") << 2 << "rl02"
                          << "DEC RL02 cartridge disk drive"
                          << "10.0"
                          << "Mb"
                          << "40960"
                          << "40"
                          << "256";
    QTest::newRow("rz29") << 2 << "rz29"
                          << "DEC RZ29 Winchester 4.3 GB 3.5\""
                          << "4.0"
                          << "Gb"
                          << "8380080"
                          << "113"
                          << "512";
    QTest::newRow("rz59") << 2 << "rz59"
                          << "DEC RZ59 Winchester"
                          << "8.5"
                          << "Gb"
                          << "17755614"
                          << "193"
                          << "512";
    QTest::newRow("ra92") << 2 << "ra92"
                          << "DEC RA92 Winchester"
                          << "1.4"
                          << "Gb"
                          << "2941263"
                          << "69"
                          << "512";
    QTest::newRow("rd51-p") << 3 << "rd51-p"
                            << "DEC RD51 10 MB 5.25\" (ST412) on DEC Pro"
                            << "9.6"
                            << "Mb"
                            << "19584"
                            << "16"
                            << "512";
  }

  void showsDiskInformation() {
    QFETCH(int, system);
    QFETCH(QString, name);
    BlankImgDlg dlg;
    View v(dlg);
    v.system->setCurrentIndex(system);
    QVERIFY(v.choose(name));
    QTEST(v.description->text(), "description");
    QTEST(v.size->text(), "size");
    QTEST(v.unit->text(), "unit");
    QTEST(v.blocks->text(), "blocks");
    QTEST(v.sectors->text(), "sectors");
    QTEST(v.blockSize->text(), "blockSize");
    QVERIFY(v.saveAs->isEnabled());
    QCOMPARE(QString(dlg.selectedRow()->name), name);
  }

  void anotherListChoiceForgetsTheDiskType() {
    BlankImgDlg dlg;
    View v(dlg);
    v.system->setCurrentIndex(2);
    QVERIFY(v.choose("rk05"));
    v.system->setCurrentIndex(4);
    QVERIFY(!v.saveAs->isEnabled());
    QVERIFY(v.boxesEmpty());
    QVERIFY(dlg.selectedRow() == nullptr);
    QCOMPARE(v.diskType->currentIndex(), 0);

    QVERIFY(v.choose("rd54"));
    v.controller->setCurrentIndex(1);
    QVERIFY(!v.saveAs->isEnabled());
    QVERIFY(v.boxesEmpty());

    QVERIFY(v.choose("rd54"));
    v.diskType->setCurrentIndex(0);
    QVERIFY(!v.saveAs->isEnabled());
    QVERIFY(v.boxesEmpty());

    QVERIFY(v.choose("rd52"));
    v.system->setCurrentIndex(0);  // back to Select System: everything off
    QVERIFY(!v.saveAs->isEnabled());
    QVERIFY(!v.controller->isEnabled());
    QVERIFY(!v.diskType->isEnabled());
    QCOMPARE(v.diskTypes(), QStringList{"Select disk type"});
    QVERIFY(v.boxesEmpty());
  }

  void theTwoRx50RowsAreBothOffered() {
    BlankImgDlg dlg;
    View v(dlg);
    v.system->setCurrentIndex(1);
    QVERIFY(v.choose("rx50", 0));
    QCOMPARE(v.description->text(), QString("DEC RX50 floppy"));
    QVERIFY(v.choose("rx50", 1));
    QCOMPARE(v.description->text(), QString("DEC RX50 5.25\""));
  }

  void enterDoesNothingAndEscapeEnds() {
    BlankImgDlg dlg;
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QTest::keyClick(&dlg, Qt::Key_Return);
    QTest::keyClick(&dlg, Qt::Key_Enter);
    QVERIFY(dlg.isVisible());
    QTest::keyClick(&dlg, Qt::Key_Escape);
    QVERIFY(!dlg.isVisible());
    QCOMPARE(dlg.result(), int(QDialog::Rejected));
  }

  void saveAsWritesTheImage() {
    QTemporaryDir dir;
    BlankImgDlg dlg;
    View v(dlg);
    Outside outside(dlg, dir.filePath("mine.dsk"));
    v.system->setCurrentIndex(2);
    QVERIFY(v.choose("rl01"));
    v.saveAs->trigger();
    QCOMPARE(outside.proposedName, QString("rl01.dsk"));
    QCOMPARE(outside.errors, QStringList{});
    QCOMPARE(QFileInfo(dir.filePath("mine.dsk")).size(), qint64(5'242'880));
    QCOMPARE(dlg.progressDlg().progressBar()->value(), 100);  // 20480 sectors: full at the last one
    QCOMPARE(dlg.lastPath(), dir.filePath("mine.dsk"));
    QCOMPARE(QString(dlg.selectedRow()->name), QString("rl01"));  // the selection stays
    QVERIFY(v.saveAs->isEnabled());
  }

  void saveAsFailuresShowTheirBox_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<qint64>("freeBytes");  // -1: the volume cannot be asked
    QTest::addColumn<QString>("error");
    QTest::addColumn<bool>("created");
    QTest::newRow("not enough space")
        << "rk05.dsk" << qint64(2'494'463) << "There is not enough disk space.\n2436 Kb is required" << false;
    QTest::newRow("cannot create") << "missing/rk05.dsk" << qint64(-1)
                                   << "Error: Cannot create disk image!\n"
                                      "Can't open image file: No such file or directory"
                                   << false;
    // The volume looks full, but the folder is missing: the box names the real cause.
    QTest::newRow("cannot create, no space reported")
        << "missing/rk05.dsk" << qint64(0)
        << "Error: Cannot create disk image!\nCan't open image file: No such file or directory" << false;
    QTest::newRow("unknown space, fine") << "rk05.dsk" << qint64(-1) << "" << true;
    QTest::newRow("just enough space") << "rk05.dsk" << qint64(2'494'464) << "" << true;
  }

  void saveAsFailuresShowTheirBox() {
    QFETCH(QString, file);
    QFETCH(qint64, freeBytes);
    QFETCH(QString, error);
    QFETCH(bool, created);
    QTemporaryDir dir;
    BlankImgDlg dlg;
    View v(dlg);
    Outside outside(dlg, dir.filePath(file));
    dlg.spaceQuery = [freeBytes](const std::filesystem::path&) -> std::optional<std::uint64_t> {
      if (freeBytes < 0) return std::nullopt;
      return std::uint64_t(freeBytes);
    };
    v.system->setCurrentIndex(2);
    QVERIFY(v.choose("rk05"));
    v.saveAs->trigger();
    QCOMPARE(outside.errors, error.isEmpty() ? QStringList{} : QStringList{error});
    QCOMPARE(QFileInfo::exists(dir.filePath(file)), created);
  }

  void saveAsBoxProposesTheNameAndFilters() {
    QTemporaryDir dir;
    BlankImgDlg dlg;
    View v(dlg);
    v.system->setCurrentIndex(2);
    QVERIFY(v.choose("rk05"));
    QString proposed, suffix;
    QStringList filters;
    QTimer::singleShot(0, &dlg, [&] {
      auto* box = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      proposed = QFileInfo(box->selectedFiles().value(0)).fileName();
      suffix = box->defaultSuffix();
      filters = box->nameFilters();
      box->setDirectory(dir.path());
      box->selectFile("saved");  // no extension typed: the default one is added
      static_cast<QDialog*>(box)->accept();
    });
    v.saveAs->trigger();
    QCOMPARE(proposed, QString("rk05.dsk"));
    QCOMPARE(suffix, QString("dsk"));
    QCOMPARE(filters, (QStringList{"Disk images (*.dsk)", "All Files (*.*)"}));
    QCOMPARE(QFileInfo(dir.filePath("saved.dsk")).size(), qint64(2'494'464));
  }

  void saveAsBoxAsksBeforeOverwriting() {
    QTemporaryDir dir;
    QFile existing(dir.filePath("keep.dsk"));
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.write("precious");
    existing.close();
    BlankImgDlg dlg;
    View v(dlg);
    v.system->setCurrentIndex(2);
    QVERIFY(v.choose("rk05"));
    bool asked = false;
    QTimer::singleShot(0, &dlg, [&] {
      auto* box = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      QTimer::singleShot(0, box, [&] {
        auto* question = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (question == nullptr) return;
        asked = true;
        question->button(QMessageBox::No)->click();
      });
      box->selectFile(dir.filePath("keep.dsk"));
      static_cast<QDialog*>(box)->accept();  // asks; No keeps the box open
      if (box->isVisible()) box->reject();
    });
    v.saveAs->trigger();
    QVERIFY(asked);
    QCOMPARE(QFileInfo(dir.filePath("keep.dsk")).size(), qint64(8));
  }

  void cancelledSaveAsBoxChangesNothing() {
    QTemporaryDir dir;
    BlankImgDlg dlg;
    View v(dlg);
    Outside outside(dlg, std::nullopt);
    v.system->setCurrentIndex(2);
    QVERIFY(v.choose("rk05"));
    v.saveAs->trigger();
    QCOMPARE(outside.proposedName, QString("rk05.dsk"));
    QVERIFY(outside.errors.isEmpty());
    QVERIFY(dlg.lastPath().isEmpty());
  }

  void cancellingTheRunLeavesNothingOfItAndNoBox_data() {
    QTest::addColumn<bool>("existed");
    QTest::newRow("new name") << false;
    QTest::newRow("over a file the user agreed to replace") << true;
  }

  void cancellingTheRunLeavesNothingOfItAndNoBox() {
    QFETCH(bool, existed);
    QTemporaryDir dir;
    if (existed) {
      QFile old(dir.filePath("ra92.dsk"));
      QVERIFY(old.open(QIODevice::WriteOnly));
      old.write("precious");
    }
    BlankImgDlg dlg;
    View v(dlg);
    Outside outside(dlg, dir.filePath("ra92.dsk"));
    v.system->setCurrentIndex(2);
    QVERIFY(v.choose("ra92"));  // 1.5 GB: far from done when Cancel is pressed
    bool stayedOnEnter = false;
    QTimer::singleShot(0, &dlg, [&] {
      ProgressDlg& progress = dlg.progressDlg();
      QTest::keyClick(&progress, Qt::Key_Return);
      stayedOnEnter = progress.isVisible();
      progress.findChild<QPushButton*>("bbCancel")->click();
    });
    v.saveAs->trigger();
    QVERIFY(stayedOnEnter);
    QVERIFY(outside.errors.isEmpty());
    const QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(left, existed ? QStringList{"ra92.dsk"} : QStringList{});
    if (existed) QCOMPARE(QFileInfo(dir.filePath("ra92.dsk")).size(), qint64(8));
    QVERIFY(v.saveAs->isEnabled());  // usable at once
  }

#ifdef Q_OS_UNIX
  void failedRunRemovesItsFileAndKeepsTheOldOne_data() {
    QTest::addColumn<bool>("existed");
    QTest::newRow("new name") << false;
    QTest::newRow("over a file the user agreed to replace") << true;
  }

  void failedRunRemovesItsFileAndKeepsTheOldOne() {
    QFETCH(bool, existed);
    QTemporaryDir dir;
    if (existed) {
      QFile old(dir.filePath("rk05.dsk"));
      QVERIFY(old.open(QIODevice::WriteOnly));
      old.write("precious");
    }
    BlankImgDlg dlg;
    View v(dlg);
    Outside outside(dlg, dir.filePath("rk05.dsk"));
    v.system->setCurrentIndex(2);
    QVERIFY(v.choose("rk05"));
    // Files may not grow past 1 MiB for a moment: the 2.4 MB image fails part way.
    rlimit saved{};
    QVERIFY(getrlimit(RLIMIT_FSIZE, &saved) == 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1 << 20;
    QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
    v.saveAs->trigger();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    QCOMPARE(outside.errors, QStringList{"Error: Cannot create disk image!\n"
                                         "Can't write image file: File too large"});
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             existed ? QStringList{"rk05.dsk"} : QStringList{});
    if (existed) QCOMPARE(QFileInfo(dir.filePath("rk05.dsk")).size(), qint64(8));
  }
#endif

  void helpMenuOpensTheTableAndTheAboutBox() {
    BlankImgDlg dlg;
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    for (const char* item : {"miDiskTable", "miAbout"}) {
      QString shown;
      QTimer::singleShot(0, &dlg, [&] {
        QWidget* box = QApplication::activeModalWidget();
        if (box == nullptr || box == &dlg) return;
        shown = box->windowTitle();
        QTest::keyClick(box, Qt::Key_Return);  // OK is the default button
      });
      dlg.findChild<QAction*>(item)->trigger();
      QCOMPARE(shown, QString(item == QString("miAbout") ? "About BLANKIMG" : "Supported disks"));
    }
    QVERIFY(dlg.isVisible());
  }

  void exitEndsTheDialog() {
    BlankImgDlg dlg;
    dlg.show();
    dlg.findChild<QAction*>("miExit")->trigger();
    QVERIFY(!dlg.isVisible());
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
  }

  void diskTableShowsEveryRow() {
    DiskTableDlg table;
    QCOMPARE(table.windowTitle(), QString("Supported disks"));
    const QStringList lines = table.textBox()->toPlainText().split('\n');
    QCOMPARE(lines.size(), 69);  // 68 rows, then the empty text after the last line end
    QCOMPARE(lines.first(), QString("rk05\tDEC RK05 cartridge disk drive\tPDP\t2436"));
    QVERIFY(lines.last().isEmpty());
    QCOMPARE(table.textBox()->document()->defaultTextOption().tabs().size(), 3);
    QVERIFY(table.textBox()->isReadOnly());
  }

  void paintsTheTitleInItsColour() {
    BlankImgDlg dlg;
    View v(dlg);
    v.system->setCurrentIndex(2);
    QVERIFY(v.choose("rk05"));
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    const QImage picture = dlg.grab().toImage();
    if (const QByteArray keep = qgetenv("BLANKIMG_SCREENSHOT"); !keep.isEmpty()) picture.save(QString(keep));
    // Whole glyph pixels of "KESTRA" are exactly the title colour, right of the emblem.
    const QWidget* client = v.system->parentWidget();
    const QPoint origin = client->mapTo(&dlg, QPoint(0, 0));
    int titlePixels = 0, addressPixels = 0;
    for (int y = 27; y < 27 + 40; ++y)
      for (int x = 120; x < 300; ++x)
        titlePixels += picture.pixelColor(origin + QPoint(x, y)) == QColor(33, 168, 231);
    for (int y = 476; y < 476 + 24; ++y)
      for (int x = 55; x < 300; ++x)
        addressPixels += picture.pixelColor(origin + QPoint(x, y)) == QColor(33, 168, 231);
    QVERIFY2(titlePixels > 100, qPrintable(QString::number(titlePixels)));
    QVERIFY2(addressPixels > 100, qPrintable(QString::number(addressPixels)));
    // Nowhere left of the title is painted in that colour: it starts where it should.
    for (int y = 27; y < 67; ++y)
      for (int x = 100; x < 118; ++x)
        QVERIFY(picture.pixelColor(origin + QPoint(x, y)) != QColor(33, 168, 231));
  }

 private:
  // Stands in for the Save As box and the error box, recording what the dialog asked and said.
  struct Outside {
    Outside(BlankImgDlg& dlg, std::optional<QString> answer) {
      dlg.askSavePath = [this, answer](const QString& name) {
        proposedName = name;
        return answer;
      };
      dlg.showError = [this](const QString& text) { errors << text; };
    }
    QString proposedName;
    QStringList errors;
  };
};

QTEST_MAIN(BlankImgDlgTest)
#include "BlankImgDlgTest.moc"
