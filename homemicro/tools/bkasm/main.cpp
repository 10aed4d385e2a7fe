// bkasm: assembles a BK-0010 program written in homemicro's disassembler notation into a raw
// image, a BK tape file and/or a listing.
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "assembler.h"
#include "image_output.h"

namespace {

using namespace homemicro::bkasm;

constexpr const char* kUsage =
    "usage: bkasm [--raw FILE] [--tape FILE] [--listing FILE] [--range LOW:HIGH] [--fill BYTE] SOURCE\n"
    "  SOURCE            program text, or - for standard input\n"
    "  --raw FILE        write the bytes as they lie in memory (ROM and RAM images)\n"
    "  --tape FILE       write a BK tape file: address word, length word, then the bytes\n"
    "  --listing FILE    write addresses, words and source lines, then the symbols\n"
    "  --range LOW:HIGH  the image spans exactly these octal addresses (inclusive)\n"
    "  --fill BYTE       octal value of the bytes in the image that no line assembled (default 0)\n"
    "Without an output option bkasm only checks the program.\n";

struct Options {
  std::string source;
  std::string rawPath;
  std::string tapePath;
  std::string listingPath;
  std::optional<AddressRange> range;
  uint8_t fill = 0;
};

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

Options ParseArguments(const std::vector<std::string>& args) {
  Options options;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw UsageError("option " + arg + " needs a value");
      return args[++i];
    };
    if (arg == "--raw") {
      options.rawPath = value();
    } else if (arg == "--tape") {
      options.tapePath = value();
    } else if (arg == "--listing") {
      options.listingPath = value();
    } else if (arg == "--range") {
      options.range = ParseAddressRange(value());
    } else if (arg == "--fill") {
      options.fill = ParseFillByte(value());
    } else if (arg.size() > 1 && arg[0] == '-') {
      throw UsageError("unknown option " + arg);
    } else if (options.source.empty()) {
      options.source = arg;
    } else {
      throw UsageError("only one source file can be given");
    }
  }
  if (options.source.empty()) throw UsageError("no source file given");
  return options;
}

std::string ReadSource(const std::string& path) {
  if (path == "-") return std::string(std::istreambuf_iterator<char>(std::cin), {});
  std::ifstream in(path, std::ios::binary);
  if (!in) throw OutputError("cannot open " + path);
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) throw OutputError("cannot read " + path);
  return text.str();
}

int Run(const Options& options) {
  const Program program = AssembleProgram(ReadSource(options.source));
  const std::string name = options.source == "-" ? "<stdin>" : options.source;
  for (const Diagnostic& error : program.errors) {
    std::cerr << "bkasm: " << name << ":" << error.line << ": " << error.message << "\n";
  }
  if (!program.errors.empty()) return 1;
  if (!options.listingPath.empty()) {
    const std::string listing = FormatListing(program);
    WriteFileReplacing(options.listingPath, std::vector<uint8_t>(listing.begin(), listing.end()));
  }
  if (options.rawPath.empty() && options.tapePath.empty()) return 0;
  const ImageBytes image = ExtractImage(program.image, options.range, options.fill);
  // Build the tape file first: when it cannot hold the image, nothing is written at all.
  std::vector<uint8_t> tape;
  if (!options.tapePath.empty()) tape = TapeFile(image);
  if (!options.rawPath.empty()) WriteFileReplacing(options.rawPath, image.bytes);
  if (!options.tapePath.empty()) WriteFileReplacing(options.tapePath, tape);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    std::cout << kUsage;
    return 0;
  }
  try {
    return Run(ParseArguments(args));
  } catch (const UsageError& e) {
    std::cerr << "bkasm: " << e.what() << "\n" << kUsage;
    return 2;
  } catch (const OutputError& e) {
    std::cerr << "bkasm: " << e.what() << "\n";
    return 1;
  }
}
