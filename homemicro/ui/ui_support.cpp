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
    // The dialog shows the patterns after the caption; a caption that names its extensions
    // itself, "Файлы палитры (.bkp)", would name them twice.
    QString caption = parts[i];
    if (caption.endsWith(')') && caption.contains(" (")) caption.truncate(caption.lastIndexOf(" ("));
    entries << QString("%1 (%2)").arg(caption, patterns);
  }
  return entries.join(";;");
}
