// Snapshots of the whole machine (".bks"): all 64 KB of memory, the registers and flags, the
// keyboard and timer registers, the key latch, the speaker line, the settings the core reads
// while it runs, the ROM file's name and checksum and the run loop's counters. One versioned,
// checksummed file; a load either takes all of it or changes nothing.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "homemicro/core/machine.h"
#include "homemicro/frontend/key_translation.h"
#include "homemicro/frontend/run_loop.h"

namespace homemicro {

inline constexpr uint16_t kSnapshotVersion = 1;
inline constexpr std::string_view kSnapshotExtension = "bks";
inline constexpr std::string_view kSnapshotFilter = "Снимки машины БК (*.bks)|*.bks|Все файлы|*.*";
inline constexpr std::string_view kSnapshotSavedMessage = "Состояние машины сохранено";
inline constexpr std::string_view kSnapshotLoadedMessage = "Состояние машины загружено";
inline constexpr std::string_view kNotSnapshotMessage = "Это не файл состояния машины";
inline constexpr std::string_view kSnapshotDamagedMessage = "Файл состояния машины повреждён";
inline constexpr std::string_view kSnapshotVersionMessage = "Файл состояния машины другой версии: ";

struct MachineSnapshot {
  MachineState Machine;
  // Settings and latches the core reads while it runs.
  int32_t StartAddress = 100000;
  bool RomWriteControl = true;
  bool KeyHeld = false;
  bool KeyPending = false;
  uint16_t SpeakerPortValue = 0;
  QueuedKey PendingKey;  // the first typed key still waiting (the file keeps one)
  // The ROM image loaded by the last hard reset (its bytes are in Memory).
  std::string RomFileName;
  uint32_t RomChecksum = 0;
  // The run loop's counters.
  uint64_t InstructionsExecuted = 0;
  int32_t ScreenUpdates = 0;
};

// CRC-32 (the zip polynomial), also the ROM checksum.
uint32_t Crc32(std::span<const uint8_t> bytes);
// The checksum of the ROM image as a hard reset placed it at 0100000..0177777.
uint32_t RomImageChecksum(const MachineState& machine);

std::vector<uint8_t> EncodeSnapshot(const MachineSnapshot& snapshot);

struct SnapshotDecodeResult {
  std::unique_ptr<MachineSnapshot> Snapshot;  // set when the bytes were a complete snapshot
  std::string Error;                          // one of the messages above otherwise
};
SnapshotDecodeResult DecodeSnapshot(std::span<const uint8_t> bytes);

// The snapshot of a machine between instructions, and its way back. Restoring sets the run
// loop's counters too; the caller restarts its sound at InstructionsExecuted.
MachineSnapshot CaptureSnapshot(Machine& machine, const PendingPress& pending, const RunLoop& loop,
                                uint32_t romChecksum);
void RestoreSnapshot(const MachineSnapshot& snapshot, Machine& machine, PendingPress& pending, RunLoop& loop);

// Returns the error text, or an empty string on success.
std::string WriteSnapshotFile(const std::filesystem::path& path, const MachineSnapshot& snapshot);
SnapshotDecodeResult ReadSnapshotFile(const std::filesystem::path& path);

}  // namespace homemicro
