// The dive's game state: level start with its tables, the intro and its music, the frame, pause
// and resume, the keys, the end of the dive and the hand-over of its results.
#include "game/dive/ZInGame.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "engine/app/ZEngine.h"
#include "engine/app/ZGame.h"
#include "engine/audio/IAudio.h"
#include "engine/audio/ZSound.h"
#include "engine/controllers/ZInterpolateBase.h"
#include "engine/controllers/ZPopupTextController.h"
#include "engine/controllers/ZProgressBar.h"
#include "engine/core/ZPropertyManager.h"
#include "engine/import/ZSceneXMLImport2.h"
#include "engine/render/ZFont.h"
#include "engine/resource/ZResourcePath.h"
#include "engine/resource/ZStringTable.h"
#include "engine/scene/ZFontText.h"
#include "engine/scene/ZGeom.h"
#include "engine/ui/ZMousePointer.h"
#include "engine/ui/ZToolTipManager.h"
#include "game/common/IGameShell.h"
#include "game/decoration/ZBackground.h"
#include "game/dive/ZDiveServices.h"
#include "game/dive/ZDiveSettings.h"
#include "game/dive/abilities/ZAbilityManager.h"
#include "game/dive/board/ZBoard.h"
#include "game/dive/board/ZBoardHints.h"
#include "game/dive/crew/ZCharacter.h"
#include "game/dive/crew/ZCharacterButton.h"
#include "game/dive/crew/ZToolBelt.h"
#include "game/dive/hud/ZAmuletIntro.h"
#include "game/dive/hud/ZCompletionBar.h"
#include "game/dive/hud/ZLevelIndicator.h"
#include "game/dive/hud/ZOxygenBar.h"
#include "game/dive/hud/ZScoreBoard.h"
#include "game/dive/hud/ZTreasureBar.h"
#include "game/dive/model/ZLevelLoader.h"

namespace
{
const float kRotationCharge[4] = {30.0f, 24.0f, 18.0f, 12.0f};
const float kAmuletCharge[6] = {1.2f, 1.2f, 1.1f, 1.0f, 0.9f, 0.8f};
const float kBoardRotation[6] = {3.6f, 3.0f, 2.6f, 2.2f, 1.8f, 1.4f};
// The setting allows a fourth step; the table goes on in the same steps rather than read past.
const float kAirFactor[4] = {1.0f, 0.88f, 0.76f, 0.64f};
constexpr double kAmuletMusicDelay = 4.0;
constexpr double kIntroMusicAt = 0.75;
// The Escape key's scan code.
constexpr uint32_t kEscapeScanCode = 1;

template <class T> T SettingValue(const char* name, T fallback)
{
    ZPropertyManager* settings = ZPropertyManager::PeekInstance();
    ZPropertyTempl<T>* setting = settings ? settings->FindTyped<T>(name) : nullptr;
    return setting ? setting->GetValue() : fallback;
}

void UnlockPointerOnce()
{
    if (ZMousePointer* pointer = ZMousePointer::PeekInstance(); pointer && pointer->GetLockCount() > 0)
        pointer->LockInput(false);
}

void EnableToolTips(bool on)
{
    ZToolTipManager* tips = ZToolTipManager::PeekInstance();
    if (!tips)
        return;
    tips->SetEnabled(on);
    ZMousePointer* pointer = ZMousePointer::PeekInstance();
    if (on)
    {
        if (pointer)
            pointer->AddListener(tips);
        return;
    }
    tips->HideNow();
    if (pointer)
        pointer->RemoveListener(tips);
}
} // namespace

float ZInGame::RotationChargeSeconds(int rotateLevel)
{
    return kRotationCharge[std::clamp(rotateLevel, 0, 3)];
}

float ZInGame::AmuletChargeFactor(int amulet)
{
    return kAmuletCharge[std::clamp(amulet, 0, 5)];
}

float ZInGame::BoardRotationSeconds(int amulet)
{
    return kBoardRotation[std::clamp(amulet, 0, 5)];
}

float ZInGame::AirFactor(int airless)
{
    return kAirFactor[std::clamp(airless, 0, 3)];
}

double ZInGame::DiveAirSeconds(double boardAir, int airless, float crewAirFactor)
{
    // A crew member without an air factor would make the air endless; it counts as 1.
    const double crew = crewAirFactor > 0.0f ? double(crewAirFactor) : 1.0;
    return (1.0 / crew) * (boardAir / double(AirFactor(airless)));
}

int ZInGame::MedalFor(int value, const int thresholds[4])
{
    if (value == 0)
        return -1;
    for (int medal = 3; medal >= 0; --medal)
    {
        if (value >= thresholds[medal])
            return medal;
    }
    return -1;
}

double ZInGame::IntroProgress(double elapsed, double soundSeconds)
{
    const double t = soundSeconds > 0.0 ? elapsed / soundSeconds : elapsed * 0.5;
    return std::clamp(t, 0.0, 1.0);
}

ZInGame::ZInGame()
{
    SetDiveStarter(this);
    SetAbilityDive(this);
}

ZInGame::~ZInGame()
{
    if (GetDiveStarter() == this)
        SetDiveStarter(nullptr);
    if (GetAbilityDive() == this)
        SetAbilityDive(nullptr);
    if (g_engine && g_engine->GetInput())
        g_engine->GetInput()->RemoveKeyboardListener(this);
    if (m_rotationSetting)
        m_rotationSetting->RemoveListener(this);
    if (m_amuletSetting)
        m_amuletSetting->RemoveListener(this);
    if (m_air)
    {
        m_air->RemoveListener(ZBoard::PeekInstance());
        m_air->StopAir();
    }
    if (m_rotationCharge)
        m_rotationCharge->RemoveListener(this);
    ReleaseCrewMember();
    // The crew buttons' kind pictures are this HUD's: they go with it.
    for (int kind = 0; kind < ZCharacter::kKindCount; ++kind)
        ZCharacterButton::SetKindMaterials(kind, nullptr, nullptr, nullptr, nullptr);
    for (ZButton2D* button : {m_endDiveButton, m_rotateLeft, m_rotateRight})
    {
        if (button)
            button->RemoveListener(this);
    }
    delete m_levelIndicator;
    delete m_ownBelt;
    ZScoreBoard::DestroyInstance();
    if (ZTreasureBar* chest = ZTreasureBar::PeekInstance())
        chest->Release();
}

ZProgressBarTimer* ZInGame::GetAirTimer() const
{
    return m_air;
}

double ZInGame::GetAirTotal() const
{
    return m_air ? m_air->GetDuration() : 0.0;
}

double ZInGame::GetAirRemaining() const
{
    return m_air ? m_air->GetRemaining() : 0.0;
}

double ZInGame::GetLevelStartSeconds() const
{
    // Only a sound whose format is known has a length; the silent audio layer's sounds carry none.
    ZSoundResource* data = m_levelStart ? m_levelStart->GetResource() : nullptr;
    if (!data || data->GetDataSize() <= 0)
        return 0.0;
    const uint32_t rate = data->GetSampleRate();
    const uint32_t channels = data->GetChannels();
    const uint32_t bits = data->GetBitsPerSample();
    if (rate == 0 || rate == 0xFFFFFFFFu || channels == 0 || channels == 255 || bits < 8)
        return 0.0;
    return double(data->GetDataSize()) / double(rate) / double(channels) / double(bits / 8);
}

ZGameState* ZInGame::StartLevel(ZLevel* level)
{
    if (!level)
        return nullptr;
    m_theme = level->theme;
    if (!StartLevel(level->GetBoardName().c_str(), level->number, level->medal))
        return nullptr;
    m_level = level;
    return this;
}

bool ZInGame::StartLevel(const char* boardName, int levelNumber, int bestMedal)
{
    if (!m_hudLoaded)
        Build();
    m_level = nullptr;
    if (m_air)
        m_air->Reset();
    m_frameTime = 0.0;
    m_frames = 0;
    m_lowestFps = 1000.0f;
    m_highestFps = 0.0f;
    m_levelStarted = true;

    ZBoard* board = ZBoard::GetInstance();
    if (ZBackground* background = ZBackground::PeekInstance())
    {
        background->SetTheme(m_theme);
        // The chart and the crew screen, which come before a dive, put the sea away; the board is
        // played over it.
        background->Show(true);
    }
    if (m_theme >= 0)
    {
        board->applyTheme(m_theme);
        for (int i = 0; i < kThemes; ++i)
        {
            if (m_themeLights[i])
                m_themeLights[i]->SetHidden(i != m_theme);
        }
    }
    m_playerEnded = false;
    m_phase = kNew;
    m_lost = false;
    m_medalShown = -1;
    m_finalMedal = -1;
    m_introStamp = -1.0e38;
    m_levelNumber = levelNumber;
    m_bestMedal = bestMedal;
    m_levelName = boardName ? boardName : "";

    const int amulet = SettingValue<int32_t>("profile.amulet", 0);
    if (m_rotationCharge)
        m_rotationCharge->SetDuration(RotationChargeSeconds(SettingValue<int32_t>("profile.rotatelevel", 0)) *
                                      AmuletChargeFactor(amulet));
    m_speedFactor = 1.0f;
    m_chargeFactor = 1.0f;
    if (ZScoreBoard* score = ZScoreBoard::PeekInstance())
        score->SetScore(SettingValue<int32_t>("profile.score", 0));
    ShowEndDiveButton(false, false);
    m_ending = false;
    m_skipEndScreen = false;
    if (m_levelIndicator)
        m_levelIndicator->SetLevel(levelNumber);

    // The last dive's treasure went to the player when its results were counted (the end of level
    // may be left before its count has emptied the chest): every dive starts with an empty chest.
    if (ZTreasureBar* chest = ZTreasureBar::PeekInstance())
    {
        chest->SetValue(0);
        chest->Reset();
    }
    const bool ok = board->startLevel(boardName, levelNumber);
    board->prepareLevelView();
    m_phase = kIntro;
    if (ZCompletionBar* bar = ZCompletionBar::PeekInstance())
    {
        const std::vector<uint8_t>& sequence = board->loader().GetArtifactLetters();
        bar->SetupForLevel(std::string(sequence.begin(), sequence.end()), std::string(), board->threshold(0),
                           board->threshold(1), board->threshold(2), board->threshold(3), bestMedal);
    }
    if (m_air)
    {
        const double air = ok ? DiveAirSeconds(board->airTime(), SettingValue<int32_t>("profile.airless", 0),
                                               GetDiveServices()->GetCrewAirFactor())
                              : 0.0;
        m_air->SetDuration(air);
        m_air->Reset();
        m_air->StopAir();
    }
    // The first turn is there from the start.
    if (m_rotationCharge)
    {
        m_rotationCharge->Restart();
        m_rotationCharge->Finish();
        m_rotationCharge->SetValue(1.0f);
    }
    EnableRotateButtons(true);
    if (g_audio)
        g_audio->FadeOutMusic(1.0f);
    if (ZAbilityManager* abilities = ZAbilityManager::PeekInstance())
        abilities->StopAllAbilities();
    for (int i = 0; i < kEffects; ++i)
        SetEffect(i, 0.0f);
    if (m_levelStart)
        m_levelStart->Play();
    m_musicStarted = false;
    if (!ok)
    {
        m_phase = kNew;
        return false;
    }
    return true;
}

void ZInGame::StartPlay()
{
    ZBoard* board = ZBoard::PeekInstance();
    if (board)
    {
        board->fadeStep(1.0f);
        board->resetTips();
        board->startIntro();
    }
    if (m_air)
        m_air->StartAir();
    m_phase = kPlaying;
}

void ZInGame::UpdateIntro(double dt)
{
    (void)dt;
    const double t = IntroProgress(m_frameTime, GetLevelStartSeconds());
    const bool introduceAmulet = g_profileIntroduceAmulet.GetValue();
    if (t > kIntroMusicAt && !m_musicStarted && !introduceAmulet)
        StartMusic();
    ZBoard* board = ZBoard::PeekInstance();
    if (m_phase == kIntro)
    {
        if (t <= 0.5)
        {
            if (board)
                board->fadeStep(float(t / 0.5));
        }
        else if (!introduceAmulet || !m_amuletIntro)
        {
            StartPlay();
        }
        else
        {
            if (board)
                board->fadeStep(1.0f);
            m_phase = kAmuletIntro;
            if (!m_amuletIntro->GetParent())
                GetRoot()->AddChild(m_amuletIntro);
            m_amuletIntro->Show();
            ShowTopBar(false);
        }
        if (m_phase == kIntro)
        {
            if (ZBoardHints* hints = ZBoardHints::PeekInstance())
                hints->SetHintCountdown(ZBoardHints::kHintDelay);
        }
    }
    if (m_phase == kAmuletIntro)
    {
        if (m_amuletIntro && !m_amuletIntro->IsActive() && m_introStamp < -1.0e37)
            m_introStamp = EngineClockNow();
        if (m_introStamp > -1.0e37 && EngineClockNow() - m_introStamp >= kAmuletMusicDelay)
        {
            StartMusic();
            StartPlay();
            g_profileIntroduceAmulet.SetValue(false);
            EnableToolTips(true);
            if (m_pointerLockedByIntro)
            {
                m_pointerLockedByIntro = false;
                UnlockPointerOnce();
            }
        }
    }
}

void ZInGame::Update(double dt)
{
    if (!m_paused)
    {
        ++m_frames;
        m_frameTime += dt;
        if (m_frames > 10 && m_frameTime > 0.0)
        {
            const float fps = float(double(m_frames) / m_frameTime);
            m_lowestFps = std::min(m_lowestFps, fps);
            m_highestFps = std::max(m_highestFps, fps);
        }
        for (int i = 0; i < kEffects; ++i)
            m_effectValues[i] = 0.0f;
        if (ZAbilityManager* abilities = ZAbilityManager::PeekInstance())
            abilities->updateCooldowns(float(dt));
        for (int i = 0; i < kEffects; ++i)
            SetEffect(i, m_effectValues[i]);
        if (m_phase == kIntro || m_phase == kAmuletIntro)
            UpdateIntro(dt);
        ConnectDropTargets();
    }
    if (m_phase == kFinishing && m_ending && !m_skipEndScreen && ReadyToFinish())
        Finish();
    if (m_phase == kEnding)
        m_phase = kFinishing;
}

bool ZInGame::ReadyToFinish() const
{
    if (m_phase != kEnding && m_phase != kFinishing)
        return false;
    if (ZCompletionBar* bar = ZCompletionBar::PeekInstance(); bar && bar->GetSlidesInFlight() > 0)
        return false;
    if (ZBoardHints* hints = ZBoardHints::PeekInstance())
    {
        if (!hints->GetInFlight().empty() || hints->IsMedalPopupActive())
            return false;
    }
    return true;
}

void ZInGame::StartMusic()
{
    m_musicStarted = true;
    IGameShell* shell = GetGameShell();
    ZBoard* board = ZBoard::PeekInstance();
    ZPlayList* list = nullptr;
    if (board && !board->loader().GetMusic().empty())
        list = shell->FindPlayList(board->loader().GetMusic().c_str());
    if (!list)
    {
        const int theme = std::clamp(m_theme, 0, kThemes - 1);
        static const char* const kThemeTracks[kThemes] = {"sand_tracks",    "coral_tracks",     "shipwreck_tracks",
                                                          "volcano_tracks", "deepwater_tracks", "sunkencity_tracks"};
        list = shell->FindPlayList(kThemeTracks[theme]);
    }
    if (list)
        shell->PlayPlayList(list);
}

void ZInGame::SetPaused(bool paused, bool byMenu)
{
    const bool changed = paused != m_paused;
    m_paused = paused;
    if (paused && byMenu)
    {
        if (ZToolTipManager* tips = ZToolTipManager::PeekInstance())
            tips->StartHide();
    }
    ZMousePointer* pointer = ZMousePointer::PeekInstance();
    if (changed && pointer)
    {
        if (!paused)
            UnlockPointerOnce();
        else if (!pointer->IsLocked())
            pointer->LockInput(true);
    }
    ZBoard* board = ZBoard::PeekInstance();
    if (paused && board)
    {
        board->clearSelection();
        board->stopLoops();
    }
    if (ZBoardHints* hints = ZBoardHints::PeekInstance())
        hints->SetPaused(paused);
    if (!paused && m_pausedLabel)
        m_pausedLabel->SetHidden(true);
    if (byMenu)
    {
        if (m_pausedLabel)
            m_pausedLabel->SetHidden(!paused);
        if (board)
            board->SetHidden(paused);
    }
    if (m_amuletIntro && m_amuletIntro->IsActive())
        m_amuletIntro->SetPaused(paused);
    if (m_air)
    {
        if (paused)
            m_air->StopAir();
        else if (m_phase == kPlaying)
            m_air->StartAir();
    }
    if (m_rotationCharge)
    {
        if (paused)
            m_rotationCharge->Pause();
        else if (m_rotationCharge->GetDisplayValue() < 1.0f && !m_rotationCharge->IsExpired())
            m_rotationCharge->Resume();
    }
}

void ZInGame::OnLoseFocus()
{
    if (ZAbilityManager* abilities = ZAbilityManager::PeekInstance())
        abilities->DisarmAbility();
    SetPaused(true, false);
    if (m_levelIndicator)
        m_levelIndicator->SetMenuEnabled(false);
    if (ZToolTipManager* tips = ZToolTipManager::PeekInstance())
        tips->StartHide();
    UnlockPointerOnce();
}

void ZInGame::OnGainFocus()
{
    ZGame* game = ZGame::PeekInstance();
    if (game && game->GetTopState() != this)
        return;
    if (m_paused)
    {
        if (ZMousePointer* pointer = ZMousePointer::PeekInstance())
            pointer->LockInput(true);
    }
    SetPaused(false, false);
    if (m_levelIndicator)
        m_levelIndicator->SetMenuEnabled(true);
}

void ZInGame::OnRemove()
{
    // The member's powers leave with the dive; the next dive binds them again.
    ReleaseCrewMember();
    if (ZBoard* board = ZBoard::PeekInstance())
    {
        board->setInputEnabled(false);
        board->resetBoard();
    }
    if (m_air)
    {
        m_air->StopAir();
        m_air->StopLeak();
    }
    if (m_chargingSound)
        m_chargingSound->Stop();
    SetPaused(false, true);
    GetGameShell()->HidePopups();
    if (g_engine && g_engine->GetInput())
        g_engine->GetInput()->RemoveKeyboardListener(this);
}

void ZInGame::BeginEndDive()
{
    if (m_ending)
        return;
    m_ending = true;
    m_phase = kEnding;
    // Lasting abilities end with the dive (their effects must not outlive the board they act on).
    if (ZAbilityManager* abilities = ZAbilityManager::PeekInstance())
        abilities->StopAllAbilities();
    if (ZBoard* board = ZBoard::PeekInstance())
        board->setInputEnabled(false);
    if (m_air)
    {
        m_air->StopAir();
        m_air->StopLeak();
    }
}

void ZInGame::Finish()
{
    ZBoard* board = ZBoard::PeekInstance();
    if (board)
    {
        board->stopLoops();
        board->highlightEdgeTiles(false, true);
    }
    ZCompletionBar* bar = ZCompletionBar::PeekInstance();
    const int filled = bar ? bar->GetFilledCount() : 0;
    int thresholds[4] = {0, 0, 0, 0};
    for (int m = 0; m < 4; ++m)
        thresholds[m] = bar ? bar->GetThreshold(m) : (board ? board->threshold(m) : 0);
    int medal = MedalFor(filled, thresholds);
    if (m_medalOverride != -1)
    {
        medal = m_medalOverride;
        m_medalOverride = -1;
    }
    m_finalMedal = medal;
    if (ZAbilityManager* abilities = ZAbilityManager::PeekInstance())
        abilities->StopAllAbilities();

    SDiveResult result;
    result.artifacts = filled;
    result.medal = medal;
    result.treasure = ZTreasureBar::PeekInstance() ? ZTreasureBar::PeekInstance()->GetContent() : 0;
    result.profileTreasure = SettingValue<int32_t>("profile.treasure", 0);
    result.profileScore = SettingValue<int32_t>("profile.score", 0);
    result.completionPoints = filled * 100;
    result.airLeft = float(GetAirRemaining());
    result.airBonus = int32_t(GetAirRemaining() * 2.0);
    result.lost = m_lost;
    result.playerEnded = m_playerEnded;
    result.level = m_level;
    result.levelNumber = m_levelNumber;
    char title[16];
    std::snprintf(title, sizeof title, "%i", m_levelNumber);
    result.title = title;

    m_phase = kFinished;
    // One line per finished dive: how it ended and the board it left, for play logs and replays. The
    // score is what this dive earns (treasure, artifacts and air, as the end of level counts it);
    // the player's total only takes it in when the end of level is left.
    const long long diveScore =
        (long long)result.treasure + (long long)result.completionPoints + (long long)result.airBonus;
    std::printf(
        "Dive: %s ended (%s): medal %d, artifacts %d, treasure %d, score %lld, air left %.2f s, board "
        "%016llx\n",
        m_levelName.c_str(), m_lost ? "lost" : (m_playerEnded ? "surfaced" : "won"), medal, filled,
        int(result.treasure), diveScore, double(result.airLeft),
        board ? static_cast<unsigned long long>(board->gridHash()) : 0ULL);
    std::fflush(stdout);
    if (g_audio)
        g_audio->FadeOutMusic(1.0f);
    if (m_skipEndScreen)
        return;
    IGameShell* shell = GetGameShell();
    ZGame* game = ZGame::PeekInstance();
    if (ZGameState* endScreen = shell->PrepareEndOfLevel(result))
    {
        ZGame::GotoState(endScreen);
        if (result.airLeft <= 0.0f)
            shell->OnDiverOutOfAir();
        return;
    }
    // Without an end-of-level screen the dive keeps the medal itself and goes back to the
    // campaign; a lost dive leaves that to the game-over dialog it opened.
    if (m_level && medal > m_level->medal)
        m_level->medal = medal;
    if (m_lost || !game)
        return;
    if (ZGameState* campaign = game->FindState("levelcontrol"))
        game->ClearStates(campaign);
}

void ZInGame::ShowPraise(int n, const V3& centre)
{
    if (n < 4)
        return;
    if (!m_praiseLooked)
    {
        ZStringTable* strings = ZStringTable::GetInstance();
        m_praise[0] = strings->GetText("game.good");
        m_praise[1] = strings->GetText("game.verygood");
        m_praise[2] = strings->GetText("game.great");
        m_praise[3] = strings->GetText("game.fantastic");
        m_praiseLooked = true;
    }
    const char* text = m_praise[std::min(n, 7) - 4];
    ZNode* layer = GetGameShell()->GetPopupLayer();
    ZFont* font = ZFont::Find("font_popup");
    if (!layer || !font)
        return;
    V3 at = centre;
    at.y += 52.0f;
    ZPopupTextController* popup =
        ZPopupTextController::Create(text, font, layer, &at, &at, 1.0f, 1.0f, 0.9f, 0.0f, EaseInCubic, 1.2);
    popup->SetActive(true);
}

void ZInGame::OnMedalLevel(int medal)
{
    m_medalShown = medal;
    if (ZBoardHints* hints = ZBoardHints::PeekInstance())
        hints->ShowMedal(medal);
}

void ZInGame::OnShow()
{
    if (!SettingValue<std::string>("zelk.board", std::string()).empty())
    {
        // A board started by name plays with a full belt of the basic tools.
        g_profileNumSlots.SetValue(5);
        static const char* const kTools[5] = {"break3x3", "air2", "swap", "breakrow", "breaktile"};
        ZPropertyManager* settings = ZPropertyManager::PeekInstance();
        for (int i = 0; i < 5; ++i)
        {
            char name[64];
            std::snprintf(name, sizeof name, "profile.inventory.%s", kTools[i]);
            if (ZPropertyInt* count = settings ? settings->FindTyped<int32_t>(name) : nullptr)
            {
                for (int step = 0; step < 10; ++step)
                    count->SetValue(count->GetValue() + 1);
            }
        }
        static const char* const kSlots[5] = {"break3x3", "air2", "swap", "breakrow", "breaktile"};
        for (int i = 0; i < 5; ++i)
            g_profileSlot[i].SetValue(kSlots[i]);
    }
    ShowTopBar(SettingValue<bool>("profile.rotation", false));
    ShowAmuletKeys();
    ShowCrewMember();
    if (g_forceAmuletIntro.GetValue())
        g_profileIntroduceAmulet.SetValue(true);
    m_introStamp = -1.0e38;
    if (g_engine && g_engine->GetInput())
        g_engine->GetInput()->AddKeyboardListener(this);
    if (ZBoard* board = ZBoard::PeekInstance())
        board->setInputEnabled(true);
    if (!g_profileIntroduceAmulet.GetValue())
        return;
    ShowTopBar(false);
    if (!m_amuletIntro)
        m_amuletIntro = ZAmuletIntro::Create();
    EnableToolTips(false);
    if (ZMousePointer* pointer = ZMousePointer::PeekInstance())
    {
        pointer->LockInput(true);
        m_pointerLockedByIntro = true;
    }
}

void ZInGame::OnKey(uint32_t scanCode, int32_t character)
{
    if (m_phase != kPlaying)
        return;
    // Escape opens the in-game menu, as the menu button does (the game ignores it over the dive).
    if (scanCode == kEscapeScanCode)
    {
        ZGame* game = ZGame::PeekInstance();
        if (!m_paused && m_levelIndicator && (!game || game->GetTopState() == this))
            m_levelIndicator->OpenMenu();
        return;
    }
    ZBoard* board = ZBoard::PeekInstance();
    if (!board)
        return;
    switch (character)
    {
    case 'h':
        board->startRotation(-1, 0.0f);
        break;
    case 'g':
        board->startRotation(1, 0.0f);
        break;
    default:
        break;
    }
}

void ZInGame::SkipLevel()
{
    m_medalOverride = 2;
    BeginEndDive();
    m_skipEndScreen = false;
    if (ZCompletionBar* bar = ZCompletionBar::PeekInstance())
        bar->SetPlayerEnded();
    if (ZBoard* board = ZBoard::PeekInstance())
        board->clearSelection();
}

void ZInGame::AddAirTime(float seconds)
{
    if (m_air)
        m_air->AddTime(seconds);
}

void ZInGame::SetAirWarnings(bool on)
{
    if (m_air)
        m_air->SetWarningsOff(!on);
}
