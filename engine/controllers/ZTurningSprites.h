#pragma once
// Sprites that turn on the spot at speeds of their own, as the halo and the highlight show them
// around a node: the controller owns them and hears their deletion, and they are children of its
// target only while it runs.
#include "engine/core/ZVector.h"

class INodeStateListener;
class ZNode;
class ZSprite;

class ZTurningSprites
{
public:
    static constexpr int kMax = 4;

    int GetCount() const { return m_count; }
    bool IsFull() const { return m_count >= kMax; }
    ZSprite* Get(int i) const { return i >= 0 && i < m_count ? m_sprites[i] : nullptr; }

    // Owned from now on and heard by `listener`; false (nothing taken) for null or beyond four.
    bool Add(ZSprite* sprite, float speed, INodeStateListener* listener);
    // Stops hearing every sprite and deletes it; one still under the target leaves it as it dies.
    void DeleteAll(INodeStateListener* listener);
    // A sprite deleted elsewhere (with the target it was under) is forgotten.
    void Forget(const ZNode* node);

    // Puts every sprite under the target, fully transparent; at `centre` lifted by 2 when `placed`.
    // Without a target nothing changes.
    void Attach(ZNode* target, bool placed, const V3& centre);
    // Every sprite's alpha is `alpha`, times its own share when shares are given.
    void SetAlpha(float alpha, const float* shares = nullptr);
    // Turns every sprite to its speed (radians per second) times `now` in seconds.
    void Turn(double now);
    // Takes every sprite off its parent.
    void Detach();

private:
    ZSprite* m_sprites[kMax] = {};
    float m_speeds[kMax] = {};
    int m_count = 0;
};
