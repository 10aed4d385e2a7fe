// The machine's 512 x 256 picture of the display as an image file's pixels.
#pragma once

#include "homemicro/frontend/display.h"
#include "png_writer.h"

namespace bkrun {

// Each display index becomes its colour from the colour table. One-bit mode (black and white)
// and `grey` give a grey picture (luminance for colours, as PGM needs); otherwise RGB.
Image RenderScreen(const homemicro::Display& display, bool oneBitMode, bool grey);

}  // namespace bkrun
