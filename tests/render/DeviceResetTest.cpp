// A device made again while a text renderer exists tells the scene tree, so every node that keeps
// laid-out text or device buffers rebuilds them; the first start-up tells nobody.
#include <gtest/gtest.h>

#include "engine/render/ZRenderFont.h"
#include "engine/scene/ZSceneTree.h"
#include "tests/support/RecordingRender.h"

namespace
{
class CountingNode : public ZNode
{
public:
    void InvalidateLayout() override
    {
        ++invalidated;
        ZNode::InvalidateLayout();
    }
    int invalidated = 0;
};

class TextRender : public test::RecordingRender
{
public:
    ZRenderFont* CreateTextRenderer() override { return new ZRenderFont(); }
    ~TextRender() override
    {
        delete m_textRenderer;
        m_textRenderer = nullptr;
    }
};
} // namespace

TEST(DeviceReset, ASecondInitTellsEveryNodeOfTheSceneTree)
{
    ZSceneTree* tree = ZSceneTree::GetInstance();
    auto* parent = new CountingNode();
    auto* child = new CountingNode();
    parent->AddChild(child);
    tree->AddChild(parent);
    {
        TextRender render;
        ASSERT_EQ(render.Init(800, 600, true, nullptr), 0);
        EXPECT_EQ(parent->invalidated, 0) << "the first device has nothing to rebuild";
        ASSERT_EQ(render.Init(800, 600, false, nullptr), 0);
        EXPECT_EQ(parent->invalidated, 1);
        EXPECT_EQ(child->invalidated, 1);
    }
    ZSceneTree::DestroyInstance();
}
