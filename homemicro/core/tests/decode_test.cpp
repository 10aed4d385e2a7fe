// The opcode map against the documented range table, written out independently of the bit
// patterns the core builds its table from.
#include <gtest/gtest.h>

#include "homemicro/core/decode.h"

namespace homemicro {
namespace {

struct Range {
  uint16_t first, last;
  Operation operation;
};

using enum Operation;

constexpr Range kDocumentedRanges[] = {
    {0000000, 0000000, HALT},
    {0000001, 0000001, WAIT},
    {0000002, 0000002, RTI},
    {0000003, 0000003, BPT},
    {0000004, 0000004, IOT},
    {0000005, 0000005, RESET},
    {0000006, 0000006, RTT},
    {0000100, 0000177, JMP},
    {0000200, 0000207, RTS},
    {0000240, 0000240, NOP},
    {0000241, 0000257, ClearCondition},
    {0000260, 0000260, NOP},
    {0000261, 0000277, SetCondition},
    {0000300, 0000377, SWAB},
    {0000400, 0000777, BR},
    {0001000, 0001377, BNE},
    {0001400, 0001777, BEQ},
    {0002000, 0002377, BGE},
    {0002400, 0002777, BLT},
    {0003000, 0003377, BGT},
    {0003400, 0003777, BLE},
    {0004000, 0004777, JSR},
    {0005000, 0005077, CLR},
    {0005100, 0005177, COM},
    {0005200, 0005277, INC},
    {0005300, 0005377, DEC},
    {0005400, 0005477, NEG},
    {0005500, 0005577, ADC},
    {0005600, 0005677, SBC},
    {0005700, 0005777, TST},
    {0006000, 0006077, ROR},
    {0006100, 0006177, ROL},
    {0006200, 0006277, ASR},
    {0006300, 0006377, ASL},
    {0006400, 0006477, MARK},
    {0006700, 0006777, SXT},
    {0010000, 0017777, MOV},
    {0020000, 0027777, CMP},
    {0030000, 0037777, BIT},
    {0040000, 0047777, BIC},
    {0050000, 0057777, BIS},
    {0060000, 0067777, ADD},
    {0074000, 0074777, XOR},
    {0077000, 0077777, SOB},
    {0100000, 0100377, BPL},
    {0100400, 0100777, BMI},
    {0101000, 0101377, BHI},
    {0101400, 0101777, BLOS},
    {0102000, 0102377, BVC},
    {0102400, 0102777, BVS},
    {0103000, 0103377, BCC},
    {0103400, 0103777, BCS},
    {0104000, 0104377, EMT},
    {0104400, 0104777, TRAP},
    {0105000, 0105077, CLRB},
    {0105100, 0105177, COMB},
    {0105200, 0105277, INCB},
    {0105300, 0105377, DECB},
    {0105400, 0105477, NEGB},
    {0105500, 0105577, ADCB},
    {0105600, 0105677, SBCB},
    {0105700, 0105777, TSTB},
    {0106000, 0106077, RORB},
    {0106100, 0106177, ROLB},
    {0106200, 0106277, ASRB},
    {0106300, 0106377, ASLB},
    {0106400, 0106477, MTPS},
    {0106700, 0106777, MFPS},
    {0110000, 0117777, MOVB},
    {0120000, 0127777, CMPB},
    {0130000, 0137777, BITB},
    {0140000, 0147777, BICB},
    {0150000, 0157777, BISB},
    {0160000, 0167777, SUB},
};

TEST(OpcodeMap, EveryWordMatchesTheRangeTable) {
  std::array<Operation, 0200000> expected{};
  expected.fill(Reserved);
  for (const Range& r : kDocumentedRanges)
    for (uint32_t w = r.first; w <= r.last; ++w) expected[w] = r.operation;
  int mismatches = 0;
  for (uint32_t w = 0; w < 0200000; ++w) {
    if (DecodeOperation(static_cast<uint16_t>(w)) != expected[w] && ++mismatches <= 10)
      ADD_FAILURE() << "word " << std::oct << w;
  }
  EXPECT_EQ(mismatches, 0);
}

TEST(OpcodeMap, NamesAndBranchDisplacement) {
  EXPECT_EQ(OperationName(DecodeOperation(0106327)), "ASLB");
  EXPECT_EQ(OperationName(DecodeOperation(0101400)), "BLOS");
  EXPECT_EQ(OperationName(DecodeOperation(0170000)), "");
  EXPECT_EQ(BranchDisplacement(0000777), -2);
  EXPECT_EQ(BranchDisplacement(0000600), -256);
  EXPECT_EQ(BranchDisplacement(0000577), 254);
  EXPECT_EQ(BranchDisplacement(0103400), 0);
}

}  // namespace
}  // namespace homemicro
