#include "engine/controllers/ZPopupTextController.h"

#include <cstring>

#include "engine/scene/ZFontText.h"
#include "engine/scene/ZSceneTree.h"

ZPopupTextController* ZPopupTextController::Create(const char* text, ZFont* font, ZNode* parent,
                                                   const V3* start, const V3* end, float startScale,
                                                   float endScale, float startAlpha, float endAlpha,
                                                   ZEaseFunction scaleCurve, double duration)
{
    ZFontText* node = ZFontText::Create(font);
    node->SetName(text);
    node->SetText(text);
    node->SetPivot(PIVOT_CENTER);
    if (parent)
        parent->AddChild(node);

    auto* popup = new ZPopupTextController();
    popup->startPosition = start ? *start : V3{};
    popup->endPosition = end ? *end : V3{};
    popup->startPosition.z -= kDepthOffset;
    popup->endPosition.z -= kDepthOffset;
    popup->startScale = startScale;
    popup->endScale = endScale;
    popup->startAlpha = startAlpha;
    popup->endAlpha = endAlpha;
    popup->SetDuration(duration);
    popup->positionCurve = &EaseLinear;
    popup->scaleCurve = scaleCurve ? scaleCurve : &EaseLinear;
    popup->alphaCurve = &EaseBumpQuartic;
    popup->SetReleaseTargetAtEnd(true);
    popup->SetReleaseSelfAtEnd(true);
    popup->SetTarget(node);
    ZSceneTree::GetInstance()->AddChild(popup);

    auto* spring = new ZCharModifierSpring();
    spring->dropHeight = kDropHeight;
    spring->rate = 25;
    spring->stiffness = 150.0f;
    spring->damping = 14.0f;
    spring->mass = 1.0f;
    spring->fadeTime = 0.3f;
    node->SetModifier(spring);
    spring->Start(float(EngineClockNow()));
    spring->SetCount(uint32_t(text ? std::strlen(text) : 0));
    return popup;
}

ZPopupTextController* ZPopupTextController::Show(const char* text, ZFont* font, ZNode* parent,
                                                 const V3* start, const V3* end, float startScale,
                                                 float endScale, float startAlpha, float endAlpha,
                                                 double duration)
{
    ZPopupTextController* popup = Create(text, font, parent, start, end, startScale, endScale, startAlpha,
                                         endAlpha, &EaseOutCubicQuartic, duration);
    popup->SetActive(true);
    return popup;
}

ZFontText* ZPopupTextController::GetText() const
{
    return ZEntityCast<ZFontText>(m_target);
}

void ZPopupTextController::ApplyValue(float t)
{
    ZFontText* node = GetText();
    if (!node)
        return;
    const float p = positionCurve ? positionCurve(t) : t;
    PlaceAtWorldPoint(node, startPosition * (1.0f - p) + endPosition * p);
    const float s = scaleCurve ? scaleCurve(t) : t;
    const float scale = startScale * (1.0f - s) + endScale * s;
    node->SetTextScale({scale, scale});
    node->SetScale({scale, scale, scale});
    const float a = alphaCurve ? alphaCurve(t) : t;
    node->SetAlphaField(startAlpha * (1.0f - a) + endAlpha * a);
    node->InvalidateLayout();
}
