// "About BLANKIMG": icon, version and a notice.
#pragma once

#include <QDialog>

namespace blankimg {

class AboutDlg : public QDialog {
  Q_OBJECT
 public:
  explicit AboutDlg(QWidget* parent = nullptr);
};

}  // namespace blankimg
