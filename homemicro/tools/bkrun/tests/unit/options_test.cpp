// bkrun's command line: every option's value checks and where the value lands.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "options.h"

namespace bkrun {
namespace {

struct GoodCase {
  std::vector<std::string> args;
  std::function<bool(const Options&)> holds;
};

TEST(Options, EveryOptionLandsInItsField) {
  const GoodCase cases[] = {
      {{}, [](const Options& o) { return !o.romFile && !o.steps && o.loads.empty() && !o.overwrite; }},
      {{"--config", "c.cfg"}, [](const Options& o) { return o.configFile == "c.cfg"; }},
      {{"--rom", "r.rom"}, [](const Options& o) { return o.romFile == "r.rom"; }},
      {{"--palette", "p.bkp"}, [](const Options& o) { return o.paletteFile == "p.bkp"; }},
      {{"--wav", "s.wav"}, [](const Options& o) { return o.wavFile == "s.wav"; }},
      {{"--screen", "s.png"}, [](const Options& o) { return o.screenFile == "s.png"; }},
      {{"--open-file", "f"}, [](const Options& o) { return o.openFile == "f"; }},
      {{"--load-state", "a.bks"}, [](const Options& o) { return o.loadState == "a.bks"; }},
      {{"--save-state", "b.bks"}, [](const Options& o) { return o.saveState == "b.bks"; }},
      {{"--start", "140000"}, [](const Options& o) { return o.startAddress == 140000; }},
      {{"--no-rom-protect"}, [](const Options& o) { return o.noRomProtect; }},
      {{"--regs"}, [](const Options& o) { return o.printRegisters; }},
      {{"--two-bit"}, [](const Options& o) { return o.oneBitMode == false; }},
      {{"--two-bit", "--one-bit"}, [](const Options& o) { return o.oneBitMode == true; }},
      {{"--load", "1000:a.bin", "--load", "2000:b:c"},
       [](const Options& o) {
         return o.loads.size() == 2 && o.loads[0].address == 01000 && o.loads[0].file == "a.bin" &&
                o.loads[1].address == 02000 && o.loads[1].file == "b:c";
       }},
      {{"--set", "sp=700", "--set", "R7=177776"},
       [](const Options& o) {
         return o.registers.size() == 2 && o.registers[0].reg == 6 && o.registers[0].value == 0700 &&
                o.registers[1].reg == 7 && o.registers[1].value == 0177776;
       }},
      {{"--flags", "nZ"}, [](const Options& o) { return o.flags == "nZ"; }},
      {{"--steps", "0", "--ticks", "1000000000000"},
       [](const Options& o) { return o.steps == 0 && o.ticks == 1'000'000'000'000LL; }},
      {{"--speed", "100000000", "--repaint", "100000"},
       [](const Options& o) { return o.speed == 100'000'000 && o.repaintCount == 100'000; }},
      {{"--break", "177600"}, [](const Options& o) { return o.breakAddress == 0177600; }},
      {{"--keys", "A\\n\\e\\101"}, [](const Options& o) { return o.keys.size() == 4; }},
      {{"--tracer-keys", "f8, Space d=700 G=esc 7=1x 3 F12"},
       [](const Options& o) {
         using A = TracerKeyPress::Answer;
         const auto& k = *o.tracerKeys;
         return k.size() == 7 && k[0].virtualKey == 119 && k[1].virtualKey == ' ' && k[2].virtualKey == 'D' &&
                k[2].answer == A::Text && k[2].text == "700" && k[3].virtualKey == 'G' &&
                k[3].answer == A::Cancel && k[4].answer == A::Text && k[4].text == "1x" &&
                k[5].virtualKey == '3' && k[5].answer == A::None && k[6].virtualKey == 123;
       }},
      {{"--overwrite", "yes"}, [](const Options& o) { return o.overwrite; }},
      {{"--overwrite", "yes", "--overwrite", "no"}, [](const Options& o) { return !o.overwrite; }},
      {{"--dump", "1000:3", "--disasm", "2000:0", "--dump", "0:65536"},
       [](const Options& o) {
         return o.dumps.size() == 2 && o.dumps[0].address == 01000 && o.dumps[0].count == 3 &&
                o.dumps[1].count == 65536 && o.disassembly.size() == 1 && o.disassembly[0].address == 02000;
       }},
  };
  for (const GoodCase& c : cases) {
    std::string error;
    const std::optional<Options> options = ParseOptions(c.args, error);
    const std::string shown = c.args.empty() ? "(none)" : c.args[0];
    ASSERT_TRUE(options.has_value()) << shown << ": " << error;
    EXPECT_TRUE(c.holds(*options)) << shown;
  }
}

TEST(Options, BadArgumentsGiveOneLineWhy) {
  struct Case {
    std::vector<std::string> args;
    std::string error;
  } const cases[] = {
      {{"--bogus"}, "unknown option '--bogus'"},
      {{"rom.bin"}, "unknown option 'rom.bin'"},
      {{"--rom"}, "option --rom needs a value"},
      {{"--regs", "--steps"}, "option --steps needs a value"},
      {{"--start", "180000"}, "bad value for --start: '180000'"},
      {{"--start", "200000"}, "bad value for --start: '200000'"},
      {{"--load", "1000"}, "bad value for --load: '1000'"},
      {{"--load", "1000:"}, "bad value for --load: '1000:'"},
      {{"--set", "R9=1"}, "bad value for --set: 'R9=1'"},
      {{"--set", "PC"}, "bad value for --set: 'PC'"},
      {{"--flags", "NX"}, "bad value for --flags: 'NX'"},
      {{"--steps", "-1"}, "bad value for --steps: '-1'"},
      {{"--ticks", "12x"}, "bad value for --ticks: '12x'"},
      {{"--speed", "0"}, "bad value for --speed: '0'"},
      {{"--repaint", "100001"}, "bad value for --repaint: '100001'"},
      {{"--break", ""}, "bad value for --break: ''"},
      {{"--keys", "\\"}, "bad value for --keys: '\\'"},
      {{"--keys", "\\9"}, "bad value for --keys: '\\9'"},
      {{"--overwrite", "y"}, "bad value for --overwrite: 'y'"},
      {{"--tracer-keys", "F8 F13"}, "bad value for --tracer-keys: 'F8 F13'"},
      {{"--tracer-keys", "F0"}, "bad value for --tracer-keys: 'F0'"},
      {{"--tracer-keys", "Q=5"}, "bad value for --tracer-keys: 'Q=5'"},
      {{"--tracer-keys", "PgUp"}, "bad value for --tracer-keys: 'PgUp'"},
      {{"--tracer-keys", " , "}, "bad value for --tracer-keys: ' , '"},
      {{"--dump", "1000:65537"}, "bad value for --dump: '1000:65537'"},
      {{"--disasm", "8:1"}, "bad value for --disasm: '8:1'"},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(ParseOptions(c.args, error).has_value()) << c.args[0];
    EXPECT_EQ(error, c.error);
  }
}

}  // namespace
}  // namespace bkrun
