// The shop screen: loading its layouts, one visit from entering to leaving, the info texts that
// follow the pointer, the confirmation prompt, buying and the statistics record of the visit.
#include "game/screens/ZShop.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "engine/app/ZEngine.h"
#include "engine/app/ZEngineSettings.h"
#include "engine/app/ZGame.h"
#include "engine/app/ZStatsLog.h"
#include "engine/audio/ZSound.h"
#include "engine/controllers/ZFlicker.h"
#include "engine/core/ZFrameTimer.h"
#include "engine/core/ZPropertyManager.h"
#include "engine/core/ZTextFormat.h"
#include "engine/import/ZSceneXMLImport2.h"
#include "engine/render/resources/IRender.h"
#include "engine/resource/ZResourceManager.h"
#include "engine/resource/ZStringTable.h"
#include "engine/scene/ZFontText.h"
#include "engine/scene/ZGeom.h"
#include "engine/ui/ZSprite2D.h"
#include "engine/ui/ZToolTipManager.h"
#include "game/common/IGameShell.h"
#include "game/common/ZShellSettings.h"
#include "game/dive/abilities/ZAbilityManager.h"
#include "game/dive/campaign/ZLevelControl.h"
#include "game/dive/crew/ZInventory.h"
#include "game/dive/crew/ZInventoryScreen.h"

namespace
{
constexpr const char* kCommonContext = "shopcommon";

// The resources of the shared list are made once, by whichever shop loads first; every shop
// holds all of them, so each has them loaded while it is on the stack.
class CommonResources : public ZResourceContext
{
public:
    void OnResourceAdded(ZResource* resource) override
    {
        if (resource && std::find(list.begin(), list.end(), resource) == list.end())
            list.push_back(resource);
    }
    void OnResourceRemoved(ZResource* resource) override
    {
        list.erase(std::remove(list.begin(), list.end(), resource), list.end());
    }
    std::vector<ZResource*> list;
    ZSound* buy = nullptr;
    ZSound* noBuy = nullptr;
};

CommonResources& Common()
{
    static CommonResources common;
    return common;
}

// The shared resources belong to the shops: when the last one goes, so does the record of them
// (a game made again later loads them again).
int s_liveShops = 0;

double Now()
{
    return g_frameTimer ? g_frameTimer->now : 0.0;
}

uint32_t FrameNow()
{
    IRender* render = g_engine ? g_engine->GetRender() : nullptr;
    return render ? render->GetFrameCount() : 0;
}

const char* Localized(const char* key)
{
    return ZStringTable::GetInstance()->GetText(key);
}

std::string Dollars(int value)
{
    char text[24];
    std::snprintf(text, sizeof text, "$%i", value);
    return text;
}

// A value within the setting's range, whether or not the setting clamps by itself.
int ClampTo(const ZPropertyInt* setting, int value)
{
    return std::clamp(value, setting->GetMinimum(), std::max(setting->GetMinimum(), setting->GetMaximum()));
}

ZPropertyBool* TipEquip()
{
    ZPropertyManager* settings = ZPropertyManager::PeekInstance();
    return settings ? settings->FindTyped<bool>("zelk.tip.equip") : nullptr;
}

ZTextureResource* TextureOf(ZNode* node)
{
    auto* sprite = ZEntityCast<ZSprite2D>(node);
    return sprite ? sprite->GetTexture() : nullptr;
}
} // namespace

ZShop* ZShop::Create(const char* layout, int id)
{
    return new ZShop(layout, id);
}

ZShop::ZShop(const char* layout, int id)
    : m_id(std::clamp(id, 0, kShopCount - 1)), m_layout(layout ? layout : "")
{
    char name[16];
    std::snprintf(name, sizeof name, "ZShop%i", m_id);
    m_stateName = name;
    SetFlags(kStateResourcesWhileStacked);
    ++s_liveShops;
}

ZShop::~ZShop()
{
    g_profileTreasure.RemoveListener(this);
    if (m_listening)
        if (ZProfileManager* profiles = ZProfileManager::PeekInstance())
            profiles->RemoveListener(this);
    if (ZInput* input = g_engine ? g_engine->GetInput() : nullptr)
        input->RemoveKeyboardListener(this);
    if (ZGroup* root = GetRoot())
        ZButton2D::RemoveListenerBelow(root, this);
    for (ZShopButton* item : m_items)
    {
        item->SetShop(nullptr);
        item->Detach();
    }
    if (--s_liveShops == 0)
    {
        CommonResources& common = Common();
        common.list.clear();
        common.buy = nullptr;
        common.noBuy = nullptr;
    }
}

int ZShop::ParsePrice(const char* text)
{
    if (!text || !*text)
        return -1;
    int64_t value = 0;
    for (const char* c = text; *c; ++c)
    {
        if (*c < '0' || *c > '9')
            return -1;
        value = value * 10 + (*c - '0');
        if (value > kMaxPrice)
            return -1;
    }
    return value > 0 ? int(value) : -1;
}

int ZShop::Build()
{
    ZGroup* root = GetRoot();
    CommonResources& common = Common();
    // 1. The shared sounds, once for the three shops.
    if (!common.buy || !common.noBuy)
    {
        ZResourceManager* manager = ZResourceManager::PeekInstance();
        const bool pushed = manager && manager->PushContext(ZNameId(kCommonContext).Value(), &common) == 0;
        const int result = ImportSceneFile(ZResourcePath("resources:shop_resources.xml"), root);
        if (pushed)
            manager->PopContext();
        if (result != 0)
        {
            std::fprintf(stderr, "Shop %i: resources:shop_resources.xml cannot be read\n", m_id + 1);
            return result;
        }
        common.buy = ZSound::Find("buysound");
        common.noBuy = ZSound::Find("nobuysound");
    }
    for (ZResource* resource : common.list)
        OnResourceAdded(resource);

    // 2. The shared interface, then the shop's own stock.
    if (const int result = ImportSceneFile(ZResourcePath("resources:shopui.xml"), root); result != 0)
    {
        std::fprintf(stderr, "Shop %i: resources:shopui.xml cannot be read\n", m_id + 1);
        return result;
    }
    if (ZProfileManager* profiles = ZProfileManager::PeekInstance(); profiles && !m_listening)
    {
        profiles->AddListener(this);
        m_listening = true;
    }
    if (const int result = ImportSceneFile(ZResourcePath(m_layout.c_str()), root); result != 0)
    {
        std::fprintf(stderr, "Shop %i: %s cannot be read\n", m_id + 1, m_layout.c_str());
        return result;
    }

    // 3. Nodes, buttons, the cash blink, the bell and the signs.
    m_prompt = root->FindNodeAnywhere("prompt");
    m_promptText = m_prompt ? ZEntityCast<ZFontText>(m_prompt->FindNode("text")) : nullptr;
    if (!m_promptText)
        m_promptText = ZEntityCast<ZFontText>(root->FindNodeAnywhere("text"));
    m_itemsNode = root->FindNodeAnywhere("items");
    m_name = GetText("name");
    m_description = GetText("description");
    m_maxCount = GetText("max_count");
    m_maxText = GetText("max_text");
    m_cash = GetText("cash");
    m_yes = GetButton("button_yes");
    m_no = GetButton("button_no");
    m_finish = GetButton("button_finish");
    m_inventory = GetButton("button_inventory");
    for (ZButton2D* button : {m_yes, m_no, m_finish, m_inventory})
        if (button)
            button->AddListener(this);
    if (m_cash)
    {
        m_cashBlink = ZBlink::Create(m_cash);
        if (m_cashBlink)
        {
            m_cashBlink->interval = float(kBlinkInterval);
            m_cashBlink->remaining = float(kBlinkInterval);
            m_cashBlink->SetActive(false);
        }
    }
    char bell[16];
    std::snprintf(bell, sizeof bell, "shop%ubell", unsigned(m_id + 1));
    m_bell = ZSound::Find(bell);
    const char* signs[3] = {"sign_soldout", "sign_comsoon", "sign_newstock"};
    for (int i = 0; i < 3; ++i)
    {
        ZNode* sign = root->FindNodeAnywhere(signs[i]);
        m_signs[size_t(i)] = TextureOf(sign);
        // The pictures only lend their textures to the buttons.
        if (sign)
            sign->SetHidden(true);
    }

    // 4. The stock.
    m_items.clear();
    if (m_itemsNode)
    {
        ZStringTable* strings = ZStringTable::GetInstance();
        for (ZNode* child = m_itemsNode->GetFirstChild(); child; child = child->GetNextSibling())
        {
            auto* item = ZEntityCast<ZShopButton>(child);
            if (!item)
                continue;
            item->AddListener(this);
            item->SetShop(this);
            const char* key = item->GetName() ? item->GetName() : "";
            item->SetItemId(key);
            item->name = strings->GetTextFormat("%s.name", key);
            item->description = strings->GetTextFormat("%s.description", key);
            const char* priceText = strings->FindFormat("%s.price", key);
            item->price = ParsePrice(priceText);
            if (item->price < 0)
                std::fprintf(
                    stderr,
                    "Shop %i: item \"%s\" has no usable price (\"%s.price\" is %s%s%s); not for sale\n",
                    m_id + 1, key, key, priceText ? "\"" : "", priceText ? priceText : "missing",
                    priceText ? "\"" : "");
            item->priceText = ZEntityCast<ZFontText>(item->FindNode("price"));
            if (item->priceText)
                item->priceText->SetText(item->price > 0 ? Dollars(item->price).c_str() : "");
            item->shopId = m_id;
            item->itemIndex = ZAbilityManager::FindAbilityId(key);
            item->SetEnabled(false);
            m_items.push_back(item);
        }
    }
    else
        std::fprintf(stderr, "Shop %i: %s has no \"items\" group; nothing for sale\n", m_id + 1,
                     m_layout.c_str());

    // 5.
    if (auto* gui = ZEntityCast<ZGeom>(root->FindNodeAnywhere("gui")))
    {
        const V3 p = gui->Position();
        gui->SetPositionXYZ(p.x, p.y, p.z - 200.0f);
    }
    g_profileTreasure.AddListener(this);
    if (ZNode* area = root->FindNodeAnywhere("treasure_area"))
        if (ZToolTipManager* tips = ZToolTipManager::PeekInstance())
            tips->RegisterToolTipForNode("shoptreasure", area, false);
    ShowNode(m_prompt, false);
    return 0;
}

ZButton2D* ZShop::GetButton(const char* name) const
{
    return GetRoot() ? ZEntityCast<ZButton2D>(GetRoot()->FindNodeAnywhere(name)) : nullptr;
}

ZFontText* ZShop::GetText(const char* name) const
{
    if (!GetRoot())
        return nullptr;
    // The prompt's own "text" is not the info panel's.
    return ZEntityCast<ZFontText>(GetRoot()->FindNodeAnywhere(name));
}

ZShopButton* ZShop::FindItem(const char* id) const
{
    for (ZShopButton* item : m_items)
        if (id && item->GetItemId() == id)
            return item;
    return nullptr;
}

ZTextureResource* ZShop::GetSignTexture(int sign) const
{
    return sign >= 0 && sign < 3 ? m_signs[size_t(sign)] : nullptr;
}

void ZShop::ShowNode(ZNode* node, bool shown)
{
    if (node)
        node->SetHidden(!shown);
}

void ZShop::Play(ZSound* sound, int& counter)
{
    ++counter;
    if (sound)
        sound->Play();
}

void ZShop::SetCashText()
{
    if (m_cash)
        m_cash->SetText(Dollars(g_profileTreasure.GetValue()).c_str());
}

void ZShop::ResetInfo()
{
    if (m_name)
        m_name->SetText(Localized("shop.havealook"));
    if (m_description)
        m_description->SetText(Localized("shop.movemouse"));
    ShowNode(m_maxCount, false);
    ShowNode(m_maxText, false);
}

void ZShop::OnEnter()
{
    if (ZInput* input = g_engine ? g_engine->GetInput() : nullptr)
        input->AddKeyboardListener(this);
    m_hovered = nullptr;
    SetCashText();
    for (ZShopButton* item : m_items)
    {
        item->promptDisabled = false;
        item->SetInputIgnored(false);
        item->UpdateState();
    }
    m_enterTime = Now();
    m_enterFrame = FrameNow();
    m_enterTreasure = g_profileTreasure.GetValue();
    m_upgradesBought.clear();
    m_bought.fill(0);
    {
        char name[16];
        std::snprintf(name, sizeof name, "shop%i", m_id + 1);
        IGameShell* shell = GetGameShell();
        if (ZPlayList* list = shell->FindPlayList(name))
            shell->PlayPlayList(list);
    }
    ResetInfo();
    m_bellDue = true;
}

void ZShop::OnGainFocus()
{
    if (!m_bellDue)
        return;
    m_bellDue = false;
    Play(m_bell, m_bellSounds);
}

void ZShop::OnMouseOver(ZButton2D* button)
{
    auto* item = ZEntityCast<ZShopButton>(button);
    if (!item || m_promptOpen || item->GetShop() != this)
        return;
    m_hovered = item;
    if (m_name)
        m_name->SetText(item->name.c_str());
    if (item->IsAvailable())
    {
        if (m_description)
            m_description->SetText(item->description.c_str());
        const bool hasCap = item->itemIndex != -1;
        if (hasCap && m_maxCount)
            m_maxCount->SetText(std::to_string(ZAbilityManager::GetItemCap(item->itemIndex)).c_str());
        ShowNode(m_maxCount, hasCap);
        ShowNode(m_maxText, hasCap);
        return;
    }
    if (m_description)
        m_description->SetText(item->GetReasonText() ? item->GetReasonText() : item->description.c_str());
    ShowNode(m_maxCount, false);
    ShowNode(m_maxText, false);
}

void ZShop::OnMouseOut(ZButton2D* button)
{
    if (m_promptOpen || !button || button != m_hovered)
        return;
    m_hovered = nullptr;
    ResetInfo();
}

void ZShop::OnClicked(ZButton2D* button)
{
    if (!button)
        return;
    if (button == m_yes)
    {
        if (m_promptOpen)
            Buy();
        return;
    }
    if (button == m_no)
    {
        ClosePrompt();
        return;
    }
    if (button == m_finish)
    {
        if (m_promptOpen)
            return;
        if (ZGame* game = ZGame::PeekInstance(); game && game->GetTopState() == this)
            game->PopState();
        Play(m_bell, m_bellSounds);
        return;
    }
    if (button == m_inventory)
    {
        if (m_promptOpen)
            return;
        ZGame::GotoState(ZInventoryScreen::GetInstance());
        return;
    }
    auto* item = ZEntityCast<ZShopButton>(button);
    if (!item || item->GetShop() != this || m_promptOpen || item->promptDisabled || !item->IsAvailable())
        return;
    m_selected = item;
    // A full stock is sold out: the player would pay and get nothing.
    if (IsStockFull(item))
    {
        Play(Common().noBuy, m_noBuySounds);
        return;
    }
    if (item->price <= g_profileTreasure.GetValue())
    {
        if (m_promptText)
            m_promptText->SetText(FormatChecked(Localized("shop.areyousure"), {item->price}).c_str());
        OpenPrompt();
        return;
    }
    Play(Common().noBuy, m_noBuySounds);
    if (m_cashBlink)
    {
        m_cashBlink->remaining = float(kBlinkInterval);
        m_cashBlink->SetActive(true);
    }
    m_blinkStart = Now();
}

bool ZShop::IsStockFull(const ZShopButton* item)
{
    if (!item || item->GetUpgradeSetting())
        return false;
    ZInventory* inventory = ZInventory::PeekInstance();
    const ZPropertyInt* count = inventory ? inventory->GetCountSetting(item->itemIndex) : nullptr;
    return count && count->GetValue() >= count->GetMaximum();
}

void ZShop::OnKey(uint32_t scanCode, int32_t character)
{
    (void)scanCode;
    if (!m_promptOpen)
        return;
    if (character == 'y' || character == 'Y')
        Buy();
    else if (character == 'n' || character == 'N')
        ClosePrompt();
}

void ZShop::OpenPrompt()
{
    ShowNode(m_prompt, true);
    m_promptOpen = true;
    for (ZShopButton* item : m_items)
    {
        item->promptDisabled = true;
        // Only the prompt takes the pointer while it is open.
        item->SetInputIgnored(true);
    }
    if (m_finish)
        m_finish->SetInputIgnored(true);
    if (m_inventory)
        m_inventory->SetInputIgnored(true);
}

void ZShop::ClosePrompt()
{
    ShowNode(m_prompt, false);
    if (!m_promptOpen)
        return;
    m_promptOpen = false;
    m_reenableItems = true;
}

void ZShop::Buy()
{
    ZShopButton* item = m_selected;
    if (!m_promptOpen || !item || !item->IsAvailable())
    {
        ClosePrompt();
        return;
    }
    const int treasure = g_profileTreasure.GetValue();
    // The price was checked when the prompt opened; the treasure cannot have fallen since, but a
    // purchase never takes what the player does not have.
    if (item->price > treasure || IsStockFull(item))
    {
        ClosePrompt();
        Play(Common().noBuy, m_noBuySounds);
        return;
    }
    if (ZPropertyInt* upgrade = item->GetUpgradeSetting())
    {
        upgrade->SetValue(ClampTo(upgrade, item->GetValue()));
        m_upgradesBought.push_back(item->GetItemId());
    }
    else
    {
        ZInventory* inventory = ZInventory::PeekInstance();
        ZPropertyInt* count = inventory ? inventory->GetCountSetting(item->itemIndex) : nullptr;
        if (count)
            count->SetValue(ClampTo(count, count->GetValue() + 1));
        if (ZPropertyBool* tip = TipEquip(); tip && !tip->GetValue())
        {
            tip->SetValue(true);
            if (ZToolTipManager* tips = ZToolTipManager::PeekInstance())
            {
                ZNode* at = m_inventory;
                tips->OpenTimedToolTip("equip", at ? &at : nullptr, at ? 1 : 0, kTipSeconds);
            }
        }
    }
    g_profileTreasure.SetValue(ClampTo(&g_profileTreasure, treasure - item->price));
    if (item->itemIndex >= 0 && item->itemIndex < kItemCount)
        ++m_bought[size_t(item->itemIndex)];
    ClosePrompt();
    Play(Common().buy, m_buySounds);
}

void ZShop::Update(double dt)
{
    (void)dt;
    if (m_reenableItems)
    {
        for (ZShopButton* item : m_items)
        {
            item->promptDisabled = false;
            item->SetInputIgnored(false);
        }
        if (m_finish)
            m_finish->SetInputIgnored(false);
        if (m_inventory)
            m_inventory->SetInputIgnored(false);
        m_reenableItems = false;
    }
    if (!m_pendingTip.empty() && Now() - m_enterTime > kTipDelay)
    {
        if (ZToolTipManager* tips = ZToolTipManager::PeekInstance())
            tips->OpenTimedToolTip(m_pendingTip.c_str(), nullptr, 0, kTipSeconds);
        m_pendingTip.clear();
    }
    if (IsCashBlinking() && Now() - m_blinkStart > kBlinkTime)
    {
        if (m_cashBlink)
            m_cashBlink->SetActive(false);
        if (m_cash)
            m_cash->SetHidden(false);
        m_blinkStart = -1e38;
    }
}

void ZShop::OnPropertyChanged(ZProperty* property)
{
    if (property == &g_profileTreasure)
        SetCashText();
}

void ZShop::ClearNewFlags()
{
    for (ZShopButton* item : m_items)
        item->ClearNew();
}

int ZShop::OnProfileLoaded()
{
    ClearNewFlags();
    return 0;
}

int ZShop::OnProfileSaved()
{
    ClearNewFlags();
    return 0;
}

void ZShop::OnRemoved()
{
    // The map's badge "button_shop_<i>/new_stock_<i>" of this shop.
    if (ZGameState* map = GetGameShell()->GetCampaignScreen("map", 0))
    {
        char path[48];
        std::snprintf(path, sizeof path, "button_shop_%i/new_stock_%i", m_id + 1, m_id + 1);
        if (ZNode* badge = map->GetRoot() ? map->GetRoot()->FindNodeAnywhere(path) : nullptr)
            badge->SetHidden(true);
    }
    ClearNewFlags();
}

void ZShop::OnLeave()
{
    if (ZInput* input = g_engine ? g_engine->GetInput() : nullptr)
        input->RemoveKeyboardListener(this);
    // A visit that goes on in the inventory screen is not over yet.
    if (ZGame* game = ZGame::PeekInstance())
    {
        const auto& stack = game->GetStack();
        if (std::find(stack.begin(), stack.end(), this) != stack.end() && game->GetTopState() != this)
            return;
    }
    if (ZProfileManager* profiles = ZProfileManager::PeekInstance();
        profiles && profiles->GetProfileCount() > 0)
        profiles->SaveProfile();
    WriteStatistics();
    ClosePrompt();
}

void ZShop::WriteStatistics()
{
    ZStatsLog* stats = ZStatsLog::PeekInstance();
    if (g_engineStats.GetValue() && stats && stats->BeginRecord("shopping"))
    {
        const double seconds = std::max(Now() - m_enterTime, 1e-6);
        const int treasure = g_profileTreasure.GetValue();
        stats->SetText("which-shop", std::to_string(m_id).c_str());
        stats->SetInt("treasure", treasure);
        const ZLevelControl* control = ZLevelControl::PeekInstance();
        stats->SetInt("high-level", control ? control->GetFurthestLevelIndex() - 1 : -1);
        stats->SetFloat("time-spent", float(seconds));
        stats->SetFloat("fps", float(double(FrameNow() - m_enterFrame) / seconds));
        stats->SetInt("treasure-spent", m_enterTreasure - treasure);
        ZAbilityManager* abilities = ZAbilityManager::PeekInstance();
        for (int id = 0; id < kItemCount; ++id)
        {
            const char* name = abilities ? abilities->GetItemName(id) : nullptr;
            if (m_bought[size_t(id)] > 0 && name)
                stats->SetInt(name, m_bought[size_t(id)]);
        }
        for (const std::string& upgrade : m_upgradesBought)
            stats->SetInt(upgrade.c_str(), 1);
        stats->Flush();
        stats->WriteSessionUpdate();
    }
    m_bought.fill(0);
}
