#pragma once
// Base screens the game subclasses: the pause menu (ZGameMenu) with its resume, settings, main
// menu and help buttons, the main menu's frame (ZMainMenu) and the high-score list
// (ZHighscoreMenu), whose layout decides how many places the high-score table keeps. The game's
// subclass imports the layout under the root in its Build before calling the base Build.
#include <cstdint>

#include "engine/app/ZGameState.h"
#include "engine/controllers/ZInterpolate.h"
#include "engine/ui/ZButton2D.h"
#include "engine/ui/ZScreenWidgets.h"

class ZFontText;
class ZHighscoreTable;

class ZGameMenu : public ZGameState, public IButtonListener
{
public:
    ZGameMenu();

    const char* GetName() const override { return "ZGameMenu"; }
    int Build() override;
    void OnEnter() override;
    void OnLeave() override;
    void OnClicked(ZButton2D* button) override;

    virtual void OnResume();
    virtual void OnSettings();
    virtual void OnMainMenu();
    virtual void OnHelp();

    void SetResumeTarget(ZGameState* state) { m_resumeTarget = state; }
    void SetSettingsScreen(ZGameState* state) { m_settingsScreen = state; }
    void SetMainMenuTarget(ZGameState* state) { m_mainMenuTarget = state; }
    void SetHelpScreen(ZGameState* state) { m_helpScreen = state; }

    ZButton2D* GetResumeButton() const { return m_resume; }
    ZButton2D* GetSettingsButton() const { return m_settings; }
    ZButton2D* GetMainMenuButton() const { return m_mainMenu; }
    // Optional in the layout.
    ZButton2D* GetHelpButton() const { return m_help; }

private:
    // The stack goes to the target (when set) and the menu leaves it.
    static void ClearTo(ZGameState* target);
    // The screen opens over the game and the menu leaves the stack.
    static void Open(ZGameState* screen);

    ZScreenWidgets m_widgets{this};
    ZButton2D* m_resume = nullptr;
    ZButton2D* m_settings = nullptr;
    ZButton2D* m_mainMenu = nullptr;
    ZButton2D* m_help = nullptr;
    ZGameState* m_resumeTarget = nullptr;
    ZGameState* m_settingsScreen = nullptr;
    ZGameState* m_mainMenuTarget = nullptr;
    ZGameState* m_helpScreen = nullptr;
};

class ZMainMenu : public ZGameState, public IButtonListener, public ZInterpolateListener
{
public:
    ZMainMenu();

    const char* GetName() const override { return "ZMainMenu"; }
    // Hidden until the game's menu shows it.
    void Init() override;

    virtual void ShowRoot();
    virtual void HideRoot();
};

class ZHighscoreMenu : public ZGameState, public IButtonListener
{
public:
    static constexpr int32_t kMaxRows = 20;

    ZHighscoreMenu();
    ~ZHighscoreMenu() override;

    const char* GetName() const override { return "ZHighscoreMenu"; }
    int Build() override;
    void OnEnter() override;
    void OnLeave() override;
    void OnClicked(ZButton2D* button) override;

    // After the rows were filled; the game draws its extras per row here.
    virtual void OnScoresShown(ZHighscoreTable* table) { (void)table; }

    int32_t GetRowCount() const { return m_rowCount; }
    ZFontText* GetNameNode(int32_t row) const
    {
        return row >= 0 && row < m_rowCount ? m_names[row] : nullptr;
    }
    ZFontText* GetScoreNode(int32_t row) const
    {
        return row >= 0 && row < m_rowCount ? m_scores[row] : nullptr;
    }

private:
    void FindRows();
    void FillRows();

    ZScreenWidgets m_widgets{this};
    ZButton2D* m_close = nullptr;
    ZFontText* m_names[kMaxRows] = {};
    ZFontText* m_scores[kMaxRows] = {};
    int32_t m_rowCount = 0;
};
