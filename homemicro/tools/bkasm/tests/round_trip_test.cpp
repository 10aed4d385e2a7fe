// Assembling the disassembler's text gives back the words it was made from: every instruction
// word, with operand words that make every addressing mode carry a value, at addresses where the
// instruction sits low, in the middle, and where its words wrap past 0177776.
#include <gtest/gtest.h>

#include "disassembler.h"
#include "fake_memory.h"
#include "instruction_encoder.h"

namespace homemicro::bkasm {
namespace {

using debugger::Disassembler;
using debugger::OctStr6;
using debugger::testing::FakeMemory;

TEST(RoundTrip, EveryInstructionWordAssemblesBack) {
  for (const uint16_t address : {uint16_t{0}, uint16_t{01000}, uint16_t{0177774}}) {
    FakeMemory memory;
    for (uint32_t w = 0; w <= 0177777; ++w) {
      memory.Put(address, {static_cast<uint16_t>(w), 0123456, 0000772});
      Disassembler d(memory.Reader());
      d.DisasmAddress = address;
      const std::string text = d.Disassemble();
      const auto length = static_cast<uint16_t>(d.DisasmAddress - address) / 2;

      const AssembledLine back = AssembleInstruction(text, address);
      ASSERT_EQ(back.error, "") << OctStr6(address) << ": " << text;
      std::vector<uint16_t> expected{static_cast<uint16_t>(w), 0123456, 0000772};
      expected.resize(length);
      ASSERT_EQ(back.words, expected) << OctStr6(address) << ": " << text;
    }
  }
}

}  // namespace
}  // namespace homemicro::bkasm
