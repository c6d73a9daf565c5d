// Translation of platform events into the engine's messages, driven by synthesized SDL
// events under the window-less dummy video driver.
#include "PlatformTestSupport.h"
#include "engine/platform/ZKeyTable.h"
#include "engine/platform/ZPlatformMessage.h"
#include "engine/platform/ZPlatformWindow.h"

#include <SDL.h>
#include <cstring>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace
{
using plat::Message;
using plat::MessageType;

class MessageTranslation : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(plat::InitVideo(), 0) << plat::GetVideoError();
        plat::ClearMessages();
    }
    void TearDown() override
    {
        plat::ClearMessages();
        plat::ShutdownVideo();
    }

    qvtest::ScopedEnv m_driver{"SDL_VIDEODRIVER", "dummy"};

    static void Push(SDL_Event e) { ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError(); }

    static void PushKey(bool down, SDL_Scancode sc, SDL_Keycode sym, uint16_t mod = KMOD_NONE,
                        bool repeat = false)
    {
        SDL_Event e{};
        e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        e.key.windowID = 7;
        e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
        e.key.repeat = repeat ? 1 : 0;
        e.key.keysym.scancode = sc;
        e.key.keysym.sym = sym;
        e.key.keysym.mod = mod;
        Push(e);
    }

    static void PushText(const char* utf8)
    {
        SDL_Event e{};
        e.type = SDL_TEXTINPUT;
        e.text.windowID = 7;
        std::strncpy(e.text.text, utf8, sizeof e.text.text - 1);
        Push(e);
    }

    static void PushWindow(uint8_t event, int data1 = 0, int data2 = 0)
    {
        SDL_Event e{};
        e.type = SDL_WINDOWEVENT;
        e.window.windowID = 7;
        e.window.event = event;
        e.window.data1 = data1;
        e.window.data2 = data2;
        Push(e);
    }

    static void PushButton(bool down, uint8_t button, int x, int y)
    {
        SDL_Event e{};
        e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        e.button.windowID = 7;
        e.button.button = button;
        e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
        e.button.x = x;
        e.button.y = y;
        Push(e);
    }

    static std::vector<Message> Drain()
    {
        std::vector<Message> out;
        Message m;
        while (plat::PeekMessage(m))
            out.push_back(m);
        return out;
    }
};

uint32_t Word(uint8_t scan, bool extended, bool previous, bool up, bool alt = false)
{
    return 1u | (uint32_t(scan) << 16) | (extended ? plat::kKeyExtended : 0u) |
           (alt ? plat::kKeyAltContext : 0u) | (previous ? plat::kKeyPreviousDown : 0u) |
           (up ? plat::kKeyTransitionUp : 0u);
}

TEST_F(MessageTranslation, MouseButtonsAndMoves)
{
    PushButton(true, SDL_BUTTON_LEFT, 10, 20);
    PushButton(false, SDL_BUTTON_LEFT, 11, 21);
    PushButton(true, SDL_BUTTON_RIGHT, 1, 2);
    PushButton(true, SDL_BUTTON_MIDDLE, 3, 4);
    PushButton(true, SDL_BUTTON_X1, 5, 6); // not a button of the engine
    SDL_Event move{};
    move.type = SDL_MOUSEMOTION;
    move.motion.windowID = 7;
    move.motion.x = -5; // captured pointer left of and above the window
    move.motion.y = -7;
    Push(move);

    const auto m = Drain();
    ASSERT_EQ(m.size(), 5u);
    EXPECT_EQ(m[0].type, MessageType::ButtonDown);
    EXPECT_EQ(m[0].button, 0);
    EXPECT_EQ(m[0].x, 10);
    EXPECT_EQ(m[0].y, 20);
    EXPECT_EQ(m[0].windowId, 7u);
    EXPECT_EQ(m[1].type, MessageType::ButtonUp);
    EXPECT_EQ(m[1].button, 0);
    EXPECT_EQ(m[2].button, 1);
    EXPECT_EQ(m[3].button, 2);
    EXPECT_EQ(m[4].type, MessageType::MouseMove);
    EXPECT_EQ(m[4].x, -5);
    EXPECT_EQ(m[4].y, -7);
}

TEST_F(MessageTranslation, LetterGivesKeyDownCharacterAndKeyUpWithOneScanCode)
{
    PushKey(true, SDL_SCANCODE_A, SDLK_a);
    PushText("a");
    PushKey(true, SDL_SCANCODE_A, SDLK_a, KMOD_NONE, true);
    PushText("a");
    PushKey(false, SDL_SCANCODE_A, SDLK_a);

    const auto m = Drain();
    ASSERT_EQ(m.size(), 5u);
    EXPECT_EQ(m[0].type, MessageType::KeyDown);
    EXPECT_EQ(m[0].wParam, uint32_t('A'));
    EXPECT_EQ(m[0].lParam, Word(0x1E, false, false, false));
    EXPECT_EQ(m[1].type, MessageType::Char);
    EXPECT_EQ(m[1].wParam, uint32_t('a'));
    EXPECT_EQ(m[1].ScanCode(), 0x1Eu);
    EXPECT_EQ(m[1].lParam & plat::kKeyTransitionUp, 0u);
    EXPECT_TRUE(m[2].IsRepeat());
    EXPECT_EQ(m[3].type, MessageType::Char);
    EXPECT_EQ(m[4].type, MessageType::KeyUp);
    EXPECT_EQ(m[4].wParam, uint32_t('A'));
    EXPECT_EQ(m[4].lParam, Word(0x1E, false, true, true));
    EXPECT_FALSE(m[4].IsRepeat());
}

TEST_F(MessageTranslation, EditingKeysSynthesiseTheirCharacters)
{
    struct Case
    {
        SDL_Scancode sc;
        SDL_Keycode sym;
        uint32_t character;
        uint8_t scan;
        bool extended;
    };
    const Case cases[] = {
        {SDL_SCANCODE_BACKSPACE, SDLK_BACKSPACE, 8, 0x0E, false},
        {SDL_SCANCODE_TAB, SDLK_TAB, 9, 0x0F, false},
        {SDL_SCANCODE_RETURN, SDLK_RETURN, 13, 0x1C, false},
        {SDL_SCANCODE_KP_ENTER, SDLK_KP_ENTER, 13, 0x1C, true},
        {SDL_SCANCODE_ESCAPE, SDLK_ESCAPE, 27, 0x01, false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.character);
        PushKey(true, c.sc, c.sym);
        const auto m = Drain();
        ASSERT_EQ(m.size(), 2u);
        EXPECT_EQ(m[0].type, MessageType::KeyDown);
        EXPECT_EQ(m[1].type, MessageType::Char);
        EXPECT_EQ(m[1].wParam, c.character);
        EXPECT_EQ(m[1].lParam, Word(c.scan, c.extended, false, false));
    }
    // Other keys that type nothing give no character.
    PushKey(true, SDL_SCANCODE_F5, SDLK_F5);
    PushKey(true, SDL_SCANCODE_LEFT, SDLK_LEFT);
    const auto m = Drain();
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[1].wParam, 0x25u);
    EXPECT_TRUE(m[1].IsExtended());
}

TEST_F(MessageTranslation, AltCombinationsAreSystemKeysWithoutCharacters)
{
    PushKey(true, SDL_SCANCODE_LALT, SDLK_LALT, KMOD_LALT);
    PushKey(true, SDL_SCANCODE_F4, SDLK_F4, KMOD_LALT);
    PushKey(true, SDL_SCANCODE_RETURN, SDLK_RETURN, KMOD_LALT);
    PushKey(true, SDL_SCANCODE_X, SDLK_x, KMOD_LALT);
    PushText("x"); // typed with Alt held: no character
    PushKey(false, SDL_SCANCODE_RETURN, SDLK_RETURN, KMOD_LALT);
    PushKey(false, SDL_SCANCODE_LALT, SDLK_LALT, KMOD_NONE);

    const auto m = Drain();
    ASSERT_EQ(m.size(), 6u);
    EXPECT_EQ(m[0].type, MessageType::SysKeyDown);
    EXPECT_EQ(m[0].wParam, uint32_t(plat::VK_MENU));
    EXPECT_EQ(m[1].type, MessageType::SysKeyDown);
    EXPECT_EQ(m[1].wParam, uint32_t(plat::VK_F4));
    EXPECT_EQ(m[1].lParam, Word(0x3E, false, false, false, true));
    EXPECT_EQ(m[2].type, MessageType::SysKeyDown);
    EXPECT_EQ(m[2].wParam, uint32_t(plat::VK_RETURN));
    EXPECT_EQ(m[3].type, MessageType::SysKeyDown);
    EXPECT_EQ(m[4].type, MessageType::SysKeyUp);
    EXPECT_EQ(m[5].type, MessageType::SysKeyUp);
    EXPECT_EQ(m[5].wParam, uint32_t(plat::VK_MENU));

    // Typing resumes once a key is pressed without Alt.
    PushKey(true, SDL_SCANCODE_B, SDLK_b);
    PushText("b");
    const auto after = Drain();
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(after[1].type, MessageType::Char);
    EXPECT_EQ(after[1].wParam, uint32_t('b'));
}

TEST_F(MessageTranslation, AltGrTypesCharacters)
{
    // AltGr arrives as the mode key, or as Ctrl with Alt: neither is a system key.
    PushKey(true, SDL_SCANCODE_RALT, SDLK_MODE, KMOD_MODE);
    PushKey(true, SDL_SCANCODE_E, SDLK_e, KMOD_LCTRL | KMOD_RALT);
    PushText("\xE2\x82\xAC");
    const auto m = Drain();
    ASSERT_EQ(m.size(), 3u);
    EXPECT_EQ(m[0].type, MessageType::KeyDown);
    EXPECT_EQ(m[1].type, MessageType::KeyDown);
    EXPECT_EQ(m[2].type, MessageType::Char);
    EXPECT_EQ(m[2].wParam, 0x80u);
    EXPECT_EQ(m[2].ScanCode(), 0x12u);
}

TEST_F(MessageTranslation, TextBecomesOneByteCharacters)
{
    PushText("\xC3\xA9\xF0\x9F\x98\x80z"); // e acute, an emoji (dropped), z
    const auto m = Drain();
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[0].type, MessageType::Char);
    EXPECT_EQ(m[0].wParam, 0xE9u);
    EXPECT_EQ(m[1].wParam, uint32_t('z'));
}

TEST_F(MessageTranslation, KeysOutsideTheVocabularyAreIgnored)
{
    PushKey(true, SDL_SCANCODE_MUTE, SDLK_MUTE);
    PushKey(false, SDL_SCANCODE_MUTE, SDLK_MUTE);
    EXPECT_TRUE(Drain().empty());
}

TEST_F(MessageTranslation, WindowEvents)
{
    PushWindow(SDL_WINDOWEVENT_EXPOSED);
    PushWindow(SDL_WINDOWEVENT_MOVED, -30, 40);
    PushWindow(SDL_WINDOWEVENT_SIZE_CHANGED, 640, 480);
    PushWindow(SDL_WINDOWEVENT_MINIMIZED);
    PushWindow(SDL_WINDOWEVENT_RESTORED);
    PushWindow(SDL_WINDOWEVENT_MAXIMIZED);
    PushWindow(SDL_WINDOWEVENT_LEAVE);
    PushWindow(SDL_WINDOWEVENT_ENTER);
    PushWindow(SDL_WINDOWEVENT_FOCUS_LOST);
    PushWindow(SDL_WINDOWEVENT_FOCUS_GAINED);
    PushWindow(SDL_WINDOWEVENT_CLOSE);
    PushWindow(SDL_WINDOWEVENT_SHOWN); // nothing the engine handles

    const auto m = Drain();
    ASSERT_EQ(m.size(), 11u);
    EXPECT_EQ(m[0].type, MessageType::Paint);
    EXPECT_EQ(m[1].type, MessageType::Move);
    EXPECT_EQ(m[1].x, -30);
    EXPECT_EQ(m[1].y, 40);
    EXPECT_EQ(m[2].type, MessageType::Size);
    EXPECT_EQ(m[2].wParam, uint32_t(plat::kSizeRestored));
    EXPECT_EQ(m[2].x, 640);
    EXPECT_EQ(m[2].y, 480);
    EXPECT_EQ(m[3].wParam, uint32_t(plat::kSizeMinimised));
    EXPECT_EQ(m[4].wParam, uint32_t(plat::kSizeRestored));
    EXPECT_EQ(m[5].wParam, uint32_t(plat::kSizeMaximised));
    EXPECT_EQ(m[6].type, MessageType::MouseLeave);
    EXPECT_EQ(m[7].type, MessageType::MouseEnter);
    EXPECT_EQ(m[8].type, MessageType::Activate);
    EXPECT_EQ(m[8].wParam, 0u);
    EXPECT_EQ(m[9].type, MessageType::Activate);
    EXPECT_EQ(m[9].wParam, 1u);
    EXPECT_EQ(m[10].type, MessageType::Close);
}

TEST_F(MessageTranslation, PostedMessagesComeBeforeWaitingEvents)
{
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    Push(quit);
    plat::PostQuitMessage(3);
    const auto m = Drain();
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[0].type, MessageType::Quit);
    EXPECT_EQ(m[0].wParam, 3u);
    EXPECT_EQ(m[1].type, MessageType::Quit);
    EXPECT_EQ(m[1].wParam, 0u);
}

TEST_F(MessageTranslation, WaitMessageWakesForAnEventFromAnotherThread)
{
    Message m;
    EXPECT_FALSE(plat::WaitMessage(m, 1)); // nothing arrives: it gives up

    std::thread pusher(
        []
        {
            SDL_Delay(20);
            SDL_Event e{};
            e.type = SDL_WINDOWEVENT;
            e.window.event = SDL_WINDOWEVENT_FOCUS_GAINED;
            SDL_PushEvent(&e);
        });
    const bool got = plat::WaitMessage(m, 60000);
    pusher.join();
    ASSERT_TRUE(got);
    EXPECT_EQ(m.type, MessageType::Activate);
}

TEST_F(MessageTranslation, WaitMessageWakesForAMessagePostedByAnotherThread)
{
    std::thread poster(
        []
        {
            SDL_Delay(20);
            plat::PostQuitMessage(5);
        });
    Message m;
    const bool got = plat::WaitMessage(m, 60000);
    poster.join();
    ASSERT_TRUE(got);
    EXPECT_EQ(m.type, MessageType::Quit);
    EXPECT_EQ(m.wParam, 5u);
    // The wake-up itself leaves no message behind.
    EXPECT_FALSE(plat::PeekMessage(m));
}

TEST(MessagePump, WorksWithoutVideo)
{
    // Before any window exists, posted messages still flow and polling finds nothing else.
    ASSERT_FALSE(plat::IsVideoInitialised());
    plat::PostQuitMessage(0);
    Message m;
    ASSERT_TRUE(plat::PeekMessage(m));
    EXPECT_EQ(m.type, MessageType::Quit);
    EXPECT_FALSE(plat::PeekMessage(m));
    EXPECT_FALSE(plat::WaitMessage(m, 1));
}
} // namespace
