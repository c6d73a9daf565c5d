#pragma once
// One cell of the dive board: a scene group at its cell's centre that holds at most one token,
// knows its eight neighbours, carries the cell's kind (plain, blocks, chains, freeze) and exits,
// and draws the cell (surface, frame, status overlay, exit arrows with glows, edge glow).
//
// Sources:
//   ZTile.cpp          state, kinds, token placement, breaking, the shared globals
//   ZTileVisuals.cpp   sprites: surface, frame, overlay, exits, edge glow, fades, exit flash
//   ZTileMatching.cpp  runs and neighbourhood queries, initial fill, the refill cascade
//
// Tiles and tokens belong to the board's pools (IBoardHost); a tile only points at its token and
// its neighbours.
#include <cstdint>
#include <vector>

#include "engine/scene/ZGeom.h"

class ZGameSprite;
class ZMaterial;
class ZPulsateController;
class ZSprite2DRotate;
class ZTextureResource;
class ZToken;
class ZTile;

using ZTileList = std::vector<ZTile*>;

// Link directions. 0 to 3 are also the exit sides and the gravity directions.
enum ETileDirection : int32_t
{
    kDirUp = 0,
    kDirRight = 1,
    kDirDown = 2,
    kDirLeft = 3,
    kDirUpLeft = 4,
    kDirUpRight = 5,
    kDirDownLeft = 6,
    kDirDownRight = 7,
    kDirCount = 8,
};

enum ETileKind : int32_t
{
    kTilePlain = 0,
    kTileBlock = 1,     // 'L': holds no token until broken
    kTileSoftBlock = 2, // 'M'
    kTileHardBlock = 3, // 'N': becomes a soft block when broken
    kTileChain = 4,     // 'C'
    kTileDoubleChain = 5, // 'Z': becomes a chain when broken
    kTileFreeze = 6,    // 'H'
};

enum ETileState : int32_t
{
    kTileIdle = 0,
    kTileWaiting = 1,  // empty, asks for a token
    kTileIncoming = 2, // a token is on its way in (blocked)
    kTilePopping = 3,
};

// The current theme (0 to 5) and the gravity direction (0 to 3), shared by every tile and token.
int32_t GetBoardTheme();
void SetBoardTheme(int32_t theme);
int32_t GetGravityDirection();
void SetGravityDirection(int32_t direction);

// "No flash" for the exit flash start: -1.0e38 as a float, widened.
inline constexpr double kNoExitFlash = double(-1.0e38f);

class ZTile : public ZGroup
{
    QV_TYPE_RECORD(ZTile, &ZGroup::kTypeRecord)

public:
    ZTile();
    ~ZTile() override;

    void Update() override;

    // --- state (ZTile.cpp) ---
    // Everything back to a fresh tile: visuals of exits and glow released, links, token, kind and
    // state cleared. The board's pool calls it.
    void reset();
    // Kind 0 with the theme's surface, no overlay, no edge glow, no exit flash.
    void setToPlain();
    // Kind with its surface and overlay (blocks: their block picture; 4 to 6: status overlay).
    void setKind(int32_t kind);

    void setToken(ZToken* token);
    // setToken, the token moved to the centre, settled when it was free; the tile idle.
    void placeToken(ZToken* token);
    void snapTokenBack();
    // Puts a node over the tile's centre at the depth, in the node's parent space, and shows it.
    void placeNodeAbove(ZNode* node, float depth);

    bool isMatchable() const;
    bool cannotMatch() const { return !isMatchable(); }
    bool isSwappable() const;
    bool isFixed() const;
    bool isSettledArtifact() const;
    bool isOrthogonalNeighbour(const ZTile* other) const;
    // Kinds 0, 2 and 3 take tokens by refill.
    bool isFillable() const { return m_kind == kTilePlain || m_kind == kTileSoftBlock || m_kind == kTileHardBlock; }
    // Kinds 1, 4, 5 and 6 hold their token (or none) and never hand it on.
    bool holdsToken() const { return !isFillable(); }

    // Breaks the tile (a pop or an ability): see the source. The tile joins `affected` once.
    void breakTile(ZTileList* affected);

    // --- visuals (ZTileVisuals.cpp) ---
    void setOverlay(ZTextureResource* texture);
    void releaseOverlay();
    void createExitSprites();
    // Shows or hides the exit sprite and glow of one side (the board builder's exit pass).
    void attachExit(int32_t direction, bool attach);
    void updateExitVisuals();
    void updateEdgeGlow();
    // "board_glow" (heater false) or "board_glow_heater".
    void applyGlowStyle(bool heater);
    void setEdgeGlow(bool on, bool force);
    void setExitPulse(float intensity);
    void startExitFlash();
    bool isExitFlashing() const { return m_exitFlashStart > kNoExitFlash; }
    void showExitGlows();
    void dimOtherExits();
    void fadeIn();
    void fadeOut();
    void resetFade();
    void addFrame();
    // Takes the current theme's surface, frame and exit looks (the board's theme change).
    void applyTheme();
    // The halted look of an edge tile while the freeze is halted: its edge glow shown in the
    // warm "board_glow_heater" style; off goes back to "board_glow" with the glow hidden.
    void setHaltedLook(bool on);
    bool hasHaltedLook() const { return m_halted; }
    // True while the surface fades in or out (the board's intro and outro sweeps).
    bool isSweeping() const;
    float getBackgroundAlpha() const;
    void setBackgroundAlpha(float alpha);

    // --- matching and refill (ZTileMatching.cpp) ---
    void collectRun(const ZToken* reference, int32_t direction, ZTileList& out) const;
    int32_t collectMatchRuns(ZTile* tile, ZToken* token, ZTileList& out, ZTileList& scratch) const;
    int32_t collectSettledNeighbours(ZTileList& out) const;
    int32_t collectTwoRing(ZTileList& out);
    bool isWithinTwoRing(ZTile* other);
    void collectRow(ZTileList& out);
    void collectColumn(ZTileList& out);
    void collectDiagonals(ZTileList& out);
    void chooseInitialToken();
    ZToken* createToken(int32_t type);
    void requestFill();
    bool pullFrom(ZTile* requester);
    void tileChanged();
    void fillIfWaiting();
    void spawnToken();
    bool respawnToken();
    // Puts the board's next artifact in place of the tile's settled creature (which goes back to
    // the pool); false when the tile may not take one (CanPlaceArtifact) or no artifact is left.
    bool placeArtifact();

    // --- fields ---
    int32_t getKind() const { return m_kind; }
    int32_t getState() const { return m_state; }
    void setState(int32_t state) { m_state = state; }
    ZToken* getToken() const { return m_token; }
    ZToken* getIncomingToken() const { return m_incomingToken; }
    void setIncomingToken(ZToken* token) { m_incomingToken = token; }
    // The token goes back to its pool: holding it, the tile becomes empty and waiting for a refill;
    // expecting it, the tile stops expecting it.
    void forgetToken(ZToken* token);
    ZTile* getLink(int32_t direction) const
    {
        return direction >= 0 && direction < kDirCount ? m_links[direction] : nullptr;
    }
    void setLink(int32_t direction, ZTile* tile)
    {
        if (direction >= 0 && direction < kDirCount)
            m_links[direction] = tile;
    }
    void clearLinks();
    int32_t getColumn() const { return m_logicalColumn; }
    int32_t getRow() const { return m_logicalRow; }
    void setLogicalCell(int32_t column, int32_t row)
    {
        m_logicalColumn = column;
        m_logicalRow = row;
    }
    int32_t getGridColumn() const { return m_gridColumn; }
    int32_t getGridRow() const { return m_gridRow; }
    void setGridCell(int32_t column, int32_t row)
    {
        m_gridColumn = column;
        m_gridRow = row;
    }
    char getCell() const { return m_cell; }
    void setCell(char cell) { m_cell = cell; }
    bool isExitTile() const { return m_isExit; }
    bool hasExit(int32_t direction) const { return direction >= 0 && direction < 4 && m_exits[direction]; }
    // Sets or clears the exit flag of a side; setting also makes the tile an exit tile.
    void setExit(int32_t direction, bool on);
    bool isExitLit() const { return m_exitLit; }
    // Lit = exit tile, no down link, exit flag on the gravity side.
    void updateExitLit();
    bool isOnEdge() const { return m_onEdge; }
    bool spawnsArtifacts() const { return m_spawnsArtifacts; }
    void setSpawnsArtifacts(bool on) { m_spawnsArtifacts = on; }
    bool isEdgeGlowOn() const { return m_edgeGlowOn; }
    // Marks for the board: tiles a search has visited; edge tiles lit for a board-wide ability.
    bool isVisited() const { return m_visited; }
    void setVisited(bool on) { m_visited = on; }
    bool isHighlighted() const { return m_highlighted; }
    void setHighlighted(bool on) { m_highlighted = on; }
    double getExitFlashStart() const { return m_exitFlashStart; }
    void setExitFlashStart(double t) { m_exitFlashStart = t; }
    ZGameSprite* getBackground() const { return m_background; }
    ZGameSprite* getFrame() const { return m_frame; }
    ZGameSprite* getOverlay() const { return m_overlay; }
    ZGameSprite* getEdgeGlow() const { return m_edgeGlow; }
    ZGameSprite* getExitSprite(int32_t d) const { return d >= 0 && d < 4 ? m_exitSprites[d] : nullptr; }
    ZGameSprite* getExitGlow(int32_t d) const { return d >= 0 && d < 4 ? m_exitGlows[d] : nullptr; }
    ZPulsateController* getExitPulse(int32_t d) const { return d >= 0 && d < 4 ? m_exitPulses[d] : nullptr; }

    // Shared pictures: the block surface of kinds 1 to 3 ("resources:tile_block_l/m/n.png") and
    // the status overlays of kinds 4 to 6; null while not loaded (or for other kinds).
    static ZTextureResource* blockTexture(int32_t kind);
    static ZTextureResource* statusTexture(int32_t kind);
    // The current theme's surface "resources:tile_<theme>.png".
    static ZTextureResource* themeTexture(int32_t theme);
    // Loads the shared pictures that are not loaded yet (the constructor does it too).
    static void loadSharedVisuals();
    // Gives the shared pictures back, and the themes' tile materials held since their first use.
    static void releaseSharedVisuals();

private:
    void createBaseSprites();
    void releaseEdgeGlow();
    void releaseExitSprites();
    void setBackgroundTexture(ZTextureResource* texture);

    int32_t m_kind = kTilePlain;
    int32_t m_state = kTileIdle;
    ZGameSprite* m_background = nullptr;
    ZGameSprite* m_edgeGlow = nullptr;
    ZGameSprite* m_exitSprites[4] = {};
    ZGameSprite* m_exitGlows[4] = {};
    ZPulsateController* m_exitPulses[4] = {};
    ZPulsateController* m_edgeGlowPulse = nullptr;
    ZSprite2DRotate* m_edgeGlowRotate = nullptr;
    ZGameSprite* m_overlay = nullptr;
    ZGameSprite* m_frame = nullptr;
    double m_exitFlashStart = kNoExitFlash;
    int32_t m_logicalColumn = -1;
    int32_t m_logicalRow = -1;
    int32_t m_gridColumn = -1;
    int32_t m_gridRow = -1;
    ZTile* m_links[kDirCount] = {};
    char m_cell = 0;
    bool m_isExit = false;
    bool m_exits[4] = {};
    bool m_onEdge = false;
    bool m_spawnsArtifacts = false;
    bool m_exitLit = false;
    bool m_edgeGlowOn = false;
    bool m_visited = false;
    bool m_highlighted = false;
    bool m_halted = false;
    ZToken* m_token = nullptr;
    ZToken* m_incomingToken = nullptr;
};
