#include "engine/app/ZGameState.h"

#include <algorithm>
#include <cstdio>

#include "engine/app/ZEngine.h"
#include "engine/app/ZEngineSettings.h"
#include "engine/app/ZGame.h"
#include "engine/app/ZScreenHost.h"
#include "engine/core/ZFrameTimer.h"
#include "engine/render/resources/IRender.h"
#include "engine/resource/ZResource.h"
#include "engine/scene/ZCamera.h"
#include "engine/scene/ZGeom.h"
#include "engine/scene/ZSceneTree.h"

ZGameState::ZGameState()
{
    m_root = ZGroup::Create();
    m_root->SetFlags(kNodeOwnSubtreeValue);
    m_root->SetSubtreeValue(reinterpret_cast<intptr_t>(m_root));
    m_root->SetActive(false);
    ZSceneTree::GetInstance()->AddChild(m_root);
}

ZGameState::~ZGameState()
{
    // The fades would otherwise tell a state that no longer exists.
    if (m_fadeIn)
        m_fadeIn->RemoveListener(this);
    if (m_fadeOut)
        m_fadeOut->RemoveListener(this);
}

void ZGameState::SetFadeControllers(ZTransientController* fadeIn, ZTransientController* fadeOut)
{
    if (m_fadeIn)
        m_fadeIn->RemoveListener(this);
    if (m_fadeOut)
        m_fadeOut->RemoveListener(this);
    m_fadeIn = fadeIn;
    m_fadeOut = fadeOut;
    for (ZTransientController* c : {fadeIn, fadeOut})
    {
        if (!c)
            continue;
        if (c->IsActive())
            c->SetActive(false);
        c->AddListener(this);
    }
}

void ZGameState::Init()
{
    SetFlags(kStateInitialized);
    if (m_root)
        m_root->SetFlags(kNodeOwnSubtreeValue);
    if (ZGame* game = ZGame::PeekInstance())
        game->RegisterState(this);
    if (m_root && !m_root->GetName())
        m_root->SetName(GetName());
    if (TestFlags(kStateOwnCamera))
        CreateCamera();
}

void ZGameState::CreateCamera()
{
    if (m_camera)
        return;
    ZCamera* camera = GetScreenHost()->CreateScreenCamera();
    if (!camera)
        return;
    m_camera = camera;
    if (!camera->IsActive())
        camera->SetActive(true);
    char name[64];
    std::snprintf(name, sizeof(name), "camera_%s", GetName() ? GetName() : "");
    camera->SetName(name);
    if (m_root && m_root->GetParent())
        m_root->GetParent()->AddChild(camera);
    camera->SetRoot(m_root);
    camera->SetChanged(true, false);
    SetCameraOrder(float(m_layer) * 20.0f);
    GetScreenHost()->AddToScreenView(camera);
}

void ZGameState::SetCameraOrder(float order)
{
    if (!m_camera)
        return;
    m_camera->SetPriority(order);
    GetScreenHost()->OnCameraOrderChanged(m_camera);
}

int ZGameState::Load()
{
    if (TestFlags(kStateLoaded))
        return 0;
    ZResourceManager* manager = ZResourceManager::PeekInstance();
    const int pushed = manager ? manager->PushContext(ZNameId(GetName()).Value(), this) : 1;
    if (g_engine)
        g_engine->SetFlags(kEngineStateLoading);
    const int result = Build();
    if (result == 0)
        SetFlags(kStateLoaded);
    if (g_engine)
        g_engine->ClearFlags(kEngineStateLoading);
    if (manager && pushed == 0)
        manager->PopContext();
    std::stable_sort(m_resources.begin(), m_resources.end(),
                     [](ZResource* a, ZResource* b) { return a->GetCost() > b->GetCost(); });
    if (KeepsResources())
        AcquireResources();
    return result;
}

void ZGameState::AcquireResources()
{
    if (TestFlags(kStateResourcesAcquired))
        return;
    ZResourceManager* manager = ZResourceManager::PeekInstance();
    const int pushed = manager ? manager->PushContext(ZNameId(GetName()).Value(), this) : 1;
    // A copy: a load may make further resources in this context.
    const std::vector<ZResource*> list = m_resources;
    for (ZResource* r : list)
        r->Load(false);
    if (manager && pushed == 0)
        manager->PopContext();
    SetFlags(kStateResourcesAcquired);
}

void ZGameState::ReleaseResources()
{
    if (!TestFlags(kStateResourcesAcquired))
        return;
    ZResourceManager* manager = ZResourceManager::PeekInstance();
    const int pushed = manager ? manager->PushContext(ZNameId(GetName()).Value(), this) : 1;
    const std::vector<ZResource*> list = m_resources;
    for (auto it = list.rbegin(); it != list.rend(); ++it)
        (*it)->Unload();
    if (manager && pushed == 0)
        manager->PopContext();
    ClearFlags(kStateResourcesAcquired);
}

void ZGameState::PrepareResources()
{
    const std::vector<ZResource*> list = m_resources;
    for (ZResource* r : list)
        r->Prepare();
}

void ZGameState::OnResourceAdded(ZResource* resource)
{
    if (resource && std::find(m_resources.begin(), m_resources.end(), resource) == m_resources.end())
        m_resources.push_back(resource);
}

void ZGameState::OnResourceRemoved(ZResource* resource)
{
    m_resources.erase(std::remove(m_resources.begin(), m_resources.end(), resource), m_resources.end());
}

void ZGameState::SetActive(bool active, ZGameState* related)
{
    m_related = related;
    if (active == IsActive())
    {
        if (active)
        {
            ClearFlags(kStateCovered);
            OnGainFocus();
        }
        else
        {
            SetFlags(kStateCovered);
            OnLoseFocus();
        }
        return;
    }
    m_active = active ? 1 : 0;
    if (active)
        Enter();
    else
        Leave();
}

void ZGameState::StartController(ZTransientController* controller)
{
    if (controller->IsActive())
        controller->SetActive(false);
    controller->SetActive(true);
}

void ZGameState::StopFadeIn()
{
    if (m_fadeIn && m_fadeIn->IsActive())
        m_fadeIn->SetActive(false);
    // Stopping fires no end; without this the stack would wait for a fade that never ends.
    ClearFlags(kStateFadingIn);
}

void ZGameState::Enter()
{
    SetFlags(kStateEnteredThisFrame);
    if (TestFlags(kStateVisible) && m_root)
    {
        m_root->SetActive(true);
        if (m_camera)
            m_camera->SetActive(true);
    }
    if (m_fadeOut && m_fadeOut->IsActive())
        m_fadeOut->SetActive(false);
    ClearFlags(kStateFadingOut);
    IRender* render = g_engine ? g_engine->GetRender() : nullptr;
    m_frameEntered = render ? render->GetFrameCount() : 0;
    m_timeEntered = double(float(g_frameTimer ? g_frameTimer->now : 0.0));
    if (m_fadeIn)
    {
        SetFlags(kStateFadingIn);
        OnEnter();
        ClearFlags(kStateCovered);
        OnGainFocus();
        StartController(m_fadeIn);
    }
    else
    {
        OnEnter();
        ClearFlags(kStateCovered);
        OnGainFocus();
        OnFadeInDone();
    }
}

void ZGameState::Leave()
{
    StopFadeIn();
    if (m_fadeOut && !TestFlags(kStateEnteredThisFrame))
    {
        SetFlags(kStateFadingOut);
        OnLeaving();
        StartController(m_fadeOut);
        return;
    }
    OnLeaving();
    FinishLeaving();
}

void ZGameState::FinishLeaving()
{
    SetFlags(kStateCovered);
    OnLoseFocus();
    OnLeave();
    if (TestFlags(kStateRemoving))
        FinishRemoval();
    if (TestFlags(kStateVisible) && m_root)
    {
        m_root->SetActive(false);
        if (m_camera)
            m_camera->SetActive(false);
    }
}

void ZGameState::Ended(ZControllerBase* controller)
{
    if (!controller)
        return;
    if (controller == m_fadeIn)
    {
        ClearFlags(kStateFadingIn);
        OnFadeInDone();
    }
    else if (controller == m_fadeOut)
    {
        // A fade-out that ends after the state was entered again has nothing left to do.
        if (!TestFlags(kStateFadingOut))
            return;
        ClearFlags(kStateFadingOut);
        FinishLeaving();
    }
}

bool ZGameState::ShouldReleaseOnRemoval()
{
    return ZEngine::GetPhysicalMemoryMB() < 1000.0f || g_developer.GetValue();
}

void ZGameState::FinishRemoval()
{
    ClearFlags(kStateInPlay | kStateRemoving);
    if (TestFlags(kStateResourcesWhileStacked) && ShouldReleaseOnRemoval())
        ReleaseResources();
    OnRemoved();
    m_layer = -1;
}
