#include "expression.h"

#include <cctype>

#include "asm_error.h"

namespace homemicro::bkasm {
namespace {

Value Combine(Value a, Value b, uint32_t result) {
  return {static_cast<uint16_t>(result), a.defined && b.defined};
}

// Digits after a radix prefix such as ^X: letters and digits up to the next other character.
std::string TakeRadixDigits(LineScanner& s) {
  std::string digits;
  while (std::isalnum(static_cast<unsigned char>(s.PeekRaw()))) digits += s.TakeRaw();
  return digits;
}

}  // namespace

Value ExpressionParser::Parse(LineScanner& scanner) {
  return Or(scanner);
}

Value ExpressionParser::Or(LineScanner& s) {
  Value v = And(s);
  while (s.PeekNonBlank() == '!' || s.PeekNonBlank() == '|') {
    s.TakeRaw();
    const Value r = And(s);
    v = Combine(v, r, v.value | r.value);
  }
  return v;
}

Value ExpressionParser::And(LineScanner& s) {
  Value v = Sum(s);
  while (s.Accept('&')) {
    const Value r = Sum(s);
    v = Combine(v, r, v.value & r.value);
  }
  return v;
}

Value ExpressionParser::Sum(LineScanner& s) {
  Value v = Product(s);
  for (;;) {
    if (s.Accept('+')) {
      const Value r = Product(s);
      v = Combine(v, r, v.value + r.value);
    } else if (s.Accept('-')) {
      const Value r = Product(s);
      v = Combine(v, r, v.value - r.value);
    } else {
      return v;
    }
  }
}

Value ExpressionParser::Product(LineScanner& s) {
  Value v = Unary(s);
  for (;;) {
    if (s.Accept('*')) {
      const Value r = Unary(s);
      v = Combine(v, r, v.value * r.value);
    } else if (s.Accept('/')) {
      const Value r = Unary(s);
      if (r.defined && r.value == 0) throw AsmError("division by zero");
      v = Combine(v, r, r.defined ? v.value / r.value : 0);
    } else {
      return v;
    }
  }
}

Value ExpressionParser::Unary(LineScanner& s) {
  // Every nesting level passes here; a bound keeps hostile input from exhausting the stack.
  struct DepthGuard {
    int& depth;
    explicit DepthGuard(int& d) : depth(d) {
      if (++depth > kMaxDepth) throw AsmError("expression nested too deeply");
    }
    ~DepthGuard() { --depth; }
  } guard(depth_);
  if (s.Accept('-')) {
    const Value v = Unary(s);
    return {static_cast<uint16_t>(-v.value), v.defined};
  }
  if (s.Accept('~')) {
    const Value v = Unary(s);
    return {static_cast<uint16_t>(~v.value), v.defined};
  }
  if (s.Accept('+')) return Unary(s);
  return Primary(s);
}

Value ExpressionParser::Primary(LineScanner& s) {
  const char c = s.PeekNonBlank();
  if (c == '<') {
    s.TakeRaw();
    const Value v = Or(s);
    s.Expect('>', "'>'");
    return v;
  }
  if (c == '\'' || c == '"') {
    s.TakeRaw();
    const auto low = static_cast<uint8_t>(s.TakeRaw());
    const auto high = c == '"' ? static_cast<uint8_t>(s.TakeRaw()) : uint8_t{0};
    return {static_cast<uint16_t>(low | high << 8)};
  }
  if (c == '^') {
    s.TakeRaw();
    const char radix = static_cast<char>(std::toupper(static_cast<unsigned char>(s.TakeRaw())));
    const unsigned base = radix == 'D' ? 10 : radix == 'O' ? 8 : radix == 'B' ? 2 : radix == 'X' ? 16 : 0;
    if (base == 0) throw AsmError("unknown radix ^" + std::string(1, radix) + " (use ^D, ^O, ^B or ^X)");
    return {ParseDigits(TakeRadixDigits(s), base)};
  }
  if (s.AtDigit()) return {s.TakeNumber()};
  if (s.AtSymbolStart()) return SymbolValue(s.TakeSymbol());
  if (c == '\0') throw AsmError("expression expected");
  throw AsmError("unexpected '" + std::string(1, c) + "' in expression");
}

Value ExpressionParser::SymbolValue(const std::string& name) {
  if (name == ".") return {location_};
  if (RegisterNumber(name)) throw AsmError("register " + name + " cannot be used in an expression");
  if (const auto value = lookup_(name)) return {*value};
  if (undefined_.empty()) undefined_ = name;
  return {0, false};
}

}  // namespace homemicro::bkasm
