// SDL keys as the Windows virtual-key codes and key data the game reads.
#pragma once

#include <SDL.h>

#include <cstdint>

namespace platform {

// Windows virtual-key codes the frame and the key map use by number.
enum : uint32_t {
  VK_BACK = 0x08,
  VK_TAB = 0x09,
  VK_RETURN = 0x0D,
  VK_SHIFT = 0x10,
  VK_CONTROL = 0x11,
  VK_MENU = 0x12,
  VK_PAUSE = 0x13,
  VK_CAPITAL = 0x14,
  VK_ESCAPE = 0x1B,
  VK_SPACE = 0x20,
  VK_PRIOR = 0x21,
  VK_NEXT = 0x22,
  VK_END = 0x23,
  VK_HOME = 0x24,
  VK_LEFT = 0x25,
  VK_UP = 0x26,
  VK_RIGHT = 0x27,
  VK_DOWN = 0x28,
  VK_SNAPSHOT = 0x2C,
  VK_INSERT = 0x2D,
  VK_DELETE = 0x2E,
  VK_LWIN = 0x5B,
  VK_RWIN = 0x5C,
  VK_APPS = 0x5D,
  VK_NUMPAD0 = 0x60,
  VK_MULTIPLY = 0x6A,
  VK_ADD = 0x6B,
  VK_SUBTRACT = 0x6D,
  VK_DECIMAL = 0x6E,
  VK_DIVIDE = 0x6F,
  VK_F1 = 0x70,
  VK_NUMLOCK = 0x90,
  VK_SCROLL = 0x91,
  VK_OEM_1 = 0xBA,       // ;
  VK_OEM_PLUS = 0xBB,    // =
  VK_OEM_COMMA = 0xBC,
  VK_OEM_MINUS = 0xBD,
  VK_OEM_PERIOD = 0xBE,
  VK_OEM_2 = 0xBF,       // /
  VK_OEM_3 = 0xC0,       // `
  VK_OEM_4 = 0xDB,       // [
  VK_OEM_5 = 0xDC,       // backslash
  VK_OEM_6 = 0xDD,       // ]
  VK_OEM_7 = 0xDE,       // '
  VK_OEM_102 = 0xE2,     // the extra key of ISO keyboards
};

// The virtual key of an SDL key; 0 for keys Windows has no code for. Letters
// and digits follow the keyboard layout, falling back to the key's position
// when the layout gives a character outside them.
uint32_t VirtualKeyFromSdl(SDL_Keycode key, SDL_Scancode scancode);

// The PC scan code (set 1) of a key, and whether it is an extended (E0) key.
uint8_t ScanCodeFromSdl(SDL_Scancode scancode, bool& extended);

// The key data of WM_KEYDOWN / WM_KEYUP: repeat count 1 in bits 0-15, the
// scan code in bits 16-23, the extended flag in bit 24, the previous key state
// in bit 30 (set for a repeat and for every key-up) and the transition state
// in bit 31 (set for key-up).
intptr_t MakeKeyData(SDL_Scancode scancode, bool keyUp, bool repeat);

}  // namespace platform
