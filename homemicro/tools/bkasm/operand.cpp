#include "operand.h"

#include "asm_error.h"

namespace homemicro::bkasm {
namespace {

// "(R)" with the '(' already taken.
unsigned RegisterInParentheses(LineScanner& s) {
  const unsigned reg = ParseRegister(s);
  s.Expect(')', "')'");
  return reg;
}

// A register name at the cursor, without consuming anything when there is none.
std::optional<unsigned> PeekRegister(LineScanner& s) {
  if (!s.AtSymbolStart()) return std::nullopt;
  const size_t at = s.Position();
  const auto reg = RegisterNumber(s.TakeSymbol());
  s.Rewind(at);
  return reg;
}

// Every form but the '#' and '@' prefixes.
Operand ParseUndeferred(LineScanner& s, ExpressionParser& expressions) {
  Operand op;
  if (s.Accept('(')) {
    op.reg = RegisterInParentheses(s);
    op.mode = s.Accept('+') ? 2 : 1;
    if (op.mode == 2 && op.reg == 7)
      throw AsmError("(PC)+ needs the word after the instruction: write #value or @#value");
    return op;
  }
  const size_t start = s.Position();
  if (s.Accept('-')) {
    if (s.Accept('(')) {
      op.reg = RegisterInParentheses(s);
      op.mode = 4;
      return op;
    }
    s.Rewind(start);
  }
  if (const auto reg = PeekRegister(s)) {
    s.TakeSymbol();
    op.reg = *reg;
    return op;
  }
  op.value = expressions.Parse(s);
  if (s.Accept('(')) {
    op.reg = RegisterInParentheses(s);
    op.mode = 6;
    op.extra = Operand::Extra::kValue;
    return op;
  }
  op.reg = 7;
  op.mode = 6;
  op.extra = Operand::Extra::kRelative;
  return op;
}

}  // namespace

uint16_t Operand::Word(uint16_t wordAddress) const {
  if (extra == Extra::kRelative) return static_cast<uint16_t>(value.value - wordAddress - 2);
  return value.value;
}

unsigned ParseRegister(LineScanner& s) {
  if (const auto reg = PeekRegister(s)) {
    s.TakeSymbol();
    return *reg;
  }
  throw AsmError("register expected (R0..R7, SP, PC)");
}

Operand ParseOperand(LineScanner& s, ExpressionParser& expressions) {
  if (s.Accept('#')) {
    return Operand{.mode = 2, .reg = 7, .extra = Operand::Extra::kValue, .value = expressions.Parse(s)};
  }
  if (!s.Accept('@')) return ParseUndeferred(s, expressions);
  if (s.Accept('#')) {
    return Operand{.mode = 3, .reg = 7, .extra = Operand::Extra::kValue, .value = expressions.Parse(s)};
  }
  Operand op = ParseUndeferred(s, expressions);
  switch (op.mode) {
    case 0:
      op.mode = 1;
      break;  // @R is (R)
    case 1:   // @(R) is @0(R)
      op.mode = 7;
      op.extra = Operand::Extra::kValue;
      op.value = {0};
      break;
    case 2:
      op.mode = 3;
      break;
    case 4:
      op.mode = 5;
      break;
    case 6:
      op.mode = 7;
      break;
    default:
      throw AsmError("an operand can be deferred only once");
  }
  return op;
}

}  // namespace homemicro::bkasm
