// Every instruction of the opcode map, one handler each; byte and word forms share a template.
// Handlers run from a 65536-entry table indexed by the instruction word.
#include <array>

#include "addressing.h"
#include "alu.h"
#include "decode_table.h"
#include "homemicro/core/machine.h"

namespace homemicro {

using alu::kMask;
using alu::kSign;

struct InstructionSet {
  using Handler = void (*)(Machine&);

  static MachineState& S(Machine& m) { return m.state_; }
  static unsigned SourceField(const Machine& m) { return (m.state_.Opcode >> 6) & 077; }
  static unsigned DestinationField(const Machine& m) { return m.state_.Opcode & 077; }
  static unsigned RegisterField(const Machine& m) { return (m.state_.Opcode >> 6) & 7; }

  // --- double operand ---

  template <bool Byte>
  static void Mov(Machine& m) {
    S(m).ByteMode = Byte;
    const uint16_t src = ResolveOperand<Byte>(m, SourceField(m)).value;
    const Operand dst = ResolveOperand<Byte>(m, DestinationField(m));
    const bool stored = Byte ? StoreByteExtended(m, dst.address, src) : StoreResult<Byte>(m, dst.address, src);
    if (stored) alu::SetLogicalFlags<Byte>(S(m), src);
  }

  template <bool Byte>
  static void Cmp(Machine& m) {
    S(m).ByteMode = Byte;
    const uint16_t src = ResolveOperand<Byte>(m, SourceField(m)).value;
    const uint16_t dst = ResolveOperand<Byte>(m, DestinationField(m)).value;
    alu::SetSubtractFlags<Byte>(S(m), src, dst, static_cast<uint32_t>(src - dst));
  }

  template <bool Byte>
  static void Bit(Machine& m) {
    S(m).ByteMode = Byte;
    const uint16_t src = ResolveOperand<Byte>(m, SourceField(m)).value;
    const uint16_t dst = ResolveOperand<Byte>(m, DestinationField(m)).value;
    alu::SetLogicalFlags<Byte>(S(m), src & dst);
  }

  // BIC, BIS, XOR: a logical result stored into the destination.
  template <bool Byte, uint16_t (*Combine)(uint16_t src, uint16_t dst)>
  static void LogicalStore(Machine& m) {
    S(m).ByteMode = Byte;
    const uint16_t src = ResolveOperand<Byte>(m, SourceField(m)).value;
    const Operand dst = ResolveOperand<Byte>(m, DestinationField(m));
    const uint16_t result = Combine(src, dst.value);
    if (StoreResult<Byte>(m, dst.address, result)) alu::SetLogicalFlags<Byte>(S(m), result);
  }
  static uint16_t ClearBits(uint16_t src, uint16_t dst) { return static_cast<uint16_t>(dst & ~src); }
  static uint16_t SetBits(uint16_t src, uint16_t dst) { return static_cast<uint16_t>(dst | src); }

  static void Xor(Machine& m) {
    const uint16_t reg = S(m).R[RegisterField(m)];  // the register is the source: read first
    const Operand dst = ResolveOperand<false>(m, DestinationField(m));
    const auto result = static_cast<uint16_t>(reg ^ dst.value);
    if (StoreResult<false>(m, dst.address, result)) alu::SetLogicalFlags<false>(S(m), result);
  }

  static void Add(Machine& m) {
    const uint16_t src = ResolveOperand<false>(m, SourceField(m)).value;
    const Operand dst = ResolveOperand<false>(m, DestinationField(m));
    const uint32_t sum = static_cast<uint32_t>(src) + dst.value;
    if (StoreResult<false>(m, dst.address, static_cast<uint16_t>(sum))) alu::SetAddFlags(S(m), src, dst.value, sum);
  }

  static void Sub(Machine& m) {
    const uint16_t src = ResolveOperand<false>(m, SourceField(m)).value;
    const Operand dst = ResolveOperand<false>(m, DestinationField(m));
    const auto difference = static_cast<uint16_t>(dst.value - src);
    if (StoreResult<false>(m, dst.address, difference))
      alu::SetSubtractFlags<false>(S(m), dst.value, src, difference);
  }

  // --- single operand ---

  // A read-modify-write instruction: Compute returns the result and sets C and V; N and Z
  // follow the result. Nothing is set when the store took the bus-error trap.
  template <bool Byte, uint16_t (*Compute)(MachineState&, uint16_t, uint8_t& v, uint8_t& c)>
  static void SingleOperand(Machine& m) {
    S(m).ByteMode = Byte;
    const Operand dst = ResolveOperand<Byte>(m, DestinationField(m));
    uint8_t v = S(m).FlagV, c = S(m).FlagC;
    const uint16_t result = Compute(S(m), dst.value, v, c) & kMask<Byte>;
    if (!StoreResult<Byte>(m, dst.address, result)) return;
    alu::SetNZ<Byte>(S(m), result);
    S(m).FlagV = v;
    S(m).FlagC = c;
  }

  template <bool Byte>
  static uint16_t Clr(MachineState&, uint16_t, uint8_t& v, uint8_t& c) {
    v = 0, c = 0;
    return 0;
  }
  template <bool Byte>
  static uint16_t Com(MachineState&, uint16_t d, uint8_t& v, uint8_t& c) {
    v = 0, c = 1;
    return static_cast<uint16_t>(~d);
  }
  template <bool Byte>
  static uint16_t Inc(MachineState&, uint16_t d, uint8_t& v, uint8_t&) {
    const auto r = static_cast<uint16_t>((d + 1) & kMask<Byte>);
    v = r == kSign<Byte>;
    return r;
  }
  template <bool Byte>
  static uint16_t Dec(MachineState&, uint16_t d, uint8_t& v, uint8_t&) {
    v = d == kSign<Byte>;
    return static_cast<uint16_t>(d - 1);
  }
  template <bool Byte>
  static uint16_t Neg(MachineState&, uint16_t d, uint8_t& v, uint8_t& c) {
    const auto r = static_cast<uint16_t>((0 - d) & kMask<Byte>);
    v = d == kSign<Byte>;
    c = r != 0;
    return r;
  }
  template <bool Byte>
  static uint16_t Adc(MachineState& s, uint16_t d, uint8_t& v, uint8_t& c) {
    const uint8_t c0 = s.FlagC;
    v = c0 && d == kSign<Byte> - 1;
    c = c0 && d == kMask<Byte>;
    return static_cast<uint16_t>(d + c0);
  }
  template <bool Byte>
  static uint16_t Sbc(MachineState& s, uint16_t d, uint8_t& v, uint8_t& c) {
    const uint8_t c0 = s.FlagC;
    v = c0 && d == kSign<Byte>;
    c = c0 && d == 0;
    return static_cast<uint16_t>(d - c0);
  }
  template <bool Byte>
  static uint16_t Ror(MachineState& s, uint16_t d, uint8_t& v, uint8_t& c) {
    const auto r = static_cast<uint16_t>((d >> 1) | (s.FlagC ? kSign<Byte> : 0));
    c = d & 1;
    v = alu::SignOf<Byte>(r) ^ c;
    return r;
  }
  template <bool Byte>
  static uint16_t Rol(MachineState& s, uint16_t d, uint8_t& v, uint8_t& c) {
    const auto r = static_cast<uint16_t>(((d << 1) | s.FlagC) & kMask<Byte>);
    c = alu::SignOf<Byte>(d);
    v = alu::SignOf<Byte>(r) ^ c;
    return r;
  }
  template <bool Byte>
  static uint16_t Asr(MachineState&, uint16_t d, uint8_t& v, uint8_t& c) {
    const auto r = static_cast<uint16_t>((d >> 1) | (d & kSign<Byte>));
    c = d & 1;
    v = alu::SignOf<Byte>(r) ^ c;
    return r;
  }
  template <bool Byte>
  static uint16_t Asl(MachineState&, uint16_t d, uint8_t& v, uint8_t& c) {
    const auto r = static_cast<uint16_t>((d << 1) & kMask<Byte>);
    c = alu::SignOf<Byte>(d);
    v = alu::SignOf<Byte>(r) ^ c;
    return r;
  }

  template <bool Byte>
  static void Tst(Machine& m) {
    S(m).ByteMode = Byte;
    const uint16_t d = ResolveOperand<Byte>(m, DestinationField(m)).value;
    alu::SetLogicalFlags<Byte>(S(m), d);
    S(m).FlagC = 0;
  }

  static void Swab(Machine& m) {
    const Operand dst = ResolveOperand<false>(m, DestinationField(m));
    const auto r = static_cast<uint16_t>((dst.value >> 8) | (dst.value << 8));
    if (!StoreResult<false>(m, dst.address, r)) return;
    alu::SetNZ<true>(S(m), r);  // flags from the low byte
    S(m).FlagV = 0;
    S(m).FlagC = 0;
  }

  static void Sxt(Machine& m) {
    const Operand dst = ResolveOperand<false>(m, DestinationField(m));
    const uint16_t r = S(m).FlagN ? 0177777 : 0;
    if (!StoreResult<false>(m, dst.address, r)) return;
    S(m).FlagZ = S(m).FlagN ? 0 : 1;
    S(m).FlagV = 0;
  }

  static void Mtps(Machine& m) {
    S(m).ByteMode = 1;
    m.UnpackPsw(ResolveOperand<true>(m, DestinationField(m)).value);
  }

  static void Mfps(Machine& m) {
    S(m).ByteMode = 1;
    const Operand dst = ResolveOperand<true>(m, DestinationField(m));
    const auto r = static_cast<uint16_t>(m.PackPsw() & 0377);
    if (StoreByteExtended(m, dst.address, r)) alu::SetLogicalFlags<true>(S(m), r);
  }

  // --- branches ---

  template <bool (*Condition)(const MachineState&)>
  static void Branch(Machine& m) {
    if (Condition(S(m))) S(m).R[kPC] = static_cast<uint16_t>(S(m).R[kPC] + BranchDisplacement(S(m).Opcode));
  }
  static bool Always(const MachineState&) { return true; }
  static bool Ne(const MachineState& s) { return !s.FlagZ; }
  static bool Eq(const MachineState& s) { return s.FlagZ; }
  static bool Ge(const MachineState& s) { return (s.FlagN ^ s.FlagV) == 0; }
  static bool Lt(const MachineState& s) { return (s.FlagN ^ s.FlagV) != 0; }
  static bool Gt(const MachineState& s) { return !s.FlagZ && (s.FlagN ^ s.FlagV) == 0; }
  static bool Le(const MachineState& s) { return s.FlagZ || (s.FlagN ^ s.FlagV) != 0; }
  static bool Pl(const MachineState& s) { return !s.FlagN; }
  static bool Mi(const MachineState& s) { return s.FlagN; }
  static bool Hi(const MachineState& s) { return !s.FlagC && !s.FlagZ; }
  static bool Los(const MachineState& s) { return s.FlagC || s.FlagZ; }
  static bool Vc(const MachineState& s) { return !s.FlagV; }
  static bool Vs(const MachineState& s) { return s.FlagV; }
  static bool Cc(const MachineState& s) { return !s.FlagC; }
  static bool Cs(const MachineState& s) { return s.FlagC; }

  // --- jumps and subroutines ---

  // JMP and JSR with a register destination have no address to jump to; as on a PDP-11 they
  // are illegal and take the reserved-instruction trap (nothing else is changed).
  static void Jmp(Machine& m) {
    if ((DestinationField(m) & 070) == 0) return m.Trap(kReservedInstructionVector);
    S(m).R[kPC] = static_cast<uint16_t>(ResolveOperand<false>(m, DestinationField(m)).address);
  }

  static void Jsr(Machine& m) {
    if ((DestinationField(m) & 070) == 0) return m.Trap(kReservedInstructionVector);
    auto& R = S(m).R;
    const unsigned r = RegisterField(m);
    const auto target = static_cast<uint16_t>(ResolveOperand<false>(m, DestinationField(m)).address);
    m.WriteWord(static_cast<uint16_t>(R[kSP] - 2), R[r]);
    if (S(m).BusErrorRaised) return;  // the push was refused: the bus-error handler runs instead
    R[kSP] = static_cast<uint16_t>(R[kSP] - 2);
    R[r] = R[kPC];
    R[kPC] = target;
  }

  static void Rts(Machine& m) {
    auto& R = S(m).R;
    const unsigned r = S(m).Opcode & 7;
    R[kPC] = R[r];
    R[r] = m.ReadWord(R[kSP]);
    R[kSP] = static_cast<uint16_t>(R[kSP] + 2);
  }

  static void Mark(Machine& m) {
    auto& R = S(m).R;
    R[kSP] = static_cast<uint16_t>(R[kPC] + 2 * (S(m).Opcode & 077));
    R[kPC] = R[5];
    R[5] = m.ReadWord(R[kSP]);
    R[kSP] = static_cast<uint16_t>(R[kSP] + 2);
  }

  static void Sob(Machine& m) {
    auto& R = S(m).R;
    const unsigned r = RegisterField(m);
    R[r] = static_cast<uint16_t>(R[r] - 1);
    if (R[r] != 0) R[kPC] = static_cast<uint16_t>(R[kPC] - 2 * (S(m).Opcode & 077));
  }

  // --- condition code operators: bit 4 selects set or clear, bits 3..0 select N Z V C ---

  static void ConditionCodes(Machine& m) {
    const uint16_t op = S(m).Opcode;
    const uint8_t value = (op & 020) ? 1 : 0;
    if (op & 010) S(m).FlagN = value;
    if (op & 004) S(m).FlagZ = value;
    if (op & 002) S(m).FlagV = value;
    if (op & 001) S(m).FlagC = value;
  }

  // --- trap class and machine control ---

  static void Halt(Machine& m) { m.BusError(); }
  static void Nothing(Machine&) {}
  static void Rti(Machine& m) { m.ReturnFromTrap(); }
  static void Rtt(Machine& m) {
    m.ReturnFromTrap();
    S(m).TraceArmed = 1;
  }
  static void Reset(Machine& m) { m.KeyboardReset(); }
  template <uint16_t Vector>
  static void TrapTo(Machine& m) { m.Trap(Vector); }
  static void Emt(Machine& m) {
    if (S(m).Opcode == 0104036) return m.ServeTapeCall();
    m.Trap(kEmtVector);
  }

  static Handler HandlerOf(Operation op);
  static std::array<Handler, 0200000> BuildTable();
};

InstructionSet::Handler InstructionSet::HandlerOf(Operation op) {
  using enum Operation;
  switch (op) {
    case Reserved: return TrapTo<kReservedInstructionVector>;
    case HALT: return Halt;
    case WAIT: case NOP: return Nothing;
    case RTI: return Rti;
    case BPT: return TrapTo<kBreakpointVector>;
    case IOT: return TrapTo<kIotVector>;
    case RESET: return Reset;
    case RTT: return Rtt;
    case JMP: return Jmp;
    case RTS: return Rts;
    case ClearCondition: case SetCondition: return ConditionCodes;
    case SWAB: return Swab;
    case BR: return Branch<Always>;
    case BNE: return Branch<Ne>;
    case BEQ: return Branch<Eq>;
    case BGE: return Branch<Ge>;
    case BLT: return Branch<Lt>;
    case BGT: return Branch<Gt>;
    case BLE: return Branch<Le>;
    case JSR: return Jsr;
    case CLR: return SingleOperand<false, Clr<false>>;
    case COM: return SingleOperand<false, Com<false>>;
    case INC: return SingleOperand<false, Inc<false>>;
    case DEC: return SingleOperand<false, Dec<false>>;
    case NEG: return SingleOperand<false, Neg<false>>;
    case ADC: return SingleOperand<false, Adc<false>>;
    case SBC: return SingleOperand<false, Sbc<false>>;
    case TST: return Tst<false>;
    case ROR: return SingleOperand<false, Ror<false>>;
    case ROL: return SingleOperand<false, Rol<false>>;
    case ASR: return SingleOperand<false, Asr<false>>;
    case ASL: return SingleOperand<false, Asl<false>>;
    case MARK: return Mark;
    case SXT: return Sxt;
    case MOV: return Mov<false>;
    case CMP: return Cmp<false>;
    case BIT: return Bit<false>;
    case BIC: return LogicalStore<false, ClearBits>;
    case BIS: return LogicalStore<false, SetBits>;
    case ADD: return Add;
    case XOR: return Xor;
    case SOB: return Sob;
    case BPL: return Branch<Pl>;
    case BMI: return Branch<Mi>;
    case BHI: return Branch<Hi>;
    case BLOS: return Branch<Los>;
    case BVC: return Branch<Vc>;
    case BVS: return Branch<Vs>;
    case BCC: return Branch<Cc>;
    case BCS: return Branch<Cs>;
    case EMT: return Emt;
    case TRAP: return TrapTo<kTrapVector>;
    case CLRB: return SingleOperand<true, Clr<true>>;
    case COMB: return SingleOperand<true, Com<true>>;
    case INCB: return SingleOperand<true, Inc<true>>;
    case DECB: return SingleOperand<true, Dec<true>>;
    case NEGB: return SingleOperand<true, Neg<true>>;
    case ADCB: return SingleOperand<true, Adc<true>>;
    case SBCB: return SingleOperand<true, Sbc<true>>;
    case TSTB: return Tst<true>;
    case RORB: return SingleOperand<true, Ror<true>>;
    case ROLB: return SingleOperand<true, Rol<true>>;
    case ASRB: return SingleOperand<true, Asr<true>>;
    case ASLB: return SingleOperand<true, Asl<true>>;
    case MTPS: return Mtps;
    case MFPS: return Mfps;
    case MOVB: return Mov<true>;
    case CMPB: return Cmp<true>;
    case BITB: return Bit<true>;
    case BICB: return LogicalStore<true, ClearBits>;
    case BISB: return LogicalStore<true, SetBits>;
    case SUB: return Sub;
  }
  return TrapTo<kReservedInstructionVector>;
}

std::array<InstructionSet::Handler, 0200000> InstructionSet::BuildTable() {
  std::array<Handler, 0200000> table{};
  const auto& operations = OperationTable();
  for (uint32_t word = 0; word < 0200000; ++word) table[word] = HandlerOf(operations[word]);
  return table;
}

namespace {
const std::array<InstructionSet::Handler, 0200000> kHandlers = InstructionSet::BuildTable();
}

void Machine::ExecuteInstruction() {
  state_.ByteMode = 0;
  state_.BusErrorRaised = 0;
  const uint16_t pc = state_.R[kPC];
  state_.Opcode = ReadWord(pc);  // an odd PC fetches the word below it
  state_.R[kPC] = static_cast<uint16_t>(pc + 2);
  kHandlers[state_.Opcode](*this);
}

}  // namespace homemicro
