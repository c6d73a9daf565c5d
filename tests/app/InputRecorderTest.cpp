// Session recording and playback: a recorded session replays the same events frame by frame,
// the file holds exactly the documented records, and damaged files end playback safely.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/app/ZEngineWintel.h"
#include "engine/app/ZInput.h"
#include "engine/render/resources/ZRenderSettings.h"
#include "platform/PlatformTestSupport.h"

namespace
{
const std::string kFixtures = std::string(QV_FIXTURES) + "/input/";

uint32_t KeyWord(uint32_t scan, bool up = false)
{
    return 1u | (scan << 16) | (up ? 0xC0000000u : 0u);
}

std::string Format(const char* format, double a, double b)
{
    char text[64];
    std::snprintf(text, sizeof(text), format, a, b);
    return text;
}

// Logs deliveries and, per frame, the held keys, so two runs can be compared frame by frame.
class FrameLog : public IInputMouseListener, public IInputKeyboardListener
{
public:
    void OnButtonDown(uint32_t b) override { current += "down" + std::to_string(b) + " "; }
    void OnButtonUp(uint32_t b) override { current += "up" + std::to_string(b) + " "; }
    void OnMove(const SInputMouseEvent& e) override
    {
        current += Format("move%g,%g ", e.x, e.y) + Format("d%g,%g ", e.dx, e.dy);
    }
    void OnKey(uint32_t s, int32_t c) override
    {
        current += "key" + std::to_string(s) + ":" + std::to_string(c) + " ";
    }
    void OnKeyUp(uint32_t s, int32_t c) override
    {
        current += "keyup" + std::to_string(s) + ":" + std::to_string(c) + " ";
    }

    // Runs one frame of the input and keeps what it delivered.
    void Frame(ZInputWindows& input)
    {
        current.clear();
        input.Update();
        current += "| held";
        for (int i = 0; i < input.GetHeldKeyCount(); ++i)
            current += " " + std::to_string(input.GetHeldKeyScanCode(i)) + ":" +
                       std::to_string(input.GetHeldKeyCharacter(i));
        input.EndFrame();
        frames.push_back(current);
    }

    std::string current;
    std::vector<std::string> frames;
};

struct Session
{
    ZInputWindows input;
    FrameLog log;
    Session()
    {
        input.Init();
        input.AddMouseListener(&log);
        input.AddKeyboardListener(&log);
    }
};

ZInputRecorder* StartRecorder(int32_t mode, const std::string& path)
{
    ZInputRecorder::DestroyInstance();
    ZInputRecorder* recorder = ZInputRecorder::CreateInstance();
    recorder->SetMode(mode);
    EXPECT_EQ(recorder->Open(path.c_str()), 0);
    return recorder;
}

std::vector<char> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class InputRecorderTest : public ::testing::Test
{
protected:
    void TearDown() override { ZInputRecorder::DestroyInstance(); }
    qvtest::TempDir dir;
};

// Live input of five frames: typing, a held key across frames, clicks, a flood of moves.
void FeedLive(ZInputWindows& input, int frame)
{
    switch (frame)
    {
    case 0:
        input.QueueMouseMove(100, 50);
        input.QueueButtonDown(0);
        input.QueueKeyDown('h', KeyWord(0x23));
        break;
    case 1:
        input.QueueKeyDown(0x25, KeyWord(0x4B)); // cursor left, held
        input.QueueKeyUp('H', KeyWord(0x23, true));
        input.QueueMouseMove(-4, 70); // a captured pointer left of the window
        break;
    case 2:
        for (int i = 0; i < 150; ++i)
            input.QueueMouseMove(float(i), float(i % 7));
        break;
    case 3:
        input.QueueButtonUp(0);
        input.QueueKeyDown(0xE9, KeyWord(0x1A));
        break;
    default:
        input.QueueKeyUp(0x25, KeyWord(0x4B, true));
        input.QueueButtonDown(2);
        break;
    }
}

TEST_F(InputRecorderTest, ARecordedSessionReplaysFrameByFrameThenLiveInputTakesOver)
{
    const std::string path = dir / "session.dat";
    const int kFrames = 5;
    Session recorded;
    StartRecorder(ZInputRecorder::kRecord, path);
    for (int f = 0; f < kFrames; ++f)
    {
        FeedLive(recorded.input, f);
        recorded.log.Frame(recorded.input);
    }
    ZInputRecorder::DestroyInstance();

    Session played;
    ZInputRecorder* recorder = StartRecorder(ZInputRecorder::kPlay, path);
    for (int f = 0; f < kFrames; ++f)
    {
        // Live input during playback: keys are ignored, mouse events replaced by the recorded.
        played.input.QueueKeyDown('z', KeyWord(0x2C));
        played.input.QueueMouseMove(999, 999);
        played.log.Frame(played.input);
        EXPECT_EQ(played.log.frames[f], recorded.log.frames[f]) << "frame " << f;
    }
    EXPECT_EQ(recorder->GetMode(), ZInputRecorder::kPlay);

    // The recorded frames are used up: this frame's live mouse input is used, and from the
    // next frame on the live keys too.
    played.input.QueueMouseMove(5, 6);
    played.log.Frame(played.input);
    EXPECT_EQ(recorder->GetMode(), ZInputRecorder::kOff);
    EXPECT_NE(played.log.frames.back().find("move5,6"), std::string::npos) << played.log.frames.back();
    played.input.QueueKeyDown('z', KeyWord(0x2C));
    played.log.Frame(played.input);
    EXPECT_NE(played.log.frames.back().find("key44:122"), std::string::npos) << played.log.frames.back();
}

TEST_F(InputRecorderTest, RecordsAreWrittenFieldByFieldLittleEndian)
{
    const std::string path = dir / "session.dat";
    Session live;
    StartRecorder(ZInputRecorder::kRecord, path);
    live.input.QueueMouseMove(10, 20);
    live.input.QueueButtonDown(0);
    live.input.QueueKeyDown('a', KeyWord(0x1E));
    live.log.Frame(live.input);
    ZInputRecorder::DestroyInstance();
    EXPECT_EQ(ReadBytes(path), ReadBytes(kFixtures + "good.dat"));
}

// The display's size in pixels for one run (the logical screen stays 800 x 600).
class DisplaySize
{
public:
    DisplaySize(int width, int height)
        : m_width(g_renderWidthActual.GetValue()), m_height(g_renderHeightActual.GetValue())
    {
        g_renderWidthActual.SetValue(width);
        g_renderHeightActual.SetValue(height);
    }
    ~DisplaySize()
    {
        g_renderWidthActual.SetValue(m_width);
        g_renderHeightActual.SetValue(m_height);
    }

private:
    int m_width, m_height;
};

struct DisplayCase
{
    int recordWidth, recordHeight;
    float x, y; // where the pointer went on the recording display
    int playWidth, playHeight;
    const char* played; // the move as the playing display delivers it
};

class SessionOnAnotherDisplay : public InputRecorderTest, public ::testing::WithParamInterface<DisplayCase>
{
};

// A session recorded in the 800 x 600 window lands on the same spot of the game on a full-screen
// display of another size (centred between bars when larger, scaled when smaller), and back.
TEST_P(SessionOnAnotherDisplay, PointsLandOnTheSameSpotOfTheGame)
{
    ASSERT_EQ(g_renderWidth.GetValue(), 800);
    ASSERT_EQ(g_renderHeight.GetValue(), 600);
    const DisplayCase& c = GetParam();
    const std::string path = dir / "session.dat";
    {
        DisplaySize display(c.recordWidth, c.recordHeight);
        Session recorded;
        StartRecorder(ZInputRecorder::kRecord, path);
        recorded.input.QueueMouseMove(c.x, c.y);
        recorded.input.QueueButtonDown(0);
        recorded.log.Frame(recorded.input);
        ZInputRecorder::DestroyInstance();
    }
    DisplaySize display(c.playWidth, c.playHeight);
    Session played;
    StartRecorder(ZInputRecorder::kPlay, path);
    played.log.Frame(played.input);
    ASSERT_EQ(played.log.frames.size(), 1u);
    EXPECT_EQ(played.log.frames[0].substr(0, played.log.frames[0].find(" down0")), c.played);
}

INSTANTIATE_TEST_SUITE_P(
    Displays, SessionOnAnotherDisplay,
    ::testing::Values(DisplayCase{800, 600, 448, 414, 800, 600, "move448,414 d448,414"},
                      DisplayCase{800, 600, 448, 414, 1280, 1024, "move688,626 d448,414"},
                      DisplayCase{1280, 1024, 688, 626, 800, 600, "move448,414 d688,626"},
                      DisplayCase{800, 600, 448, 414, 640, 480, "move358.4,331.2 d358.4,331.2"}));

TEST_F(InputRecorderTest, ARecordingThatCannotBeWrittenStopsAndTheGameGoesOn)
{
    Session live;
    ZInputRecorder::DestroyInstance();
    ZInputRecorder* recorder = ZInputRecorder::CreateInstance();
    recorder->SetMode(ZInputRecorder::kRecord);
    EXPECT_EQ(recorder->Open("/dev/full"), 0);
    live.input.QueueButtonDown(1);
    live.log.Frame(live.input);
    EXPECT_EQ(recorder->GetMode(), ZInputRecorder::kOff);
    EXPECT_EQ(live.log.frames[0], "down1 | held");

    recorder->SetMode(ZInputRecorder::kRecord);
    EXPECT_EQ(recorder->Open((dir / "missing-folder/session.dat").c_str()), 1);
    EXPECT_EQ(recorder->GetMode(), ZInputRecorder::kOff);
}

struct DamagedCase
{
    const char* file;
    bool goodFirstFrame;
};

class DamagedSession : public ::testing::TestWithParam<DamagedCase>
{
protected:
    void TearDown() override { ZInputRecorder::DestroyInstance(); }
};

TEST_P(DamagedSession, EndsPlaybackWithoutUsingTheDamagedFrame)
{
    const DamagedCase& c = GetParam();
    Session played;
    ZInputRecorder* recorder = StartRecorder(ZInputRecorder::kPlay, kFixtures + c.file);
    if (c.goodFirstFrame)
    {
        played.log.Frame(played.input);
        EXPECT_EQ(played.log.frames.back(), "move10,20 d10,20 down0 key30:97 | held 30:97");
        EXPECT_EQ(recorder->GetMode(), ZInputRecorder::kPlay);
    }
    // The damaged frame: nothing of it is used; this frame's live mouse input is.
    played.input.QueueMouseMove(300, 200);
    played.log.Frame(played.input);
    EXPECT_EQ(recorder->GetMode(), ZInputRecorder::kOff);
    const std::string held = c.goodFirstFrame ? " 30:97" : "";
    EXPECT_EQ(played.log.frames.back(),
              Format("move%g,%g ", 300, 200) + Format("d%g,%g ", 300, 200) + "| held" + held);
    // Live keys work again from the next frame.
    played.input.QueueKeyDown('q', KeyWord(0x10));
    played.log.Frame(played.input);
    EXPECT_EQ(played.log.frames.back(), "key16:113 | held" + held + " 16:113");
}

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedSession,
    ::testing::Values(DamagedCase{"empty.dat", false}, DamagedCase{"good.dat", true},
                      DamagedCase{"held_count_64.dat", true}, DamagedCase{"cut_in_held_keys.dat", true},
                      DamagedCase{"cut_before_mouse_count.dat", true},
                      DamagedCase{"mouse_count_129.dat", true}, DamagedCase{"mouse_count_huge.dat", true},
                      DamagedCase{"cut_in_mouse_event.dat", true}, DamagedCase{"mouse_type_7.dat", true},
                      DamagedCase{"button_index_9.dat", true}, DamagedCase{"move_not_a_number.dat", true},
                      DamagedCase{"key_count_200.dat", true}, DamagedCase{"cut_in_key_event.dat", true},
                      DamagedCase{"key_type_0.dat", true}, DamagedCase{"cut_before_key_count.dat", true}),
    [](const ::testing::TestParamInfo<DamagedCase>& info)
    {
        std::string name = info.param.file;
        name = name.substr(0, name.find('.'));
        for (char& ch : name)
            if (ch == '_')
                ch = 'X';
        return name;
    });

// The command line chooses the mode; the file is "sessions/session.dat" in the user-data folder.
class SessionEngine : public ZEngineWintel
{
public:
    SessionEngine() { SetNames("Session Test", "sessiontest"); }
    bool CheckVersion() override { return true; }
};

class InitSessionTest : public ::testing::Test
{
protected:
    void TearDown() override { ZInputRecorder::DestroyInstance(); }
    int32_t Run(std::vector<const char*> words)
    {
        ZCommandLine line;
        line.SetWords(int(words.size()), words.data());
        SessionEngine engine;
        engine.InitSession(line);
        return ZInputRecorder::GetInstance() ? ZInputRecorder::GetInstance()->GetMode() : -1;
    }
    qvtest::TempDir dir;
    qvtest::ScopedEnv home{"XDG_DATA_HOME", dir.Path().c_str()};
    std::string SessionFolder() const { return dir / "Brannoch/sessiontest/sessions"; }
};

TEST_F(InitSessionTest, TheFirstModeWordWins)
{
    EXPECT_EQ(Run({"game", "--engine.name=x", "record", "play"}), ZInputRecorder::kRecord);
    EXPECT_TRUE(std::filesystem::exists(SessionFolder() + "/session.dat"));
    ZInputRecorder::DestroyInstance();
    EXPECT_EQ(Run({"game", "play", "record"}), ZInputRecorder::kPlay);
}

TEST_F(InitSessionTest, NoModeWordTouchesNothing)
{
    EXPECT_EQ(Run({"game", "Record", "-play", "replay"}), ZInputRecorder::kOff);
    EXPECT_FALSE(std::filesystem::exists(SessionFolder()));
}

TEST_F(InitSessionTest, PlayingWithoutASessionFileFallsBackToLiveInput)
{
    EXPECT_EQ(Run({"play"}), ZInputRecorder::kOff);
}
} // namespace
