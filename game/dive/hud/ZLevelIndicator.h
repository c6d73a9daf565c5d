#pragma once
// The level display of the dive's HUD with its menu button: the level's number ("%2i" in
// "levelwidget/level") and the button ("menu_button") that opens the in-game menu.
#include "engine/ui/ZButton2D.h"

class ZFontText;
class ZNode;

class ZLevelIndicator : public IButtonListener
{
public:
    // Finds its two nodes under the root (the HUD's "rightbar"); either may be missing.
    static ZLevelIndicator* Create(ZNode* root);
    ~ZLevelIndicator() override;

    void SetLevel(int number);
    void SetMenuEnabled(bool enabled);
    // The menu button opens the in-game menu.
    void OnClicked(ZButton2D* button) override;
    // Opens the in-game menu (the state the game registered as "ingamemenu") while the button is
    // there and enabled; false when it could not.
    bool OpenMenu();

    ZFontText* GetLevelText() const { return m_level; }
    ZButton2D* GetMenuButton() const { return m_menu; }

private:
    ZLevelIndicator() = default;

    ZFontText* m_level = nullptr;
    ZButton2D* m_menu = nullptr;
    ZNode* m_root = nullptr;
};
