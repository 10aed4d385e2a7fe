// The command table and the abbreviation rule, and word splitting.
#include <gtest/gtest.h>

#include "shell/command_table.h"
#include "shell/output.h"
#include "shell/shell.h"

#include <cerrno>
#include <cstring>

namespace {

struct Abbreviation {
  const char* typed;
  const char* selects;  // null: no command
};

class AbbreviationRule : public testing::TestWithParam<Abbreviation> {};

TEST_P(AbbreviationRule, FirstEntryInTableOrderWins) {
  const volxfer::CommandEntry* entry = volxfer::FindCommand(GetParam().typed);
  if (!GetParam().selects) {
    EXPECT_EQ(entry, nullptr) << GetParam().typed << " selected " << (entry ? entry->name : "");
  } else {
    ASSERT_NE(entry, nullptr) << GetParam().typed;
    EXPECT_EQ(entry->name, GetParam().selects);
  }
}

INSTANTIATE_TEST_SUITE_P(
    WorkedResults, AbbreviationRule,
    testing::Values(Abbreviation{"q", "quit"}, Abbreviation{"h", "help"}, Abbreviation{"sh", "show_dev"},
                    Abbreviation{"sho", "show_dev"}, Abbreviation{"show_de", "show_dev"},
                    Abbreviation{"show_def", "show_def"}, Abbreviation{"show_dev", "show_dev"},
                    Abbreviation{"show_dev/ful", nullptr}, Abbreviation{"show_dev/full", "show_dev/full"},
                    Abbreviation{"st", "status"}, Abbreviation{"re", "recv"},
                    Abbreviation{"dir/s", "dir/size"}, Abbreviation{"dir/d", "dir/date"},
                    Abbreviation{"dir/f", "dir/file_id"}, Abbreviation{"dir/p", "dir/prot"},
                    Abbreviation{"dis", "disconnect"}, Abbreviation{"cdu", "cdup"}, Abbreviation{"lc", "lcd"},
                    Abbreviation{"lo", "lo"}, Abbreviation{"op", "open"}, Abbreviation{"?", "?"},
                    Abbreviation{"cd", "cd"}, Abbreviation{"cl", "close"}, Abbreviation{"di", nullptr},
                    Abbreviation{"dir/", nullptr}, Abbreviation{"a", nullptr}, Abbreviation{"as", nullptr},
                    Abbreviation{"e", nullptr}, Abbreviation{"s", nullptr}, Abbreviation{"v", nullptr},
                    Abbreviation{"l", nullptr}, Abbreviation{"p", nullptr}, Abbreviation{"g", nullptr},
                    Abbreviation{"c", nullptr}, Abbreviation{"d", nullptr}, Abbreviation{"quits", nullptr},
                    Abbreviation{"Quit", nullptr}, Abbreviation{"HELP", nullptr},
                    Abbreviation{"mkdir", "mkdir"}, Abbreviation{"mk", "mkdir"}, Abbreviation{"m", nullptr},
                    Abbreviation{"mo", "mode"}, Abbreviation{"del", "del"}, Abbreviation{"de", nullptr},
                    Abbreviation{"dele", nullptr}, Abbreviation{"delete", "delete"},
                    Abbreviation{"deletes", nullptr}, Abbreviation{"deb", "debug"}),
    [](const auto& info) { return "row" + std::to_string(info.index); });

TEST(CommandTable, HoldsItsEntriesInOrder) {
  std::vector<std::string_view> names;
  for (const auto& entry : volxfer::CommandTable()) names.push_back(entry.name);
  EXPECT_EQ(names,
            (std::vector<std::string_view>{
                "?",        "ascii",      "bin",           "bye",      "cd",       "cdup",        "close",
                "debug",    "del",        "delete",        "dir",      "dir/date", "dir/file_id", "dir/prot",
                "dir/size", "disconnect", "exit",          "get",      "help",     "lcd",         "lo",
                "ls",       "mkdir",      "mode",          "open",     "put",      "pwd",         "quit",
                "recv",     "show_dev",   "show_dev/full", "show_def", "status",   "vi"}));
}

TEST(SplitWords, BlanksTabsAndLineEndsSeparateWords) {
  using V = std::vector<std::string>;
  EXPECT_EQ(volxfer::SplitWords("  open\tdisk.img  ro\n"), (V{"open", "disk.img", "ro"}));
  EXPECT_EQ(volxfer::SplitWords(" \t\n"), V{});
  EXPECT_EQ(volxfer::SplitWords("\\ c"), (V{"\\", "c"}));  // no escape character
}

TEST(SplitWords, DoubleQuotesGroupBlanksIntoOneWord) {
  using V = std::vector<std::string>;
  struct Case {
    const char* line;
    V words;
  };
  const Case cases[] = {
      {"open \"my disk.img\" ro\n", {"open", "my disk.img", "ro"}},
      {"get a\"b c\"d\n", {"get", "ab cd"}},
      {"put \"\" x", {"put", "", "x"}},
      {"get \"open ended\n", {"get", "open ended"}},  // an unclosed quote runs to the line end
      {"\"\t\"", {"\t"}},
  };
  for (const Case& c : cases) EXPECT_EQ(volxfer::SplitWords(c.line), c.words) << c.line;
}

}  // namespace

namespace {

TEST(ErrorText, TableTextsDriveErrorsWithTheHostTextAndUnknownCodes) {
  EXPECT_EQ(volxfer::ErrorTextForCode(0), "No error.");
  EXPECT_EQ(volxfer::ErrorTextForCode(6), "Invalid arument.");
  EXPECT_EQ(volxfer::ErrorTextForCode(21), "Error reading file.");
  EXPECT_EQ(volxfer::ErrorTextForCode(22), "Unknown error code '22'");
  EXPECT_EQ(volxfer::ErrorTextForCode(1000), "Unknown error code '1000'");
  errno = ENOENT;
  EXPECT_EQ(volxfer::ErrorTextForCode(1), std::string("Drive error. ") + std::strerror(ENOENT));
}

}  // namespace
