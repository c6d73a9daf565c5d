// The shop's item button: which upgrade step it sells, whether the player may buy it now and the
// sign it wears (sold out, coming soon, new stock).
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/controllers/ZFlicker.h"
#include "engine/core/ZPropertyManager.h"
#include "engine/core/ZSerializer.h"
#include "engine/resource/ZProfileManager.h"
#include "engine/resource/ZStringTable.h"
#include "engine/scene/ZFontText.h"
#include "engine/scene/ZGeom.h"
#include "engine/ui/ZSprite2D.h"
#include "game/common/ZShellSettings.h"
#include "game/dive/ZDiveSettings.h"
#include "game/dive/abilities/ZAbilityManager.h"
#include "game/screens/ZShop.h"

namespace
{
ZSerializerRTTI<ZShopButton> s_serializer;

constexpr int kFirstAirItem = 14;
constexpr int kLastAirItem = 18;

template <class T> ZPropertyTempl<T>* Setting(const char* name)
{
    ZPropertyManager* settings = ZPropertyManager::PeekInstance();
    return settings && name ? settings->FindTyped<T>(name) : nullptr;
}

const char* Localized(const char* key)
{
    return ZStringTable::GetInstance()->GetText(key);
}

bool ProfileBusy()
{
    const ZProfileManager* profiles = ZProfileManager::PeekInstance();
    return profiles && profiles->IsLoading();
}
} // namespace

ZShopButton::ZShopButton()
{
    m_icon = ZSprite2D::Create();
    if (m_icon)
    {
        m_icon->SetName("sign");
        m_icon->SetHidden(true);
        AddChild(m_icon);
    }
    g_cheatsUnlockAll.AddListener(this);
}

ZShopButton::~ZShopButton()
{
    Detach();
}

void ZShopButton::Detach()
{
    g_cheatsUnlockAll.RemoveListener(this);
    if (m_listensToLevel)
        g_profileLevel.RemoveListener(this);
    m_listensToLevel = false;
    // Settings made by other objects (the unlocks belong to the ability manager) may have gone
    // first at shut-down: they are looked up again by name, never through the kept pointer.
    if (ZPropertyInt* upgrade = LiveUpgrade())
        upgrade->RemoveListener(this);
    if (ZPropertyBool* unlock = LiveUnlock())
        unlock->RemoveListener(this);
    m_upgrade = nullptr;
    m_unlock = nullptr;
}

ZSerializerBase* ZShopButton::GetSerializer() const
{
    return &s_serializer;
}

ZPropertyInt* ZShopButton::LiveUpgrade() const
{
    return m_upgrade && Setting<int32_t>(m_upgradeName.c_str()) == m_upgrade ? m_upgrade : nullptr;
}

ZPropertyBool* ZShopButton::LiveUnlock() const
{
    return m_unlock && Setting<bool>(m_unlockName.c_str()) == m_unlock ? m_unlock : nullptr;
}

void ZShopButton::BindUpgrade(const char* name)
{
    if (ZPropertyInt* upgrade = LiveUpgrade())
        upgrade->RemoveListener(this);
    m_upgradeName = name ? name : "";
    m_upgrade = Setting<int32_t>(name);
    if (!m_upgrade && name && *name)
        std::fprintf(stderr, "Shop item \"%s\": no setting \"%s\" to upgrade\n", GetName() ? GetName() : "",
                     name);
    if (m_upgrade)
        m_upgrade->AddListener(this);
}

bool ZShopButton::SetProperty(uint32_t id, const char* name, const char* value)
{
    if (name && std::strcmp(name, "upgrade") == 0)
    {
        BindUpgrade(value);
        UpdateState();
        return true;
    }
    if (name && std::strcmp(name, "value") == 0)
    {
        m_value = value ? std::atoi(value) : 0;
        UpdateState();
        return true;
    }
    if (name && std::strcmp(name, "price") == 0)
        m_priceAttribute = value ? value : "";
    return ZButton2D::SetProperty(id, name, value);
}

void ZShopButton::OnLoaded()
{
    ZButton2D::OnLoaded();
    const char* key = GetName() ? GetName() : "";
    const char* level = ZStringTable::GetInstance()->FindFormat("%s.level", key);
    m_requiredLevel = level && *level ? std::atoi(level) : -1;
    if (m_requiredLevel >= 0 && !m_listensToLevel)
    {
        g_profileLevel.AddListener(this);
        m_listensToLevel = true;
    }
    m_abilityId = ZAbilityManager::FindAbilityId(key);
    char unlockName[64];
    std::snprintf(unlockName, sizeof unlockName, "unlock.%s", key);
    if (ZPropertyBool* unlock = LiveUnlock())
        unlock->RemoveListener(this);
    m_unlockName = unlockName;
    m_unlock = Setting<bool>(unlockName);
    if (m_unlock)
    {
        m_unlock->AddListener(this);
        SetEnabled(m_unlock->GetValue());
    }
    UpdateState();
}

void ZShopButton::UpdateState()
{
    // 1.
    SetHidden(false);
    // 2. The level the item needs.
    if (m_requiredLevel < 0)
    {
        SetEnabled(true);
        ShowIcon(nullptr, false);
    }
    else if (m_requiredLevel > g_profileLevel.GetValue())
    {
        m_reason = Localized("shop.later");
        SetEnabled(false);
        SetHidden(true);
    }
    else
    {
        SetEnabled(true);
        SetHidden(false);
    }
    // 3. Its unlock setting.
    ZPropertyBool* unlock = LiveUnlock();
    if (unlock)
    {
        if (!unlock->GetValue())
        {
            SetEnabled(false);
            m_reason = Localized("shop.later");
            SetHidden(true);
        }
        else
        {
            SetHidden(false);
            SetEnabled(true);
            ShowIcon(nullptr, false);
        }
    }
    // 4. The upgrade step owned.
    if (ZPropertyInt* upgrade = LiveUpgrade())
    {
        const int owned = upgrade->GetValue();
        ZTextureResource* soldOut = m_shop ? m_shop->GetSignTexture(ZShop::kSoldOut) : nullptr;
        if (m_value < owned)
        {
            SetEnabled(false);
            m_reason = Localized("shop.betterown");
            if (m_shop)
                ShowIcon(soldOut, false);
        }
        else if (m_value == owned)
        {
            SetEnabled(false);
            m_reason = Localized("shop.alreadyown");
            if (m_shop)
                ShowIcon(soldOut, false);
        }
        else if (m_value > owned + 1)
        {
            SetEnabled(false);
            m_reason = Localized("shop.needsmaller");
            if (m_shop)
                ShowIcon(m_shop->GetSignTexture(ZShop::kComingSoon), false);
        }
    }
    // 5.
    if (g_cheatsUnlockAll.GetValue())
    {
        SetEnabled(true);
        SetHidden(false);
    }
    // 6. Relaxed play has no air to buy.
    if (g_profileRelaxMode.GetValue())
    {
        if (m_abilityId >= kFirstAirItem && m_abilityId <= kLastAirItem)
            SetHidden(true);
        else if (m_abilityId < 0 && !m_itemId.empty())
        {
            const ZAbilityManager* abilities = ZAbilityManager::PeekInstance();
            const ZUpgradeInfo* upgrade =
                abilities ? abilities->FindUpgradeByName(m_itemId.c_str()) : nullptr;
            if (upgrade && !upgrade->nonAir)
                SetHidden(true);
        }
    }
    // An item without a price is never for sale, whatever the rest says.
    if (m_shop && price < 0)
    {
        SetEnabled(false);
        SetHidden(true);
    }
    // The item's own picture fades with its frame while it cannot be bought.
    if (auto* picture = ZEntityCast<ZSprite>(FindNode("picture")))
        picture->SetAlpha(IsEnabled() ? 1.0f : kDisabledPictureAlpha);
}

void ZShopButton::ShowIcon(ZTextureResource* texture, bool offset)
{
    if (m_pulse)
        m_pulse->SetHidden(true);
    if (!m_icon)
        return;
    if (!texture)
    {
        if (!m_markedUnlocked)
        {
            m_icon->SetHidden(true);
            return;
        }
        ShowIcon(m_shop ? m_shop->GetSignTexture(ZShop::kNewStock) : nullptr, true);
        if (!m_shop || !m_shop->GetSignTexture(ZShop::kNewStock))
            return;
        if (!m_pulse)
        {
            m_pulse = ZPulsateController::Create(m_icon);
            if (m_pulse)
            {
                // Speed, amplitude and base of the scale, then the phase: a slow, gentle beat.
                m_pulse->scaleSpeed = 4.712389f;
                m_pulse->scaleAmplitude = 0.1f;
                m_pulse->alphaBase = 0.9f;
                m_pulse->scaleBase = 1.0f;
                m_pulse->scalePhase = 0.0f;
            }
        }
        if (m_pulse)
            m_pulse->SetHidden(false);
        return;
    }
    V3 at{};
    if (auto* idle = ZEntityCast<ZGeom>(GetStatePicture(kIdle)))
        at = idle->Position();
    at.z += kIconDepth;
    if (offset)
    {
        at.x += kNewOffsetX;
        at.y += kNewOffsetY;
    }
    else
    {
        // Sold out and coming soon sit at the frame's right edge, over the item's icon.
        at.x += kSignOffset;
        at.y -= kSignDrop;
    }
    m_icon->SetPositionXYZ(at.x, at.y, at.z);
    m_icon->SetTexture(texture, false);
    m_icon->SetSize(kSignSize, kSignSize);
    m_icon->SetHidden(false);
}

void ZShopButton::MarkUnlocked()
{
    m_markedUnlocked = true;
    isNew = true;
    ShowIcon(nullptr, false);
}

void ZShopButton::ClearNew()
{
    isNew = false;
    if (!m_markedUnlocked)
        return;
    m_markedUnlocked = false;
    UpdateState();
    if (m_icon && !m_upgrade)
        m_icon->SetHidden(true);
}

bool ZShopButton::IsAvailable() const
{
    return IsEnabled() && !IsHidden() && price > 0;
}

void ZShopButton::OnPropertyChanged(ZProperty* property)
{
    if (property == m_upgrade || property == &g_cheatsUnlockAll)
    {
        UpdateState();
        return;
    }
    if (property == m_unlock && m_unlock && m_unlock->GetValue() && !IsEnabled() && !ProfileBusy())
    {
        UpdateState();
        MarkUnlocked();
        return;
    }
    if (property == &g_profileLevel && !IsEnabled() && m_requiredLevel >= 0 &&
        m_requiredLevel == g_profileLevel.GetValue())
    {
        SetEnabled(true);
        SetHidden(false);
        MarkUnlocked();
        return;
    }
    UpdateState();
}
