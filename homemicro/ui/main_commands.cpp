// TfmMain's commands: Play and Stop, the command keys, the colours, the palette and RAM image
// files, and the modal windows.
#include <QColorDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>

#include "about_fm.h"
#include "dir_fm.h"
#include "homemicro/frontend/machine_snapshot.h"
#include "homemicro/frontend/palette_file.h"
#include "homemicro/frontend/ram_image.h"
#include "homemicro/frontend/tape_program.h"
#include "main_fm.h"
#include "options_fm.h"
#include "palette_fm.h"
#include "run_state_probe.h"
#include "screen_box.h"
#include "tracer_fm.h"
#include "ui_support.h"

using namespace homemicro;

namespace {
constexpr std::string_view kCommandLineUsage = "Запуск: homemicro [ПРОГРАММА.bin | СНИМОК.bks]";
}  // namespace

// The hold hides the tracer (FollowRunState) before the dialog opens: the always-on-top tracer
// would otherwise cover the dialog that holds the keyboard.
void TfmMain::RunModal(const std::function<void()>& body) {
  session_->BeginModal();
  body();
  session_->EndModal();
}

void TfmMain::sbPlayClick() {
  session_->Play();
}

void TfmMain::sbStopClick() {
  session_->Stop();
}

void TfmMain::FollowRunState() {
  RefreshButtons();
  if (!fmTracer) return;
  if (session_->State().Run.TracerShown() && !ending_) {
    fmTracer->ShowStopped();
  } else {
    fmTracer->hide();
  }
  WriteRunStateProbe(*session_, fmTracer->isVisible());
}

void TfmMain::FormKeyDown(uint16_t virtualKey, uint8_t shiftState) {
  if (ending_) return;
  // Alt+F4 closes the window; it must not toggle the sound on its way.
  if (virtualKey == vk::F4 && (shiftState & kAltBit)) {
    close();
    return;
  }
  if (virtualKey == vk::Enter && (shiftState & kAltBit)) {
    toggleFullScreen();
    return;
  }
  if (virtualKey == vk::F11 && (shiftState & kCtrlBit)) {
    sbMaxSpeedClick();
    return;
  }
  if ((shiftState & kCtrlBit) && (shiftState & kAltBit) && virtualKey >= '1' &&
      virtualKey <= '0' + kLargestWindowScale) {
    SetWindowScale(virtualKey - '0');
    return;
  }
  switch (session_->KeyDown(virtualKey, shiftState)) {
    case KeyCommand::ShowAbout:
      Image1Click();
      break;
    case KeyCommand::ShowDirectoryChooser:
      sbCDirClick();
      break;
    case KeyCommand::ShowSettings:
      sbOptionsClick();
      break;
    case KeyCommand::Stopped:  // F11, or a hard reset that found no ROM file
    case KeyCommand::HardReset:
      pbScreen->update();
      RefreshButtons();  // the kit ROM's note follows the ROM just read
      break;
    case KeyCommand::Played:
      break;
    case KeyCommand::ScreenModeToggled:
      RefreshButtons();
      if (session_->State().Run.TimerEnabled()) pbScreen->update();
      break;
    case KeyCommand::SoundToggled:
    case KeyCommand::RomControlToggled:
      RefreshButtons();
      break;
    case KeyCommand::SaveState:
      sbSaveStateClick();
      break;
    case KeyCommand::LoadState:
      sbLoadStateClick();
      break;
    case KeyCommand::SoftReset:
    case KeyCommand::None:
      break;
  }
}

void TfmMain::FormKeyUp(uint16_t, uint8_t) {
  session_->KeyUp();
}

void TfmMain::Image1Click() {
  RunModal([this] { fmAbout->exec(); });
}

void TfmMain::sbCDirClick() {
  RunModal([this] { fmDir->exec(); });
}

void TfmMain::sbOptionsClick() {
  RunModal([this] { fmOptions->exec(); });
}

void TfmMain::pnColorClick(int panel) {
  RunModal([this, panel] {
    fmPalette->Tag = ColorCell(session_->State().PaletteEntries[static_cast<size_t>(panel)]);
    fmPalette->exec();
    session_->SetPaletteEntry(panel, fmPalette->Tag);
    ShowColors();
  });
}

void TfmMain::sbCResetClick() {
  session_->DefaultColors();
  ShowColors();
}

void TfmMain::sbBorderClick() {
  RunModal([this] {
    const QColor chosen = QColorDialog::getColor(pbScreen->borderColour(), this);
    if (!chosen.isValid()) return;
    pbScreen->setBorderColour(chosen);
    session_->State().BorderColor = static_cast<uint32_t>(chosen.red()) |
                                    (static_cast<uint32_t>(chosen.green()) << 8) |
                                    (static_cast<uint32_t>(chosen.blue()) << 16);
  });
}

void TfmMain::sbSavePalClick() {
  RunModal([this] {
    const QString path = ChooseFile(
        {true, FromView(kSavePaletteTitle), QtFilter(kPaletteFilter), FromView(kPaletteExtension), {}});
    if (path.isEmpty()) return;
    const std::string error = session_->SavePalette(path.toStdString());
    if (!error.empty()) ShowGeneralError(this, QString::fromStdString(error));
  });
}

void TfmMain::sbLoadPalClick() {
  RunModal([this] {
    const QString path = ChooseFile(
        {false, FromView(kLoadPaletteTitle), QtFilter(kPaletteFilter), FromView(kPaletteExtension), {}});
    if (!path.isEmpty()) {
      const std::string error = session_->LoadPalette(path.toStdString());
      if (!error.empty()) QMessageBox::critical(this, kMessageCaption, QString::fromStdString(error));
    }
    ShowColors();
  });
}

// The machine keeps running while the RAM image dialogs are open.
void TfmMain::sbSaveMemClick() {
  const QString path =
      ChooseFile({true, "Сохранить ОЗУ", QtFilter(kRamImageFilter), FromView(kRamImageExtension), {}});
  if (path.isEmpty()) return;
  if (QFileInfo::exists(path) && !AskYesNo(kOverwriteQuestion)) return;
  const std::string error = session_->SaveRam(path.toStdString());
  if (!error.empty()) {
    ShowGeneralError(this, QString::fromStdString(error));
    return;
  }
  QMessageBox::information(this, kMessageCaption, FromView(kRamSavedMessage));
}

void TfmMain::sbLoadMemClick() {
  const QString path =
      ChooseFile({false, "Загрузить ОЗУ", QtFilter(kRamImageFilter), FromView(kRamImageExtension), {}});
  if (path.isEmpty() || !QFileInfo::exists(path)) return;
  const std::string error = session_->LoadRam(path.toStdString());
  if (!error.empty()) {
    ShowGeneralError(this, QString::fromStdString(error));
    return;
  }
  pbScreen->update();
  QMessageBox::information(this, kMessageCaption, FromView(kRamLoadedMessage));
}

void TfmMain::toggleFullScreen() {
  if (isFullScreen()) {
    showNormal();
  } else {
    showFullScreen();
  }
  PlaceOverlays();
}

void TfmMain::sbLoadProgramClick() {
  RunModal([this] {
    const QString path = ChooseFile(
        {false, FromView(kLoadProgramTitle), QtFilter(kTapeFileFilter), FromView(kRamImageExtension), {}});
    if (!path.isEmpty()) LoadProgramFile(path);
  });
}

void TfmMain::LoadProgramFile(const QString& path) {
  const std::string error = session_->LoadProgram(path.toStdString());
  if (!error.empty()) {
    QMessageBox::critical(this, kMessageCaption, QString::fromStdString(error));
    return;
  }
  pbScreen->update();
}

void TfmMain::OpenDroppedFile(const QString& path) {
  if (path.endsWith("." + FromView(kSnapshotExtension), Qt::CaseInsensitive)) {
    LoadStateFile(path);
  } else {
    LoadProgramFile(path);
  }
}

void TfmMain::OpenCommandLine(const QStringList& arguments) {
  if (arguments.isEmpty()) return;
  if (arguments.size() > 1) {
    QMessageBox::critical(this, kMessageCaption, FromView(kCommandLineUsage));
    return;
  }
  const QString file = QFileInfo(arguments.first()).absoluteFilePath();
  if (file.endsWith("." + FromView(kSnapshotExtension), Qt::CaseInsensitive)) {
    LoadStateFile(file);
  } else {
    session_->LoadProgramAfterTicks(file.toStdString(), kProgramStartTicks);
  }
}

void TfmMain::sbSaveStateClick() {
  RunModal([this] {
    const QString path = ChooseFile(
        {true, "Сохранить состояние машины", QtFilter(kSnapshotFilter), FromView(kSnapshotExtension), {}});
    if (path.isEmpty()) return;
    if (QFileInfo::exists(path) && !AskYesNo(kOverwriteQuestion)) return;
    const std::string error = session_->SaveState(path.toStdString());
    if (!error.empty()) {
      ShowGeneralError(this, QString::fromStdString(error));
      return;
    }
    QMessageBox::information(this, kMessageCaption, FromView(kSnapshotSavedMessage));
  });
}

void TfmMain::sbLoadStateClick() {
  RunModal([this] {
    const QString path = ChooseFile(
        {false, "Загрузить состояние машины", QtFilter(kSnapshotFilter), FromView(kSnapshotExtension), {}});
    if (!path.isEmpty()) LoadStateFile(path);
  });
}

void TfmMain::LoadStateFile(const QString& path) {
  const std::string error = session_->LoadState(path.toStdString());
  if (!error.empty()) {
    QMessageBox::critical(this, kMessageCaption, QString::fromStdString(error));
    return;
  }
  pbScreen->update();
  RefreshButtons();
}

void TfmMain::FillCommandMenu(QMenu& menu) {
  menu.addAction("Загрузить программу...", this, &TfmMain::sbLoadProgramClick);
  menu.addAction("Сохранить состояние... (F2)", this, &TfmMain::sbSaveStateClick);
  menu.addAction("Загрузить состояние... (F3)", this, &TfmMain::sbLoadStateClick);
  menu.addSeparator();
  menu.addAction("Сохранить ОЗУ...", this, &TfmMain::sbSaveMemClick);
  menu.addAction("Загрузить ОЗУ...", this, &TfmMain::sbLoadMemClick);
  menu.addSeparator();
  for (int factor = 1; factor <= kLargestWindowScale; ++factor)
    menu.addAction(QString("Размер %1x (Ctrl+Alt+%1)").arg(factor), this,
                   [this, factor] { SetWindowScale(factor); });
  menu.addAction(isFullScreen() ? "Обычный размер (Alt+Enter)" : "Во весь экран (Alt+Enter)", this,
                 &TfmMain::toggleFullScreen);
  menu.addSeparator();
  QAction* fastest = menu.addAction("Максимальная скорость (Ctrl+F11)", this, &TfmMain::sbMaxSpeedClick);
  fastest->setCheckable(true);
  fastest->setChecked(pacing_.MaxSpeed());
}

void TfmMain::ShowScreenMenu(QPoint globalPos) {
  QMenu menu(this);
  FillCommandMenu(menu);
  menu.exec(globalPos);
}
