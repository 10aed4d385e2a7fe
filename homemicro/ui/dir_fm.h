// TfmDir: the directory chooser. Moving through the tree changes the process's current
// directory at once; "Отменить" goes back to the one that was current when the box opened.
#pragma once

#include <QString>

#include "caption_dialog.h"

class QComboBox;
class QFileSystemModel;
class QTreeView;

class TfmDir : public CaptionDialog {
  Q_OBJECT
 public:
  explicit TfmDir(QWidget* parent = nullptr);

  QComboBox* dcDrive = nullptr;
  QTreeView* cdDir = nullptr;

  const QString& rememberedDirectory() const { return remembered_; }
  // Makes `path` the selected directory of the tree (and so the current directory).
  void selectDirectory(const QString& path);

  void reject() override;  // "Отменить" and Esc

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void dcDriveChange(int index);
  void cdDirChange(const QModelIndex& index);

  QFileSystemModel* model_ = nullptr;
  QString remembered_;
};
