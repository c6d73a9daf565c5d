// The sea map: its build step, lifecycle, buttons, reaction to settings and profiles, palms,
// story items and the campaign's events.
#include "game/screens/map/ZMapScreen.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "engine/app/ZEngine.h"
#include "engine/app/ZEngineSettings.h"
#include "engine/app/ZGame.h"
#include "engine/app/ZStatsLog.h"
#include "engine/audio/IAudio.h"
#include "engine/audio/ZSound.h"
#include "engine/controllers/ZAnimateTexture2D.h"
#include "engine/controllers/ZHighlight2.h"
#include "engine/controllers/ZInterpolate.h"
#include "engine/core/ZEasing.h"
#include "engine/core/ZFrameTimer.h"
#include "engine/core/ZPropertyManager.h"
#include "engine/import/ZSceneXMLImport2.h"
#include "engine/render/resources/IRender.h"
#include "engine/render/resources/ZAnimTexture.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/scene/ZGeom.h"
#include "engine/scene/ZParticleEmitterSystem.h"
#include "engine/scene/ZSceneTree.h"
#include "engine/ui/ZSprite2D.h"
#include "engine/ui/ZToolTipManager.h"
#include "game/common/IGameShell.h"
#include "game/common/ZShellSettings.h"
#include "game/decoration/ZBackground.h"
#include "game/dive/ZDiveSettings.h"
#include "game/dive/abilities/ZAbilityManager.h"
#include "game/dive/campaign/ZLevelControl.h"
#include "game/dive/crew/ZCharacter.h"
#include "game/dive/crew/ZCharacterScreen.h"
#include "game/screens/ZNewStockDialog.h"

namespace
{
enum ESound
{
    kStockAlert,
    kCrewAlert,
    kOcean,
    kBoat,
    kBoatStart,
    kBoatStop,
    kShowMap,
};
constexpr const char* kSoundNames[7] = {"map_stock_alert", "map_crew_alert", "ocean",   "boat",
                                        "boat_start",      "boat_stop",      "show_map"};
constexpr float kPalmPhase = 0.62831855f;

double Now()
{
    return g_frameTimer ? g_frameTimer->now : 0.0;
}

void SetShown(ZNode* node, bool shown)
{
    if (!node)
        return;
    node->SetActive(shown);
    node->SetHidden(!shown);
}
} // namespace

ZMapScreen::ZMapScreen()
{
    SetFlags(kStateResourcesWhileStacked);
    for (ZProperty* setting :
         std::initializer_list<ZProperty*>{&g_profileCrewButton, &g_profileEquipButton, &g_profileShowLevels,
                                           &g_profileAmulet, &g_profileBonusLevel, &g_profileShopLevel,
                                           &g_cheatsUnlockAll, &g_profileBonusPanel, &g_profileRotation})
        setting->AddListener(this);
    for (int i = 0; i < kPlaces; ++i)
    {
        m_placeSettings[i] = FindPlaceInfoSetting(i);
        if (m_placeSettings[i])
            m_placeSettings[i]->AddListener(this);
    }
}

ZMapScreen::~ZMapScreen()
{
    for (ZProperty* setting : std::initializer_list<ZProperty*>{
             &g_profileCrewButton, &g_profileEquipButton, &g_profileShowLevels, &g_profileAmulet,
             &g_profileBonusLevel, &g_profileShopLevel, &g_cheatsUnlockAll, &g_profileBonusPanel,
             &g_profileRotation, &g_profileLevel})
        setting->RemoveListener(this);
    for (ZProperty* setting : m_placeSettings)
        if (setting)
            setting->RemoveListener(this);
    for (auto& [setting, node] : m_storySettings)
        setting->RemoveListener(this);
    if (m_listeningPointer)
        if (ZMousePointer* pointer = ZMousePointer::PeekInstance())
            pointer->RemoveListener(this);
    if (m_listeningProfiles)
        if (ZProfileManager* profiles = ZProfileManager::PeekInstance())
            profiles->RemoveListener(this);
}

ZButton2D* ZMapScreen::Subscribe(ZNode* node)
{
    auto* button = ZEntityCast<ZButton2D>(node);
    if (button)
        button->ZEventProducer<IButtonListener>::AddListener(this);
    return button;
}

ZButton2D* ZMapScreen::FindButton(const char* path)
{
    return Subscribe(GetRoot()->FindNode(path));
}

bool ZMapScreen::IsTop() const
{
    ZGame* game = ZGame::PeekInstance();
    return game && game->GetTopState() == this;
}

int ZMapScreen::Build()
{
    ZGroup* root = GetRoot();
    root->SetName("mapscreen");
    if (int failed = ImportSceneFile(ZResourcePath(kResources), ZSceneTree::GetInstance()); failed != 0)
    {
        std::fprintf(stderr, "Map: %s is missing or broken\n", kResources);
        return failed;
    }
    if (int failed = ImportSceneFile(ZResourcePath(kLayout), root); failed != 0)
    {
        std::fprintf(stderr, "Map: %s is missing or broken\n", kLayout);
        return failed;
    }
    // The nodes the map always uses; without them the layout is not a map.
    for (const char* required : {"marker", "marker/boat", "selection_halo", "levels", "dots", "amulet"})
        if (!root->FindNode(required))
        {
            std::fprintf(stderr, "Map: %s lacks the node \"%s\"\n", kLayout, required);
            return 1;
        }

    // 1. Sounds.
    for (int i = 0; i < 7; ++i)
        m_sounds[i] = ZSound::Find(kSoundNames[i]);
    for (int looping : {kOcean, kBoat})
        if (m_sounds[looping])
            m_sounds[looping]->SetLooping(true);

    // 2. The chart, the boat's carrier, the bar's main buttons and the bonus panel.
    m_background = root->FindNode("background");
    m_carrier = ZEntityCast<ZGeom>(root->FindNode("marker"));
    m_continue = FindButton("ui/button_continue");
    m_exit = FindButton("ui/button_exit");
    m_bonusPanel = root->FindNode("bonus_panel");
    if (auto* panel = ZEntityCast<ZGeom>(m_bonusPanel))
        panel->MoveBy(0.0f, 0.0f, -200.0f);
    m_bonusClose = FindButton("bonus_panel/close_button");
    m_bonusOpen = FindButton("button_bonus");

    // 3. Sparkles on the chart.
    BuildSparkles();

    // 4. The go button's glows, and its flash hidden until the campaign asks for it.
    BuildContinueGlows();
    m_continueFlash = root->FindNode("ui/button_continue/flash");
    SetShown(m_continueFlash, false);

    // 5. The highlight moved onto a newly opened shop or bonus button.
    m_newButtonHighlight = GetGameShell()->CreateSmallHighlight(root);
    if (m_newButtonHighlight)
        m_newButtonHighlight->SetActive(false);

    // 6. The bar and the crew and inventory buttons with their rest positions.
    m_ui = ZEntityCast<ZGeom>(root->FindNode("ui"));
    if (m_ui)
        m_uiRest = m_ui->Position();
    m_crewButton = FindButton("ui/button_crew");
    m_inventoryButton = FindButton("ui/button_inventory");
    if (m_crewButton)
        m_crewPictureRest = m_crewButton->Position();
    if (m_inventoryButton)
        m_inventoryPictureRest = m_inventoryButton->Position();

    // 7. The volcano's smoke.
    BuildVolcanoSmoke();

    // 8. The seven places.
    for (int i = 0; i < kPlaces; ++i)
    {
        m_placeButtons[i] = FindButton(kPlaceNames[i]);
        if (m_placeButtons[i])
            if (auto* glow = ZEntityCast<ZGeom>(m_placeButtons[i]->FindNode("mouseover_glow")))
                glow->MoveBy(-2.0f, -1.0f, 0.0f);
    }

    // 9. Crew badge, shops with their new-stock badges, the bonus games.
    m_crewBadge = root->FindNode("ui/button_crew/level_up");
    char path[64];
    for (int i = 0; i < 3; ++i)
    {
        std::snprintf(path, sizeof(path), "button_shop_%i", i + 1);
        m_shopButtons[i] = FindButton(path);
        std::snprintf(path, sizeof(path), "button_shop_%i/new_stock_%i", i + 1, i + 1);
        m_newStock[i] = root->FindNode(path);
        SetShown(m_newStock[i], false);
        std::snprintf(path, sizeof(path), "button_bonus_%i", i);
        m_bonusButtons[i] = FindButton(path);
        SetShown(m_bonusButtons[i], false);
    }
    PulsateBadges();

    // 10. Tips on their nodes (the tip manager opens them when their own conditions hold).
    if (ZToolTipManager* tips = ZToolTipManager::PeekInstance())
    {
        if (m_bonusButtons[0])
            tips->RegisterToolTipForNode("clickbonus1", m_bonusButtons[0], false);
        if (m_continue)
            tips->RegisterToolTipForNode("clickcontinue", m_continue, false);
        if (m_shopButtons[0])
            tips->RegisterToolTipForNode("moreshops", m_shopButtons[0], false);
        if (m_newStock[0])
            tips->RegisterToolTipForNode("shopstock", m_newStock[0], false);
    }

    // 11. Palms, each swaying at its own strength, at the depth its name asks for.
    float overlayZ = 0.0f;
    if (auto* overlay = ZEntityCast<ZGeom>(root->FindNode("oceanefx_overlay")))
        overlayZ = overlay->Position().z;
    if (ZNode* palms = root->FindNode("palmtops"))
    {
        int k = 0;
        for (ZNode* child = palms->GetFirstChild(); child; child = child->GetNextSibling())
        {
            auto* palm = ZEntityCast<ZGeom>(child);
            if (!palm)
                continue;
            SPalm record;
            record.node = palm;
            record.amplitude = 1.0f + float(std::rand() % 1000) / 1000.0f;
            record.base = palm->Position();
            const char* name = palm->GetName();
            const char first = name ? name[0] : '\0';
            float depth = overlayZ - 120.0f;
            if (first == 'd')
                depth = overlayZ - 100.0f;
            else if (first == 'l')
                depth = overlayZ - 140.0f;
            record.base.z = depth + 0.01f * float(k++);
            palm->SetPositionXYZ(record.base.x, record.base.y, record.base.z);
            m_palms.push_back(record);
        }
    }

    // 12. Story items: hidden until their story flag is set.
    m_storyGroup = root->FindNode("story");
    if (m_storyGroup)
        for (ZNode* item = m_storyGroup->GetFirstChild(); item; item = item->GetNextSibling())
        {
            ApplyStoryItem(item, false);
            item->SetFlags(kNodePickable);
            const char* name = item->GetName();
            if (!name)
                continue;
            m_storyItems[ZNameId(name).Value()] = item;
            const std::string key = std::string("story.") + name;
            if (ZProperty* setting = ZPropertyManager::GetInstance()->Find(key))
            {
                setting->AddListener(this);
                m_storySettings[setting] = item;
            }
        }

    // 13.
    SetShown(m_crewBadge, false);
    UpdateShopButtons(0, false);
    UpdateBonusButtons(0, false);
    g_profileLevel.AddListener(this);

    // 14. Markers, their looks, the halo and the boat.
    if (ZNode* dots = root->FindNode("dots"))
    {
        const char* looks[kMedalLooks] = {"none", "complete", "bronze", "silver", "gold"};
        for (int i = 0; i < kMedalLooks; ++i)
            if (auto* sprite = ZEntityCast<ZSprite2D>(dots->FindNode(looks[i])))
                m_looks[i] = sprite->GetMaterial();
        SetShown(dots, false);
    }
    m_halo = ZEntityCast<ZSprite2D>(root->FindNode("selection_halo"));
    SetShown(m_halo, false);
    if (ZNode* levels = root->FindNode("levels"))
        for (int i = 0;; ++i)
        {
            std::snprintf(path, sizeof(path), "level_%i", i);
            auto* marker = ZEntityCast<ZSprite2D>(levels->FindNode(path));
            if (!marker)
                break;
            m_markers.push_back(marker);
        }
    LayoutBonusLevels();
    ResetMarkers();

    m_boat = ZEntityCast<ZSprite2D>(root->FindNode("marker/boat"));
    if (m_carrier)
        m_carrier->MoveBy(0.0f, 0.0f, kBoatDepth);
    if (m_boat)
    {
        m_boat->SetPositionXYZ(0.0f, 0.0f, -15.0f);
        m_boatSway = ZBoatSwayController::Create(m_boat);
        if (ZAnimTexture* sheet = ZAnimTexture::Load("resources:boat_rotation.png", 45, 37, 36, 1))
        {
            m_boat->MakeOwnMaterial();
            if (ZMaterial* material = m_boat->GetMaterial())
                material->SetTexture(0, sheet, true);
            m_boat->SetSize(45.0f, 37.0f);
            m_boatFrames = ZAnimateTexture2D::Create(m_boat, false);
            m_boatFrames->frameRate = 0.0f;
            m_boatFrames->animTexture = sheet;
            m_boatFrames->SetPosition(0.0f);
        }
    }
    m_boatMove = ZBoatMoveController::Create(m_carrier, m_boatFrames, this);
    if (m_boatFrames)
        m_boatFrames->SetActive(false);
    ShowMarkers(1);
    SailTo(0, 0, false);

    // 15. The sea's moving surfaces.
    struct SScroll
    {
        const char* node;
        float u, v;
    };
    for (const SScroll& s : {SScroll{"watersurf", 0.0f, 0.11f}, SScroll{"watersurf02", 0.0f, 0.09f},
                             SScroll{"oceanbackground", -0.02f, -0.004f},
                             SScroll{"watersparklies", 0.005f, 0.005f}, SScroll{"clouds", -0.00373f, -0.05f}})
        if (auto* geom = ZEntityCast<ZGeom>(root->FindNode(s.node)))
            if (ZTextureUVScroll* scroll = ZTextureUVScroll::Create(geom))
                scroll->speed = V2{s.u, s.v};

    // 16. The school of fish.
    BuildFlock();

    // 17. The route's pieces (the trail runs while the first one shows), and the small card.
    if (ZNode* segments = root->FindNode("path/segments"))
        for (int i = 0;; ++i)
        {
            std::snprintf(path, sizeof(path), "segment_%i", i);
            ZNode* segment = segments->FindNode(path);
            if (!segment)
                break;
            m_segments.push_back(segment);
        }
    // 17. The small card.
    if (ZGroup* mini = m_mini.Create())
    {
        root->AddChild(mini);
        m_mini.SetShown(false);
    }

    // 18. The amulet and its keys.
    m_amulet = root->FindNode("amulet");
    for (int i = 0; i < 5; ++i)
    {
        std::snprintf(path, sizeof(path), "amulet/key_%i", i);
        m_amuletKeys[i] = root->FindNode(path);
        SetShown(m_amuletKeys[i], false);
    }
    SetShown(m_amulet, false);

    if (!m_listeningProfiles)
    {
        ZProfileManager::GetInstance()->AddListener(this);
        m_listeningProfiles = true;
    }
    m_built = true;
    return 0;
}

// ---- lifecycle ----

void ZMapScreen::OnEnter()
{
    if (ZBackground* background = ZBackground::PeekInstance())
    {
        background->SetTheme(-1);
        // The chart covers the whole screen: the sea behind it need not be drawn.
        background->Show(false);
    }
    m_boatSoundsRunning = false;
    m_idleTipClock = Now();
    if (!m_listeningPointer)
    {
        ZMousePointer::GetInstance()->AddListener(this);
        m_listeningPointer = true;
    }
    if (ZProfileManager* profiles = ZProfileManager::PeekInstance();
        profiles && profiles->GetProfileCount() > 0)
        profiles->SaveProfile();
    if (m_sounds[kOcean] && !m_sounds[kOcean]->IsPlaying())
        m_sounds[kOcean]->Play();
    SetShown(m_bonusOpen, g_profileBonusPanel.GetValue() || g_cheatsUnlockAll.GetValue());
    bool crewNews = false;
    if (ZCharacterScreen* crew = ZCharacterScreen::PeekInstance())
        for (int i = 0; i < 5; ++i)
            if (ZCharacter* member = crew->GetCharacter(i))
            {
                ZPropertyBool* aboard = GetCrewSetting(i);
                crewNews = crewNews ||
                           (aboard && aboard->GetValue() && member->GetLastViewLevel() < member->GetLevel());
            }
    SetShown(m_crewBadge, false);
    if (crewNews)
        ShowCrewNews();
    m_hoveredStory = nullptr;
    m_mini.SetShown(false);
    Refresh(true);
    if (IAudio* audio = g_audio)
        audio->FadeOutMusic(1.0f);
    ShowAmuletKeys(g_profileAmulet.GetValue());
    SetShown(m_amulet, g_profileRotation.GetValue());
    ArrangeUiButtons();
    // The smoke stands over the crater from the first frame.
    if (m_smoke)
    {
        m_smoke->Prewarm();
        m_smoke->Prewarm();
        m_smoke->Activate();
    }
}

void ZMapScreen::OnFadeInDone()
{
    if (m_carrier)
        m_carrier->SetActiveAll(true);
    if (m_boatMove && !m_sailing)
        m_boatMove->SetActive(false);
    if (m_boatFrames)
        m_boatFrames->SetActive(false);
    m_pressedNode = nullptr;
    m_pressedIndex = -1;
    // The trail of lights runs along the route while its first piece shows.
    if (m_segments.size() > 1 && m_segments.front()->IsActive() && !m_segments.front()->IsHidden())
    {
        StartPathTrail(4.0);
        m_trailNext = std::max(m_trailNext, 2);
    }
    else
    {
        m_trailTimer = -1.0;
    }
    if (m_pendingLevel >= 0)
    {
        const int index = m_pendingLevel;
        m_pendingLevel = -1;
        SelectLevel(index);
        OpenPreview(index);
    }
    else
    {
        SelectLevel(m_selected);
    }
}

void ZMapScreen::OnLeave()
{
    if (m_listeningPointer)
    {
        if (ZMousePointer* pointer = ZMousePointer::PeekInstance())
            pointer->RemoveListener(this);
        m_listeningPointer = false;
    }
    if (m_sounds[kOcean])
    {
        m_sounds[kOcean]->Stop();
    }
    StopBoatSounds(true);
    m_mini.SetShown(false);
    // How long the player looked at the chart, and how smoothly it ran.
    if (ZStatsLog* log = ZStatsLog::PeekInstance();
        log && g_engineStats.GetValue() && log->BeginRecord("mapscreen"))
    {
        const double seconds = Now() - GetTimeEntered();
        const uint32_t frames = g_engine && g_engine->GetRender()
                                    ? g_engine->GetRender()->GetFrameCount() - GetFrameEntered()
                                    : 0;
        log->SetFloat("time-spent", float(seconds));
        log->SetFloat("fps", seconds > 0.0 ? float(double(frames) / seconds) : 0.0f);
        log->Flush();
        log->WriteSessionUpdate();
    }
    if (m_carrier)
        m_carrier->SetActiveAll(false);
}

void ZMapScreen::SlideBar(bool out)
{
    if (!m_ui || out == m_barHidden)
        return;
    const V3 down{m_uiRest.x, m_uiRest.y - kBarSlide, m_uiRest.z};
    ZInterpolate* slide = out ? ZInterpolate::Create(m_ui, m_uiRest, down, float(kBarSlideSeconds))
                              : ZInterpolate::Create(m_ui, down, m_uiRest, float(kBarSlideSeconds));
    m_barHidden = out;
    if (!slide)
    {
        m_ui->SetPositionXYZ(out ? down.x : m_uiRest.x, out ? down.y : m_uiRest.y, m_uiRest.z);
        return;
    }
    slide->easing = out ? EaseInCubic : EaseOutCubic;
    slide->releaseSelfAtEnd = true;
    slide->SetActive(true);
}

void ZMapScreen::OnLoseFocus()
{
    // Covered by a card, shop or crew visit: the bar steps out of their way. The new-stock dialog
    // grows out of a shop button and leaves the bar where it is.
    ZGame* game = ZGame::PeekInstance();
    ZNewStockDialog* dialog = ZNewStockDialog::PeekInstance();
    if (game && dialog && game->GetNextState() == dialog)
        return;
    if (IsInPlay())
        SlideBar(true);
}

void ZMapScreen::OnGainFocus()
{
    m_idleTipClock = Now();
    SlideBar(false);
}

void ZMapScreen::Update(double dt)
{
    const double now = Now();
    // 1. The idle tip: at most twice per profile, never right after itself.
    if (IsTop() && m_idleTipClock > kDisarmed && now - m_idleTipClock > kIdleTipSeconds)
    {
        ZPropertyInt* shown = ZPropertyManager::GetInstance()->FindTyped<int32_t>("zelk.tip.clickcontinue");
        if (shown && shown->GetValue() < 2 && m_lastTip != "clickcontinue")
        {
            shown->SetValue(shown->GetValue() + 1);
            m_lastTip = "clickcontinue";
            if (ZToolTipManager* tips = ZToolTipManager::PeekInstance())
            {
                ZNode* target = m_continue;
                tips->OpenTimedToolTip("clickcontinue", &target, target ? 1 : 0, 3.0f);
            }
        }
        m_idleTipClock = kDisarmed;
    }
    // 2. A proofing run of every tip ends a second after the chart came up.
    if (g_tipsTest.GetValue() && now - GetTimeEntered() > 1.0)
    {
        if (ZToolTipManager* tips = ZToolTipManager::PeekInstance())
            tips->CloseAll();
        g_tipsTest.SetValue(false);
    }
    // 4. The small card closes a moment after the pointer left its marker.
    if (m_miniHideClock >= 0.0 && now - m_miniHideClock > kMiniCardHideSeconds)
    {
        m_mini.SetShown(false);
        m_hoveredMarker = nullptr;
        m_miniHideClock = -1.0;
    }
    // 3. The fish follow their path round the chart.
    UpdateFlock(dt);
    // 5.
    SwayPalms(now);
    // 6.
    UpdateTrail(dt);
    // 7.
    SailOn();
}

void ZMapScreen::SwayPalms(double time)
{
    const float t = float(time);
    constexpr float kPi = 3.14159265f;
    for (size_t k = 0; k < m_palms.size(); ++k)
    {
        const SPalm& palm = m_palms[k];
        const float s1 = std::sin(0.4f * kPi * t + float(k) * kPalmPhase);
        const float s2 = std::sin(0.87f * kPi * t);
        const float dx = palm.amplitude * 1.2f * s1 + palm.amplitude * 0.2f * s2;
        palm.node->SetPositionXYZ(palm.base.x + dx, palm.base.y - 0.4f * std::fabs(dx), palm.base.z);
    }
}

// ---- progress ----

void ZMapScreen::Refresh(bool animate)
{
    ZLevelControl* campaign = ZLevelControl::PeekInstance();
    const int furthest = campaign ? campaign->GetFurthestLevelIndex() : 0;
    SelectLevel(furthest);
    if (animate && furthest != m_boatFrom && furthest < m_chartMarkers)
        SailTo(furthest, std::max(furthest - 1, 0), false);
    if (campaign)
    {
        const auto& levels = campaign->GetLevels();
        const size_t n = std::min(levels.size(), m_markers.size());
        for (size_t i = 0; i < n; ++i)
            SetLook(int(i), levels[i] ? levels[i]->medal : kMedalNone);
    }
    ShowMarkers(g_profileShowLevels.GetValue());
    UpdateShopButtons(g_profileShopLevel.GetValue(), false);
    UpdateBonusButtons(g_profileBonusLevel.GetValue(), false);
    UpdatePlaceButtons();
    for (auto& [setting, item] : m_storySettings)
    {
        auto* flag = dynamic_cast<ZPropertyBool*>(setting);
        ApplyStoryItem(item, flag && flag->GetValue());
    }
}

void ZMapScreen::UpdateLockedButtons(ZButton2D* const* buttons, int level, bool animate, int& lastLevel)
{
    const bool all = g_cheatsUnlockAll.GetValue();
    ZProfileManager* profiles = ZProfileManager::PeekInstance();
    const bool busy = profiles && profiles->IsLoading();
    for (int i = 0; i < 3; ++i)
    {
        ZButton2D* button = buttons[i];
        if (!button)
            continue;
        const bool was = button->IsActive() && !button->IsHidden();
        const bool open = i < level || all;
        SetShown(button, open);
        if (animate && open && !was && !busy && m_newButtonHighlight)
        {
            m_newButtonHighlight->Attach(button);
            m_newButtonHighlight->SetActive(false);
            m_newButtonHighlight->SetActive(true);
        }
    }
    lastLevel = level;
}

void ZMapScreen::UpdateShopButtons(int level, bool animate)
{
    UpdateLockedButtons(m_shopButtons, level, animate, m_shopLevel);
}

void ZMapScreen::UpdateBonusButtons(int level, bool animate)
{
    UpdateLockedButtons(m_bonusButtons, level, animate, m_bonusLevel);
}

void ZMapScreen::UpdatePlaceButtons()
{
    const bool all = g_cheatsUnlockAll.GetValue();
    for (int i = 0; i < kPlaces; ++i)
    {
        auto* flag = dynamic_cast<ZPropertyBool*>(m_placeSettings[i]);
        SetShown(m_placeButtons[i], all || (flag && flag->GetValue()));
    }
}

void ZMapScreen::ShowAmuletKeys(int count)
{
    for (int i = 0; i < 5; ++i)
        SetShown(m_amuletKeys[i], i < count);
}

void ZMapScreen::ArrangeUiButtons()
{
    const bool crew = g_profileCrewButton.GetValue();
    const bool equip = g_profileEquipButton.GetValue();
    SetShown(m_crewButton, crew);
    SetShown(m_inventoryButton, equip);
    if (crew && equip)
    {
        if (m_crewButton)
            m_crewButton->SetPositionXYZ(m_crewPictureRest.x, m_crewPictureRest.y, m_crewPictureRest.z);
        if (m_inventoryButton)
            m_inventoryButton->SetPositionXYZ(m_inventoryPictureRest.x, m_inventoryPictureRest.y,
                                              m_inventoryPictureRest.z);
    }
    else if (crew || equip)
    {
        // The one button stands midway between the two places.
        const V3 mid{(m_inventoryPictureRest.x + m_crewPictureRest.x) * 0.5f,
                     (m_inventoryPictureRest.y + m_crewPictureRest.y) * 0.5f, m_crewPictureRest.z};
        if (ZButton2D* button = crew ? m_crewButton : m_inventoryButton)
            button->SetPositionXYZ(mid.x, mid.y, mid.z);
    }
}

void ZMapScreen::ApplyStoryItem(ZNode* item, bool shown)
{
    SetShown(item, shown);
    if (auto* sprite = ZEntityCast<ZSprite2D>(item))
        sprite->SetAlpha(shown ? 1.0f : 0.0f);
}

void ZMapScreen::HideStoryItems()
{
    for (auto& [id, item] : m_storyItems)
        ApplyStoryItem(item, false);
}

bool ZMapScreen::IsStoryItem(ZNode* node) const
{
    return node && m_storyGroup && node->GetParent() == m_storyGroup;
}

void ZMapScreen::ResetForNewGame()
{
    m_sailing = false;
    m_legStart = m_legEnd = V3{0.0f, 0.0f, 0.0f};
    m_refusedClicks = 0;
    m_pendingLevel = -1;
    m_selected = 0;
    if (m_boatMove)
        m_boatMove->SetActive(false);
    if (m_built)
        SailTo(0, 0, false);
}

// ---- buttons ----

void ZMapScreen::OpenStory(const std::string& page)
{
    if (!m_screens.story)
        return;
    GetGameShell()->PrepareCampaignScreen("story", 0, page.c_str(), "", "", "");
    ZGame::GotoState(m_screens.story);
}

void ZMapScreen::OnClicked(ZButton2D* button)
{
    ZGame* game = ZGame::PeekInstance();
    if (!game || !IsTop() || !GetRoot()->IsActive() || !button)
        return;
    if (button == m_continue)
    {
        if (g_profileRandomizeLevels.GetValue())
        {
            if (ZLevelControl* campaign = ZLevelControl::PeekInstance())
                game->ClearStates(campaign);
            return;
        }
        OpenPreview(m_selected);
    }
    else if (button == m_exit)
    {
        if (m_screens.mainMenu)
            game->ClearStates(m_screens.mainMenu);
    }
    else if (button == m_inventoryButton)
    {
        if (m_screens.inventory)
            ZGame::GotoState(m_screens.inventory);
    }
    else if (button == m_crewButton)
    {
        SetShown(m_crewBadge, false);
        if (m_screens.crew)
            ZGame::GotoState(m_screens.crew);
    }
    else if (button == m_bonusOpen)
    {
        m_bonusRemembered = m_selected;
        SetShown(m_bonusPanel, true);
    }
    else if (button == m_bonusClose)
    {
        SetShown(m_bonusPanel, false);
        SelectLevel(m_bonusRemembered);
    }
    else
    {
        for (int i = 0; i < 3; ++i)
        {
            if (button == m_shopButtons[i])
            {
                if (m_screens.shops[i])
                    ZGame::GotoState(m_screens.shops[i]);
                return;
            }
            if (button == m_bonusButtons[i])
            {
                if (m_screens.bonusGames[i])
                {
                    GetGameShell()->PrepareCampaignScreen("bonus", i, "", "", "", "");
                    ZGame::GotoState(m_screens.bonusGames[i]);
                }
                return;
            }
        }
        for (int i = 0; i < kPlaces; ++i)
            if (button == m_placeButtons[i])
            {
                OpenStory(std::string("info_") + kPlaceNames[i]);
                return;
            }
    }
}

// ---- settings, profiles and the campaign's events ----

void ZMapScreen::OnPropertyChanged(ZProperty* property)
{
    if (!m_built || !property)
        return;
    if (property == &g_profileCrewButton || property == &g_profileEquipButton)
        ArrangeUiButtons();
    else if (property == &g_profileShowLevels)
        ShowMarkers(g_profileShowLevels.GetValue());
    else if (property == &g_profileAmulet)
        ShowAmuletKeys(g_profileAmulet.GetValue());
    else if (property == &g_profileBonusLevel)
        UpdateBonusButtons(g_profileBonusLevel.GetValue(), true);
    else if (property == &g_profileShopLevel)
        UpdateShopButtons(g_profileShopLevel.GetValue(), true);
    else if (property == &g_profileLevel)
    {
        if (m_shownMarkers <= g_profileLevel.GetValue())
            ShowMarkers(g_profileLevel.GetValue() + 1);
    }
    else if (property == &g_cheatsUnlockAll)
    {
        Refresh(false);
        SetShown(m_bonusOpen, g_cheatsUnlockAll.GetValue() || g_profileBonusPanel.GetValue());
    }
    else if (property == &g_profileBonusPanel)
        SetShown(m_bonusOpen, g_profileBonusPanel.GetValue() || g_cheatsUnlockAll.GetValue());
    else if (property == &g_profileRotation)
        SetShown(m_amulet, g_profileRotation.GetValue());
    else if (std::find(std::begin(m_placeSettings), std::end(m_placeSettings), property) !=
             std::end(m_placeSettings))
        UpdatePlaceButtons();
    else if (auto it = m_storySettings.find(property); it != m_storySettings.end())
    {
        auto* flag = dynamic_cast<ZPropertyBool*>(property);
        ApplyStoryItem(it->second, flag && flag->GetValue());
    }
}

int ZMapScreen::OnProfileLoaded()
{
    if (!m_built)
        return 0;
    for (ZNode* badge : m_newStock)
        SetShown(badge, false);
    SetShown(m_bonusPanel, false);
    SailTo(0, 0, false);
    UpdateBonusButtons(0, false);
    UpdateShopButtons(0, false);
    SetShown(m_crewBadge, false);
    HideStoryItems();
    return 0;
}

void ZMapScreen::ShowCrewNews()
{
    SetShown(m_crewBadge, true);
    // The end of a dive may have rung the alert a moment ago: it rings once.
    if (m_sounds[kCrewAlert] && !m_sounds[kCrewAlert]->IsPlaying())
        m_sounds[kCrewAlert]->Play();
}

bool ZMapScreen::ShowNewStockDialog(ZGameState* state, const char* key)
{
    ZGame* game = ZGame::PeekInstance();
    if (!game || !state || game->GetTopState() != state || !key)
        return false;
    if (g_zelkNoPopups.GetValue() || !g_profileToolBelt.GetValue())
        return false;
    // Relaxed play has no air to run out of: new air items are not news there.
    if (g_profileRelaxMode.GetValue())
        if (ZAbilityManager* abilities = ZAbilityManager::PeekInstance();
            abilities && !abilities->IsNonAirItem(key))
            return false;
    ZNewStockDialog* dialog = ZNewStockDialog::PeekInstance();
    if (!dialog || !dialog->TestFlags(kStateLoaded) || !dialog->Announce(key))
        return false;
    // The shop's badge on the chart shows until the player has been there.
    const int shop = ZNewStockDialog::ShopOf(key);
    if (shop >= 0 && shop < 3)
        SetShown(m_newStock[shop], true);
    return true;
}

void ZMapScreen::OnLevelEvent(const ZEvent& event)
{
    static const ZNameId kTip("tip");
    static const ZNameId kFlash("flash_continue");
    static const ZNameId kMagicLungs("magiclungs");
    if (event.id == kTip)
    {
        const char* tip = event.args.Find("tip");
        if (!tip)
            return;
        m_lastTip = tip;
        if (ZToolTipManager* tips = ZToolTipManager::PeekInstance())
        {
            tips->OpenAndArmToolTip(tip, 3.0f);
            tips->CloseToolTipByName(tip, 3.0f);
        }
        m_idleTipClock = Now();
    }
    else if (event.id == kFlash)
    {
        SetShown(m_continueFlash, true);
    }
    else if (event.id == kMagicLungs)
    {
        if (ZCharacterScreen* crew = ZCharacterScreen::PeekInstance())
            if (ZCharacter* first = crew->GetCharacter(0))
                first->SetProperty(ZNameId("air").Value(), "air", "0.1");
    }
}
