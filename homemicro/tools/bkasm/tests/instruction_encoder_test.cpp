// Instruction lines assembled alone, with words worked out by hand from the instruction set, and
// the errors that bad operands get.
#include "instruction_encoder.h"

#include <gtest/gtest.h>

#include <vector>

namespace homemicro::bkasm {
namespace {

TEST(AssembleInstruction, WordsAtAddress1000) {
  struct Case {
    const char* text;
    std::vector<uint16_t> words;
  };
  const Case cases[] = {
      // Operand notations the disassembler never writes but people do.
      {"MOV @R3,@(R4)", {0011374, 0}},
      {"CLR -2(R5)", {0005065, 0177776}},
      {"MOVB #'A,R0", {0112700, 0101}},
      {"MOV #\"AB,R0", {0012700, 0041101}},
      {"CMPB #';,R0 ; the comment starts after the constant", {0122700, 073}},
      {"mov r0,r1", {0010001}},
      {"MOV PC,SP", {0010706}},
      {"XOR R2,-(SP)", {0074246}},
      // Numbers and expressions.
      {"MOV #10.,R0", {0012700, 012}},
      {"MOV #1+2*3,R0", {0012700, 7}},
      {"MOV #<1+2>*3,R0", {0012700, 011}},
      {"BIS #^B1010!1,R0", {0052700, 013}},
      {"MOV #-1&377,R0", {0012700, 0377}},
      {"MOV #~0/2,R0", {0012700, 077777}},
      {"MOV #^X1F|^D32,R0", {0012700, 077}},
      // PC-relative operands: the word is the distance from the word after it.
      {"MOV 1010,R0", {0016700, 4}},
      {"ADD @1010,@#2000", {0067737, 4, 02000}},
      {"MOV 10,R0", {0016700, 0177004}},
      // Jumps, branches relative to ".", condition codes in any order.
      {"RTS PC", {0000207}},
      {"JSR PC,@#1000", {0004737, 01000}},
      {"CALL (R0)", {0004710}},
      {"BR .", {0000777}},
      {"BNE .+4", {0001001}},
      {"BEQ .-254.", {0001600}},
      {"SOB R1,.", {0077101}},
      {"CLEAR ZC", {0000245}},
      {"SET NZVC", {0000277}},
      {"CLEAR N", {0000250}},
      {"EMT ^D30", {0104036}},
      {"WORD 177777", {0177777}},
  };
  for (const Case& c : cases) {
    const AssembledLine line = AssembleInstruction(c.text, 01000);
    EXPECT_EQ(line.error, "") << c.text;
    EXPECT_EQ(line.words, c.words) << c.text;
  }
}

TEST(AssembleInstruction, BadOperandsAreRefusedWithAReason) {
  struct Case {
    const char* text;
    const char* reason;
  };
  const Case cases[] = {
      {"BR 1402", "out of reach"},
      {"BR 400", "out of reach"},
      {"BR 1401", "odd"},
      {"SOB R0,1004", "SOB target 1004"},
      {"SOB R0,600", "SOB target 600"},
      {"MARK 100", "MARK count 100 is above 77"},
      {"EMT 400", "trap code 400 is above 377"},
      {"MOV (PC)+,R0", "write #value"},
      {"MOV R0", "',' expected"},
      {"MOV R0,R1,R2", "unexpected text"},
      {"CLEAR CC", "named twice"},
      {"SET X", "unknown condition code X"},
      {"XOR #1,R0", "register expected"},
      {"RTS 7", "register expected"},
      {"FROB R0", "unknown instruction FROB"},
      {"MOV #8,R0", "octal"},
      {"MOV #R0,R1", "register R0 cannot be used in an expression"},
      {"MOV @@R0,R1", "unexpected '@'"},
      {"MOV @(R0)+(R1),R2", "',' expected"},
      {"MOV @-(R0)+,R1", "',' expected"},
      {"MOV #1/0,R0", "division by zero"},
      {"MOV #200000,R0", "does not fit in 16 bits"},
      {"MOV #X,R0", "undefined symbol X"},
      {"JMP", "expression expected"},
      {"MOV #^Q1,R0", "unknown radix"},
      {"MOV #<1,R0", "'>' expected"},
  };
  const std::string deep = "MOV #" + std::string(5000, '<') + "1" + std::string(5000, '>') + ",R0";
  const std::string negations = "MOV #" + std::string(5000, '-') + "1,R0";
  const std::string shallow = "MOV #" + std::string(20, '<') + "1" + std::string(20, '>') + ",R0";
  EXPECT_EQ(AssembleInstruction(shallow, 01000).words, (std::vector<uint16_t>{0012700, 1}));
  for (const std::string& text : {deep, negations}) {
    EXPECT_EQ(AssembleInstruction(text, 01000).error, "expression nested too deeply");
  }
  for (const Case& c : cases) {
    const AssembledLine line = AssembleInstruction(c.text, 01000);
    EXPECT_NE(line.error.find(c.reason), std::string::npos) << c.text << " gave: " << line.error;
    EXPECT_TRUE(line.words.empty()) << c.text;
  }
}

}  // namespace
}  // namespace homemicro::bkasm
