// The ability button: icon, held ability, drag to arm, and the answers to firing.
#include "game/dive/abilities/ZAbilityButton.h"

#include <cstdio>

#include "engine/core/ZSerializer.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/resource/ZStringTable.h"
#include "engine/scene/ZSceneTree.h"
#include "engine/scene/ZSprite.h"
#include "engine/ui/ZSprite2D.h"
#include "engine/ui/ZToolTipManager.h"
#include "game/dive/board/ZBoard.h"
#include "game/dive/model/ZTile.h"

namespace
{
ZSerializerRTTI<ZAbilityButton> s_abilityButtonSerializer;
}

ZAbilityButton::ZAbilityButton()
{
    char key[64];
    std::snprintf(key, sizeof key, "abilitybutton_%p", static_cast<void*>(this));
    m_tipKey = key;
}

ZAbilityButton::~ZAbilityButton()
{
    if (ZToolTipManager* tips = ZToolTipManager::PeekInstance())
        tips->UnregisterTip(ZNameId(m_tipKey));
    // While the scene tree is torn down its controllers may already be gone, unannounced.
    if (m_drag && !ZSceneTree::IsShutdownBegun())
    {
        m_drag->RemoveStateListener(this);
        m_drag->RemoveListener(this);
        m_drag->SetPayload(nullptr);
        m_drag->Release();
        m_drag = nullptr;
    }
    m_drag = nullptr;
    m_icon = nullptr;
    ReleaseAbility();
}

void ZAbilityButton::NodeGone(ZNode* node)
{
    if (node == m_drag)
        m_drag = nullptr;
}

ZSerializerBase* ZAbilityButton::GetSerializer() const
{
    return &s_abilityButtonSerializer;
}

void ZAbilityButton::OnLoaded()
{
    ZButton2D::OnLoaded();
    if (!m_icon)
        SetIconNode(FindChildNamed("icon", 4, false));
}

void ZAbilityButton::SetIconNode(ZNode* node)
{
    auto* icon = ZEntityCast<ZSprite>(node);
    if (!icon || icon == m_icon)
        return;
    m_icon = icon;
    m_icon->GetPosition(m_iconHome);
    m_iconAtHome = true;
    if (m_item < 0)
        m_icon->SetHidden(true);
}

void ZAbilityButton::ReleaseAbility()
{
    ZAbility* ability = m_ability;
    if (!ability)
        return;
    m_ability = nullptr;
    if (m_drag)
        m_drag->SetPayload(nullptr);
    ZAbilityManager* manager = ZAbilityManager::PeekInstance();
    // An armed instance given back would leave the manager holding a pooled object.
    if (manager && manager->GetArmedAbility() == ability)
        manager->DisarmAbility();
    if (ability->IsRunning())
    {
        ability->EndEffect();
        ability->SetRunning(false);
    }
    if (ZAbilityFactoryBase* factory = ability->GetFactory())
        factory->Release(ability);
}

void ZAbilityButton::SetItem(int id)
{
    ReleaseAbility();
    ZAbilityManager* manager = ZAbilityManager::GetInstance();
    ZAbilityFactoryBase* factory = manager->GetFactory(id);
    m_item = factory ? id : -1;
    if (m_item < 0)
    {
        if (m_icon)
            m_icon->SetHidden(true);
        RefreshToolTip();
        return;
    }
    if (m_icon)
    {
        if (auto* sprite = ZEntityCast<ZSprite2D>(m_icon))
        {
            if (ZTexture* texture = manager->GetPowerIcon(id))
                sprite->SetTexture(texture, true);
        }
        m_icon->SetHidden(false);
        if (!m_drag)
        {
            m_drag = ZDragController::Create(m_icon);
            m_drag->AddListener(this);
            m_drag->AddStateListener(this);
            m_drag->SetZOffset(kDragDepth);
            m_drag->SetEnabled(IsEnabled());
        }
    }
    m_ability = factory->Create();
    const int category = m_ability->GetCategory();
    m_dropAnywhere = category != ZAbility::kAimed && category != ZAbility::kBoardWide;
    if (m_drag)
        m_drag->SetPayload(m_ability);
    RefreshToolTip();
}

void ZAbilityButton::SetEnabled(bool enabled)
{
    ZButton2D::SetEnabled(enabled);
    if (m_drag)
        m_drag->SetEnabled(enabled);
    if (m_icon)
        m_icon->SetAlpha(enabled ? 1.0f : kDisabledIconAlpha);
}

void ZAbilityButton::RefreshToolTip()
{
    ZToolTipManager* tips = ZToolTipManager::PeekInstance();
    if (!tips)
        return;
    const char* name = ZAbilityManager::GetInstance()->GetItemName(m_item);
    if (!name)
    {
        tips->UnregisterTip(ZNameId(m_tipKey));
        return;
    }
    ZStringTable* strings = ZStringTable::GetInstance();
    const char* title = strings->GetTextFormat("ability_%s", name);
    const char* text = strings->GetTextFormat("%s.description", name);
    ZNode* over = m_icon && !m_icon->IsHidden() ? static_cast<ZNode*>(m_icon) : static_cast<ZNode*>(this);
    ZNode* nodes[1] = {over};
    tips->RegisterToolTip(m_tipKey.c_str(), nodes, 1, title, text, over, nullptr, false);
}

void ZAbilityButton::ReturnIconHome()
{
    m_aimed = false;
    if (m_icon)
        m_icon->SetPosition(m_iconHome);
    m_iconAtHome = true;
}

void ZAbilityButton::OnLeftDown(const SPointerState& state, ZNode* target, bool* handled)
{
    // The icon at home is the face the player grabs: a press on it is a press on the button. Left
    // to the icon's own drag, the press would stay unhandled and the board's press off the board
    // would disarm the power just picked up. An icon waiting on the board for a second tile is the
    // board's to handle.
    if (target && target == m_icon && m_iconAtHome)
        target = this;
    const bool onButton = target && (target == this || (IsOwnTarget(target) && target != m_icon));
    if (onButton && IsEnabled() && m_drag && m_ability && !m_drag->IsDragging() && !ZDragController::GetRunningDrag())
    {
        m_drag->BeginDrag(state, false);
        if (handled)
            *handled = true;
        return;
    }
    ZButton2D::OnLeftDown(state, target, handled);
}

void ZAbilityButton::OnDragStart(ZNode* node, ZDragController* controller)
{
    (void)node, (void)controller;
    if (m_item < 0 || !m_ability)
        return;
    m_iconAtHome = false;
    ZAbilityManager::GetInstance()->ArmAbility(m_ability);
}

void ZAbilityButton::OnDragEnd(ZNode* node, ZDragController* controller)
{
    // The drop is the board's aiming click (the board is not a listener of its own: buttons may
    // outlive it).
    ZAbility* held = m_ability;
    if (held && held->IsArmed())
    {
        if (ZBoard* board = ZBoard::PeekInstance())
            board->OnDragEnd(node, controller);
    }
    // A pair ability whose first tile was chosen keeps its icon there.
    if (m_ability && m_ability == held && m_ability->IsPairAbility() && m_ability->IsArmed() && m_aimed)
        return;
    ReturnIconHome();
}

void ZAbilityButton::OnAbilityUsed(bool success, ZAbility* ability)
{
    if (!ability || ability != m_ability)
        return;
    if (!success)
    {
        if (!IsEnabled())
            return;
        OnAbilityCancelled();
        if (m_drag)
            m_drag->ResetDrag();
        ReturnIconHome();
        return;
    }
    // Whatever it was, the instance is no longer the button's: a one-shot went back to its factory,
    // a lasting one stays on the manager's running list. Also for a disabled button, which must not
    // keep (and later release again) an instance that is no longer its own.
    m_ability = nullptr;
    if (m_drag)
        m_drag->SetPayload(nullptr);
    if (IsEnabled())
    {
        ReturnIconHome();
        OnAbilityConsumed();
    }
    if (m_item >= 0)
        SetItem(m_item);
}

void ZAbilityButton::OnAbilityTarget(bool accepted, ZAbility* ability, ZTile* tile)
{
    if (!ability || ability != m_ability)
        return;
    if (!accepted)
    {
        if (m_drag)
            m_drag->ResetDrag();
        ReturnIconHome();
        OnAbilityCancelled();
        return;
    }
    // The icon waits on the chosen tile (a pair ability's first tile) until the aim completes.
    if (m_icon && tile)
    {
        _M44 world;
        tile->GetWorldMatrix(world);
        _M44 iconWorld;
        m_icon->GetWorldMatrix(iconWorld);
        m_icon->SetWorldPosition(V3{world.m[3][0], world.m[3][1], iconWorld.m[3][2]});
        m_iconAtHome = false;
        m_aimed = true;
    }
    OnAbilityAimed(tile);
}
