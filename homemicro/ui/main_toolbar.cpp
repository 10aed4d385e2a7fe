// The tool bar of TfmMain: every control at its x position with its hint, the exclusive button
// pairs, and keeping the buttons in step with the session's state.
#include <QButtonGroup>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QToolButton>

#include "glyphs.h"
#include "main_fm.h"
#include "ui_support.h"

using namespace homemicro;

namespace {

constexpr int kButtonTop = 5;
constexpr int kButtonSize = 26;

QToolButton* MakeButton(QWidget* bar, const char* name, int x, const QString& hint) {
  auto* button = new QToolButton(bar);
  button->setObjectName(name);
  button->setGeometry(x, kButtonTop, kButtonSize, kButtonSize);
  button->setToolTip(hint);
  button->setAutoRaise(true);
  button->setFocusPolicy(Qt::NoFocus);  // every key belongs to the main window
  button->setIconSize(QSize(20, 20));
  return button;
}

QToolButton* GlyphButton(QWidget* bar, const char* name, int x, const QString& hint, Glyph glyph) {
  QToolButton* button = MakeButton(bar, name, x, hint);
  button->setIcon(GlyphIcon(glyph));
  return button;
}

QToolButton* TextButton(QWidget* bar, const char* name, int x, const QString& hint, const QString& face) {
  QToolButton* button = MakeButton(bar, name, x, hint);
  button->setText(face);
  QFont font = button->font();
  font.setBold(true);
  font.setPointSize(7);
  button->setFont(font);
  return button;
}

// Two checkable buttons of which exactly one is down; a hidden partner lets the visible button
// show both states.
void Pair(QWidget* owner, QToolButton* first, QToolButton* second) {
  auto* group = new QButtonGroup(owner);
  group->setExclusive(true);
  for (QToolButton* b : {first, second}) {
    b->setCheckable(true);
    group->addButton(b);
  }
}

}  // namespace

void TfmMain::BuildToolBar() {
  pnTools = new QFrame(this);
  pnTools->setObjectName("pnTools");
  static_cast<QFrame*>(pnTools)->setFrameShape(QFrame::Panel);
  static_cast<QFrame*>(pnTools)->setFrameShadow(QFrame::Raised);
  pnTools->setAutoFillBackground(true);
  pnTools->installEventFilter(this);  // dragging the frameless window by its tool bar

  BuildColourPanels();
  Image1 = new QLabel(pnTools);
  Image1->setObjectName("Image1");
  Image1->setGeometry(5, 2, 32, 32);
  Image1->setPixmap(ProgramPicture(32));
  Image1->setToolTip("О программе (F1)");
  Image1->setCursor(Qt::PointingHandCursor);
  Image1->installEventFilter(this);

  sbPlay = GlyphButton(pnTools, "sbPlay", 46, "Воспроизведение (F11)", Glyph::Play);
  sbStop = GlyphButton(pnTools, "sbStop", 74, "Останов (F11)", Glyph::Stop);
  sbBpp1 = TextButton(pnTools, "sbBpp1", 104, "1 бит в пикселе (ScrollLock)", "1bit");
  sbBpp2 = TextButton(pnTools, "sbBpp2", 132, "2 бита в пикселе (ScrollLock)", "2bit");
  sbCReset = GlyphButton(pnTools, "sbCReset", 276, "Цвета по умолчанию", Glyph::ColourReset);
  sbLoadPal = GlyphButton(pnTools, "sbLoadPal", 306, "Загрузить палитру", Glyph::LoadPalette);
  sbSavePal = GlyphButton(pnTools, "sbSavePal", 334, "Сохранить палитру", Glyph::SavePalette);
  sbBorder = GlyphButton(pnTools, "sbBorder", 364, "Цвет бордюра", Glyph::Border);
  sbSound = GlyphButton(pnTools, "sbSound", 394, "Звук вкл/выкл (F4)", Glyph::Sound);
  sbSound2 = GlyphButton(pnTools, "sbSound2", 394, QString(), Glyph::Sound);
  sbROMCtrl = TextButton(pnTools, "sbROMCtrl", 424, "Контроль записи в ПЗУ вкл/выкл (F6)", "RC");
  sbROMCtrl2 = TextButton(pnTools, "sbROMCtrl2", 424, QString(), "RC");
  sbReset = TextButton(pnTools, "sbReset", 454, "Мягкий перезапуск (F12)", "R");
  sbHReset = TextButton(pnTools, "sbHReset", 482, "Жесткий перезапуск (Ctrl+F12)", "HR");
  sbCDir = GlyphButton(pnTools, "sbCDir", 512, "Сменить текущий каталог (F7)", Glyph::ChangeDir);
  sbOptions = GlyphButton(pnTools, "sbOptions", 542, "Установки (F10)", Glyph::Options);
  sbMenu = TextButton(pnTools, "sbMenu", 568, "Команды: программа, снимок, размер окна", "≡");
  // The menu and the maximum speed toggle share the slot between sbOptions and sbMinimize.
  sbMenu->setGeometry(568, 2, 16, 16);
  sbMaxSpeed = TextButton(pnTools, "sbMaxSpeed", 568, kMaxSpeedHint, "»");
  sbMaxSpeed->setGeometry(568, 18, 16, 16);
  sbMaxSpeed->setCheckable(true);
  sbMinimize = GlyphButton(pnTools, "sbMinimize", 584, "Свернуть", Glyph::Minimize);
  sbClose = GlyphButton(pnTools, "sbClose", 608, "Выход (Alt+F4)", Glyph::Close);
  sbSound2->hide();
  sbROMCtrl2->hide();
  sbMinimize->setEnabled(false);

  Pair(this, sbPlay, sbStop);
  Pair(this, sbBpp1, sbBpp2);
  Pair(this, sbSound, sbSound2);
  Pair(this, sbROMCtrl, sbROMCtrl2);
  // Initial states; a configuration file may change them.
  sbPlay->setChecked(true);
  sbBpp1->setChecked(true);
  sbSound->setChecked(true);
  sbROMCtrl->setChecked(true);
  ConnectToolBar();
}

void TfmMain::ConnectToolBar() {
  connect(sbPlay, &QToolButton::clicked, this, &TfmMain::sbPlayClick);
  connect(sbStop, &QToolButton::clicked, this, &TfmMain::sbStopClick);
  connect(sbBpp1, &QToolButton::clicked, this, [this] {
    session_->SetOneBitMode(true);
    RefreshButtons();
  });
  connect(sbBpp2, &QToolButton::clicked, this, [this] {
    session_->SetOneBitMode(false);
    RefreshButtons();
  });
  connect(sbCReset, &QToolButton::clicked, this, &TfmMain::sbCResetClick);
  connect(sbLoadPal, &QToolButton::clicked, this, &TfmMain::sbLoadPalClick);
  connect(sbSavePal, &QToolButton::clicked, this, &TfmMain::sbSavePalClick);
  connect(sbBorder, &QToolButton::clicked, this, &TfmMain::sbBorderClick);
  connect(sbSound, &QToolButton::clicked, this, [this] {
    session_->ToggleSound();
    RefreshButtons();
  });
  connect(sbROMCtrl, &QToolButton::clicked, this, [this] {
    session_->ToggleRomWriteControl();
    RefreshButtons();
  });
  connect(sbReset, &QToolButton::clicked, this, [this] { FormKeyDown(vk::F12, 0); });
  connect(sbHReset, &QToolButton::clicked, this, [this] { FormKeyDown(vk::F12, kCtrlBit); });
  connect(sbCDir, &QToolButton::clicked, this, &TfmMain::sbCDirClick);
  connect(sbOptions, &QToolButton::clicked, this, &TfmMain::sbOptionsClick);
  connect(sbClose, &QToolButton::clicked, this, &QWidget::close);
  connect(sbMaxSpeed, &QToolButton::clicked, this, &TfmMain::sbMaxSpeedClick);
  connect(sbMenu, &QToolButton::clicked, this, [this] {
    QMenu menu(this);
    FillCommandMenu(menu);
    menu.exec(sbMenu->mapToGlobal(QPoint(0, sbMenu->height())));
  });
}

void TfmMain::BuildColourPanels() {
  for (int n = 0; n < 4; ++n) {
    auto* panel = new QFrame(pnTools);
    panel->setObjectName(QString("pnColor%1").arg(n + 1));
    panel->setGeometry(162 + 28 * n, 6, 24, 24);
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setAutoFillBackground(true);
    panel->setToolTip("Щелкни для изменения");
    panel->setCursor(Qt::PointingHandCursor);
    panel->installEventFilter(this);
    pnColor[static_cast<size_t>(n)] = panel;
  }
}

void TfmMain::RefreshButtons() {
  const FrontEndState& state = session_->State();
  (state.Run.PlayDown() ? sbPlay : sbStop)->setChecked(true);
  (state.OneBitMode ? sbBpp1 : sbBpp2)->setChecked(true);
  (state.SoundDown ? sbSound : sbSound2)->setChecked(true);
  (session_->Settings().RomWriteControl ? sbROMCtrl : sbROMCtrl2)->setChecked(true);
  sbSound->setEnabled(state.SoundAvailable);
  sbMaxSpeed->setChecked(pacing_.MaxSpeed());
  lbRomNote->setVisible(session_->UsingKitRom());
  sbSound->setToolTip(state.SoundAvailable ? QString("Звук вкл/выкл (F4)")
                                           : QString::fromUtf8(kNoSoundHint.data(), kNoSoundHint.size()));
}

void TfmMain::ShowColors() {
  const Palette& entries = session_->State().PaletteEntries;
  for (size_t n = 0; n < pnColor.size(); ++n) {
    QPalette colours = pnColor[n]->palette();
    colours.setColor(QPalette::Window,
                     QColor(ToQRgb(kColorTable[static_cast<size_t>(ColorCell(entries[n]))].Color)));
    pnColor[n]->setPalette(colours);
  }
}
