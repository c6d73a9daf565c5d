// The buttons a screen hears while it is entered.
#include "engine/ui/ZScreenWidgets.h"

void ZScreenWidgets::Add(ZButton2D* button)
{
    if (!button || std::find(m_buttons.begin(), m_buttons.end(), button) != m_buttons.end())
        return;
    m_buttons.push_back(button);
    if (m_entered)
        button->AddListener(m_listener);
}

void ZScreenWidgets::Remove(ZButton2D* button)
{
    auto it = std::find(m_buttons.begin(), m_buttons.end(), button);
    if (it == m_buttons.end())
        return;
    if (m_entered)
        button->RemoveListener(m_listener);
    m_buttons.erase(it);
}

void ZScreenWidgets::Subscribe(bool on)
{
    if (on == m_entered)
        return;
    m_entered = on;
    for (ZButton2D* button : m_buttons)
    {
        if (on)
            button->AddListener(m_listener);
        else
            button->RemoveListener(m_listener);
    }
}
