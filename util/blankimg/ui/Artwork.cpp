#include "Artwork.h"

#include <QLinearGradient>
#include <QPainter>

namespace blankimg {
namespace {

const QColor kBlue(33, 168, 231);
const QColor kDarkBlue(16, 84, 128);

// One platter seen slightly from above: an ellipse with a spindle hole.
void paintPlatter(QPainter& painter, const QRectF& box) {
  QLinearGradient shine(box.topLeft(), box.bottomRight());
  shine.setColorAt(0, kBlue.lighter(150));
  shine.setColorAt(1, kBlue);
  painter.setBrush(shine);
  painter.setPen(QPen(kDarkBlue, box.width() / 40));
  painter.drawEllipse(box);
  const QSizeF hole(box.width() / 5, box.height() / 5);
  painter.setBrush(kDarkBlue);
  painter.drawEllipse(QRectF(box.center() - QPointF(hole.width() / 2, hole.height() / 2), hole));
}

}  // namespace

QPixmap emblemPixmap(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  const qreal width = size * 0.9, height = size * 0.4, left = size * 0.05;
  for (int level = 2; level >= 0; --level)
    paintPlatter(painter, QRectF(left, size * 0.12 + level * size * 0.2, width, height));
  return pixmap;
}

QPixmap logoPixmap(int width, int height) {
  QPixmap pixmap(width, height);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF frame(1, 1, width - 2, height - 2);
  QLinearGradient fill(frame.topLeft(), frame.bottomLeft());
  fill.setColorAt(0, QColor(245, 250, 255));
  fill.setColorAt(1, QColor(214, 236, 250));
  painter.setBrush(fill);
  painter.setPen(QPen(kBlue, 2));
  painter.drawRoundedRect(frame, 10, 10);

  const int emblem = height * 2 / 3;
  painter.drawPixmap(12, (height - emblem) / 2, emblemPixmap(emblem));
  const QRect text(emblem + 24, 8, width - emblem - 32, height - 16);
  QFont title(painter.font());
  title.setPixelSize(height / 5);
  title.setBold(true);
  painter.setFont(title);
  painter.setPen(kDarkBlue);
  painter.drawText(text, Qt::AlignLeft | Qt::AlignTop, QStringLiteral("Blank disk images"));
  QFont small(painter.font());
  small.setPixelSize(height / 6);
  small.setBold(false);
  painter.setFont(small);
  painter.drawText(text, Qt::AlignLeft | Qt::AlignBottom, QStringLiteral("for PDP-11 and VAX\nemulators"));
  return pixmap;
}

QIcon applicationIcon() {
  QIcon icon;
  for (int size : {16, 32, 48, 64, 128}) icon.addPixmap(emblemPixmap(size));
  return icon;
}

}  // namespace blankimg
