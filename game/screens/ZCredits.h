#pragma once
// The credits: a page of the project's names that fades in over the underwater background and
// closes at the next click. Opened from the main menu's logo.
#include "engine/app/ZGameState.h"
#include "engine/core/ZSingleton.h"
#include "engine/ui/ZMousePointer.h"

class ZCredits : public ZGameState, public ZSingleton<ZCredits>, public IMousePointerListener
{
public:
    static constexpr double kFadeSeconds = 1.5;

    ZCredits();
    ~ZCredits() override;

    const char* GetName() const override { return "ZCredits"; }
    // Reads "resources:credits.xml"; the import's result.
    int Build() override;
    void Update(double dt) override;
    void OnEnter() override;
    void OnLeave() override;

    // A release of the left button anywhere closes the page.
    void OnLeftUp(const SPointerState& state, ZNode* target, bool* handled) override;

    bool IsFading() const { return m_fading; }

private:
    // The alpha of every direct text and 2D sprite child of the root.
    void ApplyAlpha(float alpha);

    bool m_fading = false;
    bool m_listening = false;
};
