// The level file's shared reading for the bonus game's elements.
#include "game/hiddenobject/ZHiddenObjectFile.h"

#include "engine/core/ZSerializer.h"
#include "game/hiddenobject/ZHiddenObject.h"

namespace hiddenobject
{
ZHiddenObject* NestedObject(const char* value)
{
    return ZEntityCast<ZHiddenObject>(const_cast<ZEntity*>(SerializedChild<ZEntity>(value)));
}
} // namespace hiddenobject
