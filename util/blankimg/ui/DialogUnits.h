// Layout in dialog units, as the dialogs were drawn: a horizontal unit is a quarter of the dialog
// font's average letter width and a vertical unit an eighth of its height, so the layout grows
// with whatever font the desktop substitutes.
#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QRect>
#include <QWidget>

namespace blankimg {

class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    baseX_ = (metrics.horizontalAdvance(letters) / 26 + 1) / 2;
    baseY_ = metrics.height();
  }
  int x(int units) const { return units * baseX_ / 4; }
  int y(int units) const { return units * baseY_ / 8; }
  QRect rect(int left, int top, int width, int height) const {
    return QRect(x(left), y(top), x(width), y(height));
  }
  void place(QWidget* widget, int left, int top, int width, int height) const {
    widget->setGeometry(rect(left, top, width, height));
  }

 private:
  int baseX_;
  int baseY_;
};

// The 8-point dialog font: the desktop's own face at the size the dialogs were drawn for.
inline QFont dialogFont(QFont font) {
  font.setPointSize(8);
  return font;
}

}  // namespace blankimg
