#pragma once
// A drop target of the dive's HUD ("guidroptarget" in the layout) on which the player drops an
// ability dragged from the tool belt or a crew button: the level display, the treasure chest, the
// air bar, the amulet. Each has a drop type ("type"); an ability whose category equals it lights the
// target while dragged and fires when dropped there, any other drop disarms the armed ability.
#include <cstdint>

#include "engine/ui/ZDropTarget2D.h"

class ZGuiDropTarget : public ZDropTarget2D, public IDropListener
{
    QV_TYPE_RECORD(ZGuiDropTarget, &ZDropTarget2D::kTypeRecord)

public:
    // Drop types: the ability categories the targets take.
    static constexpr int kBoard = 0;
    static constexpr int kRotate = 1;
    static constexpr int kTile = 2;
    static constexpr int kLevel = 3;
    static constexpr int kScore = 4;
    static constexpr int kAir = 5;
    static constexpr int kTreasure = 6;

    // Listens to its own drops.
    ZGuiDropTarget();
    ~ZGuiDropTarget() override;
    static ZGuiDropTarget* Create() { return new ZGuiDropTarget(); }
    ZSerializerBase* GetSerializer() const override;
    // "type": the drop type from its text ("board", "rotate", "tile", "level", "score", "air",
    // "treasure"; any other text, compared exactly, gives -1, which takes nothing).
    bool SetProperty(uint32_t id, const char* name, const char* value) override;
    static int ParseDropType(const char* text);

    // IDropListener.
    bool Accepts(ZNode* node, ZDragController* controller, ZDropTarget2D* target) override;
    void OnDrop(ZNode* node, ZDragController* controller, ZDropTarget2D* target) override;
    void OnDragEnter(ZNode* node, ZDragController* controller, ZDropTarget2D* target) override;
    using ZDropTarget2D::Accepts;

    int GetDropType() const { return m_dropType; }
    void SetDropType(int type) { m_dropType = type; }

private:
    int m_dropType = -1;
};
