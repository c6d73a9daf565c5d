#pragma once
// The options screen: check boxes and sliders bound straight to engine settings, so every change
// is live; cancel puts back what was in force on entry, save writes the profile and "main.cfg".
#include "engine/app/ZGameState.h"
#include "engine/core/ZProperty.h"
#include "engine/ui/ZButton2D.h"

class ZCheckBox2D;
class ZSlider2D;

class ZSettingsMenu : public ZGameState, public IButtonListener, public IPropertyListener
{
public:
    ZSettingsMenu();
    ~ZSettingsMenu() override;

    const char* GetName() const override { return "ZSettingsMenu"; }
    int Build() override;
    void OnEnter() override;
    void OnLeave() override;

    void OnClicked(ZButton2D* button) override;
    void OnPropertyChanged(ZProperty* property) override;

    virtual void RestoreSnapshot();
    virtual void ShowRoot();
    virtual void HideRoot();

    ZSlider2D* GetMusicSlider() const { return m_sliderMusic; }
    ZSlider2D* GetEffectsSlider() const { return m_sliderEffects; }
    ZSlider2D* GetSoundSlider() const { return m_sliderSound; }
    ZCheckBox2D* GetMuteBox() const { return m_muteSound; }
    ZCheckBox2D* GetWindowBox() const { return m_fullScreen; }
    ZCheckBox2D* GetWidescreenBox() const { return m_widescreen; }

protected:
    // The restart dialog screen belongs to the game: this shows it with the text and stacks it
    // over the current state; false when the game has none, and then no message is shown.
    virtual bool OpenRestartDialog(const char* text)
    {
        (void)text;
        return false;
    }

private:
    void BindSlider(ZSlider2D* slider, ZPropertyFloat* setting);

    ZSlider2D* m_sliderMusic = nullptr;
    ZSlider2D* m_sliderEffects = nullptr;
    ZSlider2D* m_sliderSound = nullptr;
    ZCheckBox2D* m_muteSound = nullptr;
    ZCheckBox2D* m_fullScreen = nullptr;
    ZCheckBox2D* m_widescreen = nullptr;
    ZButton2D* m_saveButton = nullptr;
    ZButton2D* m_cancelButton = nullptr;
    ZButton2D* m_lastClicked = nullptr;
    bool m_listensToQuality = false;

    // What was in force on entry. The quality is kept too: its slider changes it live like the
    // others, and cancel would otherwise keep that change.
    bool m_savedMute = false;
    bool m_savedWindow = false;
    bool m_savedWidescreen = true;
    float m_savedMusic = 0.8f;
    float m_savedSound = 1.0f;
    float m_savedQuality = 1.0f;
};
