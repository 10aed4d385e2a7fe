// The tracer's behaviour without a window: the three panes' text, and what every key does to a
// stopped machine (trace into, step over, skip, go to, register, dump and flag edits). The
// window that shows it (or bkrun) draws the panes, forwards keys, and answers the number box
// through TracerHost.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "homemicro/core/machine.h"
#include "homemicro/frontend/frontend_state.h"

namespace homemicro {

inline constexpr uint16_t kFirstDumpAddress = 0700;
inline constexpr std::string_view kBreakPointCaption = "Enter address of BreakPoint";
inline constexpr std::string_view kDumpAddressCaption = "Enter dump address";
inline constexpr std::string_view kRegisterValueCaption = "Enter value for ";
inline constexpr std::string_view kTracerHelpLine =
    "0..7 - registers; N,Z,V,C - flags; D - dump; G - go to; F7 - trace into; F8 - step over; F9 - skip";
// The number box's answer to text that is no integer; the box stays open with the text.
inline constexpr std::string_view kNotAnIntegerMessage = "' is not a valid integer value";

// What the number box gave back.
struct PromptAnswer {
  enum class Kind {
    Answered,   // Enter on a number: `Value` holds it
    Cancelled,  // Esc
    Refused,    // no box could be shown, or its text was no number
  };
  Kind Outcome = Kind::Cancelled;
  int32_t Value = 0;
};

// The number box's reading of its text: decimal digits, taken as octal digits in octal mode
// (1001 is 01001); nothing when the text is no integer.
std::optional<int32_t> ParseNumberEntry(std::string_view text, bool octal);

// What the tracer needs from around it.
class TracerHost {
 public:
  virtual ~TracerHost() = default;
  // The modal number box in octal mode, showing `value` (as octal digits) under `caption`.
  virtual PromptAnswer AskNumber(std::string_view caption, uint16_t value) = 0;
  // A key the tracer does not use goes to the main window, as if typed there.
  virtual void PassKeyDown(uint16_t virtualKey, uint8_t shiftState) = 0;
  virtual void PassKeyUp(uint16_t virtualKey, uint8_t shiftState) = 0;
  // The machine moved under a single step: redraw the emulated screen.
  virtual void ScreenChanged() = 0;
  // A single step failed on the host's side: the register dump message; the program ends.
  virtual void EmulationFailed(const std::string& message) = 0;
};

// What a tracer key does.
enum class TracerCommand {
  TraceInto,     // Space, F7
  StepOver,      // F8
  Skip,          // F9
  GoTo,          // G
  Dump,          // D
  EditRegister,  // 0..7
  ToggleFlag,    // N, Z, V, C
  PassOn,        // to the main window
};

struct TracerKeyRow {
  uint16_t VirtualKey;
  TracerCommand Command;
  int Argument;       // register number, or the flag's index (N Z V C = 0..3)
  bool KeyUpDropped;  // its release does not go to the main window
};

// The one table of tracer keys, read by KeyDown and KeyUp alike. A key that is not in it
// goes to the main window, down and up.
std::span<const TracerKeyRow> TracerKeys();
const TracerKeyRow* FindTracerKey(uint16_t virtualKey);

struct TracerPanes {
  std::string Listing;    // nine lines
  std::string Registers;  // R0..PC, then PS
  std::string Dump;       // four lines of 16 bytes
};

class TracerSession {
 public:
  TracerSession(Machine& machine, FrontEndState& state);
  void SetHost(TracerHost* host) { host_ = host; }

  uint16_t DumpAddress = kFirstDumpAddress;
  // The address of the first listing line: normally the PC before the last tracer action.
  uint16_t LastPc = 0;
  uint16_t NextPc = 0;
  // Set only while a single step runs.
  bool Stepping = false;

  // Rebuilds the panes from the machine state (memory read with the register page's side
  // effects, as the processor would read it).
  void UpdateAll();
  const TracerPanes& Panes() const { return panes_; }

  void KeyDown(uint16_t virtualKey, uint8_t shiftState);
  void KeyUp(uint16_t virtualKey, uint8_t shiftState);
  // Leaving the tracer (its close box, a click into the main window): Play.
  void Leave();

 private:
  void TraceInto();
  void RunTo(uint16_t breakAddress);
  void EditRegister(int n);
  void ToggleFlag(int index);
  PromptAnswer Ask(std::string_view caption, uint16_t value);
  std::string ListingText();
  std::string RegisterText();
  std::string DumpText();

  Machine& machine_;
  FrontEndState& state_;
  TracerHost* host_ = nullptr;
  TracerPanes panes_;
};

// Play: the tracer steps aside, the break point is cleared, the machine runs.
void PressPlay(FrontEndState& state);

}  // namespace homemicro
