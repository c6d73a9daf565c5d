// The HUD's drop targets for dragged abilities.
#include "game/dive/hud/ZGuiDropTarget.h"

#include <cstring>

#include "engine/core/ZNameId.h"
#include "engine/core/ZSerializer.h"
#include "game/dive/abilities/ZAbility.h"
#include "game/dive/abilities/ZAbilityManager.h"

namespace
{
ZSerializerRTTI<ZGuiDropTarget> s_guiDropTargetSerializer;
constexpr uint32_t kType = ZNameId("type").Value();
const char* const kTypeNames[] = {"board", "rotate", "tile", "level", "score", "air", "treasure"};

// The ability a drag carries: the ability buttons put theirs in the drag's payload.
ZAbility* Carried(ZDragController* controller)
{
    return controller ? static_cast<ZAbility*>(controller->GetPayload()) : nullptr;
}
} // namespace

ZGuiDropTarget::ZGuiDropTarget()
{
    ZDropTarget2D::AddListener(this);
}

ZGuiDropTarget::~ZGuiDropTarget()
{
    ZDropTarget2D::RemoveListener(this);
}

ZSerializerBase* ZGuiDropTarget::GetSerializer() const
{
    return &s_guiDropTargetSerializer;
}

int ZGuiDropTarget::ParseDropType(const char* text)
{
    if (!text)
        return -1;
    for (int i = 0; i < int(sizeof kTypeNames / sizeof kTypeNames[0]); ++i)
    {
        if (std::strcmp(text, kTypeNames[i]) == 0)
            return i;
    }
    return -1;
}

bool ZGuiDropTarget::SetProperty(uint32_t id, const char* name, const char* value)
{
    if (id == kType)
    {
        m_dropType = ParseDropType(value);
        return true;
    }
    return ZDropTarget2D::SetProperty(id, name, value);
}

bool ZGuiDropTarget::Accepts(ZNode* node, ZDragController* controller, ZDropTarget2D* target)
{
    (void)node, (void)target;
    ZAbility* ability = Carried(controller);
    return ability && ability->GetCategory() == m_dropType;
}

void ZGuiDropTarget::OnDrop(ZNode* node, ZDragController* controller, ZDropTarget2D* target)
{
    (void)node, (void)target;
    ZAbilityManager* manager = ZAbilityManager::PeekInstance();
    if (!manager)
        return;
    // A drag without an ability, or with one of another kind, only disarms.
    ZAbility* ability = Carried(controller);
    if (ability && ability->GetCategory() == m_dropType)
    {
        ZTileList none;
        manager->fireArmedAbility(nullptr, nullptr, none);
    }
    else
    {
        manager->DisarmAbility();
    }
}

void ZGuiDropTarget::OnDragEnter(ZNode* node, ZDragController* controller, ZDropTarget2D* target)
{
    (void)node, (void)controller, (void)target;
}
