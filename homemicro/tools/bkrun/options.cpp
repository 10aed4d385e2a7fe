// Command-line parsing for bkrun: every number is checked where it is read.
#include "options.h"

#include <charconv>
#include <functional>
#include <map>
#include <set>

#include "key_strokes.h"

namespace bkrun {

const char* const kUsage =
    "usage: bkrun [options]\n"
    "  --config FILE        settings from a 48-byte configuration file (speed, palette, mode, ROM...)\n"
    "  --rom FILE           32 KB ROM image loaded over 0100000..0177777 by the hard reset\n"
    "  --start OCT          start address (default 100000)\n"
    "  --no-rom-protect     writes into the ROM area do not trap\n"
    "  --load OCT:FILE      copy a file into memory after the reset (repeatable)\n"
    "  --set REG=OCT        set R0..R5, SP or PC after the reset (repeatable)\n"
    "  --flags LETTERS      set the condition codes named (N, Z, V, C), clear the others\n"
    "  --steps N            run N instructions (decimal)\n"
    "  --ticks N            run N run-loop ticks (decimal)\n"
    "  --speed N            instructions per tick (decimal, default 13750)\n"
    "  --repaint N          slices per tick, one screen update each (decimal, default 5)\n"
    "  --break OCT          stop before the instruction at that address\n"
    "  --keys TEXT          type TEXT, one key per press (escapes \\n \\r \\t \\e \\\\ \\ooo)\n"
    "  --overwrite yes|no   answer to the tape save's overwrite question (default no)\n"
    "  --open-file FILE     file chosen in the tape load's open dialog (cancelled when absent)\n"
    "  --regs               print the registers and condition codes\n"
    "  --dump OCT:COUNT     print COUNT words from the address (repeatable)\n"
    "  --disasm OCT:COUNT   print COUNT disassembled instructions from the address (repeatable)\n"
    "  --screen FILE        write the screen as PNG (PGM when FILE ends in .pgm)\n"
    "  --two-bit            four-colour screen instead of black and white\n"
    "  --one-bit            black and white screen (the default, unless the configuration says otherwise)\n"
    "  --palette FILE       colours of the four-colour screen from an 8-byte palette file (.bkp)\n"
    "  --wav FILE           write the speaker's sound of the run as a 16-bit 44100 Hz WAVE file\n"
    "  --load-state FILE    start from a machine snapshot (.bks) instead of the hard reset\n"
    "  --save-state FILE    write a machine snapshot (.bks) after the run\n";

namespace {

bool ParseOctal(const std::string& text, uint32_t limit, uint32_t& value) {
  if (text.empty() || text.size() > 7) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '7') return false;
    value = value * 8 + static_cast<uint32_t>(c - '0');
  }
  return value <= limit;
}

bool ParseDecimal(const std::string& text, long long min, long long max, long long& value) {
  const char* end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, value);
  return !text.empty() && result.ec == std::errc() && result.ptr == end && value >= min && value <= max;
}

bool ParseAddress(const std::string& text, uint16_t& address) {
  uint32_t v;
  if (!ParseOctal(text, 0177777, v)) return false;
  address = static_cast<uint16_t>(v);
  return true;
}

// "OCT:REST"
bool SplitAddress(const std::string& text, uint16_t& address, std::string& rest) {
  const auto colon = text.find(':');
  if (colon == std::string::npos) return false;
  rest = text.substr(colon + 1);
  return ParseAddress(text.substr(0, colon), address);
}

bool ParseRegisterName(const std::string& name, int& reg) {
  static const std::map<std::string, int> kNames = {{"R0", 0}, {"R1", 1}, {"R2", 2}, {"R3", 3}, {"R4", 4},
                                                    {"R5", 5}, {"SP", 6}, {"PC", 7}, {"R6", 6}, {"R7", 7}};
  std::string upper;
  for (char c : name) upper += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  const auto it = kNames.find(upper);
  if (it == kNames.end()) return false;
  reg = it->second;
  return true;
}

// Decodes the escapes of --keys (\n Enter, \r, \t, \e the STOP key, \\, \ooo) and finds the key
// press for every code. A character stands for its own code (AND 0177); Esc is the STOP key.
bool DecodeKeys(const std::string& text, std::vector<homemicro::KeyStroke>& keys) {
  const auto add = [&keys](uint32_t code) {
    const auto stroke = KeyStrokeForCode(static_cast<uint8_t>(code & 0177));
    if (stroke) keys.push_back(*stroke);
    return stroke.has_value();
  };
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\033') {
      keys.push_back(StopKeyStroke());
      continue;
    }
    if (text[i] != '\\') {
      if (!add(static_cast<unsigned char>(text[i]))) return false;
      continue;
    }
    if (++i == text.size()) return false;
    bool found = true;
    switch (text[i]) {
      case 'n':
        found = add(012);
        break;
      case 'r':
        found = add(015);
        break;
      case 't':
        found = add(011);
        break;
      case 'e':
        keys.push_back(StopKeyStroke());
        break;
      case '\\':
        found = add('\\');
        break;
      default: {
        uint32_t code;
        if (i + 3 > text.size() || !ParseOctal(text.substr(i, 3), 0177, code)) return false;
        found = add(code);
        i += 2;
      }
    }
    if (!found) return false;
  }
  return true;
}

class Parser {
 public:
  Parser(const std::vector<std::string>& args, std::string& error) : args_(args), error_(error) {}

  std::optional<Options> Run() {
    for (i_ = 0; i_ < args_.size(); ++i_) {
      if (!One(args_[i_])) return std::nullopt;
    }
    return options_;
  }

 private:
  bool Fail(const std::string& message) {
    error_ = message;
    return false;
  }
  bool Value(const std::string& option, std::string& value) {
    if (i_ + 1 >= args_.size()) return Fail("option " + option + " needs a value");
    value = args_[++i_];
    return true;
  }
  bool Bad(const std::string& option, const std::string& value) {
    return Fail("bad value for " + option + ": '" + value + "'");
  }

  bool One(const std::string& option) {
    Options& o = options_;
    if (option == "--no-rom-protect") return o.noRomProtect = true, true;
    if (option == "--regs") return o.printRegisters = true, true;
    if (option == "--two-bit") return o.oneBitMode = false, true;
    if (option == "--one-bit") return o.oneBitMode = true, true;
    static const std::map<std::string, std::optional<std::string> Options::*> kFileOptions = {
        {"--rom", &Options::romFile},          {"--config", &Options::configFile},
        {"--palette", &Options::paletteFile},  {"--wav", &Options::wavFile},
        {"--screen", &Options::screenFile},    {"--open-file", &Options::openFile},
        {"--load-state", &Options::loadState}, {"--save-state", &Options::saveState}};
    std::string v;
    if (const auto file = kFileOptions.find(option); file != kFileOptions.end()) {
      return Value(option, v) && (o.*(file->second) = v, true);
    }
    static const std::set<std::string> kAddressOptions = {"--start", "--load", "--set",
                                                          "--break", "--dump", "--disasm"};
    static const std::set<std::string> kOtherOptions = {"--flags",   "--steps", "--ticks",    "--speed",
                                                        "--repaint", "--keys",  "--overwrite"};
    const bool address = kAddressOptions.contains(option);
    if (!address && !kOtherOptions.contains(option)) return Fail("unknown option '" + option + "'");
    if (!Value(option, v)) return false;
    return (address ? AddressOption(option, v) : OtherOption(option, v)) || Bad(option, v);
  }

  // Options whose value holds an octal address. False for a bad value.
  bool AddressOption(const std::string& option, const std::string& v) {
    Options& o = options_;
    if (option == "--start") {
      uint32_t address;
      if (!ParseOctal(v, 0177777, address)) return false;
      o.startAddress = std::stoi(v);  // kept as its octal digits
      return true;
    }
    if (option == "--load") {
      LoadRequest load;
      if (!SplitAddress(v, load.address, load.file) || load.file.empty()) return false;
      o.loads.push_back(load);
      return true;
    }
    if (option == "--set") {
      const auto eq = v.find('=');
      RegisterAssignment set;
      if (eq == std::string::npos || !ParseRegisterName(v.substr(0, eq), set.reg) ||
          !ParseAddress(v.substr(eq + 1), set.value))
        return false;
      o.registers.push_back(set);
      return true;
    }
    if (option == "--break") {
      uint16_t address;
      if (!ParseAddress(v, address)) return false;
      o.breakAddress = address;
      return true;
    }
    DumpRequest dump;  // --dump, --disasm
    std::string count;
    long long n;
    if (!SplitAddress(v, dump.address, count) || !ParseDecimal(count, 0, 0200000, n)) return false;
    dump.count = static_cast<long>(n);
    (option == "--dump" ? o.dumps : o.disassembly).push_back(dump);
    return true;
  }

  // The other options that take a value. False for a bad value.
  bool OtherOption(const std::string& option, const std::string& v) {
    Options& o = options_;
    long long n;
    if (option == "--flags") {
      if (v.find_first_not_of("NZVCnzvc") != std::string::npos) return false;
      o.flags = v;
      return true;
    }
    if (option == "--steps" || option == "--ticks") {
      if (!ParseDecimal(v, 0, 1'000'000'000'000LL, n)) return false;
      (option == "--steps" ? o.steps : o.ticks) = n;
      return true;
    }
    if (option == "--speed" || option == "--repaint") {
      if (!ParseDecimal(v, 1, option == "--speed" ? 100'000'000 : 100'000, n)) return false;
      (option == "--speed" ? o.speed : o.repaintCount) = static_cast<int32_t>(n);
      return true;
    }
    if (option == "--keys") return DecodeKeys(v, o.keys);
    if (v != "yes" && v != "no") return false;  // --overwrite
    o.overwrite = v == "yes";
    return true;
  }

  const std::vector<std::string>& args_;
  std::string& error_;
  size_t i_ = 0;
  Options options_;
};

}  // namespace

std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& error) {
  return Parser(args, error).Run();
}

}  // namespace bkrun
