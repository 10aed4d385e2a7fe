// The three panes of the tracer, built from the machine state. Memory is read through the
// core's ReadWord and ReadByte, with their register-page side effects, as the processor would.
#include <QLabel>

#include "disassembler.h"
#include "main_fm.h"
#include "tracer_fm.h"

using namespace homemicro;
using debugger::OctStr6;

namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

const char* const kRegisterNames[] = {"R0", "R1", "R2", "R3", "R4", "R5", "SP", "PC"};

}  // namespace

QString TfmTracer::RegisterText() {
  Machine& machine = main_.Session().GetMachine();
  QStringList lines;
  for (int n = 0; n < 8; ++n)
    lines << QString("%1: %2").arg(kRegisterNames[n], Q(OctStr6(machine.ReadWord(RegisterAddress(n)))));
  const MachineState& s = machine.State();
  QString status = s.TraceTrapPending ? "T " : "- ";
  status += s.FlagN ? 'N' : '-';
  status += s.FlagZ ? 'Z' : '-';
  status += s.FlagV ? 'V' : '-';
  status += s.FlagC ? 'C' : '-';
  lines << "PS: " + status;
  return lines.join('\n');
}

QString TfmTracer::DumpText() {
  Machine& machine = main_.Session().GetMachine();
  QString text;
  for (int line = 0; line < 4; ++line) {
    const uint16_t start = static_cast<uint16_t>(DumpAddress + 16 * line);
    text += Q(OctStr6(start)) + ") ";
    for (int j = 0; j < 8; ++j)
      text += Q(OctStr6(machine.ReadWord(static_cast<uint16_t>(start + 2 * j)))) + " ";
    for (int j = 0; j < 16; ++j) {
      const uint8_t byte = machine.ReadByte(static_cast<uint16_t>(start + j));
      // Bytes 0177..0237 have no picture in the label's character set either.
      text += (byte < 32 || (byte >= 0177 && byte < 0240)) ? QChar('.')
                                                           : QChar::fromLatin1(static_cast<char>(byte));
    }
    text += '\n';
  }
  return text;
}

QString TfmTracer::ListingText() {
  Machine& machine = main_.Session().GetMachine();
  debugger::Disassembler disassembler([&machine](uint16_t address) { return machine.ReadWord(address); });
  const MachineState& s = machine.State();
  const debugger::ConditionCodes flags{s.FlagN != 0, s.FlagZ != 0, s.FlagV != 0, s.FlagC != 0};

  disassembler.DisasmAddress = LastPc;
  QString text = Q(OctStr6(LastPc)) + ")    " + Q(disassembler.Disassemble(flags)) + '\n';
  disassembler.DisasmAddress = machine.ReadWord(RegisterAddress(kPC));
  disassembler.ShowTaken = true;  // only the instruction at PC may carry the taken mark
  for (int line = 0; line < 8; ++line) {
    const uint16_t address = disassembler.DisasmAddress;
    const std::string instruction = disassembler.Disassemble(flags);
    text += Q(OctStr6(address)) + ") " + (line == 0 ? "-> " : "   ") + Q(instruction) + '\n';
    if (line == 0) {
      NextPc = disassembler.DisasmAddress;
      disassembler.ShowTaken = false;
    }
  }
  return text;
}

void TfmTracer::UpdateAll() {
  lbReg->setText(RegisterText());
  lbDump->setText(DumpText());
  lbAsm->setText(ListingText());
}
