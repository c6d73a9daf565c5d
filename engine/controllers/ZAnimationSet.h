#pragma once
// Keyframed animation of a node hierarchy: one track of full poses per animated node, an
// animation that groups the tracks of one file, the set that names the animations of one
// hierarchy, and the controller that plays one track on one node.
//
// A key's time is the end of the interval that begins with its pose: while the time lies between
// key k - 1 and key k, key k is shown (stepping) or the pose runs from key k towards key k + 1
// (interpolating).
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/controllers/ZControllerBase.h"
#include "engine/core/ZMatrix.h"

class ZGroup;

struct ZAnimKey
{
    double time = 0.0;
    // Rows 0 to 2: orientation; row 3: position.
    _M44 pose;
    // Bit 0: the node is hidden while this key is current.
    uint16_t flags = 0;
};

struct ZAnimTrack
{
    std::string name;
    std::vector<ZAnimKey> keys;
    uint32_t KeyCount() const { return uint32_t(keys.size()); }
};

// Made by the file reader; lives until the program ends, since sets and controllers only point
// at it.
struct ZAnimation
{
    std::map<ZNode*, ZAnimTrack*> tracks;
    std::vector<std::unique_ptr<ZAnimTrack>> ownedTracks;
    ZAnimation* next = nullptr;
    bool finished = false;
    bool loop = true;
    float startTime = 0.0f;
    // Copied into each controller when above -1.
    float rate = -1.0f;

    // A new animation kept for the rest of the run.
    static ZAnimation* Make();
};

class ZAnimationSet : public ZControllerNodeBase
{
    QV_TYPE_RECORD(ZAnimationSet, &ZControllerNodeBase::kTypeRecord)

public:
    ZAnimationSet() = default;
    ~ZAnimationSet() override = default;

    // A new inactive set on the node (its child).
    static ZAnimationSet* Create(ZNode* target);
    // A new group named `groupName` holding the scene file, with animation file i read under the
    // name names[i]; the default animation (when named and found on the group's first geometry
    // object) is played. A scene that fails to import gives the group without animations.
    static ZGroup* Load(const char* sceneFile, const char* groupName, int count, const char* const* names,
                        const char* const* files, const char* defaultName);
    ZControllerBase* CreateInstance() override { return new ZAnimationSet(); }

    ZAnimation* FindAnimation(uint32_t id) const;
    // Replaces an earlier entry of the same id.
    void SetAnimation(uint32_t id, ZAnimation* animation);
    void Play(ZAnimation* animation) { PlayAnimation(animation); }
    void SetRateForAll(float rate);
    size_t GetAnimationCount() const { return m_animations.size(); }

    // Starts every track of the animation on its node, reusing the node's keyframe controller.
    static void PlayAnimation(ZAnimation* animation);

private:
    std::map<uint32_t, ZAnimation*> m_animations;
};

class ZMatPosAnimController : public ZControllerNodeBase
{
    QV_TYPE_RECORD(ZMatPosAnimController, &ZControllerNodeBase::kTypeRecord)

public:
    explicit ZMatPosAnimController(ZNode* target = nullptr) : ZControllerNodeBase(target) {}

    // A new controller on the node (its child), not started.
    static ZMatPosAnimController* Create(ZNode* node, ZAnimTrack* track);

    void Update() override;
    void Start() override;
    void OnActivate() override;
    ZControllerBase* CreateInstance() override { return new ZMatPosAnimController(); }
    void OnTargetSet(ZNode* node) override;

    // Shows key k, or the pose a fraction f of the way from key k to the next.
    void ApplyKey(uint32_t k, float f);
    // The defaults of a fresh controller (rate excepted).
    void ResetPlayback();

    float rate = 30.0f;
    float startTime = 0.0f;
    double time = 0.0;
    ZAnimTrack* track = nullptr;
    ZAnimation* animation = nullptr;
    uint32_t current = 0;
    int32_t lastApplied = -1;
    bool loop = true;
    bool interpolate = false;

private:
    // Start cannot switch the controller off from inside its own activation; OnActivate does.
    bool m_stopAfterStart = false;
};
