#pragma once
// Appearance effects: small controllers that change how one target node looks for a while. They
// are made in code by their class's Create and tuned through their public fields before they
// start; none is read from scene files.
//   ZFlicker            random show and hide over a timed run
//   ZBlink              regular show and hide (or on and off)
//   ZScaleInto          the target flies into another node, shrinking to its size, and fades
//   ZScaleOutFrom       the reverse: the target comes out of another node
//   ZPulsateController  endless sine pulsing of scale and alpha
//   ZPulseController    one springy scale pulse
//   ZFlash              a burst of particles around the target while it fades in or out
#include "engine/controllers/ZInterpolateBase.h"
#include "engine/core/ZVector.h"

class ZMaterial;
class ZParticleEmitterSystem;
class ZSprite;

class ZFlicker : public ZInterpolateBase
{
    QV_TYPE_RECORD(ZFlicker, &ZInterpolateBase::kTypeRecord)

public:
    // A child of the target, not started; remembers the target's hidden state.
    static ZFlicker* Create(ZNode* target);

    void Stop() override;
    ZControllerBase* CreateInstance() override { return new ZFlicker(); }
    void ApplyValue(float t) override;

    bool savedHidden = false;
};

class ZBlink : public ZControllerNodeBase
{
    QV_TYPE_RECORD(ZBlink, &ZControllerNodeBase::kTypeRecord)

public:
    // Lives under the scene tree's "controllers" group and runs at once.
    static ZBlink* Create(ZNode* target);

    void Update() override;
    void Start() override;
    void Stop() override;
    ZControllerBase* CreateInstance() override { return new ZBlink(); }

    float remaining = 0.5f;
    float interval = 0.5f;
    // Toggle the active flag instead of the hidden flag.
    bool toggleActive = false;

private:
    void ShowTarget();
};

// The common part of ZScaleInto and ZScaleOutFrom: the other node is watched, so one deleted
// before the run starts is forgotten instead of read.
class ZScaleEffectBase : public ZInterpolateBase
{
    QV_TYPE_RECORD(ZScaleEffectBase, &ZInterpolateBase::kTypeRecord)

public:
    ~ZScaleEffectBase() override;
    void NodeGone(ZNode* node) override;

    V4 startPosition;
    V4 endPosition;
    float fadeFraction = 0.2f;
    ZSprite* otherNode = nullptr;

protected:
    // The scale at which the target shows at the other node's size; 1 on an axis without a size.
    V2 MatchScale();
    void ApplyScaleAndPosition(float sx, float sy, float t);
    void PlaceAt(const V4& position);
    void WatchOther();

private:
    ZSprite* m_watchedOther = nullptr;
};

class ZScaleInto : public ZScaleEffectBase
{
    QV_TYPE_RECORD(ZScaleInto, &ZScaleEffectBase::kTypeRecord)

public:
    ZScaleInto() { Reset(); }
    // A child of the target, not started; set otherNode before it starts.
    static ZScaleInto* Create(ZNode* target);

    void Start() override;
    void Stop() override;
    ZControllerBase* CreateInstance() override { return new ZScaleInto(); }
    void Reset() override;
    void ApplyValue(float t) override;

    V2 endScale;
};

class ZScaleOutFrom : public ZScaleEffectBase
{
    QV_TYPE_RECORD(ZScaleOutFrom, &ZScaleEffectBase::kTypeRecord)

public:
    ZScaleOutFrom() { Reset(); }
    static ZScaleOutFrom* Create(ZNode* target);

    void Start() override;
    void Stop() override;
    ZControllerBase* CreateInstance() override { return new ZScaleOutFrom(); }
    void Reset() override;
    void ApplyValue(float t) override;

    V2 startScale;
};

class ZPulsateController : public ZControllerNodeBase
{
    QV_TYPE_RECORD(ZPulsateController, &ZControllerNodeBase::kTypeRecord)

public:
    // A child of the target, running at once.
    static ZPulsateController* Create(ZSprite* target);

    void Update() override;
    void Start() override;
    void Stop() override;
    ZControllerBase* CreateInstance() override { return new ZPulsateController(); }

    float scaleSpeed = 3.1415927f;
    float scaleAmplitude = 0.25f;
    float elapsed = 0.0f;
    float scaleOffset = 0.0f;
    float scaleOffsetTarget = 0.0f;
    float alphaOffset = 0.0f;
    float alphaOffsetTarget = 0.0f;
    float scaleBase = 1.0f;
    float alphaBase = 0.8f;
    float alphaAmplitude = 0.2f;
    float alphaSpeed = 3.1415927f;
    float offsetBlendTime = 1.0f;
    float scalePhase = 0.0f;
    float alphaPhase = 0.0f;
    float alphaFactor = 1.0f;
    float fadeRemaining = -1.0f;
    float fadeTime = 0.0f;
};

class ZPulseController : public ZTransientController
{
    QV_TYPE_RECORD(ZPulseController, &ZTransientController::kTypeRecord)

public:
    // A child of the target, not started.
    static ZPulseController* Create(ZNode* target);

    void Update() override;
    void Start() override;
    void Stop() override;
    // Deactivates itself first.
    void SetTarget(ZNode* node) override;
    ZControllerBase* CreateInstance() override { return new ZPulseController(); }

    float velocity = 0.0f;
    float kick = 10.0f;
    float acceleration = 0.0f;
    float displacement = 0.0f;
    float stiffness = 140.0f;
    float damping = 6.0f;
    float mass = 0.4f;
    float elapsed = 0.0f;
    float maxDuration = 2.0f;
    float maxStep = 0.05f;
};

class ZFlash : public ZTransientController
{
    QV_TYPE_RECORD(ZFlash, &ZTransientController::kTypeRecord)

public:
    ZFlash();
    // Detaches and deletes the emitter.
    ~ZFlash() override;

    // A flash of `target` whose particles draw `particleTemplate`, placed in the scene tree's
    // "controllers" group and started (the target fades out).
    static ZFlash* Create(ZSprite* target, ZMaterial* particleTemplate);

    void Update() override;
    void Start() override;
    void Stop() override;
    void NodeGone(ZNode* node) override;
    ZControllerBase* CreateInstance() override { return new ZFlash(); }
    // The defaults, and a new emitter set up from them.
    void Reset() override;

    // A new emitter for the current lifetime (the old one goes, with its templates).
    void SetUpEmitter();
    ZParticleEmitterSystem* GetEmitter() const { return emitter; }

    // true: the target fades in; false: it fades out.
    bool fadeIn = false;
    bool done = false;
    // Particle lifetime in seconds; the burst lasts 0.4 of it.
    float lifetime = 0.4f;
    // Length of the target's fade in seconds.
    float fadeTime = 0.25f;
    // Owned; drawn beside the target (a child of the target's parent) while the flash runs.
    ZParticleEmitterSystem* emitter = nullptr;
    double startTime = 0.0;
    bool releaseWhenStopped = false;

private:
    void DeleteEmitter();
};
