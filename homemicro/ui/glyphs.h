// The pictures of the tool bar buttons and the program's icon, drawn in code so they stay crisp
// and need no image files.
#pragma once

#include <QIcon>
#include <QPixmap>

enum class Glyph {
  Play,
  Stop,
  ColourReset,
  LoadPalette,
  SavePalette,
  Border,
  Sound,
  ChangeDir,
  Options,
  Minimize,
  Close
};

QIcon GlyphIcon(Glyph glyph);

// The 32 x 32 picture of `Image1`, also the window icon: a small home computer.
QPixmap ProgramPicture(int size = 32);
