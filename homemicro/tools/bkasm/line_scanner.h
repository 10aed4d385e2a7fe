// A cursor over one source line: blanks, symbols, numbers and punctuation. A ';' outside a
// character constant or string starts the comment, which ends the line for the scanner.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace homemicro::bkasm {

class LineScanner {
 public:
  explicit LineScanner(std::string_view text) : text_(text) {}

  void SkipBlanks();
  // True at the end of the line or at a comment (after blanks).
  bool AtEnd();
  // The next character after blanks, or '\0' at the end of the statement.
  char PeekNonBlank();
  // The character at the cursor itself (no blanks skipped), '\0' at the end of the text.
  char PeekRaw() const { return pos_ < text_.size() ? text_[pos_] : '\0'; }
  char TakeRaw();
  // Skips blanks; consumes `c` if it comes next.
  bool Accept(char c);
  void Expect(char c, std::string_view what);
  // Fails unless only blanks and a comment remain.
  void ExpectEnd();

  bool AtSymbolStart();
  // A symbol: a letter, '_', '$' or '.', then letters, digits, '_', '$' and '.'; upper-cased.
  std::string TakeSymbol();
  // Digits with an optional trailing '.' (decimal); octal otherwise.
  uint16_t TakeNumber();
  bool AtDigit();

  size_t Position() const { return pos_; }
  void Rewind(size_t position) { pos_ = position; }
  std::string_view Rest() const { return text_.substr(pos_); }

 private:
  std::string_view text_;
  size_t pos_ = 0;
};

bool IsSymbolStart(char c);
bool IsSymbolChar(char c);
// Register number of R0..R7, SP, PC (upper case), or nullopt.
std::optional<unsigned> RegisterNumber(std::string_view name);

// Digits of `digits` in `base`; fails with a clear message on a digit out of range or overflow
// past 16 bits.
uint16_t ParseDigits(std::string_view digits, unsigned base);

}  // namespace homemicro::bkasm
