#pragma once
// What tiles, tokens and the grid ask of the board that holds them: its pools, its lists of
// special tiles, its artifact bookkeeping, match resolution after a landing, and a few
// presentation services. The board lives a floor above this model, so the model reaches it only
// through this interface: the board installs itself with SetBoardHost, and until then (and in
// tests that need no board) the default host answers every call by doing nothing (no tokens to
// hand out, no artifacts to place).
#include <cstdint>
#include <vector>

class ZArtifact;
class ZMaterial;
class ZTile;
class ZToken;

// Tokens that started moving together (one refill cascade, one swap). The board resolves matches
// for the whole group when one of them lands, and drops the group when its last token leaves it.
class ZMovementGroup
{
public:
    std::vector<ZToken*> tokens;
};

class IBoardHost
{
public:
    virtual ~IBoardHost() = default;

    // Token pool: a reset token (ZToken::resetForUse done) or null (pool closed while a dive
    // ends); the released token goes back, emptying its tile. Pool size is every token made.
    virtual ZToken* acquireToken() { return nullptr; }
    virtual void releaseToken(ZToken* token) { (void)token; }
    virtual int32_t tokenPoolSize() const { return 0; }
    // Adds one new token to the pool.
    virtual void createToken() {}
    // Tile pool: a plain tile (ZTile::setToPlain done) or null; the released tile goes back.
    virtual ZTile* acquireTile() { return nullptr; }
    virtual void releaseTile(ZTile* tile) { (void)tile; }

    // The group a token joins when it starts to move and no neighbour's group is at hand; made on
    // request. Dropped (and deleted by the board) when its last token leaves.
    virtual ZMovementGroup* currentMovementGroup() { return nullptr; }
    virtual void dropMovementGroup(ZMovementGroup* group) { (void)group; }
    // A token of the group landed or a spawned token settled.
    virtual void resolveMatches(ZMovementGroup* group) { (void)group; }

    // Lists the grid builder and the tiles fill.
    virtual void addEdgeTile(ZTile* tile) { (void)tile; }
    virtual void addExitTile(ZTile* tile) { (void)tile; }
    virtual void addArtifactSpawnTile(ZTile* tile) { (void)tile; }

    // Artifact bookkeeping. registerToken takes a placed artifact's id off the queue of ids still
    // to place and counts the token as on the board; the queue's front is 0 when it is empty.
    virtual void registerToken(ZToken* token) { (void)token; }
    virtual int32_t artifactsOnBoard() const { return 0; }
    virtual int32_t artifactLimit() const { return 0; }
    virtual int32_t artifactsToCollect() const { return 0; }
    virtual uint8_t nextArtifactId() const { return 0; }
    // An artifact reached a lit exit (how: 1 by falling onto it).
    virtual void artifactLeft(ZToken* token, int32_t how) { (void)token, (void)how; }

    // Presentation: a board sound by name (missing sounds are skipped); true while the in-game
    // state fades the board in (sparkles wait); the sparkle particle template of artifacts.
    virtual void playSound(const char* name) { (void)name; }
    virtual bool isBoardFadingIn() const { return false; }
    virtual ZMaterial* sparkleTemplate() { return nullptr; }
};

// Never null: the installed host, or the default one that does nothing.
IBoardHost* GetBoardHost();
// Null restores the default host. The host is not owned.
void SetBoardHost(IBoardHost* host);
