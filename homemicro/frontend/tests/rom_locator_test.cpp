#include "homemicro/frontend/rom_locator.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace homemicro {
namespace {

using test::ScratchDir;
using test::WriteBytes;

TEST(RomLocator, KitRomIsLookedForBesideTheProgramThenInTheDataFolders) {
  const std::vector<std::filesystem::path> data{"/home/u/.local/share", "", "/usr/share"};
  const std::vector<std::filesystem::path> expected{
      "/opt/kit/bin/homemicro.rom", "/opt/kit/share/homemicro/homemicro.rom",
      "/home/u/.local/share/homemicro/homemicro.rom", "/usr/share/homemicro/homemicro.rom"};
  EXPECT_EQ(KitRomCandidates("/opt/kit/bin", "../share", data), expected);
  // Without a known program folder only the data folders are left.
  EXPECT_EQ(KitRomCandidates("", "../share", data).size(), 2u);
}

TEST(RomLocator, FirstExistingFileIsTheKitRom) {
  ScratchDir dir;
  std::filesystem::create_directories(dir / "folder.rom");
  WriteBytes(dir / "second.rom", {1, 2});
  WriteBytes(dir / "third.rom", {3});
  const std::vector<std::filesystem::path> candidates{dir / "missing.rom", dir / "folder.rom",
                                                      dir / "second.rom", dir / "third.rom"};
  EXPECT_EQ(FindKitRom(candidates), dir / "second.rom");
  EXPECT_EQ(FindKitRom(std::span(candidates).first(2)), std::nullopt);
}

TEST(RomLocator, MissingAsTheHardResetSeesIt) {
  ScratchDir dir;
  WriteBytes(dir / "homemicro.rom", {0});
  std::filesystem::create_directories(dir / "sub");
  const std::string start = dir.Path().string();
  struct Case {
    std::string Name;
    bool Missing;
  } const cases[] = {
      {"homemicro.rom", false},
      {"other.rom", true},
      {"", true},
      {"sub", false},                             // a folder is "there"
      {(dir / "homemicro.rom").string(), false},  // absolute
  };
  for (const Case& c : cases) EXPECT_EQ(RomFileMissing(start, c.Name), c.Missing) << c.Name;
  EXPECT_EQ(ConfiguredRomPath("", "x.rom"), "x.rom");
}

TEST(RomLocator, ChosenFileInTheStartDirectoryIsKeptByItsName) {
  struct Case {
    const char* Start;
    const char* Chosen;
    const char* Kept;
  } const cases[] = {
      {"/bk", "/bk/my.rom", "my.rom"},
      {"/bk/", "/bk/my.rom", "my.rom"},
      {"/bk", "/bk/roms/my.rom", "/bk/roms/my.rom"},
      {"/bk", "/other/my.rom", "/other/my.rom"},
      {"/bk", "/bk/../bk/my.rom", "my.rom"},
  };
  for (const Case& c : cases) EXPECT_EQ(RomNameForChosenFile(c.Start, c.Chosen), c.Kept) << c.Chosen;
}

}  // namespace
}  // namespace homemicro
