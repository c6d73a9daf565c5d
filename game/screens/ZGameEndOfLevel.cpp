// The end-of-level screen: its step machine (medal, experience flights, treasure count, artifact
// flights, air count), the money counter, and the commit of the results when it is left.
#include "game/screens/ZGameEndOfLevel.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <string>

#include "engine/app/ZGame.h"
#include "engine/audio/IAudio.h"
#include "engine/audio/ZSound.h"
#include "engine/controllers/ZFlicker.h"
#include "engine/controllers/ZInterpolateBase.h"
#include "engine/controllers/ZProgressBar.h"
#include "engine/core/ZFrameTimer.h"
#include "engine/core/ZPropertyManager.h"
#include "engine/core/ZTextFormat.h"
#include "engine/import/ZSceneXMLImport2.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/resource/ZHighscoreTable.h"
#include "engine/resource/ZProfileManager.h"
#include "engine/resource/ZStringTable.h"
#include "engine/scene/ZFontText.h"
#include "engine/scene/ZGeom.h"
#include "engine/scene/ZSpline.h"
#include "engine/ui/ZSprite2D.h"
#include "engine/ui/ZToolTipManager.h"
#include "game/common/ZCrew.h"
#include "game/common/ZMedals.h"
#include "game/common/ZPictures.h"
#include "game/common/ZShellSettings.h"
#include "game/dive/ZDiveSettings.h"
#include "game/dive/ZInGame.h"
#include "game/dive/campaign/ZLevelControl.h"
#include "game/dive/campaign/ZLevelControlEntry.h"
#include "game/dive/crew/ZCharacter.h"
#include "game/dive/crew/ZCharacterScreen.h"
#include "game/dive/hud/ZCompletionBar.h"
#include "game/dive/hud/ZOxygenBar.h"
#include "game/dive/hud/ZTreasureBar.h"
#include "game/screens/map/ZMapScreen.h"

namespace
{
constexpr double kFirstStepDelay = 0.4;
constexpr double kMedalFlightGap = 0.6;
constexpr double kMedalStepEnd = 1.3;
constexpr double kArtifactGap = 0.5;
constexpr double kArtifactSettle = 0.8;
constexpr double kXpFlightSeconds = 1.0;
constexpr double kArtifactFlightSeconds = 0.9;
constexpr float kFlightDepth = -20.0f;
constexpr float kCoinNodeDepth = -50.0f;
constexpr float kTipSeconds = 3.0f;
constexpr double kPopupSeconds = 1.2;

const char* Localized(const char* key)
{
    ZStringTable* strings = ZStringTable::PeekInstance();
    return strings ? strings->GetText(key) : key;
}

ZPropertyBool* FindFlag(const char* key)
{
    ZPropertyManager* settings = ZPropertyManager::PeekInstance();
    return settings ? settings->FindTyped<bool>(key) : nullptr;
}

// Opens a one-time tip when its setting is still false, and sets it.
void TipOnce(const char* setting, const char* tip)
{
    ZPropertyBool* flag = FindFlag(setting);
    if (!flag || flag->GetValue())
        return;
    if (ZToolTipManager* tips = ZToolTipManager::PeekInstance())
        tips->OpenTimedToolTip(tip, nullptr, 0, kTipSeconds);
    flag->SetValue(true);
}

void Show(ZNode* node, bool shown)
{
    if (node)
        node->SetHidden(!shown);
}

V3 WorldOf(ZNode* node, const V3& fallback)
{
    return node ? ZGeom::WorldPositionOf(node) : fallback;
}
} // namespace

ZGameEndOfLevel::ZGameEndOfLevel()
{
    // Over the dive: its display, the chest and the completion bar stay in view beneath.
    SetOpaque(false);
    GetRoot()->SetName("endoflevel");
}

ZGameEndOfLevel::~ZGameEndOfLevel()
{
    // Deleted while entered (the game ends on this screen): the buttons stop calling it.
    m_widgets.OnLeave();
    ClearFlights();
}

int ZGameEndOfLevel::Build()
{
    ZNode* root = GetRoot();
    if (ImportSceneFile(ZResourcePath("resources:endoflevel_overlay.xml"), root) != 0)
        std::fprintf(stderr, "End of level: resources:endoflevel_overlay.xml is missing or broken\n");
    const int result = ImportSceneFile(ZResourcePath("resources:endoflevel.xml"), root);
    if (result != 0)
        std::fprintf(stderr, "End of level: resources:endoflevel.xml is missing or broken\n");
    m_widgets.Clear();
    m_continue = m_widgets.FindButton(root, "button_continue");
    m_level = FindWidget<ZFontText>(root, "level");
    m_score = FindWidget<ZFontText>(root, "score");
    m_lowLevel = FindWidget<ZFontText>(root, "low_level");
    m_highLevel = FindWidget<ZFontText>(root, "high_level");
    for (int m = 1; m < kMedalCount; ++m)
        m_medals[m] = root->FindNode(MedalName(m));
    m_glow = root->FindNode("medal_glow");
    if (auto* glow = ZEntityCast<ZSprite>(m_glow))
        if (ZPulsateController* pulse = ZPulsateController::Create(glow))
        {
            pulse->scaleBase = 0.8f;
            pulse->scaleAmplitude = 0.05f;
            pulse->alphaBase = 0.2f;
            pulse->alphaAmplitude = 0.05f;
        }
    m_moneyPos = root->FindNode("money_pos");
    m_portrait = FindWidget<ZSprite2D>(root, "portrait");
    m_xpSprite = FindWidget<ZSprite2D>(root, "xp_progress");
    m_xpBar = m_xpSprite ? ZProgressBar::Create(m_xpSprite) : nullptr;
    if (m_xpBar)
        m_xpBar->animSpeed = 0.8f;
    m_xpEmitter = root->FindNode("xp_emitter");
    m_airPath = FindWidget<ZSplineNode>(root, "air_to_treasure");
    m_chestPath = FindWidget<ZSplineNode>(root, "chest_to_treasure");
    for (ZGeom* path : {static_cast<ZGeom*>(m_airPath), static_cast<ZGeom*>(m_chestPath)})
        if (path)
        {
            const V3& p = path->Position();
            path->SetPositionXYZ(p.x, p.y, kCoinNodeDepth);
        }
    m_triumph = ZSound::Find("eol_triumph");
    m_artifactSound = ZSound::Find("artifact_cash");
    m_medalSound = ZSound::Find("medal_cash");
    m_levelUpSound = ZSound::Find("level_up");
    m_countUp = ZSound::Find("eol_countup");
    return result;
}

// ---- rules ----

int32_t ZGameEndOfLevel::MedalXpFor(int32_t oldMedal, int32_t newMedal, int32_t medalFloor)
{
    newMedal = std::min(newMedal, kMedalCount - 1);
    int32_t lowest = 0;
    if (oldMedal >= 0)
        lowest = oldMedal + 1;
    else if (medalFloor != 0)
        lowest = std::max(medalFloor + 1, 0);
    int32_t sum = 0;
    for (int32_t i = newMedal; i >= lowest; --i)
        sum += kMedalXp[i];
    return std::max(sum, 0);
}

int32_t ZGameEndOfLevel::CountRate(int64_t amount)
{
    if (amount <= 0)
        return 0;
    const int64_t rate = (amount + 2) / 3;
    return int32_t(std::clamp<int64_t>(rate, 1, INT32_MAX));
}

int32_t ZGameEndOfLevel::ClampedSum(int64_t a, int64_t b, int64_t c, int64_t d, int32_t limit)
{
    return int32_t(std::clamp<int64_t>(a + b + c + d, 0, limit));
}

// ---- entry ----

void ZGameEndOfLevel::SetResult(const SDiveResult& result)
{
    m_result = result;
    m_medalFloor = -1;
    m_diveTreasure = int32_t(std::min<uint32_t>(result.treasure, uint32_t(kMaxTreasure)));
    // A profile read with a treasure or score out of range starts from the nearest valid value.
    m_startTreasure = std::clamp(result.profileTreasure, 0, kMaxTreasure);
    m_startScore = std::clamp(result.profileScore, 0, kMaxScore);
    m_artifactCash = std::clamp(result.artifacts, 0, 1000) * kArtifactCash;
    m_airCash = std::max(0, int32_t(std::max(0.0f, result.airLeft) * 2.0f));
    m_oldMedal = result.level ? result.level->medal : kMedalNone;
    m_committed = false;
}

ZCharacter* ZGameEndOfLevel::Member() const
{
    ZCharacterScreen* crew = ZCharacterScreen::PeekInstance();
    return crew ? crew->GetSelected() : nullptr;
}

void ZGameEndOfLevel::OnEnter()
{
    m_widgets.OnEnter();
    // The dive stays under this screen, paused, and so would its floating texts ("Salvaged!", a
    // lost medal's "no experience"): frozen over the results, on top of each other.
    GetGameShell()->HidePopups();
    // 1.
    if (IAudio* audio = g_audio)
        audio->PauseMusic(true);
    m_lastFraction = -1.0f;
    m_levelsShown = 0;
    m_levelUps = 0;
    if (m_xpBar)
    {
        m_xpBar->animating = false;
        m_xpBar->SetValue(0.0f);
    }
    Show(m_xpEmitter, false);
    ClearFlights();
    // 2. The high-score table, under the name of the most experienced member.
    ZCharacter* best = nullptr;
    if (ZCharacterScreen* crew = ZCharacterScreen::PeekInstance())
        for (int i = 0; i < kCrewCount; ++i)
            if (ZCharacter* member = crew->GetCharacter(i);
                member && (!best || member->GetXP() > best->GetXP()))
                best = member;
    if (ZHighscoreTable* table = ZHighscoreTable::PeekInstance())
        table->Insert(g_profileName.GetValue().c_str(), g_profileScore.GetValue(),
                      best ? best->GetName() : "");
    // 3.
    m_medalXp = MedalXpFor(m_oldMedal, m_result.medal, m_medalFloor);
    // 4. The level's number, then the crew member.
    if (m_level)
        m_level->SetText(m_result.title.c_str());
    ZCharacter* member = Member();
    m_startXp = member ? member->GetXP() : 0;
    if (m_portrait && member)
        if (ZTexture* portrait = member->GetPortrait())
        {
            LoadPicture(portrait);
            m_portrait->SetTexture(portrait, true);
        }
    int32_t level = 0;
    float fraction = 0.0f;
    ZCharacter::GetLevelProgress(m_startXp, level, fraction);
    ShowLevelTexts(level);
    if (m_xpBar)
        m_xpBar->SetValue(fraction);
    m_counter = m_target = m_startTreasure;
    m_rate = 0;
    m_carry = 0.0f;
    if (m_score)
        m_score->SetText(FormatChecked("%i", {m_counter}).c_str());
    m_xpLanded = m_xpGained = 0;
    m_pendingArtifacts = m_artifactsInFlight = m_artifactsLanded = 0;
    m_airCounting = false;
    // 5.
    ShowMedal(m_result.medal);
    // 6.
    m_triumphPlayed = false;
    SetStep(kStepWait);
}

void ZGameEndOfLevel::ShowMedal(int32_t medal)
{
    for (ZNode* node : m_medals)
        Show(node, false);
    const bool shown = medal >= 1 && medal < kMedalCount;
    Show(m_glow, shown);
    if (shown)
        Show(m_medals[medal], true);
}

void ZGameEndOfLevel::ShowLevelTexts(int32_t level)
{
    // Levels are shown counted from 1, as the crew screen shows them.
    const char* format = Localized("crew.levelstring");
    if (m_lowLevel)
    {
        m_lowLevel->SetText(FormatChecked(format, {level + 1}).c_str());
        m_lowLevel->SetHidden(false);
    }
    if (m_highLevel)
    {
        if (level + 1 < ZCharacter::kLevelCount - 1)
            m_highLevel->SetText(FormatChecked(format, {level + 2}).c_str());
        else
            m_highLevel->SetText(Localized("crew.maxlevel"));
        m_highLevel->SetHidden(false);
    }
}

void ZGameEndOfLevel::SetStep(int step)
{
    m_step = step;
    m_stepTime = g_frameTimer ? g_frameTimer->now : 0.0;
}

// ---- the steps ----

void ZGameEndOfLevel::Update(double dt)
{
    ZGame* game = ZGame::PeekInstance();
    if (!game || game->GetTopState() != this)
        return;
    if (!m_triumphPlayed)
    {
        m_triumphPlayed = true;
        Play(m_triumph);
    }
    const double now = g_frameTimer ? g_frameTimer->now : 0.0;
    UpdateSteps(now);
    UpdateCounter(dt);
}

void ZGameEndOfLevel::UpdateSteps(double now)
{
    const double t = now - m_stepTime;
    ZCompletionBar* bar = ZCompletionBar::PeekInstance();
    ZTreasureBar* chest = ZTreasureBar::PeekInstance();
    switch (m_step)
    {
    case kStepWait:
        if (t > kFirstStepDelay)
        {
            if (bar)
                bar->StartVanish(m_medalXp > 0);
            SetStep(kStepMedalBar);
        }
        break;
    case kStepMedalBar:
        if (bar)
            bar->Update();
        if (!bar || bar->IsVanishDone())
        {
            // The flights go from the medal this dive reached down to the level's old one.
            m_shownMedal = std::min(m_result.medal, kMedalCount - 1);
            m_xpLanded = 0;
            m_xpGained = 0;
            int32_t level = 0;
            float fraction = 0.0f;
            ZCharacter::GetLevelProgress(m_startXp, level, fraction);
            m_levelsShown = level;
            SetStep(kStepMedalXp);
        }
        break;
    case kStepMedalXp:
        UpdateMedalFlights(now);
        if (m_step == kStepMedalXp && m_shownMedal <= m_oldMedal && now - m_stepTime > kMedalStepEnd)
        {
            SetStep(kStepTreasure);
            StartTreasureCount(now);
        }
        break;
    case kStepTreasure:
        if (chest)
            chest->UpdateCoinStream(float(std::clamp((now - m_countStart) / kCountSeconds, 0.0, 1.0)));
        if (m_counter >= m_target)
        {
            Stop(m_countUp);
            m_pendingArtifacts = std::clamp(m_result.artifacts, 0, 1000);
            m_artifactsInFlight = 0;
            m_lastArtifactTime = now;
            SetStep(kStepArtifacts);
            // The first flight leaves at once.
            m_stepTime = now - kArtifactGap;
        }
        break;
    case kStepArtifacts:
        if (m_pendingArtifacts > 0 && now - m_stepTime >= kArtifactGap)
        {
            const int index = std::clamp(m_result.artifacts, 0, 1000) - m_pendingArtifacts;
            --m_pendingArtifacts;
            ++m_artifactsInFlight;
            StartArtifactFlight(index, now);
            m_stepTime = now;
        }
        if (m_pendingArtifacts == 0 && m_artifactsInFlight == 0 && m_counter >= m_target &&
            now - m_lastArtifactTime > kArtifactSettle)
        {
            if (chest)
                chest->ClearCoinStream();
            Show(m_chestPath, false);
            if (g_profileRelaxMode.GetValue())
                SetStep(kStepDone);
            else
            {
                SetStep(kStepAir);
                StartAirCount(now);
            }
        }
        break;
    case kStepAir:
    {
        ZInGame* dive = ZInGame::PeekInstance();
        ZOxygenBar* air = dive ? dive->GetOxygenBar() : nullptr;
        const bool leaking = air && air->IsLeaking();
        if (chest && leaking)
            chest->UpdateCoinStream(1.0f - air->GetLeakProgress());
        if (!leaking && m_counter >= m_target)
        {
            Stop(m_countUp);
            if (chest)
                chest->ClearCoinStream();
            Show(m_airPath, false);
            SetStep(kStepDone);
        }
        break;
    }
    default:
        break;
    }
}

void ZGameEndOfLevel::UpdateMedalFlights(double now)
{
    const int32_t reached = std::min(m_result.medal, kMedalCount - 1);
    if (m_oldMedal < reached && m_shownMedal > m_oldMedal &&
        (m_shownMedal == reached || now - m_stepTime > kMedalFlightGap))
    {
        StartXpFlight(m_shownMedal, now);
        --m_shownMedal;
        m_stepTime = now;
    }
    if (m_oldMedal >= 0 && reached > m_oldMedal)
        TipOnce("zelk.tip.medalxponce", "medalxponce");
}

void ZGameEndOfLevel::StartXpFlight(int32_t medal, double now)
{
    (void)now;
    // From the medal's slider on the completion bar when it shows, else from the medal shown here.
    ZCompletionBar* bar = ZCompletionBar::PeekInstance();
    ZNode* slider = bar ? bar->GetSlider(medal, 0) : nullptr;
    const V3 medalSpot = WorldOf(m_glow, V3{0.0f, 100.0f, 0.0f});
    V3 from =
        slider && slider->IsActive() && !slider->IsHidden() ? ZGeom::WorldPositionOf(slider) : medalSpot;
    if (slider)
        for (int part = 0; part < 4; ++part)
            Show(bar->GetSlider(medal, part), false);
    from.z = kFlightDepth;
    V3 to = XpBarMiddle();
    to.z = kFlightDepth;
    const std::string texture = std::string("resources:completion_slider_") + MedalName(medal) + ".png";
    MakeFlight(texture.c_str(), from, to, kXpFlightSeconds, "xp");
}

void ZGameEndOfLevel::StartArtifactFlight(int index, double now)
{
    (void)now;
    ZCompletionBar* bar = ZCompletionBar::PeekInstance();
    ZNode* slot = bar ? bar->GetSlotNode(index) : nullptr;
    const char letter = bar ? bar->GetSlotShorthand(index) : 0;
    V3 from = WorldOf(slot, WorldOf(m_glow, V3{0.0f, 100.0f, 0.0f}));
    Show(slot, false);
    from.z = kFlightDepth;
    V3 to = MoneyPosition();
    to.y -= 40.0f;
    to.z = kFlightDepth;
    std::string texture = "resources:artifact_";
    texture += letter ? char(std::tolower(static_cast<unsigned char>(letter))) : 'd';
    texture += ".png";
    MakeFlight(texture.c_str(), from, to, kArtifactFlightSeconds, "artifact");
}

ZSprite2D* ZGameEndOfLevel::MakeFlight(const char* texture, const V3& from, const V3& to, double seconds,
                                       const char* tag)
{
    ZTexture* picture = ZTexture::Find(texture);
    if (!picture)
        picture = ZTexture::FindOrLoad(texture, kTextureNoAtlas, kTextureLoadNow);
    ZSprite2D* sprite = picture ? ZSprite2D::CreateFromTexture(picture) : ZSprite2D::Create();
    if (!sprite)
        return nullptr;
    sprite->SetName(tag);
    GetRoot()->AddChild(sprite);
    sprite->SetPosition(from);
    ZInterpolateWorldPos* flight = ZInterpolateWorldPos::Create(sprite);
    if (!flight)
    {
        sprite->Release();
        return nullptr;
    }
    flight->start = from;
    flight->end = to;
    flight->SetDuration(seconds);
    flight->SetEasing(EaseOutCubic);
    flight->SetTag(ZNameId(tag));
    flight->SetReleaseTargetAtEnd(true);
    flight->SetReleaseSelfAtEnd(true);
    flight->ZEventProducer<ZTransientListener>::AddListener(this);
    flight->SetActive(true);
    m_flights.push_back(flight);
    return sprite;
}

void ZGameEndOfLevel::ClearFlights()
{
    for (ZControllerBase* flight : m_flights)
        if (auto* tween = ZEntityCast<ZInterpolateBase>(flight))
        {
            tween->ZEventProducer<ZTransientListener>::RemoveListener(this);
            if (tween->IsActive())
            {
                // A flight cut short takes its sprite with it.
                if (ZNode* target = tween->GetTarget())
                    target->SetHidden(true);
                tween->SetActive(false);
            }
        }
    m_flights.clear();
}

void ZGameEndOfLevel::StartTreasureCount(double now)
{
    m_countStart = now;
    m_rate = CountRate(m_diveTreasure);
    m_carry = 0.0f;
    m_target = ClampedSum(m_target, m_diveTreasure, 0, 0, kMaxTreasure);
    if (ZTreasureBar* chest = ZTreasureBar::PeekInstance())
    {
        chest->StartDrain(float(chest->GetContent()) / float(kCountSeconds));
        Show(m_chestPath, true);
        chest->InitCoinStream(m_chestPath);
    }
    if (m_diveTreasure > 0)
        Play(m_countUp);
}

void ZGameEndOfLevel::StartAirCount(double now)
{
    m_countStart = now;
    m_airCounting = true;
    if (ZInGame* dive = ZInGame::PeekInstance())
        if (ZOxygenBar* air = dive->GetOxygenBar())
            air->StartLeak();
    m_rate = CountRate(m_airCash);
    m_carry = 0.0f;
    m_target = ClampedSum(m_target, m_airCash, 0, 0, kMaxTreasure);
    Show(m_airPath, true);
    if (ZTreasureBar* chest = ZTreasureBar::PeekInstance())
        chest->InitCoinStream(m_airPath);
    if (m_airCash > 0)
        Play(m_countUp);
}

void ZGameEndOfLevel::UpdateCounter(double dt)
{
    if (m_counter >= m_target)
        return;
    const float f = float(dt) * float(m_rate) + m_carry;
    const float whole = std::floor(f);
    m_carry = f - whole;
    // A rate of at least one keeps every count moving; the carry brings it up to a whole unit.
    const int64_t next = int64_t(m_counter) + int64_t(whole);
    m_counter = int32_t(std::min<int64_t>(next, m_target));
    if (m_score)
        m_score->SetText(FormatChecked("%i", {m_counter}).c_str());
}

// ---- arrivals ----

void ZGameEndOfLevel::Ended(ZControllerBase* controller)
{
    auto it = std::find(m_flights.begin(), m_flights.end(), controller);
    auto* tween = ZEntityCast<ZInterpolateBase>(controller);
    if (it == m_flights.end() || !tween)
    {
        ZGameState::Ended(controller);
        return;
    }
    m_flights.erase(it);
    tween->ZEventProducer<ZTransientListener>::RemoveListener(this);
    V3 at{};
    if (ZNode* target = tween->GetTarget())
        at = ZGeom::WorldPositionOf(target);
    if (tween->GetTag().Value() == m_xpTag.Value())
        OnXpLanded(at);
    else if (tween->GetTag().Value() == m_artifactTag.Value())
        OnArtifactLanded(at);
}

void ZGameEndOfLevel::OnXpLanded(const V3& at)
{
    const int32_t medal =
        std::clamp(std::min(m_result.medal, kMedalCount - 1) - m_xpLanded, 0, kMedalCount - 1);
    ++m_xpLanded;
    const int32_t xp = kMedalXp[medal];
    GetGameShell()->ShowPopup(FormatChecked(Localized("general.plusfxp"), {xp}).c_str(), kPopupSeconds, at);
    m_xpGained += xp;
    int32_t level = 0;
    float fraction = 0.0f;
    ZCharacter::GetLevelProgress(m_startXp + m_xpGained, level, fraction);
    if (level > m_levelsShown)
    {
        m_levelsShown = level;
        ++m_levelUps;
        GetGameShell()->ShowPopup(Localized("general.levelup"), kPopupSeconds * 1.5, XpBarMiddle());
        Play(m_levelUpSound);
        ShowLevelTexts(level);
        // The bar starts the new level from empty.
        if (m_xpBar)
        {
            m_xpBar->animating = false;
            m_xpBar->SetValue(0.0f);
        }
        m_lastFraction = 0.0f;
    }
    if (m_xpBar)
    {
        if (fraction > m_lastFraction)
            m_xpBar->AnimateTo(fraction);
        else
        {
            m_xpBar->animating = false;
            m_xpBar->SetValue(fraction);
        }
    }
    m_lastFraction = fraction;
    if (auto* glow = ZEntityCast<ZGeom>(m_xpEmitter))
    {
        glow->SetPosition(XpBarEnd(fraction));
        glow->SetHidden(false);
    }
    Play(m_medalSound);
    if (level >= ZCharacter::kLevelCount - 1)
        TipOnce("zelk.tip.wastexp", "wastexp");
}

void ZGameEndOfLevel::OnArtifactLanded(const V3& at)
{
    m_artifactsInFlight = std::max(0, m_artifactsInFlight - 1);
    ++m_artifactsLanded;
    m_lastArtifactTime = g_frameTimer ? g_frameTimer->now : 0.0;
    GetGameShell()->ShowPopup(FormatChecked("+$%i", {kArtifactCash}).c_str(), kPopupSeconds, at);
    m_target = ClampedSum(m_target, kArtifactCash, 0, 0, kMaxTreasure);
    m_rate = kArtifactCash;
    Play(m_artifactSound);
}

V3 ZGameEndOfLevel::XpBarMiddle() const
{
    return XpBarEnd(0.5f);
}

V3 ZGameEndOfLevel::XpBarEnd(float fraction) const
{
    // The bar's sprite is pivoted at its left end; its full width is the layout's.
    if (!m_xpSprite)
        return V3{0.0f, 0.0f, kFlightDepth};
    V3 left = m_xpSprite->Position();
    left.x += m_xpSprite->GetSize().x * std::clamp(fraction, 0.0f, 1.0f);
    if (auto* parent = ZEntityCast<ZGeom>(m_xpSprite->GetParent()))
        parent->LocalToWorld(left);
    return left;
}

V3 ZGameEndOfLevel::MoneyPosition() const
{
    return WorldOf(m_moneyPos, V3{0.0f, 150.0f, 0.0f});
}

// ---- continue, leave ----

void ZGameEndOfLevel::OnClicked(ZButton2D* button)
{
    if (!button || button != m_continue)
        return;
    ZGame* game = ZGame::PeekInstance();
    if (!game)
        return;
    if (ZLevelControl* campaign = ZLevelControl::PeekInstance())
        game->ClearStates(campaign);
    else
        game->PopState();
}

void ZGameEndOfLevel::OnLeaving()
{
    if (m_committed)
        return;
    m_committed = true;
    // 1, 2. Everything the dive earned, whichever step the screen was at.
    g_profileTreasure.SetValue(
        ClampedSum(m_startTreasure, m_diveTreasure, m_artifactCash, m_airCash, kMaxTreasure));
    g_profileScore.SetValue(ClampedSum(m_startScore, m_diveTreasure, m_artifactCash, m_airCash, kMaxScore));
    // 3.
    if (ZCharacter* member = Member())
    {
        const int32_t before = member->GetLevel();
        member->SetXP(int32_t(std::min<int64_t>(int64_t(m_startXp) + m_medalXp, ZCharacter::kMaxXp)));
        // A crew member who rose a level: the chart's crew button wears its badge and rings.
        if (member->GetLevel() > before)
            if (ZMapScreen* map = ZMapScreen::PeekInstance())
                map->ShowCrewNews();
    }
    // 4. The level keeps this dive's score and its best medal.
    if (ZLevel* level = m_result.level)
    {
        level->score = ClampedSum(m_diveTreasure, m_artifactCash, m_airCash, 0, kMaxScore);
        level->medal = std::max(level->medal, std::min(m_result.medal, kMedalCount - 1));
    }
}

void ZGameEndOfLevel::OnLeave()
{
    m_widgets.OnLeave();
    GetGameShell()->HidePopups();
    Show(m_xpEmitter, false);
    Stop(m_triumph);
    Stop(m_countUp);
    ClearFlights();
    if (IAudio* audio = g_audio)
        audio->PauseMusic(false);
    if (ZInGame* dive = ZInGame::PeekInstance())
        if (ZOxygenBar* air = dive->GetOxygenBar())
            air->StopLeak();
    if (ZTreasureBar* chest = ZTreasureBar::PeekInstance())
        chest->ClearCoinStream();
}

void ZGameEndOfLevel::Play(ZSound* sound)
{
    if (sound)
        sound->Play();
}

void ZGameEndOfLevel::Stop(ZSound* sound)
{
    if (sound)
        sound->Stop();
}
