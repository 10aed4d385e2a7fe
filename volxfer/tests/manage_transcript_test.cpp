// mkdir and delete through the built program, the volume judged afterwards by the independent
// checker: a tree made with missing parents, files put into it, then taken away level by level.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "support/test_volume.h"
#include "support/volume_checker.h"

namespace {

// Runs volxfer with `script` in a folder holding the image as vol.img; the image afterwards.
std::vector<std::uint8_t> RunOn(const std::vector<std::uint8_t>& image, const std::string& script,
                                int& status) {
  std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("vxm-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  test::ImageFile copy(image);
  std::filesystem::copy_file(copy.path(), folder / "vol.img");
  std::ofstream((folder / "data.txt").string()) << "some data\n";
  std::ofstream((folder / "script").string()) << "open vol.img\n" << script << "bye\n";
  std::string command = "cd '" + folder.string() + "' && '" VOLXFER_EXE "' < script > out 2> err";
  int result = std::system(command.c_str());
  status = WIFEXITED(result) ? WEXITSTATUS(result) : -1;
  std::ifstream in(folder / "vol.img", std::ios::binary);
  std::vector<std::uint8_t> after{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::filesystem::remove_all(folder);
  return after;
}

bool Has(const test::VolumeReport& r, std::string_view name) {
  return std::any_of(r.entries.begin(), r.entries.end(),
                     [&](const std::string& e) { return e.ends_with(name); });
}

TEST(ManageTranscript, TreeMadeFilledAndTakenAwayLeavesASoundVolume) {
  test::VolumeBuilder builder(3000, 2);
  builder.AddDirectory({.name = "WORK"});
  builder.spare_headers = 20;  // room for the new headers: the index file need not grow
  std::vector<std::uint8_t> image = builder.Build();
  test::VolumeReport before = test::CheckVolume(image);
  int status = 0;
  test::VolumeReport made =
      test::CheckVolume(RunOn(image,
                              "mkdir [work.a.b]\nmkdir [.top]\ncd work\nmkdir [-.side.x]\n"
                              "put data.txt [.a.b]\nput data.txt [.a.b]\nput data.txt\n",
                              status));
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(made.faults.empty()) << test::FirstFault(made);
  for (const char* name : {" A.DIR;1", " B.DIR;1", " TOP.DIR;1", " SIDE.DIR;1", " X.DIR;1", " DATA.TXT;2"})
    EXPECT_TRUE(Has(made, name)) << name;
  EXPECT_EQ(made.files, before.files + 8);
  test::VolumeReport gone = test::CheckVolume(
      RunOn(image,
            "mkdir [work.a.b]\nmkdir [.top]\nput data.txt [work.a.b]\nput data.txt [work.a.b]\n"
            "del [work.a]b.dir\ndel [work.a.b]*.*;*\ncd [work.a]\ndel b.dir\ncdup\ndel a.dir top.dir\n"
            "cdup\ndel [000000]top.dir\n",
            status));
  EXPECT_EQ(status, 1);  // the first del is refused: B is not empty
  EXPECT_TRUE(gone.faults.empty()) << test::FirstFault(gone);
  EXPECT_EQ(gone.files, before.files);
  EXPECT_EQ(gone.free_clusters, before.free_clusters);
  EXPECT_EQ(gone.leaked_clusters, before.leaked_clusters);
  EXPECT_EQ(gone.leaked_numbers, before.leaked_numbers);
  EXPECT_EQ(gone.entries, before.entries);
}

}  // namespace
