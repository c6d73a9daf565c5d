#include "engine/app/ZInput.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "engine/fs/ZStream.h"
#include "engine/render/resources/ZRenderSettings.h"

// ---------------------------------------------------------------------------------------
// ZInput

int ZInput::Init()
{
    m_initialized = 1;
    return 0;
}

void ZInput::Update()
{
    if (ZInputRecorder* recorder = ZInputRecorder::GetInstance())
    {
        if (recorder->GetMode() == ZInputRecorder::kRecord)
            recorder->WriteFrame(*this);
        else if (recorder->GetMode() == ZInputRecorder::kPlay)
            recorder->ReadFrame(*this);
    }
    DispatchMouse();
    DispatchKeys();
}

void ZInput::DispatchMouse()
{
    const int count = m_mouseEventCount;
    // Emptied whether or not the mouse is enabled: events of a disabled mouse must not reach
    // the listeners later, when it is enabled again.
    m_mouseEventCount = 0;
    m_lastMouseSlot = m_mouseEvents;
    if (!m_mouseEnabled)
        return;
    for (int i = 0; i < count; ++i)
    {
        const SInputMouseEvent& event = m_mouseEvents[i];
        switch (event.type)
        {
        case SInputMouseEvent::kButtonDown:
            if (event.button >= uint32_t(kButtonCount))
                break;
            m_mouse.buttons[event.button] = 1;
            m_mouseListeners.Deliver([&](IInputMouseListener* l) { l->OnButtonDown(event.button); });
            break;
        case SInputMouseEvent::kButtonUp:
            if (event.button >= uint32_t(kButtonCount))
                break;
            m_mouse.buttons[event.button] = 0;
            m_mouseListeners.Deliver([&](IInputMouseListener* l) { l->OnButtonUp(event.button); });
            break;
        case SInputMouseEvent::kMove:
            m_mouse.position[0] = event.x;
            m_mouse.position[1] = event.y;
            if (event.dx * event.dx + event.dy * event.dy + event.dz * event.dz > 0.0f)
                m_mouseListeners.Deliver([&](IInputMouseListener* l) { l->OnMove(event); });
            break;
        default:
            break;
        }
    }
}

void ZInput::DispatchKeys()
{
    const int count = m_keyEventCount;
    m_keyEventCount = 0;
    if (!m_keyboardEnabled)
        return;
    for (int i = 0; i < count; ++i)
    {
        const SInputKeyEvent& event = m_keyEvents[i];
        if (event.type == SInputKeyEvent::kDown)
            m_keyboardListeners.Deliver([&](IInputKeyboardListener* l)
                                        { l->OnKey(event.scanCode, event.character); });
        else if (event.type == SInputKeyEvent::kUp)
            m_keyboardListeners.Deliver([&](IInputKeyboardListener* l)
                                        { l->OnKeyUp(event.scanCode, event.character); });
    }
}

bool ZInput::IsButtonDown(int button) const
{
    return button >= 0 && button < kButtonCount && m_mouse.buttons[button] != 0;
}

bool ZInput::WasButtonDown(int button) const
{
    return button >= 0 && button < kButtonCount && m_previousMouse.buttons[button] != 0;
}

uint32_t ZInput::GetHeldKeyScanCode(int index) const
{
    return index >= 0 && index < m_heldCount ? m_heldScanCodes[index] : 0;
}

int32_t ZInput::GetHeldKeyCharacter(int index) const
{
    return index >= 0 && index < m_heldCount ? int32_t(m_heldCharacters[index]) : 0;
}

bool ZInput::IsKeyHeld(uint32_t scanCode) const
{
    for (int i = 0; i < m_heldCount; ++i)
        if (m_heldScanCodes[i] == scanCode)
            return true;
    return false;
}

bool ZInput::WasKeyHeld(uint32_t scanCode) const
{
    for (int i = 0; i < m_previousHeldCount; ++i)
        if (m_previousHeldScanCodes[i] == scanCode)
            return true;
    return false;
}

// ---------------------------------------------------------------------------------------
// ZInputWindows

int ZInputWindows::Init()
{
    m_initialized = 1;
    m_keyboardEnabled = 1;
    m_mouseEnabled = 1;
    m_lastPointer[0] = m_lastPointer[1] = m_lastPointer[2] = 0.0f;
    return 0;
}

void ZInputWindows::EndFrame()
{
    std::memcpy(m_previousHeldScanCodes, m_heldScanCodes, sizeof(m_heldScanCodes));
    std::memcpy(m_previousHeldCharacters, m_heldCharacters, sizeof(m_heldCharacters));
    m_previousHeldCount = m_heldCount;
    m_previousMouse = m_mouse;
}

namespace
{
bool PlayingBack()
{
    const ZInputRecorder* recorder = ZInputRecorder::GetInstance();
    return recorder && recorder->IsPlaying();
}
} // namespace

void ZInputWindows::QueueKeyDown(uint32_t wParam, uint32_t lParam)
{
    if (PlayingBack())
        return;
    const uint32_t scanCode = (lParam >> 16) & 0xFF;
    const int32_t character = int8_t(uint8_t(wParam & 0xFF));
    if (m_heldCount >= kMaxHeldKeys || m_keyEventCount >= kMaxKeyEvents)
        return;
    m_keyEvents[m_keyEventCount++] = SInputKeyEvent{scanCode, character, SInputKeyEvent::kDown};
    if (IsKeyHeld(scanCode))
        return;
    m_heldScanCodes[m_heldCount] = scanCode;
    m_heldCharacters[m_heldCount] = uint32_t(character);
    ++m_heldCount;
}

void ZInputWindows::QueueKeyUp(uint32_t wParam, uint32_t lParam)
{
    if (PlayingBack())
        return;
    const uint32_t scanCode = (lParam >> 16) & 0xFF;
    const int32_t character = int32_t(wParam & 0xFF);
    for (int i = 0; i < m_heldCount; ++i)
    {
        if (m_heldScanCodes[i] != scanCode)
            continue;
        for (int j = i + 1; j < m_heldCount; ++j)
        {
            m_heldScanCodes[j - 1] = m_heldScanCodes[j];
            m_heldCharacters[j - 1] = m_heldCharacters[j];
        }
        --m_heldCount;
        break;
    }
    if (m_keyEventCount < kMaxKeyEvents)
        m_keyEvents[m_keyEventCount++] = SInputKeyEvent{scanCode, character, SInputKeyEvent::kUp};
}

SInputMouseEvent* ZInputWindows::NextMouseSlot(bool isMove)
{
    if (m_mouseEventCount < kMaxMouseEvents)
    {
        m_lastMouseSlot = &m_mouseEvents[m_mouseEventCount++];
        return m_lastMouseSlot;
    }
    if (isMove && m_lastMouseSlot->type == SInputMouseEvent::kMove)
        return m_lastMouseSlot;
    return nullptr;
}

void ZInputWindows::QueueButton(uint32_t type, uint32_t button)
{
    if (button >= uint32_t(kButtonCount))
        return;
    if (SInputMouseEvent* slot = NextMouseSlot(false))
    {
        slot->type = type;
        slot->button = button;
    }
}

void ZInputWindows::QueueButtonDown(uint32_t button)
{
    QueueButton(SInputMouseEvent::kButtonDown, button);
}

void ZInputWindows::QueueButtonUp(uint32_t button)
{
    QueueButton(SInputMouseEvent::kButtonUp, button);
}

void ZInputWindows::QueueMouseMove(float x, float y)
{
    float dx = x - m_lastPointer[0];
    float dy = y - m_lastPointer[1];
    m_pointerMoved = 1;
    if (dx * dx + dy * dy > 0.0f)
    {
        const bool full = m_mouseEventCount >= kMaxMouseEvents;
        if (SInputMouseEvent* slot = NextMouseSlot(true))
        {
            if (full)
            {
                // The move taking over the last slot also carries the one it replaces, so the
                // deltas still add up to the way the pointer went.
                dx += slot->dx;
                dy += slot->dy;
            }
            slot->type = SInputMouseEvent::kMove;
            slot->x = x;
            slot->y = y;
            slot->dx = dx;
            slot->dy = dy;
            slot->dz = 0.0f;
        }
    }
    m_lastPointer[0] = x;
    m_lastPointer[1] = y;
    m_lastPointer[2] = 0.0f;
}

// ---------------------------------------------------------------------------------------
// ZInputRecorder

namespace
{
std::unique_ptr<ZInputRecorder>& RecorderSlot()
{
    static std::unique_ptr<ZInputRecorder> recorder;
    return recorder;
}

constexpr size_t kMouseRecordSize = 64;
constexpr size_t kKeyRecordSize = 12;

void PutU32(uint8_t* out, uint32_t value)
{
    out[0] = uint8_t(value);
    out[1] = uint8_t(value >> 8);
    out[2] = uint8_t(value >> 16);
    out[3] = uint8_t(value >> 24);
}

void PutF32(uint8_t* out, float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    PutU32(out, bits);
}

uint32_t GetU32(const uint8_t* in)
{
    return uint32_t(in[0]) | uint32_t(in[1]) << 8 | uint32_t(in[2]) << 16 | uint32_t(in[3]) << 24;
}

float GetF32(const uint8_t* in)
{
    const uint32_t bits = GetU32(in);
    float value;
    std::memcpy(&value, &bits, 4);
    return value;
}

// The unused bytes of a record are written as zeros, so a session file depends only on the
// events it holds.
void EncodeMouseEvent(const SInputMouseEvent& e, uint8_t* out)
{
    std::memset(out, 0, kMouseRecordSize);
    PutU32(out + 0, e.type);
    PutF32(out + 16, e.x);
    PutF32(out + 20, e.y);
    PutF32(out + 32, e.dx);
    PutF32(out + 36, e.dy);
    PutF32(out + 40, e.dz);
    PutU32(out + 48, e.button);
}

// False for a record no live input could have made.
bool DecodeMouseEvent(const uint8_t* in, SInputMouseEvent& e)
{
    e.type = GetU32(in + 0);
    e.x = GetF32(in + 16);
    e.y = GetF32(in + 20);
    e.dx = GetF32(in + 32);
    e.dy = GetF32(in + 36);
    e.dz = GetF32(in + 40);
    e.button = GetU32(in + 48);
    switch (e.type)
    {
    case SInputMouseEvent::kButtonDown:
    case SInputMouseEvent::kButtonUp:
        return e.button < uint32_t(ZInput::kButtonCount);
    case SInputMouseEvent::kMove:
        return std::isfinite(e.x) && std::isfinite(e.y) && std::isfinite(e.dx) && std::isfinite(e.dy) &&
               std::isfinite(e.dz);
    default:
        return false;
    }
}

void EncodeKeyEvent(const SInputKeyEvent& e, uint8_t* out)
{
    PutU32(out + 0, e.scanCode);
    PutU32(out + 4, uint32_t(e.character));
    PutU32(out + 8, e.type);
}

bool DecodeKeyEvent(const uint8_t* in, SInputKeyEvent& e)
{
    e.scanCode = GetU32(in + 0);
    e.character = int32_t(GetU32(in + 4));
    e.type = GetU32(in + 8);
    return e.type == SInputKeyEvent::kDown || e.type == SInputKeyEvent::kUp;
}

// A session keeps the pointer's place on the game's logical screen (800 x 600 pixels, from its top
// left), not on the display: a full-screen display of another size shows the picture centred
// between bars, or scaled down when it is smaller, and the same recorded point must land on the
// same spot of the game whatever display records or plays it. Where the display is the logical
// size both places are the same.
struct SPointerMap
{
    float scale[2] = {1.0f, 1.0f};
    float logical[2] = {0.0f, 0.0f};
    float display[2] = {0.0f, 0.0f};
};

SPointerMap CurrentPointerMap()
{
    SPointerMap map;
    const float logical[2] = {float(g_renderWidth.GetValue()), float(g_renderHeight.GetValue())};
    const float display[2] = {float(g_renderWidthActual.GetValue()), float(g_renderHeightActual.GetValue())};
    for (int i = 0; i < 2; ++i)
    {
        if (logical[i] <= 0.0f || display[i] <= 0.0f)
            continue;
        // The pointer's own mapping: a smaller display is scaled up to the logical size.
        map.scale[i] = display[i] < logical[i] ? logical[i] / display[i] : 1.0f;
        map.logical[i] = logical[i];
        map.display[i] = display[i];
    }
    return map;
}

SInputMouseEvent DisplayToScreen(SInputMouseEvent e, const SPointerMap& map)
{
    if (e.type != SInputMouseEvent::kMove)
        return e;
    e.x = map.scale[0] * (e.x - 0.5f * map.display[0]) + 0.5f * map.logical[0];
    e.y = map.scale[1] * (e.y - 0.5f * map.display[1]) + 0.5f * map.logical[1];
    e.dx *= map.scale[0];
    e.dy *= map.scale[1];
    return e;
}

SInputMouseEvent ScreenToDisplay(SInputMouseEvent e, const SPointerMap& map)
{
    if (e.type != SInputMouseEvent::kMove)
        return e;
    e.x = (e.x - 0.5f * map.logical[0]) / map.scale[0] + 0.5f * map.display[0];
    e.y = (e.y - 0.5f * map.logical[1]) / map.scale[1] + 0.5f * map.display[1];
    e.dx /= map.scale[0];
    e.dy /= map.scale[1];
    return e;
}
} // namespace

ZInputRecorder* ZInputRecorder::GetInstance()
{
    return RecorderSlot().get();
}

ZInputRecorder* ZInputRecorder::CreateInstance()
{
    if (!RecorderSlot())
        RecorderSlot() = std::make_unique<ZInputRecorder>();
    return RecorderSlot().get();
}

void ZInputRecorder::DestroyInstance()
{
    RecorderSlot().reset();
}

ZInputRecorder::~ZInputRecorder()
{
    Close();
}

int ZInputRecorder::Open(const char* path)
{
    Close();
    if (m_mode != kRecord && m_mode != kPlay)
        return 0;
    m_stream = new ZFileStream(m_mode == kRecord);
    if (!path || m_stream->Open(path) != 0)
    {
        std::fprintf(stderr, "Input %s: cannot open the session file \"%s\"\n",
                     m_mode == kRecord ? "recording" : "playback", path ? path : "");
        Close();
        m_mode = kOff;
        return 1;
    }
    return 0;
}

void ZInputRecorder::Close()
{
    if (!m_stream)
        return;
    m_stream->Close();
    delete m_stream;
    m_stream = nullptr;
}

bool ZInputRecorder::WriteFrame(const ZInput& input)
{
    if (m_mode != kRecord || !m_stream)
        return false;
    // One buffer per frame, filled field by field; the largest record is well under 10 KB.
    uint8_t buffer[1 + 2 * 4 * ZInput::kMaxHeldKeys + 4 + kMouseRecordSize * ZInput::kMaxMouseEvents + 4 +
                   kKeyRecordSize * ZInput::kMaxKeyEvents];
    size_t size = 0;
    const int held = input.m_heldCount;
    buffer[size++] = uint8_t(held);
    for (int i = 0; i < held; ++i, size += 4)
        PutU32(buffer + size, input.m_heldScanCodes[i]);
    for (int i = 0; i < held; ++i, size += 4)
        PutU32(buffer + size, input.m_heldCharacters[i]);
    PutU32(buffer + size, uint32_t(input.m_mouseEventCount));
    size += 4;
    const SPointerMap map = CurrentPointerMap();
    for (int i = 0; i < input.m_mouseEventCount; ++i, size += kMouseRecordSize)
        EncodeMouseEvent(DisplayToScreen(input.m_mouseEvents[i], map), buffer + size);
    PutU32(buffer + size, uint32_t(input.m_keyEventCount));
    size += 4;
    for (int i = 0; i < input.m_keyEventCount; ++i, size += kKeyRecordSize)
        EncodeKeyEvent(input.m_keyEvents[i], buffer + size);

    // Flushed every frame: a session is most wanted after a crash, and must hold every frame
    // up to it.
    if (!m_stream->Write(buffer, size) || m_stream->Flush() != 0)
    {
        std::fprintf(stderr, "Input recording stopped: the session file cannot be written\n");
        Close();
        m_mode = kOff;
        return false;
    }
    return true;
}

bool ZInputRecorder::ReadFrame(ZInput& input)
{
    if (m_mode != kPlay || !m_stream)
    {
        m_mode = kOff;
        return false;
    }
    // The whole record is read and checked before anything of the input changes.
    uint32_t heldScanCodes[ZInput::kMaxHeldKeys];
    uint32_t heldCharacters[ZInput::kMaxHeldKeys];
    SInputMouseEvent mouseEvents[ZInput::kMaxMouseEvents];
    SInputKeyEvent keyEvents[ZInput::kMaxKeyEvents];
    uint8_t buffer[kMouseRecordSize * ZInput::kMaxMouseEvents];

    auto read = [&](size_t count) { return m_stream->Read(buffer, count) == count; };
    auto stop = [&](const char* why)
    {
        if (why)
            std::fprintf(stderr, "Input playback stopped: %s\n", why);
        Close();
        m_mode = kOff;
        return false;
    };

    if (!read(1))
        return stop(nullptr); // the end of the recorded frames
    const uint32_t held = buffer[0];
    if (held >= uint32_t(ZInput::kMaxHeldKeys))
        return stop(nullptr);
    if (!read(held * 8))
        return stop("the session file ends inside a frame");
    for (uint32_t i = 0; i < held; ++i)
    {
        heldScanCodes[i] = GetU32(buffer + 4 * i);
        heldCharacters[i] = GetU32(buffer + 4 * (held + i));
    }

    if (!read(4))
        return stop("the session file ends inside a frame");
    const uint32_t mouseCount = GetU32(buffer);
    if (mouseCount > uint32_t(ZInput::kMaxMouseEvents))
        return stop("a frame holds too many mouse events");
    if (!read(mouseCount * kMouseRecordSize))
        return stop("the session file ends inside a frame");
    for (uint32_t i = 0; i < mouseCount; ++i)
        if (!DecodeMouseEvent(buffer + i * kMouseRecordSize, mouseEvents[i]))
            return stop("a damaged mouse event");

    if (!read(4))
        return stop("the session file ends inside a frame");
    const uint32_t keyCount = GetU32(buffer);
    if (keyCount > uint32_t(ZInput::kMaxKeyEvents))
        return stop("a frame holds too many key events");
    if (!read(keyCount * kKeyRecordSize))
        return stop("the session file ends inside a frame");
    for (uint32_t i = 0; i < keyCount; ++i)
        if (!DecodeKeyEvent(buffer + i * kKeyRecordSize, keyEvents[i]))
            return stop("a damaged key event");

    input.m_heldCount = int32_t(held);
    for (uint32_t i = 0; i < held; ++i)
    {
        input.m_heldScanCodes[i] = heldScanCodes[i];
        input.m_heldCharacters[i] = heldCharacters[i];
    }
    input.m_mouseEventCount = int32_t(mouseCount);
    const SPointerMap map = CurrentPointerMap();
    for (uint32_t i = 0; i < mouseCount; ++i)
        input.m_mouseEvents[i] = ScreenToDisplay(mouseEvents[i], map);
    input.m_lastMouseSlot = mouseCount ? &input.m_mouseEvents[mouseCount - 1] : input.m_mouseEvents;
    input.m_keyEventCount = int32_t(keyCount);
    for (uint32_t i = 0; i < keyCount; ++i)
        input.m_keyEvents[i] = keyEvents[i];
    return true;
}
