// Whole programs: labels in both directions, symbols, directives, placement, and the errors that
// name their line without shifting the code after them.
#include "assembler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace homemicro::bkasm {
namespace {

std::vector<uint16_t> Words(const Program& program, uint16_t address, int count) {
  std::vector<uint16_t> words;
  for (int i = 0; i < count; ++i, address += 2) {
    words.push_back(
        static_cast<uint16_t>(program.image.Byte(address) | program.image.Byte(address + 1u) << 8));
  }
  return words;
}

std::string ErrorsText(const Program& program) {
  std::string text;
  for (const Diagnostic& d : program.errors) text += std::to_string(d.line) + ": " + d.message + "\n";
  return text;
}

TEST(AssembleProgram, LabelsAndSymbolsResolveBothWays) {
  const Program p = AssembleProgram(
      "        .ORG 1000\n"
      "START:  BR NEXT        ; forward\n"
      "DATA:   .WORD NEXT, START, SIZE\n"
      "NEXT:   MOV #DATA,R0\n"
      "        BR START\n"
      "SIZE = NEXT-START\n");
  ASSERT_EQ(ErrorsText(p), "");
  EXPECT_EQ(Words(p, 01000, 7), (std::vector<uint16_t>{0000403, 01010, 01000, 010, 0012700, 01002, 0000771}));
  EXPECT_EQ(p.symbols.at("SIZE"), 010);
  EXPECT_EQ(p.image.Low(), 01000u);
  EXPECT_EQ(p.image.High(), 01016u);
}

// Lines as bkrun lists them assemble back to the code they came from.
TEST(AssembleProgram, AddressPrefixesOfAListingPlaceTheCode) {
  const Program p = AssembleProgram(
      "001000: MOV #1,@#1000\n"
      "001006: CLR 1016\n"
      "001012: RET\n");
  ASSERT_EQ(ErrorsText(p), "");
  EXPECT_EQ(Words(p, 01000, 6), (std::vector<uint16_t>{0012737, 1, 01000, 0005067, 4, 0000207}));
}

// Files written on Windows end their lines with CR LF; text bytes are copied as they are.
TEST(AssembleProgram, CarriageReturnsAndEightBitText) {
  const Program p = AssembleProgram("X: .ASCII /\xf0\xd2/\r\n   .WORD X\r\n");
  ASSERT_EQ(ErrorsText(p), "");
  EXPECT_EQ(Words(p, 0, 2), (std::vector<uint16_t>{0xd2f0, 0}));
}

TEST(AssembleProgram, DataDirectives) {
  const Program p = AssembleProgram(
      "  .ORG 2000\n"
      "  .ASCII /AB/<15>\"C;D\"\n"
      "  .ASCIZ /E/\n"
      "  .BYTE -1, 377, 'Z\n"
      "  .EVEN\n"
      "W: .BLKW 2\n"
      "  .WORD W\n"
      "  .BLKB 3\n"
      "  . = 3000\n"
      "  .WORD .\n"
      "  .END\n"
      "  .WORD 1234\n");
  ASSERT_EQ(ErrorsText(p), "");
  const uint8_t text[] = {0101, 0102, 015, 0103, 073, 0104, 0105, 0, 0377, 0377, 0132};
  for (uint16_t i = 0; i < sizeof text; ++i) EXPECT_EQ(p.image.Byte(02000 + i), text[i]) << i;
  EXPECT_FALSE(p.image.Used(02013));  // skipped by .EVEN
  EXPECT_EQ(Words(p, 02014, 3), (std::vector<uint16_t>{0, 0, 02014}));
  EXPECT_TRUE(p.image.Used(02024));
  EXPECT_FALSE(p.image.Used(02025));
  EXPECT_EQ(Words(p, 03000, 1), (std::vector<uint16_t>{03000}));
  EXPECT_EQ(p.image.High(), 03002u);  // nothing after .END
}

TEST(AssembleProgram, ErrorsNameTheirLines) {
  const Program p = AssembleProgram(
      "        .ORG 1000\n"
      "        MOV #UNDEF,R0\n"
      "L1:     CLR R0\n"
      "L1:     CLR R1\n"
      "        .BLKW LATER\n"
      "        BR FAR\n"
      "        .ORG 1001\n"
      "        NOP\n"
      "LATER = 2\n"
      "        .BYTE 400\n"
      "        .WORD 1\n"
      "        .ORG 2000\n"
      "        MOV R0\n"
      "R1:     NOP\n"
      "        .ASCII /OPEN\n"
      "        .FOO\n"
      "        .ORG 177776\n"
      "        .WORD 1,2\n");
  EXPECT_EQ(ErrorsText(p),
            "2: undefined symbol UNDEF\n"
            "4: L1 is already defined\n"
            "5: symbol LATER must be defined above this line\n"
            "6: undefined symbol FAR\n"
            "8: an instruction cannot start at the odd address 1001\n"
            "10: value 400 does not fit in a byte\n"
            "11: a word cannot start at the odd address 1001\n"
            "13: ',' expected\n"
            "14: R1 cannot be a label\n"
            "15: text not closed by /\n"
            "16: unknown instruction or directive .FOO\n"
            "18: code runs past address 177777\n");
}

// A line that fails keeps the room it takes, so the labels after it do not move.
TEST(AssembleProgram, BadLineKeepsTheLayout) {
  const Program p = AssembleProgram(
      "        .ORG 1000\n"
      "        MOV #UNDEF,@#LOST\n"
      "HERE:   .WORD HERE\n");
  EXPECT_EQ(p.errors.size(), 1u);
  EXPECT_EQ(p.symbols.at("HERE"), 01006);
  EXPECT_EQ(Words(p, 01006, 1), (std::vector<uint16_t>{01006}));
}

TEST(AssembleProgram, OverlappingCodeIsRefusedAndKeepsTheFirst) {
  const Program p = AssembleProgram(
      ".ORG 1000\n"
      ".WORD 1,2\n"
      ".ORG 1002\n"
      ".WORD 3\n");
  EXPECT_EQ(ErrorsText(p), "4: overwrites code already assembled at 1002\n");
  EXPECT_EQ(Words(p, 01000, 2), (std::vector<uint16_t>{1, 2}));
}

TEST(AssembleProgram, AssignedSymbolsMayBeRedefinedButLabelsNot) {
  const Program p = AssembleProgram(
      "N = 1\n"
      ".WORD N\n"
      "N = N+1\n"
      ".WORD N\n"
      "L: N = 5\n"
      "L = 3\n");
  EXPECT_EQ(ErrorsText(p), "6: L is a label and cannot be assigned\n");
  EXPECT_EQ(Words(p, 0, 2), (std::vector<uint16_t>{1, 2}));
}

}  // namespace
}  // namespace homemicro::bkasm
