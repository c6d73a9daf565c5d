#pragma once
// The game's story screen: the engine's page-by-page story bound to "localized:story.xml" and
// "resources:storyscreen.xml", with the story music, page sounds, the yes/no buttons of question
// pages, a tip on the second visit and two story events of the game's own: "character" makes a
// crew member available, "bonuslevel" picks the hidden-object game of a bonus level. The campaign
// opens it at the first page of a story entry; each story shown sets its flag "story.<name>",
// which the profile keeps.
#include <cstdint>
#include <string>

#include "engine/core/ZNameId.h"
#include "engine/core/ZSingleton.h"
#include "engine/ui/ZStoryScreen.h"

class ZHiddenObjectGame;
class ZSound;

class ZGameStoryScreen : public ZStoryScreen, public ZSingleton<ZGameStoryScreen>
{
public:
    static constexpr const char* kStoryFile = "localized:story.xml";
    static constexpr const char* kLayoutFile = "resources:storyscreen.xml";
    static constexpr const char* kOverlayFile = "resources:storyscreen_overlay.xml";
    static constexpr double kTipDelay = 1.0;
    static constexpr float kTipSeconds = 3.0f;
    static constexpr int kBonusGames = 3;
    // The size every story picture is shown at (the frame in storyscreen.xml fits around it).
    static constexpr float kPictureWidth = 320.0f;
    static constexpr float kPictureHeight = 240.0f;

    ZGameStoryScreen();
    ~ZGameStoryScreen() override;

    const char* GetName() const override { return "ZGameStoryScreen"; }
    // The base's story and layout, then the overlay, the answer buttons and the sounds; flags of
    // stories the file does not have are reported.
    int Build() override;
    void Update(double dt) override;
    void OnEnter() override;
    void OnLeaving() override;
    void OnLeave() override;
    void OnStoryPageDone() override;
    bool ShowPage(SStoryParagraph* page) override;
    void OnStoryEvent(const ZEvent& event) override;

    // The page the next entry opens at (the campaign's story name, or a map place's page). A name
    // the story does not have ends the screen as soon as it opens, with a log line.
    void SetStartPage(const char* name) { m_startPage = name ? name : ""; }
    const std::string& GetStartPage() const { return m_startPage; }
    bool HasPage(const char* name) const;
    // Each setting "story.<name>" whose page the story lacks, reported once with a log line and
    // otherwise left alone; returns how many there are.
    int CheckStoryFlags();

    // The hidden-object game the last "bonuslevel" event chose: 0..2, or -1 for none yet.
    int GetBonusGameIndex() const { return m_bonusGame; }
    // Its game object, null when none was chosen or it does not exist.
    ZHiddenObjectGame* GetBonusGame() const;
    ZNameId GetSceneId() const { return m_sceneId; }
    int GetPagesTurned() const { return m_pagesTurned; }

    // "1..." or exactly "true".
    static bool ParseBooleanText(const char* text);

private:
    void MarkStoryShown(const std::string& name);

    std::string m_startPage;
    int m_bonusGame = -1;
    ZNameId m_sceneId{"storyscreen_underwater"};
    ZNameId m_characterId{"character"};
    ZNameId m_bonusLevelId{"bonuslevel"};
    ZSound* m_openSound = nullptr;
    ZSound* m_closeSound = nullptr;
    ZSound* m_pageSound = nullptr;
    double m_enterTime = 0.0;
    int m_pagesTurned = 0;
    bool m_endPending = false;
};
