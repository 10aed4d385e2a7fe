#include "homemicro/frontend/tracer_session.h"

#include <algorithm>
#include <charconv>
#include <exception>

#include "homemicro/core/oct.h"
#include "homemicro/frontend/run_loop.h"
#include "homemicro/frontend/virtual_keys.h"

namespace homemicro {

namespace {

using C = TracerCommand;

// S passes its press on but drops its release, as the classic tracer did.
constexpr TracerKeyRow kTracerKeyTable[] = {
    {vk::Space, C::TraceInto, 0, true}, {vk::F7, C::TraceInto, 0, true}, {vk::F8, C::StepOver, 0, true},
    {vk::F9, C::Skip, 0, true},         {'G', C::GoTo, 0, true},         {'D', C::Dump, 0, true},
    {'0', C::EditRegister, 0, true},    {'1', C::EditRegister, 1, true}, {'2', C::EditRegister, 2, true},
    {'3', C::EditRegister, 3, true},    {'4', C::EditRegister, 4, true}, {'5', C::EditRegister, 5, true},
    {'6', C::EditRegister, 6, true},    {'7', C::EditRegister, 7, true}, {'N', C::ToggleFlag, 0, true},
    {'Z', C::ToggleFlag, 1, true},      {'V', C::ToggleFlag, 2, true},   {'C', C::ToggleFlag, 3, true},
    {'S', C::PassOn, 0, true},
};

const char* const kRegisterNames[] = {"R0", "R1", "R2", "R3", "R4", "R5", "SP", "PC"};

}  // namespace

std::span<const TracerKeyRow> TracerKeys() {
  return kTracerKeyTable;
}

const TracerKeyRow* FindTracerKey(uint16_t virtualKey) {
  const auto row = std::find_if(std::begin(kTracerKeyTable), std::end(kTracerKeyTable),
                                [virtualKey](const TracerKeyRow& r) { return r.VirtualKey == virtualKey; });
  return row == std::end(kTracerKeyTable) ? nullptr : row;
}

std::optional<int32_t> ParseNumberEntry(std::string_view text, bool octal) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  int32_t typed = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), typed, 10);
  if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size())
    return std::nullopt;
  return octal ? Oct(typed) : typed;
}

void PressPlay(FrontEndState& state) {
  state.BreakAddress = kNoBreakAddress;
  state.Run.Play();
}

TracerSession::TracerSession(Machine& machine, FrontEndState& state) : machine_(machine), state_(state) {}

void TracerSession::KeyDown(uint16_t virtualKey, uint8_t shiftState) {
  const TracerKeyRow* row = FindTracerKey(virtualKey);
  MachineState& s = machine_.State();
  switch (row ? row->Command : C::PassOn) {
    case C::TraceInto:
      TraceInto();
      return;
    case C::StepOver:
      LastPc = s.R[kPC];
      RunTo(NextPc);
      return;
    case C::Skip:
      LastPc = s.R[kPC];
      machine_.WriteWord(RegisterAddress(kPC), NextPc);
      UpdateAll();
      return;
    case C::GoTo: {
      const PromptAnswer answer = Ask(kBreakPointCaption, NextPc);
      if (answer.Outcome != PromptAnswer::Kind::Answered) return;
      LastPc = s.R[kPC];
      RunTo(static_cast<uint16_t>(answer.Value));
      return;
    }
    case C::Dump: {
      const PromptAnswer answer = Ask(kDumpAddressCaption, DumpAddress);
      if (answer.Outcome != PromptAnswer::Kind::Answered) return;
      DumpAddress = static_cast<uint16_t>(answer.Value);
      UpdateAll();
      return;
    }
    case C::EditRegister:
      EditRegister(row->Argument);
      return;
    case C::ToggleFlag:
      ToggleFlag(row->Argument);
      return;
    case C::PassOn:
      if (host_) host_->PassKeyDown(virtualKey, shiftState);
      UpdateAll();
      return;
  }
}

void TracerSession::KeyUp(uint16_t virtualKey, uint8_t shiftState) {
  const TracerKeyRow* row = FindTracerKey(virtualKey);
  if (row && row->KeyUpDropped) return;
  if (host_) host_->PassKeyUp(virtualKey, shiftState);
  UpdateAll();
}

void TracerSession::Leave() {
  if (Stepping || state_.Run.Ended() || state_.Run.TimerEnabled()) return;
  PressPlay(state_);
}

void TracerSession::TraceInto() {
  // One instruction with its trace trap, no timer count and no key delivery. A dialog the
  // instruction opens (the tape call) holds the run state and gives it back, so the machine
  // stays stopped.
  LastPc = machine_.State().R[kPC];
  Stepping = true;
  try {
    machine_.Step();
  } catch (const std::exception&) {
    Stepping = false;
    state_.Run.End();
    if (host_) host_->EmulationFailed(RegisterDumpMessage(machine_.State()));
    return;
  }
  if (host_) host_->ScreenChanged();
  Stepping = false;
  UpdateAll();
}

void TracerSession::RunTo(uint16_t breakAddress) {
  // Play clears the break point; the tracer's own goes in afterwards.
  PressPlay(state_);
  state_.BreakAddress = breakAddress;
}

PromptAnswer TracerSession::Ask(std::string_view caption, uint16_t value) {
  if (!host_) return {PromptAnswer::Kind::Refused, 0};
  PromptAnswer answer = host_->AskNumber(caption, value);
  // A negative number is what a cancelled box leaves; it is no answer.
  if (answer.Outcome == PromptAnswer::Kind::Answered && answer.Value < 0)
    answer.Outcome = PromptAnswer::Kind::Refused;
  return answer;
}

void TracerSession::EditRegister(int n) {
  const std::string caption = std::string(kRegisterValueCaption) + kRegisterNames[n];
  const PromptAnswer answer = Ask(caption, machine_.ReadWord(RegisterAddress(n)));
  if (answer.Outcome != PromptAnswer::Kind::Answered) return;
  int32_t value = answer.Value;
  if ((n == kSP || n == kPC) && (value & 1)) value -= 1;
  machine_.WriteWord(RegisterAddress(n), static_cast<uint16_t>(value));
  UpdateAll();
}

void TracerSession::ToggleFlag(int index) {
  MachineState& s = machine_.State();
  uint8_t* const flags[] = {&s.FlagN, &s.FlagZ, &s.FlagV, &s.FlagC};
  uint8_t& flag = *flags[index];
  flag = flag == 1 ? 0 : 1;
  UpdateAll();
}

}  // namespace homemicro
