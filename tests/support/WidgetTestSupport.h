#pragma once
// Widgets on a screen: a game with one top state whose root holds the widgets, the pointer on the
// default 2D layer's camera, and a recorder of button events.
#include <memory>
#include <string>
#include <vector>

#include "engine/app/ZGame.h"
#include "engine/app/ZGameState.h"
#include "engine/ui/ZButton2D.h"
#include "tests/support/UiTestSupport.h"

namespace uitest
{
class ScreenState : public ZGameState
{
public:
    explicit ScreenState(const char* name, bool opaque = true) : m_name(name) { SetOpaque(opaque); }
    const char* GetName() const override { return m_name.c_str(); }

private:
    std::string m_name;
};

class WidgetTest : public UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        ASSERT_EQ(engine->CreateLayers(), 0);
        ZLayer2D* layer = ZLayer2DManager::GetInstance()->GetDefaultLayer();
        pointer = ZMousePointer::GetInstance();
        // A started scene, as the engine's run leaves it: nodes made later (the drag controllers a
        // layout's widgets make) pass the start-up stages as they join it, and so hear the pointer.
        ZSceneTree::GetInstance()->EnterPhase2();
        pointer->SetLayerCamera(layer->camera);
        game = std::make_unique<ZGame>();
        ZGame::GotoState(&screen);
        Frames(2);
        ASSERT_TRUE(screen.IsActive());
        MoveToLogical(-390.0f, 290.0f);
    }
    void TearDown() override
    {
        game.reset();
        UiTest::TearDown();
    }

    // Frames with the game's update, as the engine runs them.
    void Frames(int n)
    {
        for (int i = 0; i < n; ++i)
        {
            Frame();
            game->Update(0.02);
        }
    }
    // A click at a logical point: move there, press, release, one more frame.
    void ClickAt(float x, float y)
    {
        MoveToLogical(x, y);
        Press();
        Release();
        Frame();
    }

    ZNode* Root() { return screen.GetRoot(); }

    ScreenState screen{"screen"};
    std::unique_ptr<ZGame> game;
    ZMousePointer* pointer = nullptr;
};

// Records button events as "event:button name".
class ButtonLog : public IButtonListener
{
public:
    void OnMouseOver(ZButton2D* b) override { Note("over", b); }
    void OnMouseOut(ZButton2D* b) override { Note("out", b); }
    void OnClicked(ZButton2D* b) override { Note("clicked", b); }
    void OnPressed(ZButton2D* b) override { Note("pressed", b); }
    void OnReleased(ZButton2D* b) override { Note("released", b); }
    void OnEnabledChanged(ZButton2D* b, bool on) override { Note(on ? "enabled" : "disabled", b); }

    std::string Text() const
    {
        std::string out;
        for (const std::string& e : events)
            out += (out.empty() ? "" : " ") + e;
        return out;
    }
    std::vector<std::string> events;

private:
    void Note(const char* what, ZButton2D* b)
    {
        const char* name = b ? b->GetName() : nullptr;
        events.push_back(std::string(what) + ":" + (name ? name : "?"));
    }
};
} // namespace uitest
