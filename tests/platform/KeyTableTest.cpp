#include "engine/platform/ZKeyTable.h"

#include <SDL_keycode.h>
#include <SDL_scancode.h>
#include <gtest/gtest.h>

namespace
{
struct KeyCase
{
    const char* label;
    SDL_Scancode scancode;
    SDL_Keycode keycode;
    bool numLock;
    uint8_t scanCode;
    bool extended;
    uint8_t virtualKey;
};

// The keys the engine filters by scan code (Ctrl, F1-F12, Num Lock, cursor and editing
// block), the keys turned into characters, and the pairs that share a make code.
const KeyCase kKeys[] = {
    {"left ctrl", SDL_SCANCODE_LCTRL, SDLK_LCTRL, true, 0x1D, false, 0x11},
    {"right ctrl", SDL_SCANCODE_RCTRL, SDLK_RCTRL, true, 0x1D, true, 0x11},
    {"F1", SDL_SCANCODE_F1, SDLK_F1, true, 0x3B, false, 0x70},
    {"F10", SDL_SCANCODE_F10, SDLK_F10, true, 0x44, false, 0x79},
    {"F11", SDL_SCANCODE_F11, SDLK_F11, true, 0x57, false, 0x7A},
    {"F12", SDL_SCANCODE_F12, SDLK_F12, true, 0x58, false, 0x7B},
    {"num lock", SDL_SCANCODE_NUMLOCKCLEAR, SDLK_NUMLOCKCLEAR, true, 0x45, true, 0x90},
    {"pause", SDL_SCANCODE_PAUSE, SDLK_PAUSE, true, 0x45, false, 0x13},
    {"home", SDL_SCANCODE_HOME, SDLK_HOME, true, 0x47, true, 0x24},
    {"up", SDL_SCANCODE_UP, SDLK_UP, true, 0x48, true, 0x26},
    {"page up", SDL_SCANCODE_PAGEUP, SDLK_PAGEUP, true, 0x49, true, 0x21},
    {"left", SDL_SCANCODE_LEFT, SDLK_LEFT, true, 0x4B, true, 0x25},
    {"right", SDL_SCANCODE_RIGHT, SDLK_RIGHT, true, 0x4D, true, 0x27},
    {"end", SDL_SCANCODE_END, SDLK_END, true, 0x4F, true, 0x23},
    {"down", SDL_SCANCODE_DOWN, SDLK_DOWN, true, 0x50, true, 0x28},
    {"page down", SDL_SCANCODE_PAGEDOWN, SDLK_PAGEDOWN, true, 0x51, true, 0x22},
    {"insert", SDL_SCANCODE_INSERT, SDLK_INSERT, true, 0x52, true, 0x2D},
    {"delete", SDL_SCANCODE_DELETE, SDLK_DELETE, true, 0x53, true, 0x2E},
    {"escape", SDL_SCANCODE_ESCAPE, SDLK_ESCAPE, true, 0x01, false, 0x1B},
    {"backspace", SDL_SCANCODE_BACKSPACE, SDLK_BACKSPACE, true, 0x0E, false, 0x08},
    {"tab", SDL_SCANCODE_TAB, SDLK_TAB, true, 0x0F, false, 0x09},
    {"return", SDL_SCANCODE_RETURN, SDLK_RETURN, true, 0x1C, false, 0x0D},
    {"keypad enter", SDL_SCANCODE_KP_ENTER, SDLK_KP_ENTER, true, 0x1C, true, 0x0D},
    {"left alt", SDL_SCANCODE_LALT, SDLK_LALT, true, 0x38, false, 0x12},
    {"right alt", SDL_SCANCODE_RALT, SDLK_RALT, true, 0x38, true, 0x12},
    {"left shift", SDL_SCANCODE_LSHIFT, SDLK_LSHIFT, true, 0x2A, false, 0x10},
    {"right shift", SDL_SCANCODE_RSHIFT, SDLK_RSHIFT, true, 0x36, false, 0x10},
    {"space", SDL_SCANCODE_SPACE, SDLK_SPACE, true, 0x39, false, 0x20},
    {"A", SDL_SCANCODE_A, SDLK_a, true, 0x1E, false, 'A'},
    {"M", SDL_SCANCODE_M, SDLK_m, true, 0x32, false, 'M'},
    {"1", SDL_SCANCODE_1, SDLK_1, true, 0x02, false, '1'},
    {"0", SDL_SCANCODE_0, SDLK_0, true, 0x0B, false, '0'},
    {"minus", SDL_SCANCODE_MINUS, SDLK_MINUS, true, 0x0C, false, 0xBD},
    {"grave", SDL_SCANCODE_GRAVE, SDLK_BACKQUOTE, true, 0x29, false, 0xC0},
    {"iso extra key", SDL_SCANCODE_NONUSBACKSLASH, SDLK_LESS, true, 0x56, false, 0xE2},
    {"keypad 7, num lock on", SDL_SCANCODE_KP_7, SDLK_KP_7, true, 0x47, false, 0x67},
    {"keypad 7, num lock off", SDL_SCANCODE_KP_7, SDLK_KP_7, false, 0x47, false, 0x24},
    {"keypad 5, num lock off", SDL_SCANCODE_KP_5, SDLK_KP_5, false, 0x4C, false, 0x0C},
    {"keypad period, num lock off", SDL_SCANCODE_KP_PERIOD, SDLK_KP_PERIOD, false, 0x53, false, 0x2E},
    {"keypad divide", SDL_SCANCODE_KP_DIVIDE, SDLK_KP_DIVIDE, true, 0x35, true, 0x6F},
    {"print screen", SDL_SCANCODE_PRINTSCREEN, SDLK_PRINTSCREEN, true, 0x37, true, 0x2C},
    // Letters follow the layout: on a French layout the key in the Q place types "a".
    {"Q place on a French layout", SDL_SCANCODE_Q, SDLK_a, true, 0x10, false, 'A'},
    {"Y place on a German layout", SDL_SCANCODE_Y, SDLK_z, true, 0x15, false, 'Z'},
    // A letter place that types no Latin letter keeps its own key.
    {"letter place typing another script", SDL_SCANCODE_D, 0x3B4, true, 0x20, false, 'D'},
};

TEST(KeyTable, TranslatesEachRow)
{
    for (const KeyCase& k : kKeys)
    {
        SCOPED_TRACE(k.label);
        plat::KeyCodes codes;
        ASSERT_TRUE(plat::TranslateKey(k.scancode, k.keycode, k.numLock, codes));
        EXPECT_EQ(codes.scanCode, k.scanCode);
        EXPECT_EQ(codes.extended, k.extended);
        EXPECT_EQ(codes.virtualKey, k.virtualKey);
    }
}

TEST(KeyTable, UnknownAndOutOfRangeScancodesAreRejected)
{
    plat::KeyCodes codes;
    EXPECT_FALSE(plat::TranslateKey(SDL_SCANCODE_UNKNOWN, 0, true, codes));
    EXPECT_FALSE(plat::TranslateKey(SDL_SCANCODE_MUTE, 0, true, codes));
    EXPECT_FALSE(plat::TranslateKey(-1, 0, true, codes));
    EXPECT_FALSE(plat::TranslateKey(SDL_NUM_SCANCODES, 0, true, codes));
    EXPECT_FALSE(plat::TranslateKey(100000, 0, true, codes));
}

TEST(KeyTable, EveryLetterAndDigitKeyHasItsOwnScanCode)
{
    // Held keys are tracked by scan code: two keys sharing one would release each other.
    bool seen[256] = {};
    for (int sc = SDL_SCANCODE_A; sc <= SDL_SCANCODE_0; ++sc)
    {
        plat::KeyCodes codes;
        ASSERT_TRUE(plat::TranslateKey(sc, 0, true, codes)) << sc;
        EXPECT_FALSE(seen[codes.scanCode]) << "scan code 0x" << std::hex << int(codes.scanCode);
        seen[codes.scanCode] = true;
    }
}

struct TextCase
{
    const char* label;
    const char* utf8;
    const char* expected;
};

const TextCase kTexts[] = {
    {"ASCII", "Hello, world 123", "Hello, world 123"},
    {"Latin-1 letters", "\xC3\xA9\xC3\xA0\xC3\xBC\xC3\x9F", "\xE9\xE0\xFC\xDF"},
    {"no-break space and y with diaeresis", "\xC2\xA0\xC3\xBF", "\xA0\xFF"},
    {"euro sign", "\xE2\x82\xAC", "\x80"},
    {"curly quotes and dashes", "\xE2\x80\x9C\xE2\x80\x9D\xE2\x80\x93\xE2\x80\x94", "\x93\x94\x96\x97"},
    {"S caron, OE, Y with diaeresis, trade mark", "\xC5\xA0\xC5\x92\xC5\xB8\xE2\x84\xA2", "\x8A\x8C\x9F\x99"},
    {"unmappable characters are dropped",
     "a\xE2\x82\xBD"
     "b\xF0\x9F\x98\x80"
     "c\xE4\xB8\xAD",
     "abc"},
    {"C1 controls have no byte", "x\xC2\x81y\xC2\x90z", "xyz"},
    {"stray continuation byte",
     "a\x80"
     "b",
     "ab"},
    {"invalid lead byte",
     "a\xFF"
     "b",
     "ab"},
    {"overlong encoding of a slash",
     "a\xC0\xAF"
     "b",
     "ab"},
    {"encoded surrogate",
     "a\xED\xA0\x80"
     "b",
     "ab"},
    {"broken sequence resumes at the next lead",
     "\xC3"
     "A\xC3\xA9",
     "A\xE9"},
    {"truncated at the end", "ok\xE2\x82", "ok"},
    {"empty", "", ""},
};

TEST(KeyTable, Utf8ToWindows1252)
{
    for (const TextCase& t : kTexts)
    {
        SCOPED_TRACE(t.label);
        EXPECT_EQ(plat::Utf8ToWindows1252(t.utf8), std::string(t.expected));
    }
}

TEST(KeyTable, Windows1252LeavesItsUnassignedBytesUnused)
{
    for (uint32_t cp : {0x81u, 0x8Du, 0x8Fu, 0x90u, 0x9Du})
    {
        uint8_t byte = 0;
        EXPECT_FALSE(plat::CodePointToWindows1252(cp, byte)) << cp;
    }
    // Every byte that stands for a character comes back from that character.
    int mapped = 0;
    for (uint32_t cp = 0; cp < 0x10000; ++cp)
    {
        uint8_t byte = 0;
        if (plat::CodePointToWindows1252(cp, byte))
            ++mapped;
    }
    EXPECT_EQ(mapped, 256 - 5);
}
} // namespace
