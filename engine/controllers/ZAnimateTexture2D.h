#pragma once
// Controllers that animate a node's material through its stage-0 texture matrix:
//   ZAnimateTexture2D  steps through the frames of an animated texture strip
//   ZTextureUVScroll   scrolls the texture coordinates at a constant speed, with an optional
//                      cosine wobble per axis
// The material is the one the target draws with (its QueryGeometry answer). Creating code sets
// the public fields after Create; neither class reads scene-file properties.
#include <cstdint>

#include "engine/controllers/ZControllerBase.h"
#include "engine/core/ZVector.h"

class ZAnimTexture;
class ZGeom;
class ZMaterial;

class ZAnimateTexture2D : public ZControllerNodeBase
{
    QV_TYPE_RECORD(ZAnimateTexture2D, &ZControllerNodeBase::kTypeRecord)

public:
    // Becomes the target's child and finds the material and strip.
    explicit ZAnimateTexture2D(ZGeom* target = nullptr);

    static ZAnimateTexture2D* Create(ZGeom* target, bool active);

    void Update() override;
    void Start() override;
    void Stop() override;
    ZControllerBase* CreateInstance() override { return new ZAnimateTexture2D(); }

    // Shows the frame at that fraction of the strip; the playback position stays.
    void SetPosition(float fraction);
    // Nothing when the frame is already shown or the strip has no frames.
    void ApplyFrame(int32_t frame);

    // Frames per second; 0 or less pauses.
    float frameRate = 30.0f;
    ZAnimTexture* animTexture = nullptr;
    ZMaterial* material = nullptr;
    // -1: loop for ever; otherwise stop once position / frame count reaches it.
    float stopAt = -1.0f;
    float position = 0.0f;
    int32_t lastFrame = -1;

private:
    void SetUp();
};

class ZTextureUVScroll : public ZControllerNodeBase
{
    QV_TYPE_RECORD(ZTextureUVScroll, &ZControllerNodeBase::kTypeRecord)

public:
    ZTextureUVScroll() = default;

    // Lives in the scene tree's "controllers" group and starts at once. Without a material to
    // drive (the target is neither a sprite nor a geometry object) it changes nothing.
    static ZTextureUVScroll* Create(ZGeom* target);

    void Update() override;
    ZControllerBase* CreateInstance() override { return new ZTextureUVScroll(); }

    ZMaterial* material = nullptr;
    // Kept in (-1, 1).
    V2 offset;
    // Texture widths and heights per second.
    V2 speed;
    // Radians, kept in (-2 pi, 2 pi).
    V2 wavePhase;
    V2 waveSpeed;
    V2 waveAmplitude;
};
