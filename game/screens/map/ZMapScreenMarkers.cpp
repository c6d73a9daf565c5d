// The sea map's level markers: their looks and scale, the bonus grid for levels beyond the chart,
// which markers show, the selection with its halo, and the pointer: press to select, release to
// open the level card, rest to see the small card.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "engine/app/ZGame.h"
#include "engine/audio/ZSound.h"
#include "engine/core/ZFrameTimer.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/scene/ZGeom.h"
#include "engine/ui/ZSprite2D.h"
#include "engine/ui/ZToolTipManager.h"
#include "game/common/IGameShell.h"
#include "game/common/ZShellSettings.h"
#include "game/dive/ZDiveSettings.h"
#include "game/dive/campaign/ZLevelControl.h"
#include "game/screens/map/ZMapScreen.h"

namespace
{
constexpr float kMarkerOpacity = 0.6f;
constexpr int kRefusalsBeforeTip = 5;

void SetShown(ZNode* node, bool shown)
{
    if (!node)
        return;
    node->SetActive(shown);
    node->SetHidden(!shown);
}

int CampaignLevelCount()
{
    ZLevelControl* campaign = ZLevelControl::PeekInstance();
    return campaign ? int(campaign->GetLevels().size()) : 0;
}

ZLevel* CampaignLevel(int index)
{
    ZLevelControl* campaign = ZLevelControl::PeekInstance();
    if (!campaign || index < 0 || index >= int(campaign->GetLevels().size()))
        return nullptr;
    return campaign->GetLevels()[size_t(index)];
}

void PlaySound(const char* name)
{
    if (ZSound* sound = ZSound::Find(name))
        sound->Play();
}

// The sprite's opacity under the pointer (world position), 0 for anything that is not a sprite.
float OpacityAt(ZNode* node, float x, float y)
{
    auto* sprite = ZEntityCast<ZSprite2D>(node);
    if (!sprite)
        return 0.0f;
    V3 local{x, y, 0.0f};
    sprite->WorldToLocal(local);
    return sprite->HitTest(V2{local.x, local.y});
}
} // namespace

float ZMapScreen::MarkerScale(float worldY, float screenHeight)
{
    if (screenHeight <= 0.0f)
        return 1.0f;
    const float t = std::clamp((worldY + screenHeight * 0.5f) / screenHeight, 0.0f, 1.0f);
    return 1.2f - 0.4f * t;
}

ZMapScreen::SGrid ZMapScreen::BonusGrid(int extra, float w, float h)
{
    SGrid grid;
    if (extra <= 0)
        return grid;
    grid.columns = int(std::ceil(std::sqrt(double(extra))));
    grid.rows = (extra + grid.columns - 1) / grid.columns;
    // A single column or row has no spacing on that axis: it stands in the middle of the area.
    if (grid.columns > 1)
        grid.dx = w / float(grid.columns - 1);
    else
        grid.x0 = w * 0.5f;
    if (grid.rows > 1)
        grid.dy = h / float(grid.rows - 1);
    else
        grid.y0 = h * 0.5f;
    return grid;
}

void ZMapScreen::LayoutBonusLevels()
{
    m_chartMarkers = int(m_markers.size());
    auto* area = ZEntityCast<ZSprite2D>(GetRoot()->FindNode("button_area"));
    if (area)
        area->SetActive(false);
    const int extra = CampaignLevelCount() - m_chartMarkers;
    if (extra <= 0 || !area || !m_bonusPanel)
        return;
    const V2 size = area->GetScaledSize();
    const V3 p = area->GetWorldPosition();
    const SGrid grid = BonusGrid(extra, size.x, size.y);
    SetShown(m_bonusPanel, false);
    int made = 0;
    for (int r = 0; r < grid.rows && made < extra; ++r)
        for (int c = 0; c < grid.columns && made < extra; ++c, ++made)
        {
            ZSprite2D* marker = ZSprite2D::Create();
            marker->SetNameF("level_%i", m_chartMarkers + made);
            marker->SetFlags(kNodePickable);
            if (m_looks[0])
                marker->SetMaterial(m_looks[0]);
            if (auto* model = m_markers.empty() ? nullptr : m_markers.front())
                marker->SetSize(model->GetSize());
            else
                marker->SetSize(24.0f, 24.0f);
            m_bonusPanel->AddChild(marker);
            marker->SetWorldPosition(V3{p.x - size.x / 2 + grid.x0 + float(c) * grid.dx,
                                        p.y + size.y / 2 - grid.y0 - float(r) * grid.dy, p.z - 3.0f});
            m_markers.push_back(marker);
        }
}

void ZMapScreen::SetLook(int marker, int medal)
{
    if (marker < 0 || marker >= int(m_markers.size()))
        return;
    const int look = std::clamp(medal + 1, 0, kMedalLooks - 1);
    if (m_looks[look])
        m_markers[size_t(marker)]->SetMaterial(m_looks[look]);
}

ZMaterial* ZMapScreen::GetLookMaterial(int look) const
{
    return look >= 0 && look < kMedalLooks ? m_looks[look] : nullptr;
}

void ZMapScreen::ResetMarkers()
{
    const int levels = CampaignLevelCount();
    for (size_t i = 0; i < m_markers.size(); ++i)
    {
        ZSprite2D* marker = m_markers[i];
        SetLook(int(i), kMedalNone);
        marker->SetFlags(kNodePickable);
        if (int(i) >= levels)
            SetShown(marker, false);
        if (int(i) < m_chartMarkers)
        {
            const float s = MarkerScale(marker->GetWorldPosition().y, kLogicalHeight);
            marker->SetSpriteScale(V2{s, s});
        }
    }
}

void ZMapScreen::ShowMarkers(int count)
{
    const int limit = std::min(int(m_markers.size()), CampaignLevelCount());
    const int shown = g_cheatsUnlockAll.GetValue() ? limit : std::clamp(count, 0, limit);
    for (int i = 0; i < int(m_markers.size()); ++i)
        SetShown(m_markers[size_t(i)], i < shown);
    m_shownMarkers = shown;
}

bool ZMapScreen::SelectLevel(int index)
{
    bool valid = true;
    ZLevelControl* campaign = ZLevelControl::PeekInstance();
    if (index < 0)
        index = 0;
    if (!g_cheatsUnlockAll.GetValue() && !g_profileRandomizeLevels.GetValue() &&
        !g_zelkPressUnlock.GetValue())
    {
        const int furthest = campaign ? campaign->GetFurthestLevelIndex() : 0;
        if (index > furthest)
        {
            index = furthest;
            valid = false;
        }
    }
    if (index >= g_profileShowLevels.GetValue())
        ShowMarkers(index);
    if (m_halo)
    {
        SetShown(m_halo, true);
        if (index < int(m_markers.size()))
            m_halo->SetWorldPosition(m_markers[size_t(index)]->GetWorldPosition());
        ZLevel* level = CampaignLevel(index);
        const float dx = (level && level->medal == kMedalNone) ? 0.0f : -2.0f;
        m_halo->MoveBy(dx, 0.0f, -6.0f);
    }
    m_selected = index;
    if (m_boatMove)
    {
        m_boatMove->easeIn = true;
        m_boatMove->easeOut = false;
    }
    if (campaign)
        campaign->SelectLevel(index);
    const bool panelOpen = m_bonusPanel && m_bonusPanel->IsActive() && !m_bonusPanel->IsHidden();
    if (index < m_shownMarkers && (panelOpen || index < m_chartMarkers))
        return valid;
    SetShown(m_halo, false);
    return false;
}

void ZMapScreen::OpenPreview(int index)
{
    if (!m_preview)
        return;
    m_preview->ShowLevel(CampaignLevel(index));
    ZGame::GotoState(m_preview);
}

int ZMapScreen::FindMarker(ZNode* node) const
{
    const auto it = std::find(m_markers.begin(), m_markers.end(), node);
    return it == m_markers.end() ? -1 : int(it - m_markers.begin());
}

void ZMapScreen::OnLeftDown(const SPointerState& state, ZNode* target, bool* handled)
{
    if (!IsTop() || !target)
        return;
    const char* name = target->GetName();
    if (!ZEntityCast<ZSprite2D>(target) || !name || name[0] != 'l' || IsStoryItem(target))
        return;
    if (OpacityAt(target, state.x, state.y) < kMarkerOpacity)
        return;
    const int index = FindMarker(target);
    if (index < 0)
        return;
    m_pressedNode = target;
    if (handled)
        *handled = true;
    m_mini.SetShown(false);
    if (SelectLevel(index))
    {
        m_pressedIndex = index;
        PlaySound("button_click");
        return;
    }
    if (++m_refusedClicks == kRefusalsBeforeTip)
        if (ZToolTipManager* tips = ZToolTipManager::PeekInstance())
            tips->OpenTimedToolTip("onlynextlevel", &target, 1, 3.0f);
    PlaySound("falsemove");
}

void ZMapScreen::OnLeftUp(const SPointerState& state, ZNode* target, bool* handled)
{
    (void)state, (void)target;
    if (!IsTop())
        return;
    if (m_pressedIndex >= 0)
    {
        m_pressedNode = nullptr;
        if (handled)
            *handled = true;
        const int index = m_pressedIndex;
        m_pressedIndex = -1;
        OpenPreview(index);
        return;
    }
    if (m_hoveredStory)
    {
        ZNode* item = m_hoveredStory;
        if (handled)
            *handled = true;
        const char* name = item->GetName();
        if (m_screens.story && name)
        {
            GetGameShell()->PrepareCampaignScreen("story", 0, name, "", "", "");
            ZGame::GotoState(m_screens.story);
        }
    }
}

void ZMapScreen::OnMouseMove(const SPointerState& state, ZNode* target, bool* handled)
{
    (void)handled;
    if (!IsInPlay())
        return;
    // The boat fades as the pointer comes near, so it never hides a marker.
    if (m_boat && m_carrier)
    {
        const V3 b = m_carrier->GetWorldPosition();
        const float d = std::hypot(b.x - state.x, b.y - state.y);
        const float v = std::clamp((d - 20.0f) / 40.0f, 0.0f, 1.0f);
        m_boat->SetAlpha(0.25f + 0.75f * v);
    }
    if (!IsTop())
        return;
    if ((target != m_hoveredMarker || !m_mini.IsShown()) && ZEntityCast<ZSprite2D>(target) &&
        OpacityAt(target, state.x, state.y) >= kMarkerOpacity)
    {
        const int index = FindMarker(target);
        const bool panelOpen = m_bonusPanel && m_bonusPanel->IsActive() && !m_bonusPanel->IsHidden();
        if (index >= 0 && !(panelOpen && index < m_chartMarkers))
        {
            if (ZLevel* level = CampaignLevel(index))
            {
                m_miniHideClock = -1.0;
                m_hoveredMarker = target;
                m_mini.Show(level);
                m_mini.SetShown(true);
                m_mini.Place(state.x, state.y, panelOpen);
            }
            return;
        }
    }
    if (FindMarker(target) < 0)
        m_hoveredStory = IsStoryItem(target) ? target : nullptr;
}

void ZMapScreen::OnMouseOut(const SPointerState& state, ZNode* node, bool* handled)
{
    (void)state, (void)handled;
    if (node && node == m_hoveredMarker)
        m_miniHideClock = g_frameTimer ? g_frameTimer->now : 0.0;
}
