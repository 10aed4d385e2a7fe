// Under a real X server (Xvfb): a ROM of our own draws a known pattern; the window's pixels as
// the server shows them must be the expected picture, in one-bit and in two-bit mode, with the
// border colour all around it.
#include <QScreen>
#include <QTest>
#include <QWindow>

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

// Compares every pixel of pbScreen as the X server shows it; the first mismatch is reported.
QString CompareScreen(TfmMain& window, bool oneBit) {
  QApplication::processEvents();
  QTest::qWait(300);
  const qreal ratio = window.devicePixelRatio();
  const QImage shot =
      window.screen()->grabWindow(window.winId()).toImage().convertToFormat(QImage::Format_RGB32);
  const QRect area(window.pbScreen->mapTo(&window, QPoint(0, 0)), window.pbScreen->size());
  const QRect picture(64, 73, 512, 256);
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      QColor expected = kBorder;
      if (picture.contains(x, y)) expected = y - 73 < 128 ? PatternColour(x - 64, oneBit) : Qt::black;
      const QColor seen = shot.pixelColor(QPoint(int(x * ratio), int(y * ratio)));
      if (seen.rgb() != expected.rgb())
        return QString("pixel (%1, %2): %3 instead of %4").arg(x).arg(y).arg(seen.name(), expected.name());
    }
  }
  return {};
}

}  // namespace

class ScreenshotTest : public QObject {
  Q_OBJECT
 private slots:
  void patternInBothModes();
};

void ScreenshotTest::patternInBothModes() {
  ConfigRecord config;
  config.BorderColor = static_cast<uint32_t>(kBorder.red() | (kBorder.green() << 8) | (kBorder.blue() << 16));
  const auto encoded = EncodeConfig(config);
  const QByteArray bytes(reinterpret_cast<const char*>(encoded.data()),
                         static_cast<qsizetype>(encoded.size()));
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

QTEST_MAIN(ScreenshotTest)
#include "screenshot_test.moc"
