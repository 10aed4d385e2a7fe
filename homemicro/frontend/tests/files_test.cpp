#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <functional>
#include <vector>

#include "homemicro/frontend/config_file.h"
#include "homemicro/frontend/disk_files.h"
#include "homemicro/frontend/palette_file.h"
#include "homemicro/frontend/ram_image.h"
#include "test_support.h"

namespace homemicro {
namespace {

using test::ReadBytes;
using test::ScratchDir;
using test::WriteBytes;

// A record written byte by byte, independently of EncodeConfig.
std::vector<uint8_t> HandMadeConfig() {
  std::vector<uint8_t> bytes = {
      3,    'B',  'K',  'C',             // magic
      0,    0,    1,    0,               // stopped, two-bit, sound on, ROM control off
      0x10, 0x20, 0x30, 0x00,            // border 0x00302010
      0x10, 0x27, 0,    0,               // EmulationSpeed 10000
      0xfd, 0xff, 0xff, 0xff,            // RepaintCount -3
      0xa0, 0x86, 0x01, 0x00,            // StartAddress 100000
      255,  1,    2,    3,               // palette
      5,    'b',  'k',  '.',  'r', 'o',  // ROM name "bk.ro" ...
  };
  bytes.resize(kConfigRecordSize, 'x');  // characters past the length and the filler
  return bytes;
}

TEST(ConfigFile, ReadsEveryFieldOfAHandMadeRecord) {
  ScratchDir dir;
  WriteBytes(dir / "homemicro.cfg", HandMadeConfig());
  const ConfigReadResult result = ReadConfigFile(dir / "homemicro.cfg");
  ASSERT_TRUE(result.Record) << result.Error;
  const ConfigRecord& r = *result.Record;
  EXPECT_FALSE(r.Play);
  EXPECT_FALSE(r.OneBitMode);
  EXPECT_TRUE(r.Sound);
  EXPECT_FALSE(r.RomWriteControl);
  EXPECT_EQ(r.BorderColor, 0x00302010u);
  EXPECT_EQ(r.EmulationSpeed, 10000);
  EXPECT_EQ(r.RepaintCount, -3);
  EXPECT_EQ(r.StartAddress, 100000);
  EXPECT_EQ(r.PaletteEntries, (Palette{255, 1, 2, 3}));
  EXPECT_EQ(r.RomFileName, "bk.ro");
  // Written back, only the characters past the name length and the filler differ.
  std::vector<uint8_t> expected = HandMadeConfig();
  std::fill(expected.begin() + 34, expected.end(), 0);
  const auto encoded = EncodeConfig(r);
  EXPECT_EQ(std::vector<uint8_t>(encoded.begin(), encoded.end()), expected);
}

TEST(ConfigFile, BadRecordsGiveTheConfigurationError) {
  struct Case {
    const char* What;
    std::vector<uint8_t> Bytes;
  };
  std::vector<Case> cases;
  cases.push_back({"47 bytes", HandMadeConfig()});
  cases.back().Bytes.resize(47);
  cases.push_back({"empty", {}});
  cases.push_back({"palette magic", HandMadeConfig()});
  cases.back().Bytes[3] = 'P';
  cases.push_back({"length byte 4", HandMadeConfig()});
  cases.back().Bytes[0] = 4;
  cases.push_back({"name length 17", HandMadeConfig()});
  cases.back().Bytes[28] = 17;
  cases.push_back({"NUL in the name", HandMadeConfig()});
  cases.back().Bytes[30] = 0;
  cases.push_back({"palette index 7", HandMadeConfig()});
  cases.back().Bytes[27] = 7;
  ScratchDir dir;
  for (const Case& c : cases) {
    WriteBytes(dir / "homemicro.cfg", c.Bytes);
    const ConfigReadResult result = ReadConfigFile(dir / "homemicro.cfg");
    EXPECT_FALSE(result.Record) << c.What;
    EXPECT_EQ(result.Error, "Ошибка в файле конфигурации") << c.What;
  }
}

TEST(ConfigFile, MissingFileIsNoErrorAndExtraBytesAreIgnored) {
  ScratchDir dir;
  const ConfigReadResult missing = ReadConfigFile(dir / "homemicro.cfg");
  EXPECT_FALSE(missing.Record);
  EXPECT_TRUE(missing.Error.empty());

  std::vector<uint8_t> longer = HandMadeConfig();
  longer.resize(100, 0xee);
  WriteBytes(dir / "homemicro.cfg", longer);
  EXPECT_TRUE(ReadConfigFile(dir / "homemicro.cfg").Record);

  // A folder in the file's place cannot be read.
  std::filesystem::create_directory(dir / "folder.cfg");
  EXPECT_EQ(ReadConfigFile(dir / "folder.cfg").Error, "Ошибка в файле конфигурации");
}

TEST(ConfigFile, ALongRomNameAndTheWindowSizeGoIntoATailAfterTheRecord) {
  ScratchDir dir;
  ConfigRecord record;
  record.RomFileName = "/home/user/Документы/БК-0010/прошивки/монитор и бейсик 1986.rom";
  record.WindowWidth = 1280;
  record.WindowHeight = 800;
  EXPECT_EQ(WriteConfigFile(dir / "homemicro.cfg", record), "");
  const std::vector<uint8_t> written = ReadBytes(dir / "homemicro.cfg");
  ASSERT_GT(written.size(), kConfigRecordSize);
  // The record keeps its layout: a reader of 48 bytes sees the name's first 16 characters.
  const auto head = EncodeConfig(record);
  EXPECT_TRUE(std::equal(head.begin(), head.end(), written.begin()));
  EXPECT_EQ(written[28], 16);
  EXPECT_EQ(DecodeConfig(std::span(written).first(kConfigRecordSize))->RomFileName,
            record.RomFileName.substr(0, 16));
  const ConfigReadResult result = ReadConfigFile(dir / "homemicro.cfg");
  ASSERT_TRUE(result.Record) << result.Error;
  EXPECT_EQ(*result.Record, record);

  // A short name and no window size: exactly the record, as before.
  record = ConfigRecord{};
  EXPECT_EQ(WriteConfigFile(dir / "homemicro.cfg", record), "");
  EXPECT_EQ(ReadBytes(dir / "homemicro.cfg").size(), kConfigRecordSize);
  // Writing into a folder that does not exist fails with a reason and creates nothing.
  EXPECT_NE(WriteConfigFile(dir / "no" / "homemicro.cfg", record), "");
}

TEST(ConfigFile, ATailThatDoesNotFitTheRecordIsIgnored) {
  ConfigRecord record;
  record.RomFileName = "abcdefghijklmnopqrstuvwxyz.rom";
  record.WindowWidth = 700;
  record.WindowHeight = 500;
  const std::vector<uint8_t> good = EncodeConfigFile(record);
  struct Case {
    const char* What;
    std::function<void(std::vector<uint8_t>&)> Damage;
    std::string Name;  // the name read back
    int Width;
  } const cases[] = {
      {"intact", [](auto&) {}, record.RomFileName, 700},
      {"foreign tail magic", [](auto& b) { b[51] = 'Y'; }, "abcdefghijklmnop", 0},
      {"field runs past the end", [](auto& b) { b.pop_back(); }, "abcdefghijklmnop", 0},
      {"field header cut", [](auto& b) { b.push_back(9); }, "abcdefghijklmnop", 0},
      {"NUL in the long name", [](auto& b) { b[60] = 0; }, "abcdefghijklmnop", 0},
      // A writer of the record alone renamed the ROM: the tail's name is stale.
      {"record renamed", [](auto& b) { b[29] = 'X'; }, "Xbcdefghijklmnop", 700},
      {"record name shortened", [](auto& b) { b[28] = 5; }, "abcde", 700},
      {"window height 0", [](auto& b) { b[b.size() - 2] = b[b.size() - 1] = 0; }, record.RomFileName, 0},
      {"unknown field skipped",
       [](auto& b) {
         b.insert(b.begin() + 52, {7, 2, 0, 'z', 'z'});
       },
       record.RomFileName, 700},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> bytes = good;
    c.Damage(bytes);
    const std::optional<ConfigRecord> read = DecodeConfig(bytes);
    ASSERT_TRUE(read) << c.What;
    EXPECT_EQ(read->RomFileName, c.Name) << c.What;
    EXPECT_EQ(read->WindowWidth, c.Width) << c.What;
  }
}

TEST(PaletteFile, LoadAnswersEachBadFileWithItsMessage) {
  struct Case {
    const char* What;
    std::vector<uint8_t> Bytes;
    const char* Error;
  } const cases[] = {
      {"configuration magic", {3, 'B', 'K', 'C', 0, 252, 250, 249}, "Это не файл палитры"},
      {"4 bytes", {3, 'B', 'K', 'P'}, "Ошибка в файле палитры"},
      {"index outside the table", {3, 'B', 'K', 'P', 0, 252, 250, 7}, "Ошибка в файле палитры"},
  };
  ScratchDir dir;
  for (const Case& c : cases) {
    WriteBytes(dir / "p.bkp", c.Bytes);
    const PaletteReadResult result = ReadPaletteFile(dir / "p.bkp");
    EXPECT_FALSE(result.Entries) << c.What;
    EXPECT_EQ(result.Error, c.Error) << c.What;
  }
  EXPECT_EQ(ReadPaletteFile(dir / "missing.bkp").Error, "Ошибка открытия файла");
}

TEST(PaletteFile, SaveThenLoadGivesThePaletteBack) {
  ScratchDir dir;
  const Palette palette{255, 248, 1, 253};
  EXPECT_EQ(WritePaletteFile(dir / "p.bkp", palette), "");
  EXPECT_EQ(ReadBytes(dir / "p.bkp"), (std::vector<uint8_t>{3, 'B', 'K', 'P', 255, 248, 1, 253}));
  const PaletteReadResult result = ReadPaletteFile(dir / "p.bkp");
  ASSERT_TRUE(result.Entries) << result.Error;
  EXPECT_EQ(*result.Entries, palette);
}

TEST(RamImage, SaveAndLoadRoundTripAndAShortFileChangesNothing) {
  ScratchDir dir;
  std::array<uint8_t, kRamImageSize> ram{};
  for (size_t i = 0; i < ram.size(); ++i) ram[i] = static_cast<uint8_t>(i * 7 + (i >> 8));
  ASSERT_EQ(SaveRamImage(dir / "ram.bin", ram), "");
  EXPECT_EQ(ReadBytes(dir / "ram.bin").size(), kRamImageSize);

  std::array<uint8_t, kRamImageSize> loaded{};
  EXPECT_EQ(LoadRamImage(dir / "ram.bin", loaded), "");
  EXPECT_EQ(loaded, ram);

  std::vector<uint8_t> shortImage(kRamImageSize - 1, 0x55);
  WriteBytes(dir / "short.bin", shortImage);
  const std::string error = LoadRamImage(dir / "short.bin", loaded);
  EXPECT_NE(error.find("32767"), std::string::npos) << error;
  EXPECT_EQ(loaded, ram);

  EXPECT_NE(LoadRamImage(dir / "missing.bin", loaded), "");
  EXPECT_EQ(loaded, ram);

  // A tape file of the same extension, and a file one byte too long: refused with the reason.
  const struct {
    std::vector<uint8_t> bytes;
    bool tapeHint;
  } refused[] = {{{0, 2, 2, 0, 0, 0}, true}, {std::vector<uint8_t>(kRamImageSize + 1, 0), false}};
  for (const auto& file : refused) {
    WriteBytes(dir / "other.bin", file.bytes);
    const std::string text = LoadRamImage(dir / "other.bin", loaded);
    EXPECT_NE(text.find(std::string(kNotRamImageMessage) + std::to_string(file.bytes.size())),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find(kTapeFileHint) != std::string::npos, file.tapeHint) << text;
    EXPECT_EQ(loaded, ram);
  }
}

// The core's files on disk: what the ROM load and the tape call rely on.
TEST(DiskFiles, FindReadAndWriteKeepTheirPromises) {
  ScratchDir dir;
  DiskFiles files;
  const std::string file = (dir / "f.bin").string(), folder = dir.Path().string();
  WriteBytes(file, {1, 2, 3, 4, 5});

  EXPECT_EQ(files.Find(file), HostEntry::File);
  EXPECT_EQ(files.Find(folder), HostEntry::Other);
  EXPECT_EQ(files.Find((dir / "none").string()), HostEntry::Missing);

  const HostFileContents prefix = files.Read(file, 3);
  EXPECT_TRUE(prefix.Opened);
  EXPECT_EQ(prefix.Size, 5u);
  EXPECT_EQ(prefix.Bytes, (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(files.Read(file, 100).Bytes.size(), 5u);
  EXPECT_FALSE(files.Read(folder, 10).Opened);
  EXPECT_FALSE(files.Read((dir / "none").string(), 10).Opened);

  const std::vector<uint8_t> replacement = {9, 8};
  EXPECT_EQ(files.Write(file, replacement), "");
  EXPECT_EQ(ReadBytes(file), replacement);
  // A folder cannot be replaced: the error is the system's text alone, and nothing is lost.
  const std::string error = files.Write(folder, replacement);
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(error.find(folder), std::string::npos) << error;
  EXPECT_EQ(files.Find(folder), HostEntry::Other);
  EXPECT_EQ(ReadBytes(file), replacement);
  EXPECT_EQ(files.Find(file + ".part~"), HostEntry::Missing);
}

// A write that fails for root too: the file size limit stops the data after a few bytes.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);  // the write fails with EFBIG instead
    rlimit limited = saved_;
    limited.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limited);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previousHandler_);
  }

 private:
  rlimit saved_{};
  void (*previousHandler_)(int) = nullptr;
};

TEST(DiskFiles, FailedOverwriteKeepsTheOldFileAndTheUsersTemporaryName) {
  ScratchDir dir;
  DiskFiles files;
  const std::vector<uint8_t> old(40, 0100);
  WriteBytes(dir / "PROG1 .COD", old);
  WriteBytes(dir / "PROG1 .COD.part~", {7, 7});  // a file of the user's that happens to hold the usual name
  std::string error;
  {
    FileSizeLimit limit(64);
    error = files.Write((dir / "PROG1 .COD").string(), std::vector<uint8_t>(010000, 1));
  }
  EXPECT_EQ(error, std::strerror(EFBIG));
  EXPECT_EQ(ReadBytes(dir / "PROG1 .COD"), old);
  EXPECT_EQ(ReadBytes(dir / "PROG1 .COD.part~"), (std::vector<uint8_t>{7, 7}));
  std::vector<std::string> left;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
    left.push_back(entry.path().filename().string());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"PROG1 .COD", "PROG1 .COD.part~"}));
  // With room again the save goes through the second free name and leaves only the file.
  EXPECT_EQ(files.Write((dir / "PROG1 .COD").string(), std::vector<uint8_t>{1, 2}), "");
  EXPECT_EQ(ReadBytes(dir / "PROG1 .COD"), (std::vector<uint8_t>{1, 2}));
  EXPECT_EQ(ReadBytes(dir / "PROG1 .COD.part~"), (std::vector<uint8_t>{7, 7}));
}

}  // namespace
}  // namespace homemicro
