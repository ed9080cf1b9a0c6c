#include "platform/sdl_keys.h"

#include <initializer_list>

namespace platform {

namespace {

uint32_t LetterOrDigit(SDL_Keycode key) {
  if (key >= SDLK_a && key <= SDLK_z) {
    return static_cast<uint32_t>('A' + (key - SDLK_a));
  }
  if (key >= SDLK_0 && key <= SDLK_9) {
    return static_cast<uint32_t>(key);
  }
  return 0;
}

uint32_t KeypadKey(SDL_Keycode key) {
  switch (key) {
    case SDLK_KP_0: return VK_NUMPAD0;
    case SDLK_KP_1: return VK_NUMPAD0 + 1;
    case SDLK_KP_2: return VK_NUMPAD0 + 2;
    case SDLK_KP_3: return VK_NUMPAD0 + 3;
    case SDLK_KP_4: return VK_NUMPAD0 + 4;
    case SDLK_KP_5: return VK_NUMPAD0 + 5;
    case SDLK_KP_6: return VK_NUMPAD0 + 6;
    case SDLK_KP_7: return VK_NUMPAD0 + 7;
    case SDLK_KP_8: return VK_NUMPAD0 + 8;
    case SDLK_KP_9: return VK_NUMPAD0 + 9;
    case SDLK_KP_MULTIPLY: return VK_MULTIPLY;
    case SDLK_KP_PLUS: return VK_ADD;
    case SDLK_KP_MINUS: return VK_SUBTRACT;
    case SDLK_KP_PERIOD: return VK_DECIMAL;
    case SDLK_KP_DIVIDE: return VK_DIVIDE;
    case SDLK_KP_ENTER: return VK_RETURN;
    default: return 0;
  }
}

uint32_t PunctuationKey(SDL_Keycode key) {
  switch (key) {
    case SDLK_SEMICOLON: return VK_OEM_1;
    case SDLK_EQUALS: return VK_OEM_PLUS;
    case SDLK_COMMA: return VK_OEM_COMMA;
    case SDLK_MINUS: return VK_OEM_MINUS;
    case SDLK_PERIOD: return VK_OEM_PERIOD;
    case SDLK_SLASH: return VK_OEM_2;
    case SDLK_BACKQUOTE: return VK_OEM_3;
    case SDLK_LEFTBRACKET: return VK_OEM_4;
    case SDLK_BACKSLASH: return VK_OEM_5;
    case SDLK_RIGHTBRACKET: return VK_OEM_6;
    case SDLK_QUOTE: return VK_OEM_7;
    default: return 0;
  }
}

uint32_t ControlKey(SDL_Keycode key) {
  if (key >= SDLK_F1 && key <= SDLK_F12) {
    return VK_F1 + static_cast<uint32_t>(key - SDLK_F1);
  }
  switch (key) {
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_TAB: return VK_TAB;
    case SDLK_RETURN: return VK_RETURN;
    case SDLK_LSHIFT: case SDLK_RSHIFT: return VK_SHIFT;
    case SDLK_LCTRL: case SDLK_RCTRL: return VK_CONTROL;
    case SDLK_LALT: case SDLK_RALT: return VK_MENU;
    case SDLK_PAUSE: return VK_PAUSE;
    case SDLK_CAPSLOCK: return VK_CAPITAL;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_PAGEUP: return VK_PRIOR;
    case SDLK_PAGEDOWN: return VK_NEXT;
    case SDLK_END: return VK_END;
    case SDLK_HOME: return VK_HOME;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_UP: return VK_UP;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_PRINTSCREEN: return VK_SNAPSHOT;
    case SDLK_INSERT: return VK_INSERT;
    case SDLK_DELETE: return VK_DELETE;
    case SDLK_LGUI: return VK_LWIN;
    case SDLK_RGUI: return VK_RWIN;
    case SDLK_APPLICATION: return VK_APPS;
    case SDLK_NUMLOCKCLEAR: return VK_NUMLOCK;
    case SDLK_SCROLLLOCK: return VK_SCROLL;
    default: return 0;
  }
}

// Letters and digits by position, for layouts whose keys give other characters.
uint32_t PositionalLetterOrDigit(SDL_Scancode scancode) {
  if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z) {
    return static_cast<uint32_t>('A' + (scancode - SDL_SCANCODE_A));
  }
  if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9) {
    return static_cast<uint32_t>('1' + (scancode - SDL_SCANCODE_1));
  }
  if (scancode == SDL_SCANCODE_0) {
    return '0';
  }
  if (scancode == SDL_SCANCODE_NONUSBACKSLASH) {
    return VK_OEM_102;
  }
  return 0;
}

// Set-1 codes of the letter keys, in the order of SDL_SCANCODE_A..Z.
constexpr uint8_t kLetterScanCodes[26] = {
    0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17, 0x24, 0x25, 0x26, 0x32,
    0x31, 0x18, 0x19, 0x10, 0x13, 0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C,
};

uint8_t ExtendedScanCode(SDL_Scancode scancode) {
  switch (scancode) {
    case SDL_SCANCODE_KP_ENTER: return 0x1C;
    case SDL_SCANCODE_RCTRL: return 0x1D;
    case SDL_SCANCODE_KP_DIVIDE: return 0x35;
    case SDL_SCANCODE_RALT: return 0x38;
    case SDL_SCANCODE_HOME: return 0x47;
    case SDL_SCANCODE_UP: return 0x48;
    case SDL_SCANCODE_PAGEUP: return 0x49;
    case SDL_SCANCODE_LEFT: return 0x4B;
    case SDL_SCANCODE_RIGHT: return 0x4D;
    case SDL_SCANCODE_END: return 0x4F;
    case SDL_SCANCODE_DOWN: return 0x50;
    case SDL_SCANCODE_PAGEDOWN: return 0x51;
    case SDL_SCANCODE_INSERT: return 0x52;
    case SDL_SCANCODE_DELETE: return 0x53;
    case SDL_SCANCODE_LGUI: return 0x5B;
    case SDL_SCANCODE_RGUI: return 0x5C;
    case SDL_SCANCODE_APPLICATION: return 0x5D;
    default: return 0;
  }
}

uint8_t MainScanCode(SDL_Scancode scancode) {
  if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z) {
    return kLetterScanCodes[scancode - SDL_SCANCODE_A];
  }
  if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_0) {
    return static_cast<uint8_t>(0x02 + (scancode - SDL_SCANCODE_1));
  }
  if (scancode >= SDL_SCANCODE_F1 && scancode <= SDL_SCANCODE_F10) {
    return static_cast<uint8_t>(0x3B + (scancode - SDL_SCANCODE_F1));
  }
  switch (scancode) {
    case SDL_SCANCODE_ESCAPE: return 0x01;
    case SDL_SCANCODE_MINUS: return 0x0C;
    case SDL_SCANCODE_EQUALS: return 0x0D;
    case SDL_SCANCODE_BACKSPACE: return 0x0E;
    case SDL_SCANCODE_TAB: return 0x0F;
    case SDL_SCANCODE_LEFTBRACKET: return 0x1A;
    case SDL_SCANCODE_RIGHTBRACKET: return 0x1B;
    case SDL_SCANCODE_RETURN: return 0x1C;
    case SDL_SCANCODE_LCTRL: return 0x1D;
    case SDL_SCANCODE_SEMICOLON: return 0x27;
    case SDL_SCANCODE_APOSTROPHE: return 0x28;
    case SDL_SCANCODE_GRAVE: return 0x29;
    case SDL_SCANCODE_LSHIFT: return 0x2A;
    case SDL_SCANCODE_BACKSLASH: return 0x2B;
    case SDL_SCANCODE_COMMA: return 0x33;
    case SDL_SCANCODE_PERIOD: return 0x34;
    case SDL_SCANCODE_SLASH: return 0x35;
    case SDL_SCANCODE_RSHIFT: return 0x36;
    case SDL_SCANCODE_KP_MULTIPLY: return 0x37;
    case SDL_SCANCODE_LALT: return 0x38;
    case SDL_SCANCODE_SPACE: return 0x39;
    case SDL_SCANCODE_CAPSLOCK: return 0x3A;
    case SDL_SCANCODE_NUMLOCKCLEAR: return 0x45;
    case SDL_SCANCODE_SCROLLLOCK: return 0x46;
    case SDL_SCANCODE_KP_7: return 0x47;
    case SDL_SCANCODE_KP_8: return 0x48;
    case SDL_SCANCODE_KP_9: return 0x49;
    case SDL_SCANCODE_KP_MINUS: return 0x4A;
    case SDL_SCANCODE_KP_4: return 0x4B;
    case SDL_SCANCODE_KP_5: return 0x4C;
    case SDL_SCANCODE_KP_6: return 0x4D;
    case SDL_SCANCODE_KP_PLUS: return 0x4E;
    case SDL_SCANCODE_KP_1: return 0x4F;
    case SDL_SCANCODE_KP_2: return 0x50;
    case SDL_SCANCODE_KP_3: return 0x51;
    case SDL_SCANCODE_KP_0: return 0x52;
    case SDL_SCANCODE_KP_PERIOD: return 0x53;
    case SDL_SCANCODE_NONUSBACKSLASH: return 0x56;
    case SDL_SCANCODE_F11: return 0x57;
    case SDL_SCANCODE_F12: return 0x58;
    default: return 0;
  }
}

}  // namespace

uint32_t VirtualKeyFromSdl(SDL_Keycode key, SDL_Scancode scancode) {
  for (uint32_t (*lookup)(SDL_Keycode) : {LetterOrDigit, KeypadKey, PunctuationKey, ControlKey}) {
    if (const uint32_t code = lookup(key)) {
      return code;
    }
  }
  return PositionalLetterOrDigit(scancode);
}

uint8_t ScanCodeFromSdl(SDL_Scancode scancode, bool& extended) {
  const uint8_t extendedCode = ExtendedScanCode(scancode);
  extended = extendedCode != 0;
  return extended ? extendedCode : MainScanCode(scancode);
}

intptr_t MakeKeyData(SDL_Scancode scancode, bool keyUp, bool repeat) {
  bool extended = false;
  uint32_t data = 1u | static_cast<uint32_t>(ScanCodeFromSdl(scancode, extended)) << 16;
  if (extended) {
    data |= 1u << 24;
  }
  if (keyUp || repeat) {
    data |= 1u << 30;
  }
  if (keyUp) {
    data |= 1u << 31;
  }
  return static_cast<intptr_t>(data);
}

}  // namespace platform
