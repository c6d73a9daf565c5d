#pragma once
// Rewards flying to their counters. ZTreasureInterpolateController carries a treasure sprite,
// trailed by sparkles, along a path that swings out to one side and then the other, from the board
// to the treasure chest, and pays its value into the chest when it ends (also when it is cut
// short). The flights draw their swings from a generator of their own and their trail is a few
// sprites, not a particle emitter: a cosmetic effect must not take numbers from the game's
// generator, or the board's refills would change with the treasure on screen. ZArtifactToCash flies an artifact's picture to its place on the end-of-level screen while
// it grows from the completion bar's slot size to full size.
#include <cstdint>

#include "engine/controllers/ZInterpolateBase.h"

class ZSprite2D;
class ZTextureResource;

class ZTreasureInterpolateController : public ZInterpolateSpline
{
    QV_TYPE_RECORD(ZTreasureInterpolateController, &ZInterpolateSpline::kTypeRecord)

public:
    static constexpr int kTrail = 6;

    // A running flight of `value` from `start` to `end` (world points) with a sprite of the texture
    // (or of the material when there is no texture) under `layer`.
    static ZTreasureInterpolateController* Launch(int value, const char* materialName, const V3& start,
                                                  const V3& end, ZTextureResource* texture, double duration,
                                                  ZNode* layer);
    // The path's four knots for a flight: start, a point a third of the way swung to the negative
    // side (50 to 100 units), a point two thirds of the way swung to the positive side, and the end;
    // r1 and r2 in [0, 1) choose the swings.
    static void PathKnots(const V3& start, const V3& end, float r1, float r2, V3 out[4]);

    ZTreasureInterpolateController() = default;
    // Pays the value into the chest when there is one, frees the path and lets go of the sprite.
    ~ZTreasureInterpolateController() override;
    ZControllerBase* CreateInstance() override { return new ZTreasureInterpolateController(); }
    void Reset() override;
    // Moves along the path; the trail follows where the treasure was a few frames before.
    void ApplyValue(float t) override;

    int GetValue() const { return m_value; }
    const V3& GetStart() const { return m_start; }
    const V3& GetEnd() const { return m_end; }
    ZSplineNode* GetPath() const { return m_path; }

private:
    void BuildPath();

    ZSprite2D* m_trail[kTrail] = {};
    V3 m_history[kTrail * 2];
    int m_historyCount = 0;
    ZSplineNode* m_path = nullptr;
    V3 m_start;
    V3 m_end;
    int m_value = 0;
};

class ZArtifactToCash : public ZInterpolateWorldPos
{
    QV_TYPE_RECORD(ZArtifactToCash, &ZInterpolateWorldPos::kTypeRecord)

public:
    static constexpr double kDuration = 0.6;

    // A flight of a new sprite of the texture under `parent` from `start` to `end` (world points);
    // running, released with its sprite when it ends.
    static ZArtifactToCash* Create(ZNode* parent, ZTextureResource* texture, const V3& start, const V3& end);
    ZControllerBase* CreateInstance() override { return new ZArtifactToCash(); }
    void Reset() override;
    void ApplyValue(float t) override;
    ZSprite2D* GetSprite() const { return m_sprite; }

private:
    ZSprite2D* m_sprite = nullptr;
};
