// End-to-end transcripts of the built program on volumes the fixture builder writes: the cases
// the reference volumes do not hold (wildcards, long names, block-end records, damaged entries).
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cctype>
#include <ctime>
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

// Runs volxfer with `script` on standard input in a folder holding `image` as vol.img; a script
// in which a command fails ends with status 1.
Transcript RunVolxfer(const std::vector<std::uint8_t>& image, const std::string& script, int status = 0,
                      const std::string& open = "open vol.img ro\n") {
  std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("vxt-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  std::ofstream((folder / "vol.img").string(), std::ios::binary)
      .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
  std::ofstream((folder / "script").string()) << open << script << "bye\n";
  std::string command = "cd '" + folder.string() + "' && TZ=UTC '" VOLXFER_EXE "' < script > out 2> err";
  int result = std::system(command.c_str());
  EXPECT_TRUE(WIFEXITED(result) && WEXITSTATUS(result) == status) << result;
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
  EXPECT_EQ(t.err, "") << t.err;
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

TEST(ListingTranscript, ADamagedHeaderShowsItsEntryWithTheErrorAndTheListingGoesOn) {
  VolumeBuilder builder(800, 1);
  builder.AddFile({.name = "A.TXT", .data = test::Bytes(5, 1)});
  builder.AddFile({.name = "B.TXT", .data = test::Bytes(5, 1), .bad_checksum = true});
  builder.AddFile({.name = "C.TXT", .data = test::Bytes(700, 1)});
  Transcript t = RunVolxfer(builder.Build(), "dir/size *.TXT\nls *.TXT\nget c.txt\n", 1);
  EXPECT_EQ(t.err, "%XFR-E-ERROR: Invalid file header.\n%XFR-E-ERROR: Invalid file header.\n");
  EXPECT_NE(Body(t).find("A.TXT;1                    1/1      \n"
                         "B.TXT;1\n"
                         "C.TXT;1                    2/2      \n"
                         "\nTotal of 3 files, 3/3 blocks.\n"),
            std::string::npos)
      << Body(t);
  EXPECT_NE(Body(t).find("\nB.TXT;1\nC.TXT;1\n\tOwner: [1,1]\tSize: 2 (700 bytes)"), std::string::npos)
      << Body(t);
  EXPECT_NE(Body(t).find("Total of 3 files\n"), std::string::npos) << Body(t);
  EXPECT_NE(Body(t).find("Transfer complete."), std::string::npos) << Body(t);
}

// One directory record naming `name` (version 1) with file identifier (number, 1, 0), then the
// end-of-block mark.
std::vector<std::uint8_t> RecordNaming(const std::string& name, std::uint16_t number) {
  std::vector<std::uint8_t> r(512, 0);
  std::size_t pad = name.size() % 2;
  ods2::PutU16(r, 0, static_cast<std::uint16_t>(4 + name.size() + pad + 8));
  ods2::PutU16(r, 2, 0xFFFF);
  r[5] = static_cast<std::uint8_t>(name.size());
  std::copy(name.begin(), name.end(), r.begin() + 6);
  std::size_t at = 6 + name.size() + pad;
  ods2::PutU16(r, at, 1);
  ods2::FileId{number, 1, 0, 0}.Write(r, at + 2);
  ods2::PutU16(r, at + 8, 0xFFFF);
  return r;
}

TEST(ListingTranscript, CdupFromAnAliasGoesBackTheWayItCameAndPwdSaysWhere) {
  // A holds B; C holds ALIAS.DIR, a second entry for B (whose back link is A), as on VMS system
  // disks. Directory numbers follow the six reserved files: A 7, B 8, C 9.
  VolumeBuilder builder(800, 1);
  builder.AddDirectory({.name = "A"});
  builder.AddDirectory({.name = "B", .parent = "A"});
  builder.AddDirectory({.name = "C", .raw_records = RecordNaming("ALIAS.DIR", 8)});
  builder.AddFile({.name = "INB.TXT", .directory = "B", .data = test::Bytes(5, 1)});
  // A listing of another directory by its path in between leaves the way back as it was.
  Transcript t =
      RunVolxfer(builder.Build(), "cd c\ncd alias\ndir\ndir [000000.A]\ncdup\npwd\ndir\ncdup\npwd\n");
  EXPECT_EQ(t.err, "");
  std::string body = Body(t);
  EXPECT_NE(body.find("Working directory is [000000.C.ALIAS]\n\nDirectory DKA100:[000000.C.ALIAS]\n\n"
                      "INB.TXT;1\n"),
            std::string::npos)
      << body;
  std::size_t up = body.rfind("Working directory is [000000.C]\n");
  ASSERT_NE(up, std::string::npos) << body;
  std::string after_cdup = body.substr(up);
  EXPECT_NE(after_cdup.find("Directory DKA100:[000000.C]\n\nALIAS.DIR;1\n"), std::string::npos) << body;
  EXPECT_EQ(after_cdup.find("B.DIR;1"), std::string::npos) << body;
  EXPECT_NE(after_cdup.find("Working directory is [000000]\n"), std::string::npos) << body;
}

TEST(ListingTranscript, LsCountsBytesOfFilesOfTwoGibibytesAndMore) {
  // Headers claiming large allocations: a listing reads no data, so the blocks need not exist.
  VolumeBuilder builder(800, 1);
  builder.AddFile({.name = "TWO.BIN",
                   .data = test::Bytes(5, 1),
                   .eof_vbn = 4194305,
                   .first_free_byte = 0,
                   .allocated_vbn = 4194304});
  builder.AddFile({.name = "FOUR.BIN",
                   .data = test::Bytes(5, 1),
                   .eof_vbn = 9000001,
                   .first_free_byte = 7,
                   .allocated_vbn = 9000001});
  Transcript t = RunVolxfer(builder.Build(), "ls *.BIN\n");
  EXPECT_EQ(t.err, "");
  EXPECT_NE(Body(t).find("TWO.BIN;1\n\tOwner: [1,1]\tSize: 4194305 (2147483648 bytes)"), std::string::npos)
      << Body(t);
  EXPECT_NE(Body(t).find("FOUR.BIN;1\n\tOwner: [1,1]\tSize: 9000001 (4608000007 bytes)"), std::string::npos)
      << Body(t);
}

// A put file shows the moment of the put and the usual protection, not the directory's; get gives
// the host copy the file's revision date.
TEST(ListingTranscript, NewFilesCarryDatesAndDefaultProtection) {
  VolumeBuilder builder(800, 1);
  builder.AddDirectory({.name = "WORK"});
  builder.AddFile(
      {.name = "OLD.TXT", .data = test::Bytes(5, 1), .revision_ticks = test::TicksFromUnix(1600000000)});
  Transcript t =
      RunVolxfer(builder.Build(),
                 "!printf 'x\\n' > n.txt\nput n.txt\ndir/prot N.TXT\nget OLD.TXT o.txt\n"
                 "!stat -c %Y o.txt\ncd WORK.DIR\nput n.txt M.TXT;0\ndir/date M.TXT;1\ndir/prot M.TXT\n",
                 0, "open vol.img\n");
  std::time_t now = std::time(nullptr);
  char today[16];
  std::strftime(today, sizeof today, "%d-%b-%Y", std::gmtime(&now));
  std::string date(today);
  for (char& c : date) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  EXPECT_NE(t.out.find("N.TXT;1              (RWED,RWED,RE,)"), std::string::npos) << t.out;
  EXPECT_NE(t.out.find(" 1600000000\n"), std::string::npos) << t.out;
  EXPECT_NE(t.out.find("M.TXT;1              " + date), std::string::npos) << t.out;
  EXPECT_NE(t.out.find("(RWED,RWED,RE,)"), t.out.rfind("(RWED,RWED,RE,)")) << t.out;
  EXPECT_EQ(t.err, "") << t.err;
}

}  // namespace
