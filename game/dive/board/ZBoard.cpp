// The board's model: construction and resources, the tile and token pools, the level start and
// the reset, artifact registration and the grid queries the rest of the board uses.
#include "game/dive/board/ZBoard.h"

#include <algorithm>

#include "engine/app/ZEngine.h"
#include "engine/audio/ZSound.h"
#include "engine/controllers/ZFlicker.h"
#include "engine/controllers/ZShakeController.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/scene/ZSceneTree.h"
#include "engine/ui/ZGameSprite.h"
#include "game/common/ZThemes.h"
#include "game/dive/ZDiveServices.h"
#include "game/dive/ZInGame.h"
#include "game/dive/board/ZBoardHints.h"
#include "game/dive/board/ZSwapTokensController.h"
#include "game/dive/hud/ZCompletionBar.h"
#include "game/dive/model/ZArtifact.h"
#include "game/dive/model/ZBoardGrid.h"
#include "game/dive/model/ZLevelLoader.h"
#include "game/dive/model/ZTile.h"
#include "game/dive/model/ZToken.h"
#include "game/dive/model/ZTokenType.h"

namespace
{
const char* const kPopSizes[3] = {"3", "4", "5"};

ZSound* FindLoopingSound(const char* name, bool loop)
{
    ZSound* sound = ZSound::Find(name);
    if (sound && loop)
        sound->SetLooping(true);
    return sound;
}

uint64_t Mix(uint64_t hash, uint64_t value)
{
    hash ^= value + 0x9e3779b97f4a7c15ull + (hash << 6) + (hash >> 2);
    return hash;
}
} // namespace

ZBoard::ZBoard()
{
    SetName("board");
    m_grid = new ZBoardGrid();
    m_grid->setCellSize(kCellSize, kCellSize);
    m_rotationLeft = -1.0f;
    m_lastFreezeSpread = -1.0e38;
    m_lastPlacement = -1.0e38;
    m_startPosition = {10.0f, 0.0f, 0.0f};
    SetPosition(m_startPosition);
    ZMousePointer::GetInstance()->AddListener(this);
    if (ZEngine* engine = ZEngine::PeekInstance(); engine && engine->GetInput())
        engine->GetInput()->AddMouseListener(this);
    m_activeTokens.reserve(128);
    initResources();
    SetBoardHost(this);
}

ZBoard::~ZBoard()
{
    if (GetBoardHost() == this)
        SetBoardHost(nullptr);
    if (ZMousePointer* pointer = ZMousePointer::PeekInstance())
    {
        pointer->RemoveListener(this);
        if (m_holdsPointerLock)
            pointer->LockInput(false);
    }
    if (ZEngine* engine = ZEngine::PeekInstance(); engine && engine->GetInput())
        engine->GetInput()->RemoveMouseListener(this);
    freePendingPops();
    freeBatches();
    // Tiles and tokens are children of the board's groups and go with the scene; the grid only
    // points at them.
    delete m_grid;
}

void ZBoard::initResources()
{
    LoadTokenTypeTextures();
    m_tokenGroup = ZGroup::CreateNamed("tokengroup");
    m_tileGroup = ZGroup::CreateNamed("tilesgroup");
    m_highlightGroup = ZGroup::CreateNamed("tilehighlights");
    // Tiles under the tokens, highlights above both (smaller depths are nearer).
    AddChild(m_tileGroup);
    AddChild(m_tokenGroup);
    AddChild(m_highlightGroup);
    char path[96];
    for (int t = 0; t < kThemeCount; ++t)
    {
        std::snprintf(path, sizeof path, "resources:tile_%s_select.png", kThemeNames[t]);
        m_frameTextures[t] = ZTexture::FindOrLoad(path, 0, 1);
        std::snprintf(path, sizeof path, "resources:tile_%s_highlight.png", kThemeNames[t]);
        m_highlightTextures[t] = ZTexture::FindOrLoad(path, 0, 1);
    }
    m_selectFrame = ZGameSprite::CreateFromTexture(m_frameTextures[0]);
    m_selectFrame->SetName("tileselect");
    m_selectFrame->SetSize(kCellSize + 4.0f, kCellSize + 4.0f);
    m_selectFrame->SetActive(false);
    m_highlightGroup->AddChild(m_selectFrame);
    for (int i = 0; i < kInitialHighlights; ++i)
        highlightSprite(size_t(i));
    loadSounds();
    m_loadOrientation = Orientation();
    m_pulses[0] = ZPulseController::Create(this);
    m_pulses[1] = ZPulseController::Create(this);
    m_pulses[1]->kick *= 0.6f;
    m_shake = ZShakeController::Create(this);
    m_shake->SetActive(false);
}

void ZBoard::loadSounds()
{
    m_falseMove = ZSound::Find("falsemove");
    char name[32];
    for (int s = 0; s < 3; ++s)
    {
        m_popVariants[s] = 0;
        for (int v = 0; v < 5; ++v)
        {
            std::snprintf(name, sizeof name, "tokenpop%s_%i", kPopSizes[s], v);
            m_pops[s][v] = ZSound::Find(name);
            if (!m_pops[s][v])
                break;
            m_popVariants[s] = v + 1;
        }
        m_treasureVariants[s] = 0;
        for (int v = 0; v < 5; ++v)
        {
            std::snprintf(name, sizeof name, "tokenpopvalue%s_%i", kPopSizes[s], v);
            m_treasurePops[s][v] = ZSound::Find(name);
            if (!m_treasurePops[s][v])
                break;
            m_treasureVariants[s] = v + 1;
        }
    }
    m_prePop = FindLoopingSound("game_pre_pop", false);
    m_artifactExit = ZSound::Find("artifact_exit");
    m_interestHalo = ZSound::Find("interesthalo");
    m_freezeWarning = FindLoopingSound("freezewarning", true);
    m_rotateBoard = FindLoopingSound("rotateboard", true);
    m_rotateBoardEnd = ZSound::Find("rotateboardend");
}

ZGameSprite* ZBoard::highlightSprite(size_t index)
{
    while (m_highlights.size() <= index)
    {
        ZGameSprite* sprite = ZGameSprite::CreateFromTexture(m_highlightTextures[m_theme]);
        sprite->SetNameF("tilehighlight_%i", int(m_highlights.size()));
        sprite->SetSize(kCellSize, kCellSize);
        sprite->SetActive(false);
        m_highlightGroup->AddChild(sprite);
        m_highlights.push_back(sprite);
    }
    return m_highlights[index];
}

// --- pools

ZToken* ZBoard::acquireToken()
{
    if (ZInGame* dive = ZInGame::PeekInstance())
    {
        if (dive->GetPhase() == ZInGame::kEnding || dive->GetPhase() == ZInGame::kFinishing)
            return nullptr;
    }
    if (m_freeTokens.empty())
        createToken();
    ZToken* token = m_freeTokens.back();
    m_freeTokens.pop_back();
    m_activeTokens.push_back(token);
    token->resetForUse(m_tokenOrientation);
    return token;
}

void ZBoard::createToken()
{
    auto* token = new ZToken();
    token->initialise();
    token->SetActive(false);
    m_tokenGroup->AddChild(token);
    m_tokenIndex[token] = uint32_t(m_allTokens.size());
    m_allTokens.push_back(token);
    m_freeTokens.insert(m_freeTokens.begin(), token);
}

void ZBoard::releaseToken(ZToken* token)
{
    if (!token)
        return;
    auto it = std::find(m_activeTokens.begin(), m_activeTokens.end(), token);
    if (it == m_activeTokens.end())
        return;
    m_activeTokens.erase(it);
    // A swap that still moves it forgets it; a group or pending pop keeps no dangling pointer.
    if (auto* swap = ZEntityCast<ZSwapTokensController>(token->getSwapController()))
        swap->ForgetToken(token);
    unregisterArtifact(token);
    token->setHintPulse(false);
    token->setHover(false);
    if (m_hover && m_hover->getToken() == token)
        m_hover = nullptr;
    if (ZTile* tile = token->getTile())
        tile->forgetToken(token);
    token->release();
    // The free list stays ordered by when each token was made, the first made last, so the pool
    // always hands out the earliest free token: which token object lands where (and so the order
    // of updates, landings and random draws) does not depend on how many tokens earlier levels
    // made.
    const uint32_t index = m_tokenIndex[token];
    auto at = std::upper_bound(m_freeTokens.begin(), m_freeTokens.end(), index,
                               [this](uint32_t i, ZToken* t) { return i > m_tokenIndex[t]; });
    m_freeTokens.insert(at, token);
}

ZTile* ZBoard::acquireTile()
{
    if (m_freeTiles.empty())
    {
        auto* tile = new ZTile();
        tile->SetActive(false);
        m_tileGroup->AddChild(tile);
        m_allTiles.push_back(tile);
        m_freeTiles.push_back(tile);
    }
    ZTile* tile = m_freeTiles.back();
    m_freeTiles.pop_back();
    m_activeTiles.push_back(tile);
    tile->reset();
    tile->setToPlain();
    tile->SetActive(true);
    return tile;
}

void ZBoard::releaseTile(ZTile* tile)
{
    auto it = std::find(m_activeTiles.begin(), m_activeTiles.end(), tile);
    if (it == m_activeTiles.end())
        return;
    m_activeTiles.erase(it);
    tile->reset();
    tile->SetActive(false);
    m_freeTiles.push_back(tile);
}

void ZBoard::addEdgeTile(ZTile* tile)
{
    if (std::find(m_edgeTiles.begin(), m_edgeTiles.end(), tile) == m_edgeTiles.end())
        m_edgeTiles.push_back(tile);
}

void ZBoard::addExitTile(ZTile* tile)
{
    if (std::find(m_exitTiles.begin(), m_exitTiles.end(), tile) == m_exitTiles.end())
        m_exitTiles.push_back(tile);
}

void ZBoard::addArtifactSpawnTile(ZTile* tile)
{
    if (std::find(m_spawnPoints.begin(), m_spawnPoints.end(), tile) == m_spawnPoints.end())
        m_spawnPoints.push_back(tile);
}

void ZBoard::playSound(const char* name)
{
    if (name)
        play(ZSound::Find(name), name);
}

bool ZBoard::isBoardFadingIn() const
{
    ZInGame* dive = ZInGame::PeekInstance();
    return dive && dive->GetPhase() == ZInGame::kIntro;
}

ZMaterial* ZBoard::sparkleTemplate()
{
    return ZMaterial::Find("sparkly_material");
}

int32_t ZBoard::artifactsToCollect() const
{
    if (ZCompletionBar* bar = ZCompletionBar::PeekInstance())
        return bar->GetRemaining();
    return int32_t(m_lettersToCome.size() + m_artifacts.size());
}

// --- artifacts on the board

void ZBoard::registerToken(ZToken* token)
{
    if (!token)
        return;
    if (m_levelNumber == 1 && m_artifacts.empty() && token->getTile())
    {
        m_tutorialColumn = token->getTile()->getColumn();
        m_tutorialRow = token->getTile()->getRow();
    }
    if (token->getType() != kArtifactTokenType)
        return;
    useArtifactLetter(char(token->getArtifactId()));
    if (std::find(m_artifacts.begin(), m_artifacts.end(), token) == m_artifacts.end())
        m_artifacts.push_back(token);
}

void ZBoard::unregisterArtifact(ZToken* token)
{
    auto it = std::find(m_artifacts.begin(), m_artifacts.end(), token);
    if (it != m_artifacts.end())
        m_artifacts.erase(it);
}

char ZBoard::nextArtifactLetter() const
{
    return m_lettersToCome.empty() ? 0 : m_lettersToCome.front();
}

void ZBoard::useArtifactLetter(char letter)
{
    const size_t at = m_lettersToCome.find(letter);
    if (at != std::string::npos)
        m_lettersToCome.erase(at, 1);
}

// --- level

bool ZBoard::startLevel(const char* boardName, int levelNumber)
{
    m_exitTiles.clear();
    m_spawnPoints.clear();
    m_edgeTiles.clear();
    m_tokenOrientation = M33();
    m_lastPlacement = -1.0e38;
    m_levelNumber = levelNumber;
    m_quarterTurns = 0;
    m_dragMoves = 0;
    m_clickMoves = 0;
    m_pressedTile = nullptr;
    if (ZBoardHints* hints = ZBoardHints::PeekInstance())
        hints->SetHintCountdown(ZBoardHints::kHintDelay);
    GetDiveServices()->DisarmAbility();
    m_levelName = boardName ? boardName : "";
    m_lastFreezeSpread = -1.0e38;
    resetBoard();
    m_inputEnabled = true;
    m_selected = nullptr;
    m_hover = nullptr;
    m_pressed = false;
    m_sweepRow = 0;
    m_popped = 0;
    m_lastPop = 0.0;
    m_tip.clear();
    m_tip2.clear();
    m_artifacts.clear();
    m_lettersToCome.clear();
    m_maxArtifacts = 0;
    std::fill(std::begin(m_thresholds), std::end(m_thresholds), 0);
    m_rotationLeft = -1.0f;
    SetPosition(m_startPosition);

    // A board that cannot be read or is malformed leaves the board empty: the level is refused.
    const std::string path = "resources:boards/" + m_levelName;
    ZLevelLoader& reader = m_grid->loader();
    if (m_grid->build(path.c_str()) != ZLevelLoader::kLoadOk)
    {
        m_grid->releaseTiles();
        m_gridTiles.clear();
        return false;
    }
    const ZTokenTypeInfo* rows[kLevelTokenTypes] = {};
    ChooseTokenTypes(reader.GetTokenNames(), m_levelName.c_str(), rows);
    SetLevelTokenTypes(rows);
    std::copy(std::begin(rows), std::end(rows), m_types);
    for (uint8_t letter : reader.GetArtifactLetters())
        m_lettersToCome.push_back(char(letter));
    m_grid->place();
    m_freeze.StartLevel(reader.HasFreeze());
    m_gridTiles.clear();
    m_grid->collectTiles(m_gridTiles);
    // Artifacts placed by the board file: they came from the letters too.
    for (ZTile* tile : m_gridTiles)
    {
        if (tile && tile->getToken() && tile->getToken()->getType() == kArtifactTokenType)
            registerToken(tile->getToken());
    }
    m_maxArtifacts = uint32_t(m_artifacts.size());
    m_tip = reader.GetTip();
    m_tip2 = reader.GetTip2();
    showLevelTips();
    for (int m = 0; m < 4; ++m)
        m_thresholds[m] = reader.GetThreshold(m);
    return true;
}

float ZBoard::airTime() const
{
    return m_grid->loader().GetAirTime();
}

void ZBoard::freePendingPops()
{
    for (ZPendingPop* record : m_pendingPops)
        delete record;
    m_pendingPops.clear();
}

void ZBoard::freeBatches()
{
    // Tokens still pointing at a batch leave it first, so none keeps a freed group.
    auto drop = [](ZMovementGroup* group)
    {
        for (ZToken* token : std::vector<ZToken*>(group->tokens))
        {
            if (token->getMovementGroup() == group)
                token->leaveMovementGroup();
        }
    };
    std::vector<ZMovementGroup*> all = m_waiting;
    if (m_current && std::find(all.begin(), all.end(), m_current) == all.end())
        all.push_back(m_current);
    m_waiting.clear();
    m_current = nullptr;
    m_resetting = true;
    for (ZMovementGroup* group : all)
    {
        drop(group);
        delete group;
    }
    m_resetting = false;
}

void ZBoard::resetBoard()
{
    ++m_resets;
    freePendingPops();
    freeBatches();
    restoreOrientation();
    m_orientation = 0;
    m_grid->setRotation(0);
    if (m_rotateBoard)
        m_rotateBoard->Stop();
    m_rotationLeft = -1.0f;
    m_rotationElapsed = 0.0f;
    releaseRotationLock();
    m_highlightState = 0;
    for (ZToken* token : std::vector<ZToken*>(m_activeTokens))
        releaseToken(token);
    m_artifacts.clear();
    m_grid->clearLinks();
    m_grid->releaseTiles();
    m_gridTiles.clear();
    // The pools hand out their objects in the order they were made, as on a fresh start.
    if (m_activeTokens.empty())
        m_freeTokens.assign(m_allTokens.rbegin(), m_allTokens.rend());
    if (m_activeTiles.empty())
        m_freeTiles.assign(m_allTiles.rbegin(), m_allTiles.rend());
    for (ZTile* tile : m_exitTiles)
        tile->SetActive(false);
    if (m_freezeWarning)
        m_freezeWarning->Stop();
}

// --- grid queries

ZTile* ZBoard::tileAt(float x, float y)
{
    V3 p = {x, y, 0.0f};
    WorldToLocal(p);
    int column = 0, row = 0;
    if (!m_grid->cellAtPoint(p, column, row))
        return nullptr;
    return m_grid->tileAt(column, row);
}

ZTile* ZBoard::tileAtCell(int column, int row) const
{
    return m_grid->tileAt(column, row);
}

const std::vector<ZTile*>& ZBoard::gridTiles() const
{
    return m_gridTiles;
}

int ZBoard::gridWidth() const
{
    return m_grid->getWidth();
}

int ZBoard::gridHeight() const
{
    return m_grid->getHeight();
}

const ZTokenTypeInfo* ZBoard::levelTokenType(int type) const
{
    return type >= 0 && type < kLevelTokenTypes ? m_types[type] : nullptr;
}

uint64_t ZBoard::gridHash() const
{
    uint64_t hash = 1469598103934665603ull;
    for (ZTile* tile : m_gridTiles)
    {
        hash = Mix(hash, uint64_t(tile->getGridColumn() * 131 + tile->getGridRow()));
        hash = Mix(hash, uint64_t(tile->getKind()));
        hash = Mix(hash, uint64_t(tile->getState()));
        ZToken* token = tile->getToken();
        hash = Mix(hash, token ? uint64_t(token->getType() + 1) : 0u);
        hash = Mix(hash, token ? uint64_t(token->getArtifactId()) : 0u);
    }
    hash = Mix(hash, uint64_t(m_orientation));
    hash = Mix(hash, uint64_t(m_popped));
    return hash;
}

bool ZBoard::isSettled() const
{
    if (!m_pendingPops.empty() || isRotating())
        return false;
    if (!m_waiting.empty() || (m_current && !m_current->tokens.empty()))
        return false;
    for (ZToken* token : m_activeTokens)
    {
        if (token->getState() != kTokenSettled)
            return false;
    }
    // A tile waiting below a chain or a block may wait for good; one with a token on its way in
    // or popping is still busy.
    for (ZTile* tile : m_gridTiles)
    {
        if (tile->getState() == kTileIncoming || tile->getState() == kTilePopping || tile->getIncomingToken())
            return false;
    }
    return true;
}

ZLevelLoader& ZBoard::loader()
{
    return m_grid->loader();
}

void ZBoard::play(ZSound* sound, const char* name)
{
    constexpr size_t kLogSize = 64;
    if (m_soundLog.size() >= kLogSize)
        m_soundLog.erase(m_soundLog.begin());
    m_soundLog.push_back(name);
    if (sound)
        sound->Play();
}
