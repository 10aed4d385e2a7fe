#include "screen_probe.h"

#include <QImage>
#include <QPixmap>
#include <QString>
#include <cstdio>
#include <memory>

#include "main_fm.h"
#include "screen_box.h"

void ArmScreenProbe(TfmMain& window) {
  const QString value = qEnvironmentVariable(kScreenProbeVariable);
  if (value.isEmpty()) return;
  const qsizetype colon = value.indexOf(':');
  bool ok = false;
  const int ticks = colon > 0 ? value.left(colon).toInt(&ok) : 0;
  if (!ok || ticks < 1 || colon + 1 >= value.size()) {
    std::fprintf(stderr, "homemicro: %s must be TICKS:FILE\n", kScreenProbeVariable);
    return;
  }
  const QString file = value.mid(colon + 1);
  auto seen = std::make_shared<int>(0);
  QObject::connect(&window, &TfmMain::ticked, &window, [&window, seen, ticks, file] {
    if (++*seen != ticks) return;
    const QImage picture = window.pbScreen->grab(window.pbScreen->pictureRect()).toImage();
    if (!picture.save(file)) std::fprintf(stderr, "homemicro: cannot write %s\n", qPrintable(file));
    window.close();
  });
}
