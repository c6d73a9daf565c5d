// The new-stock dialog: which shop sells an unlocked item, the dialog's texts and pictures, and
// the queue of announcements that arrive while one is on screen.
#include "game/screens/ZNewStockDialog.h"

#include <cstdio>

#include "engine/app/ZGame.h"
#include "engine/audio/ZSound.h"
#include "engine/controllers/ZFlicker.h"
#include "engine/core/ZTextFormat.h"
#include "engine/import/ZSceneXMLImport2.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/resource/ZStringTable.h"
#include "engine/scene/ZFontText.h"
#include "engine/ui/ZSprite2D.h"
#include "game/common/IGameShell.h"
#include "game/common/ZPictures.h"
#include "game/dive/abilities/ZAbilityManager.h"

namespace
{
const char* Localized(const char* key)
{
    return ZStringTable::GetInstance()->GetText(key);
}
} // namespace

ZNewStockDialog::ZNewStockDialog()
{
    SetOpaque(false);
    SetFlags(kStateDims);
}

ZNewStockDialog::~ZNewStockDialog()
{
    if (m_listening)
        if (ZProfileManager* profiles = ZProfileManager::PeekInstance())
            profiles->RemoveListener(this);
    if (m_ok)
        m_ok->RemoveListener(this);
}

int ZNewStockDialog::ShopOf(const char* key)
{
    const int id = ZAbilityManager::FindAbilityId(key);
    if (id >= 0)
        return id < kItemCount ? kShopOfItem[id] : -1;
    const ZAbilityManager* abilities = ZAbilityManager::PeekInstance();
    const ZUpgradeInfo* upgrade = abilities ? abilities->FindUpgradeByName(key) : nullptr;
    return upgrade && upgrade->shop >= 0 && upgrade->shop < kShopCount ? upgrade->shop : -1;
}

ZFontText* ZNewStockDialog::GetTextNode(const char* name) const
{
    return GetRoot() ? ZEntityCast<ZFontText>(GetRoot()->FindNodeAnywhere(name)) : nullptr;
}

int ZNewStockDialog::Build()
{
    ZGroup* root = GetRoot();
    if (const int result = ImportSceneFile(ZResourcePath("resources:bigdialog.xml"), root); result != 0)
    {
        std::fprintf(stderr, "New-stock dialog: resources:bigdialog.xml cannot be read\n");
        return result;
    }
    m_ok = ZEntityCast<ZButton2D>(root->FindNodeAnywhere("button_ok"));
    if (m_ok)
        m_ok->AddListener(this);
    m_title = GetTextNode("title");
    m_name = GetTextNode("name");
    m_body = GetTextNode("body");
    m_description = GetTextNode("description");
    m_icon = ZEntityCast<ZSprite2D>(root->FindNodeAnywhere("icon_pos"));
    for (int i = 0; i < kShopCount; ++i)
    {
        char name[8];
        std::snprintf(name, sizeof name, "shop%i", i);
        m_shopPictures[i] = root->FindNodeAnywhere(name);
    }
    // The effects run on the dialog's own group, so the dimmed screen beneath stays put.
    ZNode* dialog = root->FindNodeAnywhere("dialog");
    if (!dialog)
        dialog = root;
    m_appear = ZScaleOutFrom::Create(dialog);
    m_disappear = ZScaleInto::Create(dialog);
    for (ZInterpolateBase* effect :
         {static_cast<ZInterpolateBase*>(m_appear), static_cast<ZInterpolateBase*>(m_disappear)})
        if (effect)
        {
            effect->SetDuration(0.5);
            effect->SetActive(false);
        }
    SetFadeControllers(m_appear, m_disappear);
    m_alert = ZSound::Find("map_stock_alert");
    if (ZProfileManager* profiles = ZProfileManager::PeekInstance(); profiles && !m_listening)
    {
        profiles->AddListener(this);
        m_listening = true;
    }
    RememberUnlocked();
    return 0;
}

bool ZNewStockDialog::Fill(const char* key)
{
    const int shop = ShopOf(key);
    if (shop < 0)
    {
        std::fprintf(stderr, "New stock: no shop sells \"%s\"; not announced\n", key ? key : "");
        return false;
    }
    m_key = key;
    ZStringTable* strings = ZStringTable::GetInstance();
    if (m_name)
        m_name->SetText(strings->GetTextFormat("%s.name", key));
    if (m_description)
        m_description->SetText(strings->GetTextFormat("%s.description", key));
    ZAbilityManager* abilities = ZAbilityManager::PeekInstance();
    const int id = ZAbilityManager::FindAbilityId(key);
    ZTexture* icon = nullptr;
    if (abilities)
    {
        if (id < 0)
        {
            const ZUpgradeInfo* upgrade = abilities->FindUpgradeByName(key);
            icon = upgrade ? upgrade->icon : nullptr;
        }
        else
            icon = abilities->GetPowerIcon(id);
    }
    if (m_icon)
    {
        if (icon)
        {
            // A shop's icons are named by the shop's layout long before the shop first opens.
            LoadPicture(icon);
            m_icon->SetTexture(icon, false);
        }
        m_icon->SetHidden(icon == nullptr);
    }
    ShowShop(shop);
    if (m_body)
    {
        char shopKey[32];
        std::snprintf(shopKey, sizeof shopKey, "shop.shop%i", shop);
        m_body->SetText(FormatChecked(Localized("shop.unlock"), {Localized(shopKey)}).c_str());
    }
    return true;
}

void ZNewStockDialog::ShowShop(int shop)
{
    m_shop = shop;
    for (int i = 0; i < kShopCount; ++i)
        if (m_shopPictures[i])
            m_shopPictures[i]->SetActive(i == shop);
    // The map's button of that shop, when the map is there to grow from.
    ZSprite* button = nullptr;
    if (ZGameState* map = GetGameShell()->GetCampaignScreen("map", 0); map && map->GetRoot())
    {
        char name[24];
        std::snprintf(name, sizeof name, "button_shop_%i", shop + 1);
        ZNode* node = map->GetRoot()->FindNodeAnywhere(name);
        if (auto* shopButton = ZEntityCast<ZButton2D>(node))
            node = shopButton->GetStatePicture(ZButton2D::kIdle);
        button = ZEntityCast<ZSprite>(node);
    }
    if (m_appear)
        m_appear->otherNode = button;
    if (m_disappear)
        m_disappear->otherNode = button;
}

void ZNewStockDialog::OnEnter()
{
    ++m_alerts;
    if (m_alert)
        m_alert->Play();
}

void ZNewStockDialog::OnClicked(ZButton2D* button)
{
    if (button != m_ok)
        return;
    // The next announcement takes the open dialog's place.
    while (!m_queue.empty())
    {
        const std::string next = m_queue.front();
        m_queue.pop_front();
        if (Fill(next.c_str()))
        {
            OnEnter();
            return;
        }
    }
    if (ZGame* game = ZGame::PeekInstance(); game && game->GetTopState() == this)
        game->PopState();
}

bool ZNewStockDialog::Announce(const char* key)
{
    if (!key || ShopOf(key) < 0)
    {
        std::fprintf(stderr, "New stock: no shop sells \"%s\"; not announced\n", key ? key : "");
        return false;
    }
    if (!m_announced.insert(key).second)
        return false;
    if (IsInPlay())
    {
        m_queue.emplace_back(key);
        return true;
    }
    if (!Fill(key))
        return false;
    ZGame::GotoState(this);
    return true;
}

void ZNewStockDialog::RememberUnlocked()
{
    m_announced.clear();
    m_queue.clear();
    const ZAbilityManager* abilities = ZAbilityManager::PeekInstance();
    if (!abilities)
        return;
    for (int id = 0; id < ZAbilityManager::kItemCount; ++id)
        if (const ZPropertyBool* unlock = abilities->GetUnlockSetting(id); unlock && unlock->GetValue())
            if (const char* name = abilities->GetItemName(id))
                m_announced.insert(name);
    for (int row = 0; row < ZAbilityManager::kUpgradeCount; ++row)
        if (const ZPropertyBool* unlock = abilities->GetUpgradeUnlockSetting(row);
            unlock && unlock->GetValue())
            m_announced.insert(abilities->GetUpgrade(row).name);
}

int ZNewStockDialog::OnProfileLoaded()
{
    RememberUnlocked();
    return 0;
}
