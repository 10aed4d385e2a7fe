// Expressions: 16-bit values computed modulo 0200000.
//   primary  number (octal; "10." decimal; ^D ^O ^B ^X prefixes), symbol, "." (the address of the
//            statement), 'c (one character), "cc (two characters, first in the low byte),
//            <expr> (grouping; parentheses belong to the addressing modes)
//   unary    - + ~ (complement)
//   binary   * /  before  + -  before  &  before  ! | (inclusive or)
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "line_scanner.h"

namespace homemicro::bkasm {

struct Value {
  uint16_t value = 0;
  bool defined = true;  // false when a symbol in it is not known (yet)
};

// Answers a symbol's value, or nullopt while it is not defined.
using SymbolLookup = std::function<std::optional<uint16_t>(const std::string& name)>;

class ExpressionParser {
 public:
  ExpressionParser(SymbolLookup lookup, uint16_t location)
      : lookup_(std::move(lookup)), location_(location) {}

  // Parses one expression at the scanner; the first unknown symbol is kept in UndefinedName().
  Value Parse(LineScanner& scanner);
  const std::string& UndefinedName() const { return undefined_; }

 private:
  Value Or(LineScanner& s);
  Value And(LineScanner& s);
  Value Sum(LineScanner& s);
  Value Product(LineScanner& s);
  Value Unary(LineScanner& s);
  Value Primary(LineScanner& s);
  Value SymbolValue(const std::string& name);

  static constexpr int kMaxDepth = 100;

  SymbolLookup lookup_;
  uint16_t location_;
  int depth_ = 0;
  std::string undefined_;
};

}  // namespace homemicro::bkasm
