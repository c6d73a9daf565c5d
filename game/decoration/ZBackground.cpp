// The underwater background: its build from the layouts, the theme switch, the three settings
// that turn its parts off and its per-frame step (whale, fish headings). The light beams and the
// bubble columns are in ZBackgroundDecor.cpp.
#include "game/decoration/ZBackground.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "engine/controllers/ZAnimateTexture2D.h"
#include "engine/core/ZFrameTimer.h"
#include "engine/core/ZMath.h"
#include "engine/core/ZPropertyManager.h"
#include "engine/core/ZRandom.h"
#include "engine/import/ZSceneXMLImport2.h"
#include "engine/render/ZView.h"
#include "engine/render/resources/ZAnimTexture.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/scene/ZBoidGroup.h"
#include "engine/scene/ZCamera.h"
#include "engine/scene/ZSceneTree.h"
#include "engine/scene/ZSpline.h"
#include "engine/scene/ZSprite.h"
#include "engine/ui/ZSprite2D.h"

namespace
{
const char* const kThemeNames[ZBackground::kThemes] = {"sand", "coral", "shipwreck", "volcano", "deepwater",
                                                       "sunkencity"};
const char* const kLayerNames[3] = {"back", "middle", "front"};
const char* const kEmitterFormats[3] = {"back_emitter_%i", "middle_emitter_%i", "front_emitter_%i"};
const float kLayerDepths[3] = {0.8f, 0.6f, 0.2f};
// The material switch that draws both faces of a quad.
constexpr int kSwitchNoCull = 4;

double Now()
{
    return g_frameTimer ? g_frameTimer->now : 0.0;
}

float WorldDepth(ZNode* node)
{
    auto* geom = ZEntityCast<ZGeom>(node);
    if (!geom)
        return 0.0f;
    V3 p{0.0f, 0.0f, 0.0f};
    geom->LocalToWorld(p);
    return p.z;
}

// A sprite of the layout that code gives a texture of its own: its material becomes its own.
void OwnMaterial(ZSprite* sprite)
{
    if (!sprite)
        return;
    if (auto* sprite2d = ZEntityCast<ZSprite2D>(sprite); sprite2d && !sprite2d->GetMaterial())
        sprite2d->SetMaterialByName("sprite2d_material");
    sprite->MakeOwnMaterial();
}

// Beams and caustics add light: filtered, added onto what lies beneath.
void SetLightBlending(ZMaterial* material)
{
    if (!material)
        return;
    material->SetFilter(true);
    material->SetBlendAdd(true);
    material->SetBoolFlag(true);
}
} // namespace

ZBackground::ZBackground()
{
    SetName("background");
    // Only the background's own camera draws the group; the switch is its activity.
    SetHidden(true);
    SetActive(false);
    ZSceneTree::GetInstance()->AddChild(this);
}

ZBackground::~ZBackground()
{
    for (ZPropertyBool* setting : {m_disableFish, m_disableBubbles, m_disableWhale})
        if (setting)
            setting->RemoveListener(this);
    delete m_whale;
    m_whale = nullptr;
    // The camera is a child and goes with the children; the columns go back to nothing.
    if (m_camera)
    {
        RemoveChild(m_camera);
        delete m_camera;
        m_camera = nullptr;
    }
    DestroyChildren();
}

ZPropertyBool* ZBackground::FindSwitch(const char* key)
{
    ZPropertyManager* manager = ZPropertyManager::GetInstance();
    return manager ? manager->FindTyped<bool>(key) : nullptr;
}

int ZBackground::FindTheme(const char* name)
{
    if (!name)
        return -1;
    for (int t = 0; t < kThemes; ++t)
        if (std::string(name) == kThemeNames[t])
            return t;
    return -1;
}

const char* ZBackground::GetThemeName(int theme)
{
    return theme >= 0 && theme < kThemes ? kThemeNames[theme] : nullptr;
}

ZTextureResource* ZBackground::GetThemeTexture(int theme, int i) const
{
    if (theme < 0 || theme >= kThemes || i < 0 || i >= m_pictureCount[theme])
        return nullptr;
    return m_pictures[theme][i];
}

int ZBackground::Build()
{
    if (int error = ImportSceneFile(ZResourcePath("resources:background_resources.xml"), nullptr))
    {
        std::fprintf(stderr, "Background: resources:background_resources.xml is missing or broken\n");
        return error;
    }
    if (int error = ImportSceneFile(ZResourcePath("resources:background.xml"), this))
    {
        std::fprintf(stderr, "Background: resources:background.xml is missing or broken\n");
        return error;
    }
    m_sealife = FindNodeAnywhere("sealife");
    // The strips of the bubbles and the fish are needed from the first frame.
    for (const char* name : {"material_bubble", "material_bubble_small", "material_boid_fish"})
        if (ZMaterial* material = ZMaterial::Find(name))
            if (ZTextureResource* texture = material->GetTexture(0))
                texture->Load(true);

    m_camera = ZCamera::Create("background_camera", this, false, true);
    m_camera->SetPriority(kCameraPriority);
    AddChild(m_camera);
    if (auto* main = ZEntityCast<ZCamera>(ZSceneTree::GetInstance()->FindNode("maincamera")))
    {
        if (auto* view = dynamic_cast<ZView*>(main->GetView()))
        {
            view->AddCamera(m_camera);
            view->SortCameras();
        }
    }
    m_disableFish = FindSwitch("zelk.disablefish");
    m_disableBubbles = FindSwitch("zelk.disablebubbles");
    m_disableWhale = FindSwitch("zelk.disablewhale");
    for (ZPropertyBool* setting : {m_disableFish, m_disableBubbles, m_disableWhale})
        if (setting)
            setting->AddListener(this);

    // Registered now, loaded only when shown.
    char path[64];
    for (int t = 0; t < kThemes; ++t)
    {
        m_pictureCount[t] = kPicturesPerTheme;
        for (int i = 0; i < kPicturesPerTheme; ++i)
        {
            std::snprintf(path, sizeof(path), "resources:theme_background_%s_%i.jpg", kThemeNames[t], i);
            m_pictures[t][i] = ZTexture::FindOrLoad(path, 0, 2);
        }
    }
    m_themePicture = ZEntityCast<ZSprite>(FindNodeAnywhere("theme_background"));
    if (m_themePicture)
        m_themePicture->SetHidden(true);
    m_basePicture = FindNodeAnywhere("background_0");
    // The sea and theme pictures are opaque and fill the window with nothing of ours behind them:
    // drawn without blending they look the same, and the rasteriser does not read what lies beneath.
    for (ZNode* node : {static_cast<ZNode*>(m_themePicture), m_basePicture})
        if (auto* picture = ZEntityCast<ZSprite>(node))
        {
            OwnMaterial(picture);
            if (ZMaterial* material = picture->GetMaterial())
                material->SetSwitch(ZMaterial::kSwitchNoBlend, 1);
        }

    // Caustics: a 4 x 4 sheet of ripples, ten frames a second.
    m_ripple = FindNodeAnywhere("ripple_effect");
    if (auto* ripple = ZEntityCast<ZSprite>(m_ripple))
    {
        ZAnimTexture* sheet = ZAnimTexture::Load("resources:caustics_surface.jpg", 128, 64, 16, 1);
        OwnMaterial(ripple);
        if (ZMaterial* material = ripple->GetMaterial(); material && sheet)
        {
            material->SetTexture(0, sheet, true);
            SetLightBlending(material);
        }
        ripple->SetAlpha(0.6f);
        ZAnimateTexture2D* frames = ZAnimateTexture2D::Create(ripple, false);
        frames->frameRate = 10.0f;
        frames->animTexture = sheet;
        frames->SetActive(true);
    }

    BuildFish();
    for (int i = 0; i < 3; ++i)
        m_layers[i] = FindNodeAnywhere(kLayerNames[i]);
    BuildColumns();

    m_light = new ZSurfaceLight();
    m_light->Build();
    AddChild(m_light);
    m_light->SetPositionXYZ(238.0f, 320.0f, WorldDepth(FindNodeAnywhere("beams_depth")));
    m_light->AimAt(0.0f, -50.0f);

    BuildWhale();
    SetTheme(-1);
    if (SwitchOn(m_disableBubbles))
        ShowBubbles(false);
    return 0;
}

void ZBackground::BuildFish()
{
    auto* fishTemplate = ZEntityCast<ZSprite>(ZSceneTree::GetInstance()->FindNode("particletemplates/boidtemplate"));
    // A template whose material was declared after it gets it now.
    if (fishTemplate && !fishTemplate->GetMaterial())
        fishTemplate->SetMaterial(ZMaterial::Find("material_boid_fish"));
    if (!fishTemplate || !m_sealife)
    {
        std::fprintf(stderr, "Background: no \"particletemplates/boidtemplate\"; no fish\n");
        return;
    }
    m_boids = ZBoidGroup::Create();
    m_sealife->AddChild(m_boids);
    m_boids->SetPositionXYZ(0.0f, 0.0f, WorldDepth(FindNodeAnywhere("fish_depth")));
    // The school swims in a wide band above the sea floor and wraps round at the sides.
    m_boids->SetBox(V3{0.0f, 60.0f, 0.0f}, V3{960.0f, 320.0f, 0.0f});

    ZParticleBoid prototype;
    prototype.Reset();
    prototype.inertia = 1.4f;
    prototype.separationWeight = 0.6f;
    prototype.alignmentWeight = 10.0f;
    prototype.cohesionWeight = 4.5f;
    prototype.nearRadius = 10.0f;
    prototype.farRadius = 70.0f;
    prototype.viewCosine = -1.0f;
    prototype.maximumSpeed = 150.0f;
    prototype.running = true;

    const ZBoundingBox& box = m_boids->GetBox();
    for (int i = 0; i < kFish; ++i)
    {
        // A copy of the template: its size, its flags and its own copy of the template's material
        // (each fish shows its own heading frame).
        ZSprite2D* fish = ZSprite2D::Create();
        fish->SetNameF("fish_%i", i);
        fish->SetSize(fishTemplate->GetSize());
        fish->SetMaterial(fishTemplate->GetMaterial());
        fish->SetPivot(PIVOT_MIDDLERIGHT);
        fish->MakeOwnMaterial();
        // A fish swimming left is drawn mirrored, which turns its quad round: both faces show.
        if (ZMaterial* material = fish->GetMaterial())
            material->SetSwitch(kSwitchNoCull, 1);
        fish->SetActive(true);
        fish->SetHidden(false);
        ZAnimateTexture2D* frames = ZAnimateTexture2D::Create(fish, false);
        frames->frameRate = 0.0f;
        frames->SetActive(true);
        frames->ApplyFrame(0);

        auto* boid = prototype.Clone();
        boid->position = {RandomRange(box.min.x, box.max.x), RandomRange(box.min.y, box.max.y), 0.0f};
        // The school sets off together; steering spreads it.
        boid->velocity = {-60.0f, RandomRange(-8.0f, 8.0f), 0.0f};
        const float r = RandomFloat();
        const float s = 0.15f + 0.25f * r;
        fish->SetSpriteScale(V2{s, s});
        fish->SetAlpha(2.0f * s);
        m_boids->AddBoid(fish, static_cast<ZParticleBoid*>(boid));
        m_fish[i] = fish;
        m_fishFrames[i] = frames;
        m_fishBoids[i] = static_cast<ZParticleBoid*>(boid);
    }
}

void ZBackground::BuildColumns()
{
    char name[32];
    for (int layer = 0; layer < 3; ++layer)
    {
        auto* parent = ZEntityCast<ZGeom>(m_layers[layer]);
        if (!parent)
            continue;
        for (int i = 0; i < kMaxColumns; ++i)
        {
            std::snprintf(name, sizeof(name), kEmitterFormats[layer], i);
            auto* anchor = ZEntityCast<ZGeom>(parent->FindNode(name));
            if (!anchor)
                break;
            ZBubbles* column = ZBubbles::Acquire();
            if (!column->IsBuilt())
                column->Build(kLayerDepths[layer]);
            V3 p{0.0f, 0.0f, 0.0f};
            anchor->LocalToWorld(p);
            parent->WorldToLocal(p);
            parent->AddChild(column);
            column->SetPosition(p);
            m_columns[layer].push_back(column);
        }
    }
}

void ZBackground::BuildWhale()
{
    if (ImportSceneFile(ZResourcePath("resources:whale.xml"), this) != 0)
    {
        std::fprintf(stderr, "Background: resources:whale.xml is missing or broken; no whale\n");
        return;
    }
    auto* whale = ZEntityCast<ZGeom>(FindNodeAnywhere("whale"));
    if (!whale)
        return;
    m_whaleNode = whale;
    whale->SetPositionXYZ(0.0f, 0.0f, 10.0f);
    m_whale = new ZWhaleMover();
    m_whale->SetNodes(whale, whale->FindNodeAnywhere("whale_tail"));
    for (const char* name : {"whale_path_1", "whale_path_2"})
        m_whale->AddPath(ZEntityCast<ZSplineNode>(FindNodeAnywhere(name)));
    if (m_whale->Build() != 0)
    {
        delete m_whale;
        m_whale = nullptr;
        whale->SetActive(false);
        return;
    }
    m_whale->Start(Now());
}

void ZBackground::ApplySwimmers()
{
    const bool theme = ThemeHasSwimmers();
    if (m_boids)
        m_boids->SetActive(theme && !SwitchOn(m_disableFish));
    if (m_whaleNode)
        m_whaleNode->SetActive(m_whale && theme && !SwitchOn(m_disableWhale));
}

void ZBackground::SetTheme(int theme)
{
    if (theme < -1 || theme >= kThemes)
        theme = -1;
    const bool plain = theme < 0;
    if (!plain && m_themePicture && m_pictureCount[theme] > 0)
    {
        m_picture = int(RandomNext() % uint32_t(m_pictureCount[theme]));
        if (ZTextureResource* texture = m_pictures[theme][m_picture])
        {
            texture->Load(true);
            if (auto* sprite = ZEntityCast<ZSprite2D>(m_themePicture))
                sprite->SetTexture(texture, true);
            else if (ZMaterial* material = m_themePicture->GetMaterial())
                material->SetTexture(0, texture, true);
        }
    }
    if (m_themePicture)
        m_themePicture->SetHidden(plain);
    // The surface's beams and caustics belong to the plain sea; a dive's theme picture has the
    // HUD's own theme light over it.
    for (ZNode* node :
         {m_basePicture, m_layers[0], m_layers[1], m_layers[2], m_ripple, static_cast<ZNode*>(m_light)})
        if (node)
            node->SetHidden(!plain);
    m_theme = theme;
    ApplySwimmers();
}

void ZBackground::ShowBubbles(bool show)
{
    for (auto& columns : m_columns)
        for (ZBubbles* column : columns)
            column->SetHidden(!show);
}

size_t ZBackground::GetColumnCount() const
{
    return m_columns[0].size() + m_columns[1].size() + m_columns[2].size();
}

ZBubbles* ZBackground::GetColumn(size_t i) const
{
    for (const auto& columns : m_columns)
    {
        if (i < columns.size())
            return columns[i];
        i -= columns.size();
    }
    return nullptr;
}

void ZBackground::OnPropertyChanged(ZProperty* property)
{
    if (property == m_disableBubbles)
        ShowBubbles(!SwitchOn(m_disableBubbles));
    else if (property == m_disableFish || property == m_disableWhale)
        ApplySwimmers();
}

int ZBackground::FishFrameForHeading(const V3& velocity)
{
    V3 u{velocity.x, velocity.y, 0.0f};
    u.Normalize();
    const float w = 0.70710678f;
    float d = u.x * w - u.y * w;
    d = d > 1.0f ? 1.0f : d < -1.0f ? -1.0f : d;
    const int frame = int(std::floor(std::acos(d) / kFishFrameStep));
    return frame >= 0 && frame <= 3 ? frame : 0;
}

void ZBackground::UpdateFish()
{
    if (!m_boids || !m_boids->IsActive())
        return;
    for (int i = 0; i < kFish; ++i)
    {
        if (!m_fish[i] || !m_fishBoids[i])
            continue;
        // The sheet draws the fish heading right; one swimming left is its mirror image, turned
        // like the sheet by its heading.
        V3 heading = m_fishBoids[i]->velocity;
        const bool left = heading.x < 0.0f;
        if (left)
            heading.x = -heading.x;
        M33 facing;
        if (left)
            facing.SetRow(0, {-1.0f, 0.0f, 0.0f});
        m_fish[i]->SetOrientation(facing);
        if (m_fishFrames[i])
            m_fishFrames[i]->ApplyFrame(FishFrameForHeading(heading));
    }
}

void ZBackground::Update()
{
    ZGroup::Update();
    if (m_whale && !SwitchOn(m_disableWhale))
        m_whale->Update(Now());
    UpdateFish();
}
