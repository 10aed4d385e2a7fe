// End-to-end transcripts of the built program on volumes the fixture builder writes: the cases
// the reference volumes do not hold (wildcards, long names, block-end records, damaged entries).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/test_volume.h"

namespace {

using test::BuilderFile;
using test::VolumeBuilder;

struct Transcript {
  std::string out;
  std::string err;
};

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Runs volxfer with `script` on standard input in a folder holding `image` as vol.img.
Transcript RunVolxfer(const std::vector<std::uint8_t>& image, const std::string& script) {
  std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("vxt-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  std::ofstream((folder / "vol.img").string(), std::ios::binary)
      .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
  std::ofstream((folder / "script").string()) << "open vol.img ro\n" << script << "bye\n";
  std::string command = "cd '" + folder.string() + "' && TZ=UTC '" VOLXFER_EXE "' < script > out 2> err";
  EXPECT_EQ(std::system(command.c_str()), 0);
  Transcript t{ReadAll((folder / "out").string()), ReadAll((folder / "err").string())};
  std::filesystem::remove_all(folder);
  return t;
}

// Strips the prompts and the open/bye lines so each case shows only what its commands print.
std::string Body(const Transcript& t) {
  std::string out = t.out;
  for (std::size_t at; (at = out.find("$ ")) != std::string::npos;) out.erase(at, 2);
  out.erase(0, out.find('\n') + 1);
  out.erase(out.rfind("Goodbye.\n"));
  return out;
}

TEST(ListingTranscript, WildcardsPickNamesByPattern) {
  VolumeBuilder builder(800, 1);
  for (const char* name : {"ABC.TXT", "ABBC.TXT", "AXC.DAT", "XYZ.DIR"})
    builder.AddFile({.name = name, .data = test::Bytes(5, 1)});
  Transcript t = RunVolxfer(builder.Build(), "dir A%C.*\ndir *.dir\ndir a*c.*;1\ndir *.NONE\n");
  EXPECT_EQ(Body(t),
            "\nDirectory DKA100:[000000]\n\nABC.TXT;1\nAXC.DAT;1\n\nTotal of 2 files.\n"
            "\nDirectory DKA100:[000000]\n\n000000.DIR;1\nXYZ.DIR;1\n\nTotal of 2 files.\n"
            "\nDirectory DKA100:[000000]\n\nABBC.TXT;1\nABC.TXT;1\nAXC.DAT;1\n\nTotal of 3 files.\n");
  EXPECT_EQ(t.err, "%XFR-I-INFO: %DIRECT-W-NOFILES, no files found\n");
}

TEST(ListingTranscript, NameColumnKeepsNineteenCharactersAndWrapsLongerOnes) {
  VolumeBuilder builder(800, 1);
  builder.AddDirectory({.name = "LIST"});
  builder.AddFile(
      {.name = "NINETEENCHARS.TXT", .directory = "LIST", .data = test::Bytes(700, 1)});  // 19 with ";1"
  builder.AddFile(
      {.name = "TWENTYCHARACTER.TXT", .directory = "LIST", .data = test::Bytes(1300, 1), .extents = {1, 3}});
  builder.AddFile({.name = "EXACT.BIN",
                   .directory = "LIST",
                   .data = test::Bytes(512, 1),
                   .eof_vbn = 2,
                   .first_free_byte = 0});
  Transcript t = RunVolxfer(builder.Build(), "cd list\ndir/size *.*;*\nls EXACT.BIN\n");
  EXPECT_EQ(
      Body(t),
      "Working directory is [000000.LIST]\n"
      "\nDirectory DKA100:[000000.LIST]\n\n"
      "EXACT.BIN;1                1/1      \n"
      "NINETEENCHARS.TXT;1        2/2      \n"
      "TWENTYCHARACTER.TXT;1\n                           3/4      \n"
      "\nTotal of 3 files, 6/7 blocks.\n"
      "Directory [000000.LIST]\nEXACT.BIN;1\n\tOwner: [1,1]\tSize: 2 (512 bytes)\tProtection: RWED,RWED,RE,\n"
      "\tCreated:  1-JAN-1970 00:00:00.00\tRevised:  1-JAN-1970 00:00:00.00\nTotal of 1 files\n");
  EXPECT_EQ(t.err, "");
}

TEST(ListingTranscript, RecordsAtABlockEndAndVersionsInLaterRecords) {
  VolumeBuilder builder(900, 1);
  builder.AddDirectory({.name = "FULL"});
  // Sixteen records of 32 bytes fill the first directory block exactly.
  for (int i = 0; i < 17; ++i)
    builder.AddFile({.name = "F" + std::to_string(1000000000000 + i) + ".TXT",
                     .directory = "FULL",
                     .data = test::Bytes(1, 1)});
  builder.AddFile({.name = "V.TXT", .version = 3, .directory = "FULL", .data = test::Bytes(1, 1)});
  builder.AddFile(
      {.name = "V.TXT", .version = 1, .directory = "FULL", .data = test::Bytes(1, 1), .own_record = true});
  Transcript t =
      RunVolxfer(builder.Build(), "cd full\ndir/file_id F1000000000016.TXT\ndir V.TXT\ndir V.TXT;1\n");
  EXPECT_EQ(Body(t),
            "Working directory is [000000.FULL]\n"
            "\nDirectory DKA100:[000000.FULL]\n\nF1000000000016.TXT;1\n                     "
            "(24,1,0)\n\nTotal of 1 files.\n"
            "\nDirectory DKA100:[000000.FULL]\n\nV.TXT;3\nV.TXT;1\n\nTotal of 2 files.\n"
            "\nDirectory DKA100:[000000.FULL]\n\nV.TXT;1\n\nTotal of 1 files.\n");
}

TEST(ListingTranscript, DatesAndProtectionComeFromTheHeader) {
  VolumeBuilder builder(800, 1);
  builder.AddFile({.name = "D.TXT",
                   .data = test::Bytes(5, 1),
                   .creation_ticks = test::TicksFromUnix(951782400, 7),
                   .protection = 0xF0E1});
  Transcript t = RunVolxfer(builder.Build(), "dir/date\ndir/prot D.TXT\n");
  EXPECT_NE(Body(t).find("D.TXT;1              29-FEB-2000 00:00:00.07\n"), std::string::npos) << Body(t);
  EXPECT_NE(Body(t).find("D.TXT;1              (WED,R,RWED,)\n"), std::string::npos) << Body(t);
}

TEST(ListingTranscript, ADamagedEntryCutsTheListingShortAndSaysSo) {
  VolumeBuilder builder(800, 1);
  builder.AddFile({.name = "A.TXT", .data = test::Bytes(5, 1)});
  builder.AddFile({.name = "B.TXT", .data = test::Bytes(5, 1), .bad_checksum = true});
  Transcript t = RunVolxfer(builder.Build(), "dir *.TXT\nls *.TXT\n");
  EXPECT_EQ(t.err,
            "%XFR-E-ERROR: Invalid file header.\n%XFR-E-ERROR: Can't list directory. Invalid file header.\n");
  EXPECT_NE(Body(t).find("A.TXT;1\n\nTotal of 1 files.\n"), std::string::npos) << Body(t);
}

}  // namespace
