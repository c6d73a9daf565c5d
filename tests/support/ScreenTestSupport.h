#pragma once
// Base screens on the real stack: layouts from tests/fixtures/screens mounted as "resources", the
// game's top screen beneath, a game subclass that imports its layout before the base finds its
// widgets, and the screens made by a test deleted before the scene goes.
#include <memory>
#include <string>
#include <vector>

#include "engine/app/ZFader.h"
#include "engine/import/ZSceneXMLImport2.h"
#include "tests/support/WidgetTestSupport.h"

namespace uitest
{
template <class Base> class LaidOutScreen : public Base
{
public:
    explicit LaidOutScreen(const char* layout) : m_layout(layout) {}
    int Build() override
    {
        ImportSceneFile(ZResourcePath(m_layout), this->GetRoot());
        return Base::Build();
    }

private:
    std::string m_layout;
};

class ScreenTest : public WidgetTest
{
protected:
    void SetUp() override
    {
        table.AddMount("resources", (std::string(QV_FIXTURES) + "/screens").c_str());
        WidgetTest::SetUp();
        input->SetKeyboardEnabled(true);
    }
    void TearDown() override
    {
        game.reset();
        owned.clear();
        // Dimming screens make the fader, whose camera lives in this test's scene.
        ZFader::DestroyInstance();
        UiTest::TearDown();
    }
    template <class T> T* Own(T* state)
    {
        owned.emplace_back(state);
        return state;
    }
    // Switches to the state and lets the switch finish (as a menu opens a screen over the test's own).
    void Go(ZGameState* state)
    {
        ZGame::GotoState(state);
        Frames(3);
    }
    void Open(ZGameState* state) { Go(state); }
    void Key(int character, uint32_t scanCode = 0x1E)
    {
        input->QueueKeyDown(uint32_t(character) & 0xFF, scanCode << 16);
        input->QueueKeyUp(uint32_t(character) & 0xFF, scanCode << 16);
        input->Update();
    }
    ZGameState* Top() { return game->GetTopState(); }

    std::vector<std::unique_ptr<ZGameState>> owned;
};
} // namespace uitest
