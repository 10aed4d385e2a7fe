// The BK screen as a picture: 512 x 256, from video RAM 040000..077777 and the scroll register.
#pragma once

#include "homemicro/core/machine.h"
#include "png_writer.h"

namespace bkrun {

// One-bit mode gives a grey picture (0 and 255). Two-bit mode gives the default palette (black,
// blue, lime, red) as RGB, or as grey levels when `grey` is set (for PGM).
Image RenderScreen(const homemicro::Machine& machine, bool twoBit, bool grey);

}  // namespace bkrun
