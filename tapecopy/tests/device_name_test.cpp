// Device names: lower-casing, the four prefixes, numbers that do not parse, and the Windows
// paths they open.
#include <gtest/gtest.h>

#include "device_name.h"

namespace tapecopy {
namespace {

struct NameCase {
  const char* typed;
  std::optional<DeviceName> parsed;  // nothing: "wrong device name"
  const char* windowsPath;
};

void PrintTo(const NameCase& name, std::ostream* out) {
  *out << '"' << name.typed << '"';
}

DeviceName tape(int n) {
  return {DeviceKind::Tape, n, 0, 0, 0, 0};
}
DeviceName adapter(int port, int bus, int target) {
  return {DeviceKind::Adapter, 0, port, bus, target, 0};
}
DeviceName generic(int n) {
  return {DeviceKind::Generic, 0, 0, 0, 0, n};
}

const NameCase kNames[] = {
    {"TAPE0", tape(0), "\\\\.\\Tape0"},
    {"tape0", tape(0), "\\\\.\\Tape0"},
    {"\\\\.\\TAPE0", tape(0), "\\\\.\\Tape0"},
    {"\\\\.\\tape12", tape(12), "\\\\.\\Tape12"},
    {"Scsi2:0:3", adapter(2, 0, 3), "\\\\.\\Scsi2:"},
    {"\\\\.\\SCSI1:2:5", adapter(1, 2, 5), "\\\\.\\Scsi1:"},
    {"tape", tape(0), "\\\\.\\Tape0"},
    {"tapeX", tape(0), "\\\\.\\Tape0"},
    {"tape 7", tape(7), "\\\\.\\Tape7"},
    {"scsi1", adapter(1, 0, 0), "\\\\.\\Scsi1:"},
    {"scsi3:4", adapter(3, 4, 0), "\\\\.\\Scsi3:"},
    {"scsi1:x:3", adapter(1, 0, 0), "\\\\.\\Scsi1:"},
    {"scsi1;2:3", adapter(1, 0, 0), "\\\\.\\Scsi1:"},
    {"scsi", adapter(0, 0, 0), "\\\\.\\Scsi0:"},
    {"tape2147483647", tape(2147483647), "\\\\.\\Tape2147483647"},
    {"tape99999999999", std::nullopt, ""},
    {"scsi0:0:4294967296", std::nullopt, ""},
    {"disk0", std::nullopt, ""},
    {"", std::nullopt, ""},
    {"nst0", std::nullopt, ""},
    {"/dev/nst0", tape(0), "\\\\.\\Tape0"},
    {"/dev/NST3", tape(3), "\\\\.\\Tape3"},
    {"/dev/st12", tape(12), "\\\\.\\Tape12"},
    {"/dev/nst1a", tape(1), "\\\\.\\Tape1"},
    {"/dev/st0l", tape(0), "\\\\.\\Tape0"},
    {"/dev/sg4", generic(4), "/dev/sg4"},
    {"/dev/SG10", generic(10), "/dev/sg10"},
    {"/dev/nst", std::nullopt, ""},
    {"/dev/st", std::nullopt, ""},
    {"/dev/sg", std::nullopt, ""},
    {"/dev/sg1a", std::nullopt, ""},
    {"/dev/nst0x", std::nullopt, ""},
    {"/dev/nst0la", std::nullopt, ""},
    {"/dev/st-1", std::nullopt, ""},
    {"/dev/st 1", std::nullopt, ""},
    {"/dev/sg9999999999", std::nullopt, ""},
    {"/dev/sda", std::nullopt, ""},
    {"/dev/tape0", std::nullopt, ""},
    {"/dev/scsi0:0:1", std::nullopt, ""},
    {"\\\\.\\physicaldrive0", std::nullopt, ""},
    {"\\\\.tape0", std::nullopt, ""},
    {" tape0", std::nullopt, ""},
};

class DeviceNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(DeviceNameTest, ParsesAfterLowerCasing) {
  const NameCase& name = GetParam();
  const std::optional<DeviceName> parsed = parseDeviceName(lowerCaseDeviceName(name.typed));
  EXPECT_EQ(parsed, name.parsed);
  if (parsed) {
    EXPECT_EQ(windowsDevicePath(*parsed), name.windowsPath);
  }
}

// Test names show the typed name with anything but letters and digits as '_'.
INSTANTIATE_TEST_SUITE_P(Names, DeviceNameTest, ::testing::ValuesIn(kNames), [](const auto& info) {
  std::string name = std::to_string(info.index) + "_";
  for (const char* c = info.param.typed; *c != '\0'; ++c) {
    const bool plain = (*c >= 'a' && *c <= 'z') || (*c >= 'A' && *c <= 'Z') || (*c >= '0' && *c <= '9');
    name += plain ? *c : '_';
  }
  return name;
});

TEST(DeviceNameLowerCase, ChangesLettersOnly) {
  EXPECT_EQ(lowerCaseDeviceName("\\\\.\\SCSI2:0:3 AZaz@[`{"), "\\\\.\\scsi2:0:3 azaz@[`{");
}

}  // namespace
}  // namespace tapecopy
