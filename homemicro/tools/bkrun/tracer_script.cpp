#include "tracer_script.h"

#include <cstdio>
#include <deque>

#include "homemicro/core/oct.h"
#include "homemicro/frontend/key_translation.h"
#include "homemicro/frontend/tracer_session.h"
#include "homemicro/frontend/virtual_keys.h"
#include "key_strokes.h"
#include "octal.h"

namespace bkrun {
namespace {

namespace vk = homemicro::vk;
using homemicro::PromptAnswer;

// The number box, answered from the script; every prompt is printed with its answer.
class ScriptedPrompts : public homemicro::TracerHost {
 public:
  ScriptedPrompts(HeadlessEmulator& emulator, homemicro::TracerSession& tracer)
      : emulator_(emulator), tracer_(tracer) {}

  const TracerKeyPress* current = nullptr;
  std::string failure;

  PromptAnswer AskNumber(std::string_view caption, uint16_t value) override {
    const std::string head = std::string(caption) + " [" + homemicro::debugger::OctStr(value) + "] ";
    const auto say = [&head](const std::string& rest) { std::printf("%s%s\n", head.c_str(), rest.c_str()); };
    if (!current || current->answer == TracerKeyPress::Answer::None) {
      say("(refused: no answer given)");
      return {PromptAnswer::Kind::Refused, 0};
    }
    if (current->answer == TracerKeyPress::Answer::Cancel) {
      say("Esc");
      return {PromptAnswer::Kind::Cancelled, 0};
    }
    const std::optional<int32_t> number = homemicro::ParseNumberEntry(current->text, true);
    if (!number) {
      say(current->text + " (refused)");
      PrintMessageBox("'" + current->text + std::string(homemicro::kNotAnIntegerMessage));
      return {PromptAnswer::Kind::Refused, 0};
    }
    say(current->text);
    return {PromptAnswer::Kind::Answered, *number};
  }

  // The main window's keys that make sense without one: F11 (Play or Stop), F12 (soft reset),
  // and the machine's keys.
  void PassKeyDown(uint16_t key, uint8_t shift) override {
    homemicro::FrontEndState& state = emulator_.State();
    if (key == vk::F11) {
      if (state.Run.TimerEnabled()) {
        Stop();
      } else {
        homemicro::PressPlay(state);
      }
    } else if (key == vk::F12) {
      emulator_.GetMachine().WriteWord(
          homemicro::RegisterAddress(homemicro::kPC),
          static_cast<uint16_t>(homemicro::Oct(emulator_.Settings().StartAddress)));
    } else if (!IsCommandKey(key)) {
      homemicro::RecordKeyPress(emulator_.Settings(), state.Pending, key, shift);
    }
  }
  void PassKeyUp(uint16_t, uint8_t) override { homemicro::EndKeyPress(emulator_.Settings()); }
  void ScreenChanged() override {}
  void EmulationFailed(const std::string& message) override { failure = message; }

  void Stop() {
    tracer_.LastPc = static_cast<uint16_t>(emulator_.GetMachine().State().R[homemicro::kPC] - 2);
    emulator_.State().Run.Stop();
  }

 private:
  HeadlessEmulator& emulator_;
  homemicro::TracerSession& tracer_;
};

}  // namespace

bool RunTracerScript(HeadlessEmulator& emulator, const std::vector<TracerKeyPress>& keys, bool atBreak) {
  homemicro::TracerSession tracer(emulator.GetMachine(), emulator.State());
  ScriptedPrompts host(emulator, tracer);
  tracer.SetHost(&host);
  homemicro::RunState& run = emulator.State().Run;
  if (!atBreak) host.Stop();
  tracer.UpdateAll();
  for (const TracerKeyPress& key : keys) {
    if (!run.TracerShown()) break;
    host.current = &key;
    tracer.KeyDown(key.virtualKey, 0);
    tracer.KeyUp(key.virtualKey, 0);
    host.current = nullptr;
    if (!host.failure.empty()) break;
    if (run.TimerEnabled()) {
      const RunEnd end = emulator.Run(RunLimits{std::nullopt, kTracerRunTicks, {}, std::nullopt, 0});
      if (end == RunEnd::Failed || end == RunEnd::EndProgram) {
        host.failure = end == RunEnd::Failed ? emulator.FailureMessage() : std::string();
        if (end == RunEnd::EndProgram) return false;
        break;
      }
      if (run.TimerEnabled()) {  // it never came back to the break point
        std::printf("(no stop in %lld ticks: stopped as F11 would)\n", kTracerRunTicks);
        host.Stop();
      }
    }
    tracer.UpdateAll();
  }
  if (!host.failure.empty()) {
    PrintMessageBox(host.failure);
    return false;
  }
  const homemicro::TracerPanes& panes = tracer.Panes();
  std::printf("%s\n%s\n\n%s", panes.Listing.c_str(), panes.Registers.c_str(), panes.Dump.c_str());
  return true;
}

}  // namespace bkrun
