#pragma once
// The board's decisions as free functions over tiles and the grid, with no scene of their own:
// the match search, the drag step, the pop timing, pan and pay, the artifact candidates, the
// freeze spread choice and the medal table. The board (and its tests) call them; each is a table
// of cases in the model's tests.
#include <cstdint>

#include "game/dive/model/ZTile.h"

class ZBoardGrid;

// --- matching ---
// The recursive match search from one tile: lines of three or more like tokens through the tile,
// crossing lines joined, tiles already in `visited` or `group` not added again.
void CollectMatchGroup(ZTile* tile, ZTileList& visited, ZTileList& group);
// One match pass over the tiles tokens landed on: every group found, joined in order of first
// appearance without repeats (the tiles of one pending pop). Empty when nothing matches.
void FindMatches(const ZTileList& startTiles, ZTileList& out);

// --- refill ---
// The tiles an emptied tile asks for a token, in asking order: straight up, then up-left and
// up-right unless they hold a settled artifact, then up-left and up-right whatever they hold (so
// artifacts slide diagonally only when nothing else can come). Returns how many were written;
// 0 for a tile on the top edge, which spawns instead.
int32_t RefillSources(const ZTile* tile, ZTile* out[5]);

// --- input ---
// Drags shorter than this select; longer ones aim at a neighbour.
inline constexpr float kDragThreshold = 19.0f;
// The neighbour step a drag of (dx, dy) pointer units aims at (y up), turned by the grid's
// orientation index 0..3 into array steps (row grows downwards); false when the drag is no
// longer than kDragThreshold.
bool DragStep(float dx, float dy, int32_t orientation, int32_t& stepColumn, int32_t& stepRow);

// --- pops ---
// Seconds a pending pop of n tiles waits: 0.18, longer above 3 tiles by the delay factor.
float PopDelay(int32_t tiles, float delayFactor);
// The pop sound's pan for a group centred at x: x / 400 within [-1, 1].
float PopPan(float centreX);
// The pop sound variant: a draw modulo the variants found; -1 when the size has none.
int32_t PopSoundVariant(uint32_t draw, int32_t variants);
// Treasure paid by a treasure line of n tokens of the value, with the crew's factor.
int32_t TreasureLineAmount(int32_t tiles, float value, float crewFactor);
// Treasure paid for c tokens of the value broken by an ability.
int32_t TreasureBrokenAmount(int32_t count, float value, float crewFactor);
// Experience an ability of that price earns: ceil(price / 2000) x 5 within 5..25; 0 unpriced.
int32_t AbilityExperience(int32_t price, bool priced);

// --- artifacts ---
// Whether an artifact may replace the tile's token: a settled creature on a free tile of a kind
// that passes tokens on.
bool CanPlaceArtifact(const ZTile* tile);
// The artifact spawn points in the order placement tries them: spawn points on an open exit and
// those with an artifact within two steps left out, the rest by distance to the nearest exit
// (an open exit counts 10 less), farthest first; equal distances keep the list order.
void OrderArtifactCandidates(const ZTileList& spawnPoints, const ZTileList& exitTiles, ZTileList& out);

// --- freeze ---
// The eight neighbours of a tile, without frozen tiles and tiles whose token is locked.
void CollectNeighbours3x3(const ZTile* tile, ZTileList& out);
// Whether a freeze may spread onto the tile.
bool CanFreeze(const ZTile* tile);
// The tiles one spread freezes: the grid walked row by row, each frozen tile trying its shuffled
// neighbours from the back; at most two, and the walk stops after 40 frozen tiles met.
void ChooseFreezeTargets(const ZBoardGrid& grid, ZTileList& out);
int32_t CountFrozenTiles(const ZBoardGrid& grid);
// Every matchable chain once and double chain twice, in grid order (the "break all chains" list).
void CollectChainBreaks(const ZBoardGrid& grid, ZTileList& out);
// Matchable tiles behind the first artifact of each line in the fall direction of the orientation.
void CollectTilesBehindArtifacts(const ZBoardGrid& grid, int32_t orientation, ZTileList& out);

// --- medals ---
// The medal level reached with n artifacts: -1 for none (and for n = 0), else the highest medal
// whose threshold n reaches (thresholds: complete, bronze, silver, gold).
int32_t MedalLevel(int32_t count, const int32_t thresholds[4]);
