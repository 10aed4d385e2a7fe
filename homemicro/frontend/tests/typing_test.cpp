#include "homemicro/frontend/typing.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "test_support.h"

namespace homemicro {
namespace {

TEST(Typing, CharactersMapToTheirUsLayoutKeys) {
  struct Case {
    char Character;
    KeyStroke Stroke;
  } const cases[] = {
      {'A', {'A', 0}},
      {'q', {'Q', 0}},
      {'7', {'7', 0}},
      {'@', {'2', kShiftBit}},
      {'~', {vk::Backquote, kShiftBit}},
      {'"', {vk::Apostrophe, kShiftBit}},
      {'_', {vk::Minus, kShiftBit}},
      {';', {vk::Semicolon, 0}},
      {' ', {vk::Space, 0}},
      {'\n', {vk::Enter, 0}},
      {'\x1b', {vk::Escape, 0}},
  };
  for (const Case& c : cases) {
    const auto stroke = KeyStrokeForCharacter(c.Character);
    ASSERT_TRUE(stroke) << c.Character;
    EXPECT_EQ(*stroke, c.Stroke) << c.Character;
  }
  for (char none : {'\0', '\r', '\x7f', static_cast<char>(0xd0)}) EXPECT_FALSE(KeyStrokeForCharacter(none));
}

// A ROM that enables the keyboard interrupt and stores every key code from 02000 on, with the
// interrupt open inside its handler.
std::vector<uint8_t> KeyRecorderRom() {
  return test::RomWithProgram({
      0012706, 0001000,           // 0100000 MOV #1000,SP
      0012705, 0002000,           // 0100004 MOV #2000,R5
      0012737, 0100024, 0000060,  // 0100010 MOV #100024,@#60
      0005037, 0177660,           // 0100016 CLR @#177660: interrupt enabled
      0000777,                    // 0100022 BR .
      0013700, 0177662,           // 0100024 MOV @#177662,R0: read, then store, and a key coming
      0110025,                    // 0100030 MOVB R0,(R5)+  in between would nest and overtake
      0000002,                    // 0100032 RTI
  });
}

TEST(Typing, TextReachesTheMachineThroughTheKeyboardInterrupt) {
  test::ScratchDir dir;
  test::RecordingHost window;
  auto session = std::make_unique<EmulatorSession>(window, 44100);
  test::WriteBytes(dir / "homemicro.rom", KeyRecorderRom());
  ASSERT_TRUE(session->StartUp(dir.Path(), true).Ok);
  ASSERT_EQ(session->Tick(), TickOutcome::Completed);  // the program sets itself up

  const TypingResult result = TypeText(*session, "Hi @2\n");
  EXPECT_TRUE(result.Ok) << result.Error;
  EXPECT_EQ(result.Typed, 6u);
  const auto& memory = session->GetMachine().State().Memory;
  const std::vector<uint8_t> codes(memory.begin() + 02000, memory.begin() + 02006);
  EXPECT_EQ(codes, (std::vector<uint8_t>{0110, 0111, 040, 0100, 062, 012}));
  EXPECT_EQ(session->GetMachine().State().R[5], 02006);  // one code per character, no more
  EXPECT_FALSE(session->Settings().KeyHeld);

  const TypingResult bad = TypeText(*session, "a\rb");
  EXPECT_FALSE(bad.Ok);
  EXPECT_EQ(bad.Typed, 1u);
  EXPECT_EQ(bad.Error, "no key types the character with code 13");
}

// The window's key path (session KeyDown and KeyUp), typed faster than the machine runs: all
// presses and releases of a word fall between two ticks, each key goes down before the one
// before it is up, and a key's host repeats come while it is held.
TEST(Typing, FastAndOverlappingKeysAllArriveInOrder) {
  struct Case {
    const char* Name;
    bool Overlap;
    int Repeats;
  } const cases[] = {{"one after the other", false, 0}, {"overlapping", true, 0}, {"with repeats", true, 3}};
  for (const Case& c : cases) {
    test::ScratchDir dir;
    test::RecordingHost window;
    auto session = std::make_unique<EmulatorSession>(window, 44100);
    test::WriteBytes(dir / "homemicro.rom", KeyRecorderRom());
    ASSERT_TRUE(session->StartUp(dir.Path(), true).Ok);
    ASSERT_EQ(session->Tick(), TickOutcome::Completed);
    const std::string text = "HELLOWORLD";
    for (std::size_t i = 0; i < text.size(); ++i) {
      session->KeyDown(static_cast<uint16_t>(text[i]), 0);
      for (int r = 0; r < c.Repeats; ++r) session->KeyDown(static_cast<uint16_t>(text[i]), 0);
      if (c.Overlap && i > 0) session->KeyUp();  // the key before this one comes up now
      if (!c.Overlap) session->KeyUp();
    }
    session->KeyUp();
    for (int tick = 0; tick < 3; ++tick) ASSERT_EQ(session->Tick(), TickOutcome::Completed);
    const auto& memory = session->GetMachine().State().Memory;
    EXPECT_EQ(std::string(memory.begin() + 02000, memory.begin() + session->GetMachine().State().R[5]), text)
        << c.Name;
    EXPECT_FALSE(session->Settings().KeyPending) << c.Name;
  }
}

}  // namespace
}  // namespace homemicro
