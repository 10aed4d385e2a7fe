// The program's pictures, painted in code: the emblem (also the application icon) and the
// logo panel of the main dialog.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace blankimg {

QPixmap emblemPixmap(int size);  // a stack of disk platters
QPixmap logoPixmap(int width, int height);
QIcon applicationIcon();

}  // namespace blankimg
