#include "ui_support.h"

#include <QMessageBox>
#include <QStringList>

void ShowGeneralError(QWidget* parent, const QString& description) {
  QMessageBox::critical(parent, kMessageCaption, description);
}

std::array<QRgb, homemicro::kColorCellCount> ColorTableColours() {
  std::array<QRgb, homemicro::kColorCellCount> colours{};
  for (int cell = 0; cell < homemicro::kColorCellCount; ++cell)
    colours[cell] = ToQRgb(homemicro::kColorTable[cell].Color);
  return colours;
}

QString QtFilter(std::string_view filter) {
  const QStringList parts = FromView(filter).split('|');
  QStringList entries;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(';', ' ');
    entries << QString("%1 (%2)").arg(parts[i], patterns);
  }
  return entries.join(";;");
}
