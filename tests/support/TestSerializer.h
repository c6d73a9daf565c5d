#pragma once
// Handing a value or object to a scene-file setter the way the scene reader does: as the child
// element's object, made by the serializer of the given element name.
#include "engine/core/ZSerializer.h"

namespace qvtest
{
template <class Setter> bool HandChildTo(const char* elementName, const void* object, Setter&& setter)
{
    ZHandedChildScope scope(object, ZSerializerBase::FindByName(elementName));
    return setter(static_cast<const char*>(object));
}
} // namespace qvtest
