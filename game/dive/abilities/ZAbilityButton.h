#pragma once
// The widget through which the player uses an ability in a dive: a button that shows an item's
// power icon (its child sprite "icon"), holds a ready instance of the item's ability, and lets the
// player drag the icon onto the board (or, for abilities that need no aim, onto their target) to
// arm and fire it. The tool-belt slot buttons and the crew buttons derive from it and add the
// count and the consumption of the item. Made by name from scene files ("abilitybutton").
#include <string>

#include "engine/core/ZVector.h"
#include "engine/ui/ZButton2D.h"
#include "engine/ui/ZDragController.h"
#include "game/dive/abilities/ZAbilityManager.h"

class ZSprite;

class ZAbilityButton : public ZButton2D,
                       public IDragListener,
                       public ZAbilityListener,
                       public INodeStateListener
{
    QV_TYPE_RECORD(ZAbilityButton, &ZButton2D::kTypeRecord)

public:
    static constexpr float kDragDepth = -300.0f;
    static constexpr float kDisabledIconAlpha = 0.35f;

    ZAbilityButton();
    // The drag object goes, the held ability goes back to its factory (disarmed first when armed),
    // and the button leaves the manager's listeners.
    ~ZAbilityButton() override;

    static ZAbilityButton* Create() { return new ZAbilityButton(); }
    ZSerializerBase* GetSerializer() const override;
    // Finds the child "icon" once the layout has made it.
    void OnLoaded() override;

    void SetEnabled(bool enabled) override;
    // The item shown: -1 for none. The held ability is released (its effect ended if it runs) and,
    // for an item, a fresh one taken from the item's factory.
    virtual void SetItem(int id);
    // The held ability was used up (here nothing; the belt takes one from the inventory).
    virtual void OnAbilityConsumed() {}
    // The first tile of the ability's aim was chosen.
    virtual void OnAbilityAimed(ZTile* tile) { (void)tile; }
    virtual void OnAbilityCancelled() {}

    // A press that began on the button itself, or on its icon at home, starts dragging the icon.
    void OnLeftDown(const SPointerState& state, ZNode* target, bool* handled) override;

    // IDragListener: the drag arms the held ability; its end brings the icon home (a pair
    // ability's icon stays at its first tile until the pair is complete).
    void OnDragStart(ZNode* node, ZDragController* controller) override;
    void OnDragEnd(ZNode* node, ZDragController* controller) override;
    // ZAbilityListener, for the held ability only.
    void OnAbilityUsed(bool success, ZAbility* ability) override;
    void OnAbilityTarget(bool accepted, ZAbility* ability, ZTile* tile) override;
    // INodeStateListener: the drag object went away before the button.
    void NodeGone(ZNode* node) override;

    int GetItem() const { return m_item; }
    ZAbility* GetAbility() const { return m_ability; }
    ZSprite* GetIcon() const { return m_icon; }
    ZDragController* GetDragObject() const { return m_drag; }
    bool IsIconAtHome() const { return m_iconAtHome; }
    // Droppable anywhere (aimed and board-wide abilities must be dropped on the board).
    bool IsDropAnywhere() const { return m_dropAnywhere; }
    void ReturnIconHome();

protected:
    // Takes the icon node (a child sprite) and remembers its home.
    void SetIconNode(ZNode* node);
    void RefreshToolTip();

private:
    void ReleaseAbility();

    ZSprite* m_icon = nullptr;
    ZAbility* m_ability = nullptr;
    int m_item = -1;
    V3 m_iconHome;
    bool m_iconAtHome = true;
    bool m_aimed = false; // the icon waits on the first tile of a pair
    bool m_dropAnywhere = false;
    ZDragController* m_drag = nullptr;
    std::string m_tipKey;
};
