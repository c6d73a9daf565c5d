#include "engine/render/ZLight.h"

#include <cstring>

#include "engine/core/ZNameId.h"
#include "engine/core/ZUtil.h"
#include "engine/render/resources/ZMaterial.h"

namespace
{
ZSerializerRTTI<ZLight> s_lightSerializer;
} // namespace

ZLight* ZLight::Create()
{
    ZLight* light = new ZLight();
    light->SetName("light");
    return light;
}

ZSerializerBase* ZLight::GetSerializer() const
{
    return &s_lightSerializer;
}

bool ZLight::SetProperty(uint32_t id, const char* name, const char* value)
{
    const auto is = [id](const char* key) { return id == ZNameId(key).Value(); };
    if (is("type"))
    {
        // Exact words: "Spot" is not "spot".
        const char* text = value ? value : "";
        m_type = std::strcmp(text, "direction") == 0 ? kDirection
                 : std::strcmp(text, "spot") == 0    ? kSpot
                                                     : kOmni;
        return true;
    }
    if (is("range"))
        return ParseNumber(value, m_range), true;
    if (is("multiplier"))
        return ParseNumber(value, m_multiplier), true;
    if (is("color"))
    {
        m_color = ZMaterial::ParseColor(value);
        return true;
    }
    if (is("attenuation0"))
        return ParseNumber(value, m_attenuation[0]), true;
    if (is("attenuation1"))
        return ParseNumber(value, m_attenuation[1]), true;
    if (is("attenuation2"))
        return ParseNumber(value, m_attenuation[2]), true;
    if (is("falloffangle"))
        return ParseNumber(value, m_falloffAngle), true;
    if (is("hotspotangle"))
        return ParseNumber(value, m_hotspotAngle), true;
    return ZGeom::SetProperty(id, name, value);
}
