// "Supported disks": every row of the drive table as tab-aligned text.
#pragma once

#include <QDialog>

class QPlainTextEdit;

namespace blankimg {

class DiskTableDlg : public QDialog {
  Q_OBJECT
 public:
  explicit DiskTableDlg(QWidget* parent = nullptr);
  QPlainTextEdit* textBox() const { return edList_; }

 private:
  QPlainTextEdit* edList_;
};

}  // namespace blankimg
