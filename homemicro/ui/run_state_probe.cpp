#include "run_state_probe.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

void WriteRunStateProbe(homemicro::EmulatorSession& session, bool tracerVisible) {
  static const char* const path = std::getenv(kRunStateFileVariable);
  if (!path || !*path) return;
  const homemicro::RunState& run = session.State().Run;
  char line[160];
  std::snprintf(line, sizeof line, "timer=%d play=%d tracer=%d visible=%d instructions=%llu pc=%06o\n",
                run.TimerEnabled(), run.PlayDown(), run.TracerShown(), tracerVisible,
                static_cast<unsigned long long>(session.Loop().InstructionsExecuted()),
                static_cast<unsigned>(session.GetMachine().State().R[homemicro::kPC]));
  const std::string temporary = std::string(path) + ".part";
  {
    std::ofstream out(temporary, std::ios::trunc);
    out << line;
  }
  std::error_code ignored;
  std::filesystem::rename(temporary, path, ignored);
}
