// TfmPalette: the colour chooser, sixteen cells of the colour table in an 8 x 2 grid.
#pragma once

#include <QImage>
#include <QPixmap>
#include <array>

#include "caption_dialog.h"

class PaletteBox;

class TfmPalette : public CaptionDialog {
  Q_OBJECT
 public:
  static constexpr int kCellSize = 32;
  static constexpr int kColumns = 8;
  static constexpr int kCells = 16;

  // cellColours: the colour of each cell of the colour table, cell 0 first.
  explicit TfmPalette(const std::array<QRgb, kCells>& cellColours, QWidget* parent = nullptr);

  // In: the cell the chooser opens with; out: the chosen cell ("Отменить" leaves it as it came).
  int Tag = 0;
  int currentCell() const { return current_; }

  PaletteBox* pbPalette = nullptr;

  // Draws the grid and the cursor mark on `cell` into the work bitmap and shows it.
  void bmRePaint(int cell);
  // Mouse press in pbPalette at (x, y) of its own coordinates.
  void pbPaletteMouseDown(QPoint at);
  const QPixmap& workBitmap() const { return work_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QImage bmPalette_;  // 8 x 2 pixels, one per cell
  QPixmap cursor_;
  QPixmap work_;
  int current_ = 0;
};

// The 256 x 64 picture box; paints the chooser's work bitmap.
class PaletteBox : public QWidget {
  Q_OBJECT
 public:
  explicit PaletteBox(TfmPalette* owner);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  TfmPalette* owner_;
};
