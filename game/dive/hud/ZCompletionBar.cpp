// The completion bar: slots that fill with delivered artifacts, the medal sliders beside them, the
// medal level and the end-of-dive vanish of the missed medals.
#include "game/dive/hud/ZCompletionBar.h"

#include <algorithm>
#include <cmath>

#include "engine/audio/ZSound.h"
#include "engine/controllers/ZInterpolateBase.h"
#include "engine/core/ZEasing.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/resource/ZStringTable.h"
#include "engine/scene/ZGeom.h"
#include "engine/scene/ZParticleEmitterSystem.h"
#include "engine/scene/ZSceneTree.h"
#include "engine/ui/ZGameSprite.h"
#include "engine/ui/ZToolTipManager.h"
#include "game/common/IGameShell.h"
#include "game/common/ZMedals.h"
#include "game/dive/ZDiveSettings.h"
#include "game/dive/ZInGame.h"
#include "game/dive/board/ZBoard.h"
#include "game/dive/model/ZBoardRules.h"

namespace
{
const char* const kSliderParts[4] = {"completion", "behind", "shadow", "reflection"};
// Per slider part: the offset d and the factor k of y = y_slot * (1 + k) + d.
const float kSliderOffset[4] = {0.0f, -2.0f, -14.0f, 0.0f};
const float kSliderFactor[4] = {0.0f, -0.013f, 0.0f, 0.0f};
// A drop always takes some time, so its end (and the end of the slide sound) always comes.
constexpr double kMinimumDrop = 0.05;

void SetNodeAlpha(ZNode* node, float alpha)
{
    if (auto* sprite = ZEntityCast<ZSprite>(node))
        sprite->SetAlpha(alpha);
}

float NodeAlpha(ZNode* node)
{
    auto* sprite = ZEntityCast<ZSprite>(node);
    return sprite ? sprite->GetAlpha() : 0.0f;
}

void PlaySound(ZSound* sound)
{
    if (sound)
        sound->Play();
}
} // namespace

ZCompletionBar* ZCompletionBar::Create(ZNode* displayRoot)
{
    ZCompletionBar* bar = GetInstance();
    bar->Init(displayRoot);
    return bar;
}

ZCompletionBar::ZCompletionBar()
{
    m_vanishSound = ZSound::Find("medal_vanish");
    m_slideSound = ZSound::Find("glass_slide");
    m_slideEndSound = ZSound::Find("glass_slide_end");
    if (m_slideSound)
        m_slideSound->SetLooping(true);
}

ZCompletionBar::~ZCompletionBar()
{
    for (Slot& slot : m_slots)
    {
        if (slot.drop)
        {
            slot.drop->ZEventProducer<ZTransientListener>::RemoveListener(this);
            slot.drop->Release();
        }
    }
    if (m_sparkles)
        m_sparkles->Release();
}

namespace
{
// Slots and sliders fade one by one: each needs a material of its own, since sprites made from
// the same picture share one.
void OwnMaterial(ZNode* node)
{
    if (auto* sprite = ZEntityCast<ZSprite>(node))
        sprite->MakeOwnMaterial();
}
} // namespace

void ZCompletionBar::Init(ZNode* displayRoot)
{
    m_slots.clear();
    if (!displayRoot)
        return;
    char path[64];
    for (int i = 0; i < kMaxSlots; ++i)
    {
        std::snprintf(path, sizeof path, "indicators/indicator_%i", i);
        ZNode* node = displayRoot->FindNode(path);
        if (!node)
            break;
        Slot slot;
        slot.node = node;
        OwnMaterial(node);
        if (auto* geom = ZEntityCast<ZGeom>(node))
            geom->GetPosition(slot.rest);
        slot.drop = ZInterpolateWorldPos::Create(node);
        slot.drop->SetDuration(1.0);
        slot.drop->SetEasing(EaseInQuad);
        slot.drop->ZEventProducer<ZTransientListener>::AddListener(this);
        m_slots.push_back(slot);
    }
    for (int m = 0; m < 4; ++m)
    {
        for (int p = 0; p < 4; ++p)
        {
            std::snprintf(path, sizeof path, "sliders/%s_%s", kSliderParts[p], kMedalNames[m]);
            m_sliders[m][p] = displayRoot->FindNode(path);
            OwnMaterial(m_sliders[m][p]);
        }
    }
    m_sparkles = ZParticleEmitterSystem::Create();
    m_sparkles->AddTemplate(ZMaterial::Find("sparkly_material"));
    m_sparkles->SetParticleCount(20);
    m_sparkles->duration = 0.0f;
    m_sparkles->speedMinimum = 0.1f;
    m_sparkles->speedMaximum = 0.2f;
    m_sparkles->sizeMinimum = 0.15f;
    m_sparkles->sizeMaximum = 0.05f;
    m_sparkles->growthBase = -0.5f;
    m_sparkles->gravity = {0.0f, -0.05f, 0.0f};
    m_sparkles->SetActive(false);
    displayRoot->AddChild(m_sparkles);
}

ZNode* ZCompletionBar::GetSlider(int medal, int part) const
{
    if (medal < 0 || medal > 3 || part < 0 || part > 3)
        return nullptr;
    return m_sliders[medal][part];
}

void ZCompletionBar::ShowSliders(int medal, bool on)
{
    for (ZNode* node : m_sliders[medal])
    {
        if (node)
            node->SetActive(on);
    }
}

bool ZCompletionBar::SetupForLevel(const std::string& letters, const std::string& collected, int complete,
                                   int bronze, int silver, int gold, int bestMedal)
{
    m_slidesInFlight = 0;
    m_collected = collected;
    m_letters = letters;
    const bool fits = m_letters.size() <= m_slots.size();
    m_remaining = int(m_letters.size());
    for (Slot& slot : m_slots)
    {
        if (slot.drop && slot.drop->IsActive())
            slot.drop->SetActive(false);
        slot.node->SetActive(false);
        // The end of level hides the pictures it lifts off the bar; a new level's slots are
        // shown again as they fill.
        slot.node->SetHidden(false);
        slot.filled = false;
        slot.shorthand = 0;
        if (auto* geom = ZEntityCast<ZGeom>(slot.node))
            geom->SetPosition(slot.rest);
        SetNodeAlpha(slot.node, 0.2f);
    }
    Recount();
    m_reported = -1;
    m_thresholds[0] = complete;
    m_thresholds[1] = bronze;
    m_thresholds[2] = silver;
    m_thresholds[3] = gold;
    m_bestMedal = bestMedal;
    m_vanishDone = 1;
    m_vanishMedal = -1;
    ZToolTipManager* tips = ZToolTipManager::PeekInstance();
    if (tips && m_sliders[0][0])
        tips->OpenTimedToolTip("levelgivesxp", &m_sliders[0][0], 1, 0.0f);
    for (int m = 0; m < 4; ++m)
    {
        ShowSliders(m, true);
        if (m > bestMedal)
            SetNodeAlpha(m_sliders[m][0], 1.0f);
        else
        {
            SetNodeAlpha(m_sliders[m][0], 0.4f);
            if (tips && m_sliders[m][0])
                tips->RegisterToolTipForNode("achievedmedal", m_sliders[m][0], false);
        }
        m_medalShown[m] = true;
    }
    // Where two medals need the same count, the higher slider stands for both.
    for (int m = 3; m >= 1; --m)
    {
        if (m_thresholds[m] == m_thresholds[m - 1] || m_thresholds[m - 1] == 0)
        {
            ShowSliders(m - 1, false);
            m_medalShown[m - 1] = false;
        }
    }
    PlaceSliders();
    return fits;
}

void ZCompletionBar::PlaceSliders()
{
    for (int m = 0; m < 4; ++m)
    {
        if (!m_medalShown[m] || m_slots.empty())
            continue;
        // A threshold of 0 has no slot of its own: its sliders stand by the first slot.
        const int slot = std::clamp(m_thresholds[m] - 1, 0, int(m_slots.size()) - 1);
        const float ySlot = ZGeom::WorldPositionOf(m_slots[slot].node).y;
        for (int p = 0; p < 4; ++p)
        {
            auto* geom = ZEntityCast<ZGeom>(m_sliders[m][p]);
            if (!geom)
                continue;
            V3 world = ZGeom::WorldPositionOf(geom);
            world.y = ySlot * (1.0f + kSliderFactor[p]) + kSliderOffset[p];
            PlaceAtWorldPoint(geom, world);
        }
    }
}

void ZCompletionBar::Recount()
{
    m_filled = 0;
    const int used = std::min(int(m_letters.size()), int(m_slots.size()));
    while (m_filled < used && m_slots[m_filled].filled)
        ++m_filled;
    m_medal = MedalLevel(m_filled, m_thresholds);
}

void ZCompletionBar::FillSlot(char shorthand, ZTextureResource* texture)
{
    --m_remaining;
    Slot* slot = nullptr;
    const int used = std::min(int(m_letters.size()), int(m_slots.size()));
    for (int i = 0; i < used; ++i)
    {
        if (!m_slots[i].filled)
        {
            slot = &m_slots[i];
            break;
        }
    }
    if (slot)
    {
        slot->shorthand = shorthand;
        if (auto* sprite = ZEntityCast<ZSprite2D>(slot->node); sprite && texture)
            sprite->SetTexture(texture, true);
        if (auto* geom = ZEntityCast<ZGeom>(slot->node))
            geom->SetScale({kSlotScale, kSlotScale, 1.0f});
        slot->filled = true;
        SetNodeAlpha(slot->node, 1.0f);
        slot->node->SetHidden(false);
        slot->node->SetActive(true);
        ZInGame* dive = ZInGame::PeekInstance();
        ZNode* dropNode = dive ? dive->GetArtifactDrop() : nullptr;
        if (slot->drop && dropNode)
        {
            auto* geom = ZEntityCast<ZGeom>(slot->node);
            V3 rest = slot->rest;
            if (auto* parent = geom ? static_cast<ZGeom*>(geom->FindGeomParent()) : nullptr)
                parent->LocalToWorld(rest);
            const V3 from = ZGeom::WorldPositionOf(dropNode);
            slot->drop->start = from;
            slot->drop->end = rest;
            slot->drop->SetDuration(std::max(kMinimumDrop, double(std::fabs(from.y - rest.y)) / 600.0));
            slot->drop->SetActive(false);
            slot->drop->SetActive(true);
            PlaySound(m_slideSound);
            ++m_slidesInFlight;
        }
    }
    Recount();
    ZInGame* dive = ZInGame::PeekInstance();
    if (m_medal >= 0 && m_remaining > 0 && dive)
        dive->ShowEndDiveButton(true, true);
    if (m_medal != m_reported)
    {
        if (dive)
            dive->OnMedalLevel(m_medal);
        ZToolTipManager* tips = ZToolTipManager::PeekInstance();
        if (!g_tipBronzeMedal.GetValue())
        {
            if (m_medal == 1)
            {
                if (tips)
                    tips->OpenTimedToolTip("bronzemedal", nullptr, 0, 3.0f);
                MarkTipShown(g_tipBronzeMedal);
            }
        }
        else if (m_medal > 0 && !g_tipEndDive.GetValue() && !(ZBoard::PeekInstance() && ZBoard::PeekInstance()->areLevelTipsOpen()))
        {
            if (tips)
                tips->OpenTimedToolTip("enddive", nullptr, 0, 3.0f);
            MarkTipShown(g_tipEndDive);
        }
        m_reported = m_medal;
    }
    m_collected.push_back(shorthand);
}

void ZCompletionBar::Ended(ZControllerBase* controller)
{
    (void)controller;
    if (m_slidesInFlight > 0)
        --m_slidesInFlight;
    if (m_slideSound)
        m_slideSound->Stop();
    PlaySound(m_slideEndSound);
}

void ZCompletionBar::HideMedal(int medal)
{
    if (medal >= 0 && medal < 4)
        ShowSliders(medal, false);
}

void ZCompletionBar::HideAllMedals()
{
    for (int m = 0; m < 4; ++m)
        ShowSliders(m, false);
}

void ZCompletionBar::HideSlotsFrom(int count)
{
    for (int i = std::max(count, 0); i < int(m_slots.size()); ++i)
        m_slots[i].node->SetActive(false);
}

void ZCompletionBar::StartVanish(bool earnedExperience)
{
    m_vanishSaysNoExperience = !earnedExperience;
    m_vanishMedal = 3;
    m_vanishStart = EngineClockNow();
    m_vanishDone = 0;
}

void ZCompletionBar::Update()
{
    const double elapsed = EngineClockNow() - m_vanishStart;
    const float f = std::clamp(float((1.0 - elapsed) / 0.8), 0.0f, 1.0f);
    // Medals hidden at set-up (they share a slot with a higher one) never come back to vanish.
    while (m_vanishMedal > m_medal && m_vanishMedal >= 0 && !m_medalShown[m_vanishMedal])
        --m_vanishMedal;
    if (m_medal < m_vanishMedal)
    {
        m_vanishDone = 0;
        ShowSliders(m_vanishMedal, f != 0.0f);
        ZNode* slider = m_sliders[m_vanishMedal][0];
        SetNodeAlpha(slider, f);
        if (f == 0.0f || NodeAlpha(slider) <= 0.0f)
        {
            HideMedal(m_vanishMedal);
            V3 at = ZGeom::WorldPositionOf(slider);
            if (m_sparkles)
            {
                PlaceAtWorldPoint(m_sparkles, at);
                m_sparkles->SetActive(true);
                m_sparkles->Emit(20);
            }
            at.y += 10.0f;
            if (m_vanishSaysNoExperience)
                GetGameShell()->ShowPopup(ZStringTable::GetInstance()->GetText("game.zeroxp"), 0.7, at);
            PlaySound(m_vanishSound);
            --m_vanishMedal;
            m_vanishStart = EngineClockNow();
        }
        return;
    }
    m_vanishDone = f <= 0.0f ? 1 : 0;
}
