// The input layer: queueing between frames, the per-frame dispatch to listeners, held keys and
// the previous frame's state, and the bounds of the queues.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/app/ZInput.h"

namespace
{
// Logs every delivered event as text, in delivery order.
class LogListener : public IInputMouseListener, public IInputKeyboardListener
{
public:
    explicit LogListener(std::vector<std::string>& log, const char* name = "") : m_log(log), m_name(name) {}
    void OnButtonDown(uint32_t button) override { Add("down " + std::to_string(button)); }
    void OnButtonUp(uint32_t button) override { Add("up " + std::to_string(button)); }
    void OnMove(const SInputMouseEvent& e) override
    {
        Add("move " + std::to_string(int(e.x)) + "," + std::to_string(int(e.y)) + " d" +
            std::to_string(int(e.dx)) + "," + std::to_string(int(e.dy)));
    }
    void OnKey(uint32_t scan, int32_t character) override
    {
        Add("key " + std::to_string(scan) + " " + std::to_string(character));
    }
    void OnKeyUp(uint32_t scan, int32_t character) override
    {
        Add("keyup " + std::to_string(scan) + " " + std::to_string(character));
    }

private:
    void Add(const std::string& text) { m_log.push_back(m_name + text); }
    std::vector<std::string>& m_log;
    std::string m_name;
};

uint32_t KeyWord(uint32_t scan, bool up = false)
{
    return 1u | (scan << 16) | (up ? 0xC0000000u : 0u);
}

class InputTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ZInputRecorder::DestroyInstance();
        ASSERT_EQ(input.Init(), 0);
        input.AddMouseListener(&listener);
        input.AddKeyboardListener(&listener);
    }
    void Frame()
    {
        input.Update();
        input.EndFrame();
    }

    ZInputWindows input;
    std::vector<std::string> log;
    LogListener listener{log};
};

TEST(InputTypes, WindowsLayerIsAnInputAndInitEnablesBothDevices)
{
    ZInputWindows windows;
    ZInput plain;
    EXPECT_NE(ZEntityCast<ZInputWindows>(static_cast<ZInput*>(&windows)), nullptr);
    EXPECT_EQ(ZEntityCast<ZInputWindows>(&plain), nullptr);
    EXPECT_TRUE(windows.IsA<ZInput>());
    EXPECT_STREQ(ZInputWindows::kTypeRecord.name, "ZInputWindows");

    EXPECT_FALSE(windows.IsInitialized());
    windows.Init();
    EXPECT_TRUE(windows.IsInitialized());
    EXPECT_TRUE(windows.IsMouseEnabled());
    EXPECT_TRUE(windows.IsKeyboardEnabled());
    plain.Init();
    EXPECT_TRUE(plain.IsInitialized());
    EXPECT_FALSE(plain.IsMouseEnabled());
    EXPECT_FLOAT_EQ(plain.GetMouseSpeed(), 0.03f);
}

TEST_F(InputTest, EventsReachListenersInOrderOncePerFrame)
{
    input.QueueMouseMove(10, 20);
    input.QueueButtonDown(0);
    input.QueueKeyDown('a', KeyWord(0x1E));
    input.QueueMouseMove(15, 18);
    input.QueueButtonUp(0);
    input.QueueKeyUp('A', KeyWord(0x1E, true));
    EXPECT_TRUE(log.empty()) << "nothing is delivered between frames";

    Frame();
    // Mouse events first, in their order; then key events in theirs.
    EXPECT_EQ(log, (std::vector<std::string>{"move 10,20 d10,20", "down 0", "move 15,18 d5,-2", "up 0",
                                             "key 30 97", "keyup 30 65"}));
    EXPECT_FLOAT_EQ(input.GetMouseX(), 15.0f);
    EXPECT_FLOAT_EQ(input.GetMouseY(), 18.0f);

    log.clear();
    Frame();
    EXPECT_TRUE(log.empty()) << "the queues are emptied by the dispatch";
}

TEST_F(InputTest, AListenerThatLeavesDuringDeliveryMissesNothingOfTheOthers)
{
    std::vector<std::string> second;
    struct Leaver : IInputMouseListener
    {
        ZInput* input = nullptr;
        int calls = 0;
        void OnButtonDown(uint32_t) override
        {
            ++calls;
            input->RemoveMouseListener(this);
        }
    } leaver;
    leaver.input = &input;
    LogListener after(second);
    input.RemoveMouseListener(&listener);
    input.AddMouseListener(&leaver);
    input.AddMouseListener(&after);
    input.QueueButtonDown(0);
    input.QueueButtonDown(1);
    Frame();
    EXPECT_EQ(leaver.calls, 1);
    EXPECT_EQ(second, (std::vector<std::string>{"down 0", "down 1"}));
}

TEST_F(InputTest, MutedListenersHearNothingButTheStateStillFollows)
{
    input.MouseListeners().SetMuted(true);
    input.KeyboardListeners().SetMuted(true);
    input.QueueMouseMove(3, 4);
    input.QueueButtonDown(1);
    input.QueueKeyDown('x', KeyWord(0x2D));
    Frame();
    EXPECT_TRUE(log.empty());
    EXPECT_TRUE(input.IsButtonDown(1));
    EXPECT_FLOAT_EQ(input.GetMouseX(), 3.0f);
    EXPECT_TRUE(input.IsKeyHeld(0x2D));
}

TEST_F(InputTest, DisabledDevicesDropTheirEvents)
{
    input.SetMouseEnabled(false);
    input.SetKeyboardEnabled(false);
    input.QueueButtonDown(0);
    input.QueueKeyDown('x', KeyWord(0x2D));
    Frame();
    input.SetMouseEnabled(true);
    input.SetKeyboardEnabled(true);
    Frame();
    EXPECT_TRUE(log.empty()) << "events of a disabled device are not delivered once it is enabled";
    EXPECT_FALSE(input.IsButtonDown(0));
}

TEST_F(InputTest, CharactersSignExtendOnKeyDownAndZeroExtendOnKeyUp)
{
    input.QueueKeyDown(0xE9, KeyWord(0x1A)); // a typed accented letter of Windows-1252
    input.QueueKeyUp(0xE9, KeyWord(0x1A, true));
    Frame();
    EXPECT_EQ(log, (std::vector<std::string>{"key 26 -23", "keyup 26 233"}));
}

TEST_F(InputTest, HeldKeysAndThePreviousFrame)
{
    input.QueueKeyDown('a', KeyWord(0x1E));
    input.QueueKeyDown('a', KeyWord(0x1E)); // auto-repeat: a second event, but held once
    input.QueueKeyDown('s', KeyWord(0x1F));
    EXPECT_EQ(input.GetHeldKeyCount(), 2);
    EXPECT_EQ(input.GetHeldKeyCharacter(0), 'a');
    Frame();
    EXPECT_EQ(log.size(), 3u);
    EXPECT_TRUE(input.WasKeyHeld(0x1E));

    input.QueueKeyUp('A', KeyWord(0x1E, true));
    EXPECT_FALSE(input.IsKeyHeld(0x1E));
    EXPECT_TRUE(input.WasKeyHeld(0x1E)) << "the previous frame keeps its copy until the frame ends";
    ASSERT_EQ(input.GetHeldKeyCount(), 1);
    EXPECT_EQ(input.GetHeldKeyScanCode(0), 0x1Fu) << "later entries move down in both arrays";
    EXPECT_EQ(input.GetHeldKeyCharacter(0), 's');
    Frame();
    EXPECT_FALSE(input.WasKeyHeld(0x1E));
    EXPECT_TRUE(input.WasKeyHeld(0x1F));

    // A key up for a key that is not held (Shift, whose down is never queued) changes nothing
    // held, but is still delivered.
    log.clear();
    input.QueueKeyUp(0x10, KeyWord(0x2A, true));
    EXPECT_EQ(input.GetHeldKeyCount(), 1);
    Frame();
    EXPECT_EQ(log, (std::vector<std::string>{"keyup 42 16"}));
}

TEST_F(InputTest, ButtonStateAndThePreviousFrame)
{
    input.QueueButtonDown(2);
    Frame();
    EXPECT_TRUE(input.IsButtonDown(2));
    EXPECT_TRUE(input.WasButtonDown(2));
    input.QueueButtonUp(2);
    input.Update();
    EXPECT_FALSE(input.IsButtonDown(2));
    EXPECT_TRUE(input.WasButtonDown(2));
    input.EndFrame();
    EXPECT_FALSE(input.WasButtonDown(2));
    EXPECT_FALSE(input.IsButtonDown(7)) << "out-of-range buttons read as up";
}

TEST_F(InputTest, KeyQueueAndHeldListAreBounded)
{
    // 64 held keys: a 65th key-down is dropped, event and all.
    for (uint32_t i = 0; i < 64; ++i)
        input.QueueKeyDown('k', KeyWord(i + 1));
    input.QueueKeyDown('k', KeyWord(100));
    EXPECT_EQ(input.GetHeldKeyCount(), 64);
    EXPECT_EQ(input.GetKeyEventCount(), 64);
    EXPECT_FALSE(input.IsKeyHeld(100));
    // Key ups fill the queue to 128; beyond that they are dropped, but the key is released.
    for (uint32_t i = 0; i < 64; ++i)
        input.QueueKeyUp('k', KeyWord(i + 1, true));
    EXPECT_EQ(input.GetKeyEventCount(), 128);
    input.QueueKeyDown('k', KeyWord(5));
    input.QueueKeyUp('k', KeyWord(6, true));
    EXPECT_EQ(input.GetKeyEventCount(), 128);
    EXPECT_EQ(input.GetHeldKeyCount(), 0);
    Frame();
    EXPECT_EQ(log.size(), 128u);
}

TEST_F(InputTest, TwoHundredMovesKeepTheLatestInTheLastSlot)
{
    for (int i = 1; i <= 200; ++i)
        input.QueueMouseMove(float(i), float(2 * i));
    ASSERT_EQ(input.GetMouseEventCount(), 128);
    const SInputMouseEvent& last = input.GetMouseEvent(127);
    EXPECT_EQ(last.type, SInputMouseEvent::kMove);
    EXPECT_FLOAT_EQ(last.x, 200.0f);
    EXPECT_FLOAT_EQ(last.y, 400.0f);
    // The last slot absorbed the moves it replaced: the deltas still add up to the whole way.
    float sumX = 0, sumY = 0;
    for (int i = 0; i < 128; ++i)
    {
        sumX += input.GetMouseEvent(i).dx;
        sumY += input.GetMouseEvent(i).dy;
    }
    EXPECT_FLOAT_EQ(sumX, 200.0f);
    EXPECT_FLOAT_EQ(sumY, 400.0f);
}

TEST_F(InputTest, AFullQueueNeverOverwritesAButtonEvent)
{
    for (int i = 1; i <= 127; ++i)
        input.QueueMouseMove(float(i), 0);
    input.QueueButtonDown(0); // takes the last slot
    ASSERT_EQ(input.GetMouseEventCount(), 128);
    input.QueueMouseMove(500, 500); // dropped: the last slot holds a click
    input.QueueButtonUp(0);         // dropped: nothing may be overwritten
    EXPECT_EQ(input.GetMouseEvent(127).type, SInputMouseEvent::kButtonDown);
    EXPECT_EQ(input.GetMouseEvent(127).button, 0u);
    EXPECT_FLOAT_EQ(input.GetLastPointerX(), 500.0f) << "the pointer's place is still tracked";

    Frame();
    EXPECT_EQ(log.back(), "down 0");
    EXPECT_TRUE(input.IsButtonDown(0));

    // With the queue full of moves, a button event is dropped and the moves stay.
    log.clear();
    for (int i = 1; i <= 128; ++i)
        input.QueueMouseMove(float(i), 1);
    input.QueueButtonUp(0);
    EXPECT_EQ(input.GetMouseEvent(127).type, SInputMouseEvent::kMove);
}

TEST_F(InputTest, AMoveWithoutDistanceIsNotQueuedButMarksThePointer)
{
    EXPECT_FALSE(input.HasPointerMoved());
    input.QueueMouseMove(0, 0);
    EXPECT_TRUE(input.HasPointerMoved());
    EXPECT_EQ(input.GetMouseEventCount(), 0);
    input.QueueButtonDown(3); // not a button of the engine
    EXPECT_EQ(input.GetMouseEventCount(), 0);
}
} // namespace
