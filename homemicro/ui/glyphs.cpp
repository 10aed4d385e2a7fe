#include "glyphs.h"

#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int kGlyphSize = 20;

void DrawFolder(QPainter& p) {
  p.setPen(QPen(QColor(120, 90, 20), 1));
  p.setBrush(QColor(240, 200, 80));
  QPainterPath folder;
  folder.moveTo(2, 5);
  folder.lineTo(8, 5);
  folder.lineTo(10, 7);
  folder.lineTo(18, 7);
  folder.lineTo(18, 16);
  folder.lineTo(2, 16);
  folder.closeSubpath();
  p.drawPath(folder);
}

void DrawPaletteSwatches(QPainter& p, int x, int y, int cell) {
  const QColor swatches[] = {Qt::black, Qt::blue, Qt::green, Qt::red};
  p.setPen(Qt::NoPen);
  for (int i = 0; i < 4; ++i) p.fillRect(x + (i % 2) * cell, y + (i / 2) * cell, cell, cell, swatches[i]);
}

void DrawArrow(QPainter& p, QPointF from, QPointF to) {
  p.setPen(QPen(QColor(0, 100, 0), 2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(from, to);
  const QPointF dir = (to - from) / std::max(1.0, std::hypot(to.x() - from.x(), to.y() - from.y()));
  const QPointF side(-dir.y(), dir.x());
  p.drawLine(to, to - dir * 4 + side * 3);
  p.drawLine(to, to - dir * 4 - side * 3);
}

void DrawGlyph(QPainter& p, Glyph glyph) {
  const QColor ink(30, 30, 30);
  switch (glyph) {
    case Glyph::Play:
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(0, 140, 0));
      p.drawPolygon(QPolygonF({QPointF(5, 3), QPointF(17, 10), QPointF(5, 17)}));
      break;
    case Glyph::Stop:
      p.fillRect(4, 4, 12, 12, QColor(190, 0, 0));
      break;
    case Glyph::ColourReset:
      DrawPaletteSwatches(p, 2, 2, 6);
      DrawArrow(p, QPointF(18, 12), QPointF(15, 18));
      p.setPen(QPen(QColor(0, 100, 0), 2));
      p.drawArc(QRectF(8, 6, 10, 10), 0, 200 * 16);
      break;
    case Glyph::LoadPalette:
      DrawFolder(p);
      DrawPaletteSwatches(p, 7, 9, 3);
      break;
    case Glyph::SavePalette:
      p.setPen(QPen(ink, 1));
      p.setBrush(QColor(70, 90, 160));
      p.drawRect(2, 2, 16, 16);
      p.fillRect(5, 3, 10, 5, Qt::white);
      DrawPaletteSwatches(p, 7, 11, 3);
      break;
    case Glyph::Border:
      p.fillRect(2, 3, 16, 14, QColor(0, 120, 200));
      p.fillRect(5, 6, 10, 8, Qt::black);
      break;
    case Glyph::Sound:
      p.setPen(Qt::NoPen);
      p.setBrush(ink);
      p.drawPolygon(QPolygonF(
          {QPointF(2, 7), QPointF(6, 7), QPointF(11, 3), QPointF(11, 17), QPointF(6, 13), QPointF(2, 13)}));
      p.setBrush(Qt::NoBrush);
      p.setPen(QPen(ink, 1.5));
      p.drawArc(QRectF(8, 6, 6, 8), -60 * 16, 120 * 16);
      p.drawArc(QRectF(7, 3, 10, 14), -60 * 16, 120 * 16);
      break;
    case Glyph::ChangeDir:
      DrawFolder(p);
      DrawArrow(p, QPointF(6, 12), QPointF(14, 12));
      break;
    case Glyph::Options:
      p.setPen(QPen(ink, 1.5));
      for (int i = 0; i < 3; ++i) {
        const int y = 5 + 5 * i;
        p.drawLine(3, y, 17, y);
        p.fillRect(4 + 5 * ((i + 1) % 3), y - 2, 4, 5, QColor(70, 90, 160));
      }
      break;
    case Glyph::Minimize:
      p.fillRect(5, 13, 10, 3, ink);
      break;
    case Glyph::Close:
      p.setPen(QPen(ink, 2.5, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(5, 5, 15, 15);
      p.drawLine(15, 5, 5, 15);
      break;
  }
}

}  // namespace

QIcon GlyphIcon(Glyph glyph) {
  QIcon icon;
  for (int scale : {1, 2}) {
    QPixmap picture(kGlyphSize * scale, kGlyphSize * scale);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    DrawGlyph(p, glyph);
    p.end();
    picture.setDevicePixelRatio(scale);
    icon.addPixmap(picture);
  }
  return icon;
}

QPixmap ProgramPicture(int size) {
  QPixmap picture(size, size);
  picture.fill(Qt::transparent);
  QPainter p(&picture);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 32.0, size / 32.0);
  // Monitor with a lit screen, keyboard case below.
  p.setPen(QPen(QColor(40, 40, 40), 1));
  p.setBrush(QColor(200, 195, 180));
  p.drawRoundedRect(QRectF(5, 2, 22, 17), 2, 2);
  p.fillRect(QRectF(8, 5, 16, 11), QColor(10, 20, 60));
  p.setPen(QPen(QColor(120, 255, 120), 1));
  p.drawLine(QPointF(10, 8), QPointF(18, 8));
  p.drawLine(QPointF(10, 11), QPointF(15, 11));
  p.setPen(QPen(QColor(40, 40, 40), 1));
  p.setBrush(QColor(170, 40, 30));
  p.drawRoundedRect(QRectF(2, 21, 28, 9), 2, 2);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(235, 235, 225));
  for (int row = 0; row < 2; ++row)
    for (int key = 0; key < 8; ++key) p.drawRect(QRectF(4 + key * 3.1, 23 + row * 3, 2.2, 2));
  return picture;
}
