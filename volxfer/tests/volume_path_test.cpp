// Directory parts of volume names, and host names made into ODS-2 names.
#include <gtest/gtest.h>

#include "shell/volume_path.h"

namespace {

TEST(SplitVolumePath, DirectoryPartsAndWhatFollows) {
  struct Case {
    const char* word;
    bool relative;
    std::vector<std::string> components;
    const char* file;
    const char* seen_from_work;  // DirectoryText from [000000.WORK]
  };
  const Case cases[] = {
      {"[work.sub]deep.txt;1", false, {"WORK", "SUB"}, "deep.txt;1", "[000000.WORK.SUB]"},
      {"[.sub]", true, {"SUB"}, "", "[000000.WORK.SUB]"},
      {"<WORK>A.B", false, {"WORK"}, "A.B", "[000000.WORK]"},
      {"[000000]X.Y", false, {}, "X.Y", "[000000]"},
      {"[000000.WORK]", false, {"WORK"}, "", "[000000.WORK]"},
      {"[-]", true, {"-"}, "", "[000000]"},
      {"[-.OTHER]*.*", true, {"-", "OTHER"}, "*.*", "[000000.OTHER]"},
  };
  for (const Case& c : cases) {
    auto path = volxfer::SplitVolumePath(c.word);
    ASSERT_TRUE(path) << c.word;
    EXPECT_TRUE(path->has_directory) << c.word;
    EXPECT_EQ(path->relative, c.relative) << c.word;
    EXPECT_EQ(path->components, c.components) << c.word;
    EXPECT_EQ(path->file, c.file) << c.word;
    EXPECT_EQ(volxfer::DirectoryText(*path, "[000000.WORK]"), c.seen_from_work) << c.word;
  }
  auto plain = volxfer::SplitVolumePath("notes.txt;2");
  ASSERT_TRUE(plain);
  EXPECT_FALSE(plain->has_directory);
  EXPECT_EQ(plain->file, "notes.txt;2");
  for (const char* bad : {"[work", "[]x", "[.]", "[a..b]", "[work.]", "[a.-]", "<a]"})
    EXPECT_FALSE(volxfer::SplitVolumePath(bad)) << bad;
}

TEST(Files11NameForHost, KeepsValidNamesAndMendsOthers) {
  const std::pair<const char*, const char*> cases[] = {
      {"notes.txt", "NOTES.TXT"},
      {"README", "README."},
      {"x.tar.gz", "X_TAR.GZ"},
      {"dir/sub/My File.c++", "MY_FILE.C__"},
      {".profile", ".PROFILE"},
      {"a$b-c_d.e", "A$B-C_D.E"},
      {"0123456789012345678901234567890123456789XX.t", "012345678901234567890123456789012345678.T"},
  };
  for (const auto& [host, expected] : cases) EXPECT_EQ(volxfer::Files11NameForHost(host), expected) << host;
}

}  // namespace
