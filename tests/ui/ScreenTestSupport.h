#pragma once
// Base screens on the real state stack: a game subclass that imports its layout from
// tests/fixtures/screens (mounted as "resources:") before the base finds its widgets.
#include <string>

#include "engine/import/ZSceneXMLImport2.h"
#include "tests/ui/WidgetTestSupport.h"

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
    }
    // Opens a screen over the test's own one, as a menu does.
    void Open(ZGameState* state)
    {
        ZGame::GotoState(state);
        Frames(3);
    }
};
} // namespace uitest
