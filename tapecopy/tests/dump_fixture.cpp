#include "dump_fixture.h"

#include <fstream>
#include <iterator>

#include <unistd.h>

namespace tapecopy::testing {

Bytes pattern(std::size_t length, std::uint8_t seed) {
  Bytes bytes(length);
  for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<std::uint8_t>(seed + i * 7 + (i >> 8));
  return bytes;
}

ExpectedDump& ExpectedDump::record(const Bytes& data) {
  const std::uint64_t header = bytes_.size();
  for (std::uint64_t field : {std::uint64_t{data.size()}, previousHeader_}) {
    for (int shift = 24; shift >= 0; shift -= 8) bytes_.push_back(static_cast<std::uint8_t>(field >> shift));
  }
  bytes_.insert(bytes_.end(), data.begin(), data.end());
  previousHeader_ = header;
  return *this;
}

void DumpTest::SetUp() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "-" + info->name();
  for (char& c : name) {
    if (c == '/') c = '-';
  }
  folder_ = std::filesystem::temp_directory_path() / ("tapecopy-" + name + "-" + std::to_string(::getpid()));
  std::filesystem::remove_all(folder_);
  std::filesystem::create_directories(folder_);
  dumpFile_ = (folder_ / "dump.bin").string();
}

void DumpTest::TearDown() {
  std::filesystem::remove_all(folder_);
}

DumpTest::Outcome DumpTest::runDump(const DumpSinkFactory& createSink) {
  std::ostringstream messages;
  const int exitCode = dumpTape(drive_, DumpRequest{kDevicePath, dumpFile_, options_}, messages, createSink);
  return {exitCode, messages.str()};
}

DumpTest::Outcome DumpTest::runDumpTo(const std::string& dumpFile) {
  dumpFile_ = dumpFile;
  return runDump();
}

std::optional<Bytes> DumpTest::dumpFileBytes() const {
  std::ifstream in(dumpFile_, std::ios::binary);
  if (!in) return std::nullopt;
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void DumpTest::writeDumpFile(const Bytes& bytes) const {
  std::ofstream out(dumpFile_, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace tapecopy::testing
