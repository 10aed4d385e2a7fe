#include "line_scanner.h"

#include <cctype>

#include "asm_error.h"

namespace homemicro::bkasm {

bool IsSymbolStart(char c) {
  return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == '$' || c == '.';
}

bool IsSymbolChar(char c) {
  return IsSymbolStart(c) || std::isdigit(static_cast<unsigned char>(c));
}

std::optional<unsigned> RegisterNumber(std::string_view name) {
  if (name == "SP") return 6;
  if (name == "PC") return 7;
  if (name.size() == 2 && name[0] == 'R' && name[1] >= '0' && name[1] <= '7') return name[1] - '0';
  return std::nullopt;
}

uint16_t ParseDigits(std::string_view digits, unsigned base) {
  if (digits.empty()) throw AsmError("number expected");
  uint32_t value = 0;
  for (char c : digits) {
    const int lower = std::tolower(static_cast<unsigned char>(c));
    const unsigned digit = std::isdigit(lower)              ? lower - '0'
                           : (lower >= 'a' && lower <= 'f') ? lower - 'a' + 10
                                                            : 99;
    if (digit >= base) {
      if (base == 8 && digit < 10)
        throw AsmError("digit " + std::string(1, c) + " in an octal number (end decimal numbers with '.')");
      throw AsmError("bad digit '" + std::string(1, c) + "' in number " + std::string(digits));
    }
    value = value * base + digit;
    if (value > 0177777) throw AsmError("number " + std::string(digits) + " does not fit in 16 bits");
  }
  return static_cast<uint16_t>(value);
}

void LineScanner::SkipBlanks() {
  while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\r')) ++pos_;
}

bool LineScanner::AtEnd() {
  SkipBlanks();
  return pos_ >= text_.size() || text_[pos_] == ';';
}

char LineScanner::PeekNonBlank() {
  return AtEnd() ? '\0' : text_[pos_];
}

char LineScanner::TakeRaw() {
  if (pos_ >= text_.size()) throw AsmError("unexpected end of line");
  return text_[pos_++];
}

bool LineScanner::Accept(char c) {
  if (PeekNonBlank() != c) return false;
  ++pos_;
  return true;
}

void LineScanner::Expect(char c, std::string_view what) {
  if (!Accept(c)) throw AsmError(std::string(what) + " expected");
}

void LineScanner::ExpectEnd() {
  if (!AtEnd()) throw AsmError("unexpected text: " + std::string(Rest()));
}

bool LineScanner::AtSymbolStart() {
  return IsSymbolStart(PeekNonBlank());
}

bool LineScanner::AtDigit() {
  return std::isdigit(static_cast<unsigned char>(PeekNonBlank())) != 0;
}

std::string LineScanner::TakeSymbol() {
  SkipBlanks();
  std::string symbol;
  while (pos_ < text_.size() && IsSymbolChar(text_[pos_])) {
    symbol += static_cast<char>(std::toupper(static_cast<unsigned char>(text_[pos_])));
    ++pos_;
  }
  if (symbol.empty()) throw AsmError("symbol expected");
  return symbol;
}

uint16_t LineScanner::TakeNumber() {
  SkipBlanks();
  const size_t start = pos_;
  while (pos_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_]))) ++pos_;
  const std::string_view digits = text_.substr(start, pos_ - start);
  if (pos_ < text_.size() && text_[pos_] == '.') {
    ++pos_;
    return ParseDigits(digits, 10);
  }
  return ParseDigits(digits, 8);
}

}  // namespace homemicro::bkasm
