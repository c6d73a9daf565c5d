#pragma once
// The screen fader: darkens everything beneath a dialog-like state with a full-screen black
// sprite at up to 40 % opacity, drawn by a camera of its own that the game-state stack places just
// beneath the top state. It eases in over half a second when such a state comes on top and eases
// out when it leaves. Made the first time a state with the dimming flag registers.
//
// The sprite comes from the screen host (the user interface's 2D sprite); without one the fader
// runs the same phases and keeps its alpha, with nothing to draw.
#include <cstdint>

#include "engine/core/ZSingleton.h"

class ZCamera;
class ZGroup;
class ZNode;

class ZFader : public ZSingleton<ZFader>
{
public:
    enum EPhase : int32_t
    {
        kClearing = 0,
        kDarkening = 1,
        kDark = 2,
        kClear = 3,
    };

    ZFader();
    ~ZFader();

    // Animated: towards dark from alpha 0 (unless already darkening or dark), or towards clear
    // (unless already clearing or clear).
    void Fade(bool dark);
    // At once: dark at the maximum alpha, or clear and inactive.
    void SetDark(bool dark);
    // Stores the switch and sets the group's and the camera's active state.
    void SetActive(bool on);
    // Called by the stack each frame while active.
    void Update();
    void SetCameraOrder(float order);

    bool IsActive() const { return m_active != 0; }
    int32_t GetPhase() const { return m_phase; }
    float GetAlpha() const { return m_alpha; }
    float GetMaxAlpha() const { return m_maxAlpha; }
    float GetDuration() const { return m_duration; }
    ZNode* GetSprite() const { return m_sprite; }
    ZCamera* GetCamera() const { return m_camera; }
    ZGroup* GetGroup() const { return m_group; }

private:
    void SetAlpha(float alpha);
    static double Now();

    ZNode* m_sprite = nullptr;
    ZCamera* m_camera = nullptr;
    ZGroup* m_group = nullptr;
    uint8_t m_active = 0;
    float m_maxAlpha = 0.4f;
    float m_duration = 0.5f;
    double m_startTime = 0.0;
    int32_t m_phase = kClear;
    float m_alpha = 0.0f;
};
