#include "input_fm.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>

#include "homemicro/frontend/tracer_session.h"
#include "ui_support.h"

TfmInput::TfmInput(QWidget* parent) : CaptionDialog(parent) {
  setObjectName("fmInput");
  auto* row = new QHBoxLayout();
  edNum = new QLineEdit(this);
  edNum->setObjectName("edNum");
  edNum->setMinimumWidth(120);
  Label1 = new QLabel("Octal", this);
  Label1->setObjectName("Label1");
  row->addWidget(edNum);
  row->addWidget(Label1);
  body()->addLayout(row);
}

void TfmInput::showEvent(QShowEvent* event) {
  if (anchor_) move(anchor_->frameGeometry().topLeft() + QPoint(278, 24));
  InputOctal = (Tag == 0);
  if (InputOctal) {
    Label1->setText("Octal");
    edNum->setText(QString::number(static_cast<uint16_t>(InputValue), 8));
  } else {
    Label1->setText("Decimal");
    edNum->setText(QString::number(InputValue));
  }
  edNum->selectAll();
  edNum->setFocus();
  CaptionDialog::showEvent(event);
}

void TfmInput::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    accept();
    return;
  }
  CaptionDialog::keyPressEvent(event);
}

void TfmInput::accept() {
  const QString text = edNum->text();
  const std::optional<int32_t> number = homemicro::ParseNumberEntry(text.toStdString(), InputOctal);
  if (!number) {
    // The box stays open with the text as typed.
    ShowGeneralError(this, "'" + text + QString::fromUtf8(homemicro::kNotAnIntegerMessage.data()));
    return;
  }
  Tag = *number;
  CaptionDialog::accept();
}

void TfmInput::reject() {
  Tag = -1;
  CaptionDialog::reject();
}
