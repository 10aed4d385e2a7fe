// TfmMain: construction, start-up and close, the run timer, and the host services of the core.
#include "main_fm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "about_fm.h"
#include "dir_fm.h"
#include "glyphs.h"
#include "homemicro/frontend/qt_keys.h"
#include "input_fm.h"
#include "options_fm.h"
#include "palette_fm.h"
#include "run_state_probe.h"
#include "screen_box.h"
#include "tracer_fm.h"
#include "ui_support.h"

using namespace homemicro;

namespace {

const char* const kDisplayFailure = "Unable to init DirectDraw... Program terminated.";
}  // namespace

TfmMain::TfmMain(std::unique_ptr<SoundOutput> sound, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), sound_(std::move(sound)) {
  setObjectName("fmMain");
  setWindowTitle("БК-0010.01");
  setWindowIcon(QIcon(ProgramPicture(64)));
  setFocusPolicy(Qt::StrongFocus);
  HostServices& host = *this;
  session_ = std::make_unique<EmulatorSession>(host, sound_ ? sound_->SampleRate() : 44100);
  session_->SetRunStateObserver([this] { FollowRunState(); });

  tmProcessor = new QTimer(this);
  tmProcessor->setObjectName("tmProcessor");
  tmProcessor->setInterval(kTickMilliseconds);
  tmProcessor->setTimerType(Qt::PreciseTimer);
  connect(tmProcessor, &QTimer::timeout, this, &TfmMain::tmProcessorTimer);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  BuildToolBar();
  pnTools->setFixedHeight(kToolBarHeight);
  layout->addWidget(pnTools);
  auto* panel1 = new QFrame(this);
  panel1->setObjectName("Panel1");
  panel1->setFrameShape(QFrame::Box);
  panel1->setLineWidth(1);
  auto* panelLayout = new QVBoxLayout(panel1);
  panelLayout->setContentsMargins(1, 1, 1, 1);
  pbScreen = new ScreenBox(session_->GetDisplay().Picture(), panel1);
  panelLayout->addWidget(pbScreen);
  layout->addWidget(panel1, 1);
  connect(pbScreen, &ScreenBox::contextMenuRequestedAt, this, &TfmMain::ShowScreenMenu);

  BuildRomNoteAndGrip();
  setAcceptDrops(true);
  setMinimumSize(kClientWidth, kClientHeight);
  resize(kClientWidth, kClientHeight);
}

TfmMain::~TfmMain() {
  // The other windows reach into the session; they go before it does.
  tmProcessor->stop();
  session_->SetRunStateObserver({});
  if (fmTracer) fmTracer->hide();
  delete fmTracer;
  delete fmOptions;
  fmTracer = nullptr;  // fmInput went with it
  fmInput = nullptr;
  fmOptions = nullptr;
}

bool TfmMain::StartUp(const QString& startDirectory) {
  const bool audio = sound_ && sound_->Available();
  session_->SetKitRom(LocateKitRom());
  const StartUpResult result = session_->StartUp(startDirectory.toStdString(), audio);
  if (!result.Ok) {
    tmProcessor->stop();
    if (!result.FatalMessage.empty()) ShowMessage(result.FatalMessage, MessageIcon::Error);
    ending_ = true;
    return false;
  }
  const uint32_t border = session_->State().BorderColor;  // 0x00BBGGRR
  pbScreen->setBorderColour(QColor(border & 0xFF, (border >> 8) & 0xFF, (border >> 16) & 0xFF));
  ShowColors();
  CreateWindows();
  RestoreWindowSize();
  FollowRunState();  // a start stopped by the configuration shows the tracer
  // Centred on the screen.
  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  return true;
}

void TfmMain::CreateWindows() {
  fmTracer = new TfmTracer(*this, this);
  // The number box belongs to the tracer, so it stays above it and hands the focus back to it.
  fmInput = new TfmInput(fmTracer);
  fmInput->setAnchor(fmTracer);
  fmTracer->setInputBox(fmInput);
  fmAbout = new TfmAbout(this);
  fmPalette = new TfmPalette(ColorTableColours(), this);
  fmDir = new TfmDir(this);
  FrontEndState& state = session_->State();
  FrontEndSettings& settings = session_->Settings();
  fmOptions = new TfmOptions(
      {state.EmulationSpeed, state.RepaintCount, settings.RomFileName, settings.StartAddress},
      [this] { session_->SoftReset(); }, this);
  fmOptions->chooseRomFile = [this] { return ChooseRomFile(); };
}

void TfmMain::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!directDrawReady_) InitDirectDraw();
}

void TfmMain::InitDirectDraw() {
  // The picture and its window exist by now; without a screen there is nothing to show it on.
  if (!screen()) {
    QMessageBox::critical(nullptr, "DDError", kDisplayFailure);
    ending_ = true;
    emit programEnded(1);
    return;
  }
  directDrawReady_ = true;
}

void TfmMain::tmProcessorTimer() {
  // A message box opened inside a tick runs its own event loop; the tick must not start again.
  if (inTick_ || ending_) return;
  inTick_ = true;
  const TickOutcome outcome = pacing_.RunTimerEvent([this] { return session_->Tick(); }).Last;
  inTick_ = false;
  WriteRunStateProbe(*session_, fmTracer && fmTracer->isVisible());
  PlaySound();
  switch (outcome) {
    case TickOutcome::Completed:
      pbScreen->update();
      break;
    case TickOutcome::StoppedAtBreak:  // the run state has shown the tracer
      break;
    case TickOutcome::Failed:
      ReportEmulationFailure(QString::fromStdString(session_->Loop().FailureMessage()));
      break;
    case TickOutcome::EndProgram:
      EndProgram();
      break;
    case TickOutcome::NotRunning:
      return;
  }
  emit ticked();
}

void TfmMain::PlaySound() {
  SpeakerSynth& synth = session_->Synth();
  if (sound_ && session_->Settings().SoundOn && !pacing_.SoundMuted()) sound_->Play(synth.Samples());
  synth.ClearSamples();
}

void TfmMain::UpdateScreen() {
  if (!pbScreen->isVisible()) return;
  session_->Loop().UpdateScreen();
  pbScreen->update();
}

void TfmMain::ReportEmulationFailure(const QString& message) {
  tmProcessor->stop();
  QMessageBox::critical(this, kMessageCaption, message);
  EndProgram();
}

void TfmMain::closeEvent(QCloseEvent* event) {
  if (!ending_) {
    RememberWindowSize();
    session_->Close(romNameInSettings().toStdString());
  }
  ending_ = true;
  tmProcessor->stop();
  if (fmTracer) fmTracer->hide();
  event->accept();
}

QString TfmMain::romNameInSettings() const {
  return fmOptions ? fmOptions->edROMName->text() : QString::fromStdString(session_->Settings().RomFileName);
}

// --- host services of the core ---

void TfmMain::ShowMessage(std::string_view text, MessageIcon icon) {
  const QString message = FromView(text);
  if (icon == MessageIcon::Error) {
    QMessageBox::critical(isVisible() ? this : nullptr, kMessageCaption, message);
  } else {
    QMessageBox::information(isVisible() ? this : nullptr, kMessageCaption, message);
  }
}

bool TfmMain::AskYesNo(std::string_view text) {
  return QMessageBox::question(isVisible() ? this : nullptr, kMessageCaption, FromView(text),
                               QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

void TfmMain::StopRunTimer() {
  tmProcessor->stop();
}

void TfmMain::StartRunTimer() {
  if (!ending_) tmProcessor->start();
}

std::optional<std::string> TfmMain::OpenFileDialog(const OpenFileRequest& request) {
  FileRequest ask;
  ask.title = FromView(request.Title);
  ask.filter = QtFilter(request.Filter);
  ask.defaultSuffix = FromView(request.DefaultExtension);
  ask.initialDirectory = QString::fromStdString(request.InitialDirectory);
  const QString chosen = ChooseFile(ask);
  if (chosen.isEmpty()) return std::nullopt;
  return chosen.toStdString();
}

void TfmMain::EndProgram() {
  ending_ = true;
  tmProcessor->stop();
  emit programEnded(1);
}

QString TfmMain::ChooseFile(const FileRequest& request) {
  if (fileChooser) return fileChooser(request);
  const QString start = request.initialDirectory.isEmpty() ? QDir::currentPath() : request.initialDirectory;
  QFileDialog dialog(this, request.title, start, request.filter);
  dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setDefaultSuffix(request.defaultSuffix);
  // The commands ask their own overwrite question where they have one.
  dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first();
}

// --- keys and mouse ---

bool TfmMain::focusNextPrevChild(bool) {
  return false;
}  // Tab is a key of the machine

void TfmMain::keyPressEvent(QKeyEvent* event) {
  const uint16_t key = QtKeyToVirtualKey(event->key(), static_cast<int>(event->modifiers()));
  if (key == 0) return;
  FormKeyDown(key, QtModifiersToShiftState(event->key(), static_cast<int>(event->modifiers())));
}

void TfmMain::keyReleaseEvent(QKeyEvent* event) {
  // The host's own key repeat sends releases too; only a real release ends the press.
  if (event->isAutoRepeat()) return;
  FormKeyUp(QtKeyToVirtualKey(event->key(), static_cast<int>(event->modifiers())),
            QtModifiersToShiftState(event->key(), static_cast<int>(event->modifiers())));
}

void TfmMain::dragEnterEvent(QDragEnterEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.size() == 1 && urls.first().isLocalFile()) event->acceptProposedAction();
}

void TfmMain::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.size() != 1 || !urls.first().isLocalFile()) return;
  event->acceptProposedAction();
  OpenDroppedFile(urls.first().toLocalFile());
}

bool TfmMain::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease ||
      event->type() == QEvent::MouseMove) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    const bool release = event->type() == QEvent::MouseButtonRelease;
    for (size_t n = 0; n < pnColor.size(); ++n) {
      if (watched == pnColor[n] && release && mouse->button() == Qt::LeftButton) {
        pnColorClick(static_cast<int>(n));
        return true;
      }
    }
    if (watched == Image1 && release && mouse->button() == Qt::LeftButton) {
      Image1Click();
      return true;
    }
    if (watched == pnTools) {
      if (event->type() == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton) {
        dragging_ = !isFullScreen();
        dragOffset_ = mouse->globalPosition().toPoint() - frameGeometry().topLeft();
      } else if (event->type() == QEvent::MouseMove && dragging_) {
        move(mouse->globalPosition().toPoint() - dragOffset_);
      } else if (release) {
        dragging_ = false;
      }
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}
