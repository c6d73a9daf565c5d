// Sliders and check boxes from layouts, clicked through the real pointer: value to knob and readout
// mapping, the step buttons, the knob's travel, and both widgets bound to settings in both
// directions.
#include <cstring>

#include "engine/import/ZSceneXMLImport2.h"
#include "engine/scene/ZFontText.h"
#include "engine/ui/ZCheckBox2D.h"
#include "engine/ui/ZSlider2D.h"
#include "tests/support/WidgetTestSupport.h"

namespace
{
ZPropertyFloat s_volume("test.widgets.volume", "Volume", "A slider's setting", 0, ZProperty::kNoGroup, 0.5f,
                        1.0f, 0.0f);
ZPropertyInt s_notFloat("test.widgets.count", "Count", "No slider can take it", 0, ZProperty::kNoGroup, 3, 10,
                        0);
ZPropertyFloat s_wide("test.widgets.wide", "Wide", "A range beyond one", 0, ZProperty::kNoGroup, 50.0f,
                      100.0f, 0.0f);
ZPropertyBool s_mute("test.widgets.mute", "Mute", "A check box's setting", 0, ZProperty::kNoGroup, false);

class SliderLog : public ISliderListener
{
public:
    void OnSliderChanged(float position, ZSlider2D*) override { positions.push_back(position); }
    std::vector<float> positions;
};

class CheckLog : public ICheckBoxListener
{
public:
    void OnCheckBoxChanged(bool ticked, ZCheckBox2D*) override { events.push_back(ticked); }
    std::vector<bool> events;
};

class SliderCheckBoxTest : public uitest::WidgetTest
{
protected:
    void SetUp() override
    {
        WidgetTest::SetUp();
        s_volume.Reset(false);
        s_wide.Reset(false);
        s_mute.Reset(false);
    }

    void Load(const char* xml)
    {
        ZSceneXMLImport2 import;
        import.SetParentNode(Root());
        EXPECT_EQ(import.ImportBuffer(xml, std::strlen(xml)), 0);
        ZSceneXMLImport2::SetCurrent(nullptr);
        Frame();
    }

    // A slider at (100, 50): its track spans world x 0 to 200; down button at x -30, up at 230.
    ZSlider2D* LoadSlider(const char* setting)
    {
        std::string xml = R"(<scenetree>
  <slider2d name="slider" bind_to=")" +
                          std::string(setting) + R"(">
    <v3 property="position" x="100" y="50" z="0"/>
    <sprite2d name="background" width="300" height="40"><v3 property="position" x="0" y="0" z="5"/></sprite2d>
    <sprite2d name="track" width="200" height="10"/>
    <sprite2d name="knob" width="20" height="20"><v3 property="position" x="0" y="0" z="-1"/></sprite2d>
    <fonttext name="readout"/>
    <button2d name="down_button" idle="down">
      <v3 property="position" x="-130" y="0" z="0"/>
      <sprite2d name="down" width="20" height="20"/>
    </button2d>
    <button2d name="up_button" idle="up">
      <v3 property="position" x="130" y="0" z="0"/>
      <sprite2d name="up" width="20" height="20"/>
    </button2d>
  </slider2d>
</scenetree>)";
        Load(xml.c_str());
        auto* slider = ZEntityCast<ZSlider2D>(Root()->FindNode("slider"));
        if (slider)
        {
            slider->FindParts();
            slider->AddListener(&sliderLog);
        }
        return slider;
    }
    static float KnobX(ZSlider2D* slider)
    {
        V3 p;
        static_cast<ZGeom*>(slider->GetKnob())->LocalToWorld(p);
        return p.x;
    }

    SliderLog sliderLog;
    CheckLog checkLog;
};
} // namespace

TEST_F(SliderCheckBoxTest, TheValueSetsTheKnobAlongTheTrackAndTheReadout)
{
    ZSlider2D* slider = LoadSlider("test.widgets.volume");
    ASSERT_NE(slider, nullptr);
    ASSERT_TRUE(slider->GetKnob() && slider->GetTrack() && slider->GetReadout() && slider->GetBackground());
    EXPECT_TRUE(slider->GetKnob()->TestFlags(kNodePickable));
    EXPECT_EQ(slider->GetBoundSetting(), &s_volume);
    EXPECT_FLOAT_EQ(slider->GetLeftX(), 0.0f);
    EXPECT_FLOAT_EQ(slider->GetRightX(), 200.0f);
    EXPECT_FLOAT_EQ(KnobX(slider), 100.0f);
    EXPECT_EQ(slider->GetReadout()->GetText(), "0.50");

    struct Case
    {
        float value;
        float position;
        float knobX;
    } cases[] = {{0.25f, 0.25f, 50.0f}, {-3.0f, 0.0f, 0.0f}, {7.0f, 1.0f, 200.0f}};
    for (const Case& c : cases)
    {
        slider->SetValue(c.value, false);
        EXPECT_FLOAT_EQ(slider->GetPosition(), c.position) << c.value;
        EXPECT_FLOAT_EQ(KnobX(slider), c.knobX) << c.value;
    }
    EXPECT_TRUE(sliderLog.positions.empty()) << "no notification asked for";

    // The settings screen's readout: the value x 100 with at least two digits.
    EXPECT_TRUE(slider->SetReadoutFormat("%02.0f"));
    slider->SetReadoutScale(100.0f);
    slider->SetValue(0.05f, true);
    EXPECT_EQ(slider->GetReadout()->GetText(), "05");
    slider->SetValue(1.0f, true);
    EXPECT_EQ(slider->GetReadout()->GetText(), "100");
    ASSERT_EQ(sliderLog.positions.size(), 2u);
    // Formats that would read something other than one float, or overflow the readout, are refused
    // or cut.
    for (const char* bad : {"%s", "%d", "%f %f", "%n", "no number"})
        EXPECT_FALSE(slider->SetReadoutFormat(bad)) << bad;
    EXPECT_TRUE(slider->SetReadoutFormat("value %.3f percent"));
    EXPECT_EQ(slider->GetReadout()->GetText().size(), ZSlider2D::kReadoutSize - 1);

    // An empty range leaves the position at its start instead of dividing by zero.
    slider->SetRange(0.3f, 0.3f);
    slider->SetValue(0.3f, false);
    EXPECT_EQ(slider->GetPosition(), 0.0f);
}

TEST_F(SliderCheckBoxTest, TheStepButtonsMoveByATenthClampedAndWriteTheSetting)
{
    ZSlider2D* slider = LoadSlider("test.widgets.volume");
    ASSERT_NE(slider, nullptr);
    s_volume.SetValue(0.95f);
    sliderLog.positions.clear();
    ClickAt(230.0f, 50.0f);
    EXPECT_FLOAT_EQ(slider->GetPosition(), 1.0f);
    EXPECT_FLOAT_EQ(s_volume.GetValue(), 1.0f);
    EXPECT_EQ(sliderLog.positions.size(), 1u) << "one notification per step";

    s_volume.SetValue(0.05f);
    ClickAt(-30.0f, 50.0f);
    EXPECT_FLOAT_EQ(slider->GetPosition(), 0.0f);
    EXPECT_FLOAT_EQ(s_volume.GetValue(), 0.0f);
    EXPECT_FLOAT_EQ(KnobX(slider), 0.0f);
}

TEST_F(SliderCheckBoxTest, ASettingChangedElsewhereMovesTheKnobAndTellsListeners)
{
    ZSlider2D* slider = LoadSlider("test.widgets.volume");
    ASSERT_NE(slider, nullptr);
    s_volume.SetValue(0.75f);
    EXPECT_FLOAT_EQ(KnobX(slider), 150.0f);
    ASSERT_EQ(sliderLog.positions.size(), 1u);
    EXPECT_FLOAT_EQ(sliderLog.positions[0], 0.75f);

    // Unbound (the slider goes away), the setting no longer reaches it.
    slider->Bind(nullptr);
    s_volume.SetValue(0.1f);
    EXPECT_EQ(sliderLog.positions.size(), 1u);
}

TEST_F(SliderCheckBoxTest, DraggingTheKnobPastTheTrackEndKeepsItAtTheEnd)
{
    ZSlider2D* slider = LoadSlider("test.widgets.volume");
    ASSERT_NE(slider, nullptr);
    ASSERT_NE(slider->GetKnobDrag(), nullptr);
    MoveToLogical(100.0f, 50.0f);
    Press();
    Frame();
    ASSERT_TRUE(slider->GetKnobDrag()->IsDragging());
    struct Case
    {
        float pointerX;
        float position;
    } cases[] = {{400.0f, 1.0f}, {-80.0f, 0.0f}, {40.0f, 0.2f}};
    for (const Case& c : cases)
    {
        // The pointer also leaves the track's line: the knob keeps to it.
        MoveToLogical(c.pointerX, 90.0f);
        Frame();
        EXPECT_NEAR(slider->GetPosition(), c.position, 1e-6f) << c.pointerX;
        EXPECT_NEAR(s_volume.GetValue(), c.position, 1e-6f) << c.pointerX;
        V3 knob;
        static_cast<ZGeom*>(slider->GetKnob())->LocalToWorld(knob);
        EXPECT_NEAR(knob.x, c.position * 200.0f, 1e-3f) << c.pointerX;
        EXPECT_FLOAT_EQ(knob.y, 50.0f);
    }
    Release();
    Frame();
    EXPECT_FALSE(slider->GetKnobDrag()->IsDragging());
    EXPECT_NEAR(slider->GetPosition(), 0.2f, 1e-6f);
    EXPECT_FALSE(sliderLog.positions.empty());
}

TEST_F(SliderCheckBoxTest, ASettingWithAWiderRangeIsSteppedAndShownInItsOwnUnits)
{
    ZSlider2D* slider = LoadSlider("test.widgets.wide");
    ASSERT_NE(slider, nullptr);
    EXPECT_FLOAT_EQ(slider->GetMaximum(), 100.0f);
    EXPECT_FLOAT_EQ(slider->GetPosition(), 0.5f);
    ClickAt(230.0f, 50.0f);
    EXPECT_FLOAT_EQ(s_wide.GetValue(), 60.0f);
    EXPECT_FLOAT_EQ(slider->GetPosition(), 0.6f);

    // A setting of another kind, or none of that name, binds nothing.
    ZSlider2D* other = ZSlider2D::Create();
    other->SetProperty(ZNameId("bind_to"), "bind_to", "test.widgets.count");
    other->SetProperty(ZNameId("bind_to"), "bind_to", "no.such.setting");
    EXPECT_EQ(other->GetBoundSetting(), nullptr);
    other->FindParts();
    delete other;
}

TEST_F(SliderCheckBoxTest, ClickingABoundCheckBoxFlipsTheSettingAndTheMarkWithOneEvent)
{
    Load(R"(<scenetree>
  <checkbox2d name="mute" idle="box" checkmark="tick" bind_to="test.widgets.mute">
    <sprite2d name="box" width="40" height="40"/>
    <sprite2d name="tick" width="30" height="30"/>
  </checkbox2d>
</scenetree>)");
    auto* box = ZEntityCast<ZCheckBox2D>(Root()->FindNode("mute"));
    ASSERT_NE(box, nullptr);
    box->AddListener(&checkLog);
    ASSERT_NE(box->GetCheckMark(), nullptr);
    EXPECT_FALSE(box->IsTicked());
    EXPECT_TRUE(box->GetCheckMark()->IsHidden());

    ClickAt(0.0f, 0.0f);
    EXPECT_TRUE(box->IsTicked());
    EXPECT_TRUE(s_mute.GetValue());
    EXPECT_FALSE(box->GetCheckMark()->IsHidden());
    EXPECT_EQ(checkLog.events, std::vector<bool>{true});

    // From elsewhere: the mark follows silently.
    s_mute.SetValue(false);
    EXPECT_FALSE(box->IsTicked());
    EXPECT_TRUE(box->GetCheckMark()->IsHidden());
    EXPECT_EQ(checkLog.events.size(), 1u);

    ClickAt(0.0f, 0.0f);
    EXPECT_TRUE(s_mute.GetValue());
    EXPECT_EQ(checkLog.events, (std::vector<bool>{true, true}));

    // Its own button events still reach other listeners.
    uitest::ButtonLog buttons;
    box->AddListener(static_cast<IButtonListener*>(&buttons));
    ClickAt(0.0f, 0.0f);
    EXPECT_FALSE(s_mute.GetValue());
    EXPECT_NE(buttons.Text().find("clicked:mute"), std::string::npos);
}
