// The settings a run starts from: the configuration file when one is named, then the options
// that override it, as the emulator's start-up applies its configuration before the hard reset.
#pragma once

#include <optional>
#include <string>

#include "options.h"
#include "runner.h"

namespace bkrun {

struct SetupFailure {
  std::string text;
  bool messageBox = false;  // one of the program's own messages (printed as "Emul: TEXT")
};

std::optional<SetupFailure> ApplySettings(const Options& options, HeadlessEmulator& emulator);

}  // namespace bkrun
