#pragma once
// The engine's key vocabulary is the PC keyboard's set-1 scan codes and the Windows
// virtual-key codes: key filters, listeners and recorded sessions use them. This table turns
// the platform's key numbers (SDL scancodes, keycodes and modifier bits) into them, and
// turns typed text into the one-byte Windows-1252 characters the engine's text entry takes.
#include <cstdint>
#include <string>
#include <string_view>

namespace plat
{
struct KeyCodes
{
    uint8_t scanCode = 0;   // set-1 make code, without the E0 prefix
    bool extended = false;  // the key sends the E0 prefix (right Ctrl/Alt, cursor block, ...)
    uint8_t virtualKey = 0; // Windows virtual-key code
};

// Virtual-key codes the layer itself refers to.
enum VirtualKey : uint8_t
{
    VK_BACK = 0x08,
    VK_TAB = 0x09,
    VK_RETURN = 0x0D,
    VK_SHIFT = 0x10,
    VK_CONTROL = 0x11,
    VK_MENU = 0x12,
    VK_ESCAPE = 0x1B,
    VK_F4 = 0x73,
    VK_F10 = 0x79,
};

// Looks up a key by its SDL scancode. The keycode places letter keys by the active layout
// (on a French layout the key left of Z reports "W"), as Windows does; numLock chooses
// between the digit and the cursor meaning of the keypad keys. False for keys the engine's
// vocabulary does not have.
bool TranslateKey(int sdlScancode, int sdlKeycode, bool numLock, KeyCodes& out);

// The Windows-1252 byte of a Unicode code point; false when it has none (the five unassigned
// bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D are never produced).
bool CodePointToWindows1252(uint32_t codePoint, uint8_t& out);

// UTF-8 text to Windows-1252: characters without a byte, and malformed sequences, are dropped.
std::string Utf8ToWindows1252(std::string_view text);
} // namespace plat
