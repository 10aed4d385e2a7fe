#include "disassembler.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "fake_memory.h"

namespace homemicro::debugger {
namespace {

using testing::FakeMemory;

struct Listing {
  std::string text;
  int length;  // bytes consumed
  bool branchTaken;
};

// Disassembles the words placed at `address`; the rest of memory is zero.
Listing DisassembleWords(uint16_t address, std::initializer_list<uint16_t> words, ConditionCodes flags = {},
                         bool showTaken = false) {
  FakeMemory memory;
  memory.Put(address, words);
  Disassembler d(memory.Reader());
  d.DisasmAddress = address;
  d.ShowTaken = showTaken;
  std::string text = d.Disassemble(flags);
  return {text, static_cast<uint16_t>(d.DisasmAddress - address), d.BranchTaken};
}

TEST(Disassembler, WorkedExamples) {
  struct Case {
    uint16_t address;
    std::initializer_list<uint16_t> words;
    const char* text;
    int length;
  };
  const Case cases[] = {
      {01000, {0000000}, "HALT", 2},
      {01000, {0000007}, "WORD 7", 2},
      {01000, {0170000}, "WORD 170000", 2},
      {01000, {0006400}, "MARK 0", 2},
      {01000, {0104036}, "EMT 36", 2},
      {01000, {0012737, 0000001, 0001000}, "MOV #1,@#1000", 6},
      {01000, {0005067, 0000004}, "CLR 1010", 4},
      {01000, {0004767, 0000010}, "CALL 1014", 4},
      {01000, {0000207}, "RET", 2},
      {01000, {0000205}, "RTS R5", 2},
      {01000, {0004537, 0001000}, "JSR R5,@#1000", 4},
      {01000, {0074001}, "XOR R0,R1", 2},
      {01000, {0000777}, "BR 1000", 2},
      {01000, {0077002}, "SOB R0,776", 2},
      {01000, {0103600}, "BCS 402", 2},
      // Index words are never signed; the source's extra word is read before the destination's.
      {01000, {0005065, 0177776}, "CLR 177776(R5)", 4},
      {01000, {0016162, 0000002, 0000004}, "MOV 2(R1),4(R2)", 6},
      {01000, {0017777, 0000010, 0000020}, "MOV @1014,@1026", 6},
      // Branch and SOB reach, with wrap-around below address 0.
      {01000, {0000577}, "BR 1400", 2},
      {01000, {0000600}, "BR 402", 2},
      {00000, {0000600}, "BR 177402", 2},
      {01000, {0077077}, "SOB R0,604", 2},
      {00100, {0077077}, "SOB R0,177704", 2},
      {01000, {0104377}, "EMT 377", 2},
      {01000, {0104777}, "TRAP 377", 2},
      {01000, {0006477}, "MARK 77", 2},
  };
  for (const Case& c : cases) {
    const Listing got = DisassembleWords(c.address, c.words);
    EXPECT_EQ(got.text, c.text) << "at " << OctStr6(c.address) << " word " << OctStr6(*c.words.begin());
    EXPECT_EQ(got.length, c.length) << c.text;
  }
}

// First and last word of every operand-taking group, at 001000 with zero words after it: mode 7
// on PC then reads index 0 and shows @1004 (source) and @1006 (destination).
TEST(Disassembler, EveryGroupFromFirstToLastWord) {
  struct Group {
    uint16_t base;
    const char* mnemonic;
  };
  const Group singleOperand[] = {
      {0000100, "JMP"},  {0000300, "SWAB"}, {0004700, "CALL"}, {0005000, "CLR"},  {0005100, "COM"},
      {0005200, "INC"},  {0005300, "DEC"},  {0005400, "NEG"},  {0005500, "ADC"},  {0005600, "SBC"},
      {0005700, "TST"},  {0006000, "ROR"},  {0006100, "ROL"},  {0006200, "ASR"},  {0006300, "ASL"},
      {0006700, "SXT"},  {0105000, "CLRB"}, {0105100, "COMB"}, {0105200, "INCB"}, {0105300, "DECB"},
      {0105400, "NEGB"}, {0105500, "ADCB"}, {0105600, "SBCB"}, {0105700, "TSTB"}, {0106000, "RORB"},
      {0106100, "ROLB"}, {0106200, "ASRB"}, {0106300, "ASLB"}, {0106400, "MTPS"}, {0106700, "MFPS"},
  };
  for (const Group& g : singleOperand) {
    const std::string m = g.mnemonic;
    EXPECT_EQ(DisassembleWords(01000, {g.base}).text, m + " R0");
    EXPECT_EQ(DisassembleWords(01000, {static_cast<uint16_t>(g.base + 077)}).text, m + " @1004");
  }
  const Group doubleOperand[] = {
      {0010000, "MOV"},  {0020000, "CMP"},  {0030000, "BIT"},  {0040000, "BIC"},
      {0050000, "BIS"},  {0060000, "ADD"},  {0110000, "MOVB"}, {0120000, "CMPB"},
      {0130000, "BITB"}, {0140000, "BICB"}, {0150000, "BISB"}, {0160000, "SUB"},
  };
  for (const Group& g : doubleOperand) {
    const std::string m = g.mnemonic;
    EXPECT_EQ(DisassembleWords(01000, {g.base}).text, m + " R0,R0");
    EXPECT_EQ(DisassembleWords(01000, {static_cast<uint16_t>(g.base + 07777)}).text, m + " @1004,@1006");
  }
  const Group branches[] = {
      {0000400, "BR"},   {0001000, "BNE"}, {0001400, "BEQ"}, {0002000, "BGE"}, {0002400, "BLT"},
      {0003000, "BGT"},  {0003400, "BLE"}, {0100000, "BPL"}, {0100400, "BMI"}, {0101000, "BHI"},
      {0101400, "BLOS"}, {0102000, "BVC"}, {0102400, "BVS"}, {0103000, "BCC"}, {0103400, "BCS"},
  };
  for (const Group& g : branches) {
    const std::string m = g.mnemonic;
    EXPECT_EQ(DisassembleWords(01000, {g.base}).text, m + " 1002");
    EXPECT_EQ(DisassembleWords(01000, {static_cast<uint16_t>(g.base + 0377)}).text, m + " 1000");
  }
  const struct {
    uint16_t word;
    const char* text;
  } fixed[] = {
      {0000001, "WAIT"},      {0000002, "RTI"},          {0000003, "BPT"},         {0000004, "IOT"},
      {0000005, "RESET"},     {0000006, "RTT"},          {0000200, "RTS R0"},      {0000206, "RTS SP"},
      {0000240, "NOP"},       {0000260, "NOP260"},       {0004000, "JSR R0,R0"},   {0004677, "JSR SP,@1004"},
      {0074000, "XOR R0,R0"}, {0074777, "XOR PC,@1004"}, {0077000, "SOB R0,1002"}, {0077777, "SOB PC,604"},
      {0104000, "EMT 0"},     {0104400, "TRAP 0"},
  };
  for (const auto& f : fixed) EXPECT_EQ(DisassembleWords(01000, {f.word}).text, f.text);
}

TEST(Disassembler, ConditionCodeOperates) {
  const char* clearing[] = {"CLC",       "CLV",       "CLEAR CV",  "CLZ",       "CLEAR CZ",
                            "CLEAR VZ",  "CLEAR CVZ", "CLN",       "CLEAR CN",  "CLEAR VN",
                            "CLEAR CVN", "CLEAR ZN",  "CLEAR CZN", "CLEAR VZN", "CCC"};
  const char* setting[] = {"SEC",    "SEV",    "SET CV",  "SEZ",    "SET CZ",  "SET VZ",  "SET CVZ", "SEN",
                           "SET CN", "SET VN", "SET CVN", "SET ZN", "SET CZN", "SET VZN", "SCC"};
  for (uint16_t codes = 1; codes <= 017; ++codes) {
    EXPECT_EQ(DisassembleWords(01000, {static_cast<uint16_t>(0240 + codes)}).text, clearing[codes - 1]);
    EXPECT_EQ(DisassembleWords(01000, {static_cast<uint16_t>(0260 + codes)}).text, setting[codes - 1]);
  }
}

// The undefined codes, and only they, come out as data.
TEST(Disassembler, UndefinedCodesAreWords) {
  const struct {
    uint16_t first, last;
  } undefined[] = {{0000007, 0000077}, {0000210, 0000237}, {0006500, 0006677},
                   {0007000, 0007777}, {0070000, 0073777}, {0075000, 0076777},
                   {0106500, 0106677}, {0107000, 0107777}, {0170000, 0177777}};
  for (uint32_t w = 0; w <= 0177777; ++w) {
    bool isUndefined = false;
    for (const auto& range : undefined) isUndefined = isUndefined || (w >= range.first && w <= range.last);
    const std::string text = DisassembleWords(01000, {static_cast<uint16_t>(w)}).text;
    if (isUndefined) {
      ASSERT_EQ(text, "WORD " + OctStr(static_cast<uint16_t>(w)));
    } else {
      ASSERT_NE(text.rfind("WORD ", 0), 0u) << OctStr6(static_cast<uint16_t>(w));
    }
  }
}

TEST(Disassembler, FormatOperandModes) {
  struct Case {
    unsigned field;
    const char* text;
    int consumed;
  };
  // Operand word at 002000 holds 000010.
  const Case cases[] = {
      {003, "R3", 0},     {013, "(R3)", 0},   {023, "(R3)+", 0},   {033, "@(R3)+", 0}, {043, "-(R3)", 0},
      {053, "@-(R3)", 0}, {063, "10(R3)", 2}, {073, "@10(R3)", 2}, {007, "PC", 0},     {017, "(PC)", 0},
      {027, "#10", 2},    {037, "@#10", 2},   {047, "-(PC)", 0},   {057, "@-(PC)", 0}, {067, "2012", 2},
      {077, "@2012", 2},  {006, "SP", 0},     {026, "(SP)+", 0},   {066, "10(SP)", 2},
  };
  for (const Case& c : cases) {
    FakeMemory memory;
    memory.Put(02000, {010});
    Disassembler d(memory.Reader());
    d.DisasmAddress = 02000;
    EXPECT_EQ(d.FormatOperand(c.field), c.text) << c.field;
    EXPECT_EQ(d.DisasmAddress, 02000 + c.consumed) << c.field;
  }
}

// Extra words past 0177776 come from 000000 on; a relative operand there wraps as well.
TEST(Disassembler, ReadsWrapAtTopOfMemory) {
  FakeMemory memory;
  memory.Put(0177776, {0012737, 0000001, 0001000});
  Disassembler d(memory.Reader());
  d.DisasmAddress = 0177776;
  EXPECT_EQ(d.Disassemble(), "MOV #1,@#1000");
  EXPECT_EQ(d.DisasmAddress, 4);
  EXPECT_EQ(memory.reads, (std::vector<uint16_t>{0177776, 0, 2}));

  const Listing relative = DisassembleWords(0177774, {0005067, 0000004});
  EXPECT_EQ(relative.text, "CLR 4");  // 4 + 177776 + 2, modulo 200000
  EXPECT_EQ(relative.length, 4);
}

TEST(Disassembler, TakenMarkOnlyWhenShownAndTrue) {
  const ConditionCodes zSet{.Z = true};
  EXPECT_EQ(DisassembleWords(01000, {0001404}, zSet, true).text, "BEQ 1012            TRUE");
  EXPECT_EQ(DisassembleWords(01000, {0001404}, zSet, false).text, "BEQ 1012");
  EXPECT_EQ(DisassembleWords(01000, {0001404}, {}, true).text, "BEQ 1012");
  // SOB loops back but is no branch in this sense.
  EXPECT_EQ(DisassembleWords(01000, {0077002}, zSet, true).text, "SOB R0,776");
}

TEST(Disassembler, BranchTakenFollowsConditionCodes) {
  struct Case {
    uint16_t word;
    ConditionCodes flags;
    bool taken;
  };
  const ConditionCodes none{};
  const Case cases[] = {
      {0000400, none, true},
      {0001000, none, true},
      {0001000, {.Z = true}, false},
      {0001400, {.Z = true}, true},
      {0001400, none, false},
      {0002000, {.N = true, .V = true}, true},
      {0002000, {.N = true}, false},
      {0002400, {.V = true}, true},
      {0002400, none, false},
      {0003000, none, true},
      {0003000, {.Z = true}, false},
      {0003000, {.N = true}, false},
      {0003400, {.Z = true}, true},
      {0003400, {.N = true}, true},
      {0003400, {.N = true, .V = true}, false},
      {0100000, none, true},
      {0100000, {.N = true}, false},
      {0100400, {.N = true}, true},
      {0101000, none, true},
      {0101000, {.C = true}, false},
      {0101000, {.Z = true}, false},
      {0101400, {.C = true}, true},
      {0101400, {.Z = true}, true},
      {0101400, none, false},
      {0102000, none, true},
      {0102000, {.V = true}, false},
      {0102400, {.V = true}, true},
      {0103000, {.C = true}, false},
      {0103000, none, true},
      {0103400, {.C = true}, true},
      {0103400, {.N = true, .Z = true, .V = true}, false},
  };
  for (const Case& c : cases) {
    const Listing got = DisassembleWords(01000, {c.word}, c.flags, true);
    EXPECT_EQ(got.branchTaken, c.taken) << got.text;
    EXPECT_EQ(got.text.ends_with("TRUE"), c.taken) << got.text;
  }
  // A non-branch does not keep the mark of the branch before it.
  FakeMemory memory;
  memory.Put(01000, {0000400, 0000240});
  Disassembler d(memory.Reader());
  d.DisasmAddress = 01000;
  d.Disassemble();
  EXPECT_TRUE(d.BranchTaken);
  d.Disassemble();
  EXPECT_FALSE(d.BranchTaken);
}

TEST(Disassembler, ListingFollowsInstructionLengths) {
  FakeMemory memory;
  memory.Put(01000, {0012737, 0000001, 0001000, 0005067, 0000004, 0000207});
  EXPECT_EQ(DisassembleListing(memory.Reader(), 01000, 3),
            (std::vector<std::string>{"001000: MOV #1,@#1000", "001006: CLR 1016", "001012: RET"}));
  const DisassembledInstruction one = DisassembleAt(memory.Reader(), 01006);
  EXPECT_EQ(one.text, "CLR 1016");
  EXPECT_EQ(one.next, 01012);
}

// The disassembler against the core's decoding, word by word: a reserved code is a WORD, any
// other shows its operation's mnemonic (or one of its other names), takes the words its operands
// need, and a branch is judged as the core judges it.
TEST(Disassembler, AgreesWithTheCoresDecodingForEveryWord) {
  const std::map<std::string, std::string> otherNames = {{"RET", "RTS"}, {"CALL", "JSR"}, {"NOP260", "NOP"}};
  int mismatches = 0;
  for (uint32_t w = 0; w < 0200000; ++w) {
    const auto word = static_cast<uint16_t>(w);
    const Operation op = DecodeOperation(word);
    for (const ConditionCodes flags : {ConditionCodes{}, ConditionCodes{true, false, true, true}}) {
      const Listing l = DisassembleWords(01000, {word, 0, 0}, flags);
      std::string mnemonic = l.text.substr(0, l.text.find(' '));
      if (const auto other = otherNames.find(mnemonic); other != otherNames.end()) mnemonic = other->second;
      const bool conditionCodes = op == Operation::ClearCondition || op == Operation::SetCondition;
      const bool nameOk = op == Operation::Reserved ? mnemonic == "WORD"
                          : conditionCodes          ? l.text == ConditionCodeText(word)
                                                    : mnemonic == OperationName(op);
      const unsigned operandWords = [&] {
        const auto extra = [](unsigned field) {
          return (field & 070) >= 060 || field == 027 || field == 037;
        };
        const InstructionDescription* row = DescribeInstruction(word);
        if (row == nullptr) return 0u;
        switch (row->form) {
          case OperandForm::kDestination:
          case OperandForm::kRegisterDest:
            return extra(word & 077) ? 1u : 0u;
          case OperandForm::kSourceDest:
            return (extra((word >> 6) & 077) ? 1u : 0u) + (extra(word & 077) ? 1u : 0u);
          default:
            return 0u;
        }
      }();
      const bool lengthOk = l.length == static_cast<int>(2 + 2 * operandWords);
      const bool branchOk = l.branchTaken == BranchConditionHolds(op, flags.N, flags.Z, flags.V, flags.C);
      if ((!nameOk || !lengthOk || !branchOk) && ++mismatches <= 10)
        ADD_FAILURE() << "word " << std::oct << w << ": " << l.text;
    }
  }
  EXPECT_EQ(mismatches, 0);
}

}  // namespace
}  // namespace homemicro::debugger
