#pragma once
// The short scene that introduces the amulet, the item that turns the board: the amulet flies in,
// a message shows, the amulet spins twice while the board makes one full turn with a sparkle trail
// and a sound, then it settles with a short frame animation and flies up to its place in the top
// bar. The dive makes it on the level that introduces the amulet and waits for it to close.
#include <cstdint>

#include "engine/scene/ZGeom.h"

class ZParticleEmitterSystem;
class ZSound;
class ZSprite2D;
class ZTextureResource;

class ZAmuletIntro : public ZGroup
{
    QV_TYPE_RECORD(ZAmuletIntro, &ZGroup::kTypeRecord)

public:
    static constexpr int kPhases = 7;
    static constexpr int kFrames = 7;
    static constexpr float kPhaseSeconds[kPhases] = {0.2f, 0.8f, 0.5f, 3.2f, 0.3f, 0.6f, 0.1f};

    // Made inactive (hidden); the dive adds it to its root and shows it.
    static ZAmuletIntro* Create();
    ~ZAmuletIntro() override;

    // Starts from the beginning: phase 0, amulet at its first key, invisible, the trail empty.
    void Show();
    // Closes it: inactive, the board-turn sound back at full volume.
    void Hide();
    // Freezes everything; the board-turn sound is silenced and comes back on resume in phase 3.
    void SetPaused(bool paused);
    void Update() override;

    int GetPhase() const { return m_phase; }
    float GetTime() const { return m_time; }
    bool IsPaused() const { return m_paused; }
    ZSprite2D* GetAmulet() const { return m_amulet; }
    ZSprite2D* GetShadow() const { return m_shadow; }
    ZParticleEmitterSystem* GetTrail() const { return m_trail; }
    ZParticleEmitterSystem* GetFinalEmitter() const { return m_final; }
    int GetFrame() const { return m_frame; }
    // The amulet's turn (radians) and the board's turn applied in the last update.
    float GetAmuletTurn() const { return m_amuletTurn; }
    float GetBoardTurn() const { return m_boardTurn; }
    // The frame shown for a progress t of the settling phase: 0 to 6.
    static int FrameFor(float t);

private:
    ZAmuletIntro() = default;
    void Load();
    void EndPhase(int phase);
    void PlaceAmulet(const V3& at, float scale, float turn);
    void PlaceShadow(const V3& at, float scale, float squeeze, float dy);

    ZSprite2D* m_amulet = nullptr;
    ZSprite2D* m_shadow = nullptr;
    ZTextureResource* m_frames[kFrames] = {};
    ZParticleEmitterSystem* m_trail = nullptr;
    ZParticleEmitterSystem* m_final = nullptr;
    ZSound* m_rotateSound = nullptr;
    ZSound* m_introSounds[3] = {};
    int m_phase = 0;
    float m_time = 0.0f;
    bool m_paused = false;
    int m_frame = 0;
    float m_amuletTurn = 0.0f;
    float m_boardTurn = 0.0f;
};
