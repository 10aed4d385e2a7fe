// --convert: kit dump to SIMH image and back, byte for byte, and damaged inputs.
#include <gtest/gtest.h>

#include <sstream>

#include "dump_fixture.h"
#include "image_convert.h"

namespace tapecopy::testing {
namespace {

// Blocks of 3, 1 and 2 bytes and two tape marks in both formats.
const Bytes kKitDump = {
    0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x01, 0xA1, 0xA2, 0xA3,  // at 0
    0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0xB1,              // at 11
    0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x0B, 0xC1, 0xC2,        // at 20
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x14,                    // at 30
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x1E,                    // at 38
};
const Bytes kSimhImage = {
    0x03, 0x00, 0x00, 0x00, 0xA1, 0xA2, 0xA3, 0x00, 0x03, 0x00, 0x00, 0x00,  //
    0x01, 0x00, 0x00, 0x00, 0xB1, 0x00, 0x01, 0x00, 0x00, 0x00,              //
    0x02, 0x00, 0x00, 0x00, 0xC1, 0xC2, 0x02, 0x00, 0x00, 0x00,              //
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF,  // marks, end
};

class ConvertTest : public DumpTest {
 protected:
  struct Converted {
    int exitCode;
    std::string messages;
    std::optional<Bytes> output;
  };
  Converted convert(const Bytes& input, ImageFormat outputFormat) {
    writeDumpFile(input);
    const std::string inputFile = dumpFile_;
    std::ostringstream messages;
    const int exitCode = convertImage(inputFile, (folder_ / "converted").string(), outputFormat, messages);
    dumpFile_ = (folder_ / "converted").string();
    Converted result{exitCode, messages.str(), dumpFileBytes()};
    dumpFile_ = inputFile;
    return result;
  }
};

TEST_F(ConvertTest, KitDumpToSimhAndBack) {
  const Converted simh = convert(kKitDump, ImageFormat::Simh);
  EXPECT_EQ(simh.exitCode, 0);
  EXPECT_EQ(simh.messages, "Conversion complete: blocks 3, tape marks 2, bytes 6\n");
  EXPECT_EQ(simh.output, kSimhImage);
  const Converted kit = convert(kSimhImage, ImageFormat::Kit);
  EXPECT_EQ(kit.exitCode, 0);
  EXPECT_EQ(kit.output, kKitDump);
}

TEST_F(ConvertTest, EmptyInputs) {
  EXPECT_EQ(convert({}, ImageFormat::Simh).output, (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
  const Converted kit = convert({}, ImageFormat::Kit);
  EXPECT_EQ(kit.exitCode, 0);
  EXPECT_EQ(kit.output, Bytes{});
}

// Erase gaps are skipped, an error record has no place in the kit's format, an image may end
// without its marker, and nothing after the marker counts.
TEST_F(ConvertTest, SimhGapsErrorRecordsAndTheEnd) {
  const Bytes image = {
      0xFE, 0xFF, 0xFF, 0xFF,                                      // erase gap
      0x01, 0x00, 0x00, 0x00, 0xD1, 0x00, 0x01, 0x00, 0x00, 0x00,  // block at 4
      0x02, 0x00, 0x00, 0x80, 0xE1, 0xE2, 0x02, 0x00, 0x00, 0x80,  // error record at 14
      0x00, 0x00, 0x00, 0x00,                                      // tape mark
  };
  const Converted kit = convert(image, ImageFormat::Kit);
  EXPECT_EQ(kit.exitCode, 0);
  EXPECT_EQ(kit.messages, dumpFile_ +
                              ": error record at offset 14 left out (the kit's format has none)\n"
                              "Conversion complete: blocks 1, tape marks 1, bytes 1, bad blocks skipped 1\n");
  EXPECT_EQ(kit.output, ExpectedDump().record({0xD1}).record({}).bytes());
  Bytes withTail = kSimhImage;
  withTail.insert(withTail.end(), {0x05, 0x00});
  EXPECT_EQ(convert(withTail, ImageFormat::Kit).output, kKitDump);
}

struct DamageCase {
  const char* name;
  Bytes input;
  ImageFormat outputFormat;
  const char* problem;  // after the input file's name
  Bytes converted;      // what was written before the damage
};

void PrintTo(const DamageCase& c, std::ostream* out) {
  *out << c.name;
}

const DamageCase kDamage[] = {
    {"KitHeaderCutShort",
     {0, 0, 0, 1, 0, 0, 0, 1, 0xAA, 0, 0, 0},
     ImageFormat::Simh,
     ": damaged kit dump at offset 9: record header cut short\n",
     {1, 0, 0, 0, 0xAA, 0, 1, 0, 0, 0}},
    {"KitWrongBackLink",
     {0, 0, 0, 0, 0, 0, 0, 0},
     ImageFormat::Simh,
     ": damaged kit dump at offset 0: wrong back link\n",
     {}},
    {"KitRecordCutShort",
     {0xFF, 0xFF, 0xFF, 0xF0, 0, 0, 0, 1, 0xAA},
     ImageFormat::Simh,
     ": damaged kit dump at offset 0: record cut short\n",
     {}},
    {"SimhLengthsDiffer",
     {0, 0, 0, 0, 1, 0, 0, 0, 0xD1, 0, 2, 0, 0, 0},
     ImageFormat::Kit,
     ": damaged SIMH image at offset 4: record lengths differ\n",
     {0, 0, 0, 0, 0, 0, 0, 1}},
    {"SimhRecordCutShort",
     {3, 0, 0, 0, 0xD1, 0xD2, 0xD3, 0, 3, 0},
     ImageFormat::Kit,
     ": damaged SIMH image at offset 0: record cut short\n",
     {}},
    {"SimhHugeLength",
     {0xFF, 0xFF, 0xFF, 0x00, 1, 2},
     ImageFormat::Kit,
     ": damaged SIMH image at offset 0: record cut short\n",
     {}},
    {"SimhLengthCutShort",
     {0, 0, 0, 0, 1, 0},
     ImageFormat::Kit,
     ": damaged SIMH image at offset 4: record length cut short\n",
     {0, 0, 0, 0, 0, 0, 0, 1}},
    {"SimhUnknownClass",
     {1, 0, 0, 0x70, 0xD1, 0, 1, 0, 0, 0x70},
     ImageFormat::Kit,
     ": damaged SIMH image at offset 0: unknown record class\n",
     {}},
};

class DamagedInputTest : public ConvertTest, public ::testing::WithParamInterface<DamageCase> {};

TEST_P(DamagedInputTest, StopsAtTheDamage) {
  const DamageCase& c = GetParam();
  const Converted result = convert(c.input, c.outputFormat);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.messages, dumpFile_ + c.problem);
  EXPECT_EQ(result.output, c.converted);
}

INSTANTIATE_TEST_SUITE_P(Inputs, DamagedInputTest, ::testing::ValuesIn(kDamage),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ConvertTest, RefusesToOverwriteItsInputAndReportsAMissingOne) {
  writeDumpFile(kKitDump);
  std::ostringstream messages;
  EXPECT_EQ(convertImage(dumpFile_, dumpFile_, ImageFormat::Simh, messages), 1);
  EXPECT_EQ(messages.str(), dumpFile_ + ": input and output are the same file\n");
  EXPECT_EQ(dumpFileBytes(), kKitDump);
  std::ostringstream missing;
  const std::string absent = (folder_ / "absent").string();
  EXPECT_EQ(convertImage(absent, dumpFile_, ImageFormat::Simh, missing), 1);
  EXPECT_EQ(missing.str(), "Failed to open input file '" + absent + "': No such file or directory\n");
  EXPECT_EQ(dumpFileBytes(), kKitDump);
}

}  // namespace
}  // namespace tapecopy::testing
