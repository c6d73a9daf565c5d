#pragma once
// The slide of the tool-tip box: shown, it rises into place from below; hidden, it sinks back.
// A show that interrupts a hide (or the reverse) starts from where the box is, so a tip that
// changes its mind never jumps, and the run takes time in proportion to the way left.
#include "engine/controllers/ZInterpolateBase.h"

class ZToolTipInterpolate : public ZInterpolateBase
{
    QV_TYPE_RECORD(ZToolTipInterpolate, &ZInterpolateBase::kTypeRecord)

public:
    // Where a hidden tip rests, relative to its place.
    static constexpr float kRestOffsetY = -150.0f;
    // Seconds per unit of distance.
    static constexpr float kSecondsPerUnit = 0.15f / 150.0f;

    ZToolTipInterpolate() { Reset(); }

    // A stopped controller on the tool-tip root; show slides in, otherwise out.
    static ZToolTipInterpolate* Create(ZNode* target, bool show);

    ZControllerBase* CreateInstance() override { return new ZToolTipInterpolate(); }
    void Start() override;
    void Stop() override;
    void Reset() override;
    void ApplyValue(float t) override;

    void SetPartner(ZToolTipInterpolate* partner) { m_partner = partner; }
    ZToolTipInterpolate* GetPartner() const { return m_partner; }
    bool IsShow() const { return m_show != 0; }
    bool IsIdle() const { return m_idle != 0; }
    // Offsets from the tip's place.
    const V3& GetStart() const { return m_start; }
    const V3& GetEnd() const { return m_end; }
    const V3& GetCurrent() const { return m_current; }

private:
    V3 m_start;
    V3 m_end;
    V3 m_current;
    // The tip's place in world space, taken when a run starts.
    V3 m_place;
    ZToolTipInterpolate* m_partner = nullptr;
    uint8_t m_show = 1;
    uint8_t m_idle = 1;
};
