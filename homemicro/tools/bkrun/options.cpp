// Command-line parsing for bkrun: every number is checked where it is read.
#include "options.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <map>
#include <string_view>

#include "homemicro/frontend/tracer_session.h"
#include "homemicro/frontend/virtual_keys.h"
#include "key_strokes.h"

namespace bkrun {

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

// "\wN;": N decimal ticks with no key down; `i` is at the 'w' and ends at the ';'.
bool DecodeWait(const std::string& text, size_t& i, std::vector<KeyAction>& keys) {
  const size_t end = text.find(';', i + 1);
  long long ticks;
  if (end == std::string::npos || !ParseDecimal(text.substr(i + 1, end - i - 1), 0, 100000000, ticks))
    return false;
  keys.push_back(KeyAction{.stroke = std::nullopt, .waitTicks = ticks});
  i = end;
  return true;
}

// Decodes the escapes of --keys (\n Enter, \r, \t, \e the STOP key, \\, \ooo, \wN;) and finds
// the key press for every code. A character stands for its own code (AND 0177); Esc is the STOP
// key.
bool DecodeKeys(const std::string& text, std::vector<KeyAction>& keys) {
  const auto add = [&keys](uint32_t code) {
    const auto stroke = KeyStrokeForCode(static_cast<uint8_t>(code & 0177));
    if (stroke) keys.push_back(KeyAction{.stroke = *stroke});
    return stroke.has_value();
  };
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\033') {
      keys.push_back(KeyAction{.stroke = StopKeyStroke()});
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
        keys.push_back(KeyAction{.stroke = StopKeyStroke()});
        break;
      case 'w':
        found = DecodeWait(text, i, keys);
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

namespace vk = homemicro::vk;

std::string UpperCase(std::string text) {
  for (char& c : text) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  return text;
}

std::optional<uint16_t> KeyByName(const std::string& name) {
  const std::string upper = UpperCase(name);
  if (upper.size() == 1 && ((upper[0] >= 'A' && upper[0] <= 'Z') || (upper[0] >= '0' && upper[0] <= '9')))
    return static_cast<uint16_t>(upper[0]);
  if (upper == "SPACE") return vk::Space;
  if (upper == "ENTER") return vk::Enter;
  if (upper == "ESC") return vk::Escape;
  if (upper.size() >= 2 && upper.size() <= 3 && upper[0] == 'F') {
    const std::string digits = upper.substr(1);
    if (digits.find_first_not_of("0123456789") != std::string::npos || digits[0] == '0') return std::nullopt;
    const int n = std::stoi(digits);
    if (n >= 1 && n <= 12) return static_cast<uint16_t>(vk::F1 + n - 1);
  }
  return std::nullopt;
}

bool SetDump(const std::string& v, std::vector<DumpRequest>& list) {
  DumpRequest dump;
  std::string count;
  long long n;
  if (!SplitAddress(v, dump.address, count) || !ParseDecimal(count, 0, 0200000, n)) return false;
  dump.count = static_cast<long>(n);
  list.push_back(dump);
  return true;
}

bool SetDecimal(const std::string& v, long long min, long long max, std::optional<long long>& target) {
  long long n;
  if (!ParseDecimal(v, min, max, n)) return false;
  target = n;
  return true;
}

bool SetDecimal32(const std::string& v, long long max, std::optional<int32_t>& target) {
  long long n;
  if (!ParseDecimal(v, 1, max, n)) return false;
  target = static_cast<int32_t>(n);
  return true;
}

// One row per option: its name, how its value is written (empty for a switch), the usage line,
// and what it does with the value (false for a bad value). The usage text and the parser are
// both made from this table.
struct OptionRow {
  std::string_view name;
  std::string_view value;
  std::string_view help;
  bool (*apply)(Options& o, const std::string& value);
};

using O = Options;
using V = const std::string&;

constexpr OptionRow kOptionTable[] = {
    {"--config", "FILE", "settings from a 48-byte configuration file (speed, palette, mode, ROM...)",
     [](O& o, V v) { return o.configFile = v, true; }},
    {"--rom", "FILE", "32 KB ROM image loaded over 0100000..0177777 by the hard reset",
     [](O& o, V v) { return o.romFile = v, true; }},
    {"--start", "OCT", "start address (default 100000)",
     [](O& o, V v) {
       uint32_t address;
       if (!ParseOctal(v, 0177777, address)) return false;
       o.startAddress = std::stoi(v);  // kept as its octal digits
       return true;
     }},
    {"--no-rom-protect", "", "writes into the ROM area do not trap",
     [](O& o, V) { return o.noRomProtect = true; }},
    {"--load", "OCT:FILE", "copy a file into memory after the reset (repeatable)",
     [](O& o, V v) {
       LoadRequest load;
       if (!SplitAddress(v, load.address, load.file) || load.file.empty()) return false;
       o.loads.push_back(load);
       return true;
     }},
    {"--set", "REG=OCT", "set R0..R5, SP or PC after the reset (repeatable)",
     [](O& o, V v) {
       const auto eq = v.find('=');
       RegisterAssignment set;
       if (eq == std::string::npos || !ParseRegisterName(v.substr(0, eq), set.reg) ||
           !ParseAddress(v.substr(eq + 1), set.value))
         return false;
       o.registers.push_back(set);
       return true;
     }},
    {"--flags", "LETTERS", "set the condition codes named (N, Z, V, C), clear the others",
     [](O& o, V v) {
       if (v.find_first_not_of("NZVCnzvc") != std::string::npos) return false;
       o.flags = v;
       return true;
     }},
    {"--steps", "N", "run N instructions (decimal)",
     [](O& o, V v) { return SetDecimal(v, 0, 1'000'000'000'000LL, o.steps); }},
    {"--ticks", "N", "run N run-loop ticks (decimal)",
     [](O& o, V v) { return SetDecimal(v, 0, 1'000'000'000'000LL, o.ticks); }},
    {"--speed", "N", "instructions per tick (decimal, default 13750)",
     [](O& o, V v) { return SetDecimal32(v, 100'000'000, o.speed); }},
    {"--repaint", "N", "slices per tick, one screen update each (decimal, default 5)",
     [](O& o, V v) { return SetDecimal32(v, 100'000, o.repaintCount); }},
    {"--break", "OCT", "stop before the instruction at that address",
     [](O& o, V v) {
       uint16_t address;
       if (!ParseAddress(v, address)) return false;
       o.breakAddress = address;
       return true;
     }},
    {"--keys", "TEXT",
     "type TEXT, one key per press (escapes \\n \\r \\t \\e \\\\ \\ooo; \\wN; waits N ticks)",
     [](O& o, V v) { return DecodeKeys(v, o.keys); }},
    {"--tracer-keys", "KEYS",
     "after the run, press tracer KEYS (F8 F9 Space D=700 G=Esc 7=1000 ...) and print the panes",
     [](O& o, V v) {
       std::string ignored;
       o.tracerKeys = ParseTracerKeys(v, ignored);
       return o.tracerKeys.has_value();
     }},
    {"--overwrite", "yes|no", "answer to the tape save's overwrite question (default no)",
     [](O& o, V v) {
       if (v != "yes" && v != "no") return false;
       o.overwrite = v == "yes";
       return true;
     }},
    {"--open-file", "FILE", "file chosen in the tape load's open dialog (cancelled when absent)",
     [](O& o, V v) { return o.openFile = v, true; }},
    {"--regs", "", "print the registers and condition codes",
     [](O& o, V) { return o.printRegisters = true; }},
    {"--dump", "OCT:COUNT", "print COUNT words from the address (repeatable)",
     [](O& o, V v) { return SetDump(v, o.dumps); }},
    {"--disasm", "OCT:COUNT", "print COUNT disassembled instructions from the address (repeatable)",
     [](O& o, V v) { return SetDump(v, o.disassembly); }},
    {"--screen", "FILE", "write the screen as PNG (PGM when FILE ends in .pgm)",
     [](O& o, V v) { return o.screenFile = v, true; }},
    {"--two-bit", "", "four-colour screen instead of black and white",
     [](O& o, V) { return o.oneBitMode = false, true; }},
    {"--one-bit", "", "black and white screen (the default, unless the configuration says otherwise)",
     [](O& o, V) { return o.oneBitMode = true, true; }},
    {"--palette", "FILE", "colours of the four-colour screen from an 8-byte palette file (.bkp)",
     [](O& o, V v) { return o.paletteFile = v, true; }},
    {"--wav", "FILE", "write the speaker's sound of the run as a 16-bit 44100 Hz WAVE file",
     [](O& o, V v) { return o.wavFile = v, true; }},
    {"--program", "TICK:FILE", "start a BK tape file before tick TICK (decimal), as the monitor would",
     [](O& o, V v) {
       const auto colon = v.find(':');
       long long tick;
       if (colon == std::string::npos || colon + 1 == v.size() ||
           !ParseDecimal(v.substr(0, colon), 0, 1'000'000'000'000LL, tick))
         return false;
       o.program = ProgramRequest{tick, v.substr(colon + 1)};
       return true;
     }},
    {"--load-state", "FILE", "start from a machine snapshot (.bks) instead of the hard reset",
     [](O& o, V v) { return o.loadState = v, true; }},
    {"--save-state", "FILE", "write a machine snapshot (.bks) after the run",
     [](O& o, V v) { return o.saveState = v, true; }},
};

// Name and value take this many columns in the usage text, the description follows.
constexpr std::size_t kUsageNameWidth = 21;

std::string BuildUsage() {
  std::string text = "usage: bkrun [options]\n";
  for (const OptionRow& row : kOptionTable) {
    std::string left(row.name);
    if (!row.value.empty()) left += " " + std::string(row.value);
    left.resize(std::max(left.size() + 1, kUsageNameWidth), ' ');
    text += "  " + left + std::string(row.help) + "\n";
  }
  return text;
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

  bool One(const std::string& option) {
    const auto row = std::find_if(std::begin(kOptionTable), std::end(kOptionTable),
                                  [&option](const OptionRow& r) { return r.name == option; });
    if (row == std::end(kOptionTable)) return Fail("unknown option '" + option + "'");
    std::string value;
    if (!row->value.empty()) {
      if (i_ + 1 >= args_.size()) return Fail("option " + option + " needs a value");
      value = args_[++i_];
    }
    return row->apply(options_, value) || Fail("bad value for " + option + ": '" + value + "'");
  }

  const std::vector<std::string>& args_;
  std::string& error_;
  size_t i_ = 0;
  Options options_;
};

}  // namespace

std::optional<std::vector<TracerKeyPress>> ParseTracerKeys(const std::string& text, std::string& error) {
  std::vector<TracerKeyPress> keys;
  std::size_t at = 0;
  while (true) {
    at = text.find_first_not_of(" ,", at);
    if (at == std::string::npos) break;
    const std::size_t end = std::min(text.find_first_of(" ,", at), text.size());
    const std::string word = text.substr(at, end - at);
    at = end;
    const std::size_t equals = word.find('=', 1);
    const std::optional<uint16_t> key = KeyByName(word.substr(0, equals));
    if (!key) {
      error = "no such tracer key '" + word.substr(0, equals) + "'";
      return std::nullopt;
    }
    TracerKeyPress press{*key, TracerKeyPress::Answer::None, {}};
    if (equals != std::string::npos) {
      const homemicro::TracerKeyRow* row = homemicro::FindTracerKey(*key);
      const bool prompts = row && (row->Command == homemicro::TracerCommand::GoTo ||
                                   row->Command == homemicro::TracerCommand::Dump ||
                                   row->Command == homemicro::TracerCommand::EditRegister);
      if (!prompts) {
        error = "tracer key '" + word.substr(0, equals) + "' opens no number box";
        return std::nullopt;
      }
      press.text = word.substr(equals + 1);
      press.answer =
          UpperCase(press.text) == "ESC" ? TracerKeyPress::Answer::Cancel : TracerKeyPress::Answer::Text;
    }
    keys.push_back(press);
  }
  if (keys.empty()) error = "no tracer keys";
  if (keys.empty()) return std::nullopt;
  return keys;
}

std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& error) {
  return Parser(args, error).Run();
}

const std::string& UsageText() {
  static const std::string text = BuildUsage();
  return text;
}

}  // namespace bkrun
