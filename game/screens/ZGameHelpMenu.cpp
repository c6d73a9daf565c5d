// The help screen's pages, buttons and marker.
#include "game/screens/ZGameHelpMenu.h"

#include <cstdio>
#include <string>

#include "engine/app/ZGame.h"
#include "engine/import/ZSceneXMLImport2.h"
#include "engine/render/ZFont.h"
#include "engine/resource/ZStringTable.h"
#include "engine/scene/ZFontText.h"
#include "engine/scene/ZGeom.h"
#include "game/decoration/ZBackground.h"

ZGameHelpMenu::ZGameHelpMenu()
{
    SetFlags(kStateDims | kStateResourcesWhileStacked);
    // The screen's root is known as "helpmenu" in the scene.
    if (ZGroup* root = GetRoot())
        root->SetName("helpmenu");
}

ZGameHelpMenu::~ZGameHelpMenu()
{
    UnsubscribeAll();
}

void ZGameHelpMenu::Subscribe(ZButton2D* button)
{
    if (button)
        button->AddListener(this);
}

void ZGameHelpMenu::UnsubscribeAll()
{
    if (m_close)
        m_close->RemoveListener(this);
    for (ZButton2D* button : m_buttons)
        if (button)
            button->RemoveListener(this);
}

int ZGameHelpMenu::Build()
{
    ZGroup* root = GetRoot();
    if (int error = ImportSceneFile(ZResourcePath("resources:helpmenu.xml"), root))
        return error;
    ZNode* tabs = root->FindNode("tabs");
    ZNode* buttons = root->FindNode("buttons");
    m_marker = root->FindNode("marker");
    m_close = ZEntityCast<ZButton2D>(root->FindNode("button_close"));
    Subscribe(m_close);
    char name[32];
    for (int i = 0; i < kTabs; ++i)
    {
        std::snprintf(name, sizeof(name), "tab_%i", i);
        m_tabs[i] = tabs ? tabs->FindNode(name) : nullptr;
        if (m_tabs[i])
        {
            m_tabs[i]->SetActive(false);
            FillTab(m_tabs[i]);
        }
        std::snprintf(name, sizeof(name), "button_help_%i", i);
        m_buttons[i] = buttons ? ZEntityCast<ZButton2D>(buttons->FindNode(name)) : nullptr;
        Subscribe(m_buttons[i]);
    }
    SelectTab(0);
    return 0;
}

void ZGameHelpMenu::FillTab(ZNode* page)
{
    if (!page)
        return;
    ZFont* story = ZFont::Find("story");
    ZFont* plain = ZFont::Find("plain");
    ZStringTable* table = ZStringTable::GetInstance();
    const char* pageName = page->GetName() ? page->GetName() : "";
    for (ZNode* child = page->GetFirstChild(); child; child = child->GetNextSibling())
    {
        auto* text = ZEntityCast<ZFontText>(child);
        if (!text)
            continue;
        if (plain && story && text->GetFont() == plain)
            text->SetFont(story);
        const std::string key =
            std::string("help.") + pageName + "." + (text->GetName() ? text->GetName() : "");
        const char* found = table ? table->Find(key.c_str()) : nullptr;
        text->SetText(found ? found : "%%ERROR%%");
    }
}

void ZGameHelpMenu::SelectTab(int i)
{
    for (int t = 0; t < kTabs; ++t)
        if (m_tabs[t])
            m_tabs[t]->SetActive(t == i);
    if (i >= 0 && i < kTabs)
        m_selected = i;
    ZButton2D* button = i >= 0 && i < kTabs ? m_buttons[i] : nullptr;
    auto* marker = ZEntityCast<ZGeom>(m_marker);
    if (!button || !marker)
        return;
    V3 p{0.0f, 0.0f, 0.0f};
    button->LocalToWorld(p);
    const float depth = marker->Position().z;
    if (ZNode* parent = marker->FindGeomParent())
        static_cast<ZGeom*>(parent)->WorldToLocal(p);
    marker->SetPositionXYZ(p.x, p.y, depth);
}

void ZGameHelpMenu::OnEnter()
{
    if (ZBackground* background = ZBackground::PeekInstance())
        background->Show(true);
}

void ZGameHelpMenu::OnLeave() {}

void ZGameHelpMenu::OnClicked(ZButton2D* button)
{
    if (!button)
        return;
    if (button == m_close)
    {
        if (ZGame* game = ZGame::PeekInstance(); game && game->GetTopState() == this)
            game->PopState();
        return;
    }
    for (int i = 0; i < kTabs; ++i)
        if (button == m_buttons[i])
            SelectTab(i);
}
