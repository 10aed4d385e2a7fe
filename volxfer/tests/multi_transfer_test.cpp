// Several files with one command: how the words are read, the host names copies get, and copies
// of many files each way through the shell, with the volume checked after every write.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "shell/multi_transfer.h"
#include "shell/shell.h"
#include "support/test_volume.h"
#include "support/volume_checker.h"

namespace {

namespace fs = std::filesystem;
using volxfer::ParseVolumeTree;

TEST(SeveralFiles, WordsThatNameSeveralVolumeFiles) {
  struct Case {
    const char* word;
    bool several, tree;
    const char* name;
    const char* version;
    const char* shown;
    std::vector<std::string> components;
    bool relative;
  } cases[] = {
      {"*.txt", true, false, "*.TXT", "", "", {}, false},
      {"a%c.txt;*", true, false, "A%C.TXT", "*", "", {}, false},
      {"notes.txt;1%", true, false, "NOTES.TXT", "1%", "", {}, false},
      {"notes.txt;2", false, false, "NOTES.TXT", "2", "", {}, false},
      {"[...]", true, true, "*.*", "", "", {}, false},
      {"[work...]*.txt", true, true, "*.TXT", "", "[WORK]", {"WORK"}, false},
      {"<work.sub...>x.y;3", true, true, "X.Y", "3", "[WORK.SUB]", {"WORK", "SUB"}, false},
      {"[.sub...]", true, true, "*.*", "", "[.SUB]", {"SUB"}, true},
      {"[000000...]*.*", true, true, "*.*", "", "[000000]", {}, false},
      {"[work]x.txt", false, false, "X.TXT", "", "[WORK]", {"WORK"}, false},
      {"[work]", false, false, "*.*", "", "[WORK]", {"WORK"}, false},
      {"", false, false, "*.*", "", "", {}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.word);
    EXPECT_EQ(volxfer::NamesSeveralFiles(c.word), c.several);
    auto request = ParseVolumeTree(c.word);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->tree, c.tree);
    EXPECT_EQ(request->name_pattern, c.name);
    EXPECT_EQ(request->version_pattern, c.version);
    EXPECT_EQ(request->shown, c.shown);
    EXPECT_EQ(request->start.components, c.components);
    EXPECT_EQ(request->start.relative, c.relative);
  }
  for (const char* bad : {"[work...", "[..]", "[a..b...]"}) {
    EXPECT_FALSE(ParseVolumeTree(bad)) << bad;
    EXPECT_FALSE(volxfer::NamesSeveralFiles(bad)) << bad;  // the single-file path names the fault
  }
}

TEST(SeveralFiles, HostNamesOfCopies) {
  struct Case {
    const char* entry;
    bool with_version;
    const char* host;
  } cases[] = {
      {"HELLO.TXT;3", false, "hello.txt"},  {"HELLO.TXT;3", true, "hello.txt~3"},
      {"README.;1", false, "readme"},       {"README.;12", true, "readme~12"},
      {"A$B-C_D.E;1", true, "a$b-c_d.e~1"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(volxfer::HostNameForEntry(c.entry, c.with_version), c.host) << c.entry;
  EXPECT_EQ(volxfer::ShownBelow("", "SUB"), "[.SUB]");
  EXPECT_EQ(volxfer::ShownBelow("[WORK]", "SUB"), "[WORK.SUB]");
  EXPECT_EQ(volxfer::ShownBelow("[.A]", "B"), "[.A.B]");
  EXPECT_EQ(volxfer::Files11DirectoryForHost("some/my.folder"), "MY_FOLDER");
  EXPECT_EQ(volxfer::Files11DirectoryForHost("some/trailing/"), "TRAILING");
  EXPECT_EQ(volxfer::Files11DirectoryForHost("/"), "");
  EXPECT_EQ(volxfer::Files11DirectoryForHost("."),
            volxfer::Files11DirectoryForHost(fs::current_path().string()));
}

struct Scratch {
  Scratch() : root(fs::temp_directory_path() / ("vxmulti-" + std::to_string(::getpid()))) {
    fs::remove_all(root);
    fs::create_directories(root);
  }
  ~Scratch() { fs::remove_all(root); }
  std::string Path(const std::string& name) const { return (root / name).string(); }
  void Write(const std::string& name, const std::vector<std::uint8_t>& data) const {
    fs::create_directories(fs::path(Path(name)).parent_path());
    std::ofstream(Path(name), std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  }
  std::vector<std::uint8_t> Read(const std::string& name) const {
    std::ifstream in(Path(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  fs::path root;
};

std::string RunShell(volxfer::Shell& shell, const std::vector<std::string>& lines) {
  testing::internal::CaptureStdout();
  for (const std::string& line : lines) shell.RunLine(line + "\n");
  return testing::internal::GetCapturedStdout();
}

// Many files of many sizes by a host pattern, and back by a volume pattern: the same bytes, and a
// sound volume listing each of them.
TEST(SeveralFiles, PatternRoundTripKeepsEveryByte) {
  Scratch scratch;
  test::ImageFile image(test::ReferenceVolume("blank"));
  const int kFiles = 70;
  for (int i = 0; i < kFiles; ++i)
    scratch.Write("in/f" + std::to_string(i) + ".dat",
                  test::Bytes(static_cast<std::size_t>(i * 977 % 9000), i));
  volxfer::Shell shell;
  std::string out = RunShell(shell, {"open " + image.path(), "put " + scratch.Path("in") + "/*.dat",
                                     "get *.dat " + scratch.Path("out"), "close"});
  for (int i = 0; i < kFiles; ++i) {
    std::string name = "f" + std::to_string(i) + ".dat";
    EXPECT_EQ(scratch.Read("out/" + name), scratch.Read("in/" + name)) << name;
  }
  test::VolumeReport report = test::CheckVolume(image.Contents());
  EXPECT_EQ(test::FirstFault(report), "");
  EXPECT_EQ(report.leaked_clusters, 0u);
  EXPECT_EQ(std::count_if(report.entries.begin(), report.entries.end(),
                          [](const std::string& e) { return e.ends_with(".DAT;1"); }),
            kFiles);
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 2 + 4 * kFiles) << out;
}

// A host tree into the volume as directories and back out by a tree get: the same folders and
// bytes, a sound volume after each write, and a second put into the same tree adds versions.
TEST(SeveralFiles, TreeRoundTripRecreatesFoldersAndBytes) {
  Scratch scratch;
  test::ImageFile image(test::ReferenceVolume("blank"));
  std::vector<std::string> files;
  for (const char* folder : {"tree", "tree/a", "tree/a/b.c", "tree/a/b.c/deep", "tree/z"})
    for (int i = 0; i < 8; ++i) files.push_back(std::string(folder) + "/n" + std::to_string(i) + ".bin");
  for (std::size_t i = 0; i < files.size(); ++i)
    scratch.Write("in/" + files[i], test::Bytes(i * 613 % 5000, i));
  fs::create_directories(scratch.Path("in/tree/empty"));
  volxfer::Shell shell;
  fs::path started_in = fs::current_path();
  RunShell(shell, {"open " + image.path(), "lcd " + scratch.Path("in"), "put tree"});
  test::VolumeReport report = test::CheckVolume(image.Contents());
  EXPECT_EQ(test::FirstFault(report), "");
  EXPECT_EQ(report.leaked_clusters, 0u);
  EXPECT_EQ(std::count_if(report.entries.begin(), report.entries.end(),
                          [](const std::string& e) { return e.ends_with(".BIN;1"); }),
            static_cast<long>(files.size()));
  for (const char* directory : {"TREE.DIR;1", "A.DIR;1", "B_C.DIR;1", "DEEP.DIR;1", "Z.DIR;1", "EMPTY.DIR;1"})
    EXPECT_EQ(std::count_if(report.entries.begin(), report.entries.end(),
                            [&](const std::string& e) { return e.ends_with(std::string(" ") + directory); }),
              1)
        << directory;

  RunShell(shell, {"get [tree...]*.* " + scratch.Path("out"), "put tree"});
  for (const std::string& file : files) {
    std::string back = file.substr(std::string("tree/").size());
    if (std::size_t dot = back.find("b.c"); dot != std::string::npos) back.replace(dot, 3, "b_c");
    EXPECT_EQ(scratch.Read("out/" + back), scratch.Read("in/" + file)) << file;
  }
  EXPECT_TRUE(fs::is_directory(scratch.Path("out/empty")));
  report = test::CheckVolume(image.Contents());
  EXPECT_EQ(test::FirstFault(report), "");
  EXPECT_EQ(std::count_if(report.entries.begin(), report.entries.end(),
                          [](const std::string& e) { return e.ends_with(".BIN;2"); }),
            static_cast<long>(files.size()));
  RunShell(shell, {"close", "lcd " + started_in.string()});
}

}  // namespace
