#include "screen_box.h"

#include <QContextMenuEvent>
#include <QPainter>
#include <algorithm>

#include "homemicro/frontend/display.h"
#include "ui_support.h"

using namespace homemicro;

ScreenBox::ScreenBox(std::span<const uint8_t> picture, QWidget* parent)
    : QWidget(parent),
      image_(picture.data(), kDisplayWidth, kDisplayHeight, kDisplayWidth, QImage::Format_Indexed8) {
  setObjectName("pbScreen");
  QList<QRgb> colours;
  for (const Rgb& c : DisplayColors()) colours.append(ToQRgb(c));
  image_.setColorTable(colours);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::NoFocus);
}

void ScreenBox::setBorderColour(const QColor& colour) {
  border_ = colour;
  update();
}

int ScreenBox::scaleFactor() const {
  const QWidget* top = window();
  return std::max(1, std::min(top->width() / kDisplayWidth, top->height() / kDisplayHeight));
}

QRect ScreenBox::pictureRect() const {
  // The display is centred in the window, so at factor 1 the picture lands at (64, 73) of the
  // window as the 640 x 400 display places it.
  const int k = scaleFactor();
  const QWidget* top = window();
  const QPoint inWindow((top->width() - kPictureWidth * k) / 2, (top->height() - kPictureHeight * k) / 2 + k);
  const QPoint here = mapFrom(top, inWindow);
  return QRect(here, QSize(kPictureWidth * k, kPictureHeight * k));
}

void ScreenBox::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), border_);
  p.drawImage(pictureRect(), image_, QRect(kPictureLeft, kPictureTop, kPictureWidth, kPictureHeight));
}

void ScreenBox::contextMenuEvent(QContextMenuEvent* event) {
  emit contextMenuRequestedAt(event->globalPos());
}
