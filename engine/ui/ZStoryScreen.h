#pragma once
// The story between levels: pages from the story file with a title, a text typed out character
// by character, an optional picture and events run when a page is shown or left. Question pages
// offer yes and no (buttons the game's subclass provides) instead of next, previous and skip. The
// game subclasses the screen, sets the file names and targets and may refuse pages in ShowPage.
#include <cstdint>
#include <memory>
#include <string>

#include "engine/app/ZGameState.h"
#include "engine/core/ZEventManager.h"
#include "engine/core/ZNameId.h"
#include "engine/ui/ZButton2D.h"
#include "engine/ui/ZScreenWidgets.h"

class ZCharModifierTypeWriter;
class ZFontText;
class ZSprite2D;
class ZStoryXMLImport;
struct SStoryParagraph;

class ZStoryScreen : public ZGameState, public IButtonListener, public IEventListener
{
public:
    ZStoryScreen();
    ~ZStoryScreen() override;

    const char* GetName() const override { return "ZStoryScreen"; }
    // Reads the story; only then the layout, whose widgets are found.
    int Build() override;
    void OnEnter() override;
    void OnLeave() override;

    // Called after each attempt to show a page while moving through the story.
    virtual void OnStoryPageDone() {}
    // True when the page is shown; the game may refuse pages.
    virtual bool ShowPage(SStoryParagraph* page);
    // A missing name leaves the page unchanged.
    void ShowPageByName(const char* name);
    // "hide_until" hides the screen until the named event is sent; every event then goes to the
    // game's listeners through the event manager.
    virtual void OnStoryEvent(const ZEvent& event);

    void OnClicked(ZButton2D* button) override;
    void OnEvent(const ZEvent& event) override;

    void SetStoryFile(const char* name) { m_storyFile = name ? name : ""; }
    void SetLayoutFile(const char* name) { m_layoutFile = name ? name : ""; }
    // Ending the story clears the stack to the exit target when set; otherwise the screen leaves
    // and the follow-up (once) comes next.
    void SetExitTarget(ZGameState* state) { m_exitTarget = state; }
    void SetFollowUp(ZGameState* state) { m_followUp = state; }
    ZGameState* GetFollowUp() const { return m_followUp; }
    // Set by the game after Build; the screen listens to them while entered.
    void SetAnswerButtons(ZButton2D* yes, ZButton2D* no);
    // Ends the story as its last page does (the game ends one that has nothing to show).
    void End();

    SStoryParagraph* GetCurrentPage() const { return m_current; }
    ZStoryXMLImport* GetReader() const { return m_reader.get(); }
    ZFontText* GetTextNode() const { return m_text; }
    ZFontText* GetTitleNode() const { return m_title; }
    ZButton2D* GetNextButton() const { return m_next; }
    ZButton2D* GetPrevButton() const { return m_prev; }
    ZButton2D* GetSkipButton() const { return m_skip; }
    ZButton2D* GetYesButton() const { return m_yes; }
    ZButton2D* GetNoButton() const { return m_no; }
    ZSprite2D* GetPicture() const { return m_picture; }
    ZCharModifierTypeWriter* GetTypeWriter() const { return m_typeWriter; }

private:
    void RunEvents(const SStoryParagraph* page, int which);
    void Forward(SStoryParagraph* from);
    void Back(SStoryParagraph* from);
    void Skip();
    void ShowPicture(const SStoryParagraph* page);
    void RestartTypeWriter();
    // Walks through the story follow at most this many links: a cycle of refused pages ends.
    size_t PageLimit() const;

    std::string m_storyFile;
    std::string m_layoutFile;
    std::unique_ptr<ZStoryXMLImport> m_reader;
    SStoryParagraph* m_current = nullptr;
    ZFontText* m_text = nullptr;
    ZFontText* m_title = nullptr;
    ZScreenWidgets m_widgets{this};
    ZButton2D* m_next = nullptr;
    ZButton2D* m_prev = nullptr;
    ZButton2D* m_skip = nullptr;
    ZButton2D* m_yes = nullptr;
    ZButton2D* m_no = nullptr;
    ZNode* m_picturePosition = nullptr;
    ZSprite2D* m_picture = nullptr;
    ZCharModifierTypeWriter* m_typeWriter = nullptr;
    ZGameState* m_exitTarget = nullptr;
    ZGameState* m_followUp = nullptr;
    ZNameId m_hideUntil;
    ZNameId m_awaited;
    bool m_awaiting = false;
};
