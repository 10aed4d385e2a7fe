#include "options_fm.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QToolButton>

#include "homemicro/frontend/run_pacing.h"
#include "ui_support.h"

TfmOptions::TfmOptions(Settings settings, std::function<void()> softReset, QWidget* parent)
    : CaptionDialog(parent), settings_(settings), softReset_(std::move(softReset)) {
  setObjectName("fmOptions");
  setWindowTitle("Установки");

  seSpeed = new QSpinBox(this);
  seSpeed->setObjectName("seSpeed");
  seSpeed->setRange(100, 50000);
  seSpeed->setSingleStep(1000);
  seSpeed->setSuffix(FromView(homemicro::kSpeedUnit));
  lbSpeedClock = new QLabel(this);
  lbSpeedClock->setObjectName("lbSpeedClock");
  seRepaint = new QSpinBox(this);
  seRepaint->setObjectName("seRepaint");
  seRepaint->setRange(1, 20);
  edROMName = new QLineEdit(this);
  edROMName->setObjectName("edROMName");
  sbROMFile = new QToolButton(this);
  sbROMFile->setObjectName("sbROMFile");
  sbROMFile->setText("...");
  sbROMFile->setToolTip(kChooseRomHint);
  edAddr = new QLineEdit(this);
  edAddr->setObjectName("edAddr");

  {
    // Filling the controls must not write clamped values back into the settings.
    const QSignalBlocker b1(seSpeed), b2(seRepaint), b3(edROMName), b4(edAddr);
    seSpeed->setValue(settings_.EmulationSpeed);
    seRepaint->setValue(settings_.RepaintCount);
    edROMName->setText(QString::fromStdString(settings_.RomFileName));
    edAddr->setText(QString::number(settings_.StartAddress));
  }

  auto* form = new QFormLayout();
  form->addRow("Скорость эмуляции", seSpeed);
  form->addRow(QString(), lbSpeedClock);
  form->addRow("Частота обновления", seRepaint);
  auto* romRow = new QHBoxLayout();
  romRow->addWidget(edROMName, 1);
  romRow->addWidget(sbROMFile);
  form->addRow("Файл ПЗУ", romRow);
  form->addRow("Адрес пуска", edAddr);
  body()->addLayout(form);
  auto* close = new QPushButton("Закрыть", this);
  close->setObjectName("bbClose");
  close->setAutoDefault(false);
  body()->addWidget(close, 0, Qt::AlignRight);

  connect(seSpeed, &QSpinBox::valueChanged, this, [this](int v) {
    settings_.EmulationSpeed = v;
    ShowSpeedClock(v);
  });
  connect(seRepaint, &QSpinBox::valueChanged, this, [this](int v) { settings_.RepaintCount = v; });
  connect(edROMName, &QLineEdit::textChanged, this, [this](const QString& text) {
    settings_.RomFileName = text.toStdString();
    RomNameChanged = true;
  });
  connect(edAddr, &QLineEdit::textChanged, this, &TfmOptions::edAddrChange);
  connect(sbROMFile, &QToolButton::clicked, this, &TfmOptions::sbROMFileClick);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

void TfmOptions::edAddrChange(const QString& text) {
  if (text.isEmpty()) return;  // a cleared box keeps the address
  bool ok = false;
  const int32_t value = text.toInt(&ok, 10);
  settings_.StartAddress = ok ? value : 0;
}

void TfmOptions::ShowSpeedClock(int speed) {
  lbSpeedClock->setText(QString::fromStdString(homemicro::SpeedClockText(speed)));
}

void TfmOptions::sbROMFileClick() {
  if (!chooseRomFile) return;
  const QString name = chooseRomFile();
  // As if typed: the name counts from the next hard reset, and closing sets PC afresh.
  if (!name.isEmpty()) edROMName->setText(name);
}

void TfmOptions::keyPressEvent(QKeyEvent* event) {
  // Enter in any of the inputs closes the dialog; the inputs pass the key on to us.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    accept();
    return;
  }
  CaptionDialog::keyPressEvent(event);
}

void TfmOptions::showEvent(QShowEvent* event) {
  RomNameChanged = false;
  ShowSpeedClock(settings_.EmulationSpeed);
  centreOnScreen();
  CaptionDialog::showEvent(event);
}

void TfmOptions::done(int result) {
  CaptionDialog::done(result);
  if (RomNameChanged && softReset_) softReset_();
}
