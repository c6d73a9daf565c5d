#pragma once
// Simple looping animations of nodes, driven by the frame delta:
//   ZAnimateGeom     shows one node of a list of frame nodes at a time (activating it and
//                    deactivating the others); lives in the scene tree's "controllers" group
//   ZSprite2DRotate  turns its target about the z axis at a constant angular speed
// Neither reads scene-file properties: creating code sets the public fields after Create.
#include <vector>

#include "engine/controllers/ZControllerBase.h"

class ZGeom;

class ZAnimateGeom : public ZControllerNodeBase
{
    QV_TYPE_RECORD(ZAnimateGeom, &ZControllerNodeBase::kTypeRecord)

public:
    explicit ZAnimateGeom(ZNode* target = nullptr) : ZControllerNodeBase(target) {}
    ~ZAnimateGeom() override;

    // Made on the target, moved to the scene tree's "controllers" group, left inactive: the
    // caller activates it.
    static ZAnimateGeom* Create(ZNode* target);

    void Update() override;
    void Start() override;
    void Stop() override;
    ZControllerBase* CreateInstance() override { return new ZAnimateGeom(); }
    void NodeGone(ZNode* node) override;

    // Appends a frame node (null counts as a frame that is never shown). A frame node that is
    // deleted stays in the list as a null entry.
    void AddFrame(ZNode* node);
    // Activates frame `index` (0 when out of range) and deactivates the others.
    void ShowFrame(int index);
    const std::vector<ZNode*>& GetFrames() const { return m_frames; }

    float frameRate = 12.0f;
    // -1: loop for ever; otherwise stop once position / frame count reaches it.
    float stopAt = -1.0f;
    float position = 0.0f;

private:
    std::vector<ZNode*> m_frames;
};

class ZSprite2DRotate : public ZControllerBase
{
    QV_TYPE_RECORD(ZSprite2DRotate, &ZControllerBase::kTypeRecord)

public:
    ZSprite2DRotate() = default;
    ~ZSprite2DRotate() override = default;

    // Becomes the target's child and starts at once.
    static ZSprite2DRotate* Create(ZGeom* target);

    void Update() override;
    ZControllerBase* CreateInstance() override { return new ZSprite2DRotate(); }

    // Not listened to: the controller is the target's child and dies with it.
    ZGeom* target = nullptr;
    // Radians, kept in (-2 pi, 2 pi).
    float angle = 0.0f;
    float angularSpeed = 0.0f;
};
