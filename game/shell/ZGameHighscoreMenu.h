#pragma once
// The high-score list with the game's layout: a portrait of the crew member beside each entry.
#include "engine/ui/ZGameMenu.h"

class ZSprite2D;

class ZGameHighscoreMenu : public ZHighscoreMenu
{
public:
    static constexpr int kMaxPortraits = 20;

    ZGameHighscoreMenu();

    int Build() override;
    void OnLeave() override;
    void OnScoresShown(ZHighscoreTable* table) override;

    int GetPortraitCount() const { return m_portraitCount; }
    ZSprite2D* GetPortrait(int i) const { return i >= 0 && i < m_portraitCount ? m_portraits[i] : nullptr; }

private:
    ZSprite2D* m_portraits[kMaxPortraits] = {};
    int m_portraitCount = 0;
};
