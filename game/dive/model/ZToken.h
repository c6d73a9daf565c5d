#pragma once
// One playing piece of the dive board: a 64 x 64 sprite showing a creature, a treasure or an
// artifact. It sits on a tile, falls along the links when tiles below empty, fades in when it
// spawns, plays short looks (blink, glances, happy, sad), turns with gravity, and tells the board
// when it has landed so that matches are resolved. Tokens belong to the board's pool (IBoardHost)
// and are reused, never destroyed during a level.
#include <cstdint>

#include "engine/controllers/ZInterpolateBase.h"
#include "engine/core/ZVector.h"
#include "engine/ui/ZGameSprite.h"

class ZArtifact;
class ZMovementGroup;
class ZParticleEmitterSystem;
class ZTile;

enum ETokenState : int32_t
{
    kTokenFree = 0,     // free or just placed
    kTokenSettled = 1,
    kTokenMoving = 2,
    kTokenSwapping = 3, // set by the board's swap controller
    kTokenSpawning = 5, // fading in on its tile
    kTokenPopping = 6,  // set by the board
};

class ZToken : public ZGameSprite, public ZInterpolateBaseListener
{
    QV_TYPE_RECORD(ZToken, &ZGameSprite::kTypeRecord)

public:
    static constexpr int32_t kMaxLooks = 12;
    static constexpr float kSize = 64.0f;

    ZToken();
    ~ZToken() override;

    void Update() override;
    void Stop() override;
    void OnFadedIn() override;
    // The swap controller that moved the token ended: a landing.
    void OnStopped(ZInterpolateBase* interpolator) override;

    // Name "Token", the first type's plain picture, no looks.
    void initialise();
    // The pool's acquire: state 0, unpickable, alpha 1, pop scale 1, shown, plain look, the
    // board's token orientation.
    void resetForUse(const M33& orientation);
    // The pool's release: hidden, off its tile and movement group, identity orientation, no sparkle.
    void release();

    void setType(int32_t type);
    void setArtifact(ZArtifact* record);
    void attachSparkle();

    void pushLook(int32_t look, float duration);
    void showLook(int32_t look);
    void clearLooks() { m_lookCount = 0; }
    void startPop();
    void showSelected();
    void showDeselected();
    void glance(int32_t look, float duration);
    // The look under the pointer: on shows the plain face at once (the board pulses the token).
    void setHover(bool on);
    bool isHovered() const { return m_hovered; }
    // The hint pulse mark the board sets on tokens of a suggested swap and clears when they move.
    void setHintPulse(bool on) { m_hintPulse = on; }
    bool hasHintPulse() const { return m_hintPulse; }
    // Called each frame while the token waits to pop.
    void popSwell(float elapsed, float end, float span);

    void moveTo(ZTile* tile);
    void beginSpawn(ZTile* tile);
    void onArrived();
    void leaveExit();
    void leaveExitAndGroup();
    void leaveMovementGroup();
    // Joins the group of the tile's token or incoming token, else the board's current group.
    void joinMovementGroup(ZTile* tile);

    int32_t getType() const { return m_type; }
    int32_t getState() const { return m_state; }
    void setState(int32_t state) { m_state = state; }
    int32_t getColourGroup() const { return m_colourGroup; }
    ZMovementGroup* getMovementGroup() const { return m_group; }
    ZTile* getTile() const { return m_tile; }
    void setTile(ZTile* tile) { m_tile = tile; }
    ZTile* getPreviousTile() const { return m_previousTile; }
    void setPreviousTile(ZTile* tile) { m_previousTile = tile; }
    ZArtifact* getArtifact() const { return m_artifact; }
    // The artifact record's one-byte id (its shorthand), 0 for other tokens.
    uint8_t getArtifactId() const;
    ZParticleEmitterSystem* getSparkle() const { return m_sparkle; }
    // The swap controller moving the token (not owned); the board's swap sets and clears it.
    ZInterpolateBase* getSwapController() const { return m_swapController; }
    void setSwapController(ZInterpolateBase* controller);
    float getSpeed() const { return m_speed; }
    float getMoveProgress() const { return m_moveProgress; }
    const V3& getMoveTarget() const { return m_moveTarget; }
    int32_t getLookCount() const { return m_lookCount; }
    // The look on top of the stack, -1 when it is empty.
    int32_t getTopLook() const { return m_lookCount > 0 ? m_looks[m_lookCount - 1].look : -1; }
    // The look last shown.
    int32_t getShownLook() const { return m_shownLook; }
    const V2& getPopScale() const { return m_popScale; }
    void setPopScale(float scale);
    double getNextBlink() const { return m_nextBlink; }
    float getRotationAngle() const { return m_rotationAngle; }

private:
    struct SLook
    {
        float duration;
        int32_t look;
    };

    void advanceLooks(float dt);
    void stepMovement(float dt);
    void releaseSparkle();
    void applyPopScale();

    int32_t m_type = 0;
    int32_t m_state = kTokenSettled;
    int32_t m_colourGroup = -1;
    ZMovementGroup* m_group = nullptr;
    float m_speed = 75.0f;
    float m_rotationAngle = 0.0f;
    SLook m_looks[kMaxLooks] = {};
    int32_t m_lookCount = 0;
    int32_t m_shownLook = 0;
    ZTile* m_tile = nullptr;
    ZTile* m_previousTile = nullptr;
    int32_t m_gravitySeen = 2;
    V3 m_moveDirection;
    V3 m_moveTarget;
    float m_moveProgress = 0.0f;
    float m_moveLength = 0.0f;
    double m_nextBlink = 0.0;
    ZArtifact* m_artifact = nullptr;
    ZParticleEmitterSystem* m_sparkle = nullptr;
    ZInterpolateBase* m_swapController = nullptr;
    V2 m_popScale{1.0f, 1.0f};
    bool m_hovered = false;
    bool m_hintPulse = false;
};

// Settings the tokens read, by key, with their defaults when no setting of that key exists.
float TokenSpeedSetting();
float TokenAccelerationSetting();
