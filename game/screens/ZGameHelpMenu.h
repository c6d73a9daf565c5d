#pragma once
// The help screen: up to ten tab pages, each chosen by its button, a marker that moves to the
// chosen button and a close button. Every text of a page comes from the localized text table by
// the page's and the text's node names ("help.<page>.<text>"), so the layout holds no wording.
#include "engine/app/ZGameState.h"
#include "engine/core/ZSingleton.h"
#include "engine/ui/ZButton2D.h"

class ZFontText;

class ZGameHelpMenu : public ZGameState, public ZSingleton<ZGameHelpMenu>, public IButtonListener
{
public:
    static constexpr int kTabs = 10;

    ZGameHelpMenu();
    ~ZGameHelpMenu() override;

    const char* GetName() const override { return "ZGameHelpMenu"; }
    // Reads "resources:helpmenu.xml", fills the pages and selects the first; 0, or the import's
    // failure.
    int Build() override;
    void OnEnter() override;
    void OnLeave() override;

    // The close button pops the screen; help button i shows page i.
    void OnClicked(ZButton2D* button) override;
    // Page i shown, every other page hidden; the marker goes to button i when it exists.
    void SelectTab(int i);
    // Each direct text child of the page shows "help.<page>.<text>" in the "story" font, or
    // "%%ERROR%%" when the table has no such text.
    static void FillTab(ZNode* page);

    int GetSelectedTab() const { return m_selected; }
    ZNode* GetTab(int i) const { return i >= 0 && i < kTabs ? m_tabs[i] : nullptr; }
    ZButton2D* GetButton(int i) const { return i >= 0 && i < kTabs ? m_buttons[i] : nullptr; }
    ZButton2D* GetCloseButton() const { return m_close; }
    ZNode* GetMarker() const { return m_marker; }

private:
    void Subscribe(ZButton2D* button);
    void UnsubscribeAll();

    ZNode* m_tabs[kTabs] = {};
    ZButton2D* m_buttons[kTabs] = {};
    ZButton2D* m_close = nullptr;
    ZNode* m_marker = nullptr;
    int m_selected = -1;
    bool m_subscribed = false;
};
