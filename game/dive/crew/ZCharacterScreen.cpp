// The crew screen: its layout, the selection of a member, the detail panel, tips and statistics.
#include "game/dive/crew/ZCharacterScreen.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "engine/app/ZEngine.h"
#include "engine/app/ZGame.h"
#include "engine/app/ZStatsLog.h"
#include "engine/audio/ZSound.h"
#include "engine/controllers/ZFlicker.h"
#include "engine/controllers/ZProgressBar.h"
#include "engine/core/ZFrameTimer.h"
#include "engine/core/ZPropertyManager.h"
#include "engine/core/ZTextFormat.h"
#include "engine/import/ZSceneXMLImport2.h"
#include "engine/render/resources/IRender.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/resource/ZStringTable.h"
#include "engine/scene/ZFontText.h"
#include "engine/scene/ZSceneTree.h"
#include "engine/scene/ZSprite.h"
#include "engine/ui/ZSprite2D.h"
#include "engine/ui/ZToolTipManager.h"
#include "game/common/IGameShell.h"
#include "game/common/ZPictures.h"
#include "game/decoration/ZBackground.h"
#include "game/dive/ZDiveSettings.h"
#include "game/dive/abilities/ZAbilityManager.h"
#include "game/dive/crew/ZCharacter.h"

namespace
{
constexpr float kSelectedLift[3] = {4.0f, 14.0f, -50.0f};

double Now()
{
    return g_frameTimer ? g_frameTimer->now : 0.0;
}

uint32_t FramesDrawn()
{
    IRender* render = g_engine ? g_engine->GetRender() : nullptr;
    return render ? render->GetFrameCount() : 0;
}

void OpenTip(const char* name, ZNode* node, float seconds)
{
    if (ZToolTipManager* tips = ZToolTipManager::PeekInstance())
    {
        ZNode* nodes[1] = {node};
        tips->OpenTimedToolTip(name, node ? nodes : nullptr, node ? 1 : 0, seconds);
    }
}

ZProgressBar* MakeBar(ZNode* node)
{
    auto* sprite = ZEntityCast<ZSprite>(node);
    if (!sprite)
        return nullptr;
    ZProgressBar* bar = ZProgressBar::Create(sprite);
    bar->animSpeed = 2.0f;
    bar->SetValue(0.0f);
    return bar;
}

// Shows a bar's new value from 0.
void ShowBar(ZProgressBar* bar, float value)
{
    if (!bar)
        return;
    bar->SetValue(0.0f);
    bar->AnimateTo(std::clamp(value, 0.0f, 1.0f));
}
} // namespace

ZCharacterScreen::ZCharacterScreen()
{
    SetFlags(kStateResourcesWhileStacked);
    if (ZProfileManager* profiles = ZProfileManager::PeekInstance())
        profiles->AddListener(this);
    // The board reaches the crew (and, through the same object, the abilities) from now on.
    SetDiveServices(&m_services);
}

ZCharacterScreen::~ZCharacterScreen()
{
    // The layout's buttons may outlive the screen.
    if (GetRoot() && !ZSceneTree::IsShutdownBegun())
        ZButton2D::RemoveListenerBelow(GetRoot(), this);
    if (GetDiveServices() == &m_services)
        SetDiveServices(nullptr);
    Unfollow();
    if (ZProfileManager* profiles = ZProfileManager::PeekInstance())
        profiles->RemoveListener(this);
    if (m_listeningPointer)
    {
        if (ZMousePointer* pointer = ZMousePointer::PeekInstance())
            pointer->RemoveListener(this);
    }
    if (ZToolTipManager* tips = ZToolTipManager::PeekInstance())
    {
        for (const std::string& key : m_iconTips)
        {
            if (!key.empty())
                tips->UnregisterTip(ZNameId(key));
        }
    }
    for (ZCharacter* member : m_characters)
    {
        if (member)
            member->SetPanel(nullptr);
    }
}

void ZCharacterScreen::Follow(ZProperty* property)
{
    if (!property || std::find(m_followed.begin(), m_followed.end(), property) != m_followed.end())
        return;
    property->AddListener(this);
    m_followed.push_back(property);
}

void ZCharacterScreen::Unfollow()
{
    for (ZProperty* property : m_followed)
        property->RemoveListener(this);
    m_followed.clear();
}

ZCharacter* ZCharacterScreen::GetCharacter(int index) const
{
    return InCrew(index) ? m_characters[size_t(index)] : nullptr;
}

int ZCharacterScreen::GetSelectedIndex() const
{
    return std::clamp(g_profileCharacter.GetValue(), 0, kCrewCount - 1);
}

ZCharacter* ZCharacterScreen::GetSelected() const
{
    return GetCharacter(GetSelectedIndex());
}

bool ZCharacterScreen::IsAvailable(int index) const
{
    ZPropertyBool* setting = GetCrewSetting(index);
    return setting && setting->GetValue();
}

std::string ZCharacterScreen::GetText(const char* path) const
{
    auto* text = ZEntityCast<ZFontText>(GetRoot()->FindNode(path));
    return text ? text->GetText() : std::string();
}

void ZCharacterScreen::SetText(const char* path, const char* text)
{
    if (auto* node = ZEntityCast<ZFontText>(GetRoot()->FindNode(path)))
        node->SetText(text ? text : "");
}

int ZCharacterScreen::Build()
{
    for (const char* file : {"resources:characterscreen.xml", "resources:characterscreen_resources.xml"})
    {
        const int result = ImportSceneFile(ZResourcePath(file), GetRoot());
        if (result != 0)
            return result;
    }
    ZNode* root = GetRoot();
    char path[64];
    for (int i = 0; i < kCrewCount; ++i)
    {
        std::snprintf(path, sizeof path, "character_%i/character_%i", i, i);
        m_portrait[size_t(i)] = ZEntityCast<ZSprite>(root->FindNode(path));
        std::snprintf(path, sizeof path, "character_%i/character_halo_%i", i, i);
        m_halo[size_t(i)] = root->FindNode(path);
        auto* portrait = m_portrait[size_t(i)];
        auto* halo = ZEntityCast<ZGeom>(m_halo[size_t(i)]);
        if (portrait && halo)
        {
            // The halo sits under the portrait wherever the layout put either.
            V3 at{};
            portrait->LocalToWorld(at);
            PlaceAtWorldPoint(halo, at);
        }
        if (portrait)
            portrait->SetHidden(true);
        if (halo)
            halo->SetHidden(true);
    }
    m_selectPulse = ZPulseController::Create(nullptr);
    if (m_selectPulse)
    {
        m_selectPulse->kick = 3.0f;
        m_selectPulse->stiffness = 250.0f;
        GetRoot()->AddChild(m_selectPulse);
    }
    m_continue = ZEntityCast<ZButton2D>(root->FindNode("button_continue"));
    if (m_continue)
        m_continue->AddListener(this);
    m_xpBar = MakeBar(root->FindNode("progress"));
    m_airBar = MakeBar(root->FindNode("stats/air_progress"));
    m_treasureBar = MakeBar(root->FindNode("stats/treasure_progress"));
    for (int i = 0; i < kAbilitySlots; ++i)
    {
        std::snprintf(path, sizeof path, "ability_icon_%i", i);
        m_abilityIcon[size_t(i)] = ZEntityCast<ZSprite>(root->FindNode(path));
        if (m_abilityIcon[size_t(i)])
            m_abilityIcon[size_t(i)]->SetHidden(true);
    }
    auto pulsate = [](ZNode* mark, const char* glowName, float alphaBase) {
        if (!mark)
            return;
        if (auto* glow = ZEntityCast<ZSprite>(mark->FindNode(glowName)))
        {
            ZPulsateController* pulse = ZPulsateController::Create(glow);
            pulse->scaleAmplitude = 0.0f;
            pulse->scaleBase = 1.0f;
            pulse->alphaBase = alphaBase;
            pulse->alphaAmplitude = 0.2f;
            pulse->alphaSpeed = 3.0f * 3.1415927f / 2.0f;
        }
        mark->SetHidden(true);
    };
    for (int i = 0; i < kCrewCount; ++i)
    {
        std::snprintf(path, sizeof path, "character_%i/level_up", i);
        m_levelUp[size_t(i)] = root->FindNode(path);
        pulsate(m_levelUp[size_t(i)], "level_up_glow", 0.5f);
    }
    for (int i = 0; i < kAbilitySlots; ++i)
    {
        std::snprintf(path, sizeof path, "new_%i", i);
        m_newMark[size_t(i)] = root->FindNode(path);
        pulsate(m_newMark[size_t(i)], "new_glow", 0.8f);
    }
    m_selectSound = ZSound::Find("character_select");
    m_loaded = true;
    m_showing = true;
    for (int index : {0, 1, 3, 4, 2})
        ShowCharacter(index, IsAvailable(index), false);
    m_showing = false;
    SetCrewSize(g_profileCrewSize.GetValue());
    SelectCharacter(g_profileCharacter.GetValue(), false);
    Follow(&g_profileCharacter);
    Follow(&g_profileCrewSize);
    if (ZToolTipManager* tips = ZToolTipManager::PeekInstance())
    {
        if (m_abilityIcon[0])
            tips->RegisterToolTipForNode("firstlevelup", m_abilityIcon[0], false);
        if (m_abilityIcon[3])
            tips->RegisterToolTipForNode("overcharge", m_abilityIcon[3], false);
    }
    return 0;
}

void ZCharacterScreen::ShowCharacter(int index, bool available, bool select)
{
    if (!InCrew(index))
        return;
    if (m_loaded)
    {
        if (ZSprite* portrait = m_portrait[size_t(index)])
            portrait->SetHidden(!available);
        if (ZNode* halo = m_halo[size_t(index)])
            halo->SetHidden(true);
        if (ZNode* mark = m_levelUp[size_t(index)])
            mark->SetHidden(true);
    }
    // Writing the setting tells this screen again; the guard keeps that from coming back here.
    if (ZPropertyBool* setting = GetCrewSetting(index); setting && setting->GetValue() != available)
    {
        const bool outer = m_showing;
        m_showing = true;
        setting->SetValue(available);
        m_showing = outer;
    }
    if (!available && GetSelectedIndex() == index && index != 0)
        SelectCharacter(0, false);
    else if (select && available)
        SelectCharacter(index, false);
    if (m_loaded)
        UpdateLevelUpMarks();
}

void ZCharacterScreen::SetCrewSize(int n)
{
    for (int i = 0; i < kCrewCount; ++i)
    {
        ZSprite* portrait = m_portrait[size_t(i)];
        if (!portrait)
            continue;
        if (i < n)
            portrait->SetFlags(kNodePickable | kNodeHandPointer);
        else
            portrait->ClearFlags(kNodePickable | kNodeHandPointer);
        if (i >= n && m_halo[size_t(i)])
            m_halo[size_t(i)]->SetHidden(true);
    }
}

void ZCharacterScreen::SelectCharacter(int index, bool effect)
{
    index = std::clamp(index, 0, kCrewCount - 1);
    if (g_profileCharacter.GetValue() != index)
        g_profileCharacter.SetValue(index);
    m_viewed[size_t(index)] = true;
    for (int i = 0; i < kCrewCount; ++i)
    {
        if (ZCharacter* member = m_characters[size_t(i)])
        {
            if (ZNode* panel = member->GetPanel())
                panel->SetHidden(true);
            member->SetSelected(false);
        }
        if (!m_loaded)
            continue;
        if (ZSprite* portrait = m_portrait[size_t(i)])
        {
            // The others step back a little and dim, so the chosen one reads at a glance.
            portrait->SetAlpha(i == index ? 1.0f : 0.72f);
            if (auto* holder = ZEntityCast<ZGeom>(portrait->GetParent()))
            {
                if (i == index)
                    holder->SetPositionXYZ(kSelectedLift[0], kSelectedLift[1], kSelectedLift[2]);
                else
                    holder->SetPositionXYZ(0.0f, 0.0f, 0.0f);
            }
        }
    }
    ZCharacter* member = m_characters[size_t(index)];
    if (member)
    {
        if (ZNode* panel = member->GetPanel())
            panel->SetHidden(false);
        member->SetSelected(true);
    }
    if (!m_loaded)
        return;
    for (int i = 0; i < kCrewCount; ++i)
    {
        if (ZNode* halo = m_halo[size_t(i)])
            halo->SetHidden(i != index || !IsAvailable(i));
    }
    FillDetails(member);
    UpdateLevelUpMarks();
    if (effect && m_selectPulse && m_portrait[size_t(index)])
    {
        m_selectPulse->SetTarget(m_portrait[size_t(index)]);
        m_selectPulse->SetActive(true);
    }
}

void ZCharacterScreen::FillDetails(ZCharacter* c)
{
    if (!c)
        return;
    SetText("text/name", c->GetNameText());
    SetText("text/description", c->GetDescriptionText());
    ZStringTable* strings = ZStringTable::GetInstance();
    const char* levelFormat = strings->GetText("crew.levelstring");
    SetText("text/level", FormatChecked(levelFormat, {c->GetLevel() + 1}).c_str());
    if (c->GetLevel() + 1 < 6)
        SetText("text/level_headline", FormatChecked(levelFormat, {c->GetLevel() + 2}).c_str());
    else
        SetText("text/level_headline", strings->GetText("crew.maxlevel"));
    ShowBar(m_airBar, m_maxAir > 0.0f ? c->GetAir() / m_maxAir : 0.0f);
    ShowBar(m_treasureBar, m_maxTreasure > 0.0f ? c->GetTreasure() / m_maxTreasure : 0.0f);
    ZAbilityManager* abilities = ZAbilityManager::PeekInstance();
    ZToolTipManager* tips = ZToolTipManager::PeekInstance();
    for (int i = 0; i < kAbilitySlots; ++i)
    {
        ZSprite* icon = m_abilityIcon[size_t(i)];
        const int id = c->GetAbility(i);
        const bool open = i < c->GetOpenCharges();
        if (icon)
        {
            ZTexture* texture = abilities ? abilities->GetPowerIcon(id) : nullptr;
            // The shops' and the inventory's layouts name the power icons without loading them.
            LoadPicture(texture);
            if (auto* sprite = ZEntityCast<ZSprite2D>(icon); sprite && texture)
                sprite->SetTexture(texture, true);
            icon->SetHidden(!texture);
            // A power still to come shows greyed: the level that opens it is ahead.
            icon->SetAlpha(open ? 1.0f : 0.3f);
            const char* key = abilities ? abilities->GetItemName(id) : nullptr;
            if (tips && key)
            {
                std::string& tipKey = m_iconTips[size_t(i)];
                if (tipKey.empty())
                    tipKey = "crewpower_" + std::to_string(i);
                ZNode* nodes[1] = {icon};
                tips->RegisterToolTip(tipKey.c_str(), nodes, 1, strings->GetTextFormat("ability_%s", key),
                                      strings->GetTextFormat("%s.description", key), icon, nullptr, false);
            }
        }
        if (ZNode* mark = m_newMark[size_t(i)])
            mark->SetHidden(!(open && c->GetLastViewLevel() < i + 1));
    }
    SetText("text/xp_low", std::to_string(c->GetXPLow()).c_str());
    SetText("text/xp_high", std::to_string(c->GetXPHigh()).c_str());
    const int span = c->GetXPHigh() - c->GetXPLow();
    ShowBar(m_xpBar, span > 0 ? float(c->GetXP() - c->GetXPLow()) / float(span) : 1.0f);
    SetText("text/current_xp", FormatChecked(strings->GetText("general.fxp"), {c->GetXP()}).c_str());
}

void ZCharacterScreen::UpdateLevelUpMarks()
{
    for (int i = 0; i < kCrewCount; ++i)
    {
        ZNode* mark = m_levelUp[size_t(i)];
        if (!mark)
            continue;
        ZSprite* portrait = m_portrait[size_t(i)];
        ZCharacter* member = m_characters[size_t(i)];
        const bool shown = portrait && !portrait->IsHidden() && member &&
                           member->GetLastViewLevel() < member->GetLevel();
        mark->SetHidden(!shown);
    }
}

void ZCharacterScreen::AddCrewExperience(int amount, const V3& position)
{
    ZCharacter* member = GetSelected();
    if (!member)
        return;
    const int64_t sum = int64_t(member->GetXP()) + int64_t(amount);
    member->SetXP(int32_t(std::clamp<int64_t>(sum, 0, ZCharacter::kMaxXp)));
    std::string text = FormatChecked(ZStringTable::GetInstance()->GetText("general.plusfxp"), {amount});
    if (text.size() > 63)
        text.resize(63);
    GetGameShell()->ShowPopup(text.c_str(), 0.6, V3{position.x, position.y, 0.0f});
}

void ZCharacterScreen::OnEnter()
{
    m_clicks = 0;
    m_enterTime = Now();
    m_enterFrame = FramesDrawn();
    m_enterCharacter = GetSelectedIndex();
    m_tipShown = false;
    if (!m_listeningPointer)
    {
        if (ZMousePointer* pointer = ZMousePointer::PeekInstance())
        {
            pointer->AddListener(this);
            m_listeningPointer = true;
        }
    }
    if (ZBackground* background = ZBackground::PeekInstance())
        background->Show(false);
    SelectCharacter(GetSelectedIndex(), false);
}

void ZCharacterScreen::Update(double dt)
{
    (void)dt;
    const double t = Now() - m_enterTime;
    if (!m_pendingTip.empty())
    {
        if (!m_tipShown && t > 0.6)
        {
            m_tipShown = true;
            OpenTip(m_pendingTip.c_str(), nullptr, 3.0f);
        }
    }
    else if (!g_tipCharScreen.GetValue() && t > 0.6 && IsAvailable(1))
    {
        OpenTip("characterscreen", nullptr, 3.0f);
        MarkTipShown(g_tipCharScreen);
    }
    ZCharacter* selected = GetSelected();
    if (!g_tipOvercharge.GetValue() && t > 1.0 && selected && selected->GetOpenCharges() > 3)
    {
        OpenTip("overcharge", m_abilityIcon[3], 3.0f);
        MarkTipShown(g_tipOvercharge);
    }
}

void ZCharacterScreen::OnLeave()
{
    m_pendingTip.clear();
    if (m_listeningPointer)
    {
        if (ZMousePointer* pointer = ZMousePointer::PeekInstance())
            pointer->RemoveListener(this);
        m_listeningPointer = false;
    }
    if (ZStatsLog* stats = ZStatsLog::PeekInstance(); stats && stats->BeginRecord("characterscreen"))
    {
        const double seconds = std::max(Now() - m_enterTime, 0.0);
        stats->SetFloat("time-spent", float(seconds));
        stats->SetFloat("fps", seconds > 0.0 ? float(double(FramesDrawn() - m_enterFrame) / seconds) : 0.0f);
        const int now = GetSelectedIndex();
        stats->SetText("changed", now != m_enterCharacter ? "Y" : "N");
        stats->SetInt("enter-char", m_enterCharacter);
        stats->SetInt("leave-char", now);
        stats->SetInt("clicks", m_clicks);
        stats->Flush();
    }
    for (int i = 0; i < kCrewCount; ++i)
    {
        if (m_viewed[size_t(i)] && m_characters[size_t(i)])
            m_characters[size_t(i)]->SetLastViewLevel(m_characters[size_t(i)]->GetLevel());
        m_viewed[size_t(i)] = false;
    }
}

void ZCharacterScreen::OnLeftDown(const SPointerState& state, ZNode* target, bool* handled)
{
    ZGame* game = ZGame::PeekInstance();
    if (!m_loaded || !target || !game || game->GetTopState() != this || IsInTransition())
        return;
    for (int i = 0; i < kCrewCount; ++i)
    {
        ZSprite* portrait = m_portrait[size_t(i)];
        if (!portrait || target != portrait || portrait->IsHidden() || !portrait->TestFlags(kNodePickable))
            continue;
        ++m_clicks;
        V3 local{state.x, state.y, 0.0f};
        portrait->WorldToLocal(local);
        if (portrait->HitTest(V2{local.x, local.y}) < 1.0f)
            return;
        if (m_selectSound)
            m_selectSound->Play();
        SelectCharacter(i, true);
        if (handled)
            *handled = true;
        return;
    }
}

void ZCharacterScreen::OnClicked(ZButton2D* button)
{
    if (button != m_continue)
        return;
    ZGame* game = ZGame::PeekInstance();
    if (game && game->GetTopState() == this)
        game->PopState();
}

void ZCharacterScreen::OnPropertyChanged(ZProperty* property)
{
    if (property == &g_profileCrewSize)
    {
        SetCrewSize(g_profileCrewSize.GetValue());
        return;
    }
    if (property == &g_profileCharacter)
    {
        // The screen's own writes come back here: only a change from elsewhere is followed.
        if (m_loaded && !m_showing)
        {
            const int index = GetSelectedIndex();
            m_showing = true;
            SelectCharacter(index, false);
            m_showing = false;
        }
        return;
    }
    if (property == &g_cheatsUnlockAll)
    {
        if (!g_cheatsUnlockAll.GetValue())
            return;
        for (int index : {0, 1, 2, 4, 3})
        {
            ShowCharacter(index, true, false);
            if (ZCharacter* member = m_characters[size_t(index)])
            {
                member->SetOpenCharges(ZCharacter::kSlotCount);
                for (int slot = 0; slot < ZCharacter::kSlotCount; ++slot)
                    member->SetCharge(slot, 1.0f);
            }
        }
        if (m_loaded)
            FillDetails(GetSelected());
        return;
    }
    for (int index = 0; index < kCrewCount; ++index)
    {
        ZPropertyBool* setting = GetCrewSetting(index);
        if (property != setting)
            continue;
        if (!m_showing)
            ShowCharacter(index, setting->GetValue(), false);
        return;
    }
}
