// EMT 36, the tape call, served from host files.
#include "homemicro/core/machine.h"

namespace homemicro {

void Machine::ServeTapeCall() { Trap(kEmtVector); }

}  // namespace homemicro
