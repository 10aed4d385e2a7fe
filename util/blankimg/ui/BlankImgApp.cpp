#include "BlankImgApp.h"

#include <QApplication>

#include "Artwork.h"
#include "BlankImgDlg.h"

namespace blankimg {

int runDialogProgram(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("BlankImg"));
  QApplication::setDesktopFileName(QStringLiteral("blankimg"));
  QApplication::setWindowIcon(applicationIcon());
  BlankImgDlg dialog;
  dialog.exec();
  return 0;
}

}  // namespace blankimg
