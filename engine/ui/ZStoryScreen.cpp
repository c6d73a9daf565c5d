#include "engine/ui/ZStoryScreen.h"

#include "engine/app/ZGame.h"
#include "engine/core/ZFrameTimer.h"
#include "engine/import/ZSceneXMLImport2.h"
#include "engine/import/ZStoryXMLImport.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/scene/ZFontText.h"
#include "engine/ui/ZSprite2D.h"

namespace
{
enum EPageEvents
{
    kOnShow,
    kOnExit,
    kOnYes,
    kOnNo,
};

void Show(ZNode* node, bool shown)
{
    if (node)
        node->SetHidden(!shown);
}
} // namespace

ZStoryScreen::ZStoryScreen() : m_hideUntil("hide_until")
{
    GetRoot()->SetName("storyscreen");
}

ZStoryScreen::~ZStoryScreen() = default;

int ZStoryScreen::Build()
{
    m_reader = std::make_unique<ZStoryXMLImport>();
    ZResourcePath story(m_storyFile.c_str());
    if (m_reader->ImportPath(&story) != 0)
        return 0;
    ImportSceneFile(ZResourcePath(m_layoutFile.c_str()), GetRoot());
    ZNode* root = GetRoot();
    m_text = FindWidget<ZFontText>(root, "text");
    m_title = FindWidget<ZFontText>(root, "title");
    m_widgets.Clear();
    m_next = m_widgets.FindButton(root, "button_next");
    m_prev = m_widgets.FindButton(root, "button_prev");
    m_skip = m_widgets.FindButton(root, "button_skip");
    m_yes = m_no = nullptr;
    m_picturePosition = root->FindNode("position_picture");
    Show(m_picturePosition, false);
    if (m_text)
    {
        m_typeWriter = new ZCharModifierTypeWriter();
        m_typeWriter->rate = 200;
        m_typeWriter->delay = 0.2f;
        m_text->SetModifier(m_typeWriter);
    }
    return 0;
}

void ZStoryScreen::SetAnswerButtons(ZButton2D* yes, ZButton2D* no)
{
    m_widgets.Remove(m_yes);
    m_widgets.Remove(m_no);
    m_yes = yes;
    m_no = no;
    m_widgets.Add(yes);
    m_widgets.Add(no);
}

void ZStoryScreen::OnEnter()
{
    m_widgets.OnEnter();
    GetRoot()->SetHidden(false);
    RestartTypeWriter();
}

void ZStoryScreen::OnLeave()
{
    m_widgets.OnLeave();
}

void ZStoryScreen::RestartTypeWriter()
{
    if (m_typeWriter)
        m_typeWriter->Start(float(g_frameTimer ? g_frameTimer->now : 0.0));
}

void ZStoryScreen::ShowPageByName(const char* name)
{
    if (!m_reader || !name)
        return;
    for (SStoryParagraph* page : m_reader->GetParagraphs())
        if (page->id == name)
        {
            ShowPage(page);
            return;
        }
}

bool ZStoryScreen::ShowPage(SStoryParagraph* page)
{
    if (!page)
        return false;
    m_current = page;
    if (m_title)
        m_title->SetText(page->title.c_str());
    if (m_text)
        m_text->SetText(page->text.c_str());
    RestartTypeWriter();
    ShowPicture(page);

    const bool question = page->question;
    Show(m_next, !question);
    Show(m_prev, !question && page->previous);
    Show(m_skip, !question && !(page->next && page->next->required));
    Show(m_yes, question);
    Show(m_no, question);

    RunEvents(page, kOnShow);
    return true;
}

void ZStoryScreen::ShowPicture(const SStoryParagraph* page)
{
    if (page->picturePath.empty())
        return;
    ZTexture* texture = ZTexture::Find(page->picturePath.c_str());
    if (!texture)
        texture = ZTexture::FindOrLoad(page->picturePath.c_str(), kTextureNoAtlas, kTextureLoadNow);
    if (!texture)
        return;
    if (m_picture)
    {
        m_picture->SetTexture(texture);
        return;
    }
    m_picture = ZSprite2D::CreateFromTexture(texture);
    if (!m_picture)
        return;
    m_picture->SetName("storyscreenpicture");
    if (auto* place = ZEntityCast<ZGeom>(m_picturePosition))
        m_picture->SetPosition(place->Position());
    GetRoot()->AddChild(m_picture);
}

void ZStoryScreen::RunEvents(const SStoryParagraph* page, int which)
{
    if (!page)
        return;
    const std::vector<std::unique_ptr<ZEvent>>* list = &page->events;
    if (which == kOnExit)
        list = &page->onExitEvents;
    else if (which == kOnYes)
        list = &page->onYesEvents;
    else if (which == kOnNo)
        list = &page->onNoEvents;
    // An event may move the story on; walk by index so a list left behind is not read stale.
    for (size_t i = 0; i < list->size(); ++i)
        if (const ZEvent* event = (*list)[i].get())
            OnStoryEvent(*event);
}

size_t ZStoryScreen::PageLimit() const
{
    return m_reader ? m_reader->GetParagraphs().size() : 0;
}

void ZStoryScreen::OnClicked(ZButton2D* button)
{
    if (!button)
        return;
    if (button == m_next || button == m_yes || button == m_no)
    {
        SStoryParagraph* page = m_current;
        SStoryParagraph* target = page ? page->next : nullptr;
        if (page && page->question && button == m_yes)
            RunEvents(page, kOnYes);
        else if (page && page->question && button == m_no)
        {
            target = page->no;
            RunEvents(page, kOnNo);
        }
        RunEvents(page, kOnExit);
        if (!page || !target)
            End();
        else
            Forward(target);
    }
    else if (button == m_prev)
    {
        if (!m_current || !m_current->previous)
            End();
        else
            Back(m_current->previous);
    }
    else if (button == m_skip)
        Skip();
}

void ZStoryScreen::Forward(SStoryParagraph* from)
{
    size_t left = PageLimit();
    for (SStoryParagraph* page = from; page && left > 0; page = page->next, --left)
    {
        const bool shown = ShowPage(page);
        OnStoryPageDone();
        if (shown)
            return;
    }
    End();
}

void ZStoryScreen::Back(SStoryParagraph* from)
{
    size_t left = PageLimit();
    for (SStoryParagraph* page = from; page && left > 0; page = page->previous, --left)
    {
        const bool shown = ShowPage(page);
        OnStoryPageDone();
        if (shown)
            return;
    }
    End();
}

void ZStoryScreen::Skip()
{
    size_t left = PageLimit();
    for (SStoryParagraph* page = m_current ? m_current->next : nullptr; page && left > 0;
         page = page->next, --left)
        if (page->required && ShowPage(page))
            return;
    End();
}

void ZStoryScreen::End()
{
    ZGame* game = ZGame::PeekInstance();
    if (!game)
        return;
    if (m_exitTarget)
    {
        game->ClearStates(m_exitTarget);
        return;
    }
    game->PopState();
    if (m_followUp)
    {
        ZGame::GotoState(m_followUp);
        m_followUp = nullptr;
    }
}

void ZStoryScreen::OnStoryEvent(const ZEvent& event)
{
    ZEventManager* manager = ZEventManager::PeekInstance();
    if (event.id.Value() == m_hideUntil.Value())
    {
        const char* until = event.args.Find("until");
        m_awaited = ZNameId(until ? until : "");
        m_awaiting = true;
        if (manager)
            manager->AddListener(this, m_awaited);
        GetRoot()->SetHidden(true);
    }
    if (manager)
        manager->SendEvent(event);
}

void ZStoryScreen::OnEvent(const ZEvent& event)
{
    if (m_awaiting && event.id.Value() == m_awaited.Value())
    {
        m_awaiting = false;
        GetRoot()->SetHidden(false);
    }
}
