// The tape call EMT 36 driven through the instruction path: a program loads R1 with the
// parameter block's address and executes EMT 36; the host's files are kept in memory.
#include <gtest/gtest.h>

#include <optional>

#include "machine_fixture.h"

namespace homemicro::testing {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint16_t kBlock = 03000;
constexpr uint16_t kSentinel = 0177777;

std::string NameField(const std::string& name) {
  return name + std::string(16 - name.size(), ' ');
}

// The name field exactly as the machine's BASIC fills it for CSAVE "PROG1 .COD": zeros, not blanks.
const std::string kBasicNameField = std::string("PROG1 .COD") + std::string(6, '\0');

class TapeCallTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    for (uint16_t cell : {0264, 0266}) Poke(cell, {kSentinel});
    Poke(kBlock + 026, {kSentinel, kSentinel});
    Poke(kCodeAddress, {0104036});  // EMT 36
  }
  void SetBlock(uint8_t command, uint16_t address, uint16_t length, const std::string& nameField,
                uint16_t block = kBlock) {
    s.Memory[block] = command;
    Poke(static_cast<uint16_t>(block + 2), {address, length});
    for (size_t i = 0; i < 16; ++i)
      s.Memory[static_cast<uint16_t>(block + 6 + i)] = static_cast<uint8_t>(nameField[i]);
  }
  void WriteHostFile(const std::string& name, const Bytes& bytes) { files.files[name] = bytes; }
  std::optional<Bytes> ReadHostFile(const std::string& name) const {
    const auto found = files.files.find(name);
    if (found == files.files.end()) return std::nullopt;
    return found->second;
  }
  Bytes MemoryAt(uint16_t address, size_t count) const {
    Bytes out;
    for (size_t i = 0; i < count; ++i) out.push_back(s.Memory[(address + i) & 0177777]);
    return out;
  }
  // Executes EMT 36 with R1 at the block; the call must return after the EMT with the stack
  // and the flags as they were.
  void RunCall(uint16_t block = kBlock, bool checkReturn = true) {
    SetFlags("1010");
    s.R[1] = block;
    s.R[kPC] = kCodeAddress;
    machine.Step();
    if (!checkReturn) return;
    EXPECT_EQ(s.R[kPC], kCodeAddress + 2);
    EXPECT_EQ(s.R[kSP], kStackTop);
    EXPECT_EQ(Flags(), "1010");
  }
  uint8_t Answer(uint16_t block = kBlock) const { return s.Memory[static_cast<uint16_t>(block + 1)]; }
  // After a refused call only the answer byte and the pushed frame differ.
  void ExpectOnlyAnswerChanged(const MachineState& before, uint8_t answer) {
    EXPECT_EQ(Answer(), answer);
    for (uint32_t a = 0; a < kMemorySize; ++a) {
      if (a == kBlock + 1u || (a >= kStackTop - 4u && a < kStackTop)) continue;
      if (s.Memory[a] != before.Memory[a]) {
        ADD_FAILURE() << "memory changed at " << std::oct << a;
        return;
      }
    }
  }
};

struct LoadCase {
  std::string name;
  std::string nameField;
  uint16_t blockAddress;
  std::string fileName;  // "" creates no file; a name ending in '/' creates a folder
  Bytes fileBytes;
  uint8_t answer;
  uint16_t dataAt = 0;
  Bytes data = {};
  uint16_t answerAddress = 0;
  uint16_t answerLength = 0;
  std::string message = "";
};

void PrintTo(const LoadCase& c, std::ostream* os) {
  *os << c.name;
}

class TapeLoad : public TapeCallTest, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(TapeLoad, AnswersAndFillsMemory) {
  const LoadCase& c = GetParam();
  if (!c.fileName.empty() && c.fileName.back() == '/')
    files.folders.insert(c.fileName.substr(0, c.fileName.size() - 1));
  else if (!c.fileName.empty())
    WriteHostFile(c.fileName, c.fileBytes);
  SetBlock(3, c.blockAddress, 0, c.nameField);
  const MachineState before = s;
  RunCall();
  if (c.answer != 0) {
    ExpectOnlyAnswerChanged(before, c.answer);
  } else {
    EXPECT_EQ(Answer(), 0);
    EXPECT_EQ(MemoryAt(c.dataAt, c.data.size()), c.data);
    EXPECT_EQ(Peek(0264), c.dataAt);
    EXPECT_EQ(Peek(0266), c.answerLength);
    EXPECT_EQ(Peek(kBlock + 026), c.answerAddress);
    EXPECT_EQ(Peek(kBlock + 030), c.answerLength);
    EXPECT_EQ(MemoryAt(kBlock + 032, 16), MemoryAt(kBlock + 6, 16));
  }
  if (c.message.empty()) {
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(host.timerEvents, "");
  } else {
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, c.message);
    EXPECT_EQ(host.messages[0].icon, MessageIcon::Error);
    EXPECT_EQ(host.timerEvents, "SG");
  }
}

Bytes Sequence(size_t count, uint8_t first) {
  Bytes out(count);
  for (size_t i = 0; i < count; ++i) out[i] = static_cast<uint8_t>(first + i);
  return out;
}
Bytes WithHeader(uint16_t address, const Bytes& data) {
  Bytes out = {static_cast<uint8_t>(address), static_cast<uint8_t>(address >> 8),
               static_cast<uint8_t>(data.size()), static_cast<uint8_t>(data.size() >> 8)};
  for (uint8_t byte : data) out.push_back(byte);  // (insert trips a false GCC 12 bounds warning)
  return out;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TapeLoad,
    ::testing::Values(LoadCase{"HeaderToStoredAddress",
                               NameField("DATA"),
                               0,
                               "DATA",
                               WithHeader(04000, {1, 2, 3}),
                               0,
                               04000,
                               {1, 2, 3},
                               04000,
                               3},
                      LoadCase{"HeaderToBlockAddress",
                               NameField("DATA"),
                               01000,
                               "DATA",
                               WithHeader(040000, {1, 2, 3}),
                               0,
                               01000,
                               {1, 2, 3},
                               040000,
                               3},
                      LoadCase{"HundredBytesToStoredAddress", NameField("HUND"), 0, "HUND",
                               WithHeader(02000, Sequence(100, 7)), 0, 02000, Sequence(100, 7), 02000, 0144},
                      LoadCase{"HeaderLengthWordIsNotUsed",
                               NameField("D"),
                               0,
                               "D",
                               {0, 010, 0377, 0377, 5, 6},
                               0,
                               04000,
                               {5, 6},
                               04000,
                               2},
                      LoadCase{"BarMeansNoHeader",
                               NameField("|RAW"),
                               04000,
                               "RAW",
                               {7, 8, 9, 10, 11},
                               0,
                               04000,
                               {7, 8, 9, 10, 11},
                               04000,
                               5},
                      LoadCase{"LineFeedEndsTheName",
                               "DATA\012XYZ       ",
                               0,
                               "DATA",
                               WithHeader(04000, {9}),
                               0,
                               04000,
                               {9},
                               04000,
                               1},
                      LoadCase{"BlanksInsideTheNameStay",
                               NameField("A B"),
                               0,
                               "A B",
                               WithHeader(04000, {4}),
                               0,
                               04000,
                               {4},
                               04000,
                               1},
                      LoadCase{"DataWrapsPastTheTop",
                               NameField("|W"),
                               0177776,
                               "W",
                               {1, 2, 3, 4},
                               0,
                               0177776,
                               {1, 2, 3, 4},
                               0177776,
                               4},
                      LoadCase{"MissingFile", NameField("NONE"), 0, "", {}, 2},
                      LoadCase{"FileThatCannotBeOpened",
                               NameField("DIR"),
                               0,
                               "DIR/",
                               {},
                               2,
                               0,
                               {},
                               0,
                               0,
                               "Ошибка при открытии файла - DIR"},
                      LoadCase{"TooLargeFile",
                               NameField("|BIG"),
                               0,
                               "BIG",
                               Bytes(65537, 1),
                               2,
                               0,
                               {},
                               0,
                               0,
                               "Файл слишком велик для загрузки в ОЗУ БК"},
                      LoadCase{"HeaderFileShorterThanItsHeader", NameField("S"), 0, "S", {1, 2, 3}, 2}),
    [](const auto& info) { return info.param.name; });

TEST_F(TapeCallTest, LoadOfExactly64KWithoutHeaderFillsAllMemory) {
  Bytes image(65536);
  for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 3 + 1);
  WriteHostFile("ALL", image);
  SetBlock(3, 0, 0, NameField("|ALL"));
  RunCall(kBlock, /*checkReturn=*/false);  // the return frame itself was loaded over
  EXPECT_EQ(Answer(), 0);
  EXPECT_EQ(MemoryAt(04000, 030000), Bytes(image.begin() + 04000, image.begin() + 034000));
  EXPECT_EQ(Peek(kBlock + 030), 0);  // the length 65536 as a word
  EXPECT_TRUE(host.messages.empty());
}

struct SaveCase {
  std::string name;
  std::string nameField;
  uint16_t address, length;
  std::optional<Bytes> existing;  // the host file before the call
  bool answerYes;
  uint8_t answer;
  std::string fileName;  // where the data is expected, or must stay as it was
  std::optional<Bytes> file;
  std::string question = "";
  std::string timerEvents = "SG";
};

void PrintTo(const SaveCase& c, std::ostream* os) {
  *os << c.name;
}

class TapeSave : public TapeCallTest, public ::testing::WithParamInterface<SaveCase> {};

TEST_P(TapeSave, WritesTheFileAndAnswers) {
  const SaveCase& c = GetParam();
  if (c.existing) WriteHostFile(c.fileName, *c.existing);
  for (uint16_t i = 0; i < 4; ++i)
    s.Memory[static_cast<uint16_t>(0177776 + i)] = static_cast<uint8_t>(0140 + i);
  for (uint16_t i = 0; i < 3; ++i) s.Memory[04000 + i] = static_cast<uint8_t>(1 + i);
  host.answerYes = c.answerYes;
  SetBlock(2, c.address, c.length, c.nameField);
  const MachineState before = s;
  RunCall();
  EXPECT_EQ(ReadHostFile(c.fileName), c.file);
  EXPECT_EQ(host.timerEvents, c.timerEvents);
  EXPECT_EQ(host.questions,
            c.question.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.question});
  if (c.answer != 0) {
    ExpectOnlyAnswerChanged(before, c.answer);
    return;
  }
  EXPECT_EQ(Answer(), 0);
  EXPECT_EQ(Peek(0264), c.address);
  EXPECT_EQ(Peek(0266), c.length);
  EXPECT_EQ(Peek(kBlock + 026), c.address);
  EXPECT_EQ(Peek(kBlock + 030), c.length);
  EXPECT_EQ(MemoryAt(kBlock + 032, 16), MemoryAt(kBlock + 6, 16));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TapeSave,
    ::testing::Values(
        SaveCase{"WithHeader", NameField("OUT"), 04000, 3, std::nullopt, false, 0, "OUT",
                 Bytes{0, 010, 3, 0, 1, 2, 3}},
        SaveCase{"WithoutHeader", NameField("|OUT"), 04000, 3, std::nullopt, false, 0, "OUT", Bytes{1, 2, 3}},
        SaveCase{"ZeroLength", NameField("Z"), 04000, 0, std::nullopt, false, 0, "Z", Bytes{0, 010, 0, 0}},
        SaveCase{"DataWrapsPastTheTop", NameField("|W"), 0177776, 4, std::nullopt, false, 0, "W",
                 Bytes{0140, 0141, 0142, 0143}},
        SaveCase{"OverwriteDeclined", NameField("OUT"), 04000, 3, Bytes{9}, false, 4, "OUT", Bytes{9},
                 "OUT - файл уже есть. Переписать?"},
        SaveCase{"OverwriteAccepted", NameField("|OUT"), 04000, 2, Bytes{9}, true, 0, "OUT", Bytes{1, 2},
                 "OUT - файл уже есть. Переписать?"},
        SaveCase{"BasicNameOverwriteAccepted", kBasicNameField, 04000, 3, Bytes{9}, true, 0, "PROG1 .COD",
                 Bytes{0, 010, 3, 0, 1, 2, 3}, "PROG1 .COD - файл уже есть. Переписать?"},
        SaveCase{"BasicNameOverwriteDeclined", kBasicNameField, 04000, 3, Bytes{9}, false, 4, "PROG1 .COD",
                 Bytes{9}, "PROG1 .COD - файл уже есть. Переписать?"},
        SaveCase{"BlankNameCreatesNothing", NameField(""), 04000, 3, std::nullopt, false, 4, "",
                 std::nullopt},
        SaveCase{"BarAloneCreatesNothing", NameField("|"), 04000, 3, std::nullopt, false, 4, "",
                 std::nullopt}),
    [](const auto& info) { return info.param.name; });

TEST_F(TapeCallTest, HostWriteErrorIsReportedAndAnswered) {
  files.writeErrors["NODIR/OUT"] = "No such file or directory";
  for (uint16_t i = 0; i < 3; ++i) s.Memory[04000 + i] = static_cast<uint8_t>(1 + i);
  SetBlock(2, 04000, 3, NameField("NODIR/OUT"));
  const MachineState before = s;
  RunCall();
  ExpectOnlyAnswerChanged(before, 2);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, "Ошибка при записи файла - NODIR/OUT: No such file or directory");
  EXPECT_EQ(host.timerEvents, "SGSG");
  EXPECT_TRUE(files.files.empty());
}

TEST_F(TapeCallTest, SaveThenLoadReturnsTheSameBytes) {
  for (uint16_t i = 0; i < 0400; ++i) s.Memory[020000 + i] = static_cast<uint8_t>(i ^ 0125);
  const Bytes saved = MemoryAt(020000, 0400);
  SetBlock(2, 020000, 0400, NameField("ROUND.BIN"));
  RunCall();
  ASSERT_EQ(Answer(), 0);
  for (uint16_t i = 0; i < 0400; ++i) s.Memory[020000 + i] = 0;
  SetBlock(3, 0, 0, NameField("ROUND.BIN"));
  RunCall();
  EXPECT_EQ(Answer(), 0);
  EXPECT_EQ(MemoryAt(020000, 0400), saved);
  EXPECT_EQ(Peek(0264), 020000);
  EXPECT_EQ(Peek(0266), 0400);
}

TEST_F(TapeCallTest, OtherCommandsTouchNoFileAndSucceed) {
  for (uint8_t command : {0, 1, 4, 0377}) {
    SetBlock(command, 012345, 0432, NameField("X"));
    WriteHostFile("X", {1});
    RunCall();
    EXPECT_EQ(Answer(), 0) << int(command);
    EXPECT_EQ(Peek(0264), 012345);
    EXPECT_EQ(Peek(0266), 0432);
    EXPECT_EQ(Peek(kBlock + 026), 012345);
    EXPECT_EQ(Peek(kBlock + 030), 0432);
    EXPECT_EQ(ReadHostFile("X"), Bytes{1});
  }
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(host.timerEvents, "");
}

TEST_F(TapeCallTest, EmptyNameLoadAsksForAFile) {
  WriteHostFile("/home/bk/picked.bin", WithHeader(05000, {0252}));
  host.openDialogAnswer = "/home/bk/picked.bin";
  settings.KeyHeld = settings.KeyPending = true;
  SetBlock(3, 0, 0, NameField(""));
  RunCall();
  EXPECT_EQ(Answer(), 0);
  EXPECT_EQ(s.Memory[05000], 0252);
  ASSERT_EQ(host.openRequests.size(), 1u);
  const OpenFileRequest& request = host.openRequests[0];
  EXPECT_EQ(request.Title, "Выберите файл для загрузки");
  EXPECT_EQ(request.DefaultExtension, "bin");
  EXPECT_EQ(
      request.Filter,
      "Исполняемые файлы БК (bin)|*.bin|Файлы БК (bin,ovl,scr)|*.bin;*.ov*;*.scr|Файлы подгрузок (ovl)|*.ov*|"
      "Файлы экранов БК (scr)|*.scr|Все файлы|*.*");
  EXPECT_EQ(request.InitialDirectory, "/home/bk");
  EXPECT_FALSE(settings.KeyHeld);
  EXPECT_FALSE(settings.KeyPending);
  EXPECT_EQ(host.timerEvents, "SG");
}

TEST_F(TapeCallTest, BarAloneLoadAsksAndKeepsNoHeader) {
  WriteHostFile("raw", {5, 6});
  host.openDialogAnswer = "raw";
  SetBlock(3, 06000, 0, NameField("|"));
  RunCall();
  EXPECT_EQ(Answer(), 0);
  EXPECT_EQ(MemoryAt(06000, 2), (Bytes{5, 6}));
}

TEST_F(TapeCallTest, CancelledDialogAnswers2) {
  settings.KeyHeld = settings.KeyPending = true;
  SetBlock(3, 0, 0, NameField(""));
  const MachineState before = s;
  RunCall();
  ExpectOnlyAnswerChanged(before, 2);
  EXPECT_FALSE(settings.KeyHeld);
  EXPECT_FALSE(settings.KeyPending);
  EXPECT_EQ(host.timerEvents, "SG");
}

// A block at 0177770 runs past the top: its name and answer fields wrap to address 0 on.
TEST_F(TapeCallTest, BlockRunningPastTheTopWraps) {
  WriteHostFile("ABC", WithHeader(04000, {7}));
  const uint16_t block = 0177770;
  SetBlock(3, 0, 0, NameField("ABC"), block);
  RunCall(block);
  EXPECT_EQ(s.Memory[0177771], 0);  // answer
  EXPECT_EQ(s.Memory[04000], 7);
  EXPECT_EQ(Peek(016), 04000);  // B + 026
  EXPECT_EQ(Peek(020), 1);      // B + 030
  EXPECT_EQ(MemoryAt(022, 3), (Bytes{'A', 'B', 'C'}));
}

}  // namespace
}  // namespace homemicro::testing
