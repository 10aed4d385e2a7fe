// Where command lines come from: standard input read exactly as scripts expect, or line editing
// with history when standard input is a terminal.
#pragma once

#include <memory>
#include <string>

namespace volxfer {

class LineReader {
 public:
  virtual ~LineReader() = default;
  // Prompts and reads one line (with its line end when it had one). False at the end of input,
  // including after a last line that had no line end: such a line is not run.
  virtual bool ReadLine(std::string& line) = 0;
};

// Reads at most 8191 characters per call, so a longer line arrives in pieces.
class StreamLineReader : public LineReader {
 public:
  bool ReadLine(std::string& line) override;
};

std::unique_ptr<LineReader> MakeLineReader();

}  // namespace volxfer
