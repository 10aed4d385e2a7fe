// The operation of every instruction word, built once from the opcode patterns.
#pragma once

#include <array>

#include "homemicro/core/decode.h"

namespace homemicro {

const std::array<Operation, 0200000>& OperationTable();

}  // namespace homemicro
