// The Linux backend as far as a machine without a tape drive allows: mapping names to SCSI
// generic devices through a fake sysfs tree, the open failure, and what SG_IO completions mean.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "linux/device_map.h"
#include "linux/sg_transport.h"
#include "tape_dump.h"

namespace tapecopy {
namespace {

namespace fs = std::filesystem;

class DeviceMapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("tapecopy-sysfs-" + std::to_string(::getpid()));
    fs::remove_all(root_);
    // Tape nst0 is SCSI device 0:0:3:0 with generic device sg3, linked as the kernel does.
    const fs::path drive = root_ / "sys/devices/pci0000:00/host0/target0:0:3/0:0:3:0";
    fs::create_directories(drive / "scsi_generic/sg3");
    fs::create_directories(root_ / "sys/class/scsi_tape/nst0");
    fs::create_directories(root_ / "sys/bus/scsi/devices");
    fs::create_directory_symlink(drive, root_ / "sys/class/scsi_tape/nst0/device");
    fs::create_directory_symlink(drive, root_ / "sys/bus/scsi/devices/0:0:3:0");
    // Tape nst1 has no generic device (sg module not loaded).
    fs::create_directories(root_ / "sys/class/scsi_tape/nst1/device");
    // Tape nst2 on an older kernel: a "generic" link instead of the scsi_generic folder.
    fs::create_directories(root_ / "sys/class/scsi_generic/sg7");
    fs::create_directories(root_ / "sys/class/scsi_tape/nst2/device");
    fs::create_directory_symlink(root_ / "sys/class/scsi_generic/sg7",
                                 root_ / "sys/class/scsi_tape/nst2/device/generic");
    // A disk at 2:0:3:0 with generic device sg5.
    fs::create_directories(root_ / "sys/bus/scsi/devices/2:0:3:0/scsi_generic/sg5");
  }
  void TearDown() override { fs::remove_all(root_); }

  fs::path root_;
};

struct MapCase {
  DeviceName name;
  bool found;
  const char* devicePath;  // below the fake /dev, or as shown
  const char* errorText;
};

TEST_F(DeviceMapTest, FindsTheGenericDeviceOrSaysWhyNot) {
  const std::string dev = (root_ / "dev").string();
  const MapCase cases[] = {
      {{DeviceKind::Tape, 0, 0, 0, 0, 0}, true, "/sg3", ""},
      {{DeviceKind::Adapter, 0, 0, 0, 3, 0}, true, "/sg3", ""},
      {{DeviceKind::Adapter, 0, 2, 0, 3, 0}, true, "/sg5", ""},
      {{DeviceKind::Tape, 2, 0, 0, 0, 0}, true, "/sg7", ""},
      {{DeviceKind::Tape, 1, 0, 0, 0, 0},
       false,
       "/nst1",
       "no SCSI generic device for it (is the sg module loaded?)"},
      {{DeviceKind::Tape, 4, 0, 0, 0, 0}, false, "/nst4", "No such file or directory"},
      {{DeviceKind::Tape, -1, 0, 0, 0, 0}, false, "/nst-1", "No such file or directory"},
      {{DeviceKind::Adapter, 0, 2, 0, 4, 0}, false, "[2:0:4:0]", "No such file or directory"},
      {{DeviceKind::Generic, 0, 0, 0, 0, 6}, true, "/sg6", ""},  // taken as named, not looked up
  };
  const LinuxDeviceMap map(root_ / "sys", root_ / "dev");
  for (const MapCase& c : cases) {
    const DeviceLocation location = map.locate(c.name);
    const std::string expectedPath = c.devicePath[0] == '/' ? dev + c.devicePath : c.devicePath;
    SCOPED_TRACE(expectedPath);
    EXPECT_EQ(location.found, c.found);
    EXPECT_EQ(location.devicePath, expectedPath);
    EXPECT_EQ(location.errorText, c.errorText);
  }
}

TEST(SgTransportTest, MissingDeviceFailsToOpen) {
  std::string errorText;
  EXPECT_EQ(SgTransport::open("/dev/tapecopy-no-such-sg", errorText), nullptr);
  EXPECT_EQ(errorText, "No such file or directory");
}

TEST(SgTransportTest, DeviceWithoutPassThroughFailsTheCallAndTheDump) {
  // /dev/null opens but knows no SG_IO: the call fails, as on a device that is not SCSI.
  std::string errorText;
  std::unique_ptr<SgTransport> transport = SgTransport::open("/dev/null", errorText);
  ASSERT_NE(transport, nullptr) << errorText;
  std::ostringstream messages;
  const std::string dumpFile = (fs::temp_directory_path() / "tapecopy-never-created.tap").string();
  fs::remove(dumpFile);
  EXPECT_EQ(dumpTape(*transport, DumpRequest{"/dev/null", dumpFile, {}}, messages), 1);
  EXPECT_EQ(messages.str(), "Failed to rewind tape: Inappropriate ioctl for device\n");
  EXPECT_FALSE(fs::exists(dumpFile));
}

struct OpenCase {
  const char* name;
  std::vector<int> errors;  // errno of each open attempt in turn; 0 opens
  std::vector<int> accessModes;
  int result;  // descriptor, or the errno left behind
};

TEST(SgTransportTest, ReadOnlyRetryOnlyWhenPermissionIsRefused) {
  constexpr int kFd = 7;
  const OpenCase cases[] = {
      {"opens read-write", {0}, {O_RDWR}, kFd},
      {"no permission", {EACCES, 0}, {O_RDWR, O_RDONLY}, kFd},
      {"read-only file system", {EROFS, 0}, {O_RDWR, O_RDONLY}, kFd},
      {"no permission either way", {EACCES, EACCES}, {O_RDWR, O_RDONLY}, -EACCES},
      {"busy stays busy", {EBUSY}, {O_RDWR}, -EBUSY},
      {"missing", {ENOENT}, {O_RDWR}, -ENOENT},
      {"not permitted", {EPERM}, {O_RDWR}, -EPERM},
  };
  for (const OpenCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<int> modes;
    std::vector<int> flagsSeen;
    const int fd = openGenericDevice("/dev/sg1", [&](const std::string& path, int flags) {
      EXPECT_EQ(path, "/dev/sg1");
      flagsSeen.push_back(flags);
      modes.push_back(flags & O_ACCMODE);
      const int error = c.errors.at(modes.size() - 1);
      errno = error;
      return error == 0 ? kFd : -1;
    });
    EXPECT_EQ(modes, c.accessModes);
    EXPECT_EQ(fd >= 0 ? fd : -errno, c.result);
    // Exclusive read-write, never waiting on a busy device.
    EXPECT_EQ(flagsSeen.front() & (O_EXCL | O_NONBLOCK), O_EXCL | O_NONBLOCK);
  }
}

TEST(SgTransportTest, RequestCarriesTheCommand) {
  std::array<std::uint8_t, 100> data{};
  std::array<std::uint8_t, kMaxCdbLength> cdb{};
  std::array<std::uint8_t, kSenseAreaSize> sense{};
  ScsiCommand read;
  read.cdb = {0x08, 0, 0x00, 0x00, 0x64, 0, 0xEE, 0xEE, 0xEE, 0xEE};  // bytes past the length unsent
  read.direction = DataDirection::FromDevice;
  read.data = data;
  const sg_io_hdr_t request = buildSgRequest(read, cdb, sense);
  EXPECT_EQ(request.interface_id, 'S');
  EXPECT_EQ(request.cmd_len, 6);
  EXPECT_EQ(request.cmdp, cdb.data());
  EXPECT_EQ(cdb, (std::array<std::uint8_t, kMaxCdbLength>{0x08, 0, 0, 0, 0x64, 0}));
  EXPECT_EQ(request.dxfer_direction, SG_DXFER_FROM_DEV);
  EXPECT_EQ(request.dxfer_len, 100u);
  EXPECT_EQ(request.dxferp, data.data());
  EXPECT_EQ(request.mx_sb_len, kSenseAreaSize);
  EXPECT_EQ(request.sbp, sense.data());
  EXPECT_EQ(request.timeout, 255000u);

  ScsiCommand position;
  position.cdb = {0x34, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  position.cdbLength = 10;
  ScsiCommand rewind;
  rewind.cdb[0] = 0x01;
  const sg_io_hdr_t tenBytes = buildSgRequest(position, cdb, sense);
  EXPECT_EQ(tenBytes.cmd_len, 10);
  const sg_io_hdr_t noData = buildSgRequest(rewind, cdb, sense);
  EXPECT_EQ(noData.dxfer_direction, SG_DXFER_NONE);
  EXPECT_EQ(noData.dxfer_len, 0u);
  EXPECT_EQ(noData.dxferp, nullptr);
}

struct ResponseCase {
  const char* name;
  int resid;
  unsigned senseWritten;
  unsigned scsiStatus;
  unsigned hostStatus;
  bool delivered;
  std::size_t transferLength;
  std::size_t senseLength;
};

TEST(SgTransportTest, ResponseGivesLengthSenseAndFailure) {
  const ResponseCase cases[] = {
      {"full transfer", 0, 0, 0x00, 0, true, 1000, 0},
      {"short block with sense", 900, 18, 0x02, 0, true, 100, 18},
      {"negative residue", -5, 0, 0x00, 0, true, 1000, 0},
      {"residue beyond the request", 5000, 18, 0x02, 0, true, 0, 18},
      {"sense longer than the area", 0, 250, 0x02, 0, true, 1000, kSenseAreaSize},
      {"time-out", 1000, 0, 0x00, 0x03, false, 0, 0},
  };
  std::array<std::uint8_t, kSenseAreaSize> sense{};
  for (std::size_t i = 0; i < sense.size(); ++i) sense[i] = static_cast<std::uint8_t>(i + 1);
  for (const ResponseCase& c : cases) {
    SCOPED_TRACE(c.name);
    sg_io_hdr_t finished{};
    finished.resid = c.resid;
    finished.sb_len_wr = static_cast<unsigned char>(c.senseWritten);
    finished.status = static_cast<unsigned char>(c.scsiStatus);
    finished.host_status = static_cast<unsigned short>(c.hostStatus);
    finished.driver_status = c.senseWritten != 0 ? 0x08 : 0;
    const ScsiReply reply = parseSgResponse(finished, 1000, sense);
    EXPECT_EQ(reply.delivered, c.delivered);
    EXPECT_EQ(reply.failureText.empty(), c.delivered);
    if (!c.delivered) continue;
    EXPECT_EQ(reply.transferLength, c.transferLength);
    EXPECT_EQ(reply.senseLength, c.senseLength);
    EXPECT_TRUE(std::equal(sense.begin(), sense.begin() + c.senseLength, reply.sense.begin()));
  }
}

struct CompletionCase {
  SgCompletion completion;
  std::optional<std::string> failure;
};

TEST(SgTransportTest, CompletionsWithoutSenseFailUnlessGood) {
  const CompletionCase cases[] = {
      {{0x00, 0x00, 0x00, 0}, std::nullopt},                           // good
      {{0x02, 0x00, 0x08, 18}, std::nullopt},                          // check condition with sense
      {{0x02, 0x03, 0x08, 18}, std::nullopt},                          // sense data wins
      {{0x00, 0x03, 0x00, 0}, "command timed out"},                    // time-out
      {{0x00, 0x01, 0x00, 0}, "no connection to the device"},          // device gone
      {{0x00, 0x0E, 0x00, 0}, "SCSI host status 0x0E"},                // unnamed host status
      {{0x00, 0x00, 0x06, 0}, "SCSI driver status 0x06"},              // driver time-out
      {{0x08, 0x00, 0x00, 0}, "SCSI status 0x08 without sense data"},  // busy
      {{0x02, 0x00, 0x08, 0}, "SCSI status 0x02 without sense data"},  // check condition, sense lost
      {{0x18, 0x00, 0x00, 0}, "SCSI status 0x18 without sense data"},  // reservation conflict
  };
  for (const CompletionCase& c : cases) {
    SCOPED_TRACE(c.failure.value_or("(none)"));
    EXPECT_EQ(sgTransportFailure(c.completion), c.failure);
  }
}

}  // namespace
}  // namespace tapecopy
