#pragma once
// The message pump's side of the window layer: platform events become messages of our own
// that carry the meaning of the window messages the engine's window procedure handles.
// Key and character messages carry the Windows keystroke word in lParam, so the engine reads
// the scan code as (lParam >> 16) & 0xFF and the up/down transition from bit 31.
#include <cstdint>

namespace plat
{
enum class MessageType : uint16_t
{
    None,
    ButtonDown, // button 0 left, 1 right, 2 middle; x, y in client pixels
    ButtonUp,
    MouseMove,  // x, y: client pixels, signed (negative or past the size while captured)
    MouseLeave, // the pointer left the client area
    MouseEnter, // the pointer came back into the client area
    KeyDown,    // wParam: virtual-key code; lParam: keystroke word
    KeyUp,
    Char,       // wParam: the Windows-1252 character byte; lParam: keystroke word of its key
    SysKeyDown, // a key pressed with Alt held (not AltGr), and Alt itself; F10 alone is a
                // plain key here, as no menu bar waits for it
    SysKeyUp,
    Paint,
    Move,     // x, y: the client area's new place on the screen
    Size,     // wParam: SizeKind; x, y: new client width and height
    Activate, // wParam: 1 the window got the focus, 0 it lost it
    Close,    // the user asked to close the window
    Destroy,  // the window was destroyed
    Quit,     // wParam: exit code
};

enum SizeKind : uint32_t
{
    kSizeRestored = 0,
    kSizeMinimised = 1,
    kSizeMaximised = 2,
};

// Bits of the keystroke word.
constexpr uint32_t kKeyExtended = 1u << 24;
constexpr uint32_t kKeyAltContext = 1u << 29;
constexpr uint32_t kKeyPreviousDown = 1u << 30;
constexpr uint32_t kKeyTransitionUp = 1u << 31;

struct Message
{
    MessageType type = MessageType::None;
    uint32_t windowId = 0;
    uint32_t wParam = 0;
    uint32_t lParam = 0;
    int32_t x = 0;
    int32_t y = 0;
    int32_t button = -1;

    uint32_t ScanCode() const { return (lParam >> 16) & 0xFF; }
    bool IsExtended() const { return (lParam & kKeyExtended) != 0; }
    bool IsRepeat() const { return (lParam & kKeyPreviousDown) != 0 && !(lParam & kKeyTransitionUp); }
};

// Takes the next message, translating waiting platform events; false when none is waiting.
bool PeekMessage(Message& out);
// As PeekMessage, but blocks up to timeoutMs for one to arrive (the paused engine waits here
// instead of spinning). False when the time ran out.
bool WaitMessage(Message& out, uint32_t timeoutMs);
// Queues a message of our own; it comes before platform events not yet translated. Any thread
// may post; a pump blocked in WaitMessage wakes up for it.
void PostMessage(const Message& message);
void PostQuitMessage(int exitCode);
// Drops every waiting message and platform event.
void ClearMessages();
} // namespace plat
