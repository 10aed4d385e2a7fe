// Under a real X server (Xvfb): a ROM of our own draws a known pattern; the window's pixels as
// the server shows them must be the expected picture, in one-bit and in two-bit mode, with the
// border colour all around it. The tracer's panes, grabbed the same way, show every line whole.
#include <QLabel>
#include <QScreen>
#include <QSizeGrip>
#include <QTest>
#include <QWindow>
#include <functional>

#include "tracer_fm.h"

#include "homemicro/frontend/config_file.h"
#include "homemicro/frontend/virtual_keys.h"
#include "screen_box.h"
#include "ui_test_support.h"

using namespace homemicro;

namespace {

// Lines 0..127 get the byte 033 (bits 0 1 3 4 set), lines 128..255 are cleared; then it waits.
QByteArray PatternRom() {
  return RomImage({012700, 040000, 012701, 010000, 012720, 015433, 077103,  //
                   012701, 010000, 005020, 077102, 000777});
}

const QColor kBorder(0x20, 0x60, 0xA0);

// Colour of picture pixel x of a pattern line. One-bit: bit x % 8 of 033. Two-bit: the pair
// of bits of BK pixel (x / 2) % 4, the lower bit being the high bit of the colour number.
QColor PatternColour(int x, bool oneBit) {
  const int byte = 033;
  if (oneBit) return (byte >> (x % 8)) & 1 ? Qt::white : Qt::black;
  const int pair = (x / 2) % 4;
  const int number = 2 * ((byte >> (2 * pair)) & 1) + ((byte >> (2 * pair + 1)) & 1);
  const QColor colours[] = {Qt::black, QColor(0, 0, 255), QColor(0, 255, 0), QColor(255, 0, 0)};
  return colours[number];
}

// The window as the X server shows it, in window pixels. With HOMEMICRO_SCREENSHOT_DIR set, the shot is
// also kept there under `name`, for a look by eye.
QImage Shot(TfmMain& window, const QString& name) {
  QApplication::processEvents();
  QTest::qWait(300);
  window.repaint();  // a window just made larger may not have painted its new part yet
  QTest::qWait(100);
  QImage shot = window.screen()->grabWindow(window.winId()).toImage().convertToFormat(QImage::Format_RGB32);
  shot = shot.scaled(window.size());  // device pixels to window pixels (the same at ratio 1)
  if (const QByteArray dir = qgetenv("HOMEMICRO_SCREENSHOT_DIR"); !dir.isEmpty())
    shot.save(QString::fromLocal8Bit(dir) + "/" + name + ".png");
  return shot;
}

// Compares every pixel of pbScreen as the X server shows it; the first mismatch is reported.
// The corner grip is no part of the screen.
QString CompareScreen(TfmMain& window, bool oneBit) {
  const QImage shot = Shot(window, oneBit ? "one-bit" : "two-bit");
  const QRect area(window.pbScreen->mapTo(&window, QPoint(0, 0)), window.pbScreen->size());
  const QRect grip(window.sizeGrip->geometry());
  const QRect picture(64, 73, 512, 256);
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      if (grip.contains(x, y)) continue;
      QColor expected = kBorder;
      if (picture.contains(x, y)) expected = y - 73 < 128 ? PatternColour(x - 64, oneBit) : Qt::black;
      const QColor seen = shot.pixelColor(QPoint(x, y));
      if (seen.rgb() != expected.rgb())
        return QString("pixel (%1, %2): %3 instead of %4").arg(x).arg(y).arg(seen.name(), expected.name());
    }
  }
  return {};
}

// Runs of pixel rows that hold ink (a dark pixel) in the columns [left, left + width) of `area`.
struct Band {
  int top, bottom;  // inclusive
  int height() const { return bottom - top + 1; }
};

QVector<Band> InkBands(const QImage& shot, QRect area, int inkColumns) {
  QVector<Band> bands;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    bool ink = false;
    for (int x = area.left(); x < area.left() + inkColumns && x <= area.right() && !ink; ++x)
      ink = qGray(shot.pixel(x, y)) < 110;
    if (!ink) continue;
    if (!bands.isEmpty() && bands.last().bottom == y - 1) {
      bands.last().bottom = y;
    } else {
      bands.append({y, y});
    }
  }
  return bands;
}

// Every one of `lines` text lines of a pane shows as a band of ink as high as the first line's,
// ending inside the pane: a line cut off by the pane is shorter or missing.
QString CheckLinesWhole(const QImage& shot, QLabel* pane, int lines, int inkColumns, QWidget* window) {
  const QRect area(pane->mapTo(window, QPoint(0, 0)), pane->size());
  const QVector<Band> bands = InkBands(shot, area, inkColumns);
  QString seen;
  for (const Band& b : bands) seen += QString(" %1-%2").arg(b.top).arg(b.bottom);
  if (bands.size() != lines)
    return QString("%1: %2 lines drawn instead of %3 (rows%4, pane %5-%6)")
        .arg(pane->objectName())
        .arg(bands.size())
        .arg(lines)
        .arg(seen)
        .arg(area.top())
        .arg(area.bottom());
  for (const Band& b : bands) {
    if (b.height() < bands.first().height() - 1 || b.bottom >= area.bottom())
      return QString("%1: a line drawn cut off (rows%2, pane %3-%4)")
          .arg(pane->objectName())
          .arg(seen)
          .arg(area.top())
          .arg(area.bottom());
  }
  return {};
}

// Every pixel of `big` in `bigArea` is the pixel of `one` at its coordinates divided by k,
// counted from the areas' corners.
QString CompareScaled(const QImage& one, const QRect& oneArea, const QImage& big, const QRect& bigArea,
                      int k) {
  if (bigArea.size() != oneArea.size() * k)
    return QString("area %1 x %2").arg(bigArea.width()).arg(bigArea.height());
  for (int y = 0; y < bigArea.height(); ++y) {
    for (int x = 0; x < bigArea.width(); ++x) {
      const QColor seen = big.pixelColor(bigArea.topLeft() + QPoint(x, y));
      const QColor expected = one.pixelColor(oneArea.topLeft() + QPoint(x / k, y / k));
      if (seen.rgb() != expected.rgb())
        return QString("pixel (%1, %2) at %3x: %4 instead of %5")
            .arg(x)
            .arg(y)
            .arg(k)
            .arg(seen.name(), expected.name());
    }
  }
  return {};
}

QByteArray BorderedConfig() {
  ConfigRecord config;
  config.BorderColor = static_cast<uint32_t>(kBorder.red() | (kBorder.green() << 8) | (kBorder.blue() << 16));
  const auto encoded = EncodeConfig(config);
  return QByteArray(reinterpret_cast<const char*>(encoded.data()), static_cast<qsizetype>(encoded.size()));
}

}  // namespace

class ScreenshotTest : public QObject {
  Q_OBJECT
 private slots:
  void patternInBothModes();
  void tracerShowsNinthLineAndStatusWhole();
  void largerSizesDoubleAndTripleEveryPixel();
};

void ScreenshotTest::patternInBothModes() {
  const QByteArray bytes = BorderedConfig();
  StartedMain m(PatternRom(), true, nullptr, &bytes);
  QVERIFY(m.started);
  TfmMain& w = *m.window;
  w.tmProcessor->stop();  // the ticks below are run by hand; the session still counts as running
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  w.tmProcessorTimer();
  w.tmProcessorTimer();
  QCOMPARE(m.pc(), 0100026);  // the pattern is drawn, the ROM waits
  QCOMPARE(CompareScreen(w, true), QString());

  w.FormKeyDown(vk::ScrollLock, 0);  // running: redrawn at once in two-bit mode
  QCOMPARE(CompareScreen(w, false), QString());
}

void ScreenshotTest::tracerShowsNinthLineAndStatusWhole() {
  StartedMain m;
  QVERIFY(m.started);
  TfmMain& w = *m.window;
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  // Digits and capitals on every line: each line's ink is as high as the first one's.
  for (uint16_t a = 01000; a < 01100; a += 2) m.machine().PokeWord(a, 012700);  // MOV #12700,R0 ...
  m.machine().State().R[kPC] = 01002;
  w.FormKeyDown(vk::F11, 0);
  TfmTracer& t = *w.fmTracer;
  QVERIFY(t.isVisible());
  m.machine().State().FlagZ = m.machine().State().FlagC = 1;
  m.machine().State().TraceTrapPending = 1;
  t.UpdateAll();
  QVERIFY(QTest::qWaitForWindowExposed(&t));
  QApplication::processEvents();
  QTest::qWait(300);
  const QImage shot = t.screen()->grabWindow(t.winId()).toImage().convertToFormat(QImage::Format_RGB32);
  if (const QByteArray dir = qgetenv("HOMEMICRO_SCREENSHOT_DIR"); !dir.isEmpty())
    shot.save(QString::fromLocal8Bit(dir) + "/tracer.png");
  QCOMPARE(t.devicePixelRatio(), 1.0);
  for (QLabel* pane : {t.lbAsm, t.lbReg, t.lbDump, t.Label1}) {
    const QSize needed = pane->sizeHint();
    QVERIFY2(needed.height() <= pane->height() && needed.width() <= pane->width(),
             qPrintable(pane->objectName()));
  }
  const int digit = QFontMetrics(t.lbAsm->font()).horizontalAdvance('0');
  // The listing's address column; the register pane's whole width ("PS: T -Z-C").
  QCOMPARE(CheckLinesWhole(shot, t.lbAsm, 9, 6 * digit, &t), QString());
  QCOMPARE(CheckLinesWhole(shot, t.lbReg, 9, t.lbReg->width(), &t), QString());
  QCOMPARE(CheckLinesWhole(shot, t.lbDump, 4, t.lbDump->width(), &t), QString());
  QCOMPARE(t.lbReg->text().split('\n').last(), QString("PS: T -Z-C"));
  // The status letters themselves have ink: the band of the PS line reaches the Z and the C.
  const QRect reg(t.lbReg->mapTo(&t, QPoint(0, 0)), t.lbReg->size());
  const QVector<Band> regBands = InkBands(shot, reg, reg.width());
  const QRect status(reg.left() + QFontMetrics(t.lbReg->font()).horizontalAdvance("PS: T -"),
                     regBands.last().top, 4 * digit, regBands.last().height());
  QCOMPARE(InkBands(shot, status, status.width()).size(), 1);
}

void ScreenshotTest::largerSizesDoubleAndTripleEveryPixel() {
  const QByteArray bytes = BorderedConfig();
  StartedMain m(PatternRom(), true, nullptr, &bytes);
  QVERIFY(m.started);
  TfmMain& w = *m.window;
  w.tmProcessor->stop();
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  w.tmProcessorTimer();
  w.tmProcessorTimer();
  w.FormKeyDown(vk::ScrollLock, 0);  // two-bit: every BK pixel is two screen pixels of one colour
  // At 1x: the picture with 32 pixels of border around it, clear of the tool bar and the grip.
  const QRect oneArea(64 - 32, 73 - 32, 512 + 64, 256 + 64);
  const QImage one = Shot(w, "scale-1x");
  struct Case {
    const char* What;
    std::function<void()> Resize;
    QSize Window;
    int Factor;
  } const cases[] = {
      {"2x by key", [&] { w.FormKeyDown('2', kCtrlBit | kAltBit); }, QSize(1280, 800), 2},
      {"3x by key", [&] { w.FormKeyDown('3', kCtrlBit | kAltBit); }, QSize(1920, 1200), 3},
      {"free size, 2x fits", [&] { w.resize(1500, 900); }, QSize(1500, 900), 2},
      {"free size, only 1x fits", [&] { w.resize(1000, 700); }, QSize(1000, 700), 1},
      {"back to 1x", [&] { w.SetWindowScale(1); }, QSize(640, 400), 1},
  };
  for (const Case& c : cases) {
    c.Resize();
    QTRY_COMPARE(w.size(), c.Window);
    QCOMPARE(w.pbScreen->scaleFactor(), c.Factor);
    const int k = c.Factor;
    // The picture is centred; its corner in the window.
    const QPoint corner((c.Window.width() - 512 * k) / 2, (c.Window.height() - 256 * k) / 2 + k);
    QCOMPARE(w.pbScreen->mapTo(&w, w.pbScreen->pictureRect().topLeft()), corner);
    const QRect bigArea(corner - QPoint(32 * k, 32 * k), oneArea.size() * k);
    const QImage big = Shot(w, QString("scale-%1").arg(c.What).replace(' ', '-'));
    QCOMPARE(CompareScaled(one, oneArea, big, bigArea, k), QString());
  }
}

QTEST_MAIN(ScreenshotTest)
#include "screenshot_test.moc"
