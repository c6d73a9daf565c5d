// The 2D screen view drawn over the main view in one frame, on both back ends: what the main view
// drew (the board, the background, the splash camera) stays under the screen's sprites.
#include "D3D7SceneSupport.h"

#include "engine/scene/ZSceneTree.h"
#include "engine/ui/ZLayer2D.h"

namespace d3d7test
{
namespace
{
class ScreenOverMainView : public SceneTest, public ::testing::WithParamInterface<bool>
{
public:
    bool UsesOpenGL() const override { return GetParam(); }
    void TearDown() override
    {
        delete layers;
        layers = nullptr;
        ZSceneTree::DestroyInstance();
        SceneTest::TearDown();
    }
    ZLayer2DManager* layers = nullptr;
};

TEST_P(ScreenOverMainView, BothViewsShowInOneFrame)
{
    // The fixture's own view stands for the main view: drawn first, cleared to its colour.
    view->SetClearColor(V4{0.0f, 0.0f, 1.0f, 1.0f});
    Sprite(Material("sprite", Texture(2, 2, [](int, int) { return 0xFFFF0000u; })), -150.0f, 0.0f,
           5.0f, 100.0f, 100.0f);
    layers = ZLayer2DManager::Create(float(width), float(height));
    ASSERT_NE(layers, nullptr);
    ZView* screen = layers->GetScreenView();
    ASSERT_NE(screen, nullptr);
    ASSERT_NE(screen, view);
    ZSprite* onScreen = ZSprite::Create(
        100.0f, 100.0f, PIVOT_CENTER, Material("sprite", Texture(2, 2, [](int, int) { return 0xFF00FF00u; })));
    onScreen->SetFlags(kNode2D);
    onScreen->SetPositionXYZ(150.0f, 0.0f, 5.0f);
    layers->GetDefaultLayer()->AddChild(onScreen);

    const std::vector<uint32_t> frame = Frame();
    EXPECT_EQ(PixelAt(frame, width / 2 - 150, height / 2), 0xFF0000u) << "the main view's sprite";
    EXPECT_EQ(PixelAt(frame, width / 2 + 150, height / 2), 0x00FF00u) << "the screen's sprite";
    EXPECT_EQ(PixelAt(frame, 10, 10), 0x0000FFu) << "the main view's background";
}

std::string BackEnd(const ::testing::TestParamInfo<bool>& info)
{
    return info.param ? "OpenGL" : "Direct3D7";
}

INSTANTIATE_TEST_SUITE_P(BackEnds, ScreenOverMainView, ::testing::Values(false, true), BackEnd);
} // namespace
} // namespace d3d7test
