// The dive's game state as the board needs it: level start, the short intro fade, pause, the end
// of the dive and the popups the board asks for.
#include "game/dive/ZInGame.h"

#include <algorithm>

#include "engine/audio/ZSound.h"
#include "engine/controllers/ZInterpolateBase.h"
#include "engine/controllers/ZPopupTextController.h"
#include "engine/controllers/ZProgressBar.h"
#include "engine/import/ZSceneXMLImport2.h"
#include "engine/render/ZFont.h"
#include "engine/resource/ZResourcePath.h"
#include "engine/resource/ZStringTable.h"
#include "engine/scene/ZGeom.h"
#include "engine/ui/ZMousePointer.h"
#include "game/common/IGameShell.h"
#include "game/dive/abilities/ZAbilityManager.h"
#include "game/dive/board/ZBoard.h"
#include "game/dive/board/ZBoardHints.h"
#include "game/dive/hud/ZCompletionBar.h"
#include "game/dive/model/ZLevelLoader.h"

ZInGame::ZInGame() = default;

ZInGame::~ZInGame()
{
    if (m_air)
        m_air->RemoveListener(ZBoard::PeekInstance());
}

int ZInGame::Build()
{
    ZGroup* root = GetRoot();
    // The HUD's layout when the game has one; the board plays without it.
    ImportSceneFile(ZResourcePath("resources:ingame.xml"), root);
    m_artifactDrop = root->FindNode("rightbar/artifact_drop");
    if (!m_artifactDrop)
    {
        // Without the HUD's node the artifacts fly to the top right, where the HUD puts it.
        ZGeom* drop = ZGeom::Create();
        drop->SetName("artifact_drop");
        drop->SetPositionXYZ(340.0f, 200.0f, 0.0f);
        root->AddChild(drop);
        m_artifactDrop = drop;
    }
    m_gameOverSound = ZSound::Find("gameover");

    ZBoard* board = ZBoard::GetInstance();
    if (!board->GetParent())
        root->AddChild(board);
    ZGroup* hintLayer = ZGroup::Create();
    hintLayer->SetName("boardhints");
    root->AddChild(hintLayer);
    ZBoardHints::GetInstance()->LoadVisuals(hintLayer);
    ZNode* completion = root->FindNode("completionwidget");
    if (!completion)
    {
        // The bar's own layout, for a HUD that does not place it itself.
        ImportSceneFile(ZResourcePath("resources:completionbar.xml"), root);
        completion = root->FindNode("completionwidget");
    }
    ZCompletionBar::Create(completion);

    m_air = ZProgressBarTimer::Create(nullptr, 0.0);
    m_air->AddListener(board);
    return 0;
}

double ZInGame::GetAirTotal() const
{
    return m_air ? m_air->GetDuration() : 0.0;
}

double ZInGame::GetAirRemaining() const
{
    return m_air ? m_air->GetRemaining() : 0.0;
}

bool ZInGame::StartLevel(const char* boardName, int levelNumber, int bestMedal)
{
    m_phase = kNew;
    m_ending = false;
    m_lost = false;
    m_endDiveShown = false;
    m_medalShown = -1;
    m_introTime = 0.0;
    m_levelNumber = levelNumber;
    m_levelName = boardName ? boardName : "";
    if (ZAbilityManager* abilities = ZAbilityManager::PeekInstance())
        abilities->StopAllAbilities();
    ZBoard* board = ZBoard::GetInstance();
    const bool ok = board->startLevel(boardName, levelNumber);
    board->prepareLevelView();
    if (ZCompletionBar* bar = ZCompletionBar::PeekInstance())
    {
        const std::vector<uint8_t>& sequence = board->loader().GetArtifactLetters();
        bar->SetupForLevel(std::string(sequence.begin(), sequence.end()), std::string(), board->threshold(0),
                           board->threshold(1), board->threshold(2), board->threshold(3), bestMedal);
    }
    if (m_air)
    {
        m_air->SetDuration(ok ? board->airTime() : 0.0);
        m_air->Restart();
        m_air->Pause();
    }
    if (!ok)
        return false;
    m_phase = kIntro;
    return true;
}

void ZInGame::Update(double dt)
{
    ZBoard* board = ZBoard::PeekInstance();
    if (!m_paused && m_phase == kIntro)
    {
        // The board fades in over the first half second, then the dive begins.
        m_introTime += dt;
        const double t = std::clamp(m_introTime * 0.5, 0.0, 1.0);
        if (t <= 0.5)
        {
            if (board)
                board->fadeStep(float(t / 0.5));
            if (ZBoardHints* hints = ZBoardHints::PeekInstance())
                hints->SetHintCountdown(ZBoardHints::kHintDelay);
        }
        else
        {
            if (board)
            {
                board->fadeStep(1.0f);
                board->resetTips();
                board->startIntro();
            }
            if (m_air)
                m_air->Resume();
            m_phase = kPlaying;
        }
    }
    if (!m_paused && m_phase == kPlaying)
    {
        if (ZAbilityManager* abilities = ZAbilityManager::PeekInstance())
        {
            // The air timer drains at full rate; the running air abilities give back their share.
            if (m_air && m_air->IsRunning() && !m_air->IsExpired())
                m_air->AddTime(dt * (1.0 - double(abilities->ModifyAirRate(1.0f))));
            abilities->updateCooldowns(float(dt));
        }
    }
    if (m_phase == kEnding)
        m_phase = kFinishing;
}

void ZInGame::SetPaused(bool paused, bool byMenu)
{
    (void)byMenu;
    const bool changed = paused != m_paused;
    m_paused = paused;
    ZMousePointer* pointer = ZMousePointer::PeekInstance();
    if (changed && pointer)
    {
        if (!paused)
            pointer->LockInput(false);
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
    if (m_air)
    {
        if (paused)
            m_air->Pause();
        else if (m_phase == kPlaying)
            m_air->Resume();
    }
}

void ZInGame::BeginEndDive()
{
    if (m_ending)
        return;
    m_ending = true;
    m_phase = kEnding;
    if (ZAbilityManager* abilities = ZAbilityManager::PeekInstance())
        abilities->StopAllAbilities();
    if (ZBoard* board = ZBoard::PeekInstance())
        board->setInputEnabled(false);
    if (m_air)
        m_air->Pause();
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

void ZInGame::ShowEndDiveButton(bool show, bool flash)
{
    (void)flash;
    m_endDiveShown = show;
}

void ZInGame::OnMedalLevel(int medal)
{
    m_medalShown = medal;
    if (ZBoardHints* hints = ZBoardHints::PeekInstance())
        hints->ShowMedal(medal);
}
