// The arithmetic instructions against a second, independent formulation of their results and
// condition codes (signed arithmetic in wide integers rather than bit formulas), over every byte
// operand and a fixed random sample of word operands.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "machine_fixture.h"

namespace homemicro::testing {
namespace {

struct Expected {
  int result;  // stored value, or -1 when nothing is stored
  int n, z, v, c;
};

// Condition codes of a result that is judged as a signed number of `bits` bits.
Expected FromWide(long wide, long signedWide, int bits, int carry) {
  const long modulus = 1L << bits, half = modulus / 2;
  const long r = ((wide % modulus) + modulus) % modulus;
  return {static_cast<int>(r), r >= half, r == 0, signedWide < -half || signedWide >= half, carry};
}
long Signed(int value, int bits) {
  const long half = 1L << (bits - 1);
  return value >= half ? value - 2 * half : value;
}

struct DoubleCase {
  const char* name;
  uint16_t word;  // source R0, destination R1
  int bits;
  std::function<Expected(int s, int d, int bits)> reference;
};

const DoubleCase kDoubleCases[] = {
    {"ADD", 060001, 16,
     [](int s, int d, int b) { return FromWide(s + d, Signed(s, b) + Signed(d, b), b, s + d >= (1 << b)); }},
    {"SUB", 0160001, 16,
     [](int s, int d, int b) { return FromWide(d - s, Signed(d, b) - Signed(s, b), b, d < s); }},
    {"CMP", 020001, 16,
     [](int s, int d, int b) {
       Expected e = FromWide(s - d, Signed(s, b) - Signed(d, b), b, s < d);
       e.result = -1;
       return e;
     }},
    {"CMPB", 0120001, 8,
     [](int s, int d, int b) {
       Expected e = FromWide(s - d, Signed(s, b) - Signed(d, b), b, s < d);
       e.result = -1;
       return e;
     }},
};

class DoubleReference : public MachineTest {
 protected:
  void Check(const DoubleCase& c, int src, int dst, uint16_t highBytes) {
    s.R[0] = static_cast<uint16_t>(src | (c.bits == 8 ? highBytes & 0177400 : 0));
    s.R[1] = static_cast<uint16_t>(dst | (c.bits == 8 ? (highBytes << 8) & 0177400 : 0));
    const uint16_t before = s.R[1];
    s.R[kPC] = kCodeAddress;
    SetFlags("0000");
    machine.Step();
    const Expected e = c.reference(src, dst, c.bits);
    const int mask = (1 << c.bits) - 1;
    const int stored = c.bits == 8 ? s.R[1] & mask : s.R[1];
    const bool resultOk = e.result < 0 ? s.R[1] == before : stored == e.result;
    if (!resultOk || s.FlagN != e.n || s.FlagZ != e.z || s.FlagV != e.v || s.FlagC != e.c) {
      ADD_FAILURE() << c.name << " src " << std::oct << src << " dst " << dst << ": got " << s.R[1] << " "
                    << Flags() << ", expected " << e.result << " " << e.n << e.z << e.v << e.c;
      ++failures;
    }
  }
  int failures = 0;
};

TEST_F(DoubleReference, ByteOperandsExhaustivelyWordOperandsSampled) {
  std::mt19937 random(01777);
  for (const DoubleCase& c : kDoubleCases) {
    Poke(kCodeAddress, {c.word});
    if (c.bits == 8) {
      for (int s = 0; s < 0400 && failures < 5; ++s)
        for (int d = 0; d < 0400; ++d) Check(c, s, d, static_cast<uint16_t>(random()));
    } else {
      for (int i = 0; i < 200000 && failures < 5; ++i) Check(c, random() & 0177777, random() & 0177777, 0);
      for (int s : {0, 1, 077777, 0100000, 0177777})
        for (int d : {0, 1, 077777, 0100000, 0177777}) Check(c, s, d, 0);
    }
  }
}

struct SingleCase {
  const char* name;
  uint16_t word;  // destination R0
  int bits;
  std::function<Expected(int d, int carry, int bits)> reference;
};

Expected Shifted(long r, int carryOut, int bits) {
  Expected e = FromWide(r, 0, bits, carryOut);
  e.v = e.n ^ e.c;
  return e;
}

const SingleCase kSingleCases[] = {
    {"INC", 005200, 16,
     [](int d, int c, int b) {
       Expected e = FromWide(d + 1, Signed(d, b) + 1, b, c);
       return e;
     }},
    {"DECB", 0105300, 8, [](int d, int c, int b) { return FromWide(d - 1, Signed(d, b) - 1, b, c); }},
    {"NEGB", 0105400, 8, [](int d, int, int b) { return FromWide(-d, -Signed(d, b), b, d != 0); }},
    {"NEG", 005400, 16, [](int d, int, int b) { return FromWide(-d, -Signed(d, b), b, d != 0); }},
    {"ADCB", 0105500, 8,
     [](int d, int c, int b) { return FromWide(d + c, Signed(d, b) + c, b, d + c >= (1 << b)); }},
    {"SBC", 005600, 16, [](int d, int c, int b) { return FromWide(d - c, Signed(d, b) - c, b, d - c < 0); }},
    {"ASLB", 0106300, 8, [](int d, int, int b) { return Shifted(d * 2, d >> (b - 1), b); }},
    {"ASR", 006200, 16, [](int d, int, int b) { return Shifted(Signed(d, b) >> 1, d & 1, b); }},
    {"RORB", 0106000, 8, [](int d, int c, int b) { return Shifted((d >> 1) + (c << (b - 1)), d & 1, b); }},
    {"ROL", 006100, 16, [](int d, int c, int b) { return Shifted(d * 2 + c, d >> (b - 1), b); }},
};

TEST_F(MachineTest, SingleOperandsAgainstReference) {
  int failures = 0;
  std::mt19937 random(0777);
  for (const SingleCase& c : kSingleCases) {
    Poke(kCodeAddress, {c.word});
    const int count = c.bits == 8 ? 0400 : 0200000;
    for (int d = 0; d < count && failures < 5; ++d) {
      for (int carry : {0, 1}) {
        const auto high = static_cast<uint16_t>(c.bits == 8 ? random() & 0177400 : 0);
        s.R[0] = static_cast<uint16_t>(d | high);
        s.R[kPC] = kCodeAddress;
        SetFlags(carry ? "0001" : "0000");
        machine.Step();
        const Expected e = c.reference(d, carry, c.bits);
        const int mask = (1 << c.bits) - 1;
        const bool ok = (s.R[0] & mask) == e.result && (s.R[0] & ~mask & 0177777) == high && s.FlagN == e.n &&
                        s.FlagZ == e.z && s.FlagV == e.v && s.FlagC == e.c;
        if (!ok) {
          ADD_FAILURE() << c.name << " of " << std::oct << d << " with C " << carry << ": got " << s.R[0]
                        << " " << Flags() << ", expected " << e.result << " " << e.n << e.z << e.v << e.c;
          ++failures;
        }
      }
    }
  }
}

}  // namespace
}  // namespace homemicro::testing
