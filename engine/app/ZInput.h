#pragma once
// Mouse and keyboard input as the engine drives it each frame. The window procedure queues raw
// events between frames (ZInputWindows); once per frame ZInput::Update records or replays them
// (ZInputRecorder) and hands them, in the order they came, to the registered listeners.
#include <cstdint>

#include "engine/core/ZEntity.h"
#include "engine/core/ZEventProducer.h"

// One queued key event; also a record of the session file (12 bytes there).
struct SInputKeyEvent
{
    static constexpr uint32_t kDown = 1;
    static constexpr uint32_t kUp = 2;

    uint32_t scanCode = 0; // bits 16-23 of the keystroke word
    int32_t character = 0; // the message's byte: sign-extended for down, zero-extended for up
    uint32_t type = kDown;
};
static_assert(sizeof(SInputKeyEvent) == 12);

// One queued mouse event; also a record of the session file (64 bytes there). The reserved bytes
// are never read; they keep the in-memory record at the size of the file record.
struct SInputMouseEvent
{
    static constexpr uint32_t kButtonDown = 0;
    static constexpr uint32_t kButtonUp = 1;
    static constexpr uint32_t kMove = 2;

    uint32_t type = kMove;
    uint32_t reserved0[3] = {};
    float x = 0.0f; // move: the new position
    float y = 0.0f;
    uint32_t reserved1[2] = {};
    float dx = 0.0f; // move: the change from the previous position
    float dy = 0.0f;
    float dz = 0.0f; // always 0
    uint32_t reserved2 = 0;
    uint32_t button = 0; // down, up: 0 left, 1 right, 2 middle
    uint32_t reserved3[3] = {};
};
static_assert(sizeof(SInputMouseEvent) == 64);

class IInputMouseListener
{
public:
    virtual ~IInputMouseListener() = default;
    virtual void OnButtonDown(uint32_t button) { (void)button; }
    virtual void OnButtonUp(uint32_t button) { (void)button; }
    // The event's position (x, y) and, after it, its delta (dx, dy, dz).
    virtual void OnMove(const SInputMouseEvent& event) { (void)event; }
};

class IInputKeyboardListener
{
public:
    virtual ~IInputKeyboardListener() = default;
    // Key down: a filtered key message carries the virtual-key code as its character, a typed
    // character the character itself (Enter 13, Backspace 8, Esc 27 with scan code 1).
    virtual void OnKey(uint32_t scanCode, int32_t character) { (void)scanCode, (void)character; }
    virtual void OnKeyUp(uint32_t scanCode, int32_t character) { (void)scanCode, (void)character; }
};

class ZInputRecorder;
class ZFileStream;

class ZInput : public ZEntity
{
    QV_TYPE_RECORD(ZInput, &ZEntity::kTypeRecord)

public:
    static constexpr int kMaxHeldKeys = 64;
    static constexpr int kMaxKeyEvents = 128;
    static constexpr int kMaxMouseEvents = 128;
    static constexpr int kButtonCount = 3;

    // Position and button bytes of the mouse; kept for this frame and for the previous one.
    struct MouseState
    {
        float position[3] = {};
        uint8_t buttons[4] = {}; // indexed by button; the fourth byte pads
    };

    ZInput() = default;
    ~ZInput() override = default;
    ZInput(const ZInput&) = delete;
    ZInput& operator=(const ZInput&) = delete;

    virtual int Init();
    virtual void Reset() {}
    // Records or replays this frame's events, then hands them to the listeners.
    virtual void Update();
    virtual void EndFrame() {}
    virtual bool IsInitialized() const { return m_initialized != 0; }
    virtual bool IsExclusive() const { return false; }

    void SetMouseSpeed(float speed) { m_mouseSpeed = speed; }
    float GetMouseSpeed() const { return m_mouseSpeed; }

    ZEventProducer<IInputKeyboardListener>& KeyboardListeners() { return m_keyboardListeners; }
    ZEventProducer<IInputMouseListener>& MouseListeners() { return m_mouseListeners; }
    void AddKeyboardListener(IInputKeyboardListener* l) { m_keyboardListeners.AddListener(l); }
    void RemoveKeyboardListener(IInputKeyboardListener* l) { m_keyboardListeners.RemoveListener(l); }
    void AddMouseListener(IInputMouseListener* l) { m_mouseListeners.AddListener(l); }
    void RemoveMouseListener(IInputMouseListener* l) { m_mouseListeners.RemoveListener(l); }

    bool IsKeyboardEnabled() const { return m_keyboardEnabled != 0; }
    bool IsMouseEnabled() const { return m_mouseEnabled != 0; }
    void SetKeyboardEnabled(bool on) { m_keyboardEnabled = on ? 1 : 0; }
    void SetMouseEnabled(bool on) { m_mouseEnabled = on ? 1 : 0; }

    // The mouse as the last dispatched events left it, and as it was at the end of the previous
    // frame.
    float GetMouseX() const { return m_mouse.position[0]; }
    float GetMouseY() const { return m_mouse.position[1]; }
    bool IsButtonDown(int button) const;
    bool WasButtonDown(int button) const;
    const MouseState& GetMouseState() const { return m_mouse; }
    const MouseState& GetPreviousMouseState() const { return m_previousMouse; }

    // Held keys by scan code, now and at the end of the previous frame.
    int GetHeldKeyCount() const { return m_heldCount; }
    uint32_t GetHeldKeyScanCode(int index) const;
    int32_t GetHeldKeyCharacter(int index) const;
    bool IsKeyHeld(uint32_t scanCode) const;
    bool WasKeyHeld(uint32_t scanCode) const;

    // The events waiting for the next dispatch.
    int GetMouseEventCount() const { return m_mouseEventCount; }
    const SInputMouseEvent& GetMouseEvent(int index) const { return m_mouseEvents[index]; }
    int GetKeyEventCount() const { return m_keyEventCount; }
    const SInputKeyEvent& GetKeyEvent(int index) const { return m_keyEvents[index]; }

protected:
    friend class ZInputRecorder;

    void DispatchMouse();
    void DispatchKeys();

    ZEventProducer<IInputKeyboardListener> m_keyboardListeners;
    ZEventProducer<IInputMouseListener> m_mouseListeners;
    uint8_t m_initialized = 0;
    uint8_t m_keyboardEnabled = 0;

    uint32_t m_heldScanCodes[kMaxHeldKeys] = {};
    uint32_t m_heldCharacters[kMaxHeldKeys] = {};
    int32_t m_heldCount = 0;
    uint32_t m_previousHeldScanCodes[kMaxHeldKeys] = {};
    uint32_t m_previousHeldCharacters[kMaxHeldKeys] = {};
    int32_t m_previousHeldCount = 0;

    SInputKeyEvent m_keyEvents[kMaxKeyEvents] = {};
    int32_t m_keyEventCount = 0;

    SInputMouseEvent m_mouseEvents[kMaxMouseEvents] = {};
    int32_t m_mouseEventCount = 0;
    SInputMouseEvent* m_lastMouseSlot = m_mouseEvents;

    MouseState m_mouse;
    MouseState m_previousMouse;
    uint8_t m_mouseEnabled = 0;
    float m_mouseSpeed = 0.03f;
};

// The input layer fed by the window procedure.
class ZInputWindows : public ZInput
{
    QV_TYPE_RECORD(ZInputWindows, &ZInput::kTypeRecord)

public:
    ZInputWindows() = default;

    int Init() override;
    void EndFrame() override;

    // wParam is the virtual-key code or character byte, lParam the keystroke word.
    void QueueKeyDown(uint32_t wParam, uint32_t lParam);
    void QueueKeyUp(uint32_t wParam, uint32_t lParam);
    void QueueButtonDown(uint32_t button);
    void QueueButtonUp(uint32_t button);
    void QueueMouseMove(float x, float y);

    bool HasPointerMoved() const { return m_pointerMoved != 0; }
    float GetLastPointerX() const { return m_lastPointer[0]; }
    float GetLastPointerY() const { return m_lastPointer[1]; }

private:
    // The slot the next mouse event goes to, or null when it must be dropped: at a full queue
    // only a move may take the last slot, and only from another move, so a click is never lost.
    SInputMouseEvent* NextMouseSlot(bool isMove);
    void QueueButton(uint32_t type, uint32_t button);

    float m_lastPointer[3] = {};
    uint8_t m_pointerMoved = 0;
};

// Records the live input of each frame to a session file, or replays a recorded one in place of
// the live input. One global object, made by ZEngine::InitSession.
class ZInputRecorder
{
public:
    enum EMode : int32_t
    {
        kOff = 0,
        kRecord = 1,
        kPlay = 2,
    };

    static ZInputRecorder* GetInstance();
    // Makes the global recorder when it does not exist yet.
    static ZInputRecorder* CreateInstance();
    static void DestroyInstance();

    ZInputRecorder() = default;
    ~ZInputRecorder();
    ZInputRecorder(const ZInputRecorder&) = delete;
    ZInputRecorder& operator=(const ZInputRecorder&) = delete;

    int32_t GetMode() const { return m_mode; }
    void SetMode(int32_t mode) { m_mode = mode; }
    bool IsPlaying() const { return m_mode == kPlay; }

    // Opens the session file for the mode: written when recording, read when playing. 0 on
    // success (and always with the mode off); a file that cannot be opened turns the mode off
    // and gives 1.
    int Open(const char* path);
    void Close();

    // Writes the input's held keys and queued events as one frame record. A failed write stops
    // recording (the game goes on) and returns false.
    bool WriteFrame(const ZInput& input);
    // Reads one frame record into the input, replacing its held keys and queues. At the end of
    // the data, or at a damaged record, playback stops: the input is left as it was and false is
    // returned, and live input is used from then on.
    bool ReadFrame(ZInput& input);

private:
    ZFileStream* m_stream = nullptr;
    int32_t m_mode = kOff;
};
