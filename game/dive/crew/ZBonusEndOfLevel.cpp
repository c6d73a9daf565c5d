// The bonus prize dialog: its two pages, the prize shown and the prize paid.
#include "game/dive/crew/ZBonusEndOfLevel.h"

#include <algorithm>
#include <cstdio>

#include "engine/app/ZGame.h"
#include "engine/core/ZPropertyManager.h"
#include "engine/resource/ZStringTable.h"
#include "engine/core/ZTextFormat.h"
#include "engine/import/ZSceneXMLImport2.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/scene/ZFontText.h"
#include "engine/scene/ZSceneTree.h"
#include "engine/ui/ZSprite2D.h"
#include "game/dive/ZDiveSettings.h"
#include "game/dive/abilities/ZAbilityManager.h"
#include "game/dive/crew/ZInventory.h"

namespace
{
ZPropertyInt* Treasure()
{
    ZPropertyManager* settings = ZPropertyManager::PeekInstance();
    return settings ? settings->FindTyped<int32_t>("profile.treasure") : nullptr;
}

bool HasToolBelt()
{
    return g_profileToolBelt.GetValue();
}

std::string CountText(int count)
{
    char text[24];
    std::snprintf(text, sizeof text, "x %i", count);
    return text;
}
} // namespace

ZBonusEndOfLevel::ZBonusEndOfLevel()
{
    SetOpaque(false);
    SetFlags(kStateDims | kStateResourcesWhileStacked);
}

ZBonusEndOfLevel::~ZBonusEndOfLevel()
{
    // The layout's button may outlive the dialog.
    if (GetRoot() && !ZSceneTree::IsShutdownBegun())
        ZButton2D::RemoveListenerBelow(GetRoot(), this);
}

int ZBonusEndOfLevel::Build()
{
    const int result = ImportSceneFile(ZResourcePath("resources:bonusendoflevel.xml"), GetRoot());
    if (result != 0)
        return result;
    ZNode* root = GetRoot();
    m_button = ZEntityCast<ZButton2D>(root->FindNode("close_button"));
    if (m_button)
        m_button->AddListener(this);
    m_item = ZEntityCast<ZSprite>(root->FindNode("item"));
    char path[32];
    for (int i = 0; i < 3; ++i)
    {
        std::snprintf(path, sizeof path, "portraits/portrait_%i", i);
        m_portraits[size_t(i)] = root->FindNode(path);
    }
    SetText("prize_count", "x 1");
    return 0;
}

std::string ZBonusEndOfLevel::GetText(const char* path) const
{
    auto* text = ZEntityCast<ZFontText>(GetRoot()->FindNode(path));
    return text ? text->GetText() : std::string();
}

void ZBonusEndOfLevel::SetText(const char* path, const char* text)
{
    if (auto* node = ZEntityCast<ZFontText>(GetRoot()->FindNode(path)))
        node->SetText(text ? text : "");
}

void ZBonusEndOfLevel::ShowPortrait(int index)
{
    for (int i = 0; i < 3; ++i)
    {
        if (ZNode* portrait = m_portraits[size_t(i)])
            portrait->SetHidden(i != index);
    }
}

int ZBonusEndOfLevel::PrizeCount(const SBonusPrize& prize)
{
    const int count = std::clamp(prize.count, 0, 1000000);
    return HasToolBelt() ? count : 100 * count;
}

void ZBonusEndOfLevel::ShowPrizeItem()
{
    ZStringTable* strings = ZStringTable::GetInstance();
    ZAbilityManager* abilities = ZAbilityManager::PeekInstance();
    const char* key = abilities ? abilities->GetItemName(m_prize.item) : nullptr;
    auto* sprite = ZEntityCast<ZSprite2D>(m_item);
    ShowPortrait(std::clamp(m_prize.shop, 0, 2));
    if (HasToolBelt() && key)
    {
        SetText("prize_name", strings->GetTextFormat("%s.name", key));
        SetText("prize_text", strings->GetTextFormat("%s.description", key));
        ZTexture* icon = abilities->GetPowerIcon(m_prize.item);
        if (sprite && icon)
            sprite->SetTexture(icon, true);
        if (m_item)
            m_item->SetHidden(!icon);
        return;
    }
    SetText("prize_name", strings->GetText("general.treasure"));
    SetText("prize_text", strings->GetText(HasToolBelt() ? "tip.shoptreasure.text" : "tip.treasurenobelt.text"));
    ZTexture* treasure = ZTexture::FindOrLoad("resources:treasure_icon.png", 0, 1);
    if (sprite && treasure)
        sprite->SetTexture(treasure, true);
    if (m_item)
        m_item->SetHidden(!treasure);
}

void ZBonusEndOfLevel::ShowStart()
{
    m_beforeSearch = true;
    if (m_button)
        m_button->SetText(ZStringTable::GetInstance()->GetText("button.start"));
    ShowPrizeItem();
    SetText("title", m_prize.title.c_str());
    SetText("text", m_prize.intro.c_str());
    SetText("prize_count", CountText(PrizeCount(m_prize)).c_str());
}

void ZBonusEndOfLevel::ShowResult(bool won)
{
    m_beforeSearch = false;
    if (m_button)
        m_button->SetText(ZStringTable::GetInstance()->GetText("button.continue"));
    SetText("title", m_prize.title.c_str());
    ShowPrizeItem();
    SetText("text", won ? m_prize.wonText.c_str() : m_prize.missedText.c_str());
    SetText("prize_count", CountText(won ? PrizeCount(m_prize) : 0).c_str());
}

void ZBonusEndOfLevel::GrantPrize(const SBonusPrize& prize)
{
    ZInventory* inventory = ZInventory::PeekInstance();
    const int count = std::clamp(prize.count, 0, 1000000);
    if (HasToolBelt() && prize.item >= 0 && inventory && inventory->GetCountSetting(prize.item))
    {
        for (int i = 0; i < count; ++i)
            inventory->SetCount(prize.item, inventory->GetCount(prize.item) + 1);
        return;
    }
    if (ZPropertyInt* treasure = Treasure())
    {
        const int64_t sum = int64_t(treasure->GetValue()) + int64_t(PrizeCount(prize));
        treasure->SetValue(int32_t(std::min<int64_t>(sum, treasure->GetMaximum())));
    }
}

void ZBonusEndOfLevel::OnClicked(ZButton2D* button)
{
    ZGame* game = ZGame::PeekInstance();
    if (button != m_button || !game || game->GetTopState() != this)
        return;
    const bool atStart = m_beforeSearch;
    if (m_listener)
        m_listener->OnBonusDialogClosed(atStart);
    game->PopState();
    if (!atStart)
        game->PopState();
}
