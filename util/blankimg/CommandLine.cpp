#include "CommandLine.h"

#include <charconv>
#include <chrono>
#include <optional>
#include <sstream>
#include <thread>
#include <variant>
#include <vector>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "DiskTable.h"
#include "ImageRun.h"

namespace blankimg {
namespace {

struct Request {
  enum class Action { Write, List, Help, Version } action = Action::Write;
  std::optional<std::string> typeName;
  std::optional<std::string> rowText;
  std::optional<std::string> file;
};

struct UsageError {
  std::string message;
};

// Splits the arguments; an error message on anything it does not understand.
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
    if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
      if (request.file) return UsageError{"too many file names ('" + arg + "')"};
      request.file = arg;
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "--help" || arg == "-h") {
      request.action = Request::Action::Help;
    } else if (arg == "--version") {
      request.action = Request::Action::Version;
    } else if (arg == "--list") {
      request.action = Request::Action::List;
    } else if (is("--type")) {
      request.typeName = value("--type");
      if (!request.typeName) return UsageError{"--type needs a disk type name"};
    } else if (is("--row")) {
      request.rowText = value("--row");
      if (!request.rowText) return UsageError{"--row needs a row number"};
    } else {
      return UsageError{"unknown option '" + arg + "'"};
    }
  }
  return request;
}

// The row the request names: by --row, by --type, or both when they agree.
std::variant<const DiskType*, UsageError> chooseRow(const Request& request) {
  const auto rows = diskRows();
  if (request.rowText) {
    std::size_t number = 0;
    const std::string& text = *request.rowText;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size() || number < 1 || number > rows.size())
      return UsageError{"--row needs a number from 1 to " + std::to_string(rows.size()) + ", not '" + text +
                        "'"};
    const DiskType& row = rows[number - 1];
    if (request.typeName && *request.typeName != row.name)
      return UsageError{"row " + text + " is '" + row.name + "', not '" + *request.typeName + "'"};
    return &row;
  }
  if (!request.typeName) return UsageError{"choose a disk type with --type NAME (see --list)"};
  std::vector<const DiskType*> named;
  for (const DiskType& row : rows)
    if (*request.typeName == row.name) named.push_back(&row);
  if (named.empty()) return UsageError{"no disk type named '" + *request.typeName + "' (see --list)"};
  if (named.size() > 1) {
    std::string numbers;
    for (const DiskType* row : named)
      numbers += (numbers.empty() ? "" : ", ") + std::to_string(rowNumber(*row));
    return UsageError{"'" + *request.typeName + "' names rows " + numbers + "; choose one with --row"};
  }
  return named.front();
}

void drawProgress(std::ostream& err, int percent) {
  const int filled = percent / 10;
  err << "\r[" << std::string(filled, '#') << std::string(10 - filled, '.') << "] " << percent << "%"
      << std::flush;
}

int writeImage(const DiskType& row, const std::string& file, std::ostream& err, bool terminalProgress,
               const SpaceQuery& spaceQuery) {
  if (const auto refusal = checkFreeSpace(file, imageSizeBytes(row), spaceQuery)) {
    err << *refusal << '\n';
    return kExitFailed;
  }
  // The writer's causes are gathered apart and printed after it ends, so they never interleave
  // with the progress bar drawn on the same stream.
  std::ostringstream causes;
  ImageRun run(row, file, causes);
  run.start();
  int shown = -1;
  while (!run.finished()) {
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
  err << causes.str();
  if (result != WriteResult::Done) {
    err << kCannotCreateImage << '\n';
    return kExitFailed;
  }
  return kExitDone;
}

}  // namespace

std::string usageText() {
  return "Usage: blankimg                             open the dialog window\n"
         "       blankimg --list                      print the supported disks\n"
         "       blankimg --type NAME [--row N] FILE  write a blank image of that disk type\n"
         "       blankimg --help | --version\n"
         "NAME is a device name from --list; N is its row number there, which chooses between\n"
         "rows of the same name (rx50). Exit status: 0 done, 1 failed, 2 bad arguments.\n";
}

int runCommandLine(std::span<const std::string> args, std::ostream& out, std::ostream& err,
                   bool terminalProgress, const SpaceQuery& spaceQuery) {
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
      out << supportedDisksText();
      return kExitDone;
    case Request::Action::Write:
      break;
  }
  const auto chosen = chooseRow(request);
  if (const auto* error = std::get_if<UsageError>(&chosen)) return usageError(error->message);
  if (!request.file) return usageError("missing image file name");
  return writeImage(*std::get<const DiskType*>(chosen), *request.file, err, terminalProgress, spaceQuery);
}

bool standardErrorIsTerminal() {
#ifdef _WIN32
  return ::_isatty(2) != 0;
#else
  return ::isatty(2) != 0;
#endif
}

}  // namespace blankimg
