// The bus beyond plain RAM: the ROM write trap, the register page and the register file.
#include "homemicro/core/machine.h"
#include "homemicro/core/oct.h"

namespace homemicro {

Machine::Machine(FrontEndSettings& settings, HostServices& host, HostFiles& files)
    : state_{}, settings_(settings), host_(host), files_(files) {}

uint16_t Machine::SystemRegisterValue() const {
  const uint16_t keyBit = settings_.KeyHeld ? 0 : 0100;
  const auto start = static_cast<uint16_t>(Oct(settings_.StartAddress));
  return static_cast<uint16_t>((start & 0177400) | keyBit);
}

uint16_t Machine::PeekWord(ExtendedAddress address) const {
  if (address >= kRegisterBase) return state_.R[((address - kRegisterBase) >> 1) & 7];
  const uint32_t even = address & ~1u;
  switch (even) {
    case kKeyStatusRegister:
      return state_.KeyStatus;
    case kKeyDataRegister:
      return state_.KeyData;
    case kTimerCounterRegister:
      return state_.TimerCounter;
    case kTimerControlRegister:
      return state_.TimerControl;
    case kParallelPortRegister:
      return 0;
    case kSystemRegister:
      return SystemRegisterValue();
    default:
      return MemoryWord(even);
  }
}

uint8_t Machine::PeekByte(ExtendedAddress address) const {
  if (address >= kRegisterBase) {
    const uint16_t r = state_.R[((address - kRegisterBase) >> 1) & 7];
    return static_cast<uint8_t>((address & 1) ? r >> 8 : r);
  }
  switch (address) {
    case kKeyStatusRegister:
    case kKeyDataRegister:
    case kTimerCounterRegister:
    case kTimerControlRegister:
    case kParallelPortRegister:
      return static_cast<uint8_t>(PeekWord(address));
    case kSystemRegister:
      return settings_.KeyHeld ? 0 : 0100;
    default:
      return state_.Memory[address & 0177777];
  }
}

uint16_t Machine::ReadWordSlow(ExtendedAddress address) {
  const uint32_t even = address & ~1u;
  if (even == kTimerCounterRegister) CatchUpTimer();
  // Only the keyboard data register has a read side effect.
  if (even == kKeyDataRegister) state_.KeyStatus &= static_cast<uint16_t>(~0200);
  return PeekWord(address);
}

uint8_t Machine::ReadByteSlow(ExtendedAddress address) {
  if (address == kTimerCounterRegister) CatchUpTimer();
  if (address == kKeyDataRegister) state_.KeyStatus &= static_cast<uint16_t>(~0200);
  return PeekByte(address);
}

void Machine::WriteSystemRegister(uint16_t value) {
  settings_.SpeakerPortValue =
      static_cast<uint16_t>((settings_.SpeakerPortValue & ~2u) | ((value >> 5) & 2u));
  if (settings_.SoundOn) speaker_.Record(instructionCount_, settings_.SpeakerPortValue);
}

void Machine::WriteWordSlow(ExtendedAddress address, uint16_t value) {
  if (address >= kRegisterBase) {
    state_.R[((address - kRegisterBase) >> 1) & 7] = value;
    return;
  }
  if (IsRomArea(address)) {
    if (settings_.RomWriteControl) {
      BusError();
      return;
    }
    StoreMemoryWord(address & ~1u, value);
    return;
  }
  const uint32_t even = address & ~1u;
  // The timer's steps so far ran with the old period and reload value.
  if (even == kTimerReloadRegister || even == kTimerControlRegister) CatchUpTimer();
  switch (even) {
    case kKeyStatusRegister:
      state_.KeyIntMask = value & 0100;
      break;
    case kKeyDataRegister:
    case kTimerCounterRegister:
    case kParallelPortRegister:
      break;
    case kScrollRegister:
      StoreMemoryWord(even, value & 01377);
      break;
    case kTimerControlRegister:
      state_.TimerControl = value & 0377;
      state_.TimerDiv16 = (value & 040) ? 1 : 0;
      state_.TimerDiv4 = (value & 0100) ? 1 : 0;
      break;
    case kSystemRegister:
      WriteSystemRegister(value);
      break;
    default:
      StoreMemoryWord(even, value);
      break;
  }
}

void Machine::WriteByteSlow(ExtendedAddress address, uint8_t value) {
  if (address >= kRegisterBase) {
    uint16_t& r = state_.R[((address - kRegisterBase) >> 1) & 7];
    r = (address & 1) ? static_cast<uint16_t>((r & 0377) | (value << 8))
                      : static_cast<uint16_t>((r & 0177400) | value);
    return;
  }
  if (IsRomArea(address) && settings_.RomWriteControl) {
    BusError();
    return;
  }
  if ((address & ~1u) == kTimerReloadRegister) CatchUpTimer();
  state_.Memory[address] = value;  // byte writes are never decoded
}

void Machine::PokeWord(ExtendedAddress address, uint16_t value) {
  if (address >= kRegisterBase) {
    state_.R[((address - kRegisterBase) >> 1) & 7] = value;
    return;
  }
  StoreMemoryWord(address & ~1u & 0177777, value);
}

uint16_t Machine::PackPsw() const {
  return static_cast<uint16_t>(state_.FlagC | (state_.FlagV << 1) | (state_.FlagZ << 2) |
                               (state_.FlagN << 3) | ((state_.TraceTrapPending ? 1 : 0) << 4));
}

void Machine::UnpackPsw(uint16_t word) {
  state_.FlagC = word & 1;
  state_.FlagV = (word >> 1) & 1;
  state_.FlagZ = (word >> 2) & 1;
  state_.FlagN = (word >> 3) & 1;
}

}  // namespace homemicro
