// The tracer's three panes, built from the machine state. Memory is read through the core's
// ReadWord and ReadByte, with their register-page side effects, as the processor would.
#include "disassembler.h"
#include "homemicro/frontend/tracer_session.h"
#include "octal.h"

namespace homemicro {

using debugger::OctStr6;

namespace {

const char* const kRegisterNames[] = {"R0", "R1", "R2", "R3", "R4", "R5", "SP", "PC"};

// A dump byte as the pane shows it: its Latin-1 character (in UTF-8), "." for the bytes that
// have no picture (below 32, and 0177..0237).
void AppendDumpCharacter(std::string& text, uint8_t byte) {
  if (byte < 32 || (byte >= 0177 && byte < 0240)) {
    text += '.';
  } else if (byte < 0200) {
    text += static_cast<char>(byte);
  } else {
    text += static_cast<char>(0300 | (byte >> 6));
    text += static_cast<char>(0200 | (byte & 077));
  }
}

}  // namespace

void TracerSession::UpdateAll() {
  panes_.Registers = RegisterText();
  panes_.Dump = DumpText();
  panes_.Listing = ListingText();
}

std::string TracerSession::RegisterText() {
  std::string text;
  for (int n = 0; n < 8; ++n)
    text += std::string(kRegisterNames[n]) + ": " + OctStr6(machine_.ReadWord(RegisterAddress(n))) + "\n";
  const MachineState& s = machine_.State();
  text += "PS: ";
  text += s.TraceTrapPending ? "T " : "- ";
  text += s.FlagN ? 'N' : '-';
  text += s.FlagZ ? 'Z' : '-';
  text += s.FlagV ? 'V' : '-';
  text += s.FlagC ? 'C' : '-';
  return text;
}

std::string TracerSession::DumpText() {
  std::string text;
  for (int line = 0; line < 4; ++line) {
    const auto start = static_cast<uint16_t>(DumpAddress + 16 * line);
    text += OctStr6(start) + ") ";
    for (int j = 0; j < 8; ++j)
      text += OctStr6(machine_.ReadWord(static_cast<uint16_t>(start + 2 * j))) + " ";
    for (int j = 0; j < 16; ++j)
      AppendDumpCharacter(text, machine_.ReadByte(static_cast<uint16_t>(start + j)));
    text += '\n';
  }
  return text;
}

std::string TracerSession::ListingText() {
  debugger::Disassembler disassembler([this](uint16_t address) { return machine_.ReadWord(address); });
  const MachineState& s = machine_.State();
  const debugger::ConditionCodes flags{s.FlagN != 0, s.FlagZ != 0, s.FlagV != 0, s.FlagC != 0};

  disassembler.DisasmAddress = LastPc;
  std::string text = OctStr6(LastPc) + ")    " + disassembler.Disassemble(flags) + '\n';
  disassembler.DisasmAddress = machine_.ReadWord(RegisterAddress(kPC));
  disassembler.ShowTaken = true;  // only the instruction at PC may carry the taken mark
  for (int line = 0; line < 8; ++line) {
    const uint16_t address = disassembler.DisasmAddress;
    const std::string instruction = disassembler.Disassemble(flags);
    text += OctStr6(address) + ") " + (line == 0 ? "-> " : "   ") + instruction + '\n';
    if (line == 0) {
      NextPc = disassembler.DisasmAddress;
      disassembler.ShowTaken = false;
    }
  }
  return text;
}

}  // namespace homemicro
