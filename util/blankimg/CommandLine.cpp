#include "CommandLine.h"

#include <array>
#include <charconv>
#include <chrono>
#include <csignal>
#include <optional>
#include <sstream>
#include <thread>
#include <variant>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

#include "DiskTable.h"
#include "ImageRun.h"

namespace blankimg {
namespace {

// Texts of the command line's refusals and argument errors.
constexpr const char* kAlreadyExists = "already exists; add --force to overwrite it";
constexpr const char* kTakesNoArguments = "takes no other arguments";
constexpr const char* kGivenTwice = "given twice";
constexpr const char* kInterrupted = "blankimg: interrupted; the image was not completed";

volatile std::sig_atomic_t caughtSignal = 0;
extern "C" void noteSignal(int number) {
  caughtSignal = number;
}

// While an image is written, Ctrl-C (or a plain kill) stops the writer rather than the process,
// so the run can remove the file it made; the signal is then raised again for whoever waits on
// us. A signal the caller ignores stays ignored.
class InterruptGuard {
 public:
  InterruptGuard() {
    caughtSignal = 0;
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
      previous_[i] = std::signal(kSignals[i], noteSignal);
      if (previous_[i] == SIG_IGN) std::signal(kSignals[i], SIG_IGN);
    }
  }
  ~InterruptGuard() { restore(); }
  InterruptGuard(const InterruptGuard&) = delete;
  InterruptGuard& operator=(const InterruptGuard&) = delete;

  static bool caught() { return caughtSignal != 0; }
  void restoreAndRaise() {
    restore();
    if (caughtSignal != 0) std::raise(caughtSignal);
  }

 private:
  void restore() {
    for (std::size_t i = 0; i < kSignals.size(); ++i)
      if (previous_[i] != SIG_ERR) std::signal(kSignals[i], previous_[i]);
    previous_.fill(SIG_ERR);
  }

  static constexpr std::array<int, 2> kSignals{SIGINT, SIGTERM};
  std::array<void (*)(int), 2> previous_{};
};

struct Request {
  enum class Action { Write, List, Help, Version } action = Action::Write;
  std::optional<std::string> actionOption;  // --list, --help ... as typed
  std::optional<std::string> typeName;
  std::optional<std::string> rowText;
  std::optional<std::string> file;
  bool force = false;
  std::optional<std::string> firstWriteArgument;  // the first argument only writing takes
};

struct UsageError {
  std::string message;
};

std::optional<UsageError> noteAction(Request& request, Request::Action action, const std::string& arg) {
  if (request.actionOption)
    return UsageError{*request.actionOption + " " + kTakesNoArguments + " ('" + arg + "')"};
  request.action = action;
  request.actionOption = arg;
  return std::nullopt;
}

// Splits the arguments; an error message on anything it does not understand, on an option
// given twice, and on anything beside --list, --help or --version.
std::variant<Request, UsageError> parseArguments(std::span<const std::string> args) {
  Request request;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&](const char* option) -> std::optional<std::string> {
      const std::string prefix = std::string(option) + "=";
      if (arg.rfind(prefix, 0) == 0) return arg.substr(prefix.size());
      if (i + 1 < args.size()) return args[++i];
      return std::nullopt;
    };
    auto is = [&](const char* option) {
      return arg == option || arg.rfind(std::string(option) + "=", 0) == 0;
    };
    std::optional<UsageError> error;
    if (optionsEnded || arg == kStandardOutputName || arg.empty() || arg[0] != '-') {
      if (request.file) return UsageError{"too many file names ('" + arg + "')"};
      request.file = arg;
      if (!request.firstWriteArgument) request.firstWriteArgument = arg;
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "--help" || arg == "-h") {
      error = noteAction(request, Request::Action::Help, arg);
    } else if (arg == "--version") {
      error = noteAction(request, Request::Action::Version, arg);
    } else if (arg == "--list") {
      error = noteAction(request, Request::Action::List, arg);
    } else if (arg == "--force") {
      if (request.force) return UsageError{arg + " " + kGivenTwice};
      request.force = true;
      if (!request.firstWriteArgument) request.firstWriteArgument = arg;
    } else if (is("--type")) {
      if (request.typeName) return UsageError{std::string("--type ") + kGivenTwice};
      request.typeName = value("--type");
      if (!request.typeName) return UsageError{"--type needs a disk type name"};
      if (!request.firstWriteArgument) request.firstWriteArgument = arg;
    } else if (is("--row")) {
      if (request.rowText) return UsageError{std::string("--row ") + kGivenTwice};
      request.rowText = value("--row");
      if (!request.rowText) return UsageError{"--row needs a row number"};
      if (!request.firstWriteArgument) request.firstWriteArgument = arg;
    } else {
      return UsageError{"unknown option '" + arg + "'"};
    }
    if (error) return *error;
  }
  if (request.actionOption && request.firstWriteArgument)
    return UsageError{*request.actionOption + " " + kTakesNoArguments + " ('" + *request.firstWriteArgument +
                      "')"};
  return request;
}

std::string lowerCase(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

std::optional<std::size_t> parseRowNumber(const std::string& text, std::size_t rowCount) {
  std::size_t number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc() || end != text.data() + text.size() || number < 1 || number > rowCount)
    return std::nullopt;
  return number;
}

void drawProgress(std::ostream& err, int percent) {
  const int filled = percent / 10;
  err << "\r[" << std::string(filled, '#') << std::string(10 - filled, '.') << "] " << percent << "%"
      << std::flush;
}

// Watches the writer until it ends, drawing the bar on a terminal; the result after the run
// has put the image in place (or removed what it made).
WriteResult followRun(ImageRun& run, std::ostream& err, bool terminalProgress) {
  run.start();
  int shown = -1;
  while (!run.finished()) {
    if (InterruptGuard::caught()) run.cancel();
    if (terminalProgress) {
      const int percent = progressPercent(run.sectorsReported(), run.totalSectors());
      if (percent != shown) drawProgress(err, shown = percent);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  const WriteResult result = run.wait();
  if (terminalProgress) {
    if (result == WriteResult::Done) drawProgress(err, 100);
    err << '\n';
  }
  return result;
}

bool pathIsTaken(const std::string& file) {
  std::error_code error;
  return std::filesystem::symlink_status(file, error).type() != std::filesystem::file_type::not_found;
}

std::FILE* binaryStream(std::FILE* stream) {
#ifdef _WIN32
  ::_setmode(::_fileno(stream), _O_BINARY);
#endif
  return stream;
}

int writeImage(const DiskType& row, const Request& request, std::ostream& err, bool terminalProgress,
               const SpaceQuery& spaceQuery, std::FILE* imageOutput) {
  const std::string& file = *request.file;
  const bool toStandardOutput = file == kStandardOutputName;
  if (!toStandardOutput && !request.force && pathIsTaken(file)) {
    err << "blankimg: '" << file << "' " << kAlreadyExists << '\n';
    return kExitFailed;
  }
  // The writer's causes are gathered apart and printed after it ends, so they never interleave
  // with the progress bar drawn on the same stream.
  std::ostringstream causes;
  std::optional<ImageRun> run;
  if (toStandardOutput)
    run.emplace(row, binaryStream(imageOutput), causes);
  else
    run.emplace(row, std::filesystem::path(file), causes);
  WriteResult result = WriteResult::Failed;
  InterruptGuard guard;  // from the moment the run makes its file
  switch (run->prepare(spaceQuery)) {
    case PrepareResult::NotEnoughSpace:
      err << notEnoughSpaceText(imageSizeBytes(row)) << '\n';
      return kExitFailed;
    case PrepareResult::Failed:
      break;
    case PrepareResult::Ready: {
      result = followRun(*run, err, terminalProgress);
      if (result == WriteResult::Cancelled) {
        err << kInterrupted << '\n' << std::flush;
        guard.restoreAndRaise();
        return kExitFailed;
      }
      break;
    }
  }
  err << causes.str();
  if (result != WriteResult::Done) {
    err << kCannotCreateImage << '\n';
    return kExitFailed;
  }
  return kExitDone;
}

}  // namespace

std::string usageText() {
  return "Usage: blankimg                                       open the dialog window\n"
         "       blankimg --list                                print the supported disks, numbered\n"
         "       blankimg --type NAME [--row N] [--force] FILE  write a blank image of that disk type\n"
         "       blankimg --help | --version\n"
         "NAME is a device name from --list, in any case; N is its number there, needed only\n"
         "where rows of one name give different images. An existing FILE is kept unless --force;\n"
         "FILE - writes the image to standard output. Exit status: 0 done, 1 failed, 2 bad arguments.\n";
}

std::string numberedListText() {
  std::ostringstream text;
  const auto rows = diskRows();
  for (std::size_t i = 0; i < rows.size(); ++i)
    text << i + 1 << '\t' << rows[i].name << '\t' << rows[i].description << '\t'
         << platformText(rows[i].platforms) << '\t' << sizeKb(rows[i]) << '\n';
  return text.str();
}

std::variant<const DiskType*, std::string> findRow(std::span<const DiskType> rows,
                                                   const std::optional<std::string>& name,
                                                   const std::optional<std::string>& rowText) {
  if (rowText) {
    const auto number = parseRowNumber(*rowText, rows.size());
    if (!number)
      return "--row needs a number from 1 to " + std::to_string(rows.size()) + ", not '" + *rowText + "'";
    const DiskType& row = rows[*number - 1];
    if (name && lowerCase(*name) != lowerCase(row.name))
      return "row " + *rowText + " is '" + row.name + "', not '" + *name + "'";
    return &row;
  }
  if (!name) return std::string("choose a disk type with --type NAME (see --list)");
  std::vector<std::size_t> named;
  for (std::size_t i = 0; i < rows.size(); ++i)
    if (lowerCase(*name) == lowerCase(rows[i].name)) named.push_back(i);
  if (named.empty()) return "no disk type named '" + *name + "' (see --list)";
  for (const std::size_t other : named)
    if (!writesSameImage(rows[named.front()], rows[other])) {
      std::string numbers;
      for (const std::size_t i : named) numbers += (numbers.empty() ? "" : ", ") + std::to_string(i + 1);
      return "'" + *name + "' names rows " + numbers + "; choose one with --row";
    }
  return &rows[named.front()];
}

int runCommandLine(std::span<const std::string> args, std::ostream& out, std::ostream& err,
                   bool terminalProgress, const SpaceQuery& spaceQuery, std::FILE* imageOutput) {
  auto usageError = [&](const std::string& message) {
    err << "blankimg: " << message << '\n' << usageText();
    return kExitBadArguments;
  };
  const auto parsed = parseArguments(args);
  if (const auto* error = std::get_if<UsageError>(&parsed)) return usageError(error->message);
  const Request& request = std::get<Request>(parsed);
  switch (request.action) {
    case Request::Action::Help:
      out << usageText();
      return kExitDone;
    case Request::Action::Version:
      out << kVersionText;
      return kExitDone;
    case Request::Action::List:
      out << numberedListText();
      return kExitDone;
    case Request::Action::Write:
      break;
  }
  const auto chosen = findRow(diskRows(), request.typeName, request.rowText);
  if (const auto* error = std::get_if<std::string>(&chosen)) return usageError(*error);
  if (!request.file) return usageError("missing image file name");
  return writeImage(*std::get<const DiskType*>(chosen), request, err, terminalProgress, spaceQuery,
                    imageOutput);
}

bool standardErrorIsTerminal() {
#ifdef _WIN32
  return ::_isatty(2) != 0;
#else
  return ::isatty(2) != 0;
#endif
}

}  // namespace blankimg
