// TfmMain: the frameless main window of homemicro: the tool bar, the emulated screen, the run
// timer `tmProcessor`, the command keys, and the host services the machine core calls. The
// logic behind the buttons and keys lives in homemicro::EmulatorSession; this class draws it
// and runs the dialogs.
#pragma once

#include <QString>
#include <QWidget>
#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include "homemicro/frontend/emulator_session.h"
#include "homemicro/frontend/run_pacing.h"
#include "sound_output.h"

class QFrame;
class QLabel;
class QMenu;
class QSizeGrip;
class QTimer;
class QToolButton;
class ScreenBox;
class TfmAbout;
class TfmDir;
class TfmInput;
class TfmOptions;
class TfmPalette;
class TfmTracer;

// A file dialog the main window asks for; the answer is the chosen path or an empty string.
struct FileRequest {
  bool save = false;
  QString title;
  QString filter;            // Qt form: "Caption (*.ext);;All (*.*)"
  QString defaultSuffix;     // without the dot
  QString initialDirectory;  // empty: the current directory
};

class TfmMain : public QWidget, private homemicro::HostServices {
  Q_OBJECT
 public:
  static constexpr int kClientWidth = 640;
  static constexpr int kClientHeight = 400;
  static constexpr int kToolBarHeight = 36;
  static constexpr int kTickMilliseconds = 55;

  explicit TfmMain(std::unique_ptr<SoundOutput> sound, QWidget* parent = nullptr);
  ~TfmMain() override;

  // Start-up in the documented order, then the other windows. False when the program must end
  // (the message has been shown).
  bool StartUp(const QString& startDirectory);

  homemicro::EmulatorSession& Session() { return *session_; }
  bool ProgramEnding() const { return ending_; }

  // Tool bar controls, by their documented names.
  QWidget* pnTools = nullptr;
  QLabel* Image1 = nullptr;
  QToolButton *sbPlay = nullptr, *sbStop = nullptr, *sbBpp1 = nullptr, *sbBpp2 = nullptr;
  std::array<QFrame*, 4> pnColor{};
  QToolButton *sbCReset = nullptr, *sbLoadPal = nullptr, *sbSavePal = nullptr, *sbBorder = nullptr;
  QToolButton *sbSound = nullptr, *sbSound2 = nullptr, *sbROMCtrl = nullptr, *sbROMCtrl2 = nullptr;
  QToolButton *sbReset = nullptr, *sbHReset = nullptr, *sbCDir = nullptr, *sbOptions = nullptr;
  QToolButton *sbMinimize = nullptr, *sbClose = nullptr;
  QToolButton* sbMenu = nullptr;      // the commands beyond the original tool bar
  QToolButton* sbMaxSpeed = nullptr;  // maximum speed on/off, under sbMenu
  QLabel* lbRomNote = nullptr;        // shown while the kit's ROM stands in for a missing one
  QSizeGrip* sizeGrip = nullptr;      // the frameless window is resized by its corner
  ScreenBox* pbScreen = nullptr;
  QTimer* tmProcessor = nullptr;

  // The other windows, created once by StartUp.
  TfmTracer* fmTracer = nullptr;
  TfmInput* fmInput = nullptr;
  TfmAbout* fmAbout = nullptr;
  TfmPalette* fmPalette = nullptr;
  TfmDir* fmDir = nullptr;
  TfmOptions* fmOptions = nullptr;

  // Replaces the file dialogs (tests answer them without a window).
  std::function<QString(const FileRequest&)> fileChooser;

  // Commands, as the tool bar, the keys and the tracer reach them.
  void sbPlayClick();
  void sbStopClick();
  // The buttons and the tracer as the run state says (the timer follows it through the
  // session's host services).
  void FollowRunState();
  void UpdateScreen();
  void ShowColors();
  void FormKeyDown(uint16_t virtualKey, uint8_t shiftState);
  void FormKeyUp(uint16_t virtualKey, uint8_t shiftState);
  void pnColorClick(int panel);  // 0..3
  void sbCResetClick();
  void sbBorderClick();
  void sbLoadPalClick();
  void sbSavePalClick();
  void sbSaveMemClick();
  void sbLoadMemClick();
  void sbCDirClick();
  void sbOptionsClick();
  void Image1Click();
  void toggleFullScreen();
  // One step to a running program: a BK tape file placed and started (the command line, a
  // dropped file, "Загрузить программу"); a dropped snapshot (.bks) is loaded instead.
  void sbLoadProgramClick();
  void LoadProgramFile(const QString& path);
  void OpenDroppedFile(const QString& path);
  // `homemicro FILE`: a tape program started once the firmware has set up its monitor (about
  // a second of machine time), or a snapshot loaded at once.
  static constexpr int kProgramStartTicks = 20;
  void OpenCommandLine(const QStringList& arguments);
  void sbSaveStateClick();
  void sbLoadStateClick();
  void LoadStateFile(const QString& path);
  // The commands of the tool bar's menu and the screen's context menu.
  void FillCommandMenu(QMenu& menu);
  void tmProcessorTimer();

  // Maximum speed (Ctrl+F11): the machine as fast as the host allows, muted; off again: the
  // set speed.
  void sbMaxSpeedClick();
  void SetMaxSpeed(bool on);
  bool MaxSpeed() const { return pacing_.MaxSpeed(); }
  static constexpr const char* kMaxSpeedHint = "Максимальная скорость вкл/выкл (Ctrl+F11)";

  // Window sizes: the 640 x 400 display at 1, 2 or 3 times (Ctrl+Alt+1..3); any other size by
  // the corner grip, the picture scaled by the largest whole factor that fits.
  static constexpr int kLargestWindowScale = 3;
  void SetWindowScale(int factor);
  // The kit's ROM, for a start directory without the configured file.
  static std::optional<std::filesystem::path> LocateKitRom();

  // A failure inside the emulation: the register dump message, then the end of the program.
  void ReportEmulationFailure(const QString& message);

  // The ROM name in the settings dialog, which the configuration stores.
  QString romNameInSettings() const;

 signals:
  // After every run-timer event that ran the machine.
  void ticked();
  // The program must end now (a fatal failure); the application quits with `exitCode`.
  void programEnded(int exitCode);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool focusNextPrevChild(bool next) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // HostServices for the core.
  void ShowMessage(std::string_view text, homemicro::MessageIcon icon) override;
  bool AskYesNo(std::string_view text) override;
  void StopRunTimer() override;
  void StartRunTimer() override;
  std::optional<std::string> OpenFileDialog(const homemicro::OpenFileRequest& request) override;
  void EndProgram() override;

  void BuildToolBar();
  void BuildColourPanels();
  void ConnectToolBar();
  void CreateWindows();
  void RefreshButtons();
  void BuildRomNoteAndGrip();
  void RestoreWindowSize();
  void RememberWindowSize();
  QString ChooseRomFile();
  void PlaceOverlays();
  void PlaySound();
  void ShowScreenMenu(QPoint globalPos);
  void InitDirectDraw();
  // Stops the run timer around a modal window and starts it afterwards, as every command that
  // opens one does.
  void RunModal(const std::function<void()>& body);
  QString ChooseFile(const FileRequest& request);

  std::unique_ptr<SoundOutput> sound_;
  std::unique_ptr<homemicro::EmulatorSession> session_;
  homemicro::RunPacing pacing_;
  bool ending_ = false;
  bool inTick_ = false;
  bool directDrawReady_ = false;
  QPoint dragOffset_;
  bool dragging_ = false;
};
