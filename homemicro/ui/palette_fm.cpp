#include "palette_fm.h"

#include <QDialogButtonBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// ZCURSOR: a hollow square with a contrasting inner outline, visible on every cell colour.
QPixmap MakeCellCursor() {
  QPixmap mark(TfmPalette::kCellSize, TfmPalette::kCellSize);
  mark.fill(Qt::transparent);
  QPainter p(&mark);
  p.setPen(QPen(Qt::black, 3));
  p.drawRect(2, 2, TfmPalette::kCellSize - 5, TfmPalette::kCellSize - 5);
  p.setPen(QPen(Qt::white, 1));
  p.drawRect(5, 5, TfmPalette::kCellSize - 11, TfmPalette::kCellSize - 11);
  return mark;
}

}  // namespace

TfmPalette::TfmPalette(const std::array<QRgb, kCells>& cellColours, QWidget* parent)
    : CaptionDialog(parent), bmPalette_(kColumns, kCells / kColumns, QImage::Format_RGB32) {
  setObjectName("fmPalette");
  setWindowTitle("Выберите цвет");
  for (int cell = 0; cell < kCells; ++cell)
    bmPalette_.setPixel(cell % kColumns, cell / kColumns, cellColours[cell]);
  cursor_ = MakeCellCursor();
  work_ = QPixmap(kColumns * kCellSize, (kCells / kColumns) * kCellSize);

  auto* bevel = new QFrame(this);
  bevel->setFrameShape(QFrame::Panel);
  bevel->setFrameShadow(QFrame::Sunken);
  auto* bevelLayout = new QVBoxLayout(bevel);
  bevelLayout->setContentsMargins(4, 4, 4, 4);
  pbPalette = new PaletteBox(this);
  bevelLayout->addWidget(pbPalette);
  body()->addWidget(bevel, 0, Qt::AlignHCenter);

  auto* buttons = new QHBoxLayout();
  auto* apply = new QPushButton("Применить", this);
  apply->setObjectName("bbApply");
  apply->setDefault(true);
  auto* cancel = new QPushButton("Отменить", this);
  cancel->setObjectName("bbCancel");
  buttons->addStretch();
  buttons->addWidget(apply);
  buttons->addWidget(cancel);
  body()->addLayout(buttons);
  connect(apply, &QPushButton::clicked, this, [this] {
    Tag = current_;
    accept();
  });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  bmRePaint(0);
}

void TfmPalette::bmRePaint(int cell) {
  if (cell < 0 || cell >= kCells) cell = 0;
  QPainter p(&work_);
  p.drawImage(work_.rect(), bmPalette_);
  p.drawPixmap((cell % kColumns) * kCellSize, (cell / kColumns) * kCellSize, cursor_);
  p.end();
  pbPalette->update();
}

void TfmPalette::pbPaletteMouseDown(QPoint at) {
  if (!work_.rect().contains(at)) return;
  current_ = at.x() / kCellSize + kColumns * (at.y() / kCellSize);
  bmRePaint(current_);
}

void TfmPalette::showEvent(QShowEvent* event) {
  current_ = (Tag >= 0 && Tag < kCells) ? Tag : 0;
  bmRePaint(current_);
  centreOnScreen();
  CaptionDialog::showEvent(event);
}

PaletteBox::PaletteBox(TfmPalette* owner) : QWidget(owner), owner_(owner) {
  setObjectName("pbPalette");
  setFixedSize(TfmPalette::kColumns * TfmPalette::kCellSize,
               (TfmPalette::kCells / TfmPalette::kColumns) * TfmPalette::kCellSize);
  setCursor(Qt::PointingHandCursor);
}

void PaletteBox::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.drawPixmap(0, 0, owner_->workBitmap());
}

void PaletteBox::mousePressEvent(QMouseEvent* event) {
  owner_->pbPaletteMouseDown(event->position().toPoint());
}
