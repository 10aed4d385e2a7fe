// Instruction set tables: initial state, instruction words at 01000, expected registers, memory
// and N Z V C after one step (or the number of steps given).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "machine_fixture.h"

namespace homemicro::testing {
namespace {

struct InstructionCase {
  std::string name;
  std::vector<uint16_t> code;
  std::vector<RegisterValue> regs = {};
  std::string flags = "0000";
  std::vector<MemoryWord> memory = {};
  std::vector<RegisterValue> expectRegs = {};
  std::string expectFlags = "0000";
  std::vector<MemoryWord> expectMemory = {};
  int steps = 1;
};

std::ostream& operator<<(std::ostream& os, const InstructionCase& c) {
  return os << c.name;
}

class InstructionTable : public MachineTest, public ::testing::WithParamInterface<InstructionCase> {
 protected:
  void RunCase(const InstructionCase& c) {
    // Vectors lead to distinct handlers so a wrong trap shows in PC.
    for (uint16_t v : {004, 010, 014, 020, 030, 034, 060}) Poke(v, {static_cast<uint16_t>(04000 + v)});
    Poke(kCodeAddress, c.code);
    for (const auto& r : c.regs) s.R[r.n] = r.value;
    for (const auto& m : c.memory) Poke(m.address, {m.value});
    SetFlags(c.flags);
    for (int i = 0; i < c.steps; ++i) machine.Step();
    for (const auto& r : c.expectRegs) EXPECT_EQ(s.R[r.n], r.value) << "R" << r.n;
    for (const auto& m : c.expectMemory)
      EXPECT_EQ(Peek(m.address), m.value) << "word at " << std::oct << m.address;
    EXPECT_EQ(Flags(), c.expectFlags);
  }
};

TEST_P(InstructionTable, ProducesExpectedState) {
  RunCase(GetParam());
}

std::string CaseName(const ::testing::TestParamInfo<InstructionCase>& info) {
  return info.param.name;
}

// ADD/SUB/CMP overflow and borrow, the logical group, MOVB sign extension, byte forms on registers.
INSTANTIATE_TEST_SUITE_P(
    DoubleOperand, InstructionTable,
    ::testing::Values(
        InstructionCase{"AddOverflow", {060001}, {{0, 1}, {1, 077777}}, "0000", {}, {{1, 0100000}}, "1010"},
        InstructionCase{"AddCarryToZero", {060001}, {{0, 1}, {1, 0177777}}, "0000", {}, {{1, 0}}, "0101"},
        InstructionCase{"SubBorrow", {0160001}, {{0, 1}, {1, 0}}, "0000", {}, {{1, 0177777}}, "1001"},
        InstructionCase{"SubOverflow", {0160001}, {{0, 1}, {1, 0100000}}, "0000", {}, {{1, 077777}}, "0010"},
        InstructionCase{"CmpOverflowNoStore",
                        {020001},
                        {{0, 0100000}, {1, 1}},
                        "0101",
                        {},
                        {{0, 0100000}, {1, 1}},
                        "0010"},
        InstructionCase{"CmpBorrow", {020001}, {{0, 1}, {1, 2}}, "0000", {}, {{1, 2}}, "1001"},
        InstructionCase{"CmpbLowBytesOnly", {0120001}, {{0, 011200}, {1, 0177401}}, "0000", {}, {}, "0010"},
        InstructionCase{
            "BitKeepsCarry", {030001}, {{0, 0100000}, {1, 0100001}}, "0011", {}, {{1, 0100001}}, "1001"},
        InstructionCase{"Bic", {040001}, {{0, 0177400}, {1, 0177777}}, "1111", {}, {{1, 0377}}, "0001"},
        InstructionCase{"Bis", {050001}, {{0, 0100000}, {1, 1}}, "0110", {}, {{1, 0100001}}, "1000"},
        InstructionCase{
            "Xor", {074001}, {{0, 0177777}, {1, 0177777}}, "1011", {}, {{0, 0177777}, {1, 0}}, "0101"},
        InstructionCase{"MovKeepsCarry", {010001}, {{0, 0}, {1, 5}}, "1011", {}, {{1, 0}}, "0101"},
        InstructionCase{"MovbSignExtendsIntoRegister",
                        {0110001},
                        {{0, 0200}, {1, 0}},
                        "0000",
                        {},
                        {{1, 0177600}},
                        "1000"},
        InstructionCase{"MovbPositiveClearsHighByte",
                        {0110001},
                        {{0, 0177577}, {1, 0177777}},
                        "1000",
                        {},
                        {{1, 0177}},
                        "0000"},
        InstructionCase{"MovbToMemoryStoresOneByte",
                        {0110011},
                        {{0, 0377}, {1, 02000}},
                        "0000",
                        {{02000, 0125000}},
                        {{1, 02000}},
                        "1000",
                        {{02000, 0125377}}},
        InstructionCase{
            "BisbKeepsHighByte", {0150001}, {{0, 1}, {1, 0177400}}, "0000", {}, {{1, 0177401}}, "0000"},
        InstructionCase{
            "BicbToZero", {0140001}, {{0, 0377}, {1, 0177777}}, "0000", {}, {{1, 0177400}}, "0100"},
        InstructionCase{"BitbSign", {0130001}, {{0, 0200}, {1, 0377}}, "0000", {}, {}, "1000"}),
    CaseName);

// Every single-operand instruction and its byte form, with the edge values of each.
INSTANTIATE_TEST_SUITE_P(
    SingleOperand, InstructionTable,
    ::testing::Values(
        InstructionCase{"Clr", {005000}, {{0, 012345}}, "1011", {}, {{0, 0}}, "0100"},
        InstructionCase{"ClrbKeepsHighByte", {0105000}, {{0, 0177777}}, "1011", {}, {{0, 0177400}}, "0100"},
        InstructionCase{"Com", {005100}, {{0, 0}}, "0110", {}, {{0, 0177777}}, "1001"},
        InstructionCase{"Comb", {0105100}, {{0, 0177400}}, "0000", {}, {{0, 0177777}}, "1001"},
        InstructionCase{"IncOverflowKeepsCarry", {005200}, {{0, 077777}}, "0001", {}, {{0, 0100000}}, "1011"},
        InstructionCase{"IncWrapsToZero", {005200}, {{0, 0177777}}, "0010", {}, {{0, 0}}, "0100"},
        InstructionCase{"IncbOverflow", {0105200}, {{0, 0177}}, "0000", {}, {{0, 0200}}, "1010"},
        InstructionCase{"DecOverflow", {005300}, {{0, 0100000}}, "0000", {}, {{0, 077777}}, "0010"},
        InstructionCase{"DecbWraps", {0105300}, {{0, 0400}}, "0000", {}, {{0, 0777}}, "1000"},
        InstructionCase{"NegOfMostNegative", {005400}, {{0, 0100000}}, "0000", {}, {{0, 0100000}}, "1011"},
        InstructionCase{"NegOfZero", {005400}, {{0, 0}}, "1011", {}, {{0, 0}}, "0100"},
        InstructionCase{"NegOfOne", {005400}, {{0, 1}}, "0000", {}, {{0, 0177777}}, "1001"},
        InstructionCase{"NegbOf0200", {0105400}, {{0, 0177600}}, "0000", {}, {{0, 0177600}}, "1011"},
        InstructionCase{"AdcOverflow", {005500}, {{0, 077777}}, "0001", {}, {{0, 0100000}}, "1010"},
        InstructionCase{"AdcCarryOut", {005500}, {{0, 0177777}}, "0001", {}, {{0, 0}}, "0101"},
        InstructionCase{"AdcWithoutCarry", {005500}, {{0, 5}}, "0110", {}, {{0, 5}}, "0000"},
        InstructionCase{"AdcbCarryOut", {0105500}, {{0, 0177777}}, "0001", {}, {{0, 0177400}}, "0101"},
        InstructionCase{
            "SbcFromMostNegativePlusOne", {005600}, {{0, 0100001}}, "0001", {}, {{0, 0100000}}, "1000"},
        InstructionCase{"SbcBorrow", {005600}, {{0, 0}}, "0001", {}, {{0, 0177777}}, "1001"},
        InstructionCase{"SbcWithoutCarry", {005600}, {{0, 0}}, "1010", {}, {{0, 0}}, "0100"},
        InstructionCase{"SbcbOverflow", {0105600}, {{0, 0177600}}, "0001", {}, {{0, 0177577}}, "0010"},
        InstructionCase{"TstClearsVC", {005700}, {{0, 0100000}}, "0111", {}, {{0, 0100000}}, "1000"},
        InstructionCase{"TstbLowByte", {0105700}, {{0, 0177400}}, "1000", {}, {}, "0100"},
        InstructionCase{"RorIntoCarry", {006000}, {{0, 1}}, "0000", {}, {{0, 0}}, "0111"},
        InstructionCase{"RorCarryIntoSign", {006000}, {{0, 0}}, "0001", {}, {{0, 0100000}}, "1010"},
        InstructionCase{"RorbCarryIntoBit7", {0106000}, {{0, 0401}}, "0001", {}, {{0, 0600}}, "1001"},
        InstructionCase{"RolOutOfSign", {006100}, {{0, 0100000}}, "0000", {}, {{0, 0}}, "0111"},
        InstructionCase{"RolbOf0200", {0106100}, {{0, 0200}}, "0000", {}, {{0, 0}}, "0111"},
        InstructionCase{"RolCarryIntoBit0", {006100}, {{0, 1}}, "0001", {}, {{0, 3}}, "0000"},
        InstructionCase{"AsrKeepsSign", {006200}, {{0, 0100001}}, "0000", {}, {{0, 0140000}}, "1001"},
        InstructionCase{"AsrbKeepsBit7", {0106200}, {{0, 0201}}, "0000", {}, {{0, 0300}}, "1001"},
        InstructionCase{"AslIntoSign", {006300}, {{0, 040000}}, "0000", {}, {{0, 0100000}}, "1010"},
        InstructionCase{"AslbOf0200", {0106300}, {{0, 0200}}, "0000", {}, {{0, 0}}, "0111"},
        InstructionCase{"SwabNegativeLowByte", {000300}, {{0, 0177400}}, "0111", {}, {{0, 0377}}, "1000"},
        InstructionCase{"SwabZeroLowByte", {000300}, {{0, 0377}}, "1011", {}, {{0, 0177400}}, "0100"},
        InstructionCase{"SxtNegative", {006700}, {{0, 0}}, "1111", {}, {{0, 0177777}}, "1001"},
        InstructionCase{"SxtPositive", {006700}, {{0, 012}}, "0011", {}, {{0, 0}}, "0101"},
        InstructionCase{"MtpsSetsAllFour", {0106400}, {{0, 0377}}, "0000", {}, {}, "1111"},
        InstructionCase{"MtpsAutoIncrementByByte",
                        {0106421},
                        {{1, 02000}},
                        "1111",
                        {{02000, 0177405}},
                        {{1, 02001}},
                        "0101"},
        InstructionCase{
            "MfpsSignExtendsIntoRegister", {0106700}, {{0, 0177400}}, "1101", {}, {{0, 015}}, "0001"},
        InstructionCase{"MfpsToMemoryByte",
                        {0106711},
                        {{1, 02001}},
                        "0111",
                        {{02000, 0177777}},
                        {},
                        "0001",
                        {{02000, 03777}}}),
    CaseName);

// Branch offsets at both extremes, the PC wrap, and each condition taken and not taken.
INSTANTIATE_TEST_SUITE_P(
    Branches, InstructionTable,
    ::testing::Values(InstructionCase{"BrToItself", {000777}, {}, "0000", {}, {{kPC, 01000}}},
                      InstructionCase{"BrMinus128", {000600}, {}, "0000", {}, {{kPC, 0402}}},
                      InstructionCase{"BrPlus127", {000577}, {}, "0000", {}, {{kPC, 01400}}},
                      InstructionCase{"BneTaken", {001002}, {}, "0000", {}, {{kPC, 01006}}},
                      InstructionCase{"BneNotTaken", {001002}, {}, "0100", {}, {{kPC, 01002}}, "0100"},
                      InstructionCase{"BeqTaken", {001402}, {}, "0100", {}, {{kPC, 01006}}, "0100"},
                      InstructionCase{"BgeTakenWhenNAndV", {002002}, {}, "1010", {}, {{kPC, 01006}}, "1010"},
                      InstructionCase{"BgeNotTakenWhenN", {002002}, {}, "1000", {}, {{kPC, 01002}}, "1000"},
                      InstructionCase{"BltTakenWhenV", {002402}, {}, "0010", {}, {{kPC, 01006}}, "0010"},
                      InstructionCase{"BgtNotTakenWhenZ", {003002}, {}, "0100", {}, {{kPC, 01002}}, "0100"},
                      InstructionCase{"BgtTaken", {003002}, {}, "0001", {}, {{kPC, 01006}}, "0001"},
                      InstructionCase{"BleTakenWhenNXorV", {003402}, {}, "1000", {}, {{kPC, 01006}}, "1000"},
                      InstructionCase{"BleNotTaken", {003402}, {}, "1010", {}, {{kPC, 01002}}, "1010"},
                      InstructionCase{"BplTaken", {0100002}, {}, "0111", {}, {{kPC, 01006}}, "0111"},
                      InstructionCase{"BmiTaken", {0100402}, {}, "1000", {}, {{kPC, 01006}}, "1000"},
                      InstructionCase{"BhiTaken", {0101002}, {}, "1010", {}, {{kPC, 01006}}, "1010"},
                      InstructionCase{"BhiNotTakenWhenZ", {0101002}, {}, "0100", {}, {{kPC, 01002}}, "0100"},
                      InstructionCase{"BlosTakenWhenC", {0101402}, {}, "0001", {}, {{kPC, 01006}}, "0001"},
                      InstructionCase{"BlosNotTaken", {0101402}, {}, "1010", {}, {{kPC, 01002}}, "1010"},
                      InstructionCase{"BvcTaken", {0102002}, {}, "1101", {}, {{kPC, 01006}}, "1101"},
                      InstructionCase{"BvsNotTaken", {0102402}, {}, "1101", {}, {{kPC, 01002}}, "1101"},
                      InstructionCase{"BccNotTaken", {0103002}, {}, "0001", {}, {{kPC, 01002}}, "0001"},
                      InstructionCase{"BcsTaken", {0103402}, {}, "0001", {}, {{kPC, 01006}}, "0001"},
                      InstructionCase{"FetchAtTopWrapsPc",
                                      {000137, 0177776},
                                      {},
                                      "0000",
                                      {{0177776, 000240}},
                                      {{kPC, 0}},
                                      "0000",
                                      {},
                                      2}),
    CaseName);

// Jumps, subroutine linkage, MARK and SOB.
INSTANTIATE_TEST_SUITE_P(
    JumpsAndSubroutines, InstructionTable,
    ::testing::Values(
        InstructionCase{"JmpDeferred", {000111}, {{1, 02000}}, "1111", {}, {{kPC, 02000}}, "1111"},
        InstructionCase{"JmpAbsolute", {000137, 02000}, {}, "0000", {}, {{kPC, 02000}}},
        InstructionCase{
            "JmpAutoIncrementUsesOldValue", {000121}, {{1, 02000}}, "0000", {}, {{kPC, 02000}, {1, 02002}}},
        InstructionCase{"JmpRegisterIsReserved",
                        {000101},
                        {{1, 02000}},
                        "1001",
                        {},
                        {{kPC, 04010}, {kSP, 0674}, {1, 02000}},
                        "1001",
                        {{0674, 01002}, {0676, 011}}},
        InstructionCase{
            "JsrRegisterIsReserved", {004501}, {{5, 0123}}, "0000", {}, {{kPC, 04010}, {5, 0123}}},
        InstructionCase{"JsrPcPushesReturn",
                        {004737, 02000},
                        {},
                        "0000",
                        {},
                        {{kPC, 02000}, {kSP, 0676}},
                        "0000",
                        {{0676, 01004}}},
        InstructionCase{"JsrR5Links",
                        {004511},
                        {{5, 0123}, {1, 02000}},
                        "0000",
                        {},
                        {{kPC, 02000}, {5, 01002}, {kSP, 0676}},
                        "0000",
                        {{0676, 0123}}},
        InstructionCase{"JsrR5DeferredAutoIncrementPushesIncremented",
                        {004535},
                        {{5, 02000}},
                        "0000",
                        {{02000, 03000}},
                        {{kPC, 03000}, {5, 01002}, {kSP, 0676}},
                        "0000",
                        {{0676, 02002}}},
        InstructionCase{"RtsPc", {000207}, {}, "1111", {{0700, 02000}}, {{kPC, 02000}, {kSP, 0702}}, "1111"},
        InstructionCase{
            "RtsR5", {000205}, {{5, 03000}}, "0000", {{0700, 0123}}, {{kPC, 03000}, {5, 0123}, {kSP, 0702}}},
        InstructionCase{"Mark2",
                        {006402, 0, 0, 04321},
                        {{5, 02000}},
                        "0000",
                        {},
                        {{kPC, 02000}, {5, 04321}, {kSP, 01010}}},
        InstructionCase{"SobLoopsBack", {077001}, {{0, 2}}, "0101", {}, {{0, 1}, {kPC, 01000}}, "0101"},
        InstructionCase{"SobFallsThroughAtZero", {077001}, {{0, 1}}, "0000", {}, {{0, 0}, {kPC, 01002}}},
        InstructionCase{"SobOffset077", {077177}, {{1, 5}}, "0000", {}, {{1, 4}, {kPC, 01002 - 0176}}}),
    CaseName);

// Condition code operators, trap-class and machine-control instructions.
INSTANTIATE_TEST_SUITE_P(
    ControlAndTraps, InstructionTable,
    ::testing::Values(
        InstructionCase{"Clc", {000241}, {}, "1111", {}, {}, "1110"},
        InstructionCase{"Cln", {000250}, {}, "1111", {}, {}, "0111"},
        InstructionCase{"ClzClc", {000245}, {}, "1111", {}, {}, "1010"},
        InstructionCase{"Ccc", {000257}, {}, "1111", {}, {}, "0000"},
        InstructionCase{"Sec", {000261}, {}, "0000", {}, {}, "0001"},
        InstructionCase{"Sez", {000264}, {}, "0000", {}, {}, "0100"},
        InstructionCase{"Scc", {000277}, {}, "0000", {}, {}, "1111"},
        InstructionCase{"Nop240", {000240}, {}, "1010", {}, {{kPC, 01002}}, "1010"},
        InstructionCase{"Nop260", {000260}, {}, "0101", {}, {{kPC, 01002}}, "0101"},
        InstructionCase{"HaltIsBusError",
                        {000000},
                        {},
                        "1001",
                        {},
                        {{kPC, 04004}, {kSP, 0674}},
                        "1001",
                        {{0674, 01002}, {0676, 011}}},
        InstructionCase{"WaitDoesNothing", {000001, 000261}, {}, "0000", {}, {{kPC, 01004}}, "0001", {}, 2},
        InstructionCase{"Bpt", {000003}, {}, "0000", {}, {{kPC, 04014}, {kSP, 0674}}},
        InstructionCase{"Iot", {000004}, {}, "0100", {}, {{kPC, 04020}}, "0100", {{0676, 04}}},
        InstructionCase{
            "Emt", {0104035}, {}, "0000", {}, {{kPC, 04030}, {kSP, 0674}}, "0000", {{0674, 01002}}},
        InstructionCase{"TrapLow", {0104400}, {}, "0000", {}, {{kPC, 04034}}},
        InstructionCase{"TrapHigh", {0104777}, {}, "0000", {}, {{kPC, 04034}}},
        InstructionCase{"RtiTakesOnlyConditionCodes",
                        {000002},
                        {},
                        "0000",
                        {{0700, 02000}, {0702, 0377}},
                        {{kPC, 02000}, {kSP, 0704}},
                        "1111"},
        InstructionCase{"RttReturns",
                        {000006},
                        {},
                        "0000",
                        {{0700, 02000}, {0702, 012}},
                        {{kPC, 02000}, {kSP, 0704}},
                        "1010"}),
    CaseName);

// Source and destination in every mode, with the PC and SP forms and the byte step rules.
INSTANTIATE_TEST_SUITE_P(
    AddressingModes, InstructionTable,
    ::testing::Values(
        InstructionCase{
            "SrcDeferred", {011100}, {{1, 02000}}, "0000", {{02000, 0111}}, {{0, 0111}, {1, 02000}}},
        InstructionCase{
            "SrcAutoIncrement", {012100}, {{1, 02000}}, "0000", {{02000, 0111}}, {{0, 0111}, {1, 02002}}},
        InstructionCase{"SrcAutoIncrementByte",
                        {0112100},
                        {{1, 02001}},
                        "0000",
                        {{02000, 0177000}},
                        {{0, 0177776}, {1, 02002}},
                        "1000"},
        InstructionCase{"SrcAutoIncrementByteSp",
                        {0112600},
                        {},
                        "0000",
                        {{0700, 0377}},
                        {{0, 0177777}, {kSP, 0702}},
                        "1000"},
        InstructionCase{"SrcImmediateByte", {0112700, 0123}, {}, "0000", {}, {{0, 0123}, {kPC, 01004}}},
        InstructionCase{"SrcDeferredAutoIncrement",
                        {013100},
                        {{1, 02000}},
                        "0000",
                        {{02000, 03000}, {03000, 0555}},
                        {{0, 0555}, {1, 02002}}},
        InstructionCase{
            "SrcAbsolute", {013700, 02000}, {}, "0000", {{02000, 0555}}, {{0, 0555}, {kPC, 01004}}},
        InstructionCase{
            "SrcAutoDecrement", {014100}, {{1, 02002}}, "0000", {{02000, 0555}}, {{0, 0555}, {1, 02000}}},
        InstructionCase{"SrcAutoDecrementByte",
                        {0114100},
                        {{1, 02002}},
                        "0000",
                        {{02000, 0125000}},
                        {{0, 0177652}, {1, 02001}},
                        "1000"},
        InstructionCase{
            "SrcAutoDecrementByteSp", {0114600}, {}, "0000", {{0676, 07}}, {{0, 07}, {kSP, 0676}}},
        InstructionCase{"SrcDeferredAutoDecrement",
                        {015100},
                        {{1, 02002}},
                        "0000",
                        {{02000, 03000}, {03000, 0555}},
                        {{0, 0555}, {1, 02000}}},
        InstructionCase{
            "SrcIndex", {016100, 4}, {{1, 02000}}, "0000", {{02004, 0555}}, {{0, 0555}, {kPC, 01004}}},
        InstructionCase{"SrcRelative", {016700, 2, 0, 0666}, {}, "0000", {}, {{0, 0666}, {kPC, 01004}}},
        InstructionCase{"SrcIndexDeferred",
                        {017100, 4},
                        {{1, 02000}},
                        "0000",
                        {{02004, 03000}, {03000, 0555}},
                        {{0, 0555}}},
        InstructionCase{
            "SrcRelativeDeferred", {017700, 2, 0, 03000}, {}, "0000", {{03000, 0555}}, {{0, 0555}}},
        InstructionCase{
            "IndexWrapsAddress", {016100, 0177776}, {{1, 02002}}, "0000", {{02000, 0444}}, {{0, 0444}}},
        InstructionCase{"DstAutoIncrement",
                        {010021},
                        {{0, 0123}, {1, 02000}},
                        "0000",
                        {},
                        {{1, 02002}},
                        "0000",
                        {{02000, 0123}}},
        InstructionCase{
            "DstPushOnStack", {010046}, {{0, 0123}}, "0000", {}, {{kSP, 0676}}, "0000", {{0676, 0123}}},
        InstructionCase{"DstBytePushStepsSpBy2",
                        {0110046},
                        {{0, 0123}},
                        "0000",
                        {{0676, 0177777}},
                        {{kSP, 0676}},
                        "0000",
                        {{0676, 0177523}}},
        InstructionCase{
            "DstAbsolute", {010037, 02000}, {{0, 0123}}, "0000", {}, {{kPC, 01004}}, "0000", {{02000, 0123}}},
        InstructionCase{"DstRelative", {010067, 2}, {{0, 0123}}, "0000", {}, {}, "0000", {{01006, 0123}}},
        InstructionCase{"DstDeferredAutoIncrement",
                        {010031},
                        {{0, 0123}, {1, 02000}},
                        "0000",
                        {{02000, 03000}},
                        {{1, 02002}},
                        "0000",
                        {{03000, 0123}}},
        InstructionCase{"DstDeferredAutoDecrement",
                        {010051},
                        {{0, 0123}, {1, 02002}},
                        "0000",
                        {{02000, 03000}},
                        {{1, 02000}},
                        "0000",
                        {{03000, 0123}}},
        InstructionCase{"DstIndex",
                        {010061, 0177776},
                        {{0, 0123}, {1, 02002}},
                        "0000",
                        {},
                        {{kPC, 01004}},
                        "0000",
                        {{02000, 0123}}},
        InstructionCase{"DstIndexDeferred",
                        {010071, 2},
                        {{0, 0123}, {1, 02000}},
                        "0000",
                        {{02002, 03000}},
                        {},
                        "0000",
                        {{03000, 0123}}},
        InstructionCase{"SourceBeforeDestination",
                        {062121},
                        {{1, 02000}},
                        "0000",
                        {{02000, 5}, {02002, 7}},
                        {{1, 02004}},
                        "0000",
                        {{02000, 5}, {02002, 014}}},
        InstructionCase{"SourceRegisterReadBeforeDestinationStep",
                        {010121},
                        {{1, 02000}},
                        "0000",
                        {},
                        {{1, 02002}},
                        "0000",
                        {{02000, 02000}}},
        InstructionCase{"AutoIncrementSourceIntoSameRegister",
                        {012101},
                        {{1, 02000}},
                        "0000",
                        {{02000, 0123}},
                        {{1, 0123}}}),
    CaseName);

TEST_F(MachineTest, SobRuns65536TimesFromZero) {
  Poke(kCodeAddress, {077001});
  s.R[0] = 0;
  int steps = 0;
  while (s.R[kPC] == kCodeAddress && steps < 70000) {
    machine.Step();
    ++steps;
  }
  EXPECT_EQ(steps, 65536);
  EXPECT_EQ(s.R[0], 0);
}

}  // namespace
}  // namespace homemicro::testing
