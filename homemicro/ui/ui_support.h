// Small helpers shared by the windows: the program's message boxes and colour conversions.
#pragma once

#include <QColor>
#include <QString>
#include <array>
#include <string_view>

#include "homemicro/core/oct.h"
#include "homemicro/frontend/color_table.h"

class QWidget;

inline constexpr const char* kMessageCaption = "Emul";

// The program's general error report: a message box with the description of the failure.
void ShowGeneralError(QWidget* parent, const QString& description);

inline QString FromView(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A filter as the program writes it, "Caption|*.a;*.b|Caption|*.*", in Qt's form
// "Caption (*.a *.b);;Caption (*.*)". A caption ending in its own "(...)" loses it, so each
// extension is named once.
QString QtFilter(std::string_view filter);

inline QRgb ToQRgb(const homemicro::Rgb& c) {
  return qRgb(c.Red, c.Green, c.Blue);
}

// The colour of each cell of the colour table, cell 0 first.
std::array<QRgb, homemicro::kColorCellCount> ColorTableColours();
