// homemicro: the BK-0010.01 emulator's program entry. The windows are created once, the main
// window first; start-up reads the configuration from the current directory.
#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "main_fm.h"
#include "screen_probe.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("homemicro");
  QApplication::setDesktopFileName("homemicro");
  // The program speaks Russian; Qt's own dialogs (colour, file, message buttons) follow it.
  QTranslator qtTexts;
  if (qtTexts.load(QLocale(QLocale::Russian), "qtbase", "_",
                   QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QApplication::installTranslator(&qtTexts);
  TfmMain main(MakeAudioSinkOutput());
  QObject::connect(&main, &TfmMain::programEnded, &app, &QApplication::exit, Qt::QueuedConnection);
  if (!main.StartUp(QDir::currentPath())) return 1;
  main.OpenCommandLine(app.arguments().mid(1));
  ArmScreenProbe(main);
  main.show();
  main.activateWindow();
  if (main.ProgramEnding()) return 1;
  return app.exec();
}
