#pragma once
// A light for the back ends' shaders: kind, colour, range, intensity, attenuation and cone. Lights
// are scene data; the renderer hands its own array of them (empty unless code fills it) to shaders.
#include <cstdint>

#include "engine/core/ZVector.h"
#include "engine/scene/ZGeom.h"

class ZLight : public ZGeom
{
    QV_TYPE_RECORD(ZLight, &ZGeom::kTypeRecord)

public:
    enum Type : int32_t
    {
        kOmni = 0,
        kDirection = 1,
        kSpot = 2,
    };

    ZLight() = default;

    // A light made for a scene file, named "light" before the file's attributes apply.
    static ZLight* Create();

    ZSerializerBase* GetSerializer() const override;
    bool SetProperty(uint32_t id, const char* name, const char* value) override;

    int32_t GetType() const { return m_type; }
    const V4& GetColor() const { return m_color; }
    float GetRange() const { return m_range; }
    float GetMultiplier() const { return m_multiplier; }
    float GetFalloffAngle() const { return m_falloffAngle; }
    float GetHotspotAngle() const { return m_hotspotAngle; }
    void SetHotspotAngle(float angle) { m_hotspotAngle = angle; }
    float GetAttenuation(int index) const { return m_attenuation[index < 0 ? 0 : index > 2 ? 2 : index]; }

private:
    int32_t m_type = kOmni;
    V4 m_color{1.0f, 1.0f, 1.0f, 1.0f};
    float m_range = 500.0f;
    float m_multiplier = 1.0f;
    float m_falloffAngle = 0.0f;
    float m_hotspotAngle = 0.0f;
    float m_attenuation[3] = {1.0f, 0.0f, 0.0f};
};
