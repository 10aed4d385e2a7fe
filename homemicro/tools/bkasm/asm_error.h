// The one error type of the assembler: a message about the line being assembled.
#pragma once

#include <stdexcept>
#include <string>

namespace homemicro::bkasm {

class AsmError : public std::runtime_error {
 public:
  explicit AsmError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace homemicro::bkasm
