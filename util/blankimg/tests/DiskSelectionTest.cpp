// The dialog's logic without the dialog: which rows a system and controller admit, and the
// Disk Information texts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DiskSelection.h"

namespace blankimg {
namespace {

std::vector<std::string> namesFor(int system, int controller) {
  std::vector<std::string> names;
  for (const DiskType* row : rowsFor(system, controller)) names.push_back(row->name);
  return names;
}

using Names = std::vector<std::string>;

TEST(DiskSelection, SystemAndControllerFilters) {
  const Names pro{"rd51-p", "rd31-p", "rd52-p", "rd52-p1", "rd52-p2", "rd52-p3", "rd32-p", "rd53-p"};
  EXPECT_EQ(namesFor(kSystemProfessional, kAllControllers), pro);
  EXPECT_EQ(namesFor(kSystemVax, kAllControllers),
            (Names{"rd50", "rm03", "rm05", "rm80", "rp06", "rd51", "rd52", "rd53", "rd54"}));
  EXPECT_EQ(namesFor(kSystemVax, kControllerMscpOnly), (Names{"rd51", "rd52", "rd53", "rd54"}));
  EXPECT_TRUE(namesFor(kSelectSystem, kAllControllers).empty());
  EXPECT_EQ(namesFor(kSystemAll, kAllControllers).size(), diskRows().size());
}

TEST(DiskSelection, DiskettesWithoutPlatformAppearOnlyUnderAll) {
  for (int system : {kSystemPdp11, kSystemProfessional, kSystemVax}) {
    for (const DiskType* row : rowsFor(system, kAllControllers)) EXPECT_NE(row->platforms, 0u) << row->name;
  }
  const Names allMscp = namesFor(kSystemAll, kControllerMscpOnly);
  for (const char* diskette : {"rx23", "rx26", "rx33", "rx50"})
    EXPECT_NE(std::find(allMscp.begin(), allMscp.end(), diskette), allMscp.end()) << diskette;
}

TEST(DiskSelection, MscpKeepsOnlyControllerClassOne) {
  const auto rows = rowsFor(kSystemPdp11, kControllerMscpOnly);
  EXPECT_FALSE(rows.empty());
  for (const DiskType* row : rows) EXPECT_EQ(row->controller, 1u) << row->name;
  EXPECT_EQ(namesFor(kSystemPdp11, kControllerMscpOnly).front(), "rz22");
}

TEST(DiskSelection, ControllerListIsOfferedExceptForNoSystemAndProfessional) {
  EXPECT_FALSE(controllerListEnabled(kSelectSystem));
  EXPECT_TRUE(controllerListEnabled(kSystemAll));
  EXPECT_TRUE(controllerListEnabled(kSystemPdp11));
  EXPECT_FALSE(controllerListEnabled(kSystemProfessional));
  EXPECT_TRUE(controllerListEnabled(kSystemVax));
}

TEST(DiskSelection, DiskInformationTexts) {
  struct Case {
    const char* name;
    const char *size, *unit, *blocks, *sectors, *blockSize;
  };
  const Case cases[] = {
      {"rk05", "2.4", "Mb", "4872", "12", "512"},      {"rx01", "250", "Kb", "2002", "26", "128"},
      {"rs04", "1024", "Kb", "4096", "64", "256"},  // exactly 1 MiB: the comparison is strict
      {"rl02", "10.0", "Mb", "40960", "40", "256"},    {"rz29", "4.0", "Gb", "8380080", "113", "512"},
      {"rz59", "8.5", "Gb", "17755614", "193", "512"}, {"ra92", "1.4", "Gb", "2941263", "69", "512"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const DiskType* row = nullptr;
    for (const DiskType& r : diskRows())
      if (std::string(r.name) == c.name) row = &r;
    ASSERT_NE(row, nullptr);
    const DiskInformation info = diskInformation(*row);
    EXPECT_EQ(info.size, c.size);
    EXPECT_EQ(info.unit, c.unit);
    EXPECT_EQ(info.blocks, c.blocks);
    EXPECT_EQ(info.sectors, c.sectors);
    EXPECT_EQ(info.blockSize, c.blockSize);
    EXPECT_EQ(defaultFileName(*row), std::string(c.name) + ".dsk");
  }
}

}  // namespace
}  // namespace blankimg
