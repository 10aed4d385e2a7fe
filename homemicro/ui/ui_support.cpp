#include "ui_support.h"

#include <QMessageBox>

void ShowGeneralError(QWidget* parent, const QString& description) {
  QMessageBox::critical(parent, kMessageCaption, description);
}

std::array<QRgb, homemicro::kColorCellCount> ColorTableColours() {
  std::array<QRgb, homemicro::kColorCellCount> colours{};
  for (int cell = 0; cell < homemicro::kColorCellCount; ++cell) colours[cell] = ToQRgb(homemicro::kColorTable[cell].Color);
  return colours;
}
