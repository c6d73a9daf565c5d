// Texture-strip animation and texture scrolling on a material.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

#include "engine/controllers/ZAnimateTexture2D.h"
#include "engine/core/ZFrameTimer.h"
#include "engine/render/resources/ZAnimTexture.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/render/resources/ZPixelFormat.h"
#include "engine/resource/ZResourceManager.h"
#include "engine/scene/ZGeom.h"
#include "engine/scene/ZSceneTree.h"
#include "tests/support/ClockedScene.h"

extern bool g_engineStartingUp;

namespace
{

// Stands in for a sprite: a geometric node whose drawn geometry is its material.
class FakeSprite : public ZGeom
{
public:
    static constexpr ZTypeRecord kTypeRecord{"ZSprite", &ZGeom::kTypeRecord};
    const ZTypeRecord* GetTypeRecord() const override { return &kTypeRecord; }
    void* QueryGeometry() override { return material; }
    ZMaterial* material = nullptr;
};

class AnimateTextureTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_engineStartingUp = false;
        ZSceneTree::SetShutdownBegun(false);
        ZResourceManager::GetInstance();
        tree = ZSceneTree::GetInstance();
        timer.frameDelta = 0.1;
        strip = std::make_unique<ZAnimTexture>();
        strip->StoreImage(static_cast<uint8_t*>(std::calloc(256 * 128 * 4, 1)), kPixelRGBA, 256, 128, 256,
                          128, false);
        strip->SetFrameSize(64, 64);
        strip->SetFlags(kResourceLoaded);
        material = std::make_unique<ZMaterial>();
        material->SetTexture(0, strip.get(), false);
        sprite = new FakeSprite();
        sprite->material = material.get();
        tree->AddChild(sprite);
    }
    void TearDown() override
    {
        ZSceneTree::DestroyInstance();
        material.reset();
        plain.reset();
        strip.reset();
        ZResourceManager::DestroyInstance();
    }
    // The frame whose cell the stage-0 matrix points at.
    int ShownFrame() const
    {
        const _M44& m = material->GetTextureMatrix(0);
        return int(std::lround(m.m[2][0] * 4.0f)) + 4 * int(std::lround(m.m[2][1] * 2.0f));
    }

    ZSceneTree* tree = nullptr;
    FakeSprite* sprite = nullptr;
    std::unique_ptr<ZAnimTexture> strip;
    std::unique_ptr<ZTexture> plain;
    std::unique_ptr<ZMaterial> material;
    qvtest::TestClock clock;
    ZFrameTimer& timer = clock.timer;
};

TEST_F(AnimateTextureTest, StepsThroughTheStripAndLoops)
{
    ZAnimateTexture2D* anim = ZAnimateTexture2D::Create(sprite, true);
    EXPECT_EQ(anim->GetParent(), sprite);
    EXPECT_EQ(anim->animTexture, strip.get());
    EXPECT_EQ(material->GetSwitch(ZMaterial::kSwitchTextureTransform), 1);
    EXPECT_EQ(material->GetSwitch(21), 1);
    EXPECT_TRUE(material->IsTextureMatrixSet(0));
    EXPECT_EQ(ShownFrame(), 0);
    // 8 frames at 30 per second and 0.1 s per update: three frames a step.
    std::vector<int> shown;
    for (int i = 0; i < 5; ++i)
    {
        tree->Update();
        shown.push_back(ShownFrame());
        EXPECT_EQ(anim->lastFrame, shown.back());
    }
    EXPECT_EQ(shown, (std::vector<int>{3, 6, 1, 4, 7}));
    EXPECT_TRUE(anim->IsActive());
}

TEST_F(AnimateTextureTest, StopsAfterOnePassAndShowsTheFirstFrame)
{
    ZAnimateTexture2D* anim = ZAnimateTexture2D::Create(sprite, true);
    anim->stopAt = 1.0f;
    tree->Update();
    tree->Update();
    EXPECT_TRUE(anim->IsActive());
    tree->Update();
    EXPECT_FALSE(anim->IsActive());
    EXPECT_EQ(ShownFrame(), 0);
    // Started again, it rewinds.
    anim->SetActive(true);
    EXPECT_EQ(anim->position, 0.0f);
}

TEST_F(AnimateTextureTest, SetPositionShowsTheFrameAtThatFractionOnce)
{
    ZAnimateTexture2D* anim = ZAnimateTexture2D::Create(sprite, false);
    anim->SetPosition(0.5f);
    EXPECT_EQ(ShownFrame(), 4);
    EXPECT_EQ(anim->position, 0.0f);
    // The same frame again leaves the material alone.
    material->SetTextureMatrix(0, _M44());
    anim->ApplyFrame(4);
    EXPECT_TRUE(material->GetTextureMatrix(0).IsIdentity());
}

TEST_F(AnimateTextureTest, NothingMovesWithoutAStripOrWhileItLoads)
{
    strip->ClearFlags(kResourceLoaded);
    ZAnimateTexture2D* anim = ZAnimateTexture2D::Create(sprite, true);
    tree->Update();
    EXPECT_EQ(anim->position, 0.0f);
    // A plain texture is not taken for a strip.
    plain = std::make_unique<ZTexture>();
    material->SetTexture(0, plain.get(), false);
    ZAnimateTexture2D* onPlain = ZAnimateTexture2D::Create(sprite, true);
    EXPECT_EQ(onPlain->animTexture, nullptr);
    // Nor does a node without material break anything.
    sprite->material = nullptr;
    ZAnimateTexture2D* bare = ZAnimateTexture2D::Create(sprite, true);
    EXPECT_EQ(bare->material, nullptr);
    for (int i = 0; i < 3; ++i)
        tree->Update();
}

TEST_F(AnimateTextureTest, ScrollMovesAndWrapsTheTextureCoordinates)
{
    ZTextureUVScroll* scroll = ZTextureUVScroll::Create(sprite);
    EXPECT_EQ(scroll->GetParent(), tree->GetControllersGroup());
    EXPECT_EQ(scroll->material, material.get());
    scroll->speed = {0.25f, 0.0f};
    tree->Update();
    EXPECT_NEAR(material->GetTextureMatrix(0).m[2][0], 0.025f, 1e-6f);
    EXPECT_EQ(material->GetTextureMatrix(0).m[2][2], 1.0f);
    for (int i = 1; i < 40; ++i)
    {
        tree->Update();
        EXPECT_LT(std::fabs(scroll->offset.x), 1.0f);
    }
    const float u = material->GetTextureMatrix(0).m[2][0];
    EXPECT_TRUE(u < 1e-4f || u > 1.0f - 1e-4f) << u;
    // The wobble adds its cosine.
    scroll->speed = {0.0f, 0.0f};
    scroll->offset = {0.0f, 0.0f};
    scroll->waveAmplitude = {0.0f, 0.5f};
    tree->Update();
    EXPECT_NEAR(material->GetTextureMatrix(0).m[2][1], 0.5f, 1e-6f);
}

TEST_F(AnimateTextureTest, ScrollWithoutAMaterialLeavesTheSceneAlone)
{
    ZGroup* group = ZGroup::Create();
    tree->AddChild(group);
    ZTextureUVScroll* scroll = ZTextureUVScroll::Create(group);
    EXPECT_EQ(scroll->material, nullptr);
    scroll->speed = {1.0f, 1.0f};
    tree->Update();
    EXPECT_EQ(scroll->offset.x, 0.0f);
}

} // namespace
