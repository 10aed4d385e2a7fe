// Emulated instructions per second of the machine core, driven as the run loop drives it
// (Step, then TimerTick), on a real program: it fills the screen with a word pattern built by a
// subroutine, then checksums it byte by byte with branches, and starts over.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "homemicro/core/machine.h"
#include "silent_host.h"

namespace {

using homemicro::Machine;

using bench::NoFiles;
using bench::SilentHost;

constexpr uint16_t kProgramAddress = 01000;
constexpr uint16_t kProgram[] = {
    0012706, 0001000,  // 01000 MOV #1000,SP
    0012701, 0040000,  // 01004 MOV #40000,R1     ; fill the screen
    0012702, 0020000,  // 01010 MOV #20000,R2     ; 8192 words
    0012700, 0012345,  // 01014 MOV #12345,R0
    0010021,           // 01020 MOV R0,(R1)+
    0004767, 0000036,  // 01022 JSR PC,01064      ; next pattern word
    0077204,           // 01026 SOB R2,01020
    0012701, 0040000,  // 01030 MOV #40000,R1     ; checksum it
    0012702, 0040000,  // 01034 MOV #40000,R2     ; 16384 bytes
    0005003,           // 01040 CLR R3
    0112104,           // 01042 MOVB (R1)+,R4
    0060403,           // 01044 ADD R4,R3
    0105704,           // 01046 TSTB R4
    0100001,           // 01050 BPL 01054
    0005203,           // 01052 INC R3
    0077206,           // 01054 SOB R2,01042
    0000137, 0001004,  // 01056 JMP @#1004
    0000240,           // 01062 NOP
    0006300,           // 01064 ASL R0
    0005500,           // 01066 ADC R0
    0000207,           // 01070 RTS PC
};

}  // namespace

int main(int argc, char** argv) {
  const long long instructions = argc > 1 ? std::atoll(argv[1]) : 200'000'000LL;
  homemicro::FrontEndSettings settings;
  SilentHost host;
  NoFiles files;
  Machine machine(settings, host, files);
  uint16_t address = kProgramAddress;
  for (uint16_t word : kProgram) {
    machine.WriteWord(address, word);
    address += 2;
  }
  machine.State().R[homemicro::kPC] = kProgramAddress;

  // The best of several rounds, timed by processor time: the machine is shared, and time spent
  // waiting for a processor says nothing about the core.
  constexpr int kRounds = 5;
  double seconds = 1e30, wallSeconds = 1e30;
  for (int round = 0; round < kRounds; ++round) {
    const std::clock_t start = std::clock();
    const auto wallStart = std::chrono::steady_clock::now();
    for (long long i = 0; i < instructions / kRounds; ++i) {
      machine.Step();
      machine.TimerTick();
    }
    seconds = std::min(seconds, static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC);
    wallSeconds = std::min(
        wallSeconds, std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count());
  }
  const uint16_t pc = machine.State().R[homemicro::kPC];
  if (pc < kProgramAddress || pc >= address) {
    std::fprintf(stderr, "the program left its loop: PC=%06o\n", pc);
    return 1;
  }
  const long long perRound = instructions / kRounds;
  std::printf(
      "core: %lld instructions per round, best of %d rounds: %.3f s processor time = %.1f million emulated "
      "instructions per second (%.1f by the wall clock)\n",
      perRound, kRounds, seconds, static_cast<double>(perRound) / seconds / 1e6,
      static_cast<double>(perRound) / wallSeconds / 1e6);
  return 0;
}
