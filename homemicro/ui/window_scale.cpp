// TfmMain's size: 1x, 2x and 3x of the 640 x 400 display, free resizing by the corner grip (the
// window has no frame), the size kept in the configuration, and the note shown while the kit's
// ROM stands in for a missing one.
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QResizeEvent>
#include <QScreen>
#include <QSizeGrip>
#include <QStandardPaths>
#include <algorithm>

#include "homemicro/frontend/rom_locator.h"
#include "main_fm.h"
#include "ui_support.h"

using namespace homemicro;

namespace {
constexpr int kNoteHeight = 18;
constexpr std::string_view kRomFilter = "Файлы ПЗУ (*.rom)|*.rom|Все файлы|*.*";
constexpr std::string_view kChooseRomTitle = "Выберите файл ПЗУ";
}  // namespace

void TfmMain::BuildRomNoteAndGrip() {
  lbRomNote = new QLabel(FromView(kKitRomNote), this);
  lbRomNote->setObjectName("lbRomNote");
  lbRomNote->setAutoFillBackground(true);
  QPalette colours = lbRomNote->palette();
  colours.setColor(QPalette::Window, QColor(0x30, 0x30, 0x30));
  colours.setColor(QPalette::WindowText, QColor(0xff, 0xe0, 0x80));
  lbRomNote->setPalette(colours);
  lbRomNote->setContentsMargins(4, 0, 4, 0);
  lbRomNote->hide();
  sizeGrip = new QSizeGrip(this);
  sizeGrip->setObjectName("sizeGrip");
}

void TfmMain::PlaceOverlays() {
  if (!sizeGrip) return;
  const QSize grip = sizeGrip->sizeHint();
  sizeGrip->setGeometry(width() - grip.width(), height() - grip.height(), grip.width(), grip.height());
  sizeGrip->setVisible(!isFullScreen());
  sizeGrip->raise();
  lbRomNote->setGeometry(2, height() - kNoteHeight - 2, lbRomNote->sizeHint().width(), kNoteHeight);
  lbRomNote->raise();
}

void TfmMain::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  PlaceOverlays();
}

void TfmMain::SetWindowScale(int factor) {
  factor = std::clamp(factor, 1, kLargestWindowScale);
  if (isFullScreen()) showNormal();
  // About the same centre, but on the screen as far as it fits.
  QRect wanted(QPoint(0, 0), QSize(kClientWidth * factor, kClientHeight * factor));
  wanted.moveCenter(geometry().center());
  if (const QScreen* here = screen()) {
    const QRect room = here->availableGeometry();
    wanted.moveLeft(std::max(room.left(), std::min(wanted.left(), room.right() + 1 - wanted.width())));
    wanted.moveTop(std::max(room.top(), std::min(wanted.top(), room.bottom() + 1 - wanted.height())));
  }
  setGeometry(wanted);
}

void TfmMain::RestoreWindowSize() {
  const FrontEndState& state = session_->State();
  if (state.WindowWidth <= 0 || state.WindowHeight <= 0) return;
  QSize size(std::max(state.WindowWidth, kClientWidth), std::max(state.WindowHeight, kClientHeight));
  // A size saved on a larger screen still fits this one.
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QSize room = screen->availableGeometry().size();
    size = size.boundedTo(room).expandedTo(QSize(kClientWidth, kClientHeight));
  }
  resize(size);
}

void TfmMain::RememberWindowSize() {
  const QSize size = isFullScreen() ? normalGeometry().size() : this->size();
  const bool usual = size == QSize(kClientWidth, kClientHeight) || size.isEmpty();
  session_->State().WindowWidth = usual ? 0 : size.width();
  session_->State().WindowHeight = usual ? 0 : size.height();
}

std::optional<std::filesystem::path> TfmMain::LocateKitRom() {
  std::vector<std::filesystem::path> data;
  for (const QString& folder : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
    data.emplace_back(folder.toStdString());
  const std::vector<std::filesystem::path> candidates = KitRomCandidates(
      QCoreApplication::applicationDirPath().toStdString(), HOMEMICRO_DATA_FROM_PROGRAM, data);
  return FindKitRom(candidates);
}

QString TfmMain::ChooseRomFile() {
  const std::string& start = session_->Settings().StartDirectory;
  const QString chosen = ChooseFile(
      {false, FromView(kChooseRomTitle), QtFilter(kRomFilter), "rom", QString::fromStdString(start)});
  if (chosen.isEmpty()) return {};
  return QString::fromStdString(RomNameForChosenFile(start, chosen.toStdString()));
}
