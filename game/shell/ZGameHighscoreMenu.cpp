// The game's high-score list over the engine's high-score menu.
#include "game/shell/ZGameHighscoreMenu.h"

#include <cstdio>

#include "engine/import/ZSceneXMLImport2.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/resource/ZHighscoreTable.h"
#include "engine/ui/ZSprite2D.h"
#include "game/shell/ZQuorvane.h"
#include "game/shell/ZShellStats.h"

ZGameHighscoreMenu::ZGameHighscoreMenu()
{
    SetFlags(kStateResourcesWhileStacked);
}

int ZGameHighscoreMenu::Build()
{
    if (ImportSceneFile(ZResourcePath("resources:highscoremenu.xml"), GetRoot()) != 0)
        std::fprintf(stderr, "High scores: resources:highscoremenu.xml is missing or broken\n");
    ZQuorvane::HideBackdrop(this);
    ZQuorvane::AttachFaders(this);
    m_portraitCount = 0;
    for (int i = 0; i < kMaxPortraits; ++i)
    {
        char name[32];
        std::snprintf(name, sizeof(name), "portrait_%i", i);
        auto* portrait = ZEntityCast<ZSprite2D>(GetRoot()->FindNode(name));
        if (!portrait)
            break;
        // Drawn added, like the background's light beams: the portraits glow out of the panel.
        if (ZMaterial* material = portrait->GetMaterial())
            material->SetBlendAdd(true);
        m_portraits[m_portraitCount++] = portrait;
    }
    return ZHighscoreMenu::Build();
}

void ZGameHighscoreMenu::OnLeave()
{
    ZHighscoreMenu::OnLeave();
    WriteScreenRecord(this, "highscoremenu", "time-spent", false);
}

void ZGameHighscoreMenu::OnScoresShown(ZHighscoreTable* table)
{
    if (!table)
        return;
    int row = 0;
    for (const SHighscoreEntry& entry : table->GetEntries())
    {
        if (row >= m_portraitCount)
            break;
        // The crew member's picture is a texture named after the member; the first member when the
        // entry names none.
        const char* crew = entry.text.empty() ? "diver" : entry.text.c_str();
        char path[96];
        std::snprintf(path, sizeof(path), "resources:portrait_%s.png", crew);
        if (ZTexture* texture = ZTexture::FindOrLoad(path, 0, kTextureLoadNow))
            m_portraits[row]->SetTexture(texture);
        ++row;
    }
}
