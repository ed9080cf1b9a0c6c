// Message packing, key and event translation and the queue, without a window.
#include <gtest/gtest.h>

#include <vector>

#include "platform/sdl_events.h"
#include "platform/sdl_keys.h"
#include "platform/window.h"

namespace platform {
namespace {

struct PackCase {
  int low;
  int high;
  uint32_t packed;
};

void PrintTo(const PackCase& c, std::ostream* os) { *os << c.low << "," << c.high; }

class LParamPacking : public ::testing::TestWithParam<PackCase> {};

TEST_P(LParamPacking, PacksLowAndHighWords) {
  const PackCase& c = GetParam();
  const intptr_t lParam = MakeLParam(c.low, c.high);
  EXPECT_EQ(static_cast<uint32_t>(lParam), c.packed);
  EXPECT_EQ(SignedLowWord(static_cast<uintptr_t>(lParam)), static_cast<int16_t>(c.low));
  EXPECT_EQ(SignedHighWord(static_cast<uintptr_t>(lParam)), static_cast<int16_t>(c.high));
}

INSTANTIATE_TEST_SUITE_P(Table, LParamPacking,
                         ::testing::Values(PackCase{0, 0, 0x00000000u}, PackCase{10, 20, 0x0014000Au},
                                           PackCase{800, 600, 0x02580320u}, PackCase{-1, -2, 0xFFFEFFFFu},
                                           PackCase{-5, 300, 0x012CFFFBu}));

struct WheelCase {
  int32_t notches;
  uintptr_t keyState;
  int16_t delta;
};

void PrintTo(const WheelCase& c, std::ostream* os) { *os << c.notches << " notches, state " << c.keyState; }

class WheelPacking : public ::testing::TestWithParam<WheelCase> {};

TEST_P(WheelPacking, DeltaInHighWordKeyStateInLowWord) {
  const uintptr_t wParam = MakeWheelWParam(GetParam().notches, GetParam().keyState);
  EXPECT_EQ(SignedHighWord(wParam), GetParam().delta);
  EXPECT_EQ(LowWord(wParam), GetParam().keyState);
}

INSTANTIATE_TEST_SUITE_P(Table, WheelPacking,
                         ::testing::Values(WheelCase{1, 0, 120}, WheelCase{-1, MK_LBUTTON, -120},
                                           WheelCase{3, MK_SHIFT | MK_CONTROL, 360},
                                           WheelCase{-2, MK_RBUTTON | MK_MBUTTON, -240}));

struct KeyCase {
  SDL_Keycode key;
  SDL_Scancode scancode;
  uint32_t virtualKey;
};

void PrintTo(const KeyCase& c, std::ostream* os) { *os << "key " << c.key << " -> " << c.virtualKey; }

class VirtualKeys : public ::testing::TestWithParam<KeyCase> {};

TEST_P(VirtualKeys, MapToWindowsCodes) {
  EXPECT_EQ(VirtualKeyFromSdl(GetParam().key, GetParam().scancode), GetParam().virtualKey);
}

INSTANTIATE_TEST_SUITE_P(
    Table, VirtualKeys,
    ::testing::Values(KeyCase{SDLK_a, SDL_SCANCODE_A, 65}, KeyCase{SDLK_z, SDL_SCANCODE_Z, 90},
                      KeyCase{SDLK_0, SDL_SCANCODE_0, 48}, KeyCase{SDLK_9, SDL_SCANCODE_9, 57},
                      KeyCase{SDLK_LEFT, SDL_SCANCODE_LEFT, 37}, KeyCase{SDLK_UP, SDL_SCANCODE_UP, 38},
                      KeyCase{SDLK_RIGHT, SDL_SCANCODE_RIGHT, 39}, KeyCase{SDLK_DOWN, SDL_SCANCODE_DOWN, 40},
                      KeyCase{SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, 16}, KeyCase{SDLK_RSHIFT, SDL_SCANCODE_RSHIFT, 16},
                      KeyCase{SDLK_LCTRL, SDL_SCANCODE_LCTRL, 17}, KeyCase{SDLK_RCTRL, SDL_SCANCODE_RCTRL, 17},
                      KeyCase{SDLK_SPACE, SDL_SCANCODE_SPACE, 32}, KeyCase{SDLK_RETURN, SDL_SCANCODE_RETURN, 13},
                      KeyCase{SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, 27},
                      KeyCase{SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE, 8}, KeyCase{SDLK_TAB, SDL_SCANCODE_TAB, 9},
                      KeyCase{SDLK_DELETE, SDL_SCANCODE_DELETE, 46}, KeyCase{SDLK_F1, SDL_SCANCODE_F1, 112},
                      KeyCase{SDLK_F12, SDL_SCANCODE_F12, 123}, KeyCase{SDLK_KP_MINUS, SDL_SCANCODE_KP_MINUS, 109},
                      KeyCase{SDLK_KP_PLUS, SDL_SCANCODE_KP_PLUS, 107},
                      KeyCase{SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER, 13},
                      KeyCase{SDLK_PAGEUP, SDL_SCANCODE_PAGEUP, 33}, KeyCase{SDLK_HOME, SDL_SCANCODE_HOME, 36},
                      KeyCase{SDLK_MINUS, SDL_SCANCODE_MINUS, 0xBD},
                      // A Cyrillic layout's key in the A position still reads as A.
                      KeyCase{0x0444, SDL_SCANCODE_A, 65},
                      KeyCase{SDLK_UNKNOWN, SDL_SCANCODE_UNKNOWN, 0}, KeyCase{SDLK_MODE, SDL_SCANCODE_MODE, 0}));

struct KeyDataCase {
  SDL_Scancode scancode;
  bool keyUp;
  bool repeat;
  uint32_t data;
};

void PrintTo(const KeyDataCase& c, std::ostream* os) {
  *os << "scancode " << c.scancode << (c.keyUp ? " up" : " down") << (c.repeat ? " repeat" : "");
}

class KeyData : public ::testing::TestWithParam<KeyDataCase> {};

TEST_P(KeyData, CarriesRepeatScanCodeAndTransitionBits) {
  EXPECT_EQ(static_cast<uint32_t>(MakeKeyData(GetParam().scancode, GetParam().keyUp, GetParam().repeat)),
            GetParam().data);
}

INSTANTIATE_TEST_SUITE_P(
    Table, KeyData,
    ::testing::Values(KeyDataCase{SDL_SCANCODE_A, false, false, 0x001E0001u},
                      KeyDataCase{SDL_SCANCODE_A, false, true, 0x401E0001u},
                      KeyDataCase{SDL_SCANCODE_A, true, false, 0xC01E0001u},
                      KeyDataCase{SDL_SCANCODE_ESCAPE, false, false, 0x00010001u},
                      KeyDataCase{SDL_SCANCODE_LEFT, true, false, 0xC14B0001u},  // extended key
                      KeyDataCase{SDL_SCANCODE_UNKNOWN, false, false, 0x00000001u}));

// The translator only passes the handle on; any distinct address stands for a window.
class EventTranslation : public ::testing::Test {
 protected:
  std::vector<Message> Translate(const SDL_Event& event, uint16_t modifiers = KMOD_NONE) {
    std::vector<Message> out;
    translator_.Translate(event, target_, modifiers, out);
    return out;
  }

  static SDL_Event WindowEvent(uint8_t kind, int32_t data1 = 0, int32_t data2 = 0) {
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.event = kind;
    event.window.data1 = data1;
    event.window.data2 = data2;
    return event;
  }

  static SDL_Event Key(uint32_t type, SDL_Keycode key, SDL_Scancode scancode, uint8_t repeat = 0) {
    SDL_Event event{};
    event.type = type;
    event.key.keysym.sym = key;
    event.key.keysym.scancode = scancode;
    event.key.repeat = repeat;
    return event;
  }

  static SDL_Event Button(uint32_t type, uint8_t button, int32_t x, int32_t y) {
    SDL_Event event{};
    event.type = type;
    event.button.button = button;
    event.button.x = x;
    event.button.y = y;
    return event;
  }

  int windowStandIn_ = 0;
  EventTarget target_{reinterpret_cast<WindowHandle>(&windowStandIn_), 640, 480};
  SdlEventTranslator translator_;
};

struct WindowEventCase {
  uint8_t kind;
  int32_t data1;
  int32_t data2;
  uint32_t message;
  uintptr_t wParam;
  intptr_t lParam;
};

void PrintTo(const WindowEventCase& c, std::ostream* os) { *os << "window event " << int(c.kind); }

class WindowEvents : public EventTranslation, public ::testing::WithParamInterface<WindowEventCase> {};

TEST_P(WindowEvents, BecomeOneMessage) {
  const WindowEventCase& c = GetParam();
  const std::vector<Message> out = Translate(WindowEvent(c.kind, c.data1, c.data2));
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].window, target_.window);
  EXPECT_EQ(out[0].message, c.message);
  EXPECT_EQ(out[0].wParam, c.wParam);
  EXPECT_EQ(out[0].lParam, c.lParam);
}

INSTANTIATE_TEST_SUITE_P(
    Table, WindowEvents,
    ::testing::Values(
        WindowEventCase{SDL_WINDOWEVENT_CLOSE, 0, 0, WM_CLOSE, 0, 0},
        WindowEventCase{SDL_WINDOWEVENT_MOVED, 100, 50, WM_MOVE, 0, MakeLParam(100, 50)},
        WindowEventCase{SDL_WINDOWEVENT_SIZE_CHANGED, 1024, 768, WM_SIZE, SIZE_RESTORED, MakeLParam(1024, 768)},
        WindowEventCase{SDL_WINDOWEVENT_MINIMIZED, 0, 0, WM_SIZE, SIZE_MINIMIZED, 0},
        // A restored window reports its current size (the target's 640 x 480).
        WindowEventCase{SDL_WINDOWEVENT_RESTORED, 0, 0, WM_SIZE, SIZE_RESTORED, MakeLParam(640, 480)},
        WindowEventCase{SDL_WINDOWEVENT_FOCUS_GAINED, 0, 0, WM_ACTIVATE, WA_ACTIVE, 0},
        WindowEventCase{SDL_WINDOWEVENT_FOCUS_LOST, 0, 0, WM_ACTIVATE, WA_INACTIVE, 0}));

TEST_F(EventTranslation, ResizedIsLeftToTheSizeChangedThatAccompaniesIt) {
  EXPECT_TRUE(Translate(WindowEvent(SDL_WINDOWEVENT_RESIZED, 800, 600)).empty());
}

TEST_F(EventTranslation, QuitEventAsksTheWindowToClose) {
  SDL_Event event{};
  event.type = SDL_QUIT;
  const std::vector<Message> out = Translate(event);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].message, WM_CLOSE);
}

TEST_F(EventTranslation, KeysBecomeKeyDownAndKeyUpWithKeyData) {
  std::vector<Message> out = Translate(Key(SDL_KEYDOWN, SDLK_a, SDL_SCANCODE_A));
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].message, WM_KEYDOWN);
  EXPECT_EQ(out[0].wParam, 65u);
  EXPECT_EQ(out[0].lParam, MakeKeyData(SDL_SCANCODE_A, false, false));

  out = Translate(Key(SDL_KEYDOWN, SDLK_a, SDL_SCANCODE_A, 1));
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].lParam, MakeKeyData(SDL_SCANCODE_A, false, true));

  out = Translate(Key(SDL_KEYUP, SDLK_LEFT, SDL_SCANCODE_LEFT));
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].message, WM_KEYUP);
  EXPECT_EQ(out[0].wParam, 37u);
  EXPECT_EQ(out[0].lParam, MakeKeyData(SDL_SCANCODE_LEFT, true, false));
}

TEST_F(EventTranslation, TextBecomesOneCharPerWindows1252Byte) {
  SDL_Event event{};
  event.type = SDL_TEXTINPUT;
  // "é", euro sign, a CJK character (no Windows-1252 byte), "x".
  std::snprintf(event.text.text, sizeof(event.text.text), "%s", "\xC3\xA9\xE2\x82\xAC\xE6\x97\xA5x");
  const std::vector<Message> out = Translate(event);
  ASSERT_EQ(out.size(), 3u);
  const uintptr_t expected[] = {0xE9, 0x80, 'x'};
  for (std::size_t i = 0; i < out.size(); ++i) {
    EXPECT_EQ(out[i].message, WM_CHAR);
    EXPECT_EQ(out[i].wParam, expected[i]);
  }
}

TEST_F(EventTranslation, MouseMotionCarriesSignedClientWordsAndButtonState) {
  SDL_Event event{};
  event.type = SDL_MOUSEMOTION;
  event.motion.x = -5;
  event.motion.y = 300;
  event.motion.state = SDL_BUTTON_LMASK;
  const std::vector<Message> out = Translate(event, KMOD_LSHIFT);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].message, WM_MOUSEMOVE);
  EXPECT_EQ(SignedLowWord(static_cast<uintptr_t>(out[0].lParam)), -5);
  EXPECT_EQ(SignedHighWord(static_cast<uintptr_t>(out[0].lParam)), 300);
  EXPECT_EQ(out[0].wParam, MK_LBUTTON | MK_SHIFT);
}

struct ButtonCase {
  uint8_t button;
  uint32_t down;
  uint32_t up;
  uintptr_t mask;
};

void PrintTo(const ButtonCase& c, std::ostream* os) { *os << "button " << int(c.button); }

class MouseButtons : public EventTranslation, public ::testing::WithParamInterface<ButtonCase> {};

TEST_P(MouseButtons, DownAndUpWithTheStateAfterTheChange) {
  const ButtonCase& c = GetParam();
  std::vector<Message> out = Translate(Button(SDL_MOUSEBUTTONDOWN, c.button, 3, 4), KMOD_LCTRL);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].message, c.down);
  EXPECT_EQ(out[0].wParam, c.mask | MK_CONTROL);
  EXPECT_EQ(out[0].lParam, MakeLParam(3, 4));
  out = Translate(Button(SDL_MOUSEBUTTONUP, c.button, 7, 8));
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].message, c.up);
  EXPECT_EQ(out[0].wParam, 0u);
  EXPECT_EQ(out[0].lParam, MakeLParam(7, 8));
}

INSTANTIATE_TEST_SUITE_P(Table, MouseButtons,
                         ::testing::Values(ButtonCase{SDL_BUTTON_LEFT, WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON},
                                           ButtonCase{SDL_BUTTON_RIGHT, WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON},
                                           ButtonCase{SDL_BUTTON_MIDDLE, WM_MBUTTONDOWN, WM_MBUTTONUP,
                                                      MK_MBUTTON}));

TEST_F(EventTranslation, WheelDeltaIsSignedHundredTwentiethsPerNotch) {
  SDL_Event event{};
  event.type = SDL_MOUSEWHEEL;
  event.wheel.y = -2;
  event.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
  std::vector<Message> out = Translate(event);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].message, WM_MOUSEWHEEL);
  EXPECT_EQ(SignedHighWord(out[0].wParam), -240);

  event.wheel.y = 1;
  event.wheel.direction = SDL_MOUSEWHEEL_FLIPPED;  // natural scrolling reports the other way
  out = Translate(event);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(SignedHighWord(out[0].wParam), -120);

  event.wheel.y = 0;  // sideways only
  EXPECT_TRUE(Translate(event).empty());
}

TEST_F(EventTranslation, EventsWithoutATargetWindowAreDropped) {
  target_.window = nullptr;
  EXPECT_TRUE(Translate(Key(SDL_KEYDOWN, SDLK_a, SDL_SCANCODE_A)).empty());
}

// --- The queue -------------------------------------------------------------

class MessageQueue : public ::testing::Test {
 protected:
  void SetUp() override { Drain(); }
  void TearDown() override { Drain(); }

  static void Drain() {
    Message message;
    while (PeekMessage(message)) {
      GetMessage(message);
    }
  }
};

TEST_F(MessageQueue, PeekLooksWithoutRemovingAndGetTakesInOrder) {
  Message message;
  EXPECT_FALSE(PeekMessage(message));
  PostMessage(nullptr, WM_KEYDOWN, 65, 1);
  PostMessage(nullptr, WM_KEYUP, 65, 2);
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(PeekMessage(message));
    EXPECT_EQ(message.message, WM_KEYDOWN);
  }
  ASSERT_TRUE(GetMessage(message));
  EXPECT_EQ(message.message, WM_KEYDOWN);
  EXPECT_EQ(message.lParam, 1);
  ASSERT_TRUE(GetMessage(message));
  EXPECT_EQ(message.message, WM_KEYUP);
  EXPECT_EQ(message.lParam, 2);
  EXPECT_FALSE(PeekMessage(message));
}

TEST_F(MessageQueue, QuitMessageEndsGetMessageWithTheExitCode) {
  PostQuitMessage(7);
  Message message;
  ASSERT_TRUE(PeekMessage(message));
  EXPECT_EQ(message.message, WM_QUIT);
  EXPECT_FALSE(GetMessage(message));
  EXPECT_EQ(message.message, WM_QUIT);
  EXPECT_EQ(message.wParam, 7u);
}

struct TranslateCase {
  uintptr_t key;
  bool typesCharacter;
};

void PrintTo(const TranslateCase& c, std::ostream* os) { *os << "key " << c.key; }

class TranslateKeys : public MessageQueue, public ::testing::WithParamInterface<TranslateCase> {};

TEST_P(TranslateKeys, ControlKeysAlsoArriveAsCharacters) {
  PostMessage(nullptr, WM_KEYDOWN, GetParam().key, 0x001C0001);
  PostMessage(nullptr, WM_KEYUP, GetParam().key, 0);
  Message message;
  ASSERT_TRUE(GetMessage(message));
  TranslateMessage(message);
  ASSERT_TRUE(GetMessage(message));
  if (GetParam().typesCharacter) {
    EXPECT_EQ(message.message, WM_CHAR);
    EXPECT_EQ(message.wParam, GetParam().key);
    EXPECT_EQ(message.lParam, 0x001C0001);
    ASSERT_TRUE(GetMessage(message));
  }
  EXPECT_EQ(message.message, WM_KEYUP);
}

INSTANTIATE_TEST_SUITE_P(Table, TranslateKeys,
                         ::testing::Values(TranslateCase{13, true}, TranslateCase{8, true}, TranslateCase{9, true},
                                           TranslateCase{27, true}, TranslateCase{65, false},
                                           TranslateCase{37, false}));

TEST_F(MessageQueue, MessagesForNoWindowAreNotDispatched) {
  EXPECT_EQ(DispatchMessage(Message{nullptr, WM_CLOSE, 0, 0}), 0);
  EXPECT_EQ(SendMessage(nullptr, WM_CLOSE, 0, 0), 0);
  EXPECT_FALSE(IsWindow(nullptr));
}

}  // namespace
}  // namespace platform
