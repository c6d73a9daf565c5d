#pragma once
// The widgets a screen works with: found by path under the screen's root and typed (null when the
// layout lacks them or holds another kind of node), and the buttons the screen hears, subscribed
// while it is entered and unsubscribed when it leaves, so no button keeps calling a screen that is
// not on the stack.
#include <algorithm>
#include <vector>

#include "engine/scene/ZNode.h"
#include "engine/ui/ZButton2D.h"

// The node at `path` below `root` as a T; null without a root, without the node or when the node
// is not a T.
template <class T> T* FindWidget(ZNode* root, const char* path)
{
    return ZEntityCast<T>(root ? root->FindNode(path) : nullptr);
}

class ZScreenWidgets
{
public:
    // The listener hears every button added here while the screen is entered.
    explicit ZScreenWidgets(IButtonListener* listener) : m_listener(listener) {}

    // FindWidget<ZButton2D>, and the button found is heard while the screen is entered.
    ZButton2D* FindButton(ZNode* root, const char* path)
    {
        ZButton2D* button = FindWidget<ZButton2D>(root, path);
        Add(button);
        return button;
    }
    // Heard from now on while entered (at once when the screen is entered). Null and buttons
    // already added are ignored.
    void Add(ZButton2D* button);
    // No longer heard; unsubscribed at once when the screen is entered.
    void Remove(ZButton2D* button);
    // Forgets every button without touching them (a Build that runs again finds them anew; the
    // nodes of the last one may be gone).
    void Clear() { m_buttons.clear(); }

    // Call from the screen's OnEnter and OnLeave. Each subscribes or unsubscribes once however
    // often it is called.
    void OnEnter() { Subscribe(true); }
    void OnLeave() { Subscribe(false); }
    bool IsEntered() const { return m_entered; }

private:
    void Subscribe(bool on);

    IButtonListener* m_listener;
    std::vector<ZButton2D*> m_buttons;
    bool m_entered = false;
};
