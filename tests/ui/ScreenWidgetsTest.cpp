// The screen helper on the real stack: widgets found by path and type, and buttons heard only
// while their screen is entered, clicked with the pointer; buttons swapped while entered.
#include <cstring>
#include <string>

#include "engine/import/ZSceneXMLImport2.h"
#include "engine/scene/ZFontText.h"
#include "engine/ui/ZScreenWidgets.h"
#include "tests/support/ScreenTestSupport.h"

using uitest::ButtonLog;

namespace
{
constexpr const char* kLayout = R"(<scenetree>
  <button2d name="ok" idle="ok_idle"><v3 property="position" x="0" y="0" z="0"/>
    <sprite2d name="ok_idle" width="100" height="50"/>
  </button2d>
  <button2d name="other" idle="other_idle"><v3 property="position" x="200" y="0" z="0"/>
    <sprite2d name="other_idle" width="100" height="50"/>
  </button2d>
  <group name="panel">
    <fonttext name="caption"/>
  </group>
</scenetree>)";

// A screen that hears "ok" through the helper, as the base screens do.
class HeardScreen : public ZGameState, public ButtonLog
{
public:
    const char* GetName() const override { return "HeardScreen"; }
    int Build() override
    {
        ZSceneXMLImport2 import;
        import.SetParentNode(GetRoot());
        const int result = import.ImportBuffer(kLayout, std::strlen(kLayout));
        ZSceneXMLImport2::SetCurrent(nullptr);
        widgets.Clear();
        ok = widgets.FindButton(GetRoot(), "ok");
        other = FindWidget<ZButton2D>(GetRoot(), "other");
        return result;
    }
    void OnEnter() override { widgets.OnEnter(); }
    void OnLeave() override { widgets.OnLeave(); }

    ZScreenWidgets widgets{this};
    ZButton2D* ok = nullptr;
    ZButton2D* other = nullptr;
};

class ScreenWidgetsTest : public uitest::ScreenTest
{
protected:
    static size_t Listeners(ZButton2D* button)
    {
        return button->ZEventProducer<IButtonListener>::ListenerCount();
    }

    HeardScreen heard;
};

TEST_F(ScreenWidgetsTest, FindsWidgetsByPathAndType)
{
    Go(&heard);
    ZNode* root = heard.GetRoot();
    ASSERT_NE(heard.ok, nullptr);
    EXPECT_NE(FindWidget<ZFontText>(root, "panel/caption"), nullptr);
    // Missing, of another type, or without a root: null, never a wrong cast.
    EXPECT_EQ(FindWidget<ZButton2D>(root, "missing"), nullptr);
    EXPECT_EQ(FindWidget<ZButton2D>(root, "panel/caption"), nullptr);
    EXPECT_EQ(FindWidget<ZFontText>(root, "ok"), nullptr);
    EXPECT_EQ(FindWidget<ZButton2D>(nullptr, "ok"), nullptr);
    EXPECT_EQ(heard.widgets.FindButton(root, "missing"), nullptr);
}

TEST_F(ScreenWidgetsTest, ButtonsAreHeardOnlyWhileTheScreenIsEntered)
{
    Go(&heard);
    ASSERT_TRUE(heard.widgets.IsEntered());
    ClickAt(0.0f, 0.0f);
    EXPECT_TRUE(heard.Text().find("clicked:ok") != std::string::npos);
    EXPECT_EQ(Listeners(heard.ok), 1u);

    // Back to the test's own screen: the left screen's button no longer calls it.
    Go(&screen);
    EXPECT_FALSE(heard.widgets.IsEntered());
    EXPECT_EQ(Listeners(heard.ok), 0u);
    // Entering twice subscribes once; leaving twice unsubscribes once.
    heard.widgets.OnEnter();
    heard.widgets.OnEnter();
    EXPECT_EQ(Listeners(heard.ok), 1u);
    heard.widgets.OnLeave();
    heard.widgets.OnLeave();
    EXPECT_EQ(Listeners(heard.ok), 0u);
}

TEST_F(ScreenWidgetsTest, ButtonsSwappedWhileEnteredAreHeardAtOnce)
{
    Go(&heard);
    EXPECT_EQ(Listeners(heard.other), 0u);
    heard.widgets.Add(heard.other);
    heard.widgets.Add(heard.other);
    heard.widgets.Add(nullptr);
    EXPECT_EQ(Listeners(heard.other), 1u);
    heard.widgets.Remove(heard.ok);
    EXPECT_EQ(Listeners(heard.ok), 0u);
    ClickAt(200.0f, 0.0f);
    EXPECT_TRUE(heard.Text().find("clicked:other") != std::string::npos);

    Go(&screen);
    EXPECT_EQ(Listeners(heard.other), 0u);
    EXPECT_EQ(Listeners(heard.ok), 0u);
}
} // namespace
