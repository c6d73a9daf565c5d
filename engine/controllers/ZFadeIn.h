#pragma once
// Fades of the sprites and text nodes below a node (never the node itself). A fade is made active
// by Create; callers usually deactivate it, listen for Ended and call Begin when the panel is to
// appear or disappear. Stopping a fade, however it ends, leaves the children at full alpha, so a
// panel hidden by its owner shows whole when it is shown again.
#include "engine/controllers/ZInterpolateBase.h"

class ZFadeIn : public ZInterpolateBase
{
    QV_TYPE_RECORD(ZFadeIn, &ZInterpolateBase::kTypeRecord)

public:
    ZFadeIn() { Reset(); }
    static ZFadeIn* Create(ZNode* target);

    // Children alpha 0; the run itself begins with Begin.
    void Start() override;
    // Children alpha 1.
    void Stop() override;
    ZControllerBase* CreateInstance() override { return new ZFadeIn(); }
    void Reset() override;
    void ApplyValue(float t) override;
};

class ZFadeOut : public ZInterpolateBase
{
    QV_TYPE_RECORD(ZFadeOut, &ZInterpolateBase::kTypeRecord)

public:
    ZFadeOut() { Reset(); }
    static ZFadeOut* Create(ZNode* target);

    // Children alpha 1.
    void Start() override;
    void Stop() override;
    ZControllerBase* CreateInstance() override { return new ZFadeOut(); }
    void Reset() override;
    void ApplyValue(float t) override;
};
