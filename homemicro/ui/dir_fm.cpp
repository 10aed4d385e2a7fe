#include "dir_fm.h"

#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeView>

#include "ui_support.h"

TfmDir::TfmDir(QWidget* parent) : CaptionDialog(parent) {
  setObjectName("fmDir");
  setWindowTitle("Выберите каталог");

  dcDrive = new QComboBox(this);
  dcDrive->setObjectName("dcDrive");
  for (const QFileInfo& drive : QDir::drives()) dcDrive->addItem(drive.absoluteFilePath().toUpper());
  body()->addWidget(dcDrive);

  model_ = new QFileSystemModel(this);
  model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
  model_->setRootPath(QString());
  cdDir = new QTreeView(this);
  cdDir->setObjectName("cdDir");
  cdDir->setModel(model_);
  for (int column = 1; column < model_->columnCount(); ++column) cdDir->hideColumn(column);
  cdDir->header()->hide();
  cdDir->setMinimumSize(320, 280);
  body()->addWidget(cdDir);

  auto* buttons = new QHBoxLayout();
  auto* apply = new QPushButton("Применить", this);
  apply->setObjectName("bbApply");
  auto* cancel = new QPushButton("Отменить", this);
  cancel->setObjectName("bbCancel");
  buttons->addStretch();
  buttons->addWidget(apply);
  buttons->addWidget(cancel);
  body()->addLayout(buttons);

  connect(apply, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &TfmDir::reject);
  // The model reads directories in the background; keep the selection in view as they arrive.
  connect(model_, &QFileSystemModel::directoryLoaded, this, [this] {
    if (isVisible()) cdDir->scrollTo(cdDir->currentIndex());
  });
  connect(dcDrive, &QComboBox::activated, this, &TfmDir::dcDriveChange);
  connect(cdDir->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& index) { cdDirChange(index); });
}

void TfmDir::showEvent(QShowEvent* event) {
  remembered_ = QDir::currentPath();
  selectDirectory(remembered_);
  centreOnScreen();
  CaptionDialog::showEvent(event);
}

void TfmDir::selectDirectory(const QString& path) {
  const QModelIndex index = model_->index(path);
  if (!index.isValid()) return;
  for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent()) cdDir->expand(parent);
  cdDir->setCurrentIndex(index);
  cdDir->scrollTo(index);
  cdDir->expand(index);
}

void TfmDir::dcDriveChange(int index) {
  const QString drive = dcDrive->itemText(index);
  const QModelIndex root = model_->index(drive);
  cdDir->setCurrentIndex(root);
  cdDir->expand(root);
}

void TfmDir::cdDirChange(const QModelIndex& index) {
  if (!index.isValid()) return;
  QDir::setCurrent(model_->filePath(index));
}

void TfmDir::reject() {
  if (!QDir::setCurrent(remembered_)) {
    // The box stays open so the user can pick a directory that exists.
    ShowGeneralError(this,
                     QString("Cannot change directory to '%1'").arg(QDir::toNativeSeparators(remembered_)));
    return;
  }
  CaptionDialog::reject();
}
