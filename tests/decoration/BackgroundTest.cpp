// The underwater background on a real scene: its build from small layouts, the theme switch, the
// three settings that turn its parts off (also across theme changes), the fish headings, the
// bubble columns and the whale's swim along its path.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "engine/core/ZPropertyManager.h"
#include "engine/core/ZVector.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/render/resources/ZPixelFormat.h"
#include "engine/render/resources/ZRenderStateFlags.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/scene/ZBoidGroup.h"
#include "engine/scene/ZSpline.h"
#include "engine/scene/ZSprite.h"
#include "engine/ui/ZSprite2D.h"
#include "game/decoration/ZBackground.h"
#include "tests/support/UiTestSupport.h"

namespace
{
// The game defines the three switches; these stand in where it does not, and the background
// finds whichever is registered.
ZPropertyBool g_testDisableBubbles("zelk.disablebubbles", "", "", 0, ZProperty::kNoGroup, false);
ZPropertyBool g_testDisableFish("zelk.disablefish", "", "", 0, ZProperty::kNoGroup, false);
ZPropertyBool g_testDisableWhale("zelk.disablewhale", "", "", 0, ZProperty::kNoGroup, false);

ZPropertyBool* Switch(const char* key)
{
    return ZPropertyManager::GetInstance()->FindTyped<bool>(key);
}

class BackgroundTest : public uitest::UiTest
{
protected:
    void SetUp() override
    {
        table.AddMount("resources", (std::string(QV_FIXTURES) + "/" + folder).c_str());
        UiTest::SetUp();
        for (const char* key : {"zelk.disablebubbles", "zelk.disablefish", "zelk.disablewhale"})
        {
            ASSERT_NE(Switch(key), nullptr) << key;
            Switch(key)->SetValue(false);
        }
        // The global resource list makes the template group the background's fish join.
        ZGroup* templates = ZGroup::CreateNamed("particletemplates");
        templates->SetHidden(true);
        ZSceneTree::GetInstance()->AddChild(templates);
        background = ZBackground::GetInstance();
    }
    void TearDown() override
    {
        for (const char* key : {"zelk.disablebubbles", "zelk.disablefish", "zelk.disablewhale"})
            Switch(key)->SetValue(false);
        UiTest::TearDown();
        EXPECT_EQ(ZBackground::PeekInstance(), nullptr);
    }
    void Built()
    {
        ASSERT_EQ(background->Build(), 0);
        background->Show(true);
    }
    bool FishSwim() { return background->GetBoidGroup() && background->GetBoidGroup()->IsActive(); }
    bool WhaleSwims() { return background->GetWhaleNode() && background->GetWhaleNode()->IsActive(); }
    bool ColumnsShown()
    {
        for (size_t i = 0; i < background->GetColumnCount(); ++i)
            if (background->GetColumn(i)->IsHidden())
                return false;
        return background->GetColumnCount() > 0;
    }

    ZBackground* background = nullptr;
    std::string folder = "decoration";
};

class BackgroundWithoutWhaleTest : public BackgroundTest
{
protected:
    BackgroundWithoutWhaleTest() { folder = "decoration_nowhale"; }
};

class BackgroundWithoutLayoutsTest : public BackgroundTest
{
protected:
    BackgroundWithoutLayoutsTest() { folder = "missing_folder"; }
};

TEST_F(BackgroundTest, BuildMakesTheSceneBehindEveryScreenAndStartsOnThePlainSea)
{
    EXPECT_STREQ(background->GetName(), "background");
    EXPECT_FALSE(background->IsShown());
    Built();
    ASSERT_NE(background->GetCamera(), nullptr);
    EXPECT_FLOAT_EQ(background->GetCamera()->GetPriority(), -250.0f);
    EXPECT_EQ(background->GetTheme(), -1);
    EXPECT_FALSE(background->GetBasePicture()->IsHidden());
    EXPECT_TRUE(background->GetThemePicture()->IsHidden());
    // The two opaque pictures are drawn without blending, each through a material of its own.
    for (ZNode* node : {background->GetBasePicture(), static_cast<ZNode*>(background->GetThemePicture())})
    {
        auto* picture = ZEntityCast<ZSprite>(node);
        ASSERT_NE(picture, nullptr);
        EXPECT_TRUE(picture->OwnsMaterial());
        EXPECT_TRUE(picture->GetMaterial()->GetStateFlags(0) & kStateNoBlend);
    }
    EXPECT_FALSE(background->GetFish(0)->GetMaterial()->GetStateFlags(0) & kStateNoBlend);
    // Two back columns, one middle, one front: the front row ends at its first gap.
    EXPECT_EQ(background->GetColumnCount(), 4u);
    ASSERT_NE(background->GetBoidGroup(), nullptr);
    EXPECT_EQ(background->GetBoidGroup()->GetBoids().size(), size_t(ZBackground::kFish));
    // The school swims at the depth of its anchor; each fish has its own material and a size
    // between 0.15 and 0.4 of the template's, with an opacity of twice that.
    EXPECT_FLOAT_EQ(background->GetBoidGroup()->Position().z, -20.0f);
    for (int i = 0; i < ZBackground::kFish; ++i)
    {
        ZSprite* fish = background->GetFish(i);
        ASSERT_NE(fish, nullptr);
        EXPECT_TRUE(fish->OwnsMaterial());
        const float s = fish->GetScale().x;
        EXPECT_GE(s, 0.15f);
        EXPECT_LT(s, 0.4f);
        EXPECT_NEAR(fish->GetAlpha(), 2.0f * s, 1e-3f);
    }
    ASSERT_NE(background->GetSurfaceLight(), nullptr);
    EXPECT_FLOAT_EQ(background->GetSurfaceLight()->Position().z, 800.0f);
    for (int t = 0; t < ZBackground::kThemes; ++t)
        for (int i = 0; i < ZBackground::kPicturesPerTheme; ++i)
        {
            ZTextureResource* picture = background->GetThemeTexture(t, i);
            ASSERT_NE(picture, nullptr);
            EXPECT_FALSE(picture->IsLoaded()) << "theme pictures load only when shown";
        }
    EXPECT_TRUE(FishSwim());
    EXPECT_TRUE(WhaleSwims());
}

TEST_F(BackgroundTest, ThemesShowTheirPictureAndOnlyTheDeepOnesKeepFishAndWhale)
{
    Built();
    struct Case
    {
        int theme;
        bool swimmers;
    };
    for (const Case c : {Case{0, false}, Case{1, false}, Case{2, false}, Case{3, true}, Case{4, true}, Case{5, true},
                         Case{-1, true}})
    {
        background->SetTheme(c.theme);
        SCOPED_TRACE(c.theme);
        EXPECT_EQ(background->GetTheme(), c.theme);
        const bool plain = c.theme < 0;
        EXPECT_EQ(background->GetThemePicture()->IsHidden(), plain);
        EXPECT_EQ(background->GetBasePicture()->IsHidden(), !plain);
        for (int layer = 0; layer < 3; ++layer)
            EXPECT_EQ(background->GetLayer(layer)->IsHidden(), !plain);
        EXPECT_EQ(background->GetSurfaceLight()->IsHidden(), !plain) << "the beams belong to the plain sea";
        EXPECT_EQ(background->GetRipple()->IsHidden(), !plain) << "and so do the caustics";
        EXPECT_EQ(FishSwim(), c.swimmers);
        EXPECT_EQ(WhaleSwims(), c.swimmers);
        if (!plain)
        {
            ZTextureResource* shown = background->GetThemeTexture(c.theme, background->GetPictureIndex());
            EXPECT_EQ(background->GetThemePicture()->GetMaterial()->GetTexture(0), shown);
        }
    }
    EXPECT_EQ(ZBackground::FindTheme("volcano"), 3);
    EXPECT_EQ(ZBackground::FindTheme("lagoon"), -1);
    // An index outside the six themes is the plain sea.
    background->SetTheme(9);
    EXPECT_EQ(background->GetTheme(), -1);
}

TEST_F(BackgroundTest, EachSwitchTurnsItsPartOffAndThemeChangesKeepItOff)
{
    Built();
    Switch("zelk.disablebubbles")->SetValue(true);
    EXPECT_EQ(background->GetColumnCount(), 4u);
    for (size_t i = 0; i < background->GetColumnCount(); ++i)
        EXPECT_TRUE(background->GetColumn(i)->IsHidden());
    Switch("zelk.disablebubbles")->SetValue(false);
    EXPECT_TRUE(ColumnsShown());

    Switch("zelk.disablefish")->SetValue(true);
    EXPECT_FALSE(FishSwim());
    EXPECT_TRUE(WhaleSwims());
    // A theme that has swimmers must not bring back what the player switched off.
    background->SetTheme(4);
    background->SetTheme(-1);
    EXPECT_FALSE(FishSwim());
    Switch("zelk.disablefish")->SetValue(false);
    EXPECT_TRUE(FishSwim());

    Switch("zelk.disablewhale")->SetValue(true);
    EXPECT_FALSE(WhaleSwims());
    background->SetTheme(5);
    EXPECT_FALSE(WhaleSwims());
    // The switched-off whale does not swim on in secret either.
    ZWhaleMover* whale = background->GetWhaleMover();
    ASSERT_NE(whale, nullptr);
    whale->Start(g_frameTimer->now - 30.0);
    const V3 before = whale->GetJoint(0)->Position();
    Frame(0.5);
    EXPECT_FLOAT_EQ(whale->GetJoint(0)->Position().x, before.x);
    Switch("zelk.disablewhale")->SetValue(false);
    EXPECT_TRUE(WhaleSwims());
    Frame(0.5);
    EXPECT_NE(whale->GetJoint(0)->Position().x, before.x);
}

TEST_F(BackgroundTest, SwitchesSetBeforeTheBuildApplyFromTheStart)
{
    Switch("zelk.disablebubbles")->SetValue(true);
    Switch("zelk.disablefish")->SetValue(true);
    Built();
    for (size_t i = 0; i < background->GetColumnCount(); ++i)
        EXPECT_TRUE(background->GetColumn(i)->IsHidden());
    EXPECT_FALSE(FishSwim());
    EXPECT_TRUE(WhaleSwims());
}

TEST_F(BackgroundTest, FishShowTheFrameOfTheirHeading)
{
    const float step = ZBackground::kFishFrameStep;
    struct Case
    {
        float angle; // from the heading (1, -1), counter-clockwise
        int frame;
    };
    const float base = -0.25f * kPi;
    for (const Case c : {Case{0.0f, 0}, Case{0.5f * step, 0}, Case{1.5f * step, 1}, Case{2.5f * step, 2},
                         Case{3.5f * step, 3}, Case{4.5f * step, 0}, Case{kPi, 0}})
    {
        const V3 heading{50.0f * std::cos(base + c.angle), 50.0f * std::sin(base + c.angle), 3.0f};
        EXPECT_EQ(ZBackground::FishFrameForHeading(heading), c.frame) << c.angle;
    }
    // A heading more than four steps away the other way also shows frame 0.
    EXPECT_EQ(ZBackground::FishFrameForHeading(V3{0.0f, 1.0f, 0.0f}), 0);
    EXPECT_EQ(ZBackground::FishFrameForHeading(V3{0.0f, 0.0f, 0.0f}), 0);

    // In the scene, a fish swimming left is the mirror image of one swimming right.
    Built();
    ZSprite* fish = background->GetFish(0);
    ZParticleBoid* boid = background->GetBoidGroup()->FindBoid(fish);
    ASSERT_NE(boid, nullptr);
    boid->running = false;
    boid->velocity = {-40.0f, 0.0f, 0.0f};
    Frame();
    EXPECT_LT(fish->Orientation().GetRow(0).x, 0.0f);
    boid->velocity = {40.0f, 0.0f, 0.0f};
    Frame();
    EXPECT_GT(fish->Orientation().GetRow(0).x, 0.0f);
}

TEST_F(BackgroundTest, BubblesRiseWobbleAndStartAgainBelowTheirColumn)
{
    Built();
    ZBubbles* column = background->GetColumn(0);
    ASSERT_NE(column, nullptr);
    EXPECT_TRUE(column->IsBuilt());
    EXPECT_FLOAT_EQ(column->GetDepth(), 0.8f);
    EXPECT_NE(column->GetEmitter(), nullptr);
    ZSprite* bubble = column->GetSprite(0);
    const float speed = column->GetSpeed(0);
    EXPECT_GT(speed, 0.0f);
    const float y0 = bubble->Position().y;
    Frame(0.1);
    EXPECT_NEAR(bubble->Position().y, y0 + speed * 0.1f, 1e-3f);
    // Above the top of the screen and 100 more it starts again at or below its column.
    bubble->SetPositionXYZ(0.0f, float(g_renderHeight.GetValue()) + 150.0f, 0.0f);
    Frame(0.01);
    EXPECT_LE(bubble->Position().y, 1.0f);
}

TEST_F(BackgroundTest, WhaleSwimsItsPathKeepingEachPartsLengthThenWaitsOutOfSight)
{
    Built();
    ZWhaleMover* whale = background->GetWhaleMover();
    ASSERT_NE(whale, nullptr);
    ASSERT_TRUE(whale->IsBuilt());
    EXPECT_EQ(whale->GetPathCount(), 2u);
    for (int i = 0; i < ZWhaleMover::kParts; ++i)
        EXPECT_NEAR(whale->GetSegmentLength(i), 10.0f, 1e-3f) << i;
    // The fluke's joint hangs from "whale_tail", inside the tail part.
    EXPECT_STREQ(whale->GetJoint(9)->GetParent()->GetName(), "whale_tail");
    EXPECT_EQ(whale->GetPart(9)->GetParent(), whale->GetJoint(9));

    const double t0 = g_frameTimer->now;
    whale->Start(t0);
    const float y = whale->GetCurrentPath() == 0 ? 0.0f : 100.0f;
    // Half way: the tail's end at the path's middle (x 0), each joint 10 further along (the paths
    // run to the left).
    // (Within one sample of the path's arc-length table, 1000 / 256 units.)
    whale->Update(t0 + 30.0);
    V3 joints[ZWhaleMover::kParts];
    for (int i = 0; i < ZWhaleMover::kParts; ++i)
    {
        joints[i] = {0.0f, 0.0f, 0.0f};
        whale->GetJoint(i)->LocalToWorld(joints[i]);
        EXPECT_NEAR(joints[i].x, -10.0f * float(ZWhaleMover::kParts - i), 4.0f) << i;
        EXPECT_NEAR(joints[i].y, y, 0.5f) << i;
        if (i > 0)
        {
            EXPECT_NEAR(joints[i].x - joints[i - 1].x, 10.0f, 0.5f) << i;
        }
    }
    // The body faces along its path; its tint is half way from the light to the dark green.
    EXPECT_NEAR(whale->GetJoint(3)->Orientation().GetRow(0).x, 1.0f, 1e-4f);
    const V4 mid = ZWhaleMover::BlendColour(ColorFromARGB(ZWhaleMover::kTintStart),
                                            ColorFromARGB(ZWhaleMover::kTintEnd), 0.5f);
    EXPECT_NEAR(whale->GetTint().y, mid.y, 1e-4f);
    EXPECT_NEAR(whale->GetPart(0)->GetMaterial()->GetColor(0).z, mid.z, 1e-4f);

    // The swim ends after 60 s; the next begins 3 to 18 s later and nothing moves meanwhile.
    whale->Update(t0 + 61.0);
    const double next = whale->GetStartTime();
    EXPECT_GE(next, t0 + 64.0);
    EXPECT_LE(next, t0 + 79.0);
    const V3 parked = whale->GetJoint(0)->Position();
    whale->Update(t0 + 62.5);
    EXPECT_FLOAT_EQ(whale->GetJoint(0)->Position().x, parked.x);
    whale->Update(next + 1.0);
    EXPECT_NE(whale->GetJoint(0)->Position().x, parked.x);
}

TEST_F(BackgroundTest, TheLightShowsTheBeamsNearItsAimFlickeringAndTurnsSlowly)
{
    Built();
    ZSurfaceLight* light = background->GetSurfaceLight();
    ASSERT_NE(light, nullptr);
    ASSERT_NE(light->GetBeamsGroup(), nullptr);
    EXPECT_STREQ(light->GetBeamsGroup()->GetName(), "beams_group");
    // Aimed from (238, 320) at (0, -50): its x axis points down and to the left.
    const V3 aim = light->Orientation().GetRow(0);
    EXPECT_LT(aim.x, 0.0f);
    EXPECT_LT(aim.y, 0.0f);
    EXPECT_NEAR(aim.x * aim.x + aim.y * aim.y, 1.0f, 1e-4f);
    const float angle = light->GetAngle();
    Frame(0.4);
    EXPECT_NEAR(light->GetAngle(), angle + 0.0125f * 0.4f, 1e-5f);
    // Only beams within a quarter turn of the aim show (at most 31 of 64), never brighter than 0.25;
    // one the waves make too faint to see is hidden rather than drawn.
    int fewest = ZSurfaceLight::kBeams, most = 0;
    for (int step = 0; step < 40; ++step)
    {
        Frame(0.1);
        int shown = 0;
        for (int i = 0; i < ZSurfaceLight::kBeams; ++i)
        {
            ZSprite* beam = light->GetBeam(i);
            ASSERT_NE(beam, nullptr);
            if (beam->IsHidden())
                continue;
            ++shown;
            EXPECT_LE(beam->GetAlpha(), 0.25f + 1e-4f) << i;
            EXPECT_GE(beam->GetAlpha(), ZSurfaceLight::kFaintestBeam) << i;
        }
        fewest = std::min(fewest, shown);
        most = std::max(most, shown);
    }
    EXPECT_LE(most, 31);
    EXPECT_GE(most, 20);
    EXPECT_LT(fewest, most);
}

// A 16 x 4 RGBA picture, black with full alpha except the columns from..to (inclusive), lit in one
// colour channel of one row; from > to leaves it all black.
ZTexture* Picture(int from, int to, int channel = 1)
{
    constexpr int w = 16, h = 4;
    auto* pixels = static_cast<uint8_t*>(std::calloc(size_t(w) * h, 4));
    for (int i = 0; i < w * h; ++i)
        pixels[i * 4 + 3] = 255;
    for (int x = from; x <= to; ++x)
        pixels[(2 * w + x) * 4 + channel] = 1;
    auto* texture = new ZTexture();
    texture->SetName("beams_test_picture");
    texture->StoreImage(pixels, kPixelRGBA, w, h, w, h, false);
    return texture;
}

TEST_F(BackgroundTest, BeamsLeaveOutThePicturesBlackBordersButMapEveryLitTexelAsBefore)
{
    // Equal margins at both sides, the smaller one, less two columns for filtering; alpha alone
    // adds no light, and one dim texel in any colour channel counts as light.
    struct Case
    {
        int from, to, channel, columns;
    };
    for (const Case& c : {Case{5, 9, 1, 3}, Case{6, 7, 0, 4}, Case{8, 12, 2, 1}, Case{2, 9, 1, 0},
                          Case{0, 15, 1, 0}, Case{1, 0, 1, 6}})
    {
        ZTexture* picture = Picture(c.from, c.to, c.channel);
        EXPECT_EQ(ZSurfaceLight::DarkBorderColumns(picture), c.columns) << c.from << ".." << c.to;
        delete picture;
    }
    EXPECT_EQ(ZSurfaceLight::DarkBorderColumns(nullptr), 0);

    ZTexture* picture = Picture(5, 9);
    ZSprite2D* beam = ZSprite2D::Create();
    beam->SetSize(16.0f * 0.5f, 4.0f * 1.5f);
    ASSERT_NE(beam->GetMaterial(), nullptr);
    EXPECT_FALSE(ZSurfaceLight::TrimDarkBorders(beam, picture, 0));
    EXPECT_EQ(beam->GetSize(), (V2{8.0f, 6.0f}));
    ASSERT_TRUE(ZSurfaceLight::TrimDarkBorders(beam, picture, 3));
    // 10 of 16 columns are left, about the same centre, and each point of the narrower quad reads
    // the texture where the whole quad read it: u = 0.5 + x / width of the whole quad.
    EXPECT_EQ(beam->GetSize(), (V2{5.0f, 6.0f}));
    const ZMaterial* material = beam->GetMaterial();
    EXPECT_TRUE(material->GetSwitch(ZMaterial::kSwitchTextureTransform));
    const _M44& mapping = material->GetTextureMatrix(0);
    for (float x : {-2.5f, -1.0f, 0.0f, 1.7f, 2.5f})
    {
        const float own = x / 5.0f + 0.5f;
        EXPECT_NEAR(mapping.m[0][0] * own + mapping.m[2][0], 0.5f + x / 8.0f, 1e-6f) << x;
    }
    EXPECT_FLOAT_EQ(mapping.m[1][1], 1.0f);
    EXPECT_FLOAT_EQ(mapping.m[2][1], 0.0f);
    // Once mapped by a transform of its own, a sprite is not trimmed again.
    EXPECT_FALSE(ZSurfaceLight::TrimDarkBorders(beam, picture, 3));
    EXPECT_EQ(beam->GetSize(), (V2{5.0f, 6.0f}));
    delete beam;
    delete picture;
}

TEST(WhaleMoverTest, BlendsEachChannelAndStaysStillWithoutPathsOrParts)
{
    const V4 a{0.0f, 0.2f, 1.0f, 1.0f}, b{1.0f, 0.6f, 0.0f, 0.0f};
    for (const float f : {0.0f, 0.25f, 1.0f})
    {
        const V4 c = ZWhaleMover::BlendColour(a, b, f);
        EXPECT_FLOAT_EQ(c.x, f);
        EXPECT_FLOAT_EQ(c.y, 0.2f + 0.4f * f);
        EXPECT_FLOAT_EQ(c.z, 1.0f - f);
        EXPECT_FLOAT_EQ(c.w, 1.0f - f);
    }
    // No layout and no path: building fails, swimming does nothing (no draw among zero paths).
    ZWhaleMover idle;
    EXPECT_EQ(idle.Build(), 1);
    idle.Start(0.0);
    idle.Update(100.0);
    EXPECT_FALSE(idle.IsBuilt());
    EXPECT_EQ(idle.GetPathCount(), 0u);
}

TEST_F(BackgroundWithoutLayoutsTest, MissingLayoutsEndTheBuildAndLeaveTheBackgroundEmpty)
{
    EXPECT_NE(background->Build(), 0);
    EXPECT_EQ(background->GetCamera(), nullptr);
    EXPECT_EQ(background->GetChildCount(), 0u);
    // Asking for a theme or the bubbles of an empty background changes nothing and breaks nothing.
    background->SetTheme(3);
    background->ShowBubbles(false);
    Frame();
}

TEST_F(BackgroundWithoutWhaleTest, WithoutItsLayoutTheWhaleStaysOutAndTheRestSwims)
{
    Built();
    EXPECT_EQ(background->GetWhaleMover(), nullptr);
    EXPECT_EQ(background->GetWhaleNode(), nullptr);
    EXPECT_EQ(background->GetBoidGroup(), nullptr) << "no fish template, no fish";
    background->SetTheme(4);
    Switch("zelk.disablewhale")->SetValue(true);
    Frame();
    EXPECT_EQ(background->GetTheme(), 4);
}
} // namespace
