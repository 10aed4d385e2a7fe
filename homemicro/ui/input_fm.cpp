#include "input_fm.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>

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
  bool ok = false;
  const QString text = edNum->text();
  const int32_t typed = text.trimmed().toInt(&ok, 10);
  if (!ok) {
    // The box stays open with the text as typed.
    ShowGeneralError(this, QString("'%1' is not a valid integer value").arg(text));
    return;
  }
  Tag = InputOctal ? homemicro::Oct(typed) : typed;
  CaptionDialog::accept();
}

void TfmInput::reject() {
  Tag = -1;
  CaptionDialog::reject();
}
