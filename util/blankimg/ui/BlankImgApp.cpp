#include "BlankImgApp.h"

#include <QApplication>
#include <cstdlib>
#include <iostream>

#include "Artwork.h"
#include "BlankImgDlg.h"

namespace blankimg {

namespace {

// Without any display Qt gives up with an abort; say what to do instead.
bool displayAvailable() {
#if defined(__unix__) && !defined(__APPLE__)
  return std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr ||
         std::getenv("QT_QPA_PLATFORM") != nullptr;
#else
  return true;
#endif
}

}  // namespace

int runDialogProgram(int argc, char** argv) {
  if (!displayAvailable()) {
    std::cerr << "blankimg: no display for the dialog window; see blankimg --help for the command line\n";
    return 1;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("BlankImg"));
  QApplication::setDesktopFileName(QStringLiteral("blankimg"));
  QApplication::setWindowIcon(applicationIcon());
  BlankImgDlg dialog;
  dialog.exec();
  return 0;
}

}  // namespace blankimg
