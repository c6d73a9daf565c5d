// The level display and the menu button of the dive's HUD.
#include "game/dive/hud/ZLevelIndicator.h"

#include <cstdio>

#include "engine/app/ZGame.h"
#include "engine/scene/ZFontText.h"

ZLevelIndicator* ZLevelIndicator::Create(ZNode* root)
{
    auto* indicator = new ZLevelIndicator();
    indicator->m_root = root;
    if (root)
    {
        indicator->m_level = ZEntityCast<ZFontText>(root->FindNode("levelwidget/level"));
        indicator->m_menu = ZEntityCast<ZButton2D>(root->FindNode("menu_button"));
    }
    if (indicator->m_level)
        indicator->m_level->SetTrim(false);
    if (indicator->m_menu)
        indicator->m_menu->AddListener(indicator);
    return indicator;
}

ZLevelIndicator::~ZLevelIndicator()
{
    if (m_menu)
        m_menu->RemoveListener(this);
}

void ZLevelIndicator::SetLevel(int number)
{
    if (!m_level)
        return;
    char text[16];
    std::snprintf(text, sizeof text, "%2i", number);
    m_level->SetText(text);
}

void ZLevelIndicator::SetMenuEnabled(bool enabled)
{
    if (m_menu)
        m_menu->SetEnabled(enabled);
}

void ZLevelIndicator::OnClicked(ZButton2D* button)
{
    if (!button || button != m_menu)
        return;
    OpenMenu();
}

bool ZLevelIndicator::OpenMenu()
{
    if (!m_menu || !m_menu->IsEnabled())
        return false;
    // States are found by their class name without its first letter, lower-cased.
    ZGame* game = ZGame::PeekInstance();
    ZGameState* menu = game ? game->FindState("ingamemenu") : nullptr;
    if (!menu)
        return false;
    ZGame::GotoState(menu);
    return true;
}
