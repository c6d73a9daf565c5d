#include "engine/ui/ZLayer2D.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/app/ZEngineSettings.h"
#include "engine/app/ZScreenHost.h"
#include "engine/controllers/ZHaloController.h"
#include "engine/controllers/ZHighlight2.h"
#include "engine/render/ZRenderBase.h"
#include "engine/render/ZView.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/scene/ZCamera.h"
#include "engine/scene/ZSceneTree.h"
#include "engine/ui/ZMousePointer.h"
#include "engine/ui/ZSprite2D.h"

namespace
{
ZLayer2DManager* s_manager = nullptr;

constexpr const char* kFadeTexture = "fade_texture";

// The user interface's side of the screen host while a layer manager exists.
class ZUIScreenHost : public IScreenHost
{
public:
    ZCamera* CreateScreenCamera() override
    {
        return s_manager ? s_manager->CreateScreenCamera() : IScreenHost::CreateScreenCamera();
    }
    void AddToScreenView(ZCamera* camera) override
    {
        if (s_manager)
            s_manager->AddToScreenView(camera);
    }
    void LockPointerInput(bool lock) override
    {
        if (ZMousePointer* pointer = ZMousePointer::PeekInstance())
            pointer->LockInput(lock);
    }
    ZNode* CreateFadeSprite(float width, float height) override
    {
        ZSprite2D* sprite = ZSprite2D::Create();
        sprite->SetName("fade_sprite");
        ZTexture* texture = ZTexture::Find(kFadeTexture);
        if (!texture)
        {
            auto* pixels = static_cast<uint8_t*>(std::malloc(4 * 4 * 4));
            if (pixels)
            {
                std::memset(pixels, 0xFF, 4 * 4 * 4);
                texture = ZTexture::CreateEmpty(pixels, 4, 4, 0);
                texture->SetName(kFadeTexture);
            }
        }
        // The 4 x 4 white texture is stretched over the whole screen and tinted black.
        sprite->SetSizeModelActual(false);
        sprite->SetTexture(texture, true);
        sprite->SetSize(width, height);
        if (ZMaterial* material = sprite->GetMaterial())
            material->SetColor(0, V4{0.0f, 0.0f, 0.0f, 1.0f});
        return sprite;
    }
    void SetFadeSpriteAlpha(ZNode* sprite, float alpha) override
    {
        if (auto* s = ZEntityCast<ZSprite>(sprite))
            s->SetAlpha(alpha);
    }
};

ZUIScreenHost s_host;

ZSprite* MakeHaloSprite(ZTextureResource* texture)
{
    return ZSprite2D::CreateFromTexture(texture);
}

ZSprite* MakeRingSprite(ZMaterial* material)
{
    ZSprite2D* sprite = ZSprite2D::Create();
    if (material)
    {
        sprite->SetMaterial(material);
        if (ZTextureResource* texture = material->GetTexture(0))
            sprite->AttachTexture(texture);
    }
    return sprite;
}

ZSprite* (*s_savedHaloMaker)(ZTextureResource*) = nullptr;
ZSprite* (*s_savedRingMaker)(ZMaterial*) = nullptr;

void Install()
{
    SetScreenHost(&s_host);
    if (g_makeHaloSprite != &MakeHaloSprite)
        s_savedHaloMaker = g_makeHaloSprite;
    if (g_makeRingSprite != &MakeRingSprite)
        s_savedRingMaker = g_makeRingSprite;
    g_makeHaloSprite = &MakeHaloSprite;
    g_makeRingSprite = &MakeRingSprite;
}

void Uninstall()
{
    if (GetScreenHost() == &s_host)
        SetScreenHost(nullptr);
    if (g_makeHaloSprite == &MakeHaloSprite)
        g_makeHaloSprite = s_savedHaloMaker;
    if (g_makeRingSprite == &MakeRingSprite)
        g_makeRingSprite = s_savedRingMaker;
}

ZRenderBase* Renderer()
{
    return dynamic_cast<ZRenderBase*>(g_render);
}
} // namespace

void ZLayer2D::AddChild(ZNode* node)
{
    if (group && node)
        group->AddChild(node);
}

void ZLayer2D::SetName(const char* newName)
{
    name = newName ? newName : "";
    if (group)
        group->SetName(name.c_str());
    if (camera)
        camera->SetName(("screen2d_camera_" + name).c_str());
}

ZLayer2DManager* ZLayer2DManager::Create(float width, float height)
{
    auto* manager = new ZLayer2DManager();
    manager->m_width = int32_t(width);
    manager->m_height = int32_t(height);
    s_manager = manager;
    Install();
    manager->GetScreenView();
    manager->AddLayer("default", -1.0f);
    return manager;
}

ZLayer2DManager* ZLayer2DManager::GetInstance()
{
    return s_manager;
}

ZLayer2DManager::~ZLayer2DManager()
{
    Clear();
    if (s_manager == this)
    {
        s_manager = nullptr;
        Uninstall();
    }
}

void ZLayer2DManager::Watch(ZNode* node)
{
    if (node && std::find(m_watched.begin(), m_watched.end(), node) == m_watched.end())
    {
        node->AddStateListener(this);
        m_watched.push_back(node);
    }
}

void ZLayer2DManager::NodeGone(ZNode* node)
{
    std::erase(m_watched, node);
    if (node == static_cast<ZNode*>(m_pointerCamera))
        m_pointerCamera = nullptr;
    if (node == static_cast<ZNode*>(m_pointerGroup))
        m_pointerGroup = nullptr;
    if (node == static_cast<ZNode*>(m_pointer))
        m_pointer = nullptr;
    for (ZLayer2D* layer : m_layers)
    {
        if (node == static_cast<ZNode*>(layer->group))
            layer->group = nullptr;
        if (node == static_cast<ZNode*>(layer->camera))
            layer->camera = nullptr;
    }
}

ZView* ZLayer2DManager::GetScreenView()
{
    ZRenderBase* renderer = Renderer();
    if (!renderer)
        return nullptr;
    if (m_view)
    {
        for (uint32_t i = 0; i < renderer->GetViewCount(); ++i)
        {
            if (renderer->GetView(i) == m_view)
                return m_view;
        }
        // The renderer that held it is gone.
        m_view = nullptr;
    }
    m_view = ZView::Create(V4{0.0f, 0.0f, 1.0f, 1.0f}, kViewPriority);
    if (!m_view)
        return nullptr;
    // The screen is drawn over the main view (the board, the background, the splash camera): it
    // must not wipe what that view drew this frame.
    m_view->SetFlags(ZView::kViewClearDepth);
    // Cameras made before the view existed join it now.
    for (ZLayer2D* layer : m_layers)
    {
        if (layer->camera && !layer->camera->GetView())
            m_view->AddCamera(layer->camera);
    }
    if (m_pointerCamera && !m_pointerCamera->GetView())
        m_view->AddCamera(m_pointerCamera);
    return m_view;
}

void ZLayer2DManager::AddToScreenView(ZCamera* camera)
{
    if (!camera)
        return;
    if (ZView* view = GetScreenView())
        view->AddCamera(camera);
}

ZLayer2D* ZLayer2DManager::AddLayer(const char* name, float depth)
{
    if (m_layers.IsFull())
        return nullptr;
    if (depth == -1.0f)
        depth = float(m_layers.Size() + 1) * 100.0f;
    auto* layer = new ZLayer2D();
    layer->name = name ? name : "";
    layer->index = uint32_t(m_layers.Size());
    layer->group = ZGroup::CreateNamed(layer->name.c_str());
    ZSceneTree::GetInstance()->AddChild(layer->group);
    // Only the layer's own camera draws the group.
    layer->group->SetHidden(true);
    const std::string cameraName = "screen2d_camera_" + layer->name;
    layer->camera = ZCamera::Create(cameraName.c_str(), layer->group, false, true);
    layer->camera->SetPositionXYZ(0.0f, 0.0f, 0.0f);
    layer->camera->SetPriority(depth);
    layer->group->AddChild(layer->camera);
    Watch(layer->group);
    Watch(layer->camera);
    AddToScreenView(layer->camera);
    m_layers.PushBack(layer);
    m_current = layer;
    return layer;
}

ZLayer2D* ZLayer2DManager::FindLayer(const char* name) const
{
    for (ZLayer2D* layer : m_layers)
    {
        if (name && layer->name == name)
            return layer;
    }
    return nullptr;
}

ZCamera* ZLayer2DManager::CreateScreenCamera()
{
    return ZCamera::Create(nullptr, nullptr, false, true);
}

ZCamera* ZLayer2DManager::CreateToolTipCamera()
{
    ZLayer2D* first = GetDefaultLayer();
    if (!first || !first->camera)
        return nullptr;
    auto* camera = static_cast<ZCamera*>(first->camera->Clone());
    camera->SetName("tooltip_cam");
    camera->SetActive(true);
    camera->SetHidden(false);
    AddToScreenView(camera);
    return camera;
}

ZGroup* ZLayer2DManager::CreatePointerCamera()
{
    if (m_pointerGroup)
        return m_pointerGroup;
    ZLayer2D* first = GetDefaultLayer();
    if (!first || !first->group || !first->camera)
        return nullptr;
    m_pointerGroup = ZGroup::CreateNamed("mousepointer_group");
    first->group->AddChild(m_pointerGroup);
    m_pointerCamera = static_cast<ZCamera*>(first->camera->Clone());
    m_pointerCamera->SetName("mousepointer_camera");
    m_pointerCamera->SetPriority(kPointerPriority);
    m_pointerCamera->SetRoot(m_pointerGroup);
    m_pointerGroup->AddChild(m_pointerCamera);
    Watch(m_pointerGroup);
    Watch(m_pointerCamera);
    AddToScreenView(m_pointerCamera);
    return m_pointerGroup;
}

void ZLayer2DManager::HoldPointer(ZMousePointer* pointer)
{
    if (!pointer || pointer == m_pointer)
        return;
    m_pointer = pointer;
    Watch(pointer);
}

void ZLayer2DManager::Clear()
{
    // At shutdown nodes may already be gone unannounced; nothing is touched then.
    const bool shuttingDown = ZSceneTree::IsShutdownBegun() || g_nodeListenersMuted;
    if (!shuttingDown)
    {
        for (ZNode* node : m_watched)
            node->RemoveStateListener(this);
    }
    m_watched.clear();
    if (!shuttingDown)
    {
        if (m_pointer)
            m_pointer->Release();
        for (ZLayer2D* layer : m_layers)
        {
            if (layer->camera)
                layer->camera->Release();
            if (layer->group)
                layer->group->Release();
        }
    }
    for (ZLayer2D* layer : m_layers)
        delete layer;
    m_layers.Clear();
    m_pointer = nullptr;
    m_current = nullptr;
    m_pointerCamera = nullptr;
    m_pointerGroup = nullptr;
}

namespace
{
V4 ScreenViewRectangle()
{
    ZView* view = s_manager ? s_manager->GetScreenView() : nullptr;
    return view ? view->GetRectangle() : V4{0.0f, 0.0f, 1.0f, 1.0f};
}

float VisibleWidth()
{
    return float(g_renderWidth.GetValue()) * ScreenViewRectangle().z;
}

float VisibleHeight()
{
    return float(g_renderHeight.GetValue()) * ScreenViewRectangle().w;
}
} // namespace

float HalfHeightMinus2D(float y)
{
    return VisibleHeight() * 0.5f - y;
}

float HeightMinusHalfHeight2D()
{
    const float height = s_manager ? float(s_manager->GetHeight()) : float(g_renderHeight.GetValue());
    return height - VisibleHeight() * 0.5f;
}

float HalfWidthMinus2D(float x)
{
    return VisibleWidth() * 0.5f - x;
}

float MinusHalfWidth2D(float x)
{
    return x - VisibleWidth() * 0.5f;
}
