// pbScreen: the area under the tool bar. It is filled with the border colour and shows the
// machine's 512 x 256 picture where the 640 x 400 display places it, scaled by a whole factor
// when the window is larger.
#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>
#include <span>

class ScreenBox : public QWidget {
  Q_OBJECT
 public:
  // `picture`: the display's 640 x 400 bytes of palette indices; it must outlive the widget.
  ScreenBox(std::span<const uint8_t> picture, QWidget* parent);

  void setBorderColour(const QColor& colour);
  QColor borderColour() const { return border_; }

  // The whole factor the picture is drawn at, and where it lands in this widget.
  int scaleFactor() const;
  QRect pictureRect() const;

 signals:
  void contextMenuRequestedAt(QPoint globalPos);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  QImage image_;  // wraps the display's bytes, no copy
  QColor border_ = Qt::black;
};
