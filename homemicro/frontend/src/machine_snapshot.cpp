#include "homemicro/frontend/machine_snapshot.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <iterator>
#include <system_error>

#include "homemicro/frontend/host_file.h"
#include "homemicro/frontend/little_endian.h"

namespace homemicro {
namespace {

constexpr std::array<uint8_t, 8> kMagic{'B', 'K', 'S', 'T', 'A', 'T', 'E', 0x1A};
// magic, version (16 bits), reserved (16 bits), payload length, payload CRC-32
constexpr std::size_t kHeaderSize = 20;
// Far above any real snapshot (64 KB and a ROM path); a bigger file is not one of ours.
constexpr std::uintmax_t kMaxSnapshotFile = 1 << 20;

// Appends the payload's fields, little-endian.
class Writer {
 public:
  explicit Writer(std::vector<uint8_t>& out) : out_(out) {}
  void Bytes(std::span<const uint8_t> bytes) { out_.insert(out_.end(), bytes.begin(), bytes.end()); }
  void Unsigned(uint64_t value, int size) {
    for (int i = 0; i < size; ++i) out_.push_back(static_cast<uint8_t>(value >> (8 * i)));
  }
  template <typename T>
  void Field(const T& value) {
    Unsigned(static_cast<uint64_t>(value), sizeof(T));
  }
  void Flag(const bool& value) { out_.push_back(value ? 1 : 0); }
  void Flag(const uint8_t& value) { out_.push_back(value); }
  void Text(const std::string& text) {
    Unsigned(text.size(), 2);
    Bytes(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
  }

 private:
  std::vector<uint8_t>& out_;
};

// Takes the payload's fields back; any field that runs past the end, or a flag byte that is
// neither 0 nor 1, marks the payload bad.
class Reader {
 public:
  explicit Reader(std::span<const uint8_t> in) : in_(in) {}
  bool Ok() const { return ok_ && offset_ == in_.size(); }
  void Bytes(std::span<uint8_t> bytes) {
    if (!Take(bytes.size())) return;
    std::copy_n(in_.begin() + static_cast<std::ptrdiff_t>(offset_ - bytes.size()), bytes.size(),
                bytes.begin());
  }
  uint64_t Unsigned(int size) {
    if (!Take(static_cast<std::size_t>(size))) return 0;
    uint64_t value = 0;
    for (int i = 0; i < size; ++i) value |= static_cast<uint64_t>(in_[offset_ - size + i]) << (8 * i);
    return value;
  }
  template <typename T>
  void Field(T& value) {
    value = static_cast<T>(Unsigned(sizeof(T)));
  }
  template <typename T>
  void Flag(T& value) {
    const uint64_t byte = Unsigned(1);
    if (byte > 1) ok_ = false;
    value = static_cast<T>(byte);
  }
  void Text(std::string& text) {
    const std::size_t length = Unsigned(2);
    if (!Take(length)) return;
    text.assign(in_.begin() + static_cast<std::ptrdiff_t>(offset_ - length),
                in_.begin() + static_cast<std::ptrdiff_t>(offset_));
    if (text.find('\0') != std::string::npos) ok_ = false;
  }

 private:
  bool Take(std::size_t size) {
    if (!ok_ || in_.size() - offset_ < size) return ok_ = false;
    offset_ += size;
    return true;
  }
  std::span<const uint8_t> in_;
  std::size_t offset_ = 0;
  bool ok_ = true;
};

// The one list of the payload's fields, in file order, for writing and reading alike.
template <typename IO, typename Snapshot>
void VisitFields(IO& io, Snapshot& s) {
  auto& m = s.Machine;
  io.Bytes(m.Memory);
  for (auto& r : m.R) io.Field(r);
  io.Flag(m.FlagN);
  io.Flag(m.FlagZ);
  io.Flag(m.FlagV);
  io.Flag(m.FlagC);
  io.Field(m.Opcode);
  io.Flag(m.ByteMode);
  io.Flag(m.BusErrorRaised);
  io.Flag(m.TraceTrapPending);
  io.Flag(m.TraceArmed);
  io.Field(m.KeyStatus);
  io.Field(m.KeyIntMask);
  io.Field(m.KeyData);
  io.Field(m.TimerCounter);
  io.Field(m.TimerControl);
  io.Flag(m.TimerDiv4);
  io.Flag(m.TimerDiv16);
  io.Field(m.TimerPrescaleCount);
  io.Field(m.TimerCountdown);
  io.Field(s.StartAddress);
  io.Flag(s.RomWriteControl);
  io.Flag(s.KeyHeld);
  io.Flag(s.KeyPending);
  io.Field(s.SpeakerPortValue);
  io.Field(s.PendingKey.VirtualKey);
  io.Field(s.PendingKey.ShiftState);
  io.Text(s.RomFileName);
  io.Field(s.RomChecksum);
  io.Field(s.InstructionsExecuted);
  io.Field(s.ScreenUpdates);
}

}  // namespace

uint32_t Crc32(std::span<const uint8_t> bytes) {
  static const std::array<uint32_t, 256> kTable = [] {
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      table[n] = c;
    }
    return table;
  }();
  uint32_t crc = 0xFFFFFFFFu;
  for (uint8_t byte : bytes) crc = kTable[(crc ^ byte) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

uint32_t RomImageChecksum(const MachineState& machine) {
  return Crc32(std::span(machine.Memory).subspan(kRomStart, kRomImageSize));
}

std::vector<uint8_t> EncodeSnapshot(const MachineSnapshot& snapshot) {
  std::vector<uint8_t> bytes(kHeaderSize);
  Writer writer(bytes);
  VisitFields(writer, snapshot);
  std::copy(kMagic.begin(), kMagic.end(), bytes.begin());
  bytes[8] = static_cast<uint8_t>(kSnapshotVersion);
  bytes[9] = static_cast<uint8_t>(kSnapshotVersion >> 8);
  const std::span<const uint8_t> payload = std::span(bytes).subspan(kHeaderSize);
  PutLe32(bytes, 12, static_cast<uint32_t>(payload.size()));
  PutLe32(bytes, 16, Crc32(payload));
  return bytes;
}

SnapshotDecodeResult DecodeSnapshot(std::span<const uint8_t> bytes) {
  if (bytes.size() < kMagic.size() || !std::equal(kMagic.begin(), kMagic.end(), bytes.begin()))
    return {nullptr, std::string(kNotSnapshotMessage)};
  if (bytes.size() < kHeaderSize) return {nullptr, std::string(kSnapshotDamagedMessage)};
  const unsigned version = bytes[8] | bytes[9] << 8;
  if (version != kSnapshotVersion)
    return {nullptr, std::string(kSnapshotVersionMessage) + std::to_string(version)};
  const std::span<const uint8_t> payload = bytes.subspan(kHeaderSize);
  if (GetLe32(bytes, 12) != payload.size() || GetLe32(bytes, 16) != Crc32(payload))
    return {nullptr, std::string(kSnapshotDamagedMessage)};
  auto snapshot = std::make_unique<MachineSnapshot>();
  Reader reader(payload);
  VisitFields(reader, *snapshot);
  if (!reader.Ok()) return {nullptr, std::string(kSnapshotDamagedMessage)};
  return {std::move(snapshot), {}};
}

MachineSnapshot CaptureSnapshot(Machine& machine, const PendingPress& pending, const RunLoop& loop,
                                uint32_t romChecksum) {
  const FrontEndSettings& settings = machine.Settings();
  MachineSnapshot s;
  s.Machine = machine.State();
  s.StartAddress = settings.StartAddress;
  s.RomWriteControl = settings.RomWriteControl;
  s.KeyHeld = settings.KeyHeld;
  s.KeyPending = settings.KeyPending;
  s.SpeakerPortValue = settings.SpeakerPortValue;
  if (!pending.Empty()) s.PendingKey = pending.Front();
  s.RomFileName = settings.RomFileName;
  s.RomChecksum = romChecksum;
  s.InstructionsExecuted = loop.InstructionsExecuted();
  s.ScreenUpdates = loop.ScreenUpdates();
  return s;
}

void RestoreSnapshot(const MachineSnapshot& s, Machine& machine, PendingPress& pending, RunLoop& loop) {
  FrontEndSettings& settings = machine.Settings();
  machine.State() = s.Machine;
  settings.StartAddress = s.StartAddress;
  settings.RomWriteControl = s.RomWriteControl;
  settings.KeyHeld = s.KeyHeld;
  settings.KeyPending = s.KeyPending;
  settings.SpeakerPortValue = s.SpeakerPortValue;
  settings.RomFileName = s.RomFileName;
  pending.Clear();
  if (s.KeyPending) pending.Push(s.PendingKey, kKeySettleInstructions);
  loop.RestoreCounters(s.InstructionsExecuted, s.ScreenUpdates);
}

std::string WriteSnapshotFile(const std::filesystem::path& path, const MachineSnapshot& snapshot) {
  return WriteWholeFile(path, EncodeSnapshot(snapshot));
}

SnapshotDecodeResult ReadSnapshotFile(const std::filesystem::path& path) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error) return {nullptr, path.string() + ": " + error.message()};
  if (size > kMaxSnapshotFile) return {nullptr, std::string(kNotSnapshotMessage)};
  std::vector<uint8_t> bytes(static_cast<std::size_t>(size));
  const FileReadResult read = ReadFilePrefix(path, bytes);
  if (read.Status != FileReadStatus::Ok) return {nullptr, read.Error};
  return DecodeSnapshot(bytes);
}

}  // namespace homemicro
