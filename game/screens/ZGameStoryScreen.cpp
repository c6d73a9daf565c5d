// The game's story screen: its files, sounds, music and tip, the question buttons, the story flags
// and the game's own story events.
#include "game/screens/ZGameStoryScreen.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/app/ZGame.h"
#include "engine/audio/IAudio.h"
#include "engine/audio/ZSound.h"
#include "engine/core/ZFrameTimer.h"
#include "engine/core/ZPropertyManager.h"
#include "engine/import/ZSceneXMLImport2.h"
#include "engine/import/ZStoryXMLImport.h"
#include "engine/scene/ZFontText.h"
#include "engine/ui/ZScreenWidgets.h"
#include "engine/ui/ZSprite2D.h"
#include "engine/ui/ZToolTipManager.h"
#include "game/common/IGameShell.h"
#include "game/common/ZCrew.h"
#include "game/common/ZShellSettings.h"
#include "game/decoration/ZBackground.h"
#include "game/dive/crew/ZCharacterScreen.h"
#include "game/hiddenobject/ZHiddenObjectGame.h"

namespace
{
constexpr const char* kFlagPrefix = "story.";
constexpr int32_t kTypeWriterRate = 200;
constexpr float kTypeWriterDelay = 0.2f;

double Now()
{
    return g_frameTimer ? g_frameTimer->now : 0.0;
}

ZPropertyInt* VisitCounter()
{
    ZPropertyManager* settings = ZPropertyManager::PeekInstance();
    return settings ? settings->FindTyped<int32_t>("zelk.tip.storyscreen") : nullptr;
}
} // namespace

ZGameStoryScreen::ZGameStoryScreen()
{
    SetStoryFile(kStoryFile);
    SetLayoutFile(kLayoutFile);
}

ZGameStoryScreen::~ZGameStoryScreen()
{
    // Deleted while entered (the game ends on this screen): the buttons stop calling it.
    ZStoryScreen::OnLeave();
}

int ZGameStoryScreen::Build()
{
    const int result = ZStoryScreen::Build();
    if (!GetReader() || GetReader()->GetParagraphs().empty())
        std::fprintf(stderr, "Story: %s has no pages\n", kStoryFile);
    ZNode* root = GetRoot();
    if (ImportSceneFile(ZResourcePath(kOverlayFile), root) != 0)
        std::fprintf(stderr, "Story: %s is missing or broken\n", kOverlayFile);
    SetAnswerButtons(FindWidget<ZButton2D>(root, "button_yes"), FindWidget<ZButton2D>(root, "button_no"));
    m_openSound = ZSound::Find("story_open");
    m_closeSound = ZSound::Find("story_close");
    m_pageSound = ZSound::Find("story_page");
    CheckStoryFlags();
    return result;
}

bool ZGameStoryScreen::HasPage(const char* name) const
{
    if (!name || !GetReader())
        return false;
    for (const SStoryParagraph* page : GetReader()->GetParagraphs())
        if (page->id == name)
            return true;
    return false;
}

int ZGameStoryScreen::CheckStoryFlags()
{
    ZPropertyManager* settings = ZPropertyManager::PeekInstance();
    if (!settings)
        return 0;
    int unknown = 0;
    const auto& all = settings->GetAll();
    const size_t prefix = std::strlen(kFlagPrefix);
    for (auto it = all.lower_bound(kFlagPrefix);
         it != all.end() && it->first.compare(0, prefix, kFlagPrefix) == 0; ++it)
    {
        const std::string page = it->first.substr(prefix);
        if (HasPage(page.c_str()))
            continue;
        ++unknown;
        std::fprintf(stderr, "Story: the flag %s names no page of the story; ignored\n", it->first.c_str());
    }
    return unknown;
}

void ZGameStoryScreen::MarkStoryShown(const std::string& name)
{
    // The campaign makes the flag of each story its script names; a page without one keeps none.
    ZPropertyManager* settings = ZPropertyManager::PeekInstance();
    if (ZPropertyBool* flag = settings ? settings->FindTyped<bool>(kFlagPrefix + name) : nullptr)
        if (!flag->GetValue())
            flag->SetValue(true);
}

void ZGameStoryScreen::OnEnter()
{
    ZStoryScreen::OnEnter();
    m_enterTime = Now();
    m_endPending = false;
    if (ZBackground* background = ZBackground::PeekInstance())
        background->Show(true);
    IGameShell* shell = GetGameShell();
    shell->PlayPlayList(shell->FindPlayList("story_lowkey"));
    if (m_openSound)
        m_openSound->Play();
    if (ZPropertyInt* visits = VisitCounter())
        visits->SetValue(visits->GetValue() + 1);
    if (!m_startPage.empty() && HasPage(m_startPage.c_str()))
    {
        MarkStoryShown(m_startPage);
        ShowPageByName(m_startPage.c_str());
    }
    else
    {
        // Nothing to tell: the screen goes at its first update, so the campaign goes on.
        std::fprintf(stderr, "Story: no page \"%s\" in %s; the story is passed\n", m_startPage.c_str(),
                     kStoryFile);
        m_endPending = true;
    }
}

void ZGameStoryScreen::Update(double dt)
{
    ZStoryScreen::Update(dt);
    ZGame* game = ZGame::PeekInstance();
    if (!game || game->GetTopState() != this)
        return;
    if (m_endPending)
    {
        m_endPending = false;
        End();
        return;
    }
    ZPropertyInt* visits = VisitCounter();
    if (visits && visits->GetValue() == 2 && Now() - m_enterTime > kTipDelay)
    {
        if (ZToolTipManager* tips = ZToolTipManager::PeekInstance())
            tips->OpenTimedToolTip("storyscreen", nullptr, 0, kTipSeconds);
        visits->SetValue(visits->GetValue() + 1);
    }
}

void ZGameStoryScreen::OnLeaving()
{
    if (m_closeSound)
        m_closeSound->Play();
}

void ZGameStoryScreen::OnLeave()
{
    ZStoryScreen::OnLeave();
    if (ZBackground* background = ZBackground::PeekInstance())
        background->Show(false);
    if (g_audio)
        g_audio->FadeOutMusic(1.0f);
}

void ZGameStoryScreen::OnStoryPageDone()
{
    ++m_pagesTurned;
    if (m_pageSound)
        m_pageSound->Play();
}

bool ZGameStoryScreen::ShowPage(SStoryParagraph* page)
{
    if (!page)
        return false;
    if (ZCharModifierTypeWriter* writer = GetTypeWriter())
    {
        // Translators check whole texts at once.
        const bool atOnce = g_zelkLanguageTesting.GetValue();
        writer->rate = atOnce ? 1000000 : kTypeWriterRate;
        writer->delay = atOnce ? 0.0f : kTypeWriterDelay;
    }
    // The base builds the page, shows next, previous and skip or the answer buttons, and runs
    // the page's events, which come back through OnStoryEvent.
    const bool shown = ZStoryScreen::ShowPage(page);
    // Every picture fills the book's frame, whatever size its file has.
    if (ZSprite2D* picture = GetPicture())
    {
        picture->SetSizeModelActual(false);
        picture->SetSize(kPictureWidth, kPictureHeight);
    }
    return shown;
}

bool ZGameStoryScreen::ParseBooleanText(const char* text)
{
    if (!text)
        return false;
    return text[0] == '1' || std::strcmp(text, "true") == 0;
}

void ZGameStoryScreen::OnStoryEvent(const ZEvent& event)
{
    if (event.id.Value() == m_characterId.Value())
    {
        const int index = ParseCrewName(event.args.Find("name"));
        if (index < 0)
        {
            std::fprintf(stderr, "Story: \"character\" names no crew member; ignored\n");
            return;
        }
        if (ZCharacterScreen* crew = ZCharacterScreen::PeekInstance())
            crew->ShowCharacter(index, ParseBooleanText(event.args.Find("value")), true);
        return;
    }
    if (event.id.Value() == m_bonusLevelId.Value())
    {
        // Story data picks one of the three games; any other number is refused.
        const char* text = event.args.Find("level");
        char* end = nullptr;
        const long level = text ? std::strtol(text, &end, 10) : -1;
        if (text && end != text && *end == '\0' && level >= 0 && level < kBonusGames)
            m_bonusGame = int(level);
        else
            std::fprintf(stderr, "Story: \"bonuslevel\" level \"%s\" is not 0 to 2; ignored\n",
                         text ? text : "");
        return;
    }
    ZStoryScreen::OnStoryEvent(event);
}

ZHiddenObjectGame* ZGameStoryScreen::GetBonusGame() const
{
    if (m_bonusGame < 0)
        return nullptr;
    char name[24];
    std::snprintf(name, sizeof name, "hidden%i", m_bonusGame + 1);
    return ZHiddenObjectGame::Peek(name);
}
