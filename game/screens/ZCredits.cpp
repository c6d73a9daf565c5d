// The credits page: fade-in of its texts and pictures, closed by a click.
#include "game/screens/ZCredits.h"

#include <algorithm>

#include "engine/app/ZGame.h"
#include "engine/core/ZFrameTimer.h"
#include "engine/import/ZSceneXMLImport2.h"
#include "engine/scene/ZFontText.h"
#include "engine/ui/ZSprite2D.h"
#include "game/decoration/ZBackground.h"

ZCredits::ZCredits()
{
    SetFlags(kStateDims | kStateResourcesWhileStacked);
}

ZCredits::~ZCredits()
{
    if (m_listening)
        if (ZMousePointer* pointer = ZMousePointer::PeekInstance())
            pointer->RemoveListener(this);
}

int ZCredits::Build()
{
    return ImportSceneFile(ZResourcePath("resources:credits.xml"), GetRoot());
}

void ZCredits::ApplyAlpha(float alpha)
{
    for (ZNode* child = GetRoot()->GetFirstChild(); child; child = child->GetNextSibling())
    {
        if (auto* text = ZEntityCast<ZFontText>(child))
            text->SetAlphaField(alpha);
        else if (auto* sprite = ZEntityCast<ZSprite2D>(child))
            sprite->SetAlpha(alpha);
    }
}

void ZCredits::OnEnter()
{
    if (!m_listening)
    {
        ZMousePointer::GetInstance()->AddListener(this);
        m_listening = true;
    }
    if (ZBackground* background = ZBackground::PeekInstance())
        background->Show(true);
    m_fading = true;
    ApplyAlpha(0.0f);
}

void ZCredits::OnLeave()
{
    if (m_listening)
    {
        if (ZMousePointer* pointer = ZMousePointer::PeekInstance())
            pointer->RemoveListener(this);
        m_listening = false;
    }
    if (ZBackground* background = ZBackground::PeekInstance())
        background->Show(false);
}

void ZCredits::Update(double dt)
{
    (void)dt;
    if (!m_fading)
        return;
    const double now = g_frameTimer ? g_frameTimer->now : 0.0;
    const float a = float(std::clamp((now - GetTimeEntered()) / kFadeSeconds, 0.0, 1.0));
    ApplyAlpha(a);
    if (a >= 1.0f)
        m_fading = false;
}

void ZCredits::OnLeftUp(const SPointerState& state, ZNode* target, bool* handled)
{
    (void)state, (void)target;
    ZGame* game = ZGame::PeekInstance();
    if (!game || game->GetTopState() != this)
        return;
    if (handled)
        *handled = true;
    game->PopState();
}
