#include "engine/platform/ZKeyTable.h"

#include <SDL_keycode.h>
#include <SDL_scancode.h>
#include <array>

namespace plat
{
namespace
{
struct Row
{
    SDL_Scancode sdl;
    uint8_t scanCode;
    bool extended;
    uint8_t virtualKey;
    uint8_t keypadCursorKey; // keypad keys: the virtual key while Num Lock is off, else 0
};

constexpr Row kRows[] = {
    {SDL_SCANCODE_A, 0x1E, false, 'A', 0},
    {SDL_SCANCODE_B, 0x30, false, 'B', 0},
    {SDL_SCANCODE_C, 0x2E, false, 'C', 0},
    {SDL_SCANCODE_D, 0x20, false, 'D', 0},
    {SDL_SCANCODE_E, 0x12, false, 'E', 0},
    {SDL_SCANCODE_F, 0x21, false, 'F', 0},
    {SDL_SCANCODE_G, 0x22, false, 'G', 0},
    {SDL_SCANCODE_H, 0x23, false, 'H', 0},
    {SDL_SCANCODE_I, 0x17, false, 'I', 0},
    {SDL_SCANCODE_J, 0x24, false, 'J', 0},
    {SDL_SCANCODE_K, 0x25, false, 'K', 0},
    {SDL_SCANCODE_L, 0x26, false, 'L', 0},
    {SDL_SCANCODE_M, 0x32, false, 'M', 0},
    {SDL_SCANCODE_N, 0x31, false, 'N', 0},
    {SDL_SCANCODE_O, 0x18, false, 'O', 0},
    {SDL_SCANCODE_P, 0x19, false, 'P', 0},
    {SDL_SCANCODE_Q, 0x10, false, 'Q', 0},
    {SDL_SCANCODE_R, 0x13, false, 'R', 0},
    {SDL_SCANCODE_S, 0x1F, false, 'S', 0},
    {SDL_SCANCODE_T, 0x14, false, 'T', 0},
    {SDL_SCANCODE_U, 0x16, false, 'U', 0},
    {SDL_SCANCODE_V, 0x2F, false, 'V', 0},
    {SDL_SCANCODE_W, 0x11, false, 'W', 0},
    {SDL_SCANCODE_X, 0x2D, false, 'X', 0},
    {SDL_SCANCODE_Y, 0x15, false, 'Y', 0},
    {SDL_SCANCODE_Z, 0x2C, false, 'Z', 0},
    {SDL_SCANCODE_1, 0x02, false, '1', 0},
    {SDL_SCANCODE_2, 0x03, false, '2', 0},
    {SDL_SCANCODE_3, 0x04, false, '3', 0},
    {SDL_SCANCODE_4, 0x05, false, '4', 0},
    {SDL_SCANCODE_5, 0x06, false, '5', 0},
    {SDL_SCANCODE_6, 0x07, false, '6', 0},
    {SDL_SCANCODE_7, 0x08, false, '7', 0},
    {SDL_SCANCODE_8, 0x09, false, '8', 0},
    {SDL_SCANCODE_9, 0x0A, false, '9', 0},
    {SDL_SCANCODE_0, 0x0B, false, '0', 0},
    {SDL_SCANCODE_RETURN, 0x1C, false, 0x0D, 0},
    {SDL_SCANCODE_ESCAPE, 0x01, false, 0x1B, 0},
    {SDL_SCANCODE_BACKSPACE, 0x0E, false, 0x08, 0},
    {SDL_SCANCODE_TAB, 0x0F, false, 0x09, 0},
    {SDL_SCANCODE_SPACE, 0x39, false, 0x20, 0},
    {SDL_SCANCODE_MINUS, 0x0C, false, 0xBD, 0},
    {SDL_SCANCODE_EQUALS, 0x0D, false, 0xBB, 0},
    {SDL_SCANCODE_LEFTBRACKET, 0x1A, false, 0xDB, 0},
    {SDL_SCANCODE_RIGHTBRACKET, 0x1B, false, 0xDD, 0},
    {SDL_SCANCODE_BACKSLASH, 0x2B, false, 0xDC, 0},
    {SDL_SCANCODE_NONUSHASH, 0x2B, false, 0xDC, 0},
    {SDL_SCANCODE_SEMICOLON, 0x27, false, 0xBA, 0},
    {SDL_SCANCODE_APOSTROPHE, 0x28, false, 0xDE, 0},
    {SDL_SCANCODE_GRAVE, 0x29, false, 0xC0, 0},
    {SDL_SCANCODE_COMMA, 0x33, false, 0xBC, 0},
    {SDL_SCANCODE_PERIOD, 0x34, false, 0xBE, 0},
    {SDL_SCANCODE_SLASH, 0x35, false, 0xBF, 0},
    {SDL_SCANCODE_NONUSBACKSLASH, 0x56, false, 0xE2, 0},
    {SDL_SCANCODE_CAPSLOCK, 0x3A, false, 0x14, 0},
    {SDL_SCANCODE_F1, 0x3B, false, 0x70, 0},
    {SDL_SCANCODE_F2, 0x3C, false, 0x71, 0},
    {SDL_SCANCODE_F3, 0x3D, false, 0x72, 0},
    {SDL_SCANCODE_F4, 0x3E, false, 0x73, 0},
    {SDL_SCANCODE_F5, 0x3F, false, 0x74, 0},
    {SDL_SCANCODE_F6, 0x40, false, 0x75, 0},
    {SDL_SCANCODE_F7, 0x41, false, 0x76, 0},
    {SDL_SCANCODE_F8, 0x42, false, 0x77, 0},
    {SDL_SCANCODE_F9, 0x43, false, 0x78, 0},
    {SDL_SCANCODE_F10, 0x44, false, 0x79, 0},
    {SDL_SCANCODE_F11, 0x57, false, 0x7A, 0},
    {SDL_SCANCODE_F12, 0x58, false, 0x7B, 0},
    {SDL_SCANCODE_F13, 0x64, false, 0x7C, 0},
    {SDL_SCANCODE_F14, 0x65, false, 0x7D, 0},
    {SDL_SCANCODE_F15, 0x66, false, 0x7E, 0},
    {SDL_SCANCODE_F16, 0x67, false, 0x7F, 0},
    {SDL_SCANCODE_F17, 0x68, false, 0x80, 0},
    {SDL_SCANCODE_F18, 0x69, false, 0x81, 0},
    {SDL_SCANCODE_F19, 0x6A, false, 0x82, 0},
    {SDL_SCANCODE_F20, 0x6B, false, 0x83, 0},
    {SDL_SCANCODE_F21, 0x6C, false, 0x84, 0},
    {SDL_SCANCODE_F22, 0x6D, false, 0x85, 0},
    {SDL_SCANCODE_F23, 0x6E, false, 0x86, 0},
    {SDL_SCANCODE_F24, 0x76, false, 0x87, 0},
    {SDL_SCANCODE_PRINTSCREEN, 0x37, true, 0x2C, 0},
    {SDL_SCANCODE_SCROLLLOCK, 0x46, false, 0x91, 0},
    {SDL_SCANCODE_PAUSE, 0x45, false, 0x13, 0},
    {SDL_SCANCODE_INSERT, 0x52, true, 0x2D, 0},
    {SDL_SCANCODE_HOME, 0x47, true, 0x24, 0},
    {SDL_SCANCODE_PAGEUP, 0x49, true, 0x21, 0},
    {SDL_SCANCODE_DELETE, 0x53, true, 0x2E, 0},
    {SDL_SCANCODE_END, 0x4F, true, 0x23, 0},
    {SDL_SCANCODE_PAGEDOWN, 0x51, true, 0x22, 0},
    {SDL_SCANCODE_RIGHT, 0x4D, true, 0x27, 0},
    {SDL_SCANCODE_LEFT, 0x4B, true, 0x25, 0},
    {SDL_SCANCODE_DOWN, 0x50, true, 0x28, 0},
    {SDL_SCANCODE_UP, 0x48, true, 0x26, 0},
    {SDL_SCANCODE_NUMLOCKCLEAR, 0x45, true, 0x90, 0},
    {SDL_SCANCODE_KP_DIVIDE, 0x35, true, 0x6F, 0},
    {SDL_SCANCODE_KP_MULTIPLY, 0x37, false, 0x6A, 0},
    {SDL_SCANCODE_KP_MINUS, 0x4A, false, 0x6D, 0},
    {SDL_SCANCODE_KP_PLUS, 0x4E, false, 0x6B, 0},
    {SDL_SCANCODE_KP_ENTER, 0x1C, true, 0x0D, 0},
    {SDL_SCANCODE_KP_1, 0x4F, false, 0x61, 0x23},
    {SDL_SCANCODE_KP_2, 0x50, false, 0x62, 0x28},
    {SDL_SCANCODE_KP_3, 0x51, false, 0x63, 0x22},
    {SDL_SCANCODE_KP_4, 0x4B, false, 0x64, 0x25},
    {SDL_SCANCODE_KP_5, 0x4C, false, 0x65, 0x0C},
    {SDL_SCANCODE_KP_6, 0x4D, false, 0x66, 0x27},
    {SDL_SCANCODE_KP_7, 0x47, false, 0x67, 0x24},
    {SDL_SCANCODE_KP_8, 0x48, false, 0x68, 0x26},
    {SDL_SCANCODE_KP_9, 0x49, false, 0x69, 0x21},
    {SDL_SCANCODE_KP_0, 0x52, false, 0x60, 0x2D},
    {SDL_SCANCODE_KP_PERIOD, 0x53, false, 0x6E, 0x2E},
    {SDL_SCANCODE_APPLICATION, 0x5D, true, 0x5D, 0},
    {SDL_SCANCODE_LCTRL, 0x1D, false, 0x11, 0},
    {SDL_SCANCODE_LSHIFT, 0x2A, false, 0x10, 0},
    {SDL_SCANCODE_LALT, 0x38, false, 0x12, 0},
    {SDL_SCANCODE_LGUI, 0x5B, true, 0x5B, 0},
    {SDL_SCANCODE_RCTRL, 0x1D, true, 0x11, 0},
    {SDL_SCANCODE_RSHIFT, 0x36, false, 0x10, 0},
    {SDL_SCANCODE_RALT, 0x38, true, 0x12, 0},
    {SDL_SCANCODE_RGUI, 0x5C, true, 0x5C, 0},
};

// The table indexed by SDL scancode; scancodes above the last row are not keys of ours.
constexpr int kIndexSize = SDL_SCANCODE_RGUI + 1;

const std::array<const Row*, kIndexSize>& Index()
{
    static const std::array<const Row*, kIndexSize> index = []
    {
        std::array<const Row*, kIndexSize> table{};
        for (const Row& row : kRows)
            table[row.sdl] = &row;
        return table;
    }();
    return index;
}

// Windows-1252 bytes 0x80-0x9F and the code points they stand for (0 = unassigned).
constexpr uint16_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};
} // namespace

bool TranslateKey(int sdlScancode, int sdlKeycode, bool numLock, KeyCodes& out)
{
    if (sdlScancode < 0 || sdlScancode >= kIndexSize)
        return false;
    const Row* row = Index()[size_t(sdlScancode)];
    if (!row)
        return false;
    out.scanCode = row->scanCode;
    out.extended = row->extended;
    out.virtualKey = row->virtualKey;
    if (row->keypadCursorKey && !numLock)
        out.virtualKey = row->keypadCursorKey;
    // Letter keys follow the layout: the virtual key is the letter the key types.
    const bool letterPosition = sdlScancode >= SDL_SCANCODE_A && sdlScancode <= SDL_SCANCODE_Z;
    if (letterPosition && sdlKeycode >= SDLK_a && sdlKeycode <= SDLK_z)
        out.virtualKey = uint8_t('A' + (sdlKeycode - SDLK_a));
    return true;
}

bool CodePointToWindows1252(uint32_t codePoint, uint8_t& out)
{
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF))
    {
        out = uint8_t(codePoint);
        return true;
    }
    for (int i = 0; i < 32; ++i)
    {
        if (kHighControls[i] != 0 && kHighControls[i] == codePoint)
        {
            out = uint8_t(0x80 + i);
            return true;
        }
    }
    return false;
}

std::string Utf8ToWindows1252(std::string_view text)
{
    std::string result;
    size_t i = 0;
    while (i < text.size())
    {
        const uint8_t lead = uint8_t(text[i]);
        int length = 0;
        uint32_t cp = 0;
        uint32_t minimum = 0;
        if (lead < 0x80)
        {
            length = 1;
            cp = lead;
        }
        else if ((lead & 0xE0) == 0xC0)
        {
            length = 2;
            cp = lead & 0x1F;
            minimum = 0x80;
        }
        else if ((lead & 0xF0) == 0xE0)
        {
            length = 3;
            cp = lead & 0x0F;
            minimum = 0x800;
        }
        else if ((lead & 0xF8) == 0xF0)
        {
            length = 4;
            cp = lead & 0x07;
            minimum = 0x10000;
        }
        else
        {
            ++i; // stray continuation byte or invalid lead
            continue;
        }
        if (i + size_t(length) > text.size())
            break; // truncated sequence at the end
        bool valid = true;
        for (int k = 1; k < length; ++k)
        {
            const uint8_t c = uint8_t(text[i + size_t(k)]);
            if ((c & 0xC0) != 0x80)
            {
                valid = false;
                length = k; // resume at the byte that broke the sequence
                break;
            }
            cp = (cp << 6) | (c & 0x3F);
        }
        i += size_t(length);
        if (!valid || cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            continue;
        uint8_t byte = 0;
        if (CodePointToWindows1252(cp, byte))
            result += char(byte);
    }
    return result;
}
} // namespace plat
