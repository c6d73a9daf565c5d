#include "engine/platform/ZPlatformMessage.h"

#include "engine/platform/ZKeyTable.h"
#include "engine/platform/ZPlatformTime.h"

#include <SDL.h>
#include <deque>
#include <mutex>

namespace plat
{
namespace
{
struct PumpState
{
    // Messages may be posted from any thread, as window messages can; translation and
    // reading happen on the thread that runs the pump.
    std::mutex lock;
    std::deque<Message> queue;
    // Keystroke word of the last key pressed: the text it types is reported with it, as the
    // character message of a key carries that key's scan code.
    uint32_t lastKeyWord = 1;
    // Text typed while Alt is held belongs to a system key and gives no characters.
    bool lastKeyWasSystem = false;
};

PumpState& State()
{
    static PumpState state;
    return state;
}

// An event of our own whose only purpose is to wake a pump blocked in WaitMessage when a
// message is posted.
uint32_t WakeEventType()
{
    static const uint32_t type = SDL_RegisterEvents(1);
    return type;
}

void Enqueue(const Message& m)
{
    PumpState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    state.queue.push_back(m);
}

bool QueueEmpty()
{
    PumpState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    return state.queue.empty();
}

void Post(MessageType type, uint32_t windowId, uint32_t wParam = 0, uint32_t lParam = 0, int32_t x = 0,
          int32_t y = 0, int32_t button = -1)
{
    Message m;
    m.type = type;
    m.windowId = windowId;
    m.wParam = wParam;
    m.lParam = lParam;
    m.x = x;
    m.y = y;
    m.button = button;
    Enqueue(m);
}

int ButtonIndex(uint8_t sdlButton)
{
    switch (sdlButton)
    {
    case SDL_BUTTON_LEFT:
        return 0;
    case SDL_BUTTON_RIGHT:
        return 1;
    case SDL_BUTTON_MIDDLE:
        return 2;
    default:
        return -1;
    }
}

void CurrentSize(uint32_t windowId, int32_t& w, int32_t& h)
{
    w = h = 0;
    if (SDL_Window* window = SDL_GetWindowFromID(windowId))
        SDL_GetWindowSize(window, &w, &h);
}

void TranslateKeyEvent(const SDL_KeyboardEvent& key)
{
    KeyCodes codes;
    const uint16_t mod = key.keysym.mod;
    if (!plat::TranslateKey(key.keysym.scancode, key.keysym.sym, (mod & KMOD_NUM) != 0, codes))
        return;
    const bool down = key.type == SDL_KEYDOWN;
    const bool ctrl = (mod & KMOD_CTRL) != 0;
    // AltGr (reported as the mode key) types characters and is no system key.
    const bool altKey = codes.virtualKey == VK_MENU && key.keysym.sym != SDLK_MODE;
    const bool altHeld = (mod & KMOD_ALT) != 0;
    const bool system = !ctrl && (altKey || altHeld);

    uint32_t word = 1u | (uint32_t(codes.scanCode) << 16);
    if (codes.extended)
        word |= kKeyExtended;
    if (system && altHeld)
        word |= kKeyAltContext;
    if (!down || key.repeat)
        word |= kKeyPreviousDown;
    if (!down)
        word |= kKeyTransitionUp;

    const MessageType type = system ? (down ? MessageType::SysKeyDown : MessageType::SysKeyUp)
                                    : (down ? MessageType::KeyDown : MessageType::KeyUp);
    Post(type, key.windowID, codes.virtualKey, word);
    if (!down)
        return;

    PumpState& state = State();
    state.lastKeyWord = word;
    state.lastKeyWasSystem = system;
    if (system)
        return;
    // Text input never delivers these four; the engine's text entry needs them as characters.
    switch (codes.virtualKey)
    {
    case VK_BACK:
    case VK_TAB:
    case VK_RETURN:
    case VK_ESCAPE:
        Post(MessageType::Char, key.windowID, codes.virtualKey, word);
        break;
    default:
        break;
    }
}

void TranslateText(const SDL_TextInputEvent& text)
{
    PumpState& state = State();
    if (state.lastKeyWasSystem)
        return;
    for (char c : Utf8ToWindows1252(text.text))
        Post(MessageType::Char, text.windowID, uint8_t(c), state.lastKeyWord & ~(kKeyTransitionUp));
}

void TranslateWindowEvent(const SDL_WindowEvent& w)
{
    int32_t width = 0, height = 0;
    switch (w.event)
    {
    case SDL_WINDOWEVENT_EXPOSED:
        Post(MessageType::Paint, w.windowID);
        break;
    case SDL_WINDOWEVENT_MOVED:
        Post(MessageType::Move, w.windowID, 0, 0, w.data1, w.data2);
        break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        Post(MessageType::Size, w.windowID, kSizeRestored, 0, w.data1, w.data2);
        break;
    case SDL_WINDOWEVENT_MINIMIZED:
        Post(MessageType::Size, w.windowID, kSizeMinimised);
        break;
    case SDL_WINDOWEVENT_MAXIMIZED:
        CurrentSize(w.windowID, width, height);
        Post(MessageType::Size, w.windowID, kSizeMaximised, 0, width, height);
        break;
    case SDL_WINDOWEVENT_RESTORED:
        CurrentSize(w.windowID, width, height);
        Post(MessageType::Size, w.windowID, kSizeRestored, 0, width, height);
        break;
    case SDL_WINDOWEVENT_ENTER:
        Post(MessageType::MouseEnter, w.windowID);
        break;
    case SDL_WINDOWEVENT_LEAVE:
        Post(MessageType::MouseLeave, w.windowID);
        break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        Post(MessageType::Activate, w.windowID, 1);
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        Post(MessageType::Activate, w.windowID, 0);
        break;
    case SDL_WINDOWEVENT_CLOSE:
        Post(MessageType::Close, w.windowID);
        break;
    default:
        break;
    }
}

void Translate(const SDL_Event& e)
{
    switch (e.type)
    {
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
    {
        const int button = ButtonIndex(e.button.button);
        if (button >= 0)
            Post(e.type == SDL_MOUSEBUTTONDOWN ? MessageType::ButtonDown : MessageType::ButtonUp,
                 e.button.windowID, 0, 0, e.button.x, e.button.y, button);
        break;
    }
    case SDL_MOUSEMOTION:
        Post(MessageType::MouseMove, e.motion.windowID, 0, 0, e.motion.x, e.motion.y);
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        TranslateKeyEvent(e.key);
        break;
    case SDL_TEXTINPUT:
        TranslateText(e.text);
        break;
    case SDL_WINDOWEVENT:
        TranslateWindowEvent(e.window);
        break;
    case SDL_QUIT:
        // Only a termination request reaches here (a closed window arrives as a close message).
        Post(MessageType::Quit, 0, 0);
        break;
    default:
        break;
    }
}

bool EventsRunning()
{
    return SDL_WasInit(SDL_INIT_EVENTS) != 0;
}

bool Pop(Message& out)
{
    PumpState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    if (state.queue.empty())
        return false;
    out = state.queue.front();
    state.queue.pop_front();
    return true;
}
} // namespace

bool PeekMessage(Message& out)
{
    if (Pop(out))
        return true;
    if (!EventsRunning())
        return false;
    SDL_Event e;
    while (QueueEmpty() && SDL_PollEvent(&e))
        Translate(e);
    return Pop(out);
}

bool WaitMessage(Message& out, uint32_t timeoutMs)
{
    if (PeekMessage(out))
        return true;
    if (!EventsRunning())
    {
        Sleep(timeoutMs);
        return false;
    }
    const uint32_t start = SDL_GetTicks();
    for (;;)
    {
        const uint32_t elapsed = SDL_GetTicks() - start;
        if (elapsed >= timeoutMs)
            return false;
        SDL_Event e;
        if (!SDL_WaitEventTimeout(&e, int(timeoutMs - elapsed)))
            return PeekMessage(out);
        Translate(e);
        if (Pop(out))
            return true;
    }
}

void PostMessage(const Message& message)
{
    Enqueue(message);
    if (EventsRunning() && WakeEventType() != uint32_t(-1))
    {
        SDL_Event wake{};
        wake.type = WakeEventType();
        SDL_PushEvent(&wake);
    }
}

void PostQuitMessage(int exitCode)
{
    Message m;
    m.type = MessageType::Quit;
    m.wParam = uint32_t(exitCode);
    PostMessage(m);
}

void ClearMessages()
{
    PumpState& state = State();
    {
        std::lock_guard<std::mutex> guard(state.lock);
        state.queue.clear();
    }
    state.lastKeyWord = 1;
    state.lastKeyWasSystem = false;
    if (EventsRunning())
    {
        SDL_PumpEvents();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    }
}
} // namespace plat
