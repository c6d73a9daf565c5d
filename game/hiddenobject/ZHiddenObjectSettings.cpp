// Settings of the bonus game, looked up by key with their defaults as fallback.
#include "game/hiddenobject/ZHiddenObjectSettings.h"

#include <algorithm>

#include "engine/core/ZProperty.h"
#include "engine/core/ZPropertyManager.h"

namespace hiddenobject
{
namespace
{
template <class T> ZPropertyTempl<T>* Setting(const char* key)
{
    ZPropertyManager* manager = ZPropertyManager::PeekInstance();
    return manager ? manager->FindTyped<T>(key) : nullptr;
}

float FloatOr(const char* key, float fallback)
{
    ZPropertyFloat* setting = Setting<float>(key);
    return setting ? setting->GetValue() : fallback;
}
} // namespace

float HintChargeSeconds()
{
    return std::max(0.1f, FloatOr("zelk.hintcharge", 30.0f));
}

float ScrollAcceleration()
{
    return FloatOr("zelk.scrollaccel", 60.0f);
}

float ScrollSpeed()
{
    return FloatOr("zelk.scrollspeed", 5.0f);
}

bool HasToolBelt()
{
    return GetFlag("profile.toolbelt");
}

bool IsRelaxMode()
{
    return GetFlag("profile.relaxmode");
}

void AddTreasure(int64_t amount)
{
    ZPropertyInt* treasure = Setting<int32_t>("profile.treasure");
    if (!treasure)
        return;
    const int64_t total = std::clamp<int64_t>(int64_t(treasure->GetValue()) + amount, treasure->GetMinimum(),
                                              treasure->GetMaximum());
    treasure->SetValue(int32_t(total));
}

bool GetFlag(const char* key)
{
    ZPropertyBool* flag = Setting<bool>(key);
    return flag && flag->GetValue();
}

void SetFlag(const char* key)
{
    if (ZPropertyBool* flag = Setting<bool>(key))
        flag->SetValue(true);
}
} // namespace hiddenobject
