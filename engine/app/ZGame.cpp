#include "engine/app/ZGame.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "engine/app/ZEngine.h"
#include "engine/app/ZFader.h"
#include "engine/app/ZGameState.h"
#include "engine/app/ZScreenHost.h"
#include "engine/resource/ZResourceManager.h"
#include "engine/scene/ZCamera.h"
#include "engine/scene/ZGeom.h"

namespace
{
constexpr float kLayerSpacing = 20.0f;
constexpr float kTopOrder = 500.0f;
constexpr float kFaderClearingOrder = 505.0f;

// "ZInGame" -> "ingame".
uint32_t StateKey(const char* name)
{
    std::string key = name && name[0] ? name + 1 : "";
    for (char& c : key)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return ZNameId(key).Value();
}
} // namespace

ZGame::ZGame() = default;

ZGame::~ZGame()
{
    if (g_engine && g_engine->GetGame() == this)
        g_engine->SetGame(nullptr);
}

bool ZGame::IsEngineLoading() const
{
    if (g_engine)
        return g_engine->IsLoading();
    ZResourceManager* manager = ZResourceManager::PeekInstance();
    return manager && manager->HasQueuedLoads();
}

void ZGame::BlockInput()
{
    if (m_inputBlocked)
        return;
    m_inputBlocked = 1;
    GetScreenHost()->LockPointerInput(true);
    GetScreenHost()->SetInputEnabled(false);
}

void ZGame::UnblockInput()
{
    if (!m_inputBlocked)
        return;
    m_inputBlocked = 0;
    GetScreenHost()->LockPointerInput(false);
    GetScreenHost()->SetInputEnabled(true);
}

void ZGame::Update(double dt)
{
    if (m_waitForLoading && m_pending)
    {
        if (IsEngineLoading())
        {
            ZGameState* pending = m_pending;
            Deliver([pending](ZGameStateListener* l) { l->OnStillWaiting(pending); });
            return;
        }
        ZGameState* state = m_pending;
        state->ClearFlags(kStateWaiting);
        m_pending = nullptr;
        UnblockInput();
        PushState(state, m_pendingFromPop != 0);
        Deliver([state](ZGameStateListener* l) { l->OnPendingSwitchStarted(state); });
    }

    if (m_blockDuringTransitions)
    {
        const bool transition =
            (m_current && m_current->IsInTransition()) || (m_next && m_next->IsInTransition());
        if (transition)
            BlockInput();
        else if (!m_pending)
            UnblockInput();
    }

    if (m_current)
        m_current->ClearFlags(kStateEnteredThisFrame);
    if (m_next)
        CompleteSwitch();

    // Collected first, so that a switch requested by a state's update changes nothing this frame.
    std::vector<ZGameState*> active;
    active.reserve(m_stack.size());
    for (auto it = m_stack.rbegin(); it != m_stack.rend(); ++it)
    {
        if (*it && (*it)->IsActive())
            active.push_back(*it);
    }
    for (ZGameState* state : active)
        state->Update(dt);

    if (ZFader* fader = ZFader::PeekInstance(); fader && fader->IsActive())
        fader->Update();
}

void ZGame::PushState(ZGameState* state, bool fromPop)
{
    if (!state)
        return;
    const bool wasInPlay = state->TestFlags(kStateInPlay);
    if (!state->TestFlags(kStateInitialized))
        state->Init();
    if (!state->TestFlags(kStateLoaded))
        state->Load();
    state->AcquireResources();

    if (m_waitForLoading && IsEngineLoading())
    {
        if (m_pending)
            return;
        m_pending = state;
        m_pendingFromPop = fromPop ? 1 : 0;
        state->SetFlags(kStateWaiting);
        BlockInput();
        Deliver([state](ZGameStateListener* l) { l->OnSwitchPending(state); });
        return;
    }

    state->SetFlags(kStateSwitchingIn | kStateInPlay);
    state->PrepareResources();
    m_next = state;
    if (!wasInPlay)
    {
        if (state->TestFlags(kStateResourcesWhileStacked))
            state->AcquireResources();
        state->OnShow();
    }

    if (m_current)
    {
        if (!state->IsOpaque() && !fromPop)
        {
            m_current->SetFlags(kStateCovered);
            m_current->OnLoseFocus();
            CompleteSwitch();
            return;
        }
        ZGameState* current = m_current;
        current->SetActive(false, state);
        if (!current->IsOpaque())
        {
            // The states beneath a see-through state were active too.
            for (auto it = m_stack.rbegin(); it != m_stack.rend(); ++it)
            {
                ZGameState* s = *it;
                if (s == current || s == state)
                    continue;
                if (fromPop && s->IsOpaque())
                    break;
                if (s->IsActive())
                    s->SetActive(false, state);
            }
        }
    }
    CompleteSwitch();
}

void ZGame::GotoState(ZGameState* state)
{
    ZGame* game = PeekInstance();
    if (!game)
        return;
    if (game->m_next)
    {
        game->m_stack.push_back(game->m_next);
    }
    game->PushState(state, false);
}

void ZGame::CompleteSwitch()
{
    if (m_current && m_current->IsInTransition())
    {
        // While the outgoing state fades the incoming one already draws on top.
        UpdateLayers();
        return;
    }
    ZGameState* previous = m_current;
    m_current = m_next;
    m_next = nullptr;
    if (m_current)
    {
        ZGameState* current = m_current;
        // A state pushed by GotoState while its switch ran is on the stack already.
        if (m_stack.empty() || m_stack.back() != current)
            m_stack.push_back(current);
        current->SetActive(true, previous);
        current->ClearFlags(kStateSwitchingIn);
        if (!current->IsOpaque())
        {
            for (auto it = m_stack.rbegin(); it != m_stack.rend(); ++it)
            {
                ZGameState* s = *it;
                if (s == current)
                    continue;
                if (!s->IsActive())
                    s->SetActive(true, current);
                if (s->IsOpaque())
                    break;
            }
        }
        else
        {
            current->Update(0.0);
        }
    }

    // A pop that starts a switch which must wait (a fade-out) is counted again; the rest wait
    // for that switch, so the loop cannot run for ever.
    while (m_deferredPops > 0 && !m_next && !m_pending)
    {
        --m_deferredPops;
        PopState();
    }

    UpdateLayers();

    ZGameState* top = GetTopState();
    if (!top)
        return;
    if (top->TestFlags(kStateDims))
    {
        ZFader* fader = ZFader::GetInstance();
        fader->SetCameraOrder(float(top->GetLayer()) * kLayerSpacing - 5.0f);
        if (m_current && !m_current->IsOpaque())
            fader->Fade(true);
        else
            fader->SetDark(true);
    }
    else if (ZFader* fader = ZFader::PeekInstance(); fader && fader->IsActive())
    {
        fader->SetCameraOrder(kFaderClearingOrder);
        if (previous && !previous->IsOpaque())
            fader->Fade(false);
        else
            fader->SetDark(false);
    }

    ZGameState* current = m_current;
    Deliver([current, previous](ZGameStateListener* l) { l->OnStateSwitched(current, previous); });
}

ZGameState* ZGame::PopState()
{
    ZGameState* top = GetTopState();
    if (m_next || m_pending)
    {
        // Runs when the switch under way completes.
        ++m_deferredPops;
        return top;
    }
    if (m_stack.size() < 2)
        return nullptr;
    top->ClearFlags(kStateSwitchingIn | kStateInPlay);
    top->SetFlags(kStateRemoving);
    top->OnRemove();
    m_stack.pop_back();
    ZGameState* below = m_stack.back();
    m_stack.pop_back();
    PushState(below, true);
    return below;
}

void ZGame::FinishRemovalNow(ZGameState* state)
{
    state->FinishRemoval();
}

void ZGame::ClearStates(ZGameState* state)
{
    if (m_pending)
    {
        // The clear replaces a switch still waiting for loading: its state never arrives.
        m_pending->ClearFlags(kStateWaiting);
        m_pending = nullptr;
        UnblockInput();
    }
    m_deferredPops = 0;
    const std::deque<ZGameState*> stacked = m_stack;
    for (ZGameState* s : stacked)
    {
        s->ClearFlags(kStateSwitchingIn | kStateInPlay);
        s->SetFlags(kStateRemoving);
        if (s != m_current && s->IsActive())
            s->SetActive(false, state);
        s->OnRemove();
        if (!s->TestFlags(kStateFadingOut) && s->TestFlags(kStateRemoving))
            FinishRemovalNow(s);
    }
    m_stack.clear();
    PushState(state, false);
}

void ZGame::PushStateBehind(ZGameState* state, bool behind)
{
    if (!state)
        return;
    if (!behind || m_stack.empty())
    {
        GotoState(state);
        return;
    }
    if (!state->TestFlags(kStateInitialized))
        state->Init();
    if (!state->TestFlags(kStateLoaded))
        state->Load();
    state->AcquireResources();
    m_stack.insert(m_stack.end() - 1, state);
    UpdateLayers();
}

void ZGame::UpdateLayers()
{
    const size_t count = m_stack.size();
    for (size_t i = 0; i < count; ++i)
    {
        ZGameState* s = m_stack[i];
        s->SetLayer(int32_t(i));
        const bool top = i + 1 == count && !m_next;
        s->SetCameraOrder(top ? kTopOrder : float(i) * kLayerSpacing);
    }
    if (m_next)
    {
        m_next->SetLayer(int32_t(count));
        m_next->SetCameraOrder(kTopOrder);
    }
}

void ZGame::RegisterState(ZGameState* state)
{
    if (!state)
        return;
    m_byName[StateKey(state->GetName())] = state;
    if (state->GetRoot())
        m_byRoot[state->GetRoot()] = state;
    if (state->TestFlags(kStateDims))
        ZFader::GetInstance();
}

void ZGame::CollectPickRoots(std::vector<ZNode*>& out) const
{
    bool first = true;
    for (auto it = m_stack.rbegin(); it != m_stack.rend(); ++it)
    {
        ZGameState* s = *it;
        if (!s || !s->TestFlags(kStatePickable) || !s->IsActive())
            continue;
        if ((first || s->TestFlags(kStatePickedWhileCovered)) && s->GetRoot())
            out.push_back(s->GetRoot());
        first = false;
    }
}

ZGameState* ZGame::FindState(const char* name) const
{
    std::string key = name ? name : "";
    for (char& c : key)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    auto it = m_byName.find(ZNameId(key).Value());
    return it == m_byName.end() ? nullptr : it->second;
}

ZGameState* ZGame::FindStateByRoot(const ZNode* root) const
{
    auto it = m_byRoot.find(root);
    return it == m_byRoot.end() ? nullptr : it->second;
}
