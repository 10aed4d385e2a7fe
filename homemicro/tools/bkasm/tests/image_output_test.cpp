#include "image_output.h"

#include <gtest/gtest.h>

#include <vector>

#include "assembler.h"

namespace homemicro::bkasm {
namespace {

TEST(ImageOutput, ImageSpansAssembledBytesOrTheGivenRange) {
  const Program p = AssembleProgram(".ORG 1000\n.WORD 401\n.ORG 1006\n.BYTE 7\n");
  ASSERT_TRUE(p.errors.empty());

  const ImageBytes tight = ExtractImage(p.image, std::nullopt, 0);
  EXPECT_EQ(tight.address, 01000);
  EXPECT_EQ(tight.bytes, (std::vector<uint8_t>{1, 1, 0, 0, 0, 0, 7}));

  const ImageBytes ranged = ExtractImage(p.image, AddressRange{0776, 01007}, 0377);
  EXPECT_EQ(ranged.address, 0776);
  EXPECT_EQ(ranged.bytes, (std::vector<uint8_t>{0377, 0377, 1, 1, 0377, 0377, 0377, 0377, 7, 0377}));

  EXPECT_THROW(ExtractImage(p.image, AddressRange{01002, 01010}, 0), OutputError);
  EXPECT_THROW(ExtractImage(p.image, AddressRange{0, 01005}, 0), OutputError);
  EXPECT_THROW(ExtractImage(AssembleProgram("; nothing\n").image, std::nullopt, 0), OutputError);
}

TEST(ImageOutput, TapeFileHeaderHoldsAddressAndLength) {
  const ImageBytes image{01000, {1, 2, 3}};
  EXPECT_EQ(TapeFile(image), (std::vector<uint8_t>{0, 2, 3, 0, 1, 2, 3}));

  // A length word cannot say 65536: the whole memory does not fit a tape file.
  const ImageBytes whole = ExtractImage(MemoryImage(), AddressRange{0, 0177777}, 0);
  EXPECT_EQ(whole.bytes.size(), 0200000u);
  EXPECT_THROW(TapeFile(whole), OutputError);
}

TEST(ImageOutput, RangeAndFillArguments) {
  const AddressRange range = ParseAddressRange("100000:177777");
  EXPECT_EQ(range.low, 0100000);
  EXPECT_EQ(range.high, 0177777);
  EXPECT_EQ(ParseFillByte("377"), 0377);
  for (const char* bad : {"100000", "2:1", "8:10", ":", "1:200000"}) {
    EXPECT_THROW(ParseAddressRange(bad), OutputError) << bad;
  }
  for (const char* bad : {"400", "9", ""}) EXPECT_THROW(ParseFillByte(bad), OutputError) << bad;
}

TEST(ImageOutput, ListingShowsAddressesWordsAndSymbols) {
  const Program p = AssembleProgram("; demo\n.ORG 1000\nGO: MOV #1,@#2000\n.ASCII /ABCDEFGH/\n");
  ASSERT_TRUE(p.errors.empty());
  EXPECT_EQ(FormatListing(p),
            "                                ; demo\n"
            "                                .ORG 1000\n"
            "001000  012737 000001 002000    GO: MOV #1,@#2000\n"
            "001006  041101 042103 043105    .ASCII /ABCDEFGH/\n"
            "001014  044107\n"
            "\n"
            "Symbols:\n"
            "001000  GO\n");
}

}  // namespace
}  // namespace homemicro::bkasm
