#pragma once
// The dive's match board: one scene group holding the grid of tiles with their tokens, the token
// and tile pools, the level's five token types, the board's sounds and highlight sprites, and the
// bookkeeping of artifacts, exits, landing batches and pending pops. There is one board; the
// in-game state starts it for every level and it updates itself every frame.
//
// The class spans several sources:
//   ZBoard.cpp           construction, resources, pools, level start and reset
//   ZBoardInput.cpp      pointer input, selection, preview and swapping
//   ZBoardMatching.cpp   landing batches, match search, pending pops and the pop
//   ZBoardUpdate.cpp     the per-frame update, sweeps, rotation, show/hide and the end of a dive
//   ZBoardArtifacts.cpp  artifact placement, artifacts leaving through exits, exit glow
//   ZBoardTips.cpp       the level's tips and the timed tips of play
//   ZBoardAbilities.cpp  the ice and the board-wide effects of abilities
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/app/ZInput.h"
#include "engine/controllers/ZProgressBar.h"
#include "engine/core/ZMatrix.h"
#include "engine/core/ZSingleton.h"
#include "engine/scene/ZGeom.h"
#include "engine/ui/ZDragController.h"
#include "engine/ui/ZMousePointer.h"
#include "game/dive/board/ZBoardFreeze.h"
#include "game/dive/model/IBoardHost.h"

class ZArtifact;
class ZBoardGrid;
class ZCamera;
class ZGameSprite;
class ZGroup;
class ZLevelLoader;
class ZMaterial;
class ZPulseController;
class ZShakeController;
class ZSound;
class ZSprite2D;
class ZTextureResource;
class ZTile;
class ZToken;
struct ZTokenTypeInfo;

// A matched group waiting for its pop.
struct ZPendingPop
{
    float elapsed = 0.0f;
    float delay = 0.18f;
    std::vector<ZTile*> tiles;
};

class ZBoard : public ZGroup,
               public IMousePointerListener,
               public IDragListener,
               public IInputMouseListener,
               public ZSingleton<ZBoard>,
               public IGameProgressBarTimerListener,
               public IBoardHost
{
    QV_TYPE_RECORD(ZBoard, &ZGroup::kTypeRecord)

public:
    static constexpr float kCellSize = 38.0f;
    static constexpr float kSwapTime = 0.2f;
    static constexpr int kInitialHighlights = 64;
    // Sweep states.
    static constexpr int kSweepIdle = 1;
    static constexpr int kSweepIntro = 2;
    static constexpr int kSweepReady = 3;
    static constexpr int kSweepOutro = 4;

    ZBoard();
    ~ZBoard() override;

    // --- model, pools and level (ZBoard.cpp)
    void initResources();
    // Reads "resources:boards/" + name and builds the level; false when the board file is
    // missing or malformed (the board is then left empty).
    bool startLevel(const char* boardName, int levelNumber);
    void resetBoard();
    void unregisterArtifact(ZToken* token);

    // --- what tiles, tokens and the grid ask of the board (IBoardHost)
    ZToken* acquireToken() override;
    void releaseToken(ZToken* token) override;
    int32_t tokenPoolSize() const override { return int32_t(m_activeTokens.size() + m_freeTokens.size()); }
    void createToken() override;
    ZTile* acquireTile() override;
    void releaseTile(ZTile* tile) override;
    ZMovementGroup* currentMovementGroup() override { return currentBatch(); }
    void dropMovementGroup(ZMovementGroup* group) override;
    void resolveMatches(ZMovementGroup* batch) override;
    void addEdgeTile(ZTile* tile) override;
    void addExitTile(ZTile* tile) override;
    void addArtifactSpawnTile(ZTile* tile) override;
    void registerToken(ZToken* token) override;
    int32_t artifactsOnBoard() const override { return int32_t(m_artifacts.size()); }
    int32_t artifactLimit() const override { return int32_t(m_maxArtifacts); }
    int32_t artifactsToCollect() const override;
    uint8_t nextArtifactId() const override { return uint8_t(nextArtifactLetter()); }
    void artifactLeft(ZToken* token, int32_t how) override;
    void playSound(const char* name) override;
    bool isBoardFadingIn() const override;
    ZMaterial* sparkleTemplate() override;
    // The tile under a world point; null outside the grid.
    ZTile* tileAt(float x, float y);
    ZTile* tileAtCell(int column, int row) const;
    const std::vector<ZTile*>& gridTiles() const;
    int gridWidth() const;
    int gridHeight() const;
    const ZTokenTypeInfo* levelTokenType(int type) const;
    ZLevelLoader& loader();
    ZBoardGrid& grid() { return *m_grid; }
    // The level's air time in seconds, from its board file.
    float airTime() const;
    // A hash of the grid's content (kinds, states, token types and artifact letters), for
    // comparing two runs.
    uint64_t gridHash() const;

    // --- input (ZBoardInput.cpp)
    void OnMouseMove(const SPointerState& state, ZNode* target, bool* handled) override;
    void OnLeftDown(const SPointerState& state, ZNode* target, bool* handled) override;
    void OnLeftUp(const SPointerState& state, ZNode* target, bool* handled) override;
    void OnRightDownAfter(const SPointerState& state, ZNode* target, bool* handled) override;
    void OnButtonDown(uint32_t button) override;
    bool trySwap(ZTile* target);
    void selectTile(ZTile* tile);
    void clearSelection();
    void clearPreview();
    void setHoverTile(ZTile* tile);
    void showPreview(ZTile* tile);
    void removeBrokenTiles(const std::vector<ZTile*>& tiles, bool collectTreasure);
    // The click that aims the armed ability (a drag of an ability ended, or a silent release).
    void OnDragEnd(ZNode* node, ZDragController* controller) override;
    void OnDragEnded();
    // An ability was used (or failed, or was disarmed): its sound, the shake of a breaking one,
    // and a clean selection. `ownSound` is the ability's own sound, when it has one.
    void OnAbilityUsed(bool success, int abilityId, ZSound* ownSound);
    // Experience the armed ability earns the crew: by its price text "<key>.price".
    int abilityExperience(const char* key) const;
    ZShakeController* shakeController() const { return m_shake; }
    ZTile* firstTarget() const { return m_firstTarget; }
    // Whether input reaches the board now (visible, dive playing and not paused).
    bool acceptsInput() const;
    void setInputEnabled(bool on) { m_inputEnabled = on; }

    // --- matching and popping (ZBoardMatching.cpp)
    // The batch that tokens starting to move now join (made on request).
    ZMovementGroup* currentBatch();
    void flushLandingBatch();
    void resolveAllWaiting();
    void collectMatchGroup(ZTile* tile, std::vector<ZTile*>& visited, std::vector<ZTile*>& group);
    void queuePop(const std::vector<ZTile*>& tiles);
    void popPendingGroups(float dt);
    bool popGroup(const std::vector<ZTile*>& tiles);
    void finishPop(const std::vector<ZTile*>& tiles);
    void collectTreasures(const std::vector<ZTile*>& tiles);
    void removeToken(ZToken* token, bool refill);

    // --- update, rotation, end (ZBoardUpdate.cpp)
    void Update() override;
    void startRotation(int direction, float duration);
    void applyRotation(float angle);
    void turnClockwise();
    void turnCounterClockwise();
    void refillAfterTurn();
    void restoreOrientation();
    void startIntro();
    void startOutro();
    void finishIntro();
    void stopLoops();
    void prepareLevelView();
    void fadeStep(float t);
    void setVeiled(bool veiled);
    void applyTheme(int theme);
    void endCleanup();
    void OnTimerExpired(ZProgressBarTimer* timer) override;
    void winDive();
    void loseDive();

    // --- artifacts and exits (ZBoardArtifacts.cpp)
    void placeArtifacts();
    char nextArtifactLetter() const;
    void useArtifactLetter(char letter);
    void artifactLeaves(ZToken* token);
    void showSalvaged(ZToken* token);
    void resetExitGlow();
    void restartExitGlow();
    void setExitGlow(float strength);

    // --- tips (ZBoardTips.cpp)
    void showLevelTips();
    void resetTips();
    void updateTips();
    ZToken* findSidewaysStuckArtifact() const;
    ZToken* randomTokenOfType(int type) const;
    void tilesOfType(int type, bool includeUnswappable, std::vector<ZTile*>& out) const;
    bool periodElapsed(double period);
    bool areLevelTipsOpen() const { return !m_tip.empty() || !m_tip2.empty(); }

    // --- state read by the dive and by tests
    int orientationIndex() const { return m_orientation; }
    int quarterTurns() const { return m_quarterTurns; }
    bool isRotating() const { return m_rotationLeft > -1.0f; }
    int sweepState() const { return m_sweepState; }
    ZTile* selectedTile() const { return m_selected; }
    ZTile* hoverTile() const { return m_hover; }
    ZTile* pressedTile() const { return m_pressedTile; }
    uint32_t dragMoves() const { return m_dragMoves; }
    uint32_t clickMoves() const { return m_clickMoves; }
    uint32_t poppedTokens() const { return m_popped; }
    const std::vector<ZPendingPop*>& pendingPops() const { return m_pendingPops; }
    const std::vector<ZMovementGroup*>& waitingBatches() const { return m_waiting; }
    const std::vector<ZToken*>& activeTokens() const { return m_activeTokens; }
    const std::vector<ZToken*>& artifactTokens() const { return m_artifacts; }
    const std::vector<ZTile*>& exitTiles() const { return m_exitTiles; }
    const std::vector<ZTile*>& spawnPoints() const { return m_spawnPoints; }
    std::vector<ZTile*>& edgeTiles() { return m_edgeTiles; }
    const std::string& lettersToCome() const { return m_lettersToCome; }
    uint32_t maxArtifacts() const { return m_maxArtifacts; }
    int threshold(int medal) const { return medal >= 0 && medal < 4 ? m_thresholds[medal] : 0; }
    const M33& tokenOrientation() const { return m_tokenOrientation; }
    const std::string& levelName() const { return m_levelName; }
    int levelNumber() const { return m_levelNumber; }
    // True while nothing moves, pops or waits on the board.
    bool isSettled() const;
    ZGroup* tokenGroup() const { return m_tokenGroup; }
    ZGroup* tileGroup() const { return m_tileGroup; }
    ZGameSprite* selectionFrame() const { return m_selectFrame; }
    const std::vector<ZGameSprite*>& highlightSprites() const { return m_highlights; }
    ZSound* falseMoveSound() const { return m_falseMove; }
    const char* lastPopSound() const { return m_lastPopSound; }
    // Plays one of the board's sounds (none when it is missing) and notes its name: the names of
    // the last sounds the board asked for, oldest first.
    void play(ZSound* sound, const char* name);
    const std::vector<const char*>& soundLog() const { return m_soundLog; }
    float lastPopPan() const { return m_lastPopPan; }
    const V3& startPosition() const { return m_startPosition; }

    // --- abilities, ice and board-wide effects (ZBoardAbilities.cpp)
    ZBoardFreeze& freeze() { return m_freeze; }
    void spreadFreeze();
    int countFrozenTiles() const;
    void highlightEdgeTiles(bool on, bool force);
    void showFreezeHalted(bool halted);
    void breakAllChains();
    void tilesBehindArtifacts(std::vector<ZTile*>& out) const;

private:
    void loadSounds();
    void freePendingPops();
    void freeBatches();
    void sweepStep();
    void placeHighlight(ZGameSprite* sprite, ZTile* tile, float depth);
    ZGameSprite* highlightSprite(size_t index);
    void playPopSound(bool treasure, int size, float centreX);
    bool placeArtifactOn(ZTile* tile);
    void releaseRotationLock();

    ZBoardGrid* m_grid = nullptr;
    ZBoardFreeze m_freeze;
    std::vector<ZTile*> m_gridTiles;
    bool m_resetting = false;
    uint32_t m_resets = 0;
    ZMovementGroup* m_resolving = nullptr;
    bool m_resolvingDropped = false;
    std::vector<ZPendingPop*> m_pendingPops;
    std::vector<ZTile*> m_exitTiles;
    std::vector<ZTile*> m_spawnPoints;
    std::vector<ZTile*> m_edgeTiles;
    int m_levelNumber = 0;
    int m_orientation = 0;
    uint32_t m_maxArtifacts = 0;
    int m_quarterTurns = 0;
    // The board's whole turn since the level began, radians (clockwise negative), and the same
    // when the running rotation began.
    float m_boardAngle = 0.0f;
    float m_rotationStartAngle = 0.0f;
    M33 m_tokenOrientation;
    double m_lastPlacement = -1.0e38;
    int m_tutorialColumn = -1;
    int m_tutorialRow = -1;
    ZGroup* m_tokenGroup = nullptr;
    ZGroup* m_tileGroup = nullptr;
    ZGroup* m_highlightGroup = nullptr;
    ZPulseController* m_pulses[2] = {};
    ZShakeController* m_shake = nullptr;
    V3 m_startPosition;

    // Input.
    bool m_pressed = false;
    ZTile* m_pressedTile = nullptr;
    V2 m_pressedPoint;
    V3 m_dragOffset;
    ZTile* m_selected = nullptr;
    ZTile* m_hover = nullptr;
    ZTile* m_firstTarget = nullptr;
    uint32_t m_dragMoves = 0;
    uint32_t m_clickMoves = 0;
    bool m_dragging = false;
    bool m_inputEnabled = true;

    // Pools.
    std::vector<ZTile*> m_allTiles;
    std::vector<ZToken*> m_allTokens;
    std::unordered_map<ZToken*, uint32_t> m_tokenIndex;
    std::vector<ZTile*> m_activeTiles;
    std::vector<ZTile*> m_freeTiles;
    std::vector<ZToken*> m_activeTokens;
    std::vector<ZToken*> m_freeTokens;

    // Artifacts.
    std::vector<ZToken*> m_artifacts;
    std::string m_lettersToCome;
    bool m_freezeHalted = false;
    const ZTokenTypeInfo* m_types[5] = {};
    int m_thresholds[4] = {0, 0, 0, 0};
    uint64_t m_highlightState = 0;

    // Looks.
    ZTextureResource* m_frameTextures[6] = {};
    ZTextureResource* m_highlightTextures[6] = {};
    int m_theme = 0;
    ZGameSprite* m_selectFrame = nullptr;
    std::vector<ZGameSprite*> m_highlights;

    // Sounds.
    ZSound* m_falseMove = nullptr;
    ZSound* m_pops[3][5] = {};
    int m_popVariants[3] = {0, 0, 0};
    ZSound* m_treasurePops[3][5] = {};
    int m_treasureVariants[3] = {0, 0, 0};
    ZSound* m_prePop = nullptr;
    ZSound* m_artifactExit = nullptr;
    ZSound* m_interestHalo = nullptr;
    ZSound* m_freezeWarning = nullptr;
    ZSound* m_rotateBoard = nullptr;
    ZSound* m_rotateBoardEnd = nullptr;
    const char* m_lastPopSound = nullptr;
    std::vector<const char*> m_soundLog;
    float m_lastPopPan = 0.0f;

    // Landing.
    ZMovementGroup* m_current = nullptr;
    std::vector<ZMovementGroup*> m_waiting;

    // Orientation and rotation.
    M33 m_loadOrientation;
    M33 m_rotationStart;
    int m_rotationDirection = 1;
    float m_rotationAngle = 0.0f;
    float m_rotationDuration = 0.0f;
    float m_rotationLeft = -1.0f;
    float m_rotationElapsed = 0.0f;
    bool m_holdsPointerLock = false;
    int m_sweepState = kSweepIdle;
    uint32_t m_sweepRow = 0;

    uint32_t m_popped = 0;
    double m_lastFreezeSpread = -1.0e38;
    double m_lastPop = 0.0;
    std::string m_levelName;
    bool m_exitGlowDone = false;

    // Tips.
    std::string m_tip;
    std::string m_tip2;
    float m_tip2Base = 0.0f;
    double m_periodBase = 0.0;
    bool m_toBottomShown = false;
    bool m_breakToExitShown = false;
    const char* m_salvagedText = nullptr;
    ZNode* m_salvagePopup = nullptr;
};
