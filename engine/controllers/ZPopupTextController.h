#pragma once
// A short text that springs in character by character, drifts from one world point to another,
// grows or shrinks and fades, and then releases itself and its text through the scene tree's
// deferred deletion. Score and message pop-ups use it.
#include "engine/controllers/ZInterpolateBase.h"
#include "engine/core/ZVector.h"

class ZFont;
class ZFontText;

class ZPopupTextController : public ZInterpolateDelayBase
{
    QV_TYPE_RECORD(ZPopupTextController, &ZInterpolateDelayBase::kTypeRecord)

public:
    // The pop-up draws this far in front of its points.
    static constexpr float kDepthOffset = 60.0f;
    // Characters start this far above their place.
    static constexpr float kDropHeight = 100.0f;

    // Makes the text under `parent` and the controller under the scene tree's "controllers" group;
    // not yet active. Positions are world points.
    static ZPopupTextController* Create(const char* text, ZFont* font, ZNode* parent, const V3* start,
                                        const V3* end, float startScale, float endScale, float startAlpha,
                                        float endAlpha, ZEaseFunction scaleCurve, double duration);
    // Create with the scale curve EaseOutCubicQuartic, then started.
    static ZPopupTextController* Show(const char* text, ZFont* font, ZNode* parent, const V3* start,
                                      const V3* end, float startScale, float endScale, float startAlpha,
                                      float endAlpha, double duration);

    ZControllerBase* CreateInstance() override { return new ZPopupTextController(); }
    void ApplyValue(float t) override;

    ZFontText* GetText() const;

    V3 startPosition;
    V3 endPosition;
    float startScale = 1.0f;
    float endScale = 1.0f;
    float startAlpha = 1.0f;
    float endAlpha = 1.0f;
    ZEaseFunction positionCurve = &EaseLinear;
    ZEaseFunction scaleCurve = &EaseLinear;
    ZEaseFunction alphaCurve = &EaseLinear;
};
