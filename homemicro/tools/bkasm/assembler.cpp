#include "assembler.h"

#include <functional>

#include "asm_error.h"
#include "expression.h"
#include "instruction_encoder.h"
#include "line_scanner.h"
#include "octal.h"

namespace homemicro::bkasm {
namespace {

using debugger::OctStr;

std::vector<std::string_view> SplitLines(std::string_view source) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (start < source.size()) {
    const size_t end = source.find('\n', start);
    if (end == std::string_view::npos) {
      lines.push_back(source.substr(start));
      break;
    }
    lines.push_back(source.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

class ProgramAssembler {
 public:
  Program Run(std::string_view source);

 private:
  struct Symbol {
    uint16_t value;
    bool isLabel;
    int pass;     // the pass that last defined it
    bool stable;  // known without looking ahead, so it may place code (.ORG, .BLKW ...)
  };
  using Directive = void (ProgramAssembler::*)(LineScanner&);

  void RunPass(int pass);
  void AssembleLine(std::string_view line);
  void Statement(LineScanner& s, const std::string& keyword);
  void DefineLabel(const std::string& name);
  void Assign(const std::string& name, LineScanner& s);
  // stableOnly: only symbols defined above in this pass, with values that depend on nothing below.
  Value Evaluate(LineScanner& s, bool stableOnly, std::string* undefinedName = nullptr);
  Value Expression(LineScanner& s);
  uint16_t PlacingExpression(LineScanner& s);
  void Instruction(const MnemonicInfo& info, LineScanner& s);
  void RequireEvenAddress(const char* what);
  void EmitByte(uint8_t value);
  void EmitWord(uint16_t value);
  void Error(const std::string& message);

  void WordDirective(LineScanner& s);
  void ByteDirective(LineScanner& s);
  void AsciiDirective(LineScanner& s);
  void AscizDirective(LineScanner& s);
  void BlkwDirective(LineScanner& s);
  void BlkbDirective(LineScanner& s);
  void EvenDirective(LineScanner& s);
  void OrgDirective(LineScanner& s);
  void EndDirective(LineScanner& s);
  static const std::map<std::string, Directive, std::less<>>& Directives();

  std::vector<std::string_view> lines_;
  std::vector<uint32_t> lineEnds_;  // location after each line in the first pass
  int pass_ = 1;
  int lineNumber_ = 0;
  bool ended_ = false;
  bool overlapReported_ = false;
  uint32_t location_ = 0;
  uint16_t statementAddress_ = 0;
  std::map<std::string, Symbol, std::less<>> symbols_;
  Program program_;
  ListingEntry* listing_ = nullptr;
};

const std::map<std::string, ProgramAssembler::Directive, std::less<>>& ProgramAssembler::Directives() {
  static const std::map<std::string, Directive, std::less<>> directives = {
      {".WORD", &ProgramAssembler::WordDirective},   {"WORD", &ProgramAssembler::WordDirective},
      {".BYTE", &ProgramAssembler::ByteDirective},   {".ASCII", &ProgramAssembler::AsciiDirective},
      {".ASCIZ", &ProgramAssembler::AscizDirective}, {".BLKW", &ProgramAssembler::BlkwDirective},
      {".BLKB", &ProgramAssembler::BlkbDirective},   {".EVEN", &ProgramAssembler::EvenDirective},
      {".ORG", &ProgramAssembler::OrgDirective},     {".END", &ProgramAssembler::EndDirective},
  };
  return directives;
}

Program ProgramAssembler::Run(std::string_view source) {
  lines_ = SplitLines(source);
  RunPass(1);
  RunPass(2);
  for (const auto& [name, symbol] : symbols_) program_.symbols[name] = symbol.value;
  return std::move(program_);
}

void ProgramAssembler::RunPass(int pass) {
  pass_ = pass;
  location_ = 0;
  ended_ = false;
  lineEnds_.resize(lines_.size());
  for (size_t i = 0; i < lines_.size() && !ended_; ++i) {
    lineNumber_ = static_cast<int>(i + 1);
    overlapReported_ = false;
    if (pass_ == 2) {
      program_.listing.push_back(
          {lineNumber_, static_cast<uint16_t>(location_), false, {}, std::string(lines_[i])});
      listing_ = &program_.listing.back();
    }
    try {
      AssembleLine(lines_[i]);
    } catch (const AsmError& e) {
      Error(e.what());
      // Keep the first pass's layout so one bad line does not move every label after it.
      if (pass_ == 2) location_ = lineEnds_[i];
    }
    if (pass_ == 1) lineEnds_[i] = location_;
  }
}

void ProgramAssembler::Error(const std::string& message) {
  if (pass_ == 2) program_.errors.push_back({lineNumber_, message});
}

void ProgramAssembler::AssembleLine(std::string_view line) {
  LineScanner s(line);
  while (!s.AtEnd()) {
    statementAddress_ = static_cast<uint16_t>(location_);
    if (listing_ && listing_->bytes.empty()) listing_->address = statementAddress_;
    if (s.AtDigit()) {
      // "001000: ..." as bkrun lists code: the number places what follows.
      const uint16_t address = s.TakeNumber();
      s.Expect(':', "':' after an address");
      location_ = address;
      continue;
    }
    if (!s.AtSymbolStart()) throw AsmError("label, instruction or directive expected");
    const std::string name = s.TakeSymbol();
    if (s.Accept(':')) {
      DefineLabel(name);
      continue;
    }
    if (s.Accept('=')) {
      Assign(name, s);
      return;
    }
    Statement(s, name);
    return;
  }
}

void ProgramAssembler::DefineLabel(const std::string& name) {
  if (name == "." || RegisterNumber(name)) throw AsmError(name + " cannot be a label");
  if (location_ > 0177777) throw AsmError("label " + name + " lies past address 177777");
  const auto found = symbols_.find(name);
  if (found != symbols_.end() && found->second.pass == pass_) throw AsmError(name + " is already defined");
  symbols_[name] = {static_cast<uint16_t>(location_), true, pass_, true};
  if (listing_) listing_->showAddress = true;
}

void ProgramAssembler::Assign(const std::string& name, LineScanner& s) {
  if (name == ".") {
    location_ = PlacingExpression(s);
    s.ExpectEnd();
    return;
  }
  if (RegisterNumber(name)) throw AsmError("register " + name + " cannot be redefined");
  const auto found = symbols_.find(name);
  if (found != symbols_.end() && found->second.isLabel)
    throw AsmError(name + " is a label and cannot be assigned");
  const size_t start = s.Position();
  Value value = Evaluate(s, true);
  const bool stable = value.defined;
  if (!stable) {
    s.Rewind(start);
    value = Expression(s);
  }
  s.ExpectEnd();
  if (value.defined) symbols_[name] = {value.value, false, pass_, stable};
}

Value ProgramAssembler::Evaluate(LineScanner& s, bool stableOnly, std::string* undefinedName) {
  ExpressionParser parser(
      [this, stableOnly](const std::string& name) -> std::optional<uint16_t> {
        const auto found = symbols_.find(name);
        if (found == symbols_.end()) return std::nullopt;
        if (stableOnly && (found->second.pass != pass_ || !found->second.stable)) return std::nullopt;
        return found->second.value;
      },
      statementAddress_);
  const Value value = parser.Parse(s);
  if (undefinedName) *undefinedName = parser.UndefinedName();
  if (!value.defined && pass_ == 2 && !stableOnly)
    throw AsmError("undefined symbol " + parser.UndefinedName());
  return value;
}

Value ProgramAssembler::Expression(LineScanner& s) {
  return Evaluate(s, false);
}

// Addresses and sizes must be known when the line is met: labels further down cannot set them.
uint16_t ProgramAssembler::PlacingExpression(LineScanner& s) {
  std::string undefined;
  const Value value = Evaluate(s, true, &undefined);
  if (!value.defined) throw AsmError("symbol " + undefined + " must be defined above this line");
  return value.value;
}

void ProgramAssembler::Statement(LineScanner& s, const std::string& keyword) {
  const auto& directives = Directives();
  if (const auto directive = directives.find(keyword); directive != directives.end()) {
    (this->*directive->second)(s);
    return;
  }
  const auto info = FindMnemonic(keyword);
  if (!info) throw AsmError("unknown instruction or directive " + keyword);
  Instruction(*info, s);
}

void ProgramAssembler::Instruction(const MnemonicInfo& info, LineScanner& s) {
  RequireEvenAddress("an instruction");
  ExpressionParser parser(
      [this](const std::string& name) -> std::optional<uint16_t> {
        const auto found = symbols_.find(name);
        return found == symbols_.end() ? std::nullopt : std::optional<uint16_t>(found->second.value);
      },
      statementAddress_);
  const auto words = EncodeInstruction(info, s, statementAddress_, parser, {.requireDefined = pass_ == 2});
  for (const uint16_t word : words) EmitWord(word);
}

void ProgramAssembler::RequireEvenAddress(const char* what) {
  if (location_ & 1)
    throw AsmError(std::string(what) + " cannot start at the odd address " + OctStr(location_ & 0177777));
}

void ProgramAssembler::EmitByte(uint8_t value) {
  if (location_ > 0177777) throw AsmError("code runs past address 177777");
  const auto address = static_cast<uint16_t>(location_++);
  if (pass_ != 2) return;
  if (program_.image.Used(address)) {
    if (!overlapReported_) Error("overwrites code already assembled at " + OctStr(address));
    overlapReported_ = true;
    return;
  }
  program_.image.Store(address, value);
  if (listing_) {
    listing_->bytes.push_back(value);
    listing_->showAddress = true;
  }
}

void ProgramAssembler::EmitWord(uint16_t value) {
  EmitByte(static_cast<uint8_t>(value & 0377));
  EmitByte(static_cast<uint8_t>(value >> 8));
}

void ProgramAssembler::WordDirective(LineScanner& s) {
  RequireEvenAddress("a word");
  do {
    EmitWord(Expression(s).value);
  } while (s.Accept(','));
  s.ExpectEnd();
}

void ProgramAssembler::ByteDirective(LineScanner& s) {
  do {
    const Value v = Expression(s);
    if (v.defined && v.value > 0377 && v.value < 0177600)
      throw AsmError("value " + OctStr(v.value) + " does not fit in a byte");
    EmitByte(static_cast<uint8_t>(v.value & 0377));
  } while (s.Accept(','));
  s.ExpectEnd();
}

// Text between a delimiter and its repetition (/HELLO/ or "HELLO"), and byte values in <>.
void ProgramAssembler::AsciiDirective(LineScanner& s) {
  if (s.AtEnd()) throw AsmError("text expected, for example /TEXT/");
  while (!s.AtEnd()) {
    if (s.Accept('<')) {
      const Value v = Expression(s);
      s.Expect('>', "'>'");
      if (v.defined && v.value > 0377 && v.value < 0177600)
        throw AsmError("value " + OctStr(v.value) + " does not fit in a byte");
      EmitByte(static_cast<uint8_t>(v.value & 0377));
      continue;
    }
    const char delimiter = s.TakeRaw();
    for (;;) {
      if (s.PeekRaw() == '\0') throw AsmError(std::string("text not closed by ") + delimiter);
      const char c = s.TakeRaw();
      if (c == delimiter) break;
      EmitByte(static_cast<uint8_t>(c));
    }
  }
}

void ProgramAssembler::AscizDirective(LineScanner& s) {
  AsciiDirective(s);
  EmitByte(0);
}

void ProgramAssembler::BlkwDirective(LineScanner& s) {
  const uint16_t count = s.AtEnd() ? 1 : PlacingExpression(s);
  s.ExpectEnd();
  for (uint32_t i = 0; i < count; ++i) EmitWord(0);
}

void ProgramAssembler::BlkbDirective(LineScanner& s) {
  const uint16_t count = s.AtEnd() ? 1 : PlacingExpression(s);
  s.ExpectEnd();
  for (uint32_t i = 0; i < count; ++i) EmitByte(0);
}

void ProgramAssembler::EvenDirective(LineScanner& s) {
  s.ExpectEnd();
  location_ += location_ & 1;
}

void ProgramAssembler::OrgDirective(LineScanner& s) {
  location_ = PlacingExpression(s);
  s.ExpectEnd();
}

void ProgramAssembler::EndDirective(LineScanner& s) {
  s.ExpectEnd();
  ended_ = true;
}

}  // namespace

Program AssembleProgram(std::string_view source) {
  return ProgramAssembler().Run(source);
}

}  // namespace homemicro::bkasm
