// The scripted input of the interface tests against real input: a scripted
// event and the platform layer's translation of the same SDL event reach a
// widget alike, through the key map and the mouse.
#include <gtest/gtest.h>

#include <SDL.h>

#include <functional>

#include <string>
#include <vector>

#include "app/key_map.h"
#include "app/mouse.h"
#include "platform/sdl_events.h"
#include "platform/sdl_keys.h"
#include "support/ui_display.h"
#include "support/ui_input_driver.h"
#include "ui/widget.h"

namespace {

using testing_ui::UiInputDriver;

// Writes down what the key map and the mouse show at each event.
class InputObserver : public TWidget {
 public:
  InputObserver() : TWidget("observer", TScreenPosition()) {}
  void Draw() override { seen.push_back("draw"); }
  void Think() override { seen.push_back("think"); }
  void HandleKeys() override {
    std::string line = "keys:";
    for (const TKey& key : GetKeyMap()->GetKeysDown()) {
      if (key.IsDown()) line += " " + key.GetName();
    }
    for (const TKey& key : GetKeyMap()->GetKeysReleased()) line += " ^" + key.GetName();
    const uint8_t typed = GetKeyMap()->TakeTypedChar();
    if (typed != 0) line += " char " + std::to_string(typed);
    seen.push_back(line);
  }
  void Update() override {
    const TMouse& mouse = *GetMouse();
    seen.push_back("mouse: " + std::to_string(mouse.GetEventCode()) + " at " + std::to_string(mouse.GetX()) + "," +
                   std::to_string(mouse.GetY()) + " wheel " + std::to_string(mouse.GetWheelDelta()));
  }
  std::vector<std::string> seen;
};

std::vector<std::string> Script(const std::function<void(UiInputDriver&)>& script) {
  InputObserver observer;
  UiInputDriver driver(observer);
  script(driver);
  return observer.seen;
}

SDL_Event Key(uint32_t type, SDL_Keycode key, SDL_Scancode scancode) {
  SDL_Event event{};
  event.type = type;
  event.key.keysym.sym = key;
  event.key.keysym.scancode = scancode;
  return event;
}

SDL_Event Text(const char* utf8) {
  SDL_Event event{};
  event.type = SDL_TEXTINPUT;
  SDL_strlcpy(event.text.text, utf8, sizeof(event.text.text));
  return event;
}

SDL_Event Button(uint32_t type, uint8_t button, int32_t x, int32_t y) {
  SDL_Event event{};
  event.type = type;
  event.button.button = button;
  event.button.x = x;
  event.button.y = y;
  return event;
}

SDL_Event Motion(int32_t x, int32_t y) {
  SDL_Event event{};
  event.type = SDL_MOUSEMOTION;
  event.motion.x = x;
  event.motion.y = y;
  return event;
}

SDL_Event Wheel(int32_t notches) {
  SDL_Event event{};
  event.type = SDL_MOUSEWHEEL;
  event.wheel.y = notches;
  return event;
}

// Real SDL events through the platform layer's translator.
std::vector<std::string> Real(const std::vector<SDL_Event>& events) {
  return Script([&](UiInputDriver& driver) {
    int windowStandIn = 0;
    const platform::EventTarget target{reinterpret_cast<platform::WindowHandle>(&windowStandIn), 800, 600};
    platform::SdlEventTranslator translator;
    for (const SDL_Event& event : events) {
      std::vector<platform::Message> messages;
      translator.Translate(event, target, KMOD_NONE, messages);
      driver.Deliver(messages);
    }
  });
}

TEST(UiInputDriverTest, AScriptedKeyIsARealKey) {
  const auto real = Real({Key(SDL_KEYDOWN, SDLK_a, SDL_SCANCODE_A), Text("a"), Key(SDL_KEYUP, SDLK_a, SDL_SCANCODE_A),
                          Key(SDL_KEYDOWN, SDLK_RETURN, SDL_SCANCODE_RETURN), Text("\xC3\xA9"),
                          Key(SDL_KEYUP, SDLK_RETURN, SDL_SCANCODE_RETURN)});
  const auto scripted = Script([](UiInputDriver& driver) {
    driver.TypeKey('A', 'a');
    driver.KeyDown(platform::VK_RETURN);
    driver.Type("\xE9");
    driver.KeyUp(platform::VK_RETURN);
  });
  EXPECT_EQ(scripted, real);
  EXPECT_EQ(scripted, (std::vector<std::string>{"keys: A", "keys: A char 97", "keys: ^A", "keys: return",
                                                "keys: return char 233", "keys: ^return"}));
}

TEST(UiInputDriverTest, AScriptedMouseIsARealMouse) {
  testing_ui::ScopedUiDisplay display;
  const auto real = Real({Motion(100, 200), Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 100, 200),
                          Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 100, 200), Motion(900, 700),
                          Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, 900, 700),
                          Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT, 900, 700), Wheel(-2),
                          Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_MIDDLE, 900, 700),
                          Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_MIDDLE, 900, 700)});
  const auto scripted = Script([](UiInputDriver& driver) {
    driver.Click(100, 200);
    driver.MoveMouse(900, 700);
    for (const int32_t code : {3, 4}) driver.Mouse(code);
    driver.Mouse(UiInputDriver::kWheel, -2);
    for (const int32_t code : {6, 7}) driver.Mouse(code);
  });
  EXPECT_EQ(scripted, real);
  // Positions are clamped to the 800 x 600 display; the wheel reports
  // 120ths of a notch in the high word.
  const std::string wheel = std::to_string(static_cast<int32_t>(platform::MakeWheelWParam(-2, 0)));
  EXPECT_EQ(scripted, (std::vector<std::string>{"mouse: 1 at 100,200 wheel 0", "mouse: 2 at 100,200 wheel 0",
                                                "mouse: 3 at 799,599 wheel 0", "mouse: 4 at 799,599 wheel 0",
                                                "mouse: 5 at 799,599 wheel " + wheel, "mouse: 6 at 799,599 wheel 0",
                                                "mouse: 7 at 799,599 wheel 0"}));
}

TEST(UiInputDriverTest, FramesThinkThenDrawAndStateStartsFresh) {
  const auto first = Script([](UiInputDriver& driver) {
    driver.KeyDown('Q');
    driver.Mouse(UiInputDriver::kLeftPress);
    driver.Frame(2);
  });
  EXPECT_EQ(first.back(), "draw");
  EXPECT_EQ(std::vector<std::string>(first.end() - 4, first.end()),
            (std::vector<std::string>{"think", "draw", "think", "draw"}));
  // The key and the button held above are not held in the next script.
  const auto second = Script([](UiInputDriver& driver) {
    driver.KeyDown('W');
    driver.Mouse(UiInputDriver::kLeftRelease);
    driver.Mouse(0);
    driver.Mouse(8);
  });
  EXPECT_EQ(second, (std::vector<std::string>{"keys: W", "mouse: 0 at 0,0 wheel 0"}));
}

}  // namespace
