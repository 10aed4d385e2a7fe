// Every instruction of the opcode map. Operand instructions are templates on the operand size
// and on the addressing modes; the 65536-entry handler table holds the instantiation that each
// instruction word needs, so executing an instruction is one fetch and one indexed call.
#include <algorithm>
#include <array>
#include <utility>

#include "addressing.h"
#include "alu.h"
#include "decode_table.h"
#include "homemicro/core/machine.h"

// Everything a chained handler calls in this file is compiled into it: the instruction's
// formulas and the fetch of the next instruction.
#if defined(__GNUC__)
#define HOMEMICRO_FLATTEN __attribute__((flatten))
#else
#define HOMEMICRO_FLATTEN
#endif

namespace homemicro {

using alu::kMask;
using alu::kSign;

namespace {

enum class StoreKind { None, Plain, SignExtend };

// --- double-operand instructions: Result from (source, destination), then the flags ---

template <bool B>
struct MovOp {
  static constexpr bool kByte = B;
  static constexpr StoreKind kStore = B ? StoreKind::SignExtend : StoreKind::Plain;  // MOVB R: sign-extends
  static uint32_t Result(uint16_t s, uint16_t) { return s; }
  static void SetFlags(MachineState& st, uint16_t, uint16_t, uint32_t r) { alu::SetLogicalFlags<B>(st, r); }
};
template <bool B>
struct CmpOp {
  static constexpr bool kByte = B;
  static constexpr StoreKind kStore = StoreKind::None;
  static uint32_t Result(uint16_t s, uint16_t d) { return static_cast<uint32_t>(s - d); }
  static void SetFlags(MachineState& st, uint16_t s, uint16_t d, uint32_t r) {
    alu::SetSubtractFlags<B>(st, s, d, r);
  }
};
template <bool B>
struct BitOp {
  static constexpr bool kByte = B;
  static constexpr StoreKind kStore = StoreKind::None;
  static uint32_t Result(uint16_t s, uint16_t d) { return s & d; }
  static void SetFlags(MachineState& st, uint16_t, uint16_t, uint32_t r) { alu::SetLogicalFlags<B>(st, r); }
};
template <bool B>
struct BicOp {
  static constexpr bool kByte = B;
  static constexpr StoreKind kStore = StoreKind::Plain;
  static uint32_t Result(uint16_t s, uint16_t d) { return d & ~s & 0177777u; }
  static void SetFlags(MachineState& st, uint16_t, uint16_t, uint32_t r) { alu::SetLogicalFlags<B>(st, r); }
};
template <bool B>
struct BisOp {
  static constexpr bool kByte = B;
  static constexpr StoreKind kStore = StoreKind::Plain;
  static uint32_t Result(uint16_t s, uint16_t d) { return d | s; }
  static void SetFlags(MachineState& st, uint16_t, uint16_t, uint32_t r) { alu::SetLogicalFlags<B>(st, r); }
};
struct AddOp {
  static constexpr bool kByte = false;
  static constexpr StoreKind kStore = StoreKind::Plain;
  static uint32_t Result(uint16_t s, uint16_t d) { return static_cast<uint32_t>(s) + d; }
  static void SetFlags(MachineState& st, uint16_t s, uint16_t d, uint32_t r) {
    alu::SetAddFlags(st, s, d, r);
  }
};
struct SubOp {
  static constexpr bool kByte = false;
  static constexpr StoreKind kStore = StoreKind::Plain;
  static uint32_t Result(uint16_t s, uint16_t d) { return static_cast<uint16_t>(d - s); }
  static void SetFlags(MachineState& st, uint16_t s, uint16_t d, uint32_t r) {
    alu::SetSubtractFlags<false>(st, d, s, r);
  }
};

// Source resolved completely before the destination; the destination is always read; a refused
// store ends the instruction without condition codes.
template <class Op>
struct DoubleOperand {
  template <unsigned SrcMode, unsigned DstMode>
  static void Run(Machine& m, uint16_t opcode) {
    constexpr bool B = Op::kByte;
    MachineState& st = m.State();
    if constexpr (B) st.ByteMode = 1;
    const uint16_t src = ResolveOperand<B, SrcMode>(m, (opcode >> 6) & 7).value;
    const Operand dst = ResolveOperand<B, DstMode>(m, opcode & 7);
    const uint32_t result = Op::Result(src, dst.value);
    if constexpr (Op::kStore == StoreKind::Plain) {
      if (!StoreResult<B, DstMode>(m, dst.address, static_cast<uint16_t>(result))) return;
    } else if constexpr (Op::kStore == StoreKind::SignExtend) {
      if (!StoreByteExtended<DstMode>(m, dst.address, static_cast<uint16_t>(result))) return;
    }
    Op::SetFlags(st, src, dst.value, result);
  }
};

// --- single-operand instructions: Compute gives the result and the new V and C ---

template <bool B>
struct ClrOp {
  static constexpr bool kByte = B, kStores = true;
  static uint16_t Compute(const MachineState&, uint16_t, uint8_t& v, uint8_t& c) { return v = 0, c = 0, 0; }
};
template <bool B>
struct ComOp {
  static constexpr bool kByte = B, kStores = true;
  static uint16_t Compute(const MachineState&, uint16_t d, uint8_t& v, uint8_t& c) {
    v = 0, c = 1;
    return static_cast<uint16_t>(~d);
  }
};
template <bool B>
struct IncOp {
  static constexpr bool kByte = B, kStores = true;
  static uint16_t Compute(const MachineState&, uint16_t d, uint8_t& v, uint8_t&) {
    const auto r = static_cast<uint16_t>((d + 1) & kMask<B>);
    v = r == kSign<B>;
    return r;
  }
};
template <bool B>
struct DecOp {
  static constexpr bool kByte = B, kStores = true;
  static uint16_t Compute(const MachineState&, uint16_t d, uint8_t& v, uint8_t&) {
    v = d == kSign<B>;
    return static_cast<uint16_t>(d - 1);
  }
};
template <bool B>
struct NegOp {
  static constexpr bool kByte = B, kStores = true;
  static uint16_t Compute(const MachineState&, uint16_t d, uint8_t& v, uint8_t& c) {
    const auto r = static_cast<uint16_t>((0 - d) & kMask<B>);
    v = d == kSign<B>;
    c = r != 0;
    return r;
  }
};
template <bool B>
struct AdcOp {
  static constexpr bool kByte = B, kStores = true;
  static uint16_t Compute(const MachineState& st, uint16_t d, uint8_t& v, uint8_t& c) {
    const uint8_t c0 = st.FlagC;
    v = c0 && d == kSign<B> - 1;
    c = c0 && d == kMask<B>;
    return static_cast<uint16_t>(d + c0);
  }
};
template <bool B>
struct SbcOp {
  static constexpr bool kByte = B, kStores = true;
  static uint16_t Compute(const MachineState& st, uint16_t d, uint8_t& v, uint8_t& c) {
    const uint8_t c0 = st.FlagC;
    v = c0 && d == kSign<B>;
    c = c0 && d == 0;
    return static_cast<uint16_t>(d - c0);
  }
};
template <bool B>
struct TstOp {
  static constexpr bool kByte = B, kStores = false;
  static uint16_t Compute(const MachineState&, uint16_t d, uint8_t& v, uint8_t& c) { return v = 0, c = 0, d; }
};
// Shifts and rotates: C is the bit shifted out, V is N XOR C of the new codes.
template <bool B>
struct RorOp {
  static constexpr bool kByte = B, kStores = true;
  static uint16_t Compute(const MachineState& st, uint16_t d, uint8_t& v, uint8_t& c) {
    const auto r = static_cast<uint16_t>((d >> 1) | (st.FlagC ? kSign<B> : 0));
    c = d & 1;
    v = alu::SignOf<B>(r) ^ c;
    return r;
  }
};
template <bool B>
struct RolOp {
  static constexpr bool kByte = B, kStores = true;
  static uint16_t Compute(const MachineState& st, uint16_t d, uint8_t& v, uint8_t& c) {
    const auto r = static_cast<uint16_t>(((d << 1) | st.FlagC) & kMask<B>);
    c = alu::SignOf<B>(d);
    v = alu::SignOf<B>(r) ^ c;
    return r;
  }
};
template <bool B>
struct AsrOp {
  static constexpr bool kByte = B, kStores = true;
  static uint16_t Compute(const MachineState&, uint16_t d, uint8_t& v, uint8_t& c) {
    const auto r = static_cast<uint16_t>((d >> 1) | (d & kSign<B>));
    c = d & 1;
    v = alu::SignOf<B>(r) ^ c;
    return r;
  }
};
template <bool B>
struct AslOp {
  static constexpr bool kByte = B, kStores = true;
  static uint16_t Compute(const MachineState&, uint16_t d, uint8_t& v, uint8_t& c) {
    const auto r = static_cast<uint16_t>((d << 1) & kMask<B>);
    c = alu::SignOf<B>(d);
    v = alu::SignOf<B>(r) ^ c;
    return r;
  }
};

template <class Op>
struct SingleOperand {
  template <unsigned DstMode>
  static void Run(Machine& m, uint16_t opcode) {
    constexpr bool B = Op::kByte;
    MachineState& st = m.State();
    if constexpr (B) st.ByteMode = 1;
    const Operand dst = ResolveOperand<B, DstMode>(m, opcode & 7);
    uint8_t v = st.FlagV, c = st.FlagC;
    const auto result = static_cast<uint16_t>(Op::Compute(st, dst.value, v, c) & kMask<B>);
    if constexpr (Op::kStores) {
      if (!StoreResult<B, DstMode>(m, dst.address, result)) return;
    }
    alu::SetNZ<B>(st, result);
    st.FlagV = v;
    st.FlagC = c;
  }
};

struct Swab {
  template <unsigned DstMode>
  static void Run(Machine& m, uint16_t opcode) {
    MachineState& st = m.State();
    const Operand dst = ResolveOperand<false, DstMode>(m, opcode & 7);
    const auto r = static_cast<uint16_t>((dst.value >> 8) | (dst.value << 8));
    if (!StoreResult<false, DstMode>(m, dst.address, r)) return;
    alu::SetNZ<true>(st, r);  // N and Z from the low byte
    st.FlagV = 0;
    st.FlagC = 0;
  }
};

struct Sxt {
  template <unsigned DstMode>
  static void Run(Machine& m, uint16_t opcode) {
    MachineState& st = m.State();
    const Operand dst = ResolveOperand<false, DstMode>(m, opcode & 7);
    if (!StoreResult<false, DstMode>(m, dst.address, st.FlagN ? 0177777 : 0)) return;
    st.FlagZ = st.FlagN ? 0 : 1;
    st.FlagV = 0;
  }
};

struct Xor {
  template <unsigned DstMode>
  static void Run(Machine& m, uint16_t opcode) {
    MachineState& st = m.State();
    const uint16_t reg = st.R[(opcode >> 6) & 7];  // the register is the source: read first
    const Operand dst = ResolveOperand<false, DstMode>(m, opcode & 7);
    const auto r = static_cast<uint16_t>(reg ^ dst.value);
    if (StoreResult<false, DstMode>(m, dst.address, r)) alu::SetLogicalFlags<false>(st, r);
  }
};

struct Mtps {
  template <unsigned SrcMode>
  static void Run(Machine& m, uint16_t opcode) {
    m.State().ByteMode = 1;
    m.UnpackPsw(ResolveOperand<true, SrcMode>(m, opcode & 7).value);
  }
};

struct Mfps {
  template <unsigned DstMode>
  static void Run(Machine& m, uint16_t opcode) {
    MachineState& st = m.State();
    st.ByteMode = 1;
    const Operand dst = ResolveOperand<true, DstMode>(m, opcode & 7);
    const auto r = static_cast<uint16_t>(m.PackPsw() & 0377);
    if (StoreByteExtended<DstMode>(m, dst.address, r)) alu::SetLogicalFlags<true>(st, r);
  }
};

// JMP and JSR with a register destination have no address to jump to; as on a PDP-11 they
// are illegal and take the reserved-instruction trap (nothing else is changed).
struct Jmp {
  template <unsigned DstMode>
  static void Run(Machine& m, uint16_t opcode) {
    if constexpr (DstMode == 0) {
      m.Trap(kReservedInstructionVector);
    } else {
      MachineState& st = m.State();
      st.R[kPC] = static_cast<uint16_t>(ResolveOperand<false, DstMode>(m, opcode & 7).address);
    }
  }
};

struct Jsr {
  template <unsigned DstMode>
  static void Run(Machine& m, uint16_t opcode) {
    if constexpr (DstMode == 0) {
      m.Trap(kReservedInstructionVector);
    } else {
      MachineState& st = m.State();
      auto& R = st.R;
      const unsigned r = (opcode >> 6) & 7;
      const auto target = static_cast<uint16_t>(ResolveOperand<false, DstMode>(m, opcode & 7).address);
      m.WriteWord(static_cast<uint16_t>(R[kSP] - 2), R[r]);  // Rr after the destination's side effects
      if (st.BusErrorRaised) return;  // the push was refused: the bus-error handler runs instead
      R[kSP] = static_cast<uint16_t>(R[kSP] - 2);
      R[r] = R[kPC];
      R[kPC] = target;
    }
  }
};

// --- instructions without operand modes ---

// The condition is the shared one of decode.h; with the operation a constant it folds away.
template <Operation Op>
void Branch(Machine& m, uint16_t opcode) {
  MachineState& st = m.State();
  if (BranchConditionHolds(Op, st.FlagN, st.FlagZ, st.FlagV, st.FlagC))
    st.R[kPC] = static_cast<uint16_t>(st.R[kPC] + BranchDisplacement(opcode));
}

void Rts(Machine& m, uint16_t opcode) {
  auto& R = m.State().R;
  const unsigned r = opcode & 7;
  R[kPC] = R[r];
  R[r] = m.ReadWord(R[kSP]);
  R[kSP] = static_cast<uint16_t>(R[kSP] + 2);
}

void Mark(Machine& m, uint16_t opcode) {
  auto& R = m.State().R;
  R[kSP] = static_cast<uint16_t>(R[kPC] + 2 * (opcode & 077));
  R[kPC] = R[5];
  R[5] = m.ReadWord(R[kSP]);
  R[kSP] = static_cast<uint16_t>(R[kSP] + 2);
}

void Sob(Machine& m, uint16_t opcode) {
  MachineState& st = m.State();
  uint16_t& r = st.R[(opcode >> 6) & 7];
  r = static_cast<uint16_t>(r - 1);
  if (r != 0) st.R[kPC] = static_cast<uint16_t>(st.R[kPC] - 2 * (opcode & 077));
}

// Condition code operators: bit 4 selects set or clear, bits 3..0 select N, Z, V, C.
void ConditionCodes(Machine& m, uint16_t op) {
  MachineState& st = m.State();
  const uint8_t value = (op & 020) ? 1 : 0;
  if (op & 010) st.FlagN = value;
  if (op & 004) st.FlagZ = value;
  if (op & 002) st.FlagV = value;
  if (op & 001) st.FlagC = value;
}

void Halt(Machine& m, uint16_t) {
  m.BusError();
}
void Nothing(Machine&, uint16_t) {}
void Rti(Machine& m, uint16_t) {
  m.ReturnFromTrap();
}
void Rtt(Machine& m, uint16_t) {
  m.ReturnFromTrap();
  m.State().TraceArmed = 1;
}
void Reset(Machine& m, uint16_t) {
  m.KeyboardReset();
}
template <uint16_t Vector>
void TrapTo(Machine& m, uint16_t) {
  m.Trap(Vector);
}

}  // namespace

struct InstructionSet {
  using Handler = void (*)(Machine&, uint16_t opcode);

  static void Emt(Machine& m, uint16_t opcode) {
    if (opcode == 0104036) {
      m.ReturnFromRun();  // the host may have changed what the run loop must look at
      m.CatchUpTimer();   // and the call may load over the timer's registers
      return m.ServeTapeCall();
    }
    m.Trap(kEmtVector);
  }

  // Instructions of a run are chained: each handler, once its instruction is done, fetches the
  // next one and jumps to its handler itself. Every handler so has a dispatch jump of its own,
  // which the host processor predicts far better than one shared call. A chain ends at
  // chainStop_ (at most kChainLength long, so a compiler that keeps the calls as calls still
  // keeps the stack short); Step and ExecuteInstruction use the plain handlers.
  static constexpr uint64_t kChainLength = 256;
  template <Handler H>
  HOMEMICRO_FLATTEN static void Chained(Machine& m, uint16_t opcode) {
    H(m, opcode);
    if (m.state_.TraceTrapPending | m.state_.TraceArmed) m.FinishTraceStep();
    if (++m.instructionCount_ >= m.chainStop_) return;
    const uint16_t next = m.FetchInstruction();
    return chained[next](m, next);
  }
  template <bool Chain, Handler H>
  static constexpr Handler Make() {
    if constexpr (Chain) {
      return &Chained<H>;
    } else {
      return H;
    }
  }

  template <bool Chain, class H, unsigned... Mode>
  static Handler OneMode(unsigned mode, std::integer_sequence<unsigned, Mode...>) {
    static constexpr Handler kTable[] = {Make<Chain, &H::template Run<Mode>>()...};
    return kTable[mode];
  }
  template <bool Chain, class H, unsigned... Index>
  static Handler TwoModes(unsigned index, std::integer_sequence<unsigned, Index...>) {
    static constexpr Handler kTable[] = {Make<Chain, &H::template Run<Index / 8, Index % 8>>()...};
    return kTable[index];
  }
  // The instantiation for the destination mode in bits 5..3 (and the source mode in 11..9).
  template <bool Chain, class H>
  static Handler Single(uint16_t word) {
    return OneMode<Chain, H>((word >> 3) & 7, std::make_integer_sequence<unsigned, 8>{});
  }
  template <bool Chain, class H>
  static Handler Double(uint16_t word) {
    return TwoModes<Chain, H>(((word >> 9) & 7) * 8 + ((word >> 3) & 7),
                              std::make_integer_sequence<unsigned, 64>{});
  }

  template <bool Chain>
  static Handler HandlerOf(Operation op, uint16_t w);
  template <bool Chain>
  static std::array<Handler, 0200000> BuildTable();

  static const std::array<Handler, 0200000> plain;
  static const std::array<Handler, 0200000> chained;
};

template <bool Chain>
InstructionSet::Handler InstructionSet::HandlerOf(Operation op, uint16_t w) {
  using enum Operation;
  switch (op) {
    case Reserved:
      return Make<Chain, TrapTo<kReservedInstructionVector>>();
    case HALT:
      return Make<Chain, Halt>();
    case WAIT:
    case NOP:
      return Make<Chain, Nothing>();
    case RTI:
      return Make<Chain, Rti>();
    case BPT:
      return Make<Chain, TrapTo<kBreakpointVector>>();
    case IOT:
      return Make<Chain, TrapTo<kIotVector>>();
    case RESET:
      return Make<Chain, Reset>();
    case RTT:
      return Make<Chain, Rtt>();
    case JMP:
      return Single<Chain, Jmp>(w);
    case RTS:
      return Make<Chain, Rts>();
    case ClearCondition:
    case SetCondition:
      return Make<Chain, ConditionCodes>();
    case SWAB:
      return Single<Chain, Swab>(w);
    case BR:
      return Make<Chain, Branch<BR>>();
    case BNE:
      return Make<Chain, Branch<BNE>>();
    case BEQ:
      return Make<Chain, Branch<BEQ>>();
    case BGE:
      return Make<Chain, Branch<BGE>>();
    case BLT:
      return Make<Chain, Branch<BLT>>();
    case BGT:
      return Make<Chain, Branch<BGT>>();
    case BLE:
      return Make<Chain, Branch<BLE>>();
    case JSR:
      return Single<Chain, Jsr>(w);
    case CLR:
      return Single<Chain, SingleOperand<ClrOp<false>>>(w);
    case COM:
      return Single<Chain, SingleOperand<ComOp<false>>>(w);
    case INC:
      return Single<Chain, SingleOperand<IncOp<false>>>(w);
    case DEC:
      return Single<Chain, SingleOperand<DecOp<false>>>(w);
    case NEG:
      return Single<Chain, SingleOperand<NegOp<false>>>(w);
    case ADC:
      return Single<Chain, SingleOperand<AdcOp<false>>>(w);
    case SBC:
      return Single<Chain, SingleOperand<SbcOp<false>>>(w);
    case TST:
      return Single<Chain, SingleOperand<TstOp<false>>>(w);
    case ROR:
      return Single<Chain, SingleOperand<RorOp<false>>>(w);
    case ROL:
      return Single<Chain, SingleOperand<RolOp<false>>>(w);
    case ASR:
      return Single<Chain, SingleOperand<AsrOp<false>>>(w);
    case ASL:
      return Single<Chain, SingleOperand<AslOp<false>>>(w);
    case MARK:
      return Make<Chain, Mark>();
    case SXT:
      return Single<Chain, Sxt>(w);
    case MOV:
      return Double<Chain, DoubleOperand<MovOp<false>>>(w);
    case CMP:
      return Double<Chain, DoubleOperand<CmpOp<false>>>(w);
    case BIT:
      return Double<Chain, DoubleOperand<BitOp<false>>>(w);
    case BIC:
      return Double<Chain, DoubleOperand<BicOp<false>>>(w);
    case BIS:
      return Double<Chain, DoubleOperand<BisOp<false>>>(w);
    case ADD:
      return Double<Chain, DoubleOperand<AddOp>>(w);
    case XOR:
      return Single<Chain, Xor>(w);
    case SOB:
      return Make<Chain, Sob>();
    case BPL:
      return Make<Chain, Branch<BPL>>();
    case BMI:
      return Make<Chain, Branch<BMI>>();
    case BHI:
      return Make<Chain, Branch<BHI>>();
    case BLOS:
      return Make<Chain, Branch<BLOS>>();
    case BVC:
      return Make<Chain, Branch<BVC>>();
    case BVS:
      return Make<Chain, Branch<BVS>>();
    case BCC:
      return Make<Chain, Branch<BCC>>();
    case BCS:
      return Make<Chain, Branch<BCS>>();
    case EMT:
      return Make<Chain, Emt>();
    case TRAP:
      return Make<Chain, TrapTo<kTrapVector>>();
    case CLRB:
      return Single<Chain, SingleOperand<ClrOp<true>>>(w);
    case COMB:
      return Single<Chain, SingleOperand<ComOp<true>>>(w);
    case INCB:
      return Single<Chain, SingleOperand<IncOp<true>>>(w);
    case DECB:
      return Single<Chain, SingleOperand<DecOp<true>>>(w);
    case NEGB:
      return Single<Chain, SingleOperand<NegOp<true>>>(w);
    case ADCB:
      return Single<Chain, SingleOperand<AdcOp<true>>>(w);
    case SBCB:
      return Single<Chain, SingleOperand<SbcOp<true>>>(w);
    case TSTB:
      return Single<Chain, SingleOperand<TstOp<true>>>(w);
    case RORB:
      return Single<Chain, SingleOperand<RorOp<true>>>(w);
    case ROLB:
      return Single<Chain, SingleOperand<RolOp<true>>>(w);
    case ASRB:
      return Single<Chain, SingleOperand<AsrOp<true>>>(w);
    case ASLB:
      return Single<Chain, SingleOperand<AslOp<true>>>(w);
    case MTPS:
      return Single<Chain, Mtps>(w);
    case MFPS:
      return Single<Chain, Mfps>(w);
    case MOVB:
      return Double<Chain, DoubleOperand<MovOp<true>>>(w);
    case CMPB:
      return Double<Chain, DoubleOperand<CmpOp<true>>>(w);
    case BITB:
      return Double<Chain, DoubleOperand<BitOp<true>>>(w);
    case BICB:
      return Double<Chain, DoubleOperand<BicOp<true>>>(w);
    case BISB:
      return Double<Chain, DoubleOperand<BisOp<true>>>(w);
    case SUB:
      return Double<Chain, DoubleOperand<SubOp>>(w);
  }
  return Make<Chain, TrapTo<kReservedInstructionVector>>();
}

template <bool Chain>
std::array<InstructionSet::Handler, 0200000> InstructionSet::BuildTable() {
  std::array<Handler, 0200000> table{};
  const auto& operations = OperationTable();
  for (uint32_t w = 0; w < 0200000; ++w) table[w] = HandlerOf<Chain>(operations[w], static_cast<uint16_t>(w));
  return table;
}

const std::array<InstructionSet::Handler, 0200000> InstructionSet::plain =
    InstructionSet::BuildTable<false>();
const std::array<InstructionSet::Handler, 0200000> InstructionSet::chained =
    InstructionSet::BuildTable<true>();

void Machine::RunUntil(uint64_t stop) {
  runStop_ = stop;
  while (instructionCount_ < runStop_) {
    chainStop_ = std::min(runStop_, instructionCount_ + InstructionSet::kChainLength);
    const uint16_t opcode = FetchInstruction();
    InstructionSet::chained[opcode](*this, opcode);
  }
}

uint32_t Machine::Run(uint32_t budget) {
  const uint64_t start = instructionCount_;
  timerTickedAt_ = start;
  timerBehind_ = true;
  // The timer gets the ticks of every step that ran, also when the host failed inside one.
  struct TimerCatchUp {
    Machine& m;
    ~TimerCatchUp() {
      m.CatchUpTimer();
      m.timerBehind_ = false;
    }
  } catchUp{*this};
  RunUntil(start + budget);
  return static_cast<uint32_t>(instructionCount_ - start);
}

void Machine::ExecuteInstruction() {
  const uint16_t opcode = FetchInstruction();
  InstructionSet::plain[opcode](*this, opcode);
}

}  // namespace homemicro
